// The settings step: the port conversion and what reaches the transfers.
#include "net/ImpostaInternet.h"
#include "net/Inet.h"
#include "net/ScaricaFile.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/HttpServer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

// A half goes to the even neighbour; a refused port fails with 13 after the other
// settings were applied, and nothing is fetched or written.
TEST(ImpostaInternet, PortTextsConvertedOrRefusedBeforeAnyFetch) {
    const struct { const char* text; std::optional<int> port; } cases[] = {  // port empty: refused
        {"8080", 8080}, {" 80 ", 80}, {"8080.5", 8080}, {"8081.5", 8082}, {"8080.51", 8081}, {"-2.5", -2},
        {".7", 1},      {"+21", 21},  {"32767", 32767}, {"-32768", -32768}, {"abc", {}},    {"40000", {}},
        {"-32769", {}}, {"32767.5", {}}, {"8o80", {}},  {"80 80", {}},    {"1e3", {}},      {"12,5", {}}};
    HttpServer server;
    server.setPage("/p.htm", "p");
    QTemporaryDir dir;
    int fetched = 0;
    for (const auto& c : cases) {
        Inet inet;
        inet.RemotePort = 1234;
        const QString target = dir.filePath(QStringLiteral("%1.htm").arg(fetched));
        const InternetSettings boxes{" mario ", " pw ", "", QString::fromLatin1(c.text)};
        EXPECT_EQ(outcomeOf([&] { Scarica_File_2(inet, boxes, server.url("/p.htm"), target); }),
                  c.port ? Outcome() : Outcome(13, "Porta non valida")) << c.text;
        EXPECT_EQ(std::pair(inet.UserName, inet.Password), std::pair(QStringLiteral("mario"), QStringLiteral("pw")));
        EXPECT_EQ(inet.RemotePort, c.port.value_or(1234)) << c.text;
        EXPECT_EQ(readFile(target), c.port ? QByteArray("p") : QByteArray("<not readable>")) << c.text;
        fetched += c.port ? 1 : 0;
    }
    EXPECT_EQ(server.requests().size(), fetched);
}

TEST(ImpostaInternet, EmptyPortBoxKeepsThePortAndEmptyLoginClearsTheUser) {
    HttpServer server(true);
    server.setProtected("/r.htm", "mario", "segreta", "riservata");
    Inet inet;
    IMPOSTA_INTERNET(inet, {"mario", "segreta", "", QString::number(server.port())});
    EXPECT_EQ(inet.OpenURL("http://127.0.0.1/r.htm", 1), QByteArray("riservata"));
    inet.Cancel();  // as the open-page command does before its settings step
    IMPOSTA_INTERNET(inet, {"", "segreta", "", ""});
    // The server is reached on the kept port, without the user.
    EXPECT_EQ(outcomeOf([&] { inet.OpenURL("http://127.0.0.1/r.htm", 1); }), Outcome(401, "Unauthorized"));
    EXPECT_TRUE(server.requests().last().header("Authorization").isEmpty());
}
