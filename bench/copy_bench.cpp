// Copies a generated site three ways and prints one table: the program from the
// command line with its window hidden, the same with its window shown under an X
// server of its own (the browser pane loading every page), and wget. Checks that
// the three copies hold the same files, byte for byte as served. Then the engine
// alone loads the same pages (page_load_bench), and the same tree one level deeper
// is copied the three ways again, to show how the time grows with the files fetched.
// Last, the first tree with pages of a real site's size (20-100 KB, a few hundred
// lines) is copied the three ways, in ms a request beside the tiny pages' figures.
//
//   build/bench/copy_bench [FAN_OUT DEPTH IMAGES]     (default 5 4 100: 781 pages, 100 images)
//   build/bench/copy_bench --serve [FAN_OUT DEPTH IMAGES]   serves the site until stopped,
//                                                          to profile a copy of it by hand
//   build/bench/copy_bench --serve-real [FAN_OUT DEPTH IMAGES]   the same with real-sized pages
//   build/bench/copy_bench --completa   only the complete copy against wget and wget2
//   build/bench/copy_bench --serve-completa   serves the site of the complete copy, the page
//                        linking its large file, and the site again behind the delaying proxy
//                        (20 ms a round trip), until stopped
#include "bench/CompleteCopyRows.h"
#include "bench/CopierRun.h"
#include "bench/DelayingProxy.h"
#include "bench/LargeFileRows.h"
#include "bench/ModernSite.h"
#include "tests/support/HttpServer.h"
#include "tests/support/TreeSite.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

struct Run {
    double seconds = 0;
    int code = -1;
    QString summary;      // the program's summary line
    qint64 peakRssKb = 0; // the process and every process it started
    int fromInet = 0, fromBrowser = 0, fromWget = 0;
};

Run timed(const QString& program, const QStringList& args, const QProcessEnvironment& env, HttpServer& server) {
    const qsizetype before = server.requests().size();
    const TimedRun timed = runTimed(program, args, env, 100);
    Run r;
    r.seconds = timed.seconds;
    r.code = timed.code;
    r.summary = timed.summary;
    r.peakRssKb = timed.peakRssKb;
    const QList<HttpServer::Request> all = server.requests();
    for (qsizetype i = before; i < all.size(); ++i) {
        const QByteArray agent = all[i].header("User-Agent");
        if (agent.contains("Mirasito"))
            ++r.fromInet;
        else if (agent.startsWith("Wget"))
            ++r.fromWget;
        else
            ++r.fromBrowser;
    }
    return r;
}

double field(const QString& summary, const QString& name) {
    const QRegularExpressionMatch m = QRegularExpression(name + "=([0-9.]+)").match(summary);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

// Every file under root by its name alone (the copies lay folders out differently).
QMap<QString, QByteArray> filesByName(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        files.insert(it.fileName(), f.readAll());
    }
    return files;
}

// True when the copy holds something and every file in it is the served file of
// that name, byte for byte.
bool faithful(const QMap<QString, QByteArray>& copy, const QMap<QString, QByteArray>& served) {
    for (auto it = copy.begin(); it != copy.end(); ++it)
        if (served.value(it.key()) != it.value())
            return false;
    return !copy.isEmpty();
}

// One site copied the three ways.
struct Point {
    TreeSite site;
    QString start;
    QMap<QString, QByteArray> served; // by file name
    Run hidden, shown, wget;
    QMap<QString, QByteArray> copyHidden, copyShown, copyWget;

    int files(const Run& r) const { return int(field(r.summary, "file")); }
    bool sameCopies() const { return copyHidden == copyShown && copyShown == copyWget; }
    bool faithfulCopies() const {
        return faithful(copyHidden, served) && faithful(copyShown, served) && faithful(copyWget, served);
    }
};

