// The transfer component against a loopback HTTP server and the disk.
#include "fs/ErrorCodes.h"
#include "net/Inet.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/HttpServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <curl/curl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A loopback listener that never accepts: connections fill its queue until a new one
// waits in vain for the answer to its first packet. address is empty when none waited.
struct FullListener {
    QTcpServer listener;
    std::vector<std::unique_ptr<QTcpSocket>> queued;
    QString address;
    FullListener() {
        listener.setListenBacklogSize(0);
        if (!listener.listen(QHostAddress::LocalHost))
            return;
        listener.pauseAccepting();
        for (int i = 0; i < 64; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, listener.serverPort());
            if (!socket->waitForConnected(500)) {
                address = QStringLiteral("http://127.0.0.1:%1/pagina.htm").arg(listener.serverPort());
                return;
            }
            queued.push_back(std::move(socket));
        }
    }
};

} // namespace

TEST(Inet, ReturnsExactlyTheBytesServed) {
    const QByteArray pages[] = {everyByte(4000), "<html>\r\n<body>\r\nriga\rsola\nLF\r\n</body></html>\r\n", ""};
    HttpServer server;
    Inet inet;
    for (int i = 0; i < 3; ++i) {
        const QString path = QStringLiteral("/p%1.htm").arg(i);
        server.setPage(path, pages[i], i ? "text/html" : "image/jpeg");
        EXPECT_TRUE(inet.OpenURL(server.url(path), 1) == pages[i]) << i;
        EXPECT_EQ(inet.URL(), server.url(path));
    }
}

TEST(Inet, HttpStatusAndReasonBecomeNumberAndDescription) {
    HttpServer server;
    server.setStatus("/e404.htm", 404, "Not Found", "<html>pagina di errore</html>");
    server.setStatus("/e410.htm", 410, "");
    server.setStatus("/e400.htm", 400, "Bad Request");
    const struct { const char* path; int number; QString description; } cases[] = {
        {"/e404.htm", 404, "Not Found"}, {"/e410.htm", 410, ErrorCodes::descrizioneHttpSenzaMotivo()},  // no reason
        {"/e400.htm", 400, "Bad Request"}};  // the first failing status
    Inet inet;
    for (const auto& c : cases) {
        QByteArray got = "unchanged";
        EXPECT_EQ(outcomeOf([&] { got = inet.OpenURL(server.url(c.path), 1); }), Outcome(c.number, c.description));
        EXPECT_EQ(got, QByteArray("unchanged"));
    }
}

TEST(Inet, RedirectsFollowedUpToTenAndUrlIsTheFinalAddress) {
    HttpServer server;
    server.setPage("/nuova/pagina.htm", "arrivato");
    server.setRedirect("/relativo.htm", "/nuova/pagina.htm");
    server.setRedirect("/assoluto.htm", server.url("/relativo.htm").toLatin1());
    // /r1 -> /r2 -> ... -> /r11 -> /nuova/pagina.htm: ten redirects from /r2, eleven from /r1.
    for (int i = 1; i <= 11; ++i)
        server.setRedirect("/r" + QString::number(i), i == 11 ? "/nuova/pagina.htm" : "/r" + QByteArray::number(i + 1));
    server.setRedirect("/giro", "/giro");
    Inet inet;
    for (const char* start : {"/relativo.htm", "/assoluto.htm", "/r2"}) {
        EXPECT_EQ(inet.OpenURL(server.url(start), 1), QByteArray("arrivato")) << start;
        EXPECT_EQ(inet.URL(), server.url("/nuova/pagina.htm")) << start;
    }
    for (const char* start : {"/r1", "/giro"})
        EXPECT_EQ(outcomeOf([&] { inet.OpenURL(server.url(start), 1); }), failed(ErrorCodes::TroppiReindirizzamenti));
}

