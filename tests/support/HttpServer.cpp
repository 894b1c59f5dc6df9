#include "tests/support/HttpServer.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <atomic>
#include <optional>
#include <stdexcept>

namespace {

struct Route {
    int status = 200;
    QByteArray reason = "OK";
    HttpServer::Headers headers;
    QByteArray body;
    QByteArray credentials;  // "user:password" when protected
    int stallMs = -1;        // >= 0: stalls as `stall` says
    HttpServer::Stall stall = HttpServer::Stall::Silent;
    std::optional<HttpServer::Misbehaviour> misbehaviour;
    int intervalMs = 1000;
    QByteArray lastModified;
    QByteArray etag;
    bool honoursConditions = false;
    qint64 generatedSize = -1;  // >= 0: the body is this many pattern bytes, made as sent
    int delayMs = 0;
    bool ignoresRange = false;
    int retryStatus = 0;  // the first retryTimes requests get it, with Retry-After
    int retryAfterSeconds = 0;
    int retryTimes = 0;
    qint64 cutAfter = -1;  // >= 0: the first cutTimes bodies stop after this many bytes
    int cutTimes = 0;
    bool cutHolds = false;
    HttpServer::Framing framing = HttpServer::Framing::Length;
    int asked = 0;  // requests the route has had
};

const Route kNotFound{404, "Not Found", {{"Content-Type", "text/html"}}, "<html><body>Not Found</body></html>"};

HttpServer::Request parse(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    HttpServer::Request request;
    request.line = lines.value(0).trimmed();
    QByteArray target = request.line.split(' ').value(1);
    const qsizetype scheme = target.indexOf("://");
    if (scheme >= 0) {
        const qsizetype slash = target.indexOf('/', scheme + 3);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    request.path = QString::fromLatin1(target);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    return request;
}

QByteArray pemOf(int (*write)(BIO*, void*), void* object) {
    BIO* bio = BIO_new(BIO_s_mem());
    QByteArray pem;
    if (bio && write(bio, object) == 1) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(bio, &data);
        pem = QByteArray(data, size);
    }
    BIO_free(bio);
    return pem;
}

// A key and a certificate for 127.0.0.1 signed with that same key, valid for a day.
QSslConfiguration selfSignedConfiguration() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (key && cert) {
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        X509_set_pubkey(cert, key);
        if (X509_sign(cert, key, EVP_sha256()) > 0) {
            config.setLocalCertificate(QSslCertificate(pemOf(
                [](BIO* b, void* c) { return PEM_write_bio_X509(b, static_cast<X509*>(c)); }, cert)));
            config.setPrivateKey(QSslKey(pemOf([](BIO* b, void* k) {
                return PEM_write_bio_PrivateKey(b, static_cast<EVP_PKEY*>(k), nullptr, nullptr, 0, nullptr, nullptr);
            }, key), QSsl::Ec));
        }
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return config;
}

char patternByte(qint64 i) {
    return char((i % 251) ^ ((i >> 12) & 0xFF));
}

// The body an answer sends: stored bytes or made on the fly.
struct BodySource {
    QByteArray bytes;
    qint64 generated = -1;
    qint64 size() const { return generated >= 0 ? generated : bytes.size(); }
    QByteArray slice(qint64 from, qint64 length) const {
        return generated >= 0 ? HttpServer::generatedBytes(from, length) : bytes.mid(from, length);
    }
};

// One connection of a client: what it sent that is not answered yet, and whether an
// answer is under way (waiting out a delay, or being sent in parts).
struct Connection {
    QTcpSocket* socket = nullptr;
    QByteArray buffer;
    bool busy = false;
    bool answering = false;  // counted among the requests being answered
};

// "bytes=S-" or "bytes=S-E": the first and last byte asked for (last -1: to the end).
bool parseRange(const QByteArray& value, qint64& first, qint64& last) {
    if (!value.startsWith("bytes=") || value.contains(','))
        return false;
    const QList<QByteArray> ends = value.mid(6).trimmed().split('-');
    if (ends.size() != 2 || ends[0].isEmpty())
        return false;
    bool ok = false;
    first = ends[0].toLongLong(&ok);
    if (!ok || first < 0)
        return false;
    last = -1;
    if (!ends[1].isEmpty()) {
        last = ends[1].toLongLong(&ok);
        if (!ok || last < first)
            return false;
    }
    return true;
}

} // namespace

