// The settings step: what reaches the component, the port conversion, and its effect
// on transfers to a loopback server.
#include "fs/ErrorCodes.h"
#include "net/ImpostaInternet.h"
#include "net/Inet.h"
#include "net/ScaricaFile.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ImpostaInternet, PortTextConvertedWithHalvesToEven) {
    struct Case {
        const char* text;
        qint16 port;
    };
    const Case cases[] = {
        {"8080", 8080},     {" 80 ", 80},       {"8080.5", 8080},   {"8081.5", 8082},
        {"8080.49", 8080},  {"8080.51", 8081},  {"8080.500", 8080}, {"8080.5001", 8081},
        {"+21", 21},        {"-1", -1},         {"0.5", 0},         {"1.5", 2},
        {"-2.5", -2},       {"-3.5", -4},       {".7", 1},          {"7.", 7},
        {"007", 7},         {"32767", 32767},   {"-32768", -32768}, {"32767.4", 32767},
        {"-32768.5", -32768}, {"0000000000443", 443},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Inet inet;
        inet.RemotePort = 1234;
        const auto failure = failureOf([&] { IMPOSTA_INTERNET(inet, {"", "", "", QString::fromLatin1(c.text)}); });
        EXPECT_FALSE(failure);
        EXPECT_EQ(inet.RemotePort, c.port);
    }
}

TEST(ImpostaInternet, BadPortFailsAfterTheOtherThreeSettings) {
    const char* bad[] = {"abc", "40000", "-32769", "32767.5", "8o80", "80 80", "1e3", "+", ".", "--1",
                         "12,5", "99999999999999999999", "\t80"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        Inet inet;
        inet.RemotePort = 1234;
        const auto failure =
            failureOf([&] { IMPOSTA_INTERNET(inet, {" utente ", " parola ", " proxy:3128 ", QString::fromLatin1(text)}); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, ErrorCodes::PortaNonValida);
        EXPECT_EQ(failure->Description, QStringLiteral("Porta non valida"));
        EXPECT_EQ(inet.UserName, QStringLiteral("utente"));
        EXPECT_EQ(inet.Password, QStringLiteral("parola"));
        EXPECT_EQ(inet.Proxy, QStringLiteral("proxy:3128"));
        EXPECT_EQ(inet.RemotePort, 1234);
    }
}

TEST(ImpostaInternet, TextsTrimmedOfBlanksAndEmptyOnesPassedOn) {
    Inet inet;
    IMPOSTA_INTERNET(inet, {"  mario rossi  ", " pa ss ", "  ", "   "});
    EXPECT_EQ(inet.UserName, QStringLiteral("mario rossi"));
    EXPECT_EQ(inet.Password, QStringLiteral("pa ss"));
    EXPECT_EQ(inet.Proxy, QString());
    EXPECT_EQ(inet.RemotePort, 0);

    IMPOSTA_INTERNET(inet, {"", "", "", ""});
    EXPECT_TRUE(inet.UserName.isEmpty());
    EXPECT_TRUE(inet.Password.isEmpty());
}

TEST(ImpostaInternetLoopback, PortAppliedAndKeptWhenTheBoxIsEmpty) {
    HttpServer server({.portBelow32768 = true});
    server.setPage("/uno.htm", "uno");
    server.setPage("/due.htm", "due");
    Inet inet;
    const QString port = QStringLiteral(" %1 ").arg(server.port());
    IMPOSTA_INTERNET(inet, {"", "", "", port});
    EXPECT_EQ(inet.OpenURL(QStringLiteral("http://127.0.0.1/uno.htm"), 1), QByteArray("uno"));

    IMPOSTA_INTERNET(inet, {"", "", "", ""});
    EXPECT_EQ(inet.RemotePort, qint16(server.port()));
    EXPECT_EQ(inet.OpenURL(QStringLiteral("http://127.0.0.1/due.htm"), 1), QByteArray("due"));
    EXPECT_EQ(server.requests().size(), 2);
}

TEST(ImpostaInternetLoopback, EmptyLoginClearsTheUserName) {
    HttpServer server;
    server.setProtected("/riservata.htm", "mario", "segreta", "riservata");
    Inet inet;
    IMPOSTA_INTERNET(inet, {"mario", "segreta", "", ""});
    EXPECT_EQ(inet.OpenURL(server.url("/riservata.htm"), 1), QByteArray("riservata"));

    inet.Cancel();  // as the open-page command does before its settings step
    IMPOSTA_INTERNET(inet, {"", "segreta", "", ""});
    EXPECT_TRUE(inet.UserName.isEmpty());
    const auto failure = failureOf([&] { inet.OpenURL(server.url("/riservata.htm"), 1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Number, 401);
    const auto last = server.requests().last();
    EXPECT_TRUE(last.header("Authorization").isEmpty());
}

TEST(ImpostaInternetLoopback, BadPortFetchesAndWritesNothing) {
    HttpServer server;
    server.setPage("/pagina.htm", "pagina");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* port : {"abc", "40000", "-32769"}) {
        SCOPED_TRACE(port);
        Inet inet;
        const QString target = dir.filePath("pagina.htm");
        const auto failure = failureOf([&] {
            Scarica_File_2(inet, {"", "", "", QString::fromLatin1(port)}, server.url("/pagina.htm"), target);
        });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, ErrorCodes::PortaNonValida);
        EXPECT_FALSE(QFile::exists(target));
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
