#include "bench/LargeFileRows.h"
#include "tests/support/HttpServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

const QString kPage = QStringLiteral("/grande/index.html");
const QString kFile = QStringLiteral("/grande/archivio.bin");

QByteArray servedHash(qint64 size) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    constexpr qint64 part = 4 * 1024 * 1024;
    for (qint64 at = 0; at < size; at += part)
        hash.addData(HttpServer::generatedBytes(at, qMin(part, size - at)));
    return hash.result();
}

// Reads the file a part at a time: a whole copy of it in memory would be 400 MB.
QByteArray fileHash(const QString& path) {
    QFile f(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!f.open(QIODevice::ReadOnly) || !hash.addData(&f))
        return {};
    return hash.result();
}

// The local file the program's report gives for the address.
QString reportedFile(const QString& folder, const QString& address) {
    QFile report(folder + "/mirasito-copia.txt");
    if (report.open(QIODevice::ReadOnly))
        for (const QByteArray& line : report.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (!line.startsWith('#') && fields.size() >= 4 && QString::fromUtf8(fields[2]) == address)
                return folder + '/' + QString::fromUtf8(fields[3]);
        }
    return {};
}

void check(LargeFile::Copy& copy, const QString& path, qint64 size, const QByteArray& hash) {
    const QFileInfo info(path);
    copy.sizeOnDisk = !path.isEmpty() && info.isFile() ? info.size() : -1;
    copy.whole = copy.sizeOnDisk == size && fileHash(path) == hash;
    if (info.isFile())
        QFile::remove(path);  // 400 MB a copy: not left for the rest of the run
}

} // namespace

QString serveLargeFile(HttpServer& server, qint64 size) {
    server.setPage(kPage, "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\"><title>Archivio</title></head>\n"
                          "<body><p><a href=\"archivio.bin\">L'archivio intero</a> (400 MB)</p></body></html>\n",
                   "text/html; charset=utf-8");
    server.setGeneratedPage(kFile, size, "application/octet-stream");
    server.setValidators(kFile, "Mon, 07 Dec 2026 10:00:00 GMT", "\"archivio-1\"");
    return server.url(kPage);
}

LargeFile largeFileRows(HttpServer& server, const QString& work, qint64 size) {
    const QString start = serveLargeFile(server, size);
    const QByteArray hash = servedHash(size);

    LargeFile r;
    r.size = size;
    const Copier program{"mirasito", MIRASITO_EXE, {"--livello", "1", "--completa", "--nascosto"}, "Mirasito",
                         work + "/mirasito"};
    const Copier wget{"wget", "wget", {"-r", "-np", "-l", "1", "-nH", "-q"}, "Wget/", work + "/wget"};
    r.program.run = runCopier(program, {}, server, start);
    check(r.program, reportedFile(program.folder, server.url(kFile)), size, hash);
    r.wget.run = runCopier(wget, {}, server, start);
    check(r.wget, wget.folder + kFile, size, hash);
    return r;
}
