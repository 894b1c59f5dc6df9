#include "bench/ReadingOfflineRows.h"
#include "bench/ModernSite.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

constexpr int kTimingRounds = 5;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// "/moderno/docs/s1/" and "/moderno/docs/s1/index.html" are one page: the first names
// the second.
QString pageKey(QString pathAndQuery) {
    if (pathAndQuery.endsWith('/'))
        pathAndQuery += "index.html";
    return pathAndQuery;
}

QString pageKeyOf(const QUrl& url) {
    return pageKey(url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment));
}

// The program's page files, as its report names them: one line an address (level,
// outcome, address, local file or failure, the page that named it).
QStringList programPageFiles(const QString& folder, const QSet<QString>& pages) {
    QFile report(folder + "/mirasito-copia.txt");
    QSet<QString> files;
    if (report.open(QIODevice::ReadOnly))
        for (const QByteArray& line : report.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (line.startsWith('#') || fields.size() < 4)
                continue;
            const QString file = folder + '/' + QString::fromUtf8(fields[3]);
            if (pages.contains(pageKeyOf(QUrl(QString::fromUtf8(fields[2])))) && QFileInfo(file).isFile())
                files.insert(file);
        }
    return files.values();
}

// wget -E's page files: the address's path below the folder (the host left out), its
// query after "?", ".html" added to a name that does not end so.
QStringList wgetPageFiles(const QString& folder, const QSet<QString>& pages) {
    QSet<QString> files;
    for (const QString& key : pages) {
        QString file = folder + key;
        if (!file.endsWith(".html") && !file.endsWith(".htm"))
            file += ".html";
        if (QFileInfo(file).isFile())
            files.insert(file);
    }
    return files.values();
}

} // namespace

ReadingOffline copyToReadOffline(HttpServer& server, const ModernSite& site, const QString& work) {
    const QString level = QString::number(ModernSite::depth());
    const QString start = server.url(ModernSite::start());
    const Copier program{"mirasito", MIRASITO_EXE, {"--livello", level, "--completa", "--nascosto"}, "Mirasito",
                         work + "/mirasito"};
    const Copier wget{"wget", "wget", {"-r", "-np", "-p", "-k", "-E", "-l", level, "-nH", "-q"}, "Wget/", work + "/wget"};
    ReadingOffline r;
    // One copy takes a few tenths of a second, and the disk's writing back of the copy
    // before moves it by as much: each is made kTimingRounds times, in turns, the one
    // that goes first changing each round, from an empty folder; the median is its time.
    std::vector<double> programSeconds, wgetSeconds;
    for (int round = 0; round < kTimingRounds; ++round) {
        QDir(program.folder).removeRecursively();
        QDir(wget.folder).removeRecursively();
        for (int turn = 0; turn < 2; ++turn) {
            if ((round + turn) % 2 == 0) {
                r.program.run = runCopier(program, {}, server, start);
                programSeconds.push_back(r.program.run.seconds);
                r.program.rounds << QString::number(r.program.run.seconds, 'f', 2);
            } else {
                r.wget.run = runCopier(wget, {}, server, start);
                wgetSeconds.push_back(r.wget.run.seconds);
                r.wget.rounds << QString::number(r.wget.run.seconds, 'f', 2);
            }
        }
    }
    r.program.run.seconds = median(programSeconds);
    r.wget.run.seconds = median(wgetSeconds);

    QSet<QString> pages;
    const QMap<QString, ModernSite::File> served = site.files(server.hostPort());
    for (auto it = served.begin(); it != served.end(); ++it)
        if (it->type.startsWith("text/html") && !it.key().startsWith("/moderno/docs/privato/"))
            pages.insert(pageKey(it.key()));
    r.sitePages = int(pages.size());
    r.program.pageFiles = programPageFiles(program.folder, pages);
    r.wget.pageFiles = wgetPageFiles(wget.folder, pages);
    r.program.pageFiles.sort();
    r.wget.pageFiles.sort();
    return r;
}

void readCopiesOffline(ReadingOffline& r, const QString& siteHost) {
    r.program.reading = readOffline(r.program.pageFiles, siteHost);
    r.wget.reading = readOffline(r.wget.pageFiles, siteHost);
}
