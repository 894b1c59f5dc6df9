#include "completecopy/TransferScheduler.h"

#include "completecopy/TransferEventLoop.h"
#include "completecopy/TransferJob.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "fs/TemporaryFiles.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <utility>

namespace {

constexpr char kPartSuffix[] = ".mirasito-parte";
// How often the transfers are looked at for a server that went silent.
constexpr int kWatchIntervalMs = 200;

} // namespace

struct TransferScheduler::Impl final : TransferJob::Owner {
    TransferScheduler* q = nullptr;
    const Inet& settings;
    int connections = 4;
    int pauseMs = 0;

    std::deque<std::unique_ptr<TransferJob>> queue;
    QHash<CURL*, TransferJob*> runningJobs;
    std::vector<std::unique_ptr<TransferJob>> owned;  // running jobs, owned here
    quint64 nextId = 1;
    Counters counters;

    QTimer watchTimer;  // looks for silent servers
    QTimer pauseTimer;  // the pause between two requests is over
    QElapsedTimer sinceLastEnd;

    // What waits to be handed over, in the order it came: a transfer's result, or the
    // notice that its body is large (queued before its result, so handed over first).
    struct Delivery {
        std::unique_ptr<TransferJob> job;  // for its result
        std::function<void(const Result&)> onLargeBody;
        Result notice;
        bool releasesHold = false;  // the redirect the transfers wait for
    };
    std::deque<Delivery> deliveries;
    bool handOverQueued = false;
    // One request at a time and a redirect just ended: its next step goes out before
    // the requests waiting, so nothing starts until the redirect is handed over.
    bool holdForRedirect = false;

    // Whether each server answered over HTTP/2, as its answers showed.
    QHash<QString, bool> multiplexing;

    // Declared last: it goes first, once the transfers have let go of their handles.
    TransferEventLoop loop;

    Impl(TransferScheduler* owner, const Inet& inet)
        : q(owner), settings(inet), loop([this](CURL* easy, CURLcode code) { transferDone(easy, code); }) {}

    int limit() const { return pauseMs > 0 ? 1 : connections; }

    void bodyArriving(TransferJob& job, qint64 bytes) override;
    void bodyIsLarge(TransferJob& job) override;
    void noteProtocol(TransferJob& job);
    void transferDone(CURL* easy, CURLcode code);
    void schedule();
    void launch(std::unique_ptr<TransferJob> job);
    void endTransfer(TransferJob* job, std::optional<RunError> failure);
    std::unique_ptr<TransferJob> takeRunning(TransferJob* job);
    void deliver(Delivery delivery);
    void handOver();
    void watchSilence();
};

void TransferScheduler::Impl::bodyArriving(TransferJob& job, qint64 bytes) {
    counters.bytesReceived += bytes;
    noteProtocol(job);
}

void TransferScheduler::Impl::bodyIsLarge(TransferJob& job) {
    if (job.request.onLargeBody)
        deliver({nullptr, job.request.onLargeBody, job.largeBodyNotice()});
}

// Once an answer is in, its HTTP version is known (not before: a proxy's tunnel answers
// over HTTP/1.1 whatever the server then speaks).
void TransferScheduler::Impl::noteProtocol(TransferJob& job) {
    if (job.protocolSeen || !job.easy)
        return;
    job.protocolSeen = true;
    long version = 0;
    if (curl_easy_getinfo(job.easy, CURLINFO_HTTP_VERSION, &version) == CURLE_OK && version != 0)
        multiplexing.insert(job.origin, version >= CURL_HTTP_VERSION_2_0);
}

void TransferScheduler::Impl::transferDone(CURL* easy, CURLcode code) {
    if (TransferJob* job = runningJobs.value(easy))
        endTransfer(job, job->failureFor(code));
}

void TransferScheduler::Impl::schedule() {
    while (!holdForRedirect && !queue.empty() && int(runningJobs.size()) < limit()) {
        if (pauseMs > 0 && sinceLastEnd.isValid() && sinceLastEnd.elapsed() < pauseMs) {
            pauseTimer.start(int(pauseMs - sinceLastEnd.elapsed()));
            return;
        }
        std::unique_ptr<TransferJob> job = std::move(queue.front());
        queue.pop_front();
        launch(std::move(job));
    }
    loop.startAdded();
}

