#include "tests/support/HttpServer.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <stdexcept>

namespace {

struct Route {
    HttpServer::Response response;
    bool requiresAuth = false;
    QByteArray user, password;
    bool stalls = false;
    HttpServer::Stall stall = HttpServer::Stall::Silent;
    int stallMs = 0;
};

// Hands every accepted connection over as a TLS socket when a certificate is given.
class Listener : public QTcpServer {
public:
    QSslCertificate certificate;
    QSslKey key;
    bool tls = false;

protected:
    void incomingConnection(qintptr descriptor) override {
        if (!tls) {
            QTcpServer::incomingConnection(descriptor);
            return;
        }
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        QObject::connect(socket, &QSslSocket::sslErrors, socket, [socket] { socket->ignoreSslErrors(); });
        addPendingConnection(socket);
        socket->startServerEncryption();
    }
};

QString pathOfTarget(const QByteArray& target) {
    QByteArray path = target;
    const qsizetype scheme = path.indexOf("://");
    if (scheme >= 0) {
        const qsizetype slash = path.indexOf('/', scheme + 3);
        path = slash < 0 ? QByteArray("/") : path.mid(slash);
    }
    return QString::fromLatin1(path);
}

} // namespace

QByteArray HttpServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

struct HttpServer::Impl : QThread {
    Options options;
    QSemaphore ready;
    std::atomic<quint16> port{0};
    QString startError;

    mutable QMutex mutex;
    QHash<QString, Route> routes;
    QList<Request> requests;
    int connections = 0;

    void run() override;
    void accept(QTcpSocket* socket);
    void serve(QTcpSocket* socket, QByteArray& buffer, int connection, bool& stalled);
    void answer(QTcpSocket* socket, const Request& request, bool& stalled);
    bool listenOn(Listener& listener);
};

bool HttpServer::Impl::listenOn(Listener& listener) {
    if (!options.portBelow32768)
        return listener.listen(QHostAddress::LocalHost, 0);
    for (int attempt = 0; attempt < 500; ++attempt) {
        const auto candidate = quint16(QRandomGenerator::global()->bounded(20000, 32768));
        if (listener.listen(QHostAddress::LocalHost, candidate))
            return true;
    }
    return false;
}

void HttpServer::Impl::run() {
    Listener listener;
    if (!options.tlsCertificatePem.isEmpty()) {
        listener.tls = true;
        listener.certificate = QSslCertificate(options.tlsCertificatePem, QSsl::Pem);
        listener.key = QSslKey(options.tlsKeyPem, QSsl::Rsa, QSsl::Pem);
        if (listener.certificate.isNull() || listener.key.isNull())
            startError = QStringLiteral("certificate or key not readable");
    }
    if (startError.isEmpty() && !listenOn(listener))
        startError = listener.errorString();
    if (!startError.isEmpty()) {
        ready.release();
        return;
    }
    port = listener.serverPort();
    QObject::connect(&listener, &QTcpServer::newConnection, &listener, [this, &listener] {
        while (QTcpSocket* socket = listener.nextPendingConnection())
            accept(socket);
    });
    ready.release();
    exec();
}

void HttpServer::Impl::accept(QTcpSocket* socket) {
    int connection;
    {
        QMutexLocker lock(&mutex);
        connection = ++connections;
    }
    struct State {
        QByteArray buffer;
        bool stalled = false;
    };
    auto state = std::make_shared<State>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, state, connection] {
        state->buffer += socket->readAll();
        serve(socket, state->buffer, connection, state->stalled);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0) {
        state->buffer += socket->readAll();
        serve(socket, state->buffer, connection, state->stalled);
    }
}

// Takes every complete request out of the buffer and answers it, in order.
void HttpServer::Impl::serve(QTcpSocket* socket, QByteArray& buffer, int connection, bool& stalled) {
    while (!stalled) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        Request request;
        request.line = lines.value(0);
        if (request.line.endsWith('\r'))
            request.line.chop(1);
        const QList<QByteArray> parts = request.line.split(' ');
        request.method = parts.value(0);
        request.target = parts.value(1);
        request.path = pathOfTarget(request.target);
        request.connection = connection;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        if (buffer.size() < end + 4 + length)
            return;  // the body is still on its way
        request.body = buffer.mid(end + 4, length);
        buffer.remove(0, end + 4 + length);
        {
            QMutexLocker lock(&mutex);
            requests.append(request);
        }
        answer(socket, request, stalled);
    }
}

