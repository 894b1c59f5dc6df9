#include "copier/CompleteCrawl.h"
#include "copier/CopyReport.h"
#include "copier/CopyState.h"
#include "copier/CssReferences.h"
#include "copier/DestinationTree.h"
#include "copier/HtmlReferences.h"
#include "copier/HttpDate.h"
#include "copier/LocalPath.h"
#include "copier/SiteAddress.h"
#include "display/BrowserWait.h"
#include "display/PaneRequestLog.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include "fs/DoEvents.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "net/ImpostaInternet.h"
#include "net/Inet.h"
#include "reader/SorgenteDaByte.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <QWebEngineUrlRequestInfo>
#include <algorithm>

namespace {

constexpr int kMaxRedirects = 10;
// After the last page, how long a shown copy waits for what the pane still asks for.
constexpr int kPaneQuietMs = 300;
const QByteArray kProductToken = "Mirasito";

QByteArray charsetOf(const QByteArray& contentType) {
    for (const QByteArray& part : contentType.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.toLower().startsWith("charset="))
            return p.mid(8).trimmed().replace('"', "").replace('\'', "");
    }
    return QByteArray();
}

bool ticked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

// The address as the report and the address box show it.
QString shown(const QUrl& address) {
    return address.toString(QUrl::FullyEncoded);
}

QString pathAndQuery(const QUrl& address) {
    QString p = address.path(QUrl::FullyEncoded);
    if (address.hasQuery())
        p += u'?' + address.query(QUrl::FullyEncoded);
    return p;
}

// True when one local file would stand where the other needs a folder ("docs" and
// "docs\index.html").
bool clash(const QString& a, const QString& b) {
    return a.startsWith(b + u'\\') || b.startsWith(a + u'\\');
}

} // namespace

CompleteCrawl::CompleteCrawl(const FormControls& form, const DestinationTree& destination, CopyReport& report,
                             CopyState& state, bool update, const CompleteCopyOptions& options,
                             const CopyObserver& observer, PaneRequestLog* paneLog)
    : m_form(form), m_destination(destination), m_report(report), m_state(state), m_update(update),
      m_options(options), m_observer(observer), m_paneLog(paneLog) {}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::run(const QUrl& start, double maxLevel) {
    m_maxLevel = maxLevel;
    if (auto failure = copyStart(start))
        return failure;
    for (;;) {
        while (!m_queue.empty()) {
            if (m_counts.files + m_counts.unchanged >= m_options.maxFiles) {
                // Whatever is still waiting is listed as left out.
                m_counts.limitReached = true;
                for (const Item& rest : m_queue) {
                    m_report.leftOut(rest.level, shown(rest.address), QStringLiteral("limite di file"), rest.referrer);
                    ++m_counts.leftOut;
                }
                m_queue.clear();
                m_report.note(QStringLiteral("limite di %1 file raggiunto").arg(m_options.maxFiles));
                break;
            }
            const Item item = m_queue.front();
            m_queue.pop_front();
            copyItem(item);
            DoEvents();
        }
        if (m_counts.limitReached || !m_paneLog)
            break;
        // The pane may still be loading what the last page asked for.
        QEventLoop quiet;
        QTimer::singleShot(kPaneQuietMs, &quiet, &QEventLoop::quit);
        quiet.exec();
        takePaneRequests(m_levelShown + 1);
        if (m_queue.empty())
            break;
    }
    finishLeftOut();
    finishState();
    m_counts.addresses = int(m_seen.size() + m_leftOut.size());
    return std::nullopt;
}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::copyStart(const QUrl& start) {
    const Item item{start, 0, false, QString(), false};
    m_seen.insert(addressKey(start));
    // The start page is taken whatever robots.txt says, and wherever it leads: the
    // site is the one it ends up on.
    std::optional<RunError> failure;
    const std::optional<Fetched> file = fetch(item, &failure, true);
    if (!file)
        return StartFailure{false, QString(), *failure};
    m_scope.emplace(file->finalAddress);
    try {
        reportSaved(item, saveAll(item, *file));
    } catch (const RunError& e) {
        return StartFailure{true, m_destination.root() + localPathFor(start), e};
    }
    if (!m_options.ignoreRobots)
        loadRobots();
    readFile(item, *file);
    return std::nullopt;
}

