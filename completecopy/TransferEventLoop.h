#pragma once
#include <QHash>
#include <QObject>
#include <QTimer>

#include <curl/curl.h>

#include <functional>

// A libcurl multi handle run by the Qt event loop: each socket curl watches gets its
// notifiers, curl's timeout a timer, and when either fires curl is given the event
// (socket_action). The transfers it has then finished are reported one at a time.
class TransferEventLoop : public QObject {
public:
    // A transfer curl has finished, with curl's code. Never called from inside one of
    // curl's callbacks: it may remove the handle and add others.
    using Finished = std::function<void(CURL* easy, CURLcode code)>;

    explicit TransferEventLoop(Finished finished, QObject* parent = nullptr);
    // Every handle must have been removed first. Closes the connections kept.
    ~TransferEventLoop() override;

    CURLM* multi() const { return multi_; }

    // The handle joins the others; it goes out at the next startAdded(). False when
    // curl refuses it.
    bool add(CURL* easy);
    void remove(CURL* easy);
    // Lets curl start the handles added: at once, or, while curl is already being
    // driven, as soon as that is over.
    void startAdded();

private:
    struct SocketWatch;
    SocketWatch* watchFor(curl_socket_t s);
    static int onSocket(CURL*, curl_socket_t s, int what, void* user, void* socketData);
    static int onTimer(CURLM*, long timeoutMs, void* user);
    void drive(curl_socket_t s, int mask);
    void collectDone();

    Finished finished_;
    CURLM* multi_ = nullptr;
    QTimer timer_;  // when curl wants to be called back
    // The notifiers of each socket number curl has watched, kept when it stops watching:
    // a connection kept alive is watched again for every transfer it carries.
    QHash<curl_socket_t, SocketWatch*> watches_;
    bool driving_ = false;
    bool startNeeded_ = false;
};