void HttpServer::Impl::answer(QTcpSocket* socket, const Request& request, bool& stalled) {
    Route route;
    bool found = false;
    {
        QMutexLocker lock(&mutex);
        auto it = routes.constFind(request.path);
        if (it == routes.cend()) {
            const qsizetype query = request.path.indexOf(QLatin1Char('?'));
            if (query >= 0)
                it = routes.constFind(request.path.left(query));
        }
        if (it != routes.cend()) {
            route = *it;
            found = true;
        }
    }

    if (found && route.stalls) {
        stalled = true;
        if (route.stall == Stall::AfterHeaders) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n\r\n");
            socket->flush();
        }
        QTimer::singleShot(route.stallMs, socket, [socket] { socket->abort(); });
        return;
    }

    Response response;
    if (!found) {
        response = {404, "Not Found", {{"Content-Type", "text/html"}}, "<html><body>Not Found</body></html>"};
    } else if (route.requiresAuth &&
               request.header("Authorization") != "Basic " + (route.user + ':' + route.password).toBase64()) {
        response = {401, "Unauthorized",
                    {{"WWW-Authenticate", "Basic realm=\"prova\""}, {"Content-Type", "text/html"}},
                    "<html><body>Unauthorized</body></html>"};
    } else {
        response = route.response;
    }

    const bool close = request.header("Connection").compare("close", Qt::CaseInsensitive) == 0 ||
                       request.line.endsWith("HTTP/1.0");
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : response.headers) {
        hasLength = hasLength || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
        out += name + ": " + value + "\r\n";
    }
    if (!hasLength)
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (close)
        out += "Connection: close\r\n";
    out += "\r\n";
    if (request.method != "HEAD")
        out += response.body;
    socket->write(out);
    if (close)
        socket->disconnectFromHost();
}

HttpServer::HttpServer() : HttpServer(Options{}) {}

HttpServer::HttpServer(const Options& options) : d(std::make_unique<Impl>()) {
    d->options = options;
    d->start();
    d->ready.acquire();
    if (!d->startError.isEmpty()) {
        d->wait();
        throw std::runtime_error("HttpServer: " + d->startError.toStdString());
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
    const QString scheme = d->options.tlsCertificatePem.isEmpty() ? QStringLiteral("http://") : QStringLiteral("https://");
    return scheme + hostPort() + path;
}

void HttpServer::setRoute(const QString& path, const Response& response) {
    Route route;
    route.response = response;
    QMutexLocker lock(&d->mutex);
    d->routes.insert(path, route);
}

void HttpServer::setPage(const QString& path, const QByteArray& body, const QByteArray& contentType) {
    setRoute(path, {200, "OK", {{"Content-Type", contentType}}, body});
}

void HttpServer::setStatus(const QString& path, int status, const QByteArray& reason, const QByteArray& body) {
    setRoute(path, {status, reason, {{"Content-Type", "text/html"}}, body});
}

void HttpServer::setRedirect(const QString& path, const QByteArray& location, int status) {
    setRoute(path, {status, status == 301 ? "Moved Permanently" : "Found", {{"Location", location}}, "moved"});
}

void HttpServer::setProtected(const QString& path, const QByteArray& user, const QByteArray& password,
                              const QByteArray& body, const QByteArray& contentType) {
    Route route;
    route.response = {200, "OK", {{"Content-Type", contentType}}, body};
    route.requiresAuth = true;
    route.user = user;
    route.password = password;
    QMutexLocker lock(&d->mutex);
    d->routes.insert(path, route);
}

void HttpServer::setStall(const QString& path, Stall how, int maxMilliseconds) {
    Route route;
    route.stalls = true;
    route.stall = how;
    route.stallMs = maxMilliseconds;
    QMutexLocker lock(&d->mutex);
    d->routes.insert(path, route);
}

void HttpServer::removeRoute(const QString& path) {
    QMutexLocker lock(&d->mutex);
    d->routes.remove(path);
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

int HttpServer::connectionCount() const {
    QMutexLocker lock(&d->mutex);
    return d->connections;
}

void HttpServer::clearRequests() {
    QMutexLocker lock(&d->mutex);
    d->requests.clear();
}
