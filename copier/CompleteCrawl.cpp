#include "copier/CompleteCrawl.h"
#include "copier/CopyReport.h"
#include "copier/CssReferences.h"
#include "copier/DestinationTree.h"
#include "copier/HtmlReferences.h"
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
                             const CompleteCopyOptions& options, const CopyObserver& observer,
                             PaneRequestLog* paneLog)
    : m_form(form), m_destination(destination), m_report(report), m_options(options), m_observer(observer),
      m_paneLog(paneLog) {}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::run(const QUrl& start, double maxLevel) {
    m_maxLevel = maxLevel;
    if (auto failure = copyStart(start))
        return failure;
    for (;;) {
        while (!m_queue.empty()) {
            if (m_counts.files >= m_options.maxFiles) {
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
    m_counts.addresses = int(m_seen.size() + m_leftOut.size());
    return std::nullopt;
}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::copyStart(const QUrl& start) {
    const Item item{start, 0, false, QString(), false};
    m_seen.insert(addressKey(start));
    // The start page is taken whatever robots.txt says, and wherever it leads: the
    // site is the one it ends up on.
    std::optional<RunError> failure;
    const std::optional<Fetched> file = fetch(item, &failure);
    if (!file)
        return StartFailure{false, QString(), *failure};
    m_scope.emplace(file->finalAddress);
    try {
        reportWritten(item, saveAll(item, *file));
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
    try {
        waitBetweenRequests();
        IMPOSTA_INTERNET(*m_form.Inet1, {m_form.txtLOGIN->text(), m_form.txtPASSWORD->text(),
                                         m_form.txtPROXY->text(), m_form.txtPORTA->text()});
        m_requested = true;
        const Inet::Response r = m_form.Inet1->Fetch(key);
        if (r.status >= 200 && r.status < 300) {
            m_robots = RobotsRules::parse(r.body, kProductToken);
            reportWritten(item, save(robots, r.body));
        } else {
            // No rules: a site without robots.txt refuses nothing.
            m_report.note(QStringLiteral("robots.txt assente (%1): nessuna regola").arg(r.status));
        }
    } catch (const RunError& e) {
        m_report.note(QStringLiteral("robots.txt non letto (%1 - %2): nessuna regola").arg(e.Number).arg(e.Description));
    }
}

void CompleteCrawl::copyItem(const Item& item) {
    showLevel(item.level);
    const std::optional<Fetched> file = fetch(item);
    if (!file)
        return;
    try {
        reportWritten(item, saveAll(item, *file));
    } catch (const RunError& e) {
        failed(item, e.Number, e.Description);
        return;
    }
    if (item.fromPane)
        ++m_counts.fromPane;
    readFile(item, *file);
}

std::optional<CompleteCrawl::Fetched> CompleteCrawl::fetch(const Item& item, std::optional<RunError>* startFailure) {
    const auto fail = [&](int number, const QString& description) -> std::optional<Fetched> {
        if (startFailure)
            *startFailure = RunError(number, description);
        else
            failed(item, number, description);
        return std::nullopt;
    };
    QUrl current = item.address;
    for (int hop = 0;; ++hop) {
        const QString address = addressKey(current);
        m_form.Text1->setText(address);
        waitBetweenRequests();
        Inet::Response r;
        try {
            IMPOSTA_INTERNET(*m_form.Inet1, {m_form.txtLOGIN->text(), m_form.txtPASSWORD->text(),
                                             m_form.txtPROXY->text(), m_form.txtPORTA->text()});
            m_requested = true;
            r = m_form.Inet1->Fetch(address);
        } catch (const RunError& e) {
            return fail(e.Number, e.Description);
        }
        if (r.status >= 300 && r.status < 400 && r.status != 304 && !r.location.isEmpty()) {
            if (hop >= kMaxRedirects)
                return fail(ErrorCodes::TroppiReindirizzamenti, ErrorCodes::descrizione(ErrorCodes::TroppiReindirizzamenti));
            const QUrl next = resolveReference(current, QString::fromUtf8(r.location));
            const bool web = next.isValid() && (next.scheme() == u"http" || next.scheme() == u"https");
            if (startFailure && !web)
                return fail(ErrorCodes::IndirizzoNonValido, ErrorCodes::descrizione(ErrorCodes::IndirizzoNonValido));
            if (!startFailure && (!web || !m_scope->sameSite(next))) {
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
        return Fetched{current, r.body, r.contentType};
    }
}

QString CompleteCrawl::save(const QUrl& address, const QByteArray& body) {
    const QString local = localPathFor(address);
    const QString file = m_destination.root() + local;
    const qsizetype slash = local.lastIndexOf(u'\\');
    if (slash >= 0) {
        const QString folder = m_destination.root() + local.left(slash + 1);
        if (!m_foldersMade.contains(folder) && m_destination.createFolder(folder))
            m_foldersMade.insert(folder);
    }
    m_destination.saveBytes(file, body);
    ++m_counts.files;
    m_counts.bytes += body.size();
    return file;
}

QString CompleteCrawl::saveAll(const Item& item, const Fetched& file) {
    const QString finalKey = addressKey(file.finalAddress);
    const bool redirected = finalKey != addressKey(item.address);
    // A redirect within the site: the file is also kept where its own address puts
    // it (with a line of its own), so that links to either address find it; where
    // the two would need one name as both a file and a folder ("docs" and "docs/"),
    // only there.
    if (redirected && !m_seen.contains(finalKey)) {
        m_seen.insert(finalKey);
        const QString written = save(file.finalAddress, file.body);
        if (clash(localPathFor(item.address), localPathFor(file.finalAddress)))
            return written;
        reportWritten({file.finalAddress, item.level, item.requisite, shown(item.address), item.fromPane}, written);
    }
    if (!redirected || !clash(localPathFor(item.address), localPathFor(file.finalAddress)))
        return save(item.address, file.body);
    return m_destination.root() + localPathFor(file.finalAddress);
}

void CompleteCrawl::reportWritten(const Item& item, const QString& written) {
    QString outcome = nativePath(written.mid(m_destination.root().size()));
    if (item.fromPane)
        outcome += QStringLiteral(" (dal browser)");
    m_report.file(item.level, shown(item.address), outcome, item.referrer);
    tell(CopyEvent::Kind::Written, item, written, QString());
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
    show(item, file);
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
    if (reason.isEmpty() && !m_options.ignoreRobots && !m_robots.allows(pathAndQuery(address)))
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
        if (!m_options.ignoreRobots && !m_robots.allows(pathAndQuery(address)))
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
    const QString failure = QString::number(number) + QStringLiteral(" - ") + description;
    m_report.file(item.level, shown(item.address), QStringLiteral("errore ") + failure, item.referrer);
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