void TransferScheduler::Impl::launch(std::unique_ptr<TransferJob> mine) {
    TransferJob* job = mine.get();
    if (!job->prepare(settings, multiplexing.value(job->origin, false)) || !loop.add(job->easy)) {
        job->freeHandle();
        job->result.failure = numberedFailure(ErrorCodes::ErroreTrasferimento);
        deliver({std::move(mine), {}, {}});
        return;
    }
    runningJobs.insert(job->easy, job);
    owned.push_back(std::move(mine));
    ++counters.started;
    counters.mostInFlight = std::max(counters.mostInFlight, int(runningJobs.size()));
    if (!watchTimer.isActive())
        watchTimer.start();
}

std::unique_ptr<TransferJob> TransferScheduler::Impl::takeRunning(TransferJob* job) {
    runningJobs.remove(job->easy);
    const auto it = std::find_if(owned.begin(), owned.end(), [job](const auto& j) { return j.get() == job; });
    std::unique_ptr<TransferJob> mine = std::move(*it);
    owned.erase(it);
    return mine;
}

// A running transfer is over: its handle goes, its file is closed and kept, handed
// over or removed, and its result waits to be handed over.
void TransferScheduler::Impl::endTransfer(TransferJob* job, std::optional<RunError> failure) {
    if (!job)
        return;
    std::unique_ptr<TransferJob> mine = takeRunning(job);
    loop.remove(job->easy);
    job->finish(std::move(failure));
    if (!job->result.failure)
        noteProtocol(*job);
    job->freeHandle();
    sinceLastEnd.start();
    if (runningJobs.isEmpty())
        watchTimer.stop();
    const int status = job->result.status;
    const bool redirect = status >= 300 && status < 400 && !job->result.location.isEmpty();
    const bool hold = redirect && limit() == 1;
    deliver({std::move(mine), {}, {}, hold});
    if (hold)
        holdForRedirect = true;
    else
        schedule();
}

void TransferScheduler::Impl::deliver(Delivery delivery) {
    deliveries.push_back(std::move(delivery));
    if (handOverQueued)
        return;
    handOverQueued = true;
    QMetaObject::invokeMethod(q, [this] { handOver(); }, Qt::QueuedConnection);
}

void TransferScheduler::Impl::handOver() {
    handOverQueued = false;
    QPointer<TransferScheduler> alive(q);
    // A callback may start transfers, cancel, or wait in an event loop of its own
    // (where the next ones are handed over): each is taken out first.
    while (alive && !deliveries.empty()) {
        Delivery next = std::move(deliveries.front());
        deliveries.pop_front();
        // The redirect held back the transfers waiting: its next step, asked for as
        // it is handed over, goes first; without one, the next waiting goes.
        if (next.releasesHold)
            holdForRedirect = false;
        if (!next.job)
            next.onLargeBody(next.notice);
        else if (next.job->done)
            next.job->done(next.job->result);
        if (alive && next.releasesHold)
            schedule();
    }
    if (alive && q->isIdle())
        emit q->becameIdle();
}

// A server asked that sends nothing for the stall time fails the transfer, as one that
// neither the connect limit nor the server ends.
void TransferScheduler::Impl::watchSilence() {
    const Inet::Timeouts limits = settings.timeouts();
    const qint64 idleMs = qint64(limits.stallSeconds) * 1000;
    const qint64 silenceMs = qint64(limits.connectSeconds + limits.stallSeconds + 5) * 1000;
    QList<TransferJob*> silent;
    for (TransferJob* job : std::as_const(runningJobs)) {
        const qint64 quiet = job->sinceActivity.elapsed();
        if ((job->requestSent && quiet > idleMs) || quiet > silenceMs)
            silent.append(job);
    }
    for (TransferJob* job : silent)
        endTransfer(job, numberedFailure(ErrorCodes::TempoScaduto));
}

// --- the scheduler -------------------------------------------------------------------

TransferScheduler::TransferScheduler(const Inet& settings, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this, settings)) {
    CURLM* multi = d->loop.multi();
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, long(d->connections));
    // Room for the connections of a few servers besides the site's own.
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, long(2 * kMaxConnections));

    d->watchTimer.setInterval(kWatchIntervalMs);
    connect(&d->watchTimer, &QTimer::timeout, this, [this] { d->watchSilence(); });
    d->pauseTimer.setSingleShot(true);
    connect(&d->pauseTimer, &QTimer::timeout, this, [this] { d->schedule(); });
}

