#pragma once
// A TCP proxy on 127.0.0.1 that gives a loopback server the latency of a distant one:
// every chunk of bytes that arrives, from the client or from the server, is passed on
// after a fixed delay, in the order it came in each direction. With 10 ms a request
// and its answer take 20 ms more than on the loopback. It forwards from a thread of its
// own, so the thread that made it may block waiting for a copier. Bytes are held for
// the delay only: it is meant for pages, not for files larger than the memory.
#include <QString>
#include <memory>

class DelayingProxy {
public:
    DelayingProxy(quint16 upstreamPort, int delayMs);
    ~DelayingProxy();
    DelayingProxy(const DelayingProxy&) = delete;
    DelayingProxy& operator=(const DelayingProxy&) = delete;

    quint16 port() const;
    QString hostPort() const;                // "127.0.0.1:<port>"
    QString url(const QString& path) const;  // "http://127.0.0.1:<port><path>"

    // Connections accepted, and the most that were open at once, since the last reset.
    int connections() const;
    int mostOpenAtOnce() const;
    void resetCounts();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