Point copyThreeWays(const TreeSite& site, const QString& folder, HttpServer& server, const QString& display,
                    const QString& work) {
    Point p;
    p.site = site;
    site.serve(server, folder);
    p.start = server.url(folder + "index.htm");
    const auto files = site.files();
    for (auto it = files.begin(); it != files.end(); ++it)
        p.served.insert(QFileInfo(it.key()).fileName(), it.value());
    const QString level = QString::number(site.depth);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.remove("QT_QPA_PLATFORM");
    p.hidden = timed(MIRASITO_EXE, {"--copia", p.start, work + "/nascosta", "--livello", level, "--nascosto"}, env,
                     server);
    QProcessEnvironment shownEnv = env;
    shownEnv.insert("DISPLAY", display);
    shownEnv.insert("QT_QPA_PLATFORM", "xcb");
    p.shown = timed(MIRASITO_EXE, {"--copia", p.start, work + "/finestra", "--livello", level}, shownEnv, server);
    p.wget = timed("wget", {"-r", "-l", level, "-e", "robots=off", "-q", "-nH", "-P", work + "/wget", p.start}, env,
                   server);
    p.copyHidden = filesByName(work + "/nascosta");
    p.copyShown = filesByName(work + "/finestra");
    p.copyWget = filesByName(work + "/wget");
    return p;
}

// Median load of the engine alone (page_load_bench) over the first pages of the site.
double bareEngineLoadMs(const QString& start, int pages, const QString& display) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    p.setProcessEnvironment(env);
    p.start(PAGE_LOAD_BENCH_EXE, {start.left(start.lastIndexOf('/') + 1), QString::number(pages)});
    p.waitForFinished(600000);
    return field(QString::fromLocal8Bit(p.readAllStandardOutput()), "median_ms");
}

// Starts the program and wget once on a page of their own before anything is timed:
// the first start after a while reads the browser engine's libraries (150 MB) from the
// disk again, and that is no part of a copy's time a request.
void warmUp(HttpServer& server, const QString& work) {
    server.setPage("/riscaldamento/index.htm", "<html>\r\n</html>\r\n");
    const QString start = server.url("/riscaldamento/index.htm");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.remove("QT_QPA_PLATFORM");
    timed(MIRASITO_EXE, {"--copia", start, work + "/nascosta", "--livello", "0", "--nascosto"}, env, server);
    timed("wget", {"-q", "-P", work + "/wget", start}, env, server);
}

// The third point: the same tree with pages of a real site's size, 20-100 KB and a few
// hundred lines each, CR LF and LF line ends, the references spread through the text.
TreeSite realSized(const TreeSite& site) {
    TreeSite real = site;
    real.minPageBytes = 20 * 1024;
    real.maxPageBytes = 100 * 1024;
    return real;
}

// Milliseconds a request served to the copy: the transfer component's for the program,
// wget's own for wget.
double msPerRequest(const Run& r) {
    const int requests = r.fromInet + r.fromWget;
    return requests > 0 ? 1000 * r.seconds / requests : -1.0;
}

// The program's time outside the browser pane's loads, in ms a page loaded.
double outsideLoadsMsPerPage(const Run& shown) {
    const double loads = field(shown.summary, "caricamenti");
    return loads > 0 ? 1000 * (shown.seconds - field(shown.summary, "attesa_pagina")) / loads : -1.0;
}

