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

} // namespace

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
                if (closeEveryConnection) {
                    socket->abort();
                    socket->deleteLater();
                    continue;
                }
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    serve(socket, *buffer);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        ready.release();
        if (listening)
            exec();
    }

    // Answers every complete request in the buffer, in order, until one stalls.
    void serve(QTcpSocket* socket, QByteArray& buffer) {
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            const Request request = parse(buffer.left(end));
            const qsizetype length = request.header("Content-Length").toLongLong();
            if (buffer.size() < end + 4 + length)
                return;  // the body is still on its way
            buffer.remove(0, end + 4 + length);
            Route route;
            {
                QMutexLocker lock(&mutex);
                requests.append(request);
                const qsizetype query = request.path.indexOf(QLatin1Char('?'));
                route = routes.value(request.path, routes.value(request.path.left(query), fallback));
            }
            if (closeEveryConnection) {
                socket->abort();
                return;
            }
            if (route.misbehaviour) {
                misbehave(socket, route);
                buffer.clear();
                return;
            }
            if (route.stallMs >= 0) {
                if (route.stall == Stall::AfterHeaders)
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n\r\n");
                QTimer::singleShot(route.stallMs, socket, [socket] { socket->abort(); });
                buffer.clear();
                return;
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
                }
            }
            QByteArray out = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + route.reason + "\r\n";
            for (const auto& [name, value] : route.headers)
                out += name + ": " + value + "\r\n";
            if (!route.lastModified.isEmpty())
                out += "Last-Modified: " + route.lastModified + "\r\n";
            if (!route.etag.isEmpty())
                out += "ETag: " + route.etag + "\r\n";
            if (route.status >= 200 && route.status < 300 && !route.body.isEmpty() && !request.line.startsWith("HEAD ")) {
                ++bodiesSent;
                bodyBytesSent += route.body.size();
            }
            out += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n\r\n";
            if (!request.line.startsWith("HEAD "))
                out += route.body;
            socket->write(out);
        }
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
