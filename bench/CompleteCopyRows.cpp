#include "bench/CompleteCopyRows.h"
#include "bench/ModernSite.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <cstdio>

namespace {

struct Copier {
    const char* name;
    QString program;
    QStringList args;      // before the folder and the address
    QByteArray userAgent;  // how its requests are told apart
    QString folder;
};

struct Run {
    double seconds = 0;
    int code = -1;
    int requests = 0;
    int bodies = 0;
    qint64 bytes = 0;
    QString summary;  // the program's own summary line
};

Run run(const Copier& c, const QStringList& extra, HttpServer& server, const QString& start) {
    const qsizetype before = server.requests().size();
    const int bodies = server.bodiesSent();
    const qint64 bytes = server.bodyBytesSent();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    if (c.program.endsWith("mirasito"))
        p.start(c.program, QStringList{"--copia", start, c.folder} + c.args + extra);
    else
        p.start(c.program, c.args + extra + QStringList{"-P", c.folder, start});
    Run r;
    if (!p.waitForFinished(600000))
        return r;
    r.seconds = clock.nsecsElapsed() / 1e9;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    for (const QString& line : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("riepilogo "))
            r.summary = line;
    const QList<HttpServer::Request> all = server.requests();
    for (qsizetype i = before; i < all.size(); ++i)
        r.requests += all[i].header("User-Agent").contains(c.userAgent) ? 1 : 0;
    r.bodies = server.bodiesSent() - bodies;
    r.bytes = server.bodyBytesSent() - bytes;
    return r;
}

// The copy's files by the address path they hold ("moderno/docs/s1/elenco.php?pagina=2"):
// the program writes a query after "@", wget keeps its "?". The copies' own files
// (report, state) are left out.
QSet<QString> addressesIn(const QString& folder, bool queryAfterAt) {
    QSet<QString> out;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString rel = QDir(folder).relativeFilePath(it.next());
        if (rel.startsWith("mirasito-"))
            continue;
        if (queryAfterAt) {
            const qsizetype at = rel.indexOf('@', rel.lastIndexOf('/') + 1);
            if (at >= 0)
                rel[at] = '?';
        }
        out.insert(rel);
    }
    return out;
}

QString relativeOf(const QUrl& url) {
    QString path = url.path().mid(1);
    if (path.isEmpty() || path.endsWith('/'))
        path += "index.html";
    return url.hasQuery() ? path + '?' + url.query() : path;
}

struct Links {
    int internal = 0;  // links and references of copied pages to files the site serves
    int resolving = 0; // of those, the ones whose file is in the copy
};

// Every href, src and srcset of every page in the copy that names a file the site
// serves on its own host (a missing page or one robots.txt refuses can be in no
// copy), and how many lead to a file of the copy.
Links linksOf(const QString& folder, const QSet<QString>& copy, const QSet<QString>& servable, const QString& host,
              bool queryAfterAt) {
    static const QRegularExpression attribute(QStringLiteral("(href|src|srcset)=\"([^\"]*)\""));
    Links l;
    for (const QString& rel : copy) {
        QString onDisk = rel;
        if (queryAfterAt)
            onDisk.replace('?', '@');
        QFile f(folder + '/' + onDisk);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        if (!text.startsWith("<!DOCTYPE") && !text.startsWith("<html"))
            continue;
        const QUrl page("http://" + host + '/' + rel);
        for (auto m = attribute.globalMatch(text); m.hasNext();) {
            const QRegularExpressionMatch a = m.next();
            const QStringList refs = a.captured(1) == "srcset" ? a.captured(2).split(',') : QStringList{a.captured(2)};
            for (const QString& ref : refs) {
                const QUrl target = page.resolved(QUrl(ref.trimmed().section(' ', 0, 0)));
                if (target.scheme() != "http" || target.authority() != host || !servable.contains(relativeOf(target)))
                    continue;
                ++l.internal;
                l.resolving += copy.contains(relativeOf(target)) ? 1 : 0;
            }
        }
    }
    return l;
}

} // namespace