QByteArray HttpServer::generatedBytes(qint64 offset, qint64 length) {
    QByteArray bytes(qsizetype(qMax<qint64>(length, 0)), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = patternByte(offset + i);
    return bytes;
}

QByteArray HttpServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

struct HttpServer::Impl : QThread {
    bool portBelow32768 = false;
    bool tls = false;
    QSemaphore ready;
    std::atomic<quint16> port{0};
    mutable QMutex mutex;
    QHash<QString, Route> routes;
    Route fallback = kNotFound;
    QList<Request> requests;
    std::atomic<bool> closeEveryConnection{false};
    std::atomic<int> bodiesSent{0};
    std::atomic<qint64> bodyBytesSent{0};
    std::atomic<int> delayAllMs{0};
    std::atomic<int> answering{0};
    std::atomic<int> mostAnswering{0};
    std::atomic<int> accepted{0};

    void run() override {
        std::unique_ptr<QTcpServer> server;
        if (tls) {
            auto* ssl = new QSslServer;
            ssl->setSslConfiguration(selfSignedConfiguration());
            server.reset(ssl);
        } else {
            server = std::make_unique<QTcpServer>();
        }
        QTcpServer& listener = *server;
        bool listening = false;
        for (int attempt = 0; attempt < 500 && !listening; ++attempt)
            listening = listener.listen(QHostAddress::LocalHost,
                                        portBelow32768 ? QRandomGenerator::global()->bounded(20000, 32768) : 0);
        port = listening ? listener.serverPort() : 0;
        // A TLS connection is pending once its handshake is done.
        QObject::connect(&listener, &QTcpServer::pendingConnectionAvailable, &listener, [this, &listener] {
            while (QTcpSocket* socket = listener.nextPendingConnection()) {
                ++accepted;
                if (closeEveryConnection) {
                    socket->abort();
                    socket->deleteLater();
                    continue;
                }
                // An answer written in parts (its headers, then its body) goes out at
                // once, not held back until the client acknowledges the first part.
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                auto connection = std::make_shared<Connection>();
                connection->socket = socket;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, connection] {
                    connection->buffer += connection->socket->readAll();
                    serve(connection);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, connection] {
                    endAnswer(*connection);
                    connection->socket->deleteLater();
                });
                QObject::connect(socket, &QObject::destroyed, [this, connection] { endAnswer(*connection); });
            }
        });
        ready.release();
        if (listening)
            exec();
    }

    void beginAnswer(Connection& c) {
        if (c.answering)
            return;
        c.answering = true;
        const int now = ++answering;
        for (int most = mostAnswering; now > most && !mostAnswering.compare_exchange_weak(most, now);) {
        }
    }

    void endAnswer(Connection& c) {
        if (!c.answering)
            return;
        c.answering = false;
        --answering;
    }

    // Answers every complete request in the buffer, in order, until one stalls or an
    // answer is under way (the rest waits for it).
    void serve(const std::shared_ptr<Connection>& c) {
        for (qsizetype end; !c->busy && (end = c->buffer.indexOf("\r\n\r\n")) >= 0;) {
            const Request request = parse(c->buffer.left(end));
            const qsizetype length = request.header("Content-Length").toLongLong();
            if (c->buffer.size() < end + 4 + length)
                return;  // the body is still on its way
            c->buffer.remove(0, end + 4 + length);
            Route route;
            {
                QMutexLocker lock(&mutex);
                requests.append(request);
                const qsizetype query = request.path.indexOf(QLatin1Char('?'));
                auto it = routes.find(request.path);
                if (it == routes.end())
                    it = routes.find(request.path.left(query));
                if (it != routes.end()) {
                    ++it->asked;
                    route = *it;
                } else {
                    route = fallback;
                }
            }
            beginAnswer(*c);
            if (closeEveryConnection) {
                c->socket->abort();
                return;
            }
            const int delay = route.delayMs > 0 ? route.delayMs : delayAllMs.load();
            if (delay > 0) {
                c->busy = true;
                QTimer::singleShot(delay, c->socket, [this, c, request, route] {
                    c->busy = false;
                    if (answer(c, request, route))
                        c->buffer.clear();
                    else
                        serve(c);
                });
                return;
            }
            if (answer(c, request, route)) {
                c->buffer.clear();
                return;
            }
        }
    }

    // Answers one request. True when the connection answers nothing more for now (a
    // misbehaviour or a stall): what else it sent is dropped.
    bool answer(const std::shared_ptr<Connection>& c, const Request& request, Route route) {
        QTcpSocket* socket = c->socket;
        if (socket->state() != QAbstractSocket::ConnectedState) {
            endAnswer(*c);
            return true;
        }
        if (route.misbehaviour) {
            misbehave(socket, route);
            endAnswer(*c);
            return true;
        }
        if (route.stallMs >= 0) {
            if (route.stall == Stall::AfterHeaders)
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n\r\n");
            QTimer::singleShot(route.stallMs, socket, [socket] { socket->abort(); });
            endAnswer(*c);
            return true;
        }
        const bool cut = route.cutAfter >= 0 && route.asked <= route.cutTimes;
        if (route.retryStatus != 0 && route.asked <= route.retryTimes) {
            route = {route.retryStatus, route.retryStatus == 429 ? "Too Many Requests" : "Service Unavailable",
                     {{"Content-Type", "text/plain"}, {"Retry-After", QByteArray::number(route.retryAfterSeconds)}},
                     "riprova"};
        }
        if (!route.credentials.isNull() &&
            request.header("Authorization") != "Basic " + route.credentials.toBase64())
            route = {401, "Unauthorized", {{"WWW-Authenticate", "Basic realm=\"prova\""}}, "Unauthorized"};
        if (route.honoursConditions) {
            const QByteArray tag = request.header("If-None-Match");
            const bool unchanged = !tag.isEmpty() ? !route.etag.isEmpty() && tag == route.etag
                                                  : !route.lastModified.isEmpty() &&
                                                        request.header("If-Modified-Since") == route.lastModified;
            if (unchanged) {
                route.status = 304;
                route.reason = "Not Modified";
                route.body.clear();
                route.generatedSize = -1;
            }
        }
        const BodySource body{route.body, route.generatedSize};
        qint64 from = 0;
        qint64 to = body.size();
        QByteArray contentRange;
        qint64 first = 0, last = -1;
        if (route.status == 200 && !route.ignoresRange && (!route.etag.isEmpty() || !route.lastModified.isEmpty()) &&
            parseRange(request.header("Range"), first, last)) {
            const QByteArray ifRange = request.header("If-Range");
            const bool same = ifRange.isEmpty() || (!route.etag.isEmpty() && ifRange == route.etag) ||
                              (!route.lastModified.isEmpty() && ifRange == route.lastModified);
            if (same && first >= body.size()) {
                route.status = 416;
                route.reason = "Range Not Satisfiable";
                contentRange = "bytes */" + QByteArray::number(body.size());
                to = 0;
            } else if (same) {
                route.status = 206;
                route.reason = "Partial Content";
                from = first;
                to = last < 0 ? body.size() : qMin(last + 1, body.size());
                contentRange = "bytes " + QByteArray::number(from) + '-' + QByteArray::number(to - 1) + '/' +
                               QByteArray::number(body.size());
            }
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + route.reason + "\r\n";
        for (const auto& [name, value] : route.headers)
            out += name + ": " + value + "\r\n";
        if (!route.lastModified.isEmpty())
            out += "Last-Modified: " + route.lastModified + "\r\n";
        if (!route.etag.isEmpty())
            out += "ETag: " + route.etag + "\r\n";
        if (!contentRange.isEmpty())
            out += "Content-Range: " + contentRange + "\r\n";
        const bool head = request.line.startsWith("HEAD ");
        const bool file = route.status >= 200 && route.status < 300 && to > from && !head;
        const Framing framing = file ? route.framing : Framing::Length;
        if (framing == Framing::Chunked)
            out += "Transfer-Encoding: chunked\r\n\r\n";
        else if (framing == Framing::Close)
            out += "Connection: close\r\n\r\n";
        else
            out += "Content-Length: " + QByteArray::number(to - from) + "\r\n\r\n";
        const qint64 sent = file && cut ? qMin(route.cutAfter, to - from) : to - from;
        if (file) {
            ++bodiesSent;
            bodyBytesSent += sent;
        }
        if (head || to <= from) {
            socket->write(out);
            endAnswer(*c);
            return false;
        }
        if (route.generatedSize < 0 && !cut && framing == Framing::Length) {
            socket->write(out + body.slice(from, to - from));
            endAnswer(*c);
            return false;
        }
        socket->write(out);
        const Ending ending = cut                           ? (route.cutHolds ? Ending::Hold : Ending::Close)
                              : framing == Framing::Close ? Ending::Close
                                                          : Ending::Done;
        sendInParts(c, body, from, from + sent, ending, framing == Framing::Chunked);
        return false;
    }

    enum class Ending { Done, Close, Hold };

    // Sends the body's bytes [from, to) as the connection takes them, a little at a
    // time, so that a large body is never held whole; then ends the answer as told.
    // chunked: each part goes as a chunk, and a whole body ends with the last chunk.
    void sendInParts(const std::shared_ptr<Connection>& c, const BodySource& body, qint64 from, qint64 to,
                     Ending ending, bool chunked = false) {
        static constexpr qint64 kPart = 64 * 1024;
        static constexpr qint64 kQueued = 256 * 1024;
        struct Progress {
            qint64 at;
            QMetaObject::Connection link;
        };
        auto progress = std::make_shared<Progress>(Progress{from, {}});
        c->busy = true;
        const auto more = [this, c, body, to, ending, chunked, progress] {
            QTcpSocket* socket = c->socket;
            while (progress->at < to && socket->bytesToWrite() < kQueued) {
                const qint64 n = qMin(kPart, to - progress->at);
                if (chunked)
                    socket->write(QByteArray::number(n, 16) + "\r\n" + body.slice(progress->at, n) + "\r\n");
                else
                    socket->write(body.slice(progress->at, n));
                progress->at += n;
            }
            if (progress->at < to)
                return;
            QObject::disconnect(progress->link);
            if (chunked && ending == Ending::Done)
                socket->write("0\r\n\r\n");
            endAnswer(*c);
            if (ending == Ending::Close) {
                socket->disconnectFromHost();
            } else if (ending == Ending::Done) {
                c->busy = false;
                serve(c);
            }
        };
        progress->link = QObject::connect(c->socket, &QTcpSocket::bytesWritten, c->socket, more);
        more();
    }

    static QByteArray head(qsizetype length) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(length) +
               "\r\n\r\n";
    }

    // Answers one request as the route's misbehaviour says; the connection serves no
    // other request after it.
    static void misbehave(QTcpSocket* socket, const Route& route) {
        const QByteArray& body = route.body;
        switch (*route.misbehaviour) {
        case Misbehaviour::CutBody:
            socket->write(head(body.size()) + body.left(body.size() / 2));
            socket->disconnectFromHost();
            break;
        case Misbehaviour::ShortLength:
            socket->write(head(body.size() / 2) + body);
            break;
        case Misbehaviour::LongLength:
            socket->write(head(body.size() * 2) + body);
            QTimer::singleShot(route.intervalMs, socket, [socket] { socket->abort(); });
            break;
        case Misbehaviour::CloseAtOnce:
            socket->abort();
            break;
        case Misbehaviour::Trickle: {
            socket->write(head(body.size()));
            auto* timer = new QTimer(socket);
            auto sent = std::make_shared<qsizetype>(0);
            QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body] {
                if (*sent >= body.size()) {
                    timer->stop();
                    return;
                }
                socket->write(body.mid((*sent)++, 1));
            });
            timer->start(route.intervalMs);
            break;
        }
        }
    }

    void set(const QString& path, const Route& route) {
        QMutexLocker lock(&mutex);
        routes.insert(path, route);
    }
};