// Prints the real-sized point beside the tiny pages' one, and the goals that compare the
// copies with wget and the bare engine. True when the copies at the point are complete
// and faithful.
bool reportRealSizedPoint(const Point& tiny, const Point& real, double bareMs) {
    qint64 bytes = 0;
    for (const QByteArray& file : real.served)
        bytes += file.size();
    std::printf("\nReal-sized pages: %d pages of %d-%d KB (%.1f MB served with the images)\n", real.site.pages(),
                real.site.minPageBytes / 1024, real.site.maxPageBytes / 1024, bytes / 1048576.0);
    std::printf("%-30s %9s %14s %14s %14s\n", "", "requests", "hidden ms/req", "shown ms/req", "wget ms/req");
    for (const Point* x : {&tiny, &real}) {
        const QString name = QStringLiteral("%1 %2 pages, level %3")
                                 .arg(x->site.pages())
                                 .arg(x->site.maxPageBytes > 0 ? "real-sized" : "tiny")
                                 .arg(x->site.depth);
        std::printf("%-30s %9d %14.3f %14.3f %14.3f\n", qPrintable(name), x->hidden.fromInet,
                    msPerRequest(x->hidden), msPerRequest(x->shown), msPerRequest(x->wget));
    }
    for (const Point* x : {&tiny, &real})
        std::printf("%s pages, shown: %.2f ms a page outside the browser's loads, median load %.1f ms\n",
                    x->site.maxPageBytes > 0 ? "real-sized" : "tiny", outsideLoadsMsPerPage(x->shown),
                    1000 * field(x->shown.summary, "caricamento_mediano"));
    std::printf("Real-sized pages: whole runs hidden %.3f s, shown %.3f s, wget %.3f s; exit status %d, %d, %d\n",
                real.hidden.seconds, real.shown.seconds, real.wget.seconds, real.hidden.code, real.shown.code,
                real.wget.code);
    std::printf("  %s\n  %s\n", qPrintable(real.hidden.summary), qPrintable(real.shown.summary));
    const bool same = real.sameCopies() && real.faithfulCopies() && real.copyHidden.size() == real.served.size();
    std::printf("Same %d files, byte for byte as served, in all three copies of the real-sized pages: %s\n",
                int(real.copyHidden.size()), same ? "yes" : "NO");

    const double median = field(tiny.shown.summary, "caricamento_mediano") * 1000;
    const struct {
        const char* goal;
        bool met;
    } goals[] = {
        {"hidden copy, real-sized pages: ms a request at most wget's", msPerRequest(real.hidden) <= msPerRequest(real.wget)},
        {"hidden copy, tiny pages: at most 1.2x wget's whole run", tiny.hidden.seconds <= 1.2 * tiny.wget.seconds},
        {"shown copy: at most 1.5 ms a page outside the browser's loads", outsideLoadsMsPerPage(tiny.shown) <= 1.5},
        {"shown copy: median load within 10% of the bare engine's", median <= 1.1 * bareMs},
    };
    for (const auto& g : goals)
        std::printf("  %-60s %s\n", g.goal, g.met ? "met" : "NOT MET");
    return same && real.hidden.code == 0 && real.shown.code == 0 && real.wget.code == 0;
}

} // namespace

