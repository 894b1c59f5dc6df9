#include "bench/CompleteCopyRows.h"
#include "bench/CopierRun.h"
#include "bench/LargeFileRows.h"
#include "bench/LatencyRows.h"
#include "bench/ModernSite.h"
#include "bench/ReadingOfflineRows.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <cstdio>

namespace {

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

// Prints one row of a block: a label, then one column a copier.
void row(const char* label, const QStringList& values) {
    std::printf("%-44s", label);
    for (const QString& v : values)
        std::printf(" %12s", qPrintable(v));
    std::printf("\n");
}

QString number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

QString ofTotal(int part, int total) {
    return QStringLiteral("%1/%2").arg(part).arg(total);
}

QString megabytes(qint64 kb) {
    return number(kb / 1024.0, 1);
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

    // The program keeps the files as served here, as wget and wget2 do without -k: the
    // copies are compared file for file. Its default copy, made to be read from the
    // disk, is measured against wget -k -E below.
    const QStringList wgetArgs{"-r", "-np", "-p", "-l", level, "-nH", "-q"};
    const Copier copiers[] = {
        {"mirasito", MIRASITO_EXE, {"--livello", level, "--completa", "--nascosto", "--come-servito"}, "Mirasito",
         work + "/mirasito"},
        {"wget", "wget", wgetArgs, "Wget/", work + "/wget"},
        {"wget2", "wget2", wgetArgs, "wget2/", work + "/wget2"},
    };
    std::printf("\nComplete copy of a generated site of today's kind: %d sections of %d pages, %d pictures (%d files "
                "served), level %s\n",
                site.sections, site.pagesPerSection, site.images, int(served.size()), qPrintable(level));
    std::fflush(stdout);
    CopyRun first[3], again[3], changed[3];
    for (int i = 0; i < 3; ++i)
        first[i] = runCopier(copiers[i], {}, server, start);
    ReadingOffline offline = copyToReadOffline(server, site, work + "/offline");
    // wget -N asks with If-Modified-Since, and stops at the start page's 304 without
    // reading the copy's pages for the rest: --no-if-modified-since has it check every
    // file (a HEAD request each), as an update must.
    const QStringList update[] = {{}, {"-N", "--no-if-modified-since"}, {"-N"}};
    for (int i = 0; i < 3; ++i)
        again[i] = runCopier(copiers[i], update[i], server, start);
    site.change(server);
    for (int i = 0; i < 3; ++i)
        changed[i] = runCopier(copiers[i], update[i], server, start);
    std::printf("Copies and updates done; now at a distance, then a large file, then the copies read offline\n");
    std::fflush(stdout);
    const LatencyPoint far = latencyRows(site, work + "/distanza");
    const LargeFile large = largeFileRows(server, work + "/grande");
    readCopiesOffline(offline, server.hostPort());

    QSet<QString> files[3];
    Links links[3];
    for (int i = 0; i < 3; ++i) {
        files[i] = addressesIn(copiers[i].folder, i == 0);
        links[i] = linksOf(copiers[i].folder, files[i], servable, server.hostPort(), i == 0);
    }
    const auto each = [&](const char* label, auto value) { row(label, {value(0), value(1), value(2)}); };
    std::printf("\nThe program's copy as served (--come-servito) against wget and wget2:\n");
    row("", {"mirasito", "wget", "wget2"});
    each("exit status", [&](int i) { return QString::number(first[i].code); });
    each("seconds, whole run", [&](int i) { return number(first[i].seconds, 3); });
    each("ratio to wget", [&](int i) { return number(first[i].seconds / first[1].seconds, 2); });
    each("requests", [&](int i) { return QString::number(first[i].requests); });
    each("files in the copy", [&](int i) { return QString::number(files[i].size()); });
    each("files wget has that this copy lacks", [&](int i) { return QString::number((files[1] - files[i]).size()); });
    each("internal links to files the site serves", [&](int i) { return QString::number(links[i].internal); });
    each("  of them leading to a file of the copy", [&](int i) {
        return number(100.0 * links[i].resolving / qMax(1, links[i].internal), 1) + " %";
    });
    std::printf("Second run into the same folder, nothing changed (the program updates its copy; wget and wget2 -N):\n");
    each("exit status", [&](int i) { return QString::number(again[i].code); });
    each("seconds", [&](int i) { return number(again[i].seconds, 3); });
    each("requests", [&](int i) { return QString::number(again[i].requests); });
    each("bodies transferred", [&](int i) { return QString::number(again[i].bodies); });
    each("bytes transferred", [&](int i) { return QString::number(again[i].bytes); });
    std::printf("Third run, after one page changed and a new one was linked from it:\n");
    each("seconds", [&](int i) { return number(changed[i].seconds, 3); });
    each("bodies transferred", [&](int i) { return QString::number(changed[i].bodies); });

    const ReadingOffline::Copy& mo = offline.program;
    const ReadingOffline::Copy& wo = offline.wget;
    std::printf("\nRead offline: the program's default copy and wget -r -np -p -k -E -l %s -nH, each page file "
                "opened from the disk (%d site pages):\n",
                qPrintable(level), offline.sitePages);
    row("", {"mirasito", "wget -k -E"});
    row("exit status", {QString::number(mo.run.code), QString::number(wo.run.code)});
    row("seconds, whole copy (conversion included), median of 5", {number(mo.run.seconds, 3), number(wo.run.seconds, 3)});
    row("  each round, in order", {mo.rounds.join(' '), wo.rounds.join(' ')});
    row("requests", {QString::number(mo.run.requests), QString::number(wo.run.requests)});
    row("page files found (of the site's pages)",
        {ofTotal(int(mo.pageFiles.size()), offline.sitePages), ofTotal(int(wo.pageFiles.size()), offline.sitePages)});
    row("pages shown as HTML (of the site's pages)", {ofTotal(mo.reading.shownAsHtml, offline.sitePages),
                                                      ofTotal(wo.reading.shownAsHtml, offline.sitePages)});
    row("the pages' own requests that fail", {ofTotal(mo.reading.failedRequests, mo.reading.requests),
                                              ofTotal(wo.reading.failedRequests, wo.reading.requests)});
    row("links leading into the copy (of the site's)",
        {ofTotal(mo.reading.linksIntoCopy, mo.reading.links), ofTotal(wo.reading.linksIntoCopy, wo.reading.links)});

    std::printf("\nAt a distance: the site behind a proxy that passes each chunk on after %d ms (a round trip %d ms "
                "more):\n",
                far.delayMs, 2 * far.delayMs);
    row("", {"exit status", "seconds", "own count, s", "requests", "connections", "most at once"});
    for (const LatencyRow& r : far.rows) {
        const QString own = r.run.summary.section(QStringLiteral("secondi="), 1).section(' ', 0, 0);
        row(qPrintable(r.label), {QString::number(r.run.code), number(r.run.seconds, 3), own.isEmpty() ? "-" : own,
                                  QString::number(r.run.requests), QString::number(r.connections),
                                  QString::number(r.mostAtOnce)});
    }

    std::printf("\nOne file of %.0f MB made as it is served, linked from a page (the program: --completa --livello 1; "
                "wget -r -np -l 1 -nH):\n",
                large.size / 1048576.0);
    row("", {"mirasito", "wget"});
    row("exit status", {QString::number(large.program.run.code), QString::number(large.wget.run.code)});
    row("seconds, whole run", {number(large.program.run.seconds, 3), number(large.wget.run.seconds, 3)});
    row("ratio to wget", {number(large.program.run.seconds / large.wget.run.seconds, 2), "1.00"});
    row("peak memory, MB (with children)", {megabytes(large.program.run.peakRssKb), megabytes(large.wget.run.peakRssKb)});
    row("bytes on the disk", {QString::number(large.program.sizeOnDisk), QString::number(large.wget.sizeOnDisk)});
    row("whole: size and SHA-1 as served", {large.program.whole ? "yes" : "NO", large.wget.whole ? "yes" : "NO"});

    std::printf("\nThe program's own summaries:\n  %s\n  %s\n  %s\n  %s\n", qPrintable(first[0].summary),
                qPrintable(again[0].summary), qPrintable(changed[0].summary), qPrintable(mo.run.summary));
    for (const QString& missing : files[1] - files[0])
        std::printf("  wget has, the copy lacks: %s\n", qPrintable(missing));
    // What failed offline, less the links to addresses no copy can hold (a missing page,
    // a folder robots.txt refuses).
    const QString siteRoot = "http://" + server.hostPort();
    const auto unavoidable = [&](const QString& failure) {
        const QString link = failure.section(QStringLiteral(": link to "), 1);
        return link.startsWith(siteRoot) && !servable.contains(relativeOf(QUrl(link)));
    };
    for (const ReadingOffline::Copy* c : {&mo, &wo}) {
        int shown = 0, skipped = 0;
        for (const QString& failure : c->reading.failures) {
            if (unavoidable(failure))
                ++skipped;
            else if (++shown <= 8)
                std::printf("  read offline, %s: %s\n", c == &mo ? "mirasito" : "wget -k -E", qPrintable(failure));
        }
        std::printf("  read offline, %s: %d failures, %d of them links to pages the site does not serve or "
                    "robots.txt refuses\n",
                    c == &mo ? "mirasito" : "wget -k -E", int(c->reading.failures.size()), skipped);
    }

    const auto share = [](const OfflineReading& r) { return double(r.linksIntoCopy) / qMax(1, r.links); };
    const CopyRun& one = far.rows[0].run;
    const CopyRun& four = far.rows[1].run;
    const CopyRun& wgetFar = far.rows[3].run;
    const CopyRun& wget2Far = far.rows[4].run;
    const CopyRun& eight = far.rows[5].run;
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
        {"read offline: at least as many pages shown as HTML as wget -k -E", mo.reading.shownAsHtml >= wo.reading.shownAsHtml},
        {"read offline: at most as many failed requests as wget -k -E", mo.reading.failedRequests <= wo.reading.failedRequests},
        {"read offline: a share of links into the copy at least wget -k -E's", share(mo.reading) >= share(wo.reading)},
        {"read offline: time of the copy at most wget -k -E's", mo.run.seconds <= wo.run.seconds},
        {"at a distance, 4 connections: time at most wget2's", four.seconds <= wget2Far.seconds},
        {"at a distance, 4 connections: time at most a quarter of wget's", four.seconds <= wgetFar.seconds / 4},
        {"at a distance, 1 connection: time at most wget's", one.seconds <= wgetFar.seconds},
        {"at a distance, 8 connections: time at most wget2's", eight.seconds <= wget2Far.seconds},
        {"at a distance, 8 connections: time at most a quarter of wget's", eight.seconds <= wgetFar.seconds / 4},
        {"large file: arrived whole", large.program.whole},
        {"large file: time at most 1.5 times wget's", large.program.run.seconds <= 1.5 * large.wget.run.seconds},
        {"large file: peak memory at most 100 MB", large.program.run.peakRssKb <= 100 * 1024},
    };
    std::printf("\n");
    for (const auto& g : goals)
        std::printf("  %-70s %s\n", g.goal, g.met ? "met" : "NOT MET");
    bool ok = true;
    for (const auto& g : goals)
        ok = ok && g.met;
    bool ran = first[0].code == 0 && again[0].code == 0 && changed[0].code == 0 && mo.run.code == 0 &&
               large.program.run.code == 0;
    for (const LatencyRow& r : far.rows)
        ran = ran && (r.run.code == 0 || !r.label.startsWith("mirasito"));
    return ok && ran;
}