HttpServer::HttpServer(bool portBelow32768) : HttpServer(portBelow32768, Scheme::Http) {}

HttpServer::HttpServer(Scheme scheme) : HttpServer(false, scheme) {}

HttpServer::HttpServer(bool portBelow32768, Scheme scheme) : d(std::make_unique<Impl>()) {
    d->portBelow32768 = portBelow32768;
    d->tls = scheme == Scheme::Https;
    d->start();
    d->ready.acquire();
    if (d->port == 0) {
        d->wait();
        throw std::runtime_error("HttpServer: no port to listen on");
    }
}

HttpServer::~HttpServer() {
    d->quit();
    d->wait();
}

quint16 HttpServer::port() const {
    return d->port;
}

QString HttpServer::hostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QString HttpServer::url(const QString& path) const {
    return (d->tls ? "https://" : "http://") + hostPort() + path;
}

void HttpServer::setPage(const QString& path, const QByteArray& body, const QByteArray& contentType) {
    d->set(path, {200, "OK", {{"Content-Type", contentType}}, body});
}

void HttpServer::setStatus(const QString& path, int status, const QByteArray& reason, const QByteArray& body) {
    d->set(path, {status, reason, {{"Content-Type", "text/html"}}, body});
}

void HttpServer::setRedirect(const QString& path, const QByteArray& location) {
    d->set(path, {302, "Found", {{"Location", location}}, "moved"});
}