TEST(Inet, UserAndPasswordAcceptedOrRefused) {
    HttpServer server;
    server.setProtected("/riservata.htm", "mario", "segreta", "contenuto riservato");
    const struct { const char *user, *password; bool accepted; } cases[] = {
        {"mario", "segreta", true}, {"mario", "sbagliata", false}, {"luigi", "segreta", false}, {"", "", false}};
    for (const auto& c : cases) {
        Inet inet;
        inet.UserName = c.user;
        inet.Password = c.password;
        QByteArray got;
        EXPECT_EQ(outcomeOf([&] { got = inet.OpenURL(server.url("/riservata.htm"), 1); }),
                  c.accepted ? Outcome() : Outcome(401, "Unauthorized")) << c.user << "/" << c.password;
        EXPECT_EQ(got, c.accepted ? QByteArray("contenuto riservato") : QByteArray());
    }
}

// RemotePort is the proxy's port when the proxy names none, else the port of an
// address that names none. A blank in the path is sent as %20.
TEST(Inet, RequestLineCarriesProxyPortAndEncodedPath) {
    HttpServer server(true);
    server.setPage("/pagina.htm", "pagina");
    server.setPage("/mia%20pagina.htm", "pagina");
    const auto port = qint16(server.port());
    const QString remote = QStringLiteral("http://www.esempio.invalid/pagina.htm");
    const struct { QString proxy; qint16 remotePort; QString address; QByteArray line; } cases[] = {
        {server.hostPort(), 0, remote, "GET http://www.esempio.invalid/pagina.htm HTTP/1.1"},
        {"127.0.0.1", port, remote, "GET http://www.esempio.invalid/pagina.htm HTTP/1.1"},
        {server.hostPort(), 8081, remote, "GET http://www.esempio.invalid:8081/pagina.htm HTTP/1.1"},
        {"", port, "http://127.0.0.1/pagina.htm", "GET /pagina.htm HTTP/1.1"},
        {"", 1, server.url("/pagina.htm"), "GET /pagina.htm HTTP/1.1"},
        {"", 0, server.url("/mia pagina.htm"), "GET /mia%20pagina.htm HTTP/1.1"},
        {server.hostPort(), 0, "http://www.esempio.invalid/mia pagina.htm",
         "GET http://www.esempio.invalid/mia%20pagina.htm HTTP/1.1"},
    };
    for (const auto& c : cases) {
        Inet inet;
        inet.Proxy = c.proxy;
        inet.RemotePort = c.remotePort;
        EXPECT_EQ(inet.OpenURL(c.address, 1), QByteArray("pagina")) << c.line.constData();
        EXPECT_EQ(inet.URL(), c.address);
        EXPECT_EQ(server.requests().last().line, c.line);
    }
}

// A server that never accepts the connection fails after the connect limit, a stalled
// transfer after the stall time (1 s each here); Cancel from the window (a timer
// 300 ms in) stops one at once.
TEST(Inet, UnansweredConnectOrStallFailsInTimeAndCancelStopsAtOnce) {
    HttpServer server;
    server.setStall("/muto.htm", HttpServer::Stall::Silent, 8000);
    server.setStall("/lento.htm", HttpServer::Stall::AfterHeaders, 8000);
    FullListener full;
    ASSERT_FALSE(full.address.isEmpty()) << "the loopback listener took every connection";
    const struct { QString address; Inet::Timeouts timeouts; bool cancel; int number; qint64 minMs, maxMs; } cases[] = {
        {full.address, {1, 60}, false, ErrorCodes::TempoScaduto, 900, 4000},
        {server.url("/muto.htm"), {2, 1}, false, ErrorCodes::TempoScaduto, 900, 4000},
        {server.url("/lento.htm"), {2, 1}, false, ErrorCodes::TempoScaduto, 900, 4000},
        {server.url("/lento.htm"), {}, true, ErrorCodes::OperazioneAnnullata, 250, 900}};
    for (const auto& c : cases) {
        Inet inet(c.timeouts);
        if (c.cancel) QTimer::singleShot(300, [&] { inet.Cancel(); });
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(outcomeOf([&] { inet.OpenURL(c.address, 1); }), failed(c.number)) << c.address.toStdString();
        EXPECT_GE(clock.elapsed(), c.minMs) << c.address.toStdString();
        EXPECT_LT(clock.elapsed(), c.maxMs) << c.address.toStdString();
    }
}