void CompleteCrawl::loadRobots() {
    QUrl robots = m_scope->start();
    robots.setPath(QStringLiteral("/robots.txt"));
    robots.setQuery(QString());
    const QString key = addressKey(robots);
    if (m_seen.contains(key))
        return;
    m_seen.insert(key);
    const Item item{robots, 0, true, QString(), false};
    // A site without robots.txt, or one that cannot be read, refuses nothing.
    std::optional<RunError> failure;
    const std::optional<Fetched> file = fetch(item, &failure, false, true);
    if (!file) {
        if (failure)
            m_report.note(QStringLiteral("robots.txt non letto (%1 - %2): nessuna regola").arg(failure->Number).arg(failure->Description));
        return;
    }
    m_robots = RobotsRules::parse(file->body, kProductToken);
    try {
        reportSaved(item, saveAll(item, *file));
    } catch (const RunError& e) {
        failed(item, e.Number, e.Description);
    }
}

void CompleteCrawl::copyItem(const Item& item) {
    showLevel(item.level);
    const std::optional<Fetched> file = fetch(item);
    if (!file)
        return;
    // A redirect to an address the copy has taken already: that address's own turn
    // reads it.
    const QString finalKey = addressKey(file->finalAddress);
    const bool readElsewhere = finalKey != addressKey(item.address) && m_seen.contains(finalKey);
    try {
        reportSaved(item, saveAll(item, *file));
    } catch (const RunError& e) {
        failed(item, e.Number, e.Description);
        return;
    }
    if (item.fromPane)
        ++m_counts.fromPane;
    if (!readElsewhere)
        readFile(item, *file);
}

