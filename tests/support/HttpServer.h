#pragma once
// HttpServer: a loopback HTTP/1.1 server for tests.
//
// It listens on 127.0.0.1 on a free port and answers from a thread of its own, so a
// test may block its own thread in a transfer (Inet::OpenURL) while it answers.
// Connections are kept alive (HTTP/1.1) unless the client asks to close them.
//
//   HttpServer server;                                   // listening once constructed
//   server.setPage("/a.htm", bytes);                     // 200, Content-Type text/html
//   server.setPage("/f.jpg", jpegBytes, "image/jpeg");
//   server.setStatus("/gone.htm", 404, "Not Found");     // an error status (body optional)
//   server.setRedirect("/old.htm", "/a.htm");            // 302 Found, Location: /a.htm
//   server.setProtected("/p.htm", "user", "pw", bytes);  // Basic auth, else 401
//   server.setStall("/slow.htm", HttpServer::Stall::AfterHeaders, 5000);
//   server.setRoute("/x", {.status = 200, .reason = "OK", .headers = {...}, .body = ...});
//
//   server.url("/a.htm")          "http://127.0.0.1:<port>/a.htm"
//   server.hostPort()             "127.0.0.1:<port>"
//   server.requestCount("/a.htm") requests received for that path so far
//   server.requests()             every request: its line exactly as received, headers,
//                                 the number of the connection that carried it
//
// Paths are matched exactly as sent (query included; a route without a query also
// takes the same path with any query). A path without a route gets 404 "Not Found".
// A request in absolute form ("GET http://host:port/a.htm HTTP/1.1", as sent to a
// proxy) is answered by its path, so the same server serves as the proxy of a test
// and the request line shows the address the client asked the proxy for.
//
// Options: portBelow32768 picks a port that a 16-bit signed port setting can hold;
// a certificate and key (PEM) make it an HTTPS server.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class HttpServer {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Response {
        int status = 200;
        QByteArray reason = "OK";  // empty: the status line carries no reason phrase
        Headers headers;           // Content-Length is added unless given here
        QByteArray body;
    };

    enum class Stall {
        Silent,        // accepts the request and never answers
        AfterHeaders,  // sends a status line and headers announcing a body, then nothing
    };

    struct Request {
        QByteArray line;    // request line exactly as received, without its CR LF
        QByteArray method;
        QByteArray target;  // as in the line: "/a.htm" or "http://host:port/a.htm"
        QString path;       // the target's path and query
        Headers headers;
        QByteArray body;
        int connection = 0; // 1 for the first connection accepted, 2 for the next...
        QByteArray header(const QByteArray& name) const;  // case-insensitive; empty if absent
    };

    struct Options {
        bool portBelow32768 = false;
        QByteArray tlsCertificatePem;
        QByteArray tlsKeyPem;
    };

    HttpServer();
    explicit HttpServer(const Options& options);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    quint16 port() const;
    QString hostPort() const;
    QString url(const QString& path) const;  // http:// (https:// with a certificate)

    void setRoute(const QString& path, const Response& response);
    void setPage(const QString& path, const QByteArray& body, const QByteArray& contentType = "text/html");
    void setStatus(const QString& path, int status, const QByteArray& reason, const QByteArray& body = {});
    void setRedirect(const QString& path, const QByteArray& location, int status = 302);
    void setProtected(const QString& path, const QByteArray& user, const QByteArray& password,
                      const QByteArray& body, const QByteArray& contentType = "text/html");
    // The connection is closed after maxMilliseconds (a test never waits longer).
    void setStall(const QString& path, Stall how, int maxMilliseconds);
    void removeRoute(const QString& path);

    QList<Request> requests() const;
    int requestCount(const QString& path) const;
    int connectionCount() const;
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