int main(int argc, char** argv) {
    // The complete copy's pages are read offline in the browser engine, in this process
    // and without a screen. The platform goes by argument, not by the environment the
    // copiers inherit (the copies shown under Xvfb need theirs as it is); the copiers
    // are given no sandbox all the same.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::vector<char*> arguments(argv, argv + argc);
    char platform[] = "-platform";
    char offscreen[] = "offscreen";
    arguments.insert(arguments.begin() + 1, {platform, offscreen});
    int count = int(arguments.size());
    QApplication app(count, arguments.data());
    // What the pages read offline print on their console (the site's fonts are made-up
    // bytes) and the engine's start-up report are no part of the table.
    QLoggingCategory::setFilterRules(QStringLiteral("js=false\nqt.webenginecontext=false"));
    QStringList args = app.arguments().mid(1);
    // --serve-real: the real-sized pages of the third point, served alone.
    const bool serveReal = args.value(0) == QLatin1String("--serve-real");
    if (serveReal)
        args[0] = QStringLiteral("--serve");
    const bool serveOnly = args.value(0) == QLatin1String("--serve");
    if (serveOnly)
        args.removeFirst();
    TreeSite site;
    if (args.size() == 3) {
        site.fanOut = args[0].toInt();
        site.depth = args[1].toInt();
        site.images = args[2].toInt();
    }
    HttpServer server;
    if (args.value(0) == QLatin1String("--completa")) {
        QTemporaryDir work;
        return completeCopyRows(server, work.path()) ? 0 : 1;
    }
    if (args.value(0) == QLatin1String("--serve-completa")) {
        ModernSite().serve(server);
        // The same site at 20 ms a round trip, as the complete copy's rows measure it.
        HttpServer farServer;
        DelayingProxy proxy(farServer.port(), 10);
        ModernSite().serve(farServer, proxy.hostPort());
        std::printf("%s\n%s\n%s\n", qPrintable(server.url(ModernSite::start())), qPrintable(serveLargeFile(server)),
                    qPrintable(proxy.url(ModernSite::start())));
        std::fflush(stdout);
        for (;;)
            QThread::sleep(3600);
    }
    if (serveOnly) {
        (serveReal ? realSized(site) : site).serve(server, "/albero/");
        std::printf("%s\n", qPrintable(server.url("/albero/index.htm")));
        std::fflush(stdout);
        for (;;)
            QThread::sleep(3600);
    }
    // The second point: the same tree one level deeper, where the copy reaches the
    // limit of its reference table (the default gives 3906 pages).
    TreeSite deeper = site;
    deeper.depth = site.depth + 1;

    // The shown copies get an X server of their own.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    xvfb.waitForStarted();
    for (int i = 0; i < 200 && !xvfb.canReadLine(); ++i)
        xvfb.waitForReadyRead(100);
    const QString display = ":" + QString::fromLatin1(xvfb.readLine().trimmed());

    QTemporaryDir work;
    std::printf("Site: %d pages, %d images, copied to level %d; then %d pages to level %d\n", site.pages(),
                site.images, site.depth, deeper.pages(), deeper.depth);
    std::fflush(stdout);
    warmUp(server, work.filePath("0"));
    const Point p = copyThreeWays(site, "/albero/", server, display, work.filePath("1"));
    const int bareLoads = std::min(site.pages(), 300);
    const double bareMs = bareEngineLoadMs(p.start, bareLoads, display);
    const Point q = copyThreeWays(deeper, "/grande/", server, display, work.filePath("2"));
    const Point real = copyThreeWays(realSized(site), "/reale/", server, display, work.filePath("3"));
    xvfb.terminate();
    xvfb.waitForFinished();

    const Run& hidden = p.hidden;
    const Run& shown = p.shown;
    const Run& wget = p.wget;
    const double browserWait = field(shown.summary, "attesa_pagina");
    const double shownOutside = shown.seconds - browserWait;
    std::printf("\n%-38s %12s %12s %12s\n", "", "hidden", "shown", "wget");
    std::printf("%-38s %12d %12d %12d\n", "files copied", int(p.copyHidden.size()), int(p.copyShown.size()),
                int(p.copyWget.size()));
    std::printf("%-38s %12d %12d %12d\n", "exit status", hidden.code, shown.code, wget.code);
    std::printf("%-38s %12.3f %12.3f %12.3f\n", "seconds, whole run", hidden.seconds, shown.seconds, wget.seconds);
    std::printf("%-38s %12.3f %12.3f %12s\n", "seconds, the copy (its own count)", field(hidden.summary, "secondi"),
                field(shown.summary, "secondi"), "-");
    std::printf("%-38s %12.2f %12.2f %12s\n", "ratio to wget", hidden.seconds / wget.seconds,
                shown.seconds / wget.seconds, "1.00");
    std::printf("%-38s %12.3f %12.3f %12s\n", "seconds waiting for the browser", field(hidden.summary, "attesa_pagina"),
                browserWait, "-");
    std::printf("%-38s %12s %12.1f %12s\n", "median browser load, ms", "-",
                1000 * field(shown.summary, "caricamento_mediano"), "-");
    std::printf("%-38s %12s %12.1f %12s\n", "median load, the engine alone, ms", "-", bareMs, "-");
    std::printf("%-38s %12s %12.2f %12s\n", "shown, outside loads, ratio to wget", "-", shownOutside / wget.seconds,
                "-");
    std::printf("%-38s %12.3f %12.3f %12s\n", "seconds in transfers", field(hidden.summary, "trasferimenti"),
                field(shown.summary, "trasferimenti"), "-");
    std::printf("%-38s %12.3f %12.3f %12s\n", "seconds writing files", field(hidden.summary, "scrittura"),
                field(shown.summary, "scrittura"), "-");
    std::printf("%-38s %12.3f %12.3f %12s\n", "seconds in yields to the window", field(hidden.summary, "tempo_cessioni"),
                field(shown.summary, "tempo_cessioni"), "-");
    std::printf("%-38s %12d %12d %12d\n", "requests from the transfer comp.", hidden.fromInet, shown.fromInet,
                wget.fromWget);
    std::printf("%-38s %12d %12d %12s\n", "requests from the browser pane", hidden.fromBrowser, shown.fromBrowser, "-");
    std::printf("%-38s %12.1f %12.1f %12.1f\n", "peak memory, MB (with children)", hidden.peakRssKb / 1024.0,
                shown.peakRssKb / 1024.0, wget.peakRssKb / 1024.0);
    const bool same = p.sameCopies() && p.faithfulCopies();
    std::printf("\nSame %d files, byte for byte as served, in all three copies: %s\n", int(p.copyHidden.size()),
                same ? "yes" : "NO");

    // How the time grows with the work: seconds a file fetched, at both points.
    std::printf("\n%-26s %8s %10s %8s %10s %8s %10s %8s\n", "", "files", "hidden s", "ms/file", "shown s", "ms/file",
                "wget s", "ms/file");
    auto perFile = [](double seconds, int files) { return files > 0 ? 1000 * seconds / files : -1.0; };
    for (const Point* x : {&p, &q}) {
        const int n = x->files(x->hidden);
        const int nw = int(x->copyWget.size());
        const QString name = QStringLiteral("%1 pages, level %2").arg(x->site.pages()).arg(x->site.depth);
        std::printf("%-26s %8d %10.3f %8.3f %10.3f %8.3f %10.3f %8.3f  (wget: %d files)\n", qPrintable(name), n,
                    x->hidden.seconds, perFile(x->hidden.seconds, n), x->shown.seconds,
                    perFile(x->shown.seconds, x->files(x->shown)), x->wget.seconds, perFile(x->wget.seconds, nw), nw);
    }
    std::printf("exit status at the second point: hidden %d, shown %d (2: the reference limit was reached)\n",
                q.hidden.code, q.shown.code);
    for (const Point* x : {&p, &q}) {
        const double loads = field(x->shown.summary, "caricamenti");
        std::printf("%d pages, shown: %.0f browser loads, %.1f ms a load (median %.1f), %.3f s outside them\n",
                    x->site.pages(), loads, loads > 0 ? 1000 * field(x->shown.summary, "attesa_pagina") / loads : -1.0,
                    1000 * field(x->shown.summary, "caricamento_mediano"),
                    x->shown.seconds - field(x->shown.summary, "attesa_pagina"));
    }
    std::printf("\nThe program's own summaries:\n");
    for (const Run* r : {&p.hidden, &p.shown, &q.hidden, &q.shown})
        std::printf("  %s\n", qPrintable(r->summary));
    const bool sameAtScale = q.copyHidden == q.copyShown && q.faithfulCopies();
    std::printf("Hidden and shown copies the same, every file as served, at the second point: %s\n",
                sameAtScale ? "yes" : "NO");
    const auto linear = [&](const Run& a, const Run& b) {
        return perFile(b.seconds, q.files(b)) <= 1.5 * perFile(a.seconds, p.files(a));
    };

    const int files = int(p.served.size());
    const struct {
        const char* goal;
        bool met;
    } goals[] = {
        {"hidden copy at most 2x wget", hidden.seconds <= 2 * wget.seconds},
        {"shown copy outside the browser's loads at most 2x wget", shownOutside <= 2 * wget.seconds},
        {"median browser load at most 20 ms", field(shown.summary, "caricamento_mediano") <= 0.020},
        {"each file fetched once by the transfer component", hidden.fromInet <= files && shown.fromInet <= files},
        {"peak memory under 600 MB", std::max({shown.peakRssKb, hidden.peakRssKb, q.shown.peakRssKb}) < 600 * 1024},
        {"time a file at the second point at most 1.5x the first's", linear(p.hidden, q.hidden) && linear(p.shown, q.shown)},
    };
    for (const auto& g : goals)
        std::printf("  %-60s %s\n", g.goal, g.met ? "met" : "NOT MET");
    const bool ran = hidden.code == 0 && shown.code == 0 && wget.code == 0 && q.hidden.code >= 0 &&
                     q.shown.code == q.hidden.code;
    const bool realFaithful = reportRealSizedPoint(p, real, bareMs);
    const bool complete = completeCopyRows(server, work.filePath("4"));
    return same && sameAtScale && ran && realFaithful && complete ? 0 : 1;
}
