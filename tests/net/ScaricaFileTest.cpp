// The download to a file: bytes unchanged, the old file replaced whole, failures that
// leave the folder as it was.
#include "fs/ErrorCodes.h"
#include "net/Inet.h"
#include "net/ScaricaFile.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

static QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

TEST(ScaricaFile, StoresTheBytesUnchangedReplacingALongerFile) {
    const struct { const char* name; QByteArray body, type; } cases[] = {
        {"foto.gif", "GIF89a" + everyByte(300), "image/gif"},
        {"pagina.htm", "<html>\r\n<body>\r\n\r\nriga\r\n</body></html>\r\n", "text/html"}};
    HttpServer server;
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("pagina.htm"), QByteArray(10000, 'x')));
    Inet inet;
    for (const auto& c : cases) {
        server.setPage(QStringLiteral("/") + c.name, c.body, c.type);
        Scarica_File_2(inet, {}, server.url(QStringLiteral("/") + c.name), programPath(dir.filePath(c.name)));
        EXPECT_TRUE(readFile(dir.filePath(c.name)) == c.body) << c.name;
    }
    EXPECT_EQ(entries(dir.path()), QStringList({"foto.gif", "pagina.htm"}));
}

TEST(ScaricaFile, FailureLeavesTheOldFileNoTemporaryFileAndNoNewFolder) {
    HttpServer server;
    server.setPage("/pagina.htm", "pagina");
    server.setStatus("/sparita.htm", 404, "Not Found", "<html>errore</html>");
    server.setStall("/ferma.htm", HttpServer::Stall::AfterHeaders, 8000);
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("pagina.htm"), "vecchio"));
    const struct { const char *path, *target; Outcome outcome; } cases[] = {
        {"/sparita.htm", "pagina.htm", {404, "Not Found"}},
        {"/ferma.htm", "pagina.htm", failed(ErrorCodes::TempoScaduto)},
        {"/pagina.htm", "manca/anche/pagina.htm", failed(76)}};
    Inet inet({2, 1});
    for (const auto& c : cases) {
        const QString target = programPath(dir.filePath(c.target));
        EXPECT_EQ(outcomeOf([&] { Scarica_File_2(inet, {}, server.url(c.path), target); }), c.outcome) << c.path;
    }
    EXPECT_EQ(readFile(dir.filePath("pagina.htm")), QByteArray("vecchio"));
    EXPECT_EQ(entries(dir.path()), QStringList({"pagina.htm"}));
}
