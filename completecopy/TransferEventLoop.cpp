#include "completecopy/TransferEventLoop.h"

#include <QSocketNotifier>

#include <algorithm>
#include <mutex>
#include <utility>

namespace {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

// The notifiers of one socket number curl is watching.
struct TransferEventLoop::SocketWatch : QObject {
    SocketWatch(curl_socket_t socket, QObject* parent)
        : QObject(parent), read(qintptr(socket), QSocketNotifier::Read, this),
          write(qintptr(socket), QSocketNotifier::Write, this) {}
    QSocketNotifier read;
    QSocketNotifier write;
};

TransferEventLoop::TransferEventLoop(Finished finished, QObject* parent)
    : QObject(parent), finished_(std::move(finished)) {
    initCurlOnce();
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &TransferEventLoop::onSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &TransferEventLoop::onTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
}

TransferEventLoop::~TransferEventLoop() {
    timer_.stop();
    // Curl lets go of its sockets through onSocket as it closes them.
    curl_multi_cleanup(multi_);
    multi_ = nullptr;
}

bool TransferEventLoop::add(CURL* easy) {
    if (curl_multi_add_handle(multi_, easy) != CURLM_OK)
        return false;
    startNeeded_ = true;
    return true;
}

void TransferEventLoop::remove(CURL* easy) {
    curl_multi_remove_handle(multi_, easy);
}

void TransferEventLoop::startAdded() {
    if (startNeeded_ && !driving_)
        drive(CURL_SOCKET_TIMEOUT, 0);
}

TransferEventLoop::SocketWatch* TransferEventLoop::watchFor(curl_socket_t s) {
    SocketWatch*& watch = watches_[s];
    if (!watch) {
        watch = new SocketWatch(s, this);
        connect(&watch->read, &QSocketNotifier::activated, this, [this, s] { drive(s, CURL_CSELECT_IN); });
        connect(&watch->write, &QSocketNotifier::activated, this, [this, s] { drive(s, CURL_CSELECT_OUT); });
    }
    return watch;
}

int TransferEventLoop::onSocket(CURL*, curl_socket_t s, int what, void* user, void*) {
    auto* self = static_cast<TransferEventLoop*>(user);
    if (what == CURL_POLL_REMOVE) {
        // Curl stops watching the socket (and may close it): its notifiers stop, and
        // wait for the next socket of that number.
        if (SocketWatch* watch = self->watches_.value(s)) {
            watch->read.setEnabled(false);
            watch->write.setEnabled(false);
        }
        return 0;
    }
    SocketWatch* watch = self->watchFor(s);
    watch->read.setEnabled((what & CURL_POLL_IN) != 0);
    watch->write.setEnabled((what & CURL_POLL_OUT) != 0);
    return 0;
}

int TransferEventLoop::onTimer(CURLM*, long timeoutMs, void* user) {
    auto* self = static_cast<TransferEventLoop*>(user);
    if (timeoutMs < 0)
        self->timer_.stop();
    else
        self->timer_.start(int(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void TransferEventLoop::drive(curl_socket_t s, int mask) {
    if (driving_) {
        startNeeded_ = true;
        return;
    }
    driving_ = true;
    int stillRunning = 0;
    curl_multi_socket_action(multi_, s, mask, &stillRunning);
    collectDone();
    // Transfers added meanwhile (the next in the queue) go out now.
    while (startNeeded_) {
        startNeeded_ = false;
        curl_multi_socket_action(multi_, CURL_SOCKET_TIMEOUT, 0, &stillRunning);
        collectDone();
    }
    driving_ = false;
}

void TransferEventLoop::collectDone() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &left))
        if (msg->msg == CURLMSG_DONE)
            finished_(msg->easy_handle, msg->data.result);
}
