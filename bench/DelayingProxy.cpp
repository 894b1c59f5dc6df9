#include "bench/DelayingProxy.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <deque>
#include <functional>

namespace {

// One direction of a connection: what arrived from `from`, each chunk with the time it
// is due at `to`.
class Pipe : public QObject {
public:
    Pipe(QTcpSocket* from, QTcpSocket* to, int delayMs, const QElapsedTimer& clock, QObject* parent)
        : QObject(parent), from_(from), to_(to), delayMs_(delayMs), clock_(clock) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &Pipe::flush);
        connect(from, &QTcpSocket::readyRead, this, &Pipe::take);
        // Closed by its end, broken, or never connected: what came is still passed on.
        connect(from, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
            if (state != QAbstractSocket::UnconnectedState || fromClosed_)
                return;
            take();
            fromClosed_ = true;
            flush();
        });
        connect(to, &QTcpSocket::connected, this, &Pipe::flush);
    }

    // Both ends closed and nothing left to pass on.
    bool done() const { return fromClosed_ && queue_.empty(); }
    std::function<void()> onDone;

private:
    void take() {
        const QByteArray bytes = from_->readAll();
        if (bytes.isEmpty())
            return;
        queue_.push_back({clock_.nsecsElapsed() + delayMs_ * 1000000LL, bytes});
        if (!timer_.isActive())
            wait();
    }

    // Until the first chunk is due, in whole milliseconds rounded up: never early.
    void wait() {
        const qint64 left = queue_.front().due - clock_.nsecsElapsed();
        timer_.start(int(qMax<qint64>(0, (left + 999999) / 1000000)));
    }

    void flush() {
        if (to_->state() == QAbstractSocket::ConnectedState) {
            const qint64 now = clock_.nsecsElapsed();
            while (!queue_.empty() && queue_.front().due <= now) {
                to_->write(queue_.front().bytes);
                queue_.pop_front();
            }
        } else if (to_->state() == QAbstractSocket::UnconnectedState) {
            queue_.clear();  // the other end is gone: nobody to hand them to
        } else {
            return;  // still connecting: its connected() flushes
        }
        if (!queue_.empty()) {
            if (!timer_.isActive())
                wait();
            return;
        }
        if (fromClosed_) {
            if (to_->state() != QAbstractSocket::UnconnectedState)
                to_->disconnectFromHost();  // after what is still to be written
            if (onDone)
                onDone();
        }
    }

    struct Chunk {
        qint64 due;  // ns on the proxy's clock
        QByteArray bytes;
    };
    QTcpSocket* from_;
    QTcpSocket* to_;
    const int delayMs_;
    const QElapsedTimer& clock_;
    std::deque<Chunk> queue_;
    QTimer timer_;
    bool fromClosed_ = false;
};

} // namespace

struct DelayingProxy::Impl : QThread {
    quint16 upstreamPort = 0;
    int delayMs = 0;
    QSemaphore ready;
    std::atomic<quint16> port{0};
    std::atomic<int> connections{0};
    std::atomic<int> open{0};
    std::atomic<int> mostOpen{0};
    QElapsedTimer clock;

    QObject* links = nullptr;  // parent of every connection's objects, in the thread

    void run() override {
        clock.start();
        QObject root;
        links = &root;
        QTcpServer listener;
        port = listener.listen(QHostAddress::LocalHost, 0) ? listener.serverPort() : 0;
        QObject::connect(&listener, &QTcpServer::pendingConnectionAvailable, &listener, [this, &listener] {
            while (QTcpSocket* client = listener.nextPendingConnection())
                link(client);
        });
        ready.release();
        if (port != 0)
            exec();
    }

    // Joins a client's connection to a new one to the server; both go when both
    // directions are closed and passed on.
    void link(QTcpSocket* client) {
        ++connections;
        const int now = ++open;
        for (int most = mostOpen; now > most && !mostOpen.compare_exchange_weak(most, now);) {
        }
        auto* holder = new QObject(links);
        client->setParent(holder);
        auto* server = new QTcpSocket(holder);
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto* up = new Pipe(client, server, delayMs, clock, holder);
        auto* down = new Pipe(server, client, delayMs, clock, holder);
        const auto end = [this, holder, up, down] {
            if (up->done() && down->done() && !holder->property("ending").toBool()) {
                holder->setProperty("ending", true);
                --open;
                holder->deleteLater();
            }
        };
        up->onDone = end;
        down->onDone = end;
        QObject::connect(server, &QTcpSocket::connected, server,
                         [server] { server->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
        server->connectToHost(QHostAddress::LocalHost, upstreamPort);
    }
};

DelayingProxy::DelayingProxy(quint16 upstreamPort, int delayMs) : d(std::make_unique<Impl>()) {
    d->upstreamPort = upstreamPort;
    d->delayMs = delayMs;
    d->start();
    d->ready.acquire();
}

DelayingProxy::~DelayingProxy() {
    d->quit();
    d->wait();
}

quint16 DelayingProxy::port() const {
    return d->port;
}

QString DelayingProxy::hostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QString DelayingProxy::url(const QString& path) const {
    return "http://" + hostPort() + path;
}

int DelayingProxy::connections() const {
    return d->connections;
}

int DelayingProxy::mostOpenAtOnce() const {
    return d->mostOpen;
}

void DelayingProxy::resetCounts() {
    d->connections = 0;
    d->mostOpen = d->open.load();
}