void HttpServer::setProtected(const QString& path, const QByteArray& user, const QByteArray& password,
                              const QByteArray& body) {
    d->set(path, {200, "OK", {{"Content-Type", "text/html"}}, body, user + ':' + password});
}

void HttpServer::setStall(const QString& path, Stall how, int maxMilliseconds) {
    d->set(path, {.stallMs = maxMilliseconds, .stall = how});
}

void HttpServer::setMisbehaviour(const QString& path, Misbehaviour how, const QByteArray& body, int intervalMs) {
    Route route;
    route.body = body;
    route.misbehaviour = how;
    route.intervalMs = intervalMs;
    d->set(path, route);
}

void HttpServer::setValidators(const QString& path, const QByteArray& lastModified, const QByteArray& etag,
                               bool honoursConditions) {
    QMutexLocker lock(&d->mutex);
    Route& route = d->routes[path];
    route.lastModified = lastModified;
    route.etag = etag;
    route.honoursConditions = honoursConditions;
}

void HttpServer::setGeneratedPage(const QString& path, qint64 size, const QByteArray& contentType) {
    Route route{200, "OK", {}, {}};
    if (!contentType.isEmpty())
        route.headers.append({"Content-Type", contentType});
    route.generatedSize = size;
    d->set(path, route);
}

