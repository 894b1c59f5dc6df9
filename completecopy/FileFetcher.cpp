#include "completecopy/FileFetcher.h"
#include "completecopy/ContentKind.h"
#include "completecopy/CopyState.h"
#include "completecopy/address/HttpDate.h"
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "copier/DestinationTree.h"
#include "copier/InsideDestination.h"
#include "fs/ErrorCodes.h"
#include "net/ImpostaInternet.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kMaxRedirects = 10;
// A site too busy is asked again at most this many times for one file, and never
// waited for longer than this at a time.
constexpr int kMaxRetries = 5;
constexpr qint64 kLongestWaitMs = 120 * 1000;

// What Retry-After asks for, in milliseconds from now: a number of seconds or a date;
// -1 when it asks for nothing that can be read.
qint64 retryAfterMs(const QByteArray& value) {
    bool number = false;
    const qint64 seconds = value.trimmed().toLongLong(&number);
    if (number)
        return seconds >= 0 ? seconds * 1000 : -1;
    const QDateTime when = parseHttpDate(value.trimmed());
    return when.isValid() ? std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(when)) : -1;
}

} // namespace

struct FileFetcher::Chain {
    QUrl current;
    int hop = 0;
    int retries = 0;
    RedirectRule rule;
    bool wholeFile = false;
    Done done;
    QList<QPair<QByteArray, QByteArray>> asked;  // the conditions of the request under way
};

FileFetcher::FileFetcher(const FormControls& form, TransferScheduler& transfers, const DestinationTree& destination,
                         CopyState& state, bool update, const CompleteCopyOptions& options)
    : m_form(form), m_transfers(transfers), m_destination(destination), m_state(state), m_update(update),
      m_options(options), m_alive(std::make_shared<bool>(true)) {}

FileFetcher::~FileFetcher() {
    *m_alive = false;
}

QList<QPair<QByteArray, QByteArray>> FileFetcher::conditions(const QString& address) const {
    QList<QPair<QByteArray, QByteArray>> headers;
    // A file this run already has (the end of a redirect met again), or one an earlier
    // copy kept, unless every file is to be fetched again.
    const CopyState::Entry* kept = m_state.current(address);
    if (!kept && m_update && !m_options.refetch)
        kept = m_state.previous(address);
    // A page kept converted is no use to a copy that keeps files as served.
    if (!kept || (kept->converted && m_options.asServed))
        return headers;
    // Only for a file still on the disk: the server's "not modified" keeps it.
    const QDateTime modified = m_destination.modified(m_destination.root() + kept->local);
    if (!modified.isValid())
        return headers;
    if (!kept->etag.isEmpty())
        headers.append({"If-None-Match", kept->etag});
    if (!kept->lastModified.isEmpty())
        headers.append({"If-Modified-Since", httpDate(modified)});
    return headers;
}

void FileFetcher::fetch(const QUrl& address, RedirectRule rule, bool wholeFile, Done done) {
    auto chain = std::make_shared<Chain>();
    chain->current = address;
    chain->rule = std::move(rule);
    chain->wholeFile = wholeFile;
    chain->done = std::move(done);
    ask(chain);
}

void FileFetcher::ask(const std::shared_ptr<Chain>& chain) {
    const QString key = addressKey(chain->current);
    // The address box shows each address where it can be seen: a box of a window
    // nobody sees would lay out every text for nothing.
    if (m_form.Form->isVisible())
        m_form.Text1->setText(key);
    // The window's Internet settings, as they stand now, go with every request.
    try {
        IMPOSTA_INTERNET(*m_form.Inet1, {m_form.txtLOGIN->text(), m_form.txtPASSWORD->text(), m_form.txtPROXY->text(),
                                         m_form.txtPORTA->text()});
    } catch (const RunError& e) {
        return chain->done({std::nullopt, e, QString()});
    }
    chain->asked = conditions(key);
    // The body is written beside the file it is for (the transfer makes its folder).
    const QString local = m_destination.root() + localPathFor(chain->current);
    if (!insideDestination(m_destination.root(), local))
        return chain->done({std::nullopt, RunError(ErrorCodes::ErroreAccessoFile,
                                                    ErrorCodes::descrizione(ErrorCodes::ErroreAccessoFile)),
                            QString()});
    TransferScheduler::Request request;
    request.address = key;
    request.headers = chain->asked;
    request.bodyFile = resolvedPath(local);
    // A small page or stylesheet is written once, as the copy makes it.
    request.smallPagesInMemoryOnly = true;
    // The part of a large file an earlier run was cut in is continued, as long as the
    // server still has the same file.
    if (const QByteArray* validator = m_state.partial(key); validator && chain->asked.isEmpty()) {
        const QFileInfo part(TransferScheduler::temporaryFileFor(request.bodyFile));
        if (part.isFile() && part.size() > 0) {
            request.continueFrom = part.size();
            request.continueValidator = *validator;
        }
    }
    CopyState& state = m_state;
    request.onLargeBody = [&state, key, alive = m_alive](const TransferScheduler::Result& r) {
        if (*alive && !r.rangeValidator().isEmpty())
            state.recordPartial(key, r.rangeValidator());
    };
    m_transfers.start(
        request,
        [this, chain, alive = m_alive](const TransferScheduler::Result& r) {
            if (*alive)
                answered(chain, r);
        },
        chain->hop > 0 || chain->retries > 0);
}