QList<QPair<QByteArray, QByteArray>> CompleteCrawl::conditions(const QString& address) const {
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

std::optional<CompleteCrawl::Fetched> CompleteCrawl::fetch(const Item& item, std::optional<RunError>* failure,
                                                           bool anySite, bool wholeFile) {
    const auto fail = [&](int number, const QString& description) -> std::optional<Fetched> {
        if (failure)
            *failure = RunError(number, description);
        else
            failed(item, number, description);
        return std::nullopt;
    };
    QUrl current = item.address;
    for (int hop = 0;; ++hop) {
        const QString address = addressKey(current);
        // The address box shows each address where it can be seen: a box of a window
        // nobody sees would lay out every text for nothing.
        if (m_form.Form->isVisible())
            m_form.Text1->setText(address);
        waitBetweenRequests();
        const auto asked = conditions(address);
        Inet::Response r;
        try {
            IMPOSTA_INTERNET(*m_form.Inet1, {m_form.txtLOGIN->text(), m_form.txtPASSWORD->text(),
                                             m_form.txtPROXY->text(), m_form.txtPORTA->text()});
            m_requested = true;
            r = m_form.Inet1->Fetch(address, asked);
        } catch (const RunError& e) {
            return fail(e.Number, e.Description);
        }
        if (r.status == 304 && !asked.isEmpty()) {
            // Not modified: the file kept on the disk is the file. Only a page or a
            // stylesheet is read back, for its references, or a file kept under
            // another name as well (the end of a redirect).
            const CopyState::Entry* kept = m_state.current(address) ? m_state.current(address) : m_state.previous(address);
            Fetched unchanged{current, QByteArray(), kept->contentType, kept->lastModified, kept->etag, true};
            if (wholeFile || hop > 0 || kindOf(kept->contentType, current) != Kind::Other) {
                const std::optional<QByteArray> bytes = m_destination.readBytes(m_destination.root() + kept->local);
                if (!bytes)
                    return fail(ErrorCodes::ErroreAccessoFile, ErrorCodes::descrizione(ErrorCodes::ErroreAccessoFile));
                unchanged.body = *bytes;
            }
            return unchanged;
        }
        if (r.status >= 300 && r.status < 400 && r.status != 304 && !r.location.isEmpty()) {
            if (hop >= kMaxRedirects)
                return fail(ErrorCodes::TroppiReindirizzamenti, ErrorCodes::descrizione(ErrorCodes::TroppiReindirizzamenti));
            const QUrl next = resolveReference(current, QString::fromUtf8(r.location));
            const bool web = next.isValid() && (next.scheme() == u"http" || next.scheme() == u"https");
            if (anySite && !web)
                return fail(ErrorCodes::IndirizzoNonValido, ErrorCodes::descrizione(ErrorCodes::IndirizzoNonValido));
            if (!anySite && (!web || !m_scope->sameSite(next))) {
                // Followed no further: the file is another site's.
                m_report.leftOut(item.level, shown(item.address),
                                 QStringLiteral("reindirizzato ad altro host (%1)").arg(shown(next)), item.referrer);
                ++m_counts.leftOut;
                return std::nullopt;
            }
            current = next;
            continue;
        }
        if (r.status != 0 && (r.status < 200 || r.status >= 300)) {
            const QString reason = QString::fromLatin1(r.reason).trimmed();
            return fail(r.status, reason.isEmpty() ? ErrorCodes::descrizioneHttpSenzaMotivo() : reason);
        }
        return Fetched{current, r.body, r.contentType, r.lastModified, r.etag, false};
    }
}

CompleteCrawl::Saved CompleteCrawl::save(const QUrl& address, const Fetched& file) {
    const QString key = addressKey(address);
    const QString local = localPathFor(address);
    const QString path = m_destination.root() + local;
    const CopyState::Entry entry{local, file.lastModified, file.etag, file.contentType};
    // Over an earlier copy, a file the same as the one kept is left as it is: the
    // server said so, or its bytes are the same.
    const bool notModified = file.notModified && file.finalAddress == address;
    if (notModified || (m_update && m_state.previous(key) && m_destination.modified(path).isValid())) {
        const bool same = notModified || m_destination.readBytes(path) == std::optional<QByteArray>(file.body);
        if (same) {
            ++m_counts.unchanged;
            m_state.record(key, entry);
            return {path, Status::Unchanged, false};
        }
    }
    const Status status = m_update && m_state.previous(key) && m_destination.modified(path).isValid() ? Status::Changed
                                                                                                      : Status::New;
    const qsizetype slash = local.lastIndexOf(u'\\');
    if (slash >= 0) {
        const QString folder = m_destination.root() + local.left(slash + 1);
        if (!m_foldersMade.contains(folder) && m_destination.createFolder(folder))
            m_foldersMade.insert(folder);
    }
    // The server's date of the file becomes its own, for the next copy's question.
    m_destination.saveBytes(path, file.body, parseHttpDate(file.lastModified));
    ++m_counts.files;
    ++(status == Status::New ? m_counts.newFiles : m_counts.changed);
    m_counts.bytes += file.body.size();
    m_state.record(key, entry);
    return {path, status, true};
}

CompleteCrawl::Saved CompleteCrawl::saveAll(const Item& item, const Fetched& file) {
    const QString finalKey = addressKey(file.finalAddress);
    const bool redirected = finalKey != addressKey(item.address);
    const bool oneName = redirected && clash(localPathFor(item.address), localPathFor(file.finalAddress));
    // A redirect within the site: the file is also kept where its own address puts
    // it (with a line of its own), so that links to either address find it; where
    // the two would need one name as both a file and a folder ("docs" and "docs/"),
    // only there.
    if (redirected && !m_seen.contains(finalKey)) {
        m_seen.insert(finalKey);
        const Saved saved = save(file.finalAddress, file);
        if (oneName)
            return saved;
        reportSaved({file.finalAddress, item.level, item.requisite, shown(item.address), item.fromPane}, saved);
    }
    if (oneName)  // the file of the address it led to, which has its own line
        return {m_destination.root() + localPathFor(file.finalAddress), m_update ? Status::Unchanged : Status::New, false};
    Fetched asked = file;
    asked.notModified = false;  // kept under its own name: compared with what is there
    return save(item.address, redirected ? asked : file);
}

void CompleteCrawl::reportSaved(const Item& item, const Saved& saved) {
    QString outcome = nativePath(saved.file.mid(m_destination.root().size()));
    if (item.fromPane)
        outcome += QStringLiteral(" (dal browser)");
    const CopyReport::State state = saved.status == Status::New       ? CopyReport::State::New
                                    : saved.status == Status::Changed ? CopyReport::State::Changed
                                                                      : CopyReport::State::Unchanged;
    m_report.file(item.level, state, shown(item.address), outcome, item.referrer);
    tell(saved.written ? CopyEvent::Kind::Written : CopyEvent::Kind::Unchanged, item, saved.file, QString());
}

CompleteCrawl::Kind CompleteCrawl::kindOf(const QByteArray& contentType, const QUrl& address) {
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    if (type == "text/html" || type == "application/xhtml+xml")
        return Kind::Page;
    if (type == "text/css")
        return Kind::Stylesheet;
    if (!type.isEmpty())
        return Kind::Other;
    // A server that names no type: the name decides, as a browser would guess.
    const QString path = address.path().toLower();
    if (path.endsWith(u'/') || path.endsWith(QLatin1String(".html")) || path.endsWith(QLatin1String(".htm")))
        return Kind::Page;
    return path.endsWith(QLatin1String(".css")) ? Kind::Stylesheet : Kind::Other;
}

void CompleteCrawl::readFile(const Item& item, const Fetched& file) {
    const Kind kind = kindOf(file.contentType, file.finalAddress);
    const QString referrer = shown(file.finalAddress);
    const int next = item.level + 1;
    if (kind == Kind::Stylesheet) {
        for (const QString& reference : findCssReferences(QString::fromUtf8(file.body)))
            consider(resolveReference(file.finalAddress, reference), true, next, referrer);
        return;
    }
    if (kind != Kind::Page)
        return;
    ++m_counts.pages;
    tell(CopyEvent::Kind::PageRead, item, m_destination.root() + localPathFor(item.address), QString());
    const PageReferences found = findHtmlReferences(file.body, charsetOf(file.contentType));
    QUrl base = file.finalAddress;
    if (!found.base.isEmpty()) {
        const QUrl named = resolveReference(file.finalAddress, found.base);
        if (named.isValid())
            base = named;
    }
    // Links lead one level further only while that level is within the maximum;
    // what the page needs to be shown is taken at any level.
    const bool followLinks = next <= m_maxLevel;
    for (const FoundReference& reference : found.references)
        if (reference.requisite || followLinks)
            consider(resolveReference(base, reference.text), reference.requisite, next, referrer);
    // Shown once its own references are taken: what the pane asks for beyond them is
    // what only the browser found.
    show(item, file);
}

void CompleteCrawl::show(const Item& item, const Fetched& file) {
    if (!m_form.WebBrowser1->showsPages())
        return;
    m_form.WebBrowser1->Navigate(addressKey(file.finalAddress));
    yieldWhileBusy(m_form.WebBrowser1);
    if (ticked(m_form.Check3)) {
        m_form.RichTextBox1->setText(
            SORGENTE_DA_BYTE(file.body, ticked(m_form.Check1), ticked(m_form.Check2), false).text);
        m_form.RichTextBox1->Refresh();
    }
    takePaneRequests(item.level + 1);
}

void CompleteCrawl::consider(const QUrl& address, bool requisite, int level, const QString& referrer) {
    if (!address.isValid())
        return;
    const QString key = addressKey(address);
    if (m_seen.contains(key))
        return;
    const SiteScope::Verdict verdict = requisite ? m_scope->ofRequisite(address) : m_scope->ofPage(address);
    QString reason = SiteScope::reason(verdict);
    // Without robots.txt read (or asked to ignore it), the rules refuse nothing.
    if (reason.isEmpty() && !m_robots.allows(pathAndQuery(address)))
        reason = QStringLiteral("robots.txt");
    if (!reason.isEmpty()) {
        if (!m_leftOut.contains(key))
            m_leftOut.insert(key, {level, reason, referrer});
        return;
    }
    m_seen.insert(key);
    m_queue.push_back({address, level, requisite, referrer, false});
}

void CompleteCrawl::takePaneRequests(int level) {
    if (!m_paneLog)
        return;
    for (const PaneRequestLog::Request& request : m_paneLog->take()) {
        // The pages themselves are the crawl's; the icon is the browser's own idea.
        if (request.type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
            request.type == QWebEngineUrlRequestInfo::ResourceTypeFavicon)
            continue;
        const QUrl address = normalisedAddress(request.address);
        if (!address.isValid() || m_scope->ofRequisite(address) != SiteScope::Verdict::Inside)
            continue;
        const QString key = addressKey(address);
        if (m_seen.contains(key))
            continue;
        if (!m_robots.allows(pathAndQuery(address)))
            continue;
        m_seen.insert(key);
        m_queue.push_back({address, level, true, shown(request.page), true});
    }
}

void CompleteCrawl::waitBetweenRequests() {
    if (!m_requested || m_options.waitSeconds <= 0)
        return;
    QEventLoop pause;
    QTimer::singleShot(int(m_options.waitSeconds * 1000), &pause, &QEventLoop::quit);
    pause.exec();
}

void CompleteCrawl::failed(const Item& item, int number, const QString& description) {
    ++m_counts.failures;
    m_failed.insert(addressKey(item.address));
    const QString failure = QString::number(number) + QStringLiteral(" - ") + description;
    m_report.file(item.level, CopyReport::State::Failed, shown(item.address), QStringLiteral("errore ") + failure,
                  item.referrer);
    tell(CopyEvent::Kind::Failed, item, QString(), failure);
}

void CompleteCrawl::tell(CopyEvent::Kind kind, const Item& item, const QString& file, const QString& failure) const {
    if (m_observer)
        m_observer(CopyEvent{kind, item.level, shown(item.address), file, failure});
}

void CompleteCrawl::showLevel(int level) {
    // Each change of the box repaints the window: only when the level changes.
    if (level == m_levelShown)
        return;
    m_levelShown = level;
    m_form.txtLIVELLO->setText(QString::number(level));
}

void CompleteCrawl::finishLeftOut() {
    struct Line {
        QString address;
        LeftOut why;
    };
    std::vector<Line> lines;
    for (auto it = m_leftOut.cbegin(); it != m_leftOut.cend(); ++it)
        if (!m_seen.contains(it.key()))
            lines.push_back({it.key(), it.value()});
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return a.why.level != b.why.level ? a.why.level < b.why.level : a.address < b.address;
    });
    for (const Line& l : lines)
        m_report.leftOut(l.why.level, l.address, l.why.reason, l.why.referrer);
    m_counts.leftOut += int(lines.size());
}

void CompleteCrawl::finishState() {
    // Files of the earlier copy that this one did not reach stay on the disk and in
    // the state: gone from the site, or out of reach this time. A copy cut short by
    // its limit says nothing of what it did not reach.
    QStringList kept;
    QStringList previous = m_state.previousAddresses();
    std::sort(previous.begin(), previous.end());
    for (const QString& address : previous) {
        if (m_seen.contains(address) && !m_failed.contains(address))
            continue;
        const CopyState::Entry* e = m_state.previous(address);
        if (!m_destination.modified(m_destination.root() + e->local).isValid())
            continue;
        kept << address;
        if (m_seen.contains(address) || m_counts.limitReached)
            continue;
        ++m_counts.gone;
        m_report.file(-1, CopyReport::State::Gone, address, nativePath(e->local), QString());
    }
    if (!m_state.finish(kept))
        m_report.note(QStringLiteral("stato della copia non registrato: la prossima copia riprenderà dalle righe già scritte"));
}
