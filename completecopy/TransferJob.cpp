#include "completecopy/TransferJob.h"

#include <QUrl>

#include <utility>

namespace {

QString originOf(const QString& address) {
    const QUrl url(address);
    return url.scheme().toLower() + QLatin1String("://") + url.host().toLower() + QLatin1Char(':') +
           QString::number(url.port(-1));
}

} // namespace

TransferJob::TransferJob(Owner& owner_, const Request& request_, TransferScheduler::Done done_, quint64 id)
    : owner(owner_), request(request_), done(std::move(done_)), body(request, result),
      origin(originOf(request_.address)) {
    result.id = id;
    result.address = request.address;
}

TransferJob::~TransferJob() {
    freeHandle();
}

bool TransferJob::prepare(const Inet& settings, bool pipeWait) {
    sinceActivity.start();
    body.prepare();
    CURL* h = curl_easy_init();
    if (!h)
        return false;
    easy = h;
    settings.configureTransfer(h, request.address);
    // A server seen to speak HTTP/2 takes the transfer on a connection it already
    // has, alongside the others, rather than on one more: the transfer waits for the
    // connection being made if need be. Any other server would hold it up for nothing
    // (curl lets one waiting transfer go each time another ends).
    if (pipeWait)
        curl_easy_setopt(h, CURLOPT_PIPEWAIT, 1L);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TransferJob::onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TransferJob::onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &TransferJob::onRequestSent);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
    for (const auto& [name, value] : request.headers)
        headerList_ = curl_slist_append(headerList_, (name + ": " + value).constData());
    for (const QByteArray& line : body.rangeHeaders())
        headerList_ = curl_slist_append(headerList_, line.constData());
    if (headerList_)
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList_);
    return true;
}

void TransferJob::freeHandle() {
    if (easy)
        curl_easy_cleanup(easy);
    easy = nullptr;
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
}

QByteArray TransferJob::header(const char* name) const {
    const qsizetype length = qsizetype(qstrlen(name));
    for (const QByteArray& line : headerLines_)
        if (line.size() > length && line.at(length) == ':' && qstrnicmp(line.constData(), name, length) == 0)
            return line.mid(length + 1).trimmed();
    return QByteArray();
}

int TransferJob::onRequestSent(void* user, char*, char*, int, int) {
    auto* job = static_cast<TransferJob*>(user);
    job->requestSent = true;
    job->sinceActivity.restart();
    return CURL_PREREQFUNC_OK;
}

size_t TransferJob::onHeader(char* data, size_t size, size_t count, void* user) {
    auto* job = static_cast<TransferJob*>(user);
    const size_t n = size * count;
    job->sinceActivity.restart();
    const QByteArray line(data, qsizetype(n));
    Result& r = job->result;
    if (line.startsWith("HTTP/")) {
        // A new response: what came before it does not count.
        job->headerLines_.clear();
        job->bodyBegun_ = false;
        r.reason.clear();
        r.answerText.clear();
        QByteArray rest = line.mid(line.indexOf(' ') + 1).trimmed();  // "404 Not Found"
        const qsizetype afterCode = rest.indexOf(' ');
        r.status = (afterCode < 0 ? rest : rest.left(afterCode)).toInt();
        if (afterCode >= 0)
            r.reason = rest.mid(afterCode + 1).trimmed();
    } else if (line.contains(':')) {
        job->headerLines_.append(line.trimmed());
    }
    return n;
}

size_t TransferJob::onBody(char* data, size_t size, size_t count, void* user) {
    auto* job = static_cast<TransferJob*>(user);
    const size_t n = size * count;
    job->sinceActivity.restart();
    job->owner.bodyArriving(*job, qint64(n));
    if (!job->bodyBegun_ && !job->beginBody())
        return 0;
    Result& r = job->result;
    if (!job->isFile_) {
        const qsizetype room = qMax<qsizetype>(0, TransferScheduler::kAnswerTextKept - r.answerText.size());
        r.answerText.append(data, qMin(room, qsizetype(n)));
        return n;
    }
    if (!job->body.write(data, qint64(n)))
        return 0;
    job->noticeIfLarge();
    return n;
}

// The body of the final answer begins: it goes to the temporary file when the answer
// is a file.
bool TransferJob::beginBody() {
    bodyBegun_ = true;
    isFile_ = result.status == 0 || (result.status >= 200 && result.status < 300);
    if (!isFile_)
        return true;
    if (!body.begin([this](const char* name) { return header(name); }))
        return false;
    noticeIfLarge();
    return true;
}

void TransferJob::noticeIfLarge() {
    if (largeNoticed_ || !body.isLarge())
        return;
    largeNoticed_ = true;
    owner.bodyIsLarge(*this);
}

std::optional<RunError> TransferJob::failureFor(CURLcode code) const {
    if (body.failure())
        return body.failure();
    if (code == CURLE_OK)
        return std::nullopt;
    long connectStatus = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    if (connectStatus >= 400) {  // the proxy refused the tunnel
        const QString reason = QString::fromLatin1(result.reason).trimmed();
        return RunError(int(connectStatus), reason.isEmpty() ? ErrorCodes::descrizioneHttpSenzaMotivo() : reason);
    }
    return numberedFailure(Inet::failureNumber(int(code)));
}

void TransferJob::finish(std::optional<RunError> failure) {
    // An answer that is a file but has no body still makes its (empty) file.
    if (!failure && !bodyBegun_ && !beginBody())
        failure = body.failure();
    if (!failure && body.failure())
        failure = body.failure();
    body.close();
    if (!failure && body.failure())
        failure = body.failure();  // the file's last write failed as it was closed
    fillHeaders(result);
    if (failure)
        result.failure = failure;
    body.finish(failure);
}

void TransferJob::fillHeaders(Result& r) const {
    r.contentType = header("Content-Type");
    r.location = header("Location");
    r.lastModified = header("Last-Modified");
    r.etag = header("ETag");
    r.retryAfter = header("Retry-After");
    r.contentRange = header("Content-Range");
    bool known = false;
    const qint64 length = header("Content-Length").toLongLong(&known);
    r.contentLength = known ? length : -1;
}

TransferJob::Result TransferJob::largeBodyNotice() const {
    Result notice = result;
    fillHeaders(notice);
    notice.temporaryFile = TransferScheduler::temporaryFileFor(request.bodyFile);
    notice.body = QByteArray();
    return notice;
}