TransferScheduler::~TransferScheduler() {
    d->queue.clear();
    d->deliveries.clear();
    while (!d->owned.empty()) {
        TransferJob* job = d->owned.back().get();
        job->done = nullptr;
        d->endTransfer(job, numberedFailure(ErrorCodes::OperazioneAnnullata));
        d->deliveries.clear();
    }
    d->watchTimer.stop();
    d->pauseTimer.stop();
}

void TransferScheduler::setConnections(int n) {
    d->connections = std::clamp(n, 1, kMaxConnections);
    curl_multi_setopt(d->loop.multi(), CURLMOPT_MAX_HOST_CONNECTIONS, long(d->connections));
    d->schedule();
}

int TransferScheduler::connections() const {
    return d->connections;
}

void TransferScheduler::setPause(int milliseconds) {
    d->pauseMs = std::max(0, milliseconds);
    d->schedule();
}

int TransferScheduler::pause() const {
    return d->pauseMs;
}

quint64 TransferScheduler::start(const Request& request, Done done, bool first) {
    const quint64 id = d->nextId++;
    auto job = std::make_unique<TransferJob>(*d, request, std::move(done), id);
    if (first)
        d->queue.push_front(std::move(job));
    else
        d->queue.push_back(std::move(job));
    d->schedule();
    return id;
}

void TransferScheduler::cancelAll() {
    // The waiting ones first, so that none starts as the running ones end.
    std::deque<std::unique_ptr<TransferJob>> waiting;
    waiting.swap(d->queue);
    d->pauseTimer.stop();
    std::vector<TransferJob*> running;
    for (const auto& job : d->owned)
        running.push_back(job.get());
    std::sort(running.begin(), running.end(),
              [](const TransferJob* a, const TransferJob* b) { return a->result.id < b->result.id; });
    for (TransferJob* job : running)
        d->endTransfer(job, numberedFailure(ErrorCodes::OperazioneAnnullata));
    for (auto& job : waiting) {
        job->result.failure = numberedFailure(ErrorCodes::OperazioneAnnullata);
        d->deliver({std::move(job), {}, {}});
    }
}

bool TransferScheduler::isIdle() const {
    return d->queue.empty() && d->owned.empty() && d->deliveries.empty();
}

int TransferScheduler::running() const {
    return int(d->owned.size());
}

int TransferScheduler::waiting() const {
    return int(d->queue.size());
}

void TransferScheduler::waitUntilIdle() {
    if (isIdle())
        return;
    QEventLoop loop;
    connect(this, &TransferScheduler::becameIdle, &loop, &QEventLoop::quit);
    loop.exec();
}

TransferScheduler::Counters TransferScheduler::counters() const {
    return d->counters;
}

QString TransferScheduler::temporaryFileFor(const QString& bodyFile) {
    return bodyFile + QLatin1String(kPartSuffix);
}

void TransferScheduler::putInPlace(const QString& temporaryFile, const QString& bodyFile, const QDateTime& modified) {
    const QString from = nativePath(temporaryFile);
    const QString to = nativePath(bodyFile);
    if (!QFileInfo(from).isFile())
        ErrorCodes::raise(ErrorCodes::FileNonTrovato);
    if (modified.isValid()) {
        QFile file(from);
        if (file.open(QIODevice::ReadWrite | QIODevice::Append))
            file.setFileTime(modified, QFileDevice::FileModificationTime);
    }
    const QFileInfo target(to);
    if (!QFileInfo(target.absolutePath()).isDir())
        ErrorCodes::raise(ErrorCodes::PercorsoNonTrovato);
    if (target.isDir())
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    std::error_code renamed;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            renamed);
    if (renamed)
        ErrorCodes::raise(renamed == std::errc::permission_denied ? ErrorCodes::PermessoNegato
                                                                  : ErrorCodes::ErroreAccessoFile);
    TemporaryFiles::forget(from);
}

void TransferScheduler::discard(const QString& temporaryFile) {
    const QString path = nativePath(temporaryFile);
    QFile::remove(path);
    TemporaryFiles::forget(path);
}

QByteArray TransferScheduler::Result::rangeValidator() const {
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return lastModified;
}