bool completeCopyRows(HttpServer& server, const QString& work) {
    const ModernSite site;
    site.serve(server);
    const QString start = server.url(ModernSite::start());
    const QString level = QString::number(ModernSite::depth());
    const QMap<QString, ModernSite::File> served = site.files(server.hostPort());
    QSet<QString> servable;
    for (auto it = served.begin(); it != served.end(); ++it)
        if (!it.key().startsWith("/moderno/docs/privato/"))
            servable.insert(relativeOf(QUrl("http://h" + it.key())));
    for (int s = 1; s <= site.sections; ++s)
        servable.insert(QStringLiteral("moderno/docs/s%1/vecchia.html").arg(s));

    const QStringList wgetArgs{"-r", "-np", "-p", "-l", level, "-nH", "-q"};
    const Copier copiers[] = {
        {"mirasito", MIRASITO_EXE, {"--livello", level, "--completa", "--nascosto"}, "Mirasito", work + "/mirasito"},
        {"wget", "wget", wgetArgs, "Wget/", work + "/wget"},
        {"wget2", "wget2", wgetArgs, "wget2/", work + "/wget2"},
    };
    std::printf("\nComplete copy of a generated site of today's kind: %d sections of %d pages, %d pictures (%d files "
                "served), level %s\n",
                site.sections, site.pagesPerSection, site.images, int(served.size()), qPrintable(level));
    std::fflush(stdout);
    Run first[3], again[3], changed[3];
    for (int i = 0; i < 3; ++i)
        first[i] = run(copiers[i], {}, server, start);
    // wget -N asks with If-Modified-Since, and stops at the start page's 304 without
    // reading the copy's pages for the rest: --no-if-modified-since has it check every
    // file (a HEAD request each), as an update must.
    const QStringList update[] = {{}, {"-N", "--no-if-modified-since"}, {"-N"}};
    for (int i = 0; i < 3; ++i)
        again[i] = run(copiers[i], update[i], server, start);
    site.change(server);
    for (int i = 0; i < 3; ++i)
        changed[i] = run(copiers[i], update[i], server, start);

    QSet<QString> files[3];
    Links links[3];
    for (int i = 0; i < 3; ++i) {
        files[i] = addressesIn(copiers[i].folder, i == 0);
        links[i] = linksOf(copiers[i].folder, files[i], servable, server.hostPort(), i == 0);
    }
    std::printf("\n%-44s %12s %12s %12s\n", "", "mirasito", "wget", "wget2");
    const auto row = [](const char* label, const QString a, const QString b, const QString c) {
        std::printf("%-44s %12s %12s %12s\n", label, qPrintable(a), qPrintable(b), qPrintable(c));
    };
    const auto each = [&](const char* label, auto value) { row(label, value(0), value(1), value(2)); };
    each("exit status", [&](int i) { return QString::number(first[i].code); });
    each("seconds, whole run", [&](int i) { return QString::number(first[i].seconds, 'f', 3); });
    each("ratio to wget", [&](int i) { return QString::number(first[i].seconds / first[1].seconds, 'f', 2); });
    each("requests", [&](int i) { return QString::number(first[i].requests); });
    each("files in the copy", [&](int i) { return QString::number(files[i].size()); });
    each("files wget has that this copy lacks", [&](int i) { return QString::number((files[1] - files[i]).size()); });
    each("internal links to files the site serves", [&](int i) { return QString::number(links[i].internal); });
    each("  of them leading to a file of the copy", [&](int i) {
        return QString::number(100.0 * links[i].resolving / qMax(1, links[i].internal), 'f', 1) + " %";
    });
    std::printf("Second run into the same folder, nothing changed (the program updates its copy; wget and wget2 -N):\n");
    each("exit status", [&](int i) { return QString::number(again[i].code); });
    each("seconds", [&](int i) { return QString::number(again[i].seconds, 'f', 3); });
    each("requests", [&](int i) { return QString::number(again[i].requests); });
    each("bodies transferred", [&](int i) { return QString::number(again[i].bodies); });
    each("bytes transferred", [&](int i) { return QString::number(again[i].bytes); });
    std::printf("Third run, after one page changed and a new one was linked from it:\n");
    each("seconds", [&](int i) { return QString::number(changed[i].seconds, 'f', 3); });
    each("bodies transferred", [&](int i) { return QString::number(changed[i].bodies); });
    std::printf("The program's own summaries:\n  %s\n  %s\n  %s\n", qPrintable(first[0].summary),
                qPrintable(again[0].summary), qPrintable(changed[0].summary));
    for (const QString& missing : files[1] - files[0])
        std::printf("  wget has, the copy lacks: %s\n", qPrintable(missing));

    const struct {
        const char* goal;
        bool met;
    } goals[] = {
        {"complete copy: the same files as wget or more", (files[1] - files[0]).isEmpty()},
        {"complete copy: every internal link leads to a file of the copy", links[0].resolving == links[0].internal},
        {"complete copy: time at most wget's", first[0].seconds <= first[1].seconds},
        {"update with nothing changed: no body transferred", again[0].bodies == 0},
        {"update with nothing changed: time at most wget -N's", again[0].seconds <= again[1].seconds},
        {"update after a change: only the changed and the new page transferred", changed[0].bodies == 2},
    };
    for (const auto& g : goals)
        std::printf("  %-64s %s\n", g.goal, g.met ? "met" : "NOT MET");
    bool ok = true;
    for (const auto& g : goals)
        ok = ok && g.met;
    return ok && first[0].code == 0 && again[0].code == 0 && changed[0].code == 0;
}
