// The transfer component against a loopback HTTP server: content, failures, redirects,
// authentication, proxy and port, time-outs, file addresses, the one-shot cache.
#include "fs/ErrorCodes.h"
#include "net/Inet.h"
#include "tests/net/NetTestSupport.h"
#include "tests/net/SelfSignedCertificate.h"
#include "tests/support/HttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray everyByte(int repeat) {
    QByteArray bytes;
    for (int r = 0; r < repeat; ++r)
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
    return bytes;
}

Inet::Timeouts quick() {
    return {2, 1};
}

} // namespace

// ---------------------------------------------------------------- content

TEST(InetContent, ReturnsExactlyTheBytesServed) {
    struct Case {
        const char* path;
        QByteArray body;
        QByteArray type;
    };
    const Case cases[] = {
        {"/all.bin", everyByte(4), "application/octet-stream"},
        {"/crlf.htm", "<html>\r\n<body>\r\nriga\rsola\nLF\r\n</body></html>\r\n", "text/html"},
        {"/empty.htm", "", "text/html"},
        {"/big.jpg", everyByte(12000), "image/jpeg"},  // 3 MB
    };
    HttpServer server;
    for (const Case& c : cases)
        server.setPage(c.path, c.body, c.type);
    Inet inet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const QString address = server.url(c.path);
        const QByteArray got = inet.OpenURL(address, 1);
        EXPECT_EQ(got.size(), c.body.size());
        EXPECT_TRUE(got == c.body);
        EXPECT_EQ(inet.URL(), address);
    }
}

TEST(InetContent, BlanksAndLettersOutsideAsciiAreSentEncoded) {
    HttpServer server;
    server.setPage("/una%20pagina%C3%A8.htm", "ok");
    Inet inet;
    EXPECT_EQ(inet.OpenURL(server.url(QStringLiteral("/una paginaè.htm")), 1), QByteArray("ok"));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].line, QByteArray("GET /una%20pagina%C3%A8.htm HTTP/1.1"));
}

TEST(InetContent, ConnectionIsKeptAliveBetweenTransfers) {
    HttpServer server;
    server.setPage("/a.htm", "a");
    server.setPage("/b.htm", "b");
    Inet inet;
    EXPECT_EQ(inet.OpenURL(server.url("/a.htm"), 1), QByteArray("a"));
    EXPECT_EQ(inet.OpenURL(server.url("/b.htm"), 1), QByteArray("b"));
    EXPECT_EQ(inet.OpenURL(server.url("/a.htm?x=1"), 1), QByteArray("a"));
    EXPECT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.connectionCount(), 1);
}

// ---------------------------------------------------------------- HTTP failures

TEST(InetHttpFailure, StatusAndReasonPhraseBecomeNumberAndDescription) {
    struct Case {
        int status;
        QByteArray reason;
        QString description;
    };
    const Case cases[] = {
        {404, "Not Found", "Not Found"},
        {403, "Forbidden", "Forbidden"},
        {500, "Internal Server Error", "Internal Server Error"},
        {410, "", ErrorCodes::descrizioneHttpSenzaMotivo()},
    };
    HttpServer server;
    Inet inet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const QString path = QStringLiteral("/e%1.htm").arg(c.status);
        server.setStatus(path, c.status, c.reason, "<html>pagina di errore del server</html>");
        QByteArray got = "unchanged";
        const auto failure = failureOf([&] { got = inet.OpenURL(server.url(path), 1); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, c.status);
        EXPECT_EQ(failure->Description, c.description);
        EXPECT_EQ(got, QByteArray("unchanged"));
    }
}

