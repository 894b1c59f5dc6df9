// The download to a file: bytes unchanged, the old file replaced whole, failures that
// leave the folder as it was.
#include "fs/ErrorCodes.h"
#include "net/Inet.h"
#include "net/ScaricaFile.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<not readable>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList folderEntries(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// The program writes paths with "\" between folders.
QString programPath(QString nativePath) {
    return nativePath.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

// Bytes that look like a picture: a GIF header, then every byte value many times.
QByteArray imageLike() {
    QByteArray bytes("GIF89a\x10\x00\x10\x00\x80\x00\x00", 13);
    for (int r = 0; r < 300; ++r)
        for (int b = 0; b < 256; ++b)
            bytes += char((b * 7 + r) & 0xFF);
    return bytes;
}

const InternetSettings noSettings{"", "", "", ""};

} // namespace

TEST(ScaricaFile, StoresTheBytesUnchanged) {
    struct Case {
        const char* name;
        QByteArray body;
        QByteArray type;
    };
    const Case cases[] = {
        {"foto.gif", imageLike(), "image/gif"},
        {"pagina.htm", "<html>\r\n<body>\r\n\r\nriga\r\n\x00 nul\r\n</body>\r\n</html>\r\n", "text/html"},
    };
    HttpServer server;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Inet inet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = QStringLiteral("/") + c.name;
        server.setPage(path, c.body, c.type);
        Scarica_File_2(inet, noSettings, server.url(path), programPath(dir.filePath(c.name)));
        const QByteArray written = readAll(dir.filePath(c.name));
        EXPECT_EQ(written.size(), c.body.size());
        EXPECT_TRUE(written == c.body);
    }
    EXPECT_EQ(folderEntries(dir.path()), QStringList({"foto.gif", "pagina.htm"}));
}

TEST(ScaricaFile, LongerOldFileIsReplacedWhole) {
    HttpServer server;
    server.setPage("/corta.htm", "corta");
    QTemporaryDir dir;
    const QString target = dir.filePath("corta.htm");
    writeFile(target, QByteArray(10000, 'x'));
    Inet inet;
    Scarica_File_2(inet, noSettings, server.url("/corta.htm"), target);
    EXPECT_EQ(readAll(target), QByteArray("corta"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList({"corta.htm"}));
}

TEST(ScaricaFile, FailedTransferLeavesTheOldFileAndNoTemporaryFile) {
    HttpServer server;
    server.setStatus("/sparita.htm", 404, "Not Found", "<html>errore</html>");
    server.setStall("/ferma.htm", HttpServer::Stall::AfterHeaders, 8000);
    QTemporaryDir dir;
    Inet inet({2, 1});
    struct Case {
        const char* path;
        int number;
    };
    const Case cases[] = {{"/sparita.htm", 404}, {"/ferma.htm", ErrorCodes::TempoScaduto}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const QString target = dir.filePath(QString::fromLatin1(c.path).mid(1));
        writeFile(target, "vecchio contenuto");
        const auto failure = failureOf([&] { Scarica_File_2(inet, noSettings, server.url(c.path), target); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, c.number);
        EXPECT_EQ(readAll(target), QByteArray("vecchio contenuto"));
    }
    EXPECT_EQ(folderEntries(dir.path()), QStringList({"ferma.htm", "sparita.htm"}));
}

TEST(ScaricaFile, FileFailuresCarryFileNumbers) {
    HttpServer server;
    server.setPage("/pagina.htm", "pagina");
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("cartella"));
    struct Case {
        QString target;
        int number;
    };
    const Case cases[] = {
        {programPath(dir.filePath("manca/pagina.htm")), ErrorCodes::PercorsoNonTrovato},
        {programPath(dir.filePath("manca/anche/pagina.htm")), ErrorCodes::PercorsoNonTrovato},
        {programPath(dir.filePath("cartella")), ErrorCodes::ErroreAccessoFile},
        {QString(), ErrorCodes::ErroreAccessoFile},
    };
    Inet inet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const auto failure = failureOf([&] { Scarica_File_2(inet, noSettings, server.url("/pagina.htm"), c.target); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, c.number);
        EXPECT_EQ(failure->Description, ErrorCodes::descrizione(c.number));
    }
    // No folder was created, and nothing was left in the folder that exists.
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("manca")));
    EXPECT_EQ(folderEntries(dir.path()), QStringList({"cartella"}));
    EXPECT_TRUE(folderEntries(dir.filePath("cartella")).isEmpty());
}

TEST(ScaricaFile, DownloadAfterOpeningTheSameAddressFetchesOnce) {
    HttpServer server;
    server.setPage("/foto.jpg", imageLike(), "image/jpeg");
    QTemporaryDir dir;
    Inet inet;
    const QString address = server.url("/foto.jpg");
    inet.Cancel();
    const QByteArray opened = inet.OpenURL(address, 1);
    Scarica_File_2(inet, noSettings, address, dir.filePath("foto.jpg"));
    EXPECT_TRUE(readAll(dir.filePath("foto.jpg")) == opened);
    EXPECT_EQ(server.requestCount("/foto.jpg"), 1);
}
