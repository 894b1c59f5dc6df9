// Copies a generated site three ways and prints one table: the program from the
// command line with its window hidden, the same with its window shown under an X
// server of its own (the browser pane loading every page), and wget. Checks that
// the three copies hold the same files, byte for byte.
//
//   build/bench/copy_bench [FAN_OUT DEPTH IMAGES]     (default 5 4 100: 781 pages, 100 images)
#include "tests/support/HttpServer.h"
#include "tests/support/TreeSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
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

// Resident memory of the process and all its descendants, in kB.
qint64 treeRssKb(qint64 root) {
    QHash<qint64, qint64> parentOf;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        parentOf.insert(pid, fields.value(1).toLongLong());
    }
    qint64 total = 0;
    for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
        qint64 p = it.key();
        while (p > 1 && p != root)
            p = parentOf.value(p, 0);
        if (p != root)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(it.key()));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& l : status.readAll().split('\n'))
            if (l.startsWith("VmRSS:"))
                total += l.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return total;
}

Run timed(const QString& program, const QStringList& args, const QProcessEnvironment& env, HttpServer& server) {
    const qsizetype before = server.requests().size();
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    Run r;
    if (!p.waitForStarted())
        return r;
    while (!p.waitForFinished(100))
        r.peakRssKb = std::max(r.peakRssKb, treeRssKb(p.processId()));
    r.seconds = clock.nsecsElapsed() / 1e9;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("riepilogo "))
            r.summary = line;
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TreeSite site;
    if (argc == 4) {
        site.fanOut = atoi(argv[1]);
        site.depth = atoi(argv[2]);
        site.images = atoi(argv[3]);
    }
    const QString program = QStringLiteral(MIRASITO_EXE);
    HttpServer server;
    site.serve(server, "/albero/");
    const QString start = server.url("/albero/index.htm");
    const QString level = QString::number(site.depth);
    QTemporaryDir work;
    const QMap<QString, QByteArray> served = [&] {
        QMap<QString, QByteArray> byName;
        const auto files = site.files();
        for (auto it = files.begin(); it != files.end(); ++it)
            byName.insert(QFileInfo(it.key()).fileName(), it.value());
        return byName;
    }();
    std::printf("Site: %d pages, %d images (%d files), copied to level %d from %s\n", site.pages(), site.images,
                int(served.size()), site.depth, qPrintable(start));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.remove("QT_QPA_PLATFORM");

    const Run hidden = timed(program, {"--copia", start, work.filePath("nascosta"), "--livello", level, "--nascosto"},
                             env, server);

    // The shown copy gets an X server of its own.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    xvfb.waitForStarted();
    for (int i = 0; i < 200 && !xvfb.canReadLine(); ++i)
        xvfb.waitForReadyRead(100);
    const QString display = ":" + QString::fromLatin1(xvfb.readLine().trimmed());
    QProcessEnvironment shownEnv = env;
    shownEnv.insert("DISPLAY", display);
    shownEnv.insert("QT_QPA_PLATFORM", "xcb");
    const Run shown = timed(program, {"--copia", start, work.filePath("finestra"), "--livello", level}, shownEnv, server);
    xvfb.terminate();
    xvfb.waitForFinished();

    const Run wget = timed("wget", {"-r", "-l", level, "-e", "robots=off", "-q", "-nH", "-P", work.filePath("wget"), start},
                           env, server);

    const auto copyHidden = filesByName(work.filePath("nascosta"));
    const auto copyShown = filesByName(work.filePath("finestra"));
    const auto copyWget = filesByName(work.filePath("wget"));
    const bool same = copyHidden == served && copyShown == served && copyWget == served;

    const double browserWait = field(shown.summary, "attesa_pagina");
    const double shownOutside = shown.seconds - browserWait;
    std::printf("\n%-34s %12s %12s %12s\n", "", "hidden", "shown", "wget");
    std::printf("%-34s %12d %12d %12d\n", "files copied", int(copyHidden.size()), int(copyShown.size()),
                int(copyWget.size()));
    std::printf("%-34s %12d %12d %12d\n", "exit status", hidden.code, shown.code, wget.code);
    std::printf("%-34s %12.3f %12.3f %12.3f\n", "seconds, whole run", hidden.seconds, shown.seconds, wget.seconds);
    std::printf("%-34s %12.3f %12.3f %12s\n", "seconds, the copy (its own count)", field(hidden.summary, "secondi"),
                field(shown.summary, "secondi"), "-");
    std::printf("%-34s %12.2f %12.2f %12s\n", "ratio to wget", hidden.seconds / wget.seconds,
                shown.seconds / wget.seconds, "1.00");
    std::printf("%-34s %12.3f %12.3f %12s\n", "seconds waiting for the browser", field(hidden.summary, "attesa_pagina"),
                browserWait, "-");
    std::printf("%-34s %12s %12.3f %12s\n", "median browser load, ms", "-",
                1000 * field(shown.summary, "caricamento_mediano"), "-");
    std::printf("%-34s %12s %12.2f %12s\n", "shown, outside loads, ratio to wget", "-", shownOutside / wget.seconds,
                "-");
    std::printf("%-34s %12.3f %12.3f %12s\n", "seconds in transfers", field(hidden.summary, "trasferimenti"),
                field(shown.summary, "trasferimenti"), "-");
    std::printf("%-34s %12.3f %12.3f %12s\n", "seconds writing files", field(hidden.summary, "scrittura"),
                field(shown.summary, "scrittura"), "-");
    std::printf("%-34s %12.3f %12.3f %12s\n", "seconds in yields to the window", field(hidden.summary, "tempo_cessioni"),
                field(shown.summary, "tempo_cessioni"), "-");
    std::printf("%-34s %12d %12d %12d\n", "requests from the transfer comp.", hidden.fromInet, shown.fromInet,
                wget.fromWget);
    std::printf("%-34s %12d %12d %12s\n", "requests from the browser pane", hidden.fromBrowser, shown.fromBrowser, "-");
    std::printf("%-34s %12.1f %12.1f %12.1f\n", "peak memory, MB (with children)", hidden.peakRssKb / 1024.0,
                shown.peakRssKb / 1024.0, wget.peakRssKb / 1024.0);
    std::printf("\nSame %d files, byte for byte, in all three copies: %s\n", int(served.size()), same ? "yes" : "NO");

    const int files = int(served.size());
    const struct { const char* goal; bool met; } goals[] = {
        {"hidden copy at most 2x wget", hidden.seconds <= 2 * wget.seconds},
        {"shown copy outside the browser's loads at most 2x wget", shownOutside <= 2 * wget.seconds},
        {"median browser load at most 20 ms", field(shown.summary, "caricamento_mediano") <= 0.020},
        {"each file fetched once by the transfer component", hidden.fromInet <= files && shown.fromInet <= files},
        {"peak memory under 600 MB", shown.peakRssKb < 600 * 1024 && hidden.peakRssKb < 600 * 1024},
    };
    for (const auto& g : goals)
        std::printf("  %-60s %s\n", g.goal, g.met ? "met" : "NOT MET");
    return same && hidden.code == 0 && shown.code == 0 && wget.code == 0 ? 0 : 1;
}