TEST(InetHttpFailure, PathWithoutRouteIs404NotFound) {
    HttpServer server;
    Inet inet;
    const auto failure = failureOf([&] { inet.OpenURL(server.url("/manca.htm"), 1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Number, 404);
    EXPECT_EQ(failure->Description, QStringLiteral("Not Found"));
}

// ---------------------------------------------------------------- redirects

TEST(InetRedirect, FollowedAndUrlIsTheFinalAddress) {
    HttpServer server;
    server.setPage("/nuova/pagina.htm", "arrivato");
    server.setRedirect("/relativo.htm", "/nuova/pagina.htm");
    server.setRedirect("/assoluto.htm", server.url("/relativo.htm").toLatin1(), 301);
    Inet inet;
    for (const char* start : {"/relativo.htm", "/assoluto.htm"}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(inet.OpenURL(server.url(start), 1), QByteArray("arrivato"));
        EXPECT_EQ(inet.URL(), server.url("/nuova/pagina.htm"));
    }
}

TEST(InetRedirect, AtMostTenRedirectsAndLoopsFail) {
    HttpServer server;
    server.setPage("/fine.htm", "fine");
    // /r1 -> /r2 -> ... -> /r11 -> /fine.htm: from /r2 ten redirects, from /r1 eleven.
    for (int i = 1; i <= 11; ++i)
        server.setRedirect(QStringLiteral("/r%1").arg(i),
                           i == 11 ? QByteArray("/fine.htm") : "/r" + QByteArray::number(i + 1));
    server.setRedirect("/giro-a", "/giro-b");
    server.setRedirect("/giro-b", "/giro-a");
    Inet inet;
    EXPECT_EQ(inet.OpenURL(server.url("/r2"), 1), QByteArray("fine"));
    for (const char* start : {"/r1", "/giro-a"}) {
        SCOPED_TRACE(start);
        const auto failure = failureOf([&] { inet.OpenURL(server.url(start), 1); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, ErrorCodes::TroppiReindirizzamenti);
        EXPECT_EQ(failure->Description, ErrorCodes::descrizione(ErrorCodes::TroppiReindirizzamenti));
    }
}

TEST(InetRedirect, RedirectToMissingPageFailsWithItsStatus) {
    HttpServer server;
    server.setRedirect("/vecchia.htm", "/sparita.htm");
    Inet inet;
    const auto failure = failureOf([&] { inet.OpenURL(server.url("/vecchia.htm"), 1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Number, 404);
}

// ---------------------------------------------------------------- authentication

TEST(InetAuth, UserAndPasswordAcceptedOrRefused) {
    struct Case {
        const char* user;
        const char* password;
        int expectedNumber;  // 0: content returned
    };
    const Case cases[] = {
        {"mario", "segreta", 0},
        {"mario", "sbagliata", 401},
        {"luigi", "segreta", 401},
        {"", "", 401},
    };
    HttpServer server;
    server.setProtected("/riservata.htm", "mario", "segreta", "contenuto riservato");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        Inet inet;
        inet.UserName = c.user;
        inet.Password = c.password;
        QByteArray got;
        const auto failure = failureOf([&] { got = inet.OpenURL(server.url("/riservata.htm"), 1); });
        if (c.expectedNumber == 0) {
            EXPECT_FALSE(failure);
            EXPECT_EQ(got, QByteArray("contenuto riservato"));
        } else {
            ASSERT_TRUE(failure);
            EXPECT_EQ(failure->Number, c.expectedNumber);
            EXPECT_EQ(failure->Description, QStringLiteral("Unauthorized"));
        }
    }
}

// ---------------------------------------------------------------- proxy and port

TEST(InetProxy, ProxyReceivesTheAbsoluteAddress) {
    HttpServer proxy({.portBelow32768 = true});
    proxy.setPage("/pagina.htm", "dal proxy");
    struct Case {
        QString proxyText;
        qint16 remotePort;
        QByteArray expectedLine;
    };
    const auto proxyPort = qint16(proxy.port());
    const Case cases[] = {
        // the proxy names its port
        {proxy.hostPort(), 0, "GET http://www.esempio.invalid/pagina.htm HTTP/1.1"},
        // the proxy names no port: the port setting is the proxy's
        {QStringLiteral("127.0.0.1"), proxyPort, "GET http://www.esempio.invalid/pagina.htm HTTP/1.1"},
        // the proxy names its port: the port setting is the address's
        {proxy.hostPort(), 8081, "GET http://www.esempio.invalid:8081/pagina.htm HTTP/1.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedLine.toStdString() + " via " + c.proxyText.toStdString());
        proxy.clearRequests();
        Inet inet;
        inet.Proxy = c.proxyText;
        inet.RemotePort = c.remotePort;
        EXPECT_EQ(inet.OpenURL(QStringLiteral("http://www.esempio.invalid/pagina.htm"), 1), QByteArray("dal proxy"));
        ASSERT_EQ(proxy.requests().size(), 1);
        EXPECT_EQ(proxy.requests()[0].line, c.expectedLine);
    }
}

TEST(InetProxy, ProxyEnvironmentIsIgnored) {
    HttpServer server;
    server.setPage("/diretto.htm", "diretto");
    server.setPage("/pagina.htm", "dal proxy");
    const QByteArray savedProxy = qgetenv("http_proxy");
    const QByteArray savedNoProxy = qgetenv("no_proxy");
    qputenv("http_proxy", "http://127.0.0.1:9");
    qputenv("no_proxy", "*");
    Inet inet;
    // no proxy given: straight to the server, whatever http_proxy says
    inet.Proxy = QString();
    const auto direct = failureOf([&] { EXPECT_EQ(inet.OpenURL(server.url("/diretto.htm"), 1), QByteArray("diretto")); });
    // a proxy given: used for every address, whatever no_proxy says
    inet.Proxy = server.hostPort();
    const auto proxied = failureOf(
        [&] { EXPECT_EQ(inet.OpenURL(QStringLiteral("http://www.esempio.invalid/pagina.htm"), 1), QByteArray("dal proxy")); });
    auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("http_proxy", savedProxy);
    restore("no_proxy", savedNoProxy);
    EXPECT_FALSE(direct);
    EXPECT_FALSE(proxied);
    EXPECT_EQ(server.requests().last().line, QByteArray("GET http://www.esempio.invalid/pagina.htm HTTP/1.1"));
}

TEST(InetPort, RemotePortIsThePortOfAnAddressWithoutOne) {
    HttpServer server({.portBelow32768 = true});
    server.setPage("/porta.htm", "porta giusta");
    Inet inet;
    inet.RemotePort = qint16(server.port());
    const QString address = QStringLiteral("http://127.0.0.1/porta.htm");
    EXPECT_EQ(inet.OpenURL(address, 1), QByteArray("porta giusta"));
    EXPECT_EQ(inet.URL(), address);

    // An address that names its port keeps it.
    HttpServer other;
    other.setPage("/altra.htm", "altro server");
    EXPECT_EQ(inet.OpenURL(other.url("/altra.htm"), 1), QByteArray("altro server"));
    EXPECT_EQ(server.requestCount("/altra.htm"), 0);
}

// ---------------------------------------------------------------- transport failures

TEST(InetTimeout, StallingServerFailsWithinTheStallTime) {
    HttpServer server;
    server.setStall("/muto.htm", HttpServer::Stall::Silent, 8000);
    server.setStall("/lento.htm", HttpServer::Stall::AfterHeaders, 8000);
    for (const char* path : {"/muto.htm", "/lento.htm"}) {
        SCOPED_TRACE(path);
        Inet inet(quick());
        QElapsedTimer clock;
        clock.start();
        const auto failure = failureOf([&] { inet.OpenURL(server.url(path), 1); });
        const qint64 ms = clock.elapsed();
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, ErrorCodes::TempoScaduto);
        EXPECT_GE(ms, 900);
        EXPECT_LT(ms, 4000);
    }
}

TEST(InetTransportFailure, NumbersOfTheComponent) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 freePort = closed.serverPort();
    closed.close();

    HttpServer tls({.tlsCertificatePem = kSelfSignedCertificatePem, .tlsKeyPem = kSelfSignedKeyPem});
    tls.setPage("/sicura.htm", "mai letta");

    struct Case {
        QString address;
        int number;
    };
    const Case cases[] = {
        {QStringLiteral("http://127.0.0.1:%1/a.htm").arg(freePort), ErrorCodes::ConnessioneRifiutata},
        {QStringLiteral("gopher://127.0.0.1/a.htm"), ErrorCodes::ProtocolloNonSupportato},
        {QStringLiteral("http://"), ErrorCodes::IndirizzoNonValido},
        {tls.url("/sicura.htm"), ErrorCodes::CertificatoNonValido},
    };
    Inet inet(quick());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const auto failure = failureOf([&] { inet.OpenURL(c.address, 1); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->Number, c.number);
        EXPECT_EQ(failure->Description, ErrorCodes::descrizione(c.number));
    }
    EXPECT_EQ(tls.requestCount("/sicura.htm"), 0);
}

TEST(InetCancel, CancelFromTheWindowStopsTheTransfer) {
    HttpServer server;
    server.setStall("/lento.htm", HttpServer::Stall::AfterHeaders, 8000);
    Inet inet;  // default time-outs: only the cancel can end this one quickly
    // The timer fires during the transfer: the window's events are handled meanwhile.
    QTimer::singleShot(300, [&] { inet.Cancel(); });
    QElapsedTimer clock;
    clock.start();
    const auto failure = failureOf([&] { inet.OpenURL(server.url("/lento.htm"), 1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Number, ErrorCodes::OperazioneAnnullata);
    EXPECT_LT(clock.elapsed(), 2000);

    // A cancel before a transfer does not stop the next one.
    server.setPage("/dopo.htm", "dopo");
    inet.Cancel();
    EXPECT_EQ(inet.OpenURL(server.url("/dopo.htm"), 1), QByteArray("dopo"));
}

TEST(InetCancel, TransferStartedDuringAnotherRunsOnItsOwn) {
    HttpServer server;
    server.setStall("/lento.htm", HttpServer::Stall::AfterHeaders, 8000);
    server.setPage("/rapida.htm", "rapida");
    Inet inet(quick());
    QByteArray inner;
    QTimer::singleShot(200, [&] { inner = inet.OpenURL(server.url("/rapida.htm"), 1); });
    const auto failure = failureOf([&] { inet.OpenURL(server.url("/lento.htm"), 1); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Number, ErrorCodes::TempoScaduto);
    EXPECT_EQ(inner, QByteArray("rapida"));
}

// ---------------------------------------------------------------- file addresses

TEST(InetFile, FileAddressesReadTheDisk) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray page = everyByte(2);
    {
        QFile f(dir.filePath("pagina.htm"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(page);
    }
    const QString native = dir.filePath("pagina.htm");
    QString programForm = native;
    programForm.replace(QLatin1Char('/'), QLatin1Char('\\'));

    const QString savedCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    struct Case {
        QString address;
        int number;  // 0: the page is read
    };
    const Case cases[] = {
        {"file://" + native, 0},
        {"file://" + programForm, 0},
        {QStringLiteral("FILE://") + native, 0},
        {QStringLiteral("file://pagina.htm"), 0},  // against the current folder
        {"file://" + dir.filePath("manca.htm"), ErrorCodes::FileNonTrovato},
        {QStringLiteral("file://"), ErrorCodes::FileNonTrovato},
        {"file://" + dir.path(), ErrorCodes::ErroreAccessoFile},
    };
    Inet inet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        QByteArray got;
        const auto failure = failureOf([&] { got = inet.OpenURL(c.address, 1); });
        if (c.number == 0) {
            EXPECT_FALSE(failure);
            EXPECT_TRUE(got == page);
        } else {
            ASSERT_TRUE(failure);
            EXPECT_EQ(failure->Number, c.number);
            EXPECT_EQ(failure->Description, ErrorCodes::descrizione(c.number));
        }
        EXPECT_EQ(inet.URL(), c.address);
    }
    QDir::setCurrent(savedCurrent);
}

TEST(InetFile, FileIsReadAgainEveryTime) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cambia.htm");
    Inet inet;
    for (const QByteArray& content : {QByteArray("prima"), QByteArray("dopo, piu lunga")}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        EXPECT_EQ(inet.OpenURL("file://" + path, 1), content);
    }
}

// ---------------------------------------------------------------- one-shot cache

TEST(InetCache, SameAddressRightAfterIsFetchedOnce) {
    HttpServer server;
    server.setPage("/a.htm", "pagina a");
    Inet inet;
    const QString a = server.url("/a.htm");
    EXPECT_EQ(inet.OpenURL(a, 1), QByteArray("pagina a"));
    EXPECT_EQ(inet.OpenURL(a, 1), QByteArray("pagina a"));
    EXPECT_EQ(server.requestCount("/a.htm"), 1);
    // used once only
    EXPECT_EQ(inet.OpenURL(a, 1), QByteArray("pagina a"));
    EXPECT_EQ(server.requestCount("/a.htm"), 2);
}

TEST(InetCache, AnythingInBetweenFetchesAgain) {
    struct Case {
        const char* what;
        std::function<void(Inet&, HttpServer&)> between;
    };
    const Case cases[] = {
        {"another address", [](Inet& i, HttpServer& s) { i.OpenURL(s.url("/b.htm"), 1); }},
        {"a failed transfer", [](Inet& i, HttpServer& s) { failureOf([&] { i.OpenURL(s.url("/no.htm"), 1); }); }},
        {"a file address", [](Inet& i, HttpServer&) { failureOf([&] { i.OpenURL("file:///nessun/file.htm", 1); }); }},
        {"Cancel", [](Inet& i, HttpServer&) { i.Cancel(); }},
        {"UserName", [](Inet& i, HttpServer&) { i.UserName = "altro"; }},
        {"Password", [](Inet& i, HttpServer&) { i.Password = "altra"; }},
        {"Proxy", [](Inet& i, HttpServer& s) { i.Proxy = s.hostPort(); }},
        {"RemotePort", [](Inet& i, HttpServer&) { i.RemotePort = 8080; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpServer server;
        server.setPage("/a.htm", "pagina a");
        server.setPage("/b.htm", "pagina b");
        Inet inet;
        const QString a = server.url("/a.htm");
        EXPECT_EQ(inet.OpenURL(a, 1), QByteArray("pagina a"));
        c.between(inet, server);
        server.setPage("/a.htm", "pagina a, nuova");
        EXPECT_EQ(inet.OpenURL(a, 1), QByteArray("pagina a, nuova"));
        EXPECT_EQ(server.requestCount("/a.htm"), 2);
    }
}

TEST(InetCache, FinalAddressOfARedirectIsReused) {
    HttpServer server;
    server.setRedirect("/vecchia.htm", "/nuova.htm");
    server.setPage("/nuova.htm", "nuova");
    Inet inet;
    EXPECT_EQ(inet.OpenURL(server.url("/vecchia.htm"), 1), QByteArray("nuova"));
    EXPECT_EQ(inet.OpenURL(inet.URL(), 1), QByteArray("nuova"));
    EXPECT_EQ(inet.URL(), server.url("/nuova.htm"));
    EXPECT_EQ(server.requestCount("/nuova.htm"), 1);
}
