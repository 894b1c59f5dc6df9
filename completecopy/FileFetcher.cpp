#include "completecopy/FileFetcher.h"
#include "completecopy/ContentKind.h"
#include "completecopy/CopyState.h"
#include "completecopy/address/HttpDate.h"
#include "completecopy/address/SiteAddress.h"
#include "copier/DestinationTree.h"
#include "fs/ErrorCodes.h"
#include "net/ImpostaInternet.h"
#include "net/Inet.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

namespace {

constexpr int kMaxRedirects = 10;

} // namespace

FileFetcher::FileFetcher(const FormControls& form, const DestinationTree& destination, const CopyState& state,
                         bool update, const CompleteCopyOptions& options)
    : m_form(form), m_destination(destination), m_state(state), m_update(update), m_options(options) {}

QList<QPair<QByteArray, QByteArray>> FileFetcher::conditions(const QString& address) const {
    QList<QPair<QByteArray, QByteArray>> headers;
    // A file this run already has (the end of a redirect met again), or one an earlier
    // copy kept, unless every file is to be fetched again.
    const CopyState::Entry* kept = m_state.current(address);
    if (!kept && m_update && !m_options.refetch)
        kept = m_state.previous(address);
    if (!kept)
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

FileFetcher::Outcome FileFetcher::fetch(const QUrl& address, const RedirectRule& rule, bool wholeFile) {
    const auto fail = [](int number, const QString& description) {
        return Outcome{std::nullopt, RunError(number, description), QString()};
    };
    QUrl current = address;
    for (int hop = 0;; ++hop) {
        const QString key = addressKey(current);
        // The address box shows each address where it can be seen: a box of a window
        // nobody sees would lay out every text for nothing.
        if (m_form.Form->isVisible())
            m_form.Text1->setText(key);
        waitBetweenRequests();
        const auto asked = conditions(key);
        Inet::Response r;
        try {
            IMPOSTA_INTERNET(*m_form.Inet1, {m_form.txtLOGIN->text(), m_form.txtPASSWORD->text(),
                                             m_form.txtPROXY->text(), m_form.txtPORTA->text()});
            m_requested = true;
            r = m_form.Inet1->Fetch(key, asked);
        } catch (const RunError& e) {
            return fail(e.Number, e.Description);
        }
        if (r.status == 304 && !asked.isEmpty()) {
            // Not modified: the file kept on the disk is the file. Only a page or a
            // stylesheet is read back, for its references, or a file kept under
            // another name as well (the end of a redirect).
            const CopyState::Entry* kept = m_state.current(key) ? m_state.current(key) : m_state.previous(key);
            FetchedFile unchanged{current, QByteArray(), kept->contentType, kept->lastModified, kept->etag, true};
            if (wholeFile || hop > 0 || contentKindOf(kept->contentType, current) != ContentKind::Other) {
                const std::optional<QByteArray> bytes = m_destination.readBytes(m_destination.root() + kept->local);
                if (!bytes)
                    return fail(ErrorCodes::ErroreAccessoFile, ErrorCodes::descrizione(ErrorCodes::ErroreAccessoFile));
                unchanged.body = *bytes;
            }
            return {unchanged, std::nullopt, QString()};
        }
        if (r.status >= 300 && r.status < 400 && r.status != 304 && !r.location.isEmpty()) {
            if (hop >= kMaxRedirects)
                return fail(ErrorCodes::TroppiReindirizzamenti, ErrorCodes::descrizione(ErrorCodes::TroppiReindirizzamenti));
            const QUrl next = resolveReference(current, QString::fromUtf8(r.location));
            const bool web = next.isValid() && (next.scheme() == u"http" || next.scheme() == u"https");
            if (!rule && !web)
                return fail(ErrorCodes::IndirizzoNonValido, ErrorCodes::descrizione(ErrorCodes::IndirizzoNonValido));
            // An address a redirect leads to passes the same rules as a link.
            if (rule) {
                const QString refused = rule(next);
                if (!refused.isEmpty())
                    return {std::nullopt, std::nullopt, refused};
            }
            current = next;
            continue;
        }
        if (r.status != 0 && (r.status < 200 || r.status >= 300)) {
            const QString reason = QString::fromLatin1(r.reason).trimmed();
            return fail(r.status, reason.isEmpty() ? ErrorCodes::descrizioneHttpSenzaMotivo() : reason);
        }
        return {FetchedFile{current, r.body, r.contentType, r.lastModified, r.etag, false}, std::nullopt, QString()};
    }
}

void FileFetcher::waitBetweenRequests() {
    if (!m_requested || m_options.waitSeconds <= 0)
        return;
    QEventLoop pause;
    QTimer::singleShot(int(m_options.waitSeconds * 1000), &pause, &QEventLoop::quit);
    pause.exec();
}