// Failures before any answer: nothing listening on the port, a certificate that no
// authority vouches for.
TEST(Inet, ConnectionFailuresGiveTheirNumberAndDescription) {
    HttpServer tls(HttpServer::Scheme::Https);
    tls.setPage("/pagina.htm", "pagina");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/pagina.htm").arg(closed.serverPort());
    closed.close();
    const struct { QString address; int number; } cases[] = {
        {tls.url("/pagina.htm"), ErrorCodes::CertificatoNonValido},
        {refused, ErrorCodes::ConnessioneRifiutata}};
    Inet inet;
    for (const auto& c : cases) {
        QByteArray got = "unchanged";
        EXPECT_EQ(outcomeOf([&] { got = inet.OpenURL(c.address, 1); }), failed(c.number)) << c.address.toStdString();
        EXPECT_EQ(got, QByteArray("unchanged"));
    }
    EXPECT_TRUE(tls.requests().isEmpty());
}

TEST(Inet, FileAddressesReadTheDisk) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("pagina.htm"), everyByte(2)));
    const struct { QString address; int number; } cases[] = {  // number 0: the page is read
        {"file://" + dir.filePath("pagina.htm"), 0},
        {"file://" + programPath(dir.filePath("pagina.htm")), 0},
        {"file://" + dir.filePath("manca.htm"), ErrorCodes::FileNonTrovato}};
    Inet inet;
    for (const auto& c : cases) {
        QByteArray got;
        EXPECT_EQ(outcomeOf([&] { got = inet.OpenURL(c.address, 1); }),
                  c.number ? failed(c.number) : Outcome()) << c.address.toStdString();
        EXPECT_TRUE(got == (c.number ? QByteArray() : everyByte(2)));
        EXPECT_EQ(inet.URL(), c.address);
    }
}

// The address just fetched is served once more without a request, unless anything
// happened in between or a setting changed.
TEST(Inet, OneShotCache) {
    const struct { const char* between; std::function<void(Inet&, HttpServer&)> run; int requests; } cases[] = {
        {"nothing", [](Inet&, HttpServer&) {}, 1},
        {"another address", [](Inet& i, HttpServer& s) { i.OpenURL(s.url("/b.htm"), 1); }, 2},
        {"a failed transfer", [](Inet& i, HttpServer& s) { outcomeOf([&] { i.OpenURL(s.url("/no.htm"), 1); }); }, 2},
        {"Cancel", [](Inet& i, HttpServer&) { i.Cancel(); }, 2},
        {"a new user name", [](Inet& i, HttpServer&) { i.UserName = "mario"; }, 2},
        {"a new password", [](Inet& i, HttpServer&) { i.Password = "segreta"; }, 2},
        {"a proxy", [](Inet& i, HttpServer& s) { i.Proxy = s.hostPort(); }, 2},
        {"a port (the address names its own)", [](Inet& i, HttpServer&) { i.RemotePort = 8080; }, 2}};
    for (const auto& c : cases) {
        HttpServer server;
        server.setPage("/a.htm", "pagina a");
        server.setPage("/b.htm", "pagina b");
        Inet inet;
        EXPECT_EQ(inet.OpenURL(server.url("/a.htm"), 1), QByteArray("pagina a"));
        c.run(inet, server);
        EXPECT_EQ(inet.OpenURL(server.url("/a.htm"), 1), QByteArray("pagina a"));
        EXPECT_EQ(server.requestCount("/a.htm"), c.requests) << c.between;
        EXPECT_EQ(inet.OpenURL(server.url("/a.htm"), 1), QByteArray("pagina a"));
        EXPECT_EQ(server.requestCount("/a.htm"), 2) << c.between;  // used once only
    }
}