namespace {

// The route of the path, made from the fallback when there is none.
Route& routeToChange(QHash<QString, Route>& routes, const QString& path, const Route& fallback) {
    auto it = routes.find(path);
    if (it == routes.end())
        it = routes.insert(path, fallback);
    return *it;
}

} // namespace

void HttpServer::setDelay(const QString& path, int milliseconds) {
    if (path.isEmpty()) {
        d->delayAllMs = milliseconds;
        return;
    }
    QMutexLocker lock(&d->mutex);
    routeToChange(d->routes, path, d->fallback).delayMs = milliseconds;
}

void HttpServer::setIgnoresRange(const QString& path, bool ignores) {
    QMutexLocker lock(&d->mutex);
    routeToChange(d->routes, path, d->fallback).ignoresRange = ignores;
}

void HttpServer::setFraming(const QString& path, Framing how) {
    QMutexLocker lock(&d->mutex);
    routeToChange(d->routes, path, d->fallback).framing = how;
}

void HttpServer::setRetryAfter(const QString& path, int status, int seconds, int times) {
    QMutexLocker lock(&d->mutex);
    Route& route = routeToChange(d->routes, path, d->fallback);
    route.retryStatus = status;
    route.retryAfterSeconds = seconds;
    route.retryTimes = route.asked + times;
}

void HttpServer::setCutAfter(const QString& path, qint64 bytes, int times, bool hold) {
    QMutexLocker lock(&d->mutex);
    Route& route = routeToChange(d->routes, path, d->fallback);
    route.cutAfter = bytes;
    route.cutTimes = route.asked + times;
    route.cutHolds = hold;
}

int HttpServer::mostAnsweredAtOnce() const {
    return d->mostAnswering;
}

int HttpServer::connectionsAccepted() const {
    return d->accepted;
}

int HttpServer::bodiesSent() const {
    return d->bodiesSent;
}

qint64 HttpServer::bodyBytesSent() const {
    return d->bodyBytesSent;
}

void HttpServer::setCloseEveryConnection(bool on) {
    d->closeEveryConnection = on;
}

void HttpServer::setFallback(const QByteArray& body) {
    QMutexLocker lock(&d->mutex);
    d->fallback = {200, "OK", {{"Content-Type", "text/html"}}, body};
}

QList<HttpServer::Request> HttpServer::requests() const {
    QMutexLocker lock(&d->mutex);
    return d->requests;
}

int HttpServer::requestCount(const QString& path) const {
    QMutexLocker lock(&d->mutex);
    int n = 0;
    for (const Request& r : d->requests)
        n += r.path == path ? 1 : 0;
    return n;
}