bool FileFetcher::retryLater(const std::shared_ptr<Chain>& chain, const TransferScheduler::Result& r) {
    const qint64 wait = retryAfterMs(r.retryAfter);
    if (wait < 0 || wait > kLongestWaitMs || chain->retries >= kMaxRetries || m_stopped)
        return false;
    ++chain->retries;
    // A site that says it is too busy gets one request at a time from now on.
    m_transfers.setConnections(1);
    QTimer::singleShot(int(wait), [this, chain, alive = m_alive] {
        if (!*alive)
            return;
        if (m_stopped)
            chain->done({std::nullopt, RunError(ErrorCodes::OperazioneAnnullata,
                                                ErrorCodes::descrizione(ErrorCodes::OperazioneAnnullata)),
                         QString()});
        else
            ask(chain);
    });
    return true;
}

void FileFetcher::answered(const std::shared_ptr<Chain>& chain, const TransferScheduler::Result& r) {
    const auto fail = [&](const RunError& e) {
        if (!r.temporaryFile.isEmpty() && !r.partialKept)
            TransferScheduler::discard(r.temporaryFile);
        chain->done({std::nullopt, e, QString()});
    };
    const auto failWith = [&](int number) { fail(RunError(number, ErrorCodes::descrizione(number))); };
    if (r.failure)
        return fail(*r.failure);
    const QString key = addressKey(chain->current);
    if (r.status == 304 && !chain->asked.isEmpty()) {
        // Not modified: the file kept on the disk is the file. Only a page or a
        // stylesheet is read back, for its references, or a file asked for whole.
        const CopyState::Entry* kept = m_state.current(key) ? m_state.current(key) : m_state.previous(key);
        FetchedFile unchanged;
        unchanged.finalAddress = chain->current;
        unchanged.contentType = kept->contentType;
        unchanged.lastModified = kept->lastModified;
        unchanged.etag = kept->etag;
        unchanged.bytesFile = resolvedPath(m_destination.root() + kept->local);
        unchanged.notModified = true;
        unchanged.sha256 = kept->sha256;
        if (chain->wholeFile || contentKindOf(kept->contentType, chain->current) != ContentKind::Other) {
            const std::optional<QByteArray> bytes = m_destination.readBytes(m_destination.root() + kept->local);
            if (!bytes)
                return failWith(ErrorCodes::ErroreAccessoFile);
            unchanged.body = *bytes;
            unchanged.bodyRead = true;
        }
        unchanged.size = QFileInfo(unchanged.bytesFile).size();
        return chain->done({unchanged, std::nullopt, QString()});
    }
    if (r.status >= 300 && r.status < 400 && r.status != 304 && !r.location.isEmpty()) {
        if (chain->hop >= kMaxRedirects)
            return failWith(ErrorCodes::TroppiReindirizzamenti);
        const QUrl next = resolveReference(chain->current, QString::fromUtf8(r.location));
        const bool web = next.isValid() && (next.scheme() == u"http" || next.scheme() == u"https");
        if (!chain->rule && !web)
            return failWith(ErrorCodes::IndirizzoNonValido);
        // An address a redirect leads to passes the same rules as a link.
        if (chain->rule) {
            const QString refused = chain->rule(next);
            if (!refused.isEmpty())
                return chain->done({std::nullopt, std::nullopt, refused});
        }
        if (m_stopped)
            return failWith(ErrorCodes::OperazioneAnnullata);
        chain->current = next;
        ++chain->hop;
        return ask(chain);
    }
    if ((r.status == 429 || r.status == 503) && retryLater(chain, r))
        return;
    if (r.status != 0 && (r.status < 200 || r.status >= 300)) {
        const QString reason = QString::fromLatin1(r.reason).trimmed();
        return fail(RunError(r.status, reason.isEmpty() ? ErrorCodes::descrizioneHttpSenzaMotivo() : reason));
    }
    m_state.partialDone(key);
    FetchedFile file;
    file.finalAddress = chain->current;
    file.contentType = r.contentType;
    file.lastModified = r.lastModified;
    file.etag = r.etag;
    file.bytesFile = r.temporaryFile;
    file.size = r.fileSize;
    file.sha256 = r.sha256.toHex();
    file.body = r.body;
    file.bodyRead = r.inMemory;
    file.tooLargeToRead = r.tooLargeToRead;
    if (chain->wholeFile && !file.bodyRead && !file.tooLargeToRead && !file.bytesFile.isEmpty()) {
        QFile f(file.bytesFile);
        if (!f.open(QIODevice::ReadOnly))
            return failWith(ErrorCodes::ErroreAccessoFile);
        file.body = f.readAll();
        file.bodyRead = true;
    }
    chain->done({file, std::nullopt, QString()});
}