// A site copy's request: no redirect followed, every status back with its headers,
// request headers sent, the same connection kept; only a failed transfer raises.
TEST(Inet, FetchGivesBackEveryAnswerAndItsHeaders) {
    HttpServer server;
    server.setPage("/a.html", "<html>a</html>", "text/html; charset=utf-8");
    server.setValidators("/a.html", "Wed, 21 Oct 2015 07:28:00 GMT", "\"v1\"");
    server.setRedirect("/old.html", "/a.html");
    server.setStatus("/none.html", 404, "Not Found", "<html>no</html>");
    Inet inet;
    const Inet::Response page = inet.Fetch(server.url("/a.html"), {{"X-Prova", "1"}});
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.body, "<html>a</html>");
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_EQ(page.lastModified, "Wed, 21 Oct 2015 07:28:00 GMT");
    EXPECT_EQ(page.etag, "\"v1\"");
    EXPECT_EQ(server.requests().last().header("X-Prova"), "1");

    const Inet::Response moved = inet.Fetch(server.url("/old.html"));
    EXPECT_EQ(moved.status, 302);
    EXPECT_EQ(moved.location, "/a.html");
    EXPECT_EQ(server.requestCount("/a.html"), 1);

    const Inet::Response missing = inet.Fetch(server.url("/none.html"));
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.reason, "Not Found");
    EXPECT_EQ(missing.body, "<html>no</html>");

    const Inet::Response unchanged = inet.Fetch(server.url("/a.html"), {{"If-None-Match", "\"v1\""}});
    EXPECT_EQ(unchanged.status, 304);
    EXPECT_TRUE(unchanged.body.isEmpty());
    EXPECT_EQ(server.bodiesSent(), 1);  // a file's: the redirect's, the 404's and the 304's do not count
    // One connection for the whole run.
    EXPECT_EQ(server.requests().size(), 4);

    EXPECT_EQ(outcomeOf([&] { inet.Fetch("http://127.0.0.1:1/x.html"); }), failed(ErrorCodes::ConnessioneRifiutata));
}

// A handle of someone else's, given the component's settings, asks as Fetch would: the
// proxy and port rules, the encoded path, the login, and no redirect followed.
TEST(Inet, ConfigureTransferGivesAnotherHandleTheSettings) {
    HttpServer server(true);
    server.setRedirect("/vecchia.htm", "/pagina.htm");
    server.setPage("/pagina.htm", "pagina");
    server.setProtected("/riservata.htm", "mario", "segreta", "riservata");
    const auto port = qint16(server.port());
    const struct {
        QString proxy; qint16 remotePort; const char* user; QString address; QByteArray line; long status;
    } cases[] = {
        {server.hostPort(), 0, "", "http://www.esempio.invalid/vecchia.htm",
         "GET http://www.esempio.invalid/vecchia.htm HTTP/1.1", 302},
        {"127.0.0.1", port, "", "http://www.esempio.invalid/mia pagina.htm",
         "GET http://www.esempio.invalid/mia%20pagina.htm HTTP/1.1", 404},
        {"", port, "", "http://127.0.0.1/pagina.htm", "GET /pagina.htm HTTP/1.1", 200},
        {"", 0, "mario", server.url("/riservata.htm"), "GET /riservata.htm HTTP/1.1", 200},
        {"", 0, "", server.url("/riservata.htm"), "GET /riservata.htm HTTP/1.1", 401},
    };
    for (const auto& c : cases) {
        Inet inet;
        inet.Proxy = c.proxy;
        inet.RemotePort = c.remotePort;
        inet.UserName = c.user;
        inet.Password = "segreta";
        CURL* h = curl_easy_init();
        ASSERT_NE(h, nullptr);
        inet.configureTransfer(h, c.address);
        QByteArray body;
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* user) {
            static_cast<QByteArray*>(user)->append(data, qsizetype(size * count));
            return size * count;
        });
        EXPECT_EQ(curl_easy_perform(h), CURLE_OK) << c.line.constData();
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_cleanup(h);
        EXPECT_EQ(status, c.status) << c.line.constData();
        EXPECT_EQ(server.requests().last().line, c.line);
        if (c.status == 200)
            EXPECT_EQ(body, c.user[0] ? QByteArray("riservata") : QByteArray("pagina"));
    }
    EXPECT_EQ(server.requestCount("/pagina.htm"), 1);  // the redirect was not followed
}
