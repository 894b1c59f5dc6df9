#pragma once
// A loopback HTTP/1.1 server for tests. It answers from a thread of its own, so a test
// may block its thread in a transfer while it answers. Connections are kept alive.
// Paths match exactly as sent (a route without a query also takes the path with any
// query); a path without a route gets 404 "Not Found". A request in absolute form
// ("GET http://host/a.htm HTTP/1.1", as sent to a proxy) is answered by its path, so the
// same server serves as a test's proxy and its request line shows the address asked for.
// Over TLS it shows a self-signed certificate made when it starts, which no client trusts.
// A 200 route with a validator (ETag or Last-Modified) honours "Range: bytes=S-" and
// "bytes=S-E": 206 with Content-Range when If-Range is absent or names the validator,
// 416 for a start past the end, the whole body otherwise.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class HttpServer {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    enum class Stall {
        Silent,        // accepts the request and never answers
        AfterHeaders,  // sends a status line and headers announcing a body, then nothing
    };

    // Ways of answering badly, each for one path.
    enum class Misbehaviour {
        CutBody,      // announces the body's length, sends its first half, closes the connection
        ShortLength,  // announces half the body's length and sends all of it
        LongLength,   // announces twice the body's length, sends the body, then nothing more
        CloseAtOnce,  // closes the connection as soon as the request has arrived
        Trickle,      // sends the headers, then the body one byte every intervalMs
    };

    struct Request {
        QByteArray line;  // the request line exactly as received, without its CR LF
        QString path;     // path and query of its target
        Headers headers;
        QByteArray header(const QByteArray& name) const;  // case-insensitive; empty if absent
    };

    enum class Scheme { Http, Https };

    // portBelow32768: a port that a 16-bit signed port setting can hold.
    explicit HttpServer(bool portBelow32768 = false);
    explicit HttpServer(Scheme scheme);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    quint16 port() const;
    QString hostPort() const;                // "127.0.0.1:<port>"
    QString url(const QString& path) const;  // "http(s)://127.0.0.1:<port><path>"

    void setPage(const QString& path, const QByteArray& body, const QByteArray& contentType = "text/html");
    void setStatus(const QString& path, int status, const QByteArray& reason, const QByteArray& body = {});
    void setRedirect(const QString& path, const QByteArray& location);  // 302 Found
    // Basic authentication with this user and password, else 401 "Unauthorized".
    void setProtected(const QString& path, const QByteArray& user, const QByteArray& password,
                      const QByteArray& body);
    // The connection is closed after maxMilliseconds (a test never waits longer).
    void setStall(const QString& path, Stall how, int maxMilliseconds);

    // intervalMs: between two bytes of a Trickle; how long a LongLength connection is
    // kept open after its body.
    void setMisbehaviour(const QString& path, Misbehaviour how, const QByteArray& body, int intervalMs = 1000);

    // While on, every connection is closed as soon as it is accepted, and every
    // request on a connection already open closes it.
    void setCloseEveryConnection(bool on);

    // The page's Last-Modified and ETag (either may be empty). With conditions
    // honoured, a request whose If-None-Match names the tag, or (without
    // If-None-Match) whose If-Modified-Since is the date, gets 304 and no body.
    void setValidators(const QString& path, const QByteArray& lastModified, const QByteArray& etag,
                       bool honoursConditions = true);
    // How many answers carried a file (a body with a 2xx status; a 304 carries none),
    // and their bytes.
    int bodiesSent() const;
    qint64 bodyBytesSent() const;

    // Every path without a route of its own gets this page instead of a 404.
    void setFallback(const QByteArray& body);

    QList<Request> requests() const;
    int requestCount(const QString& path) const;

    // The options below apply to the route already set for the path (set it first); a
    // path without one takes the fallback answer.

    // A body of `size` bytes made as it is sent (generatedBytes() gives them), so that a
    // large file costs the server no copy. An empty content type sends no Content-Type.
    void setGeneratedPage(const QString& path, qint64 size, const QByteArray& contentType = "application/octet-stream");
    static QByteArray generatedBytes(qint64 offset, qint64 length);

    // The answer waits this long after the request has arrived; an empty path: every
    // answer (a path's own delay comes first).
    void setDelay(const QString& path, int milliseconds);

    // The path's route answers Range requests with the whole body.
    void setIgnoresRange(const QString& path, bool ignores = true);

    // How the end of a file's body (2xx) is shown: by its length announced (as
    // always unless told), in chunks ("Transfer-Encoding: chunked"), or by closing
    // the connection after it ("Connection: close"); the last two announce no length.
    enum class Framing { Length, Chunked, Close };
    void setFraming(const QString& path, Framing how);

    // The first `times` requests of the path get this status (429, 503) with
    // "Retry-After: seconds" and no file; later ones the route's answer.
    void setRetryAfter(const QString& path, int status, int seconds, int times = 1);

    // The first `times` answers with a body on the path announce it whole but send only
    // its first `bytes` bytes, then close the connection, or with hold keep it open and
    // silent.
    void setCutAfter(const QString& path, qint64 bytes, int times = 1, bool hold = false);

    // The most requests that were being answered at once: arrived, their answer not yet
    // wholly handed to the connection (misbehaving answers and stalls count no longer
    // than their first write).
    int mostAnsweredAtOnce() const;
    // Connections accepted so far.
    int connectionsAccepted() const;

private:
    HttpServer(bool portBelow32768, Scheme scheme);
    struct Impl;
    std::unique_ptr<Impl> d;
};
