#include "completecopy/CompleteCrawl.h"
#include "completecopy/ContentKind.h"
#include "completecopy/CopyReport.h"
#include "completecopy/CopyState.h"
#include "completecopy/PaneRequests.h"
#include "completecopy/ShownPage.h"
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"
#include "copier/DestinationTree.h"
#include "display/WebBrowser.h"
#include "fs/DoEvents.h"
#include "fs/NativePath.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

namespace {

// After the last page, how long a shown copy waits for what the pane still asks for.
constexpr int kPaneQuietMs = 300;
const QByteArray kProductToken = "Mirasito";

QString pathAndQuery(const QUrl& address) {
    QString p = address.path(QUrl::FullyEncoded);
    if (address.hasQuery())
        p += u'?' + address.query(QUrl::FullyEncoded);
    return p;
}

} // namespace

CompleteCrawl::CompleteCrawl(const FormControls& form, const DestinationTree& destination, CopyReport& report,
                             CopyState& state, bool update, const CompleteCopyOptions& options,
                             const CopyObserver& observer, PaneRequestLog* paneLog)
    : m_form(form), m_destination(destination), m_state(state), m_report(report), m_options(options),
      m_paneLog(paneLog), m_fetcher(form, destination, state, update, options),
      m_files(destination, state, update, options.maxFiles, m_counts), m_outcomes(report, observer, m_counts, destination.root()) {}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::run(const QUrl& start, double maxLevel) {
    m_maxLevel = maxLevel;
    if (auto failure = copyStart(start))
        return failure;
    for (;;) {
        while (!m_queue.empty()) {
            if (m_files.full()) {
                // Whatever is still waiting is listed as left out.
                reachLimit();
                for (const CrawlItem& rest : m_queue)
                    m_outcomes.leftOut(rest, QStringLiteral("limite di file"));
                m_queue.clear();
                break;
            }
            const CrawlItem item = m_queue.front();
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
    return std::nullopt;
}

void CompleteCrawl::reachLimit() {
    if (m_counts.limitReached)
        return;
    m_counts.limitReached = true;
    m_report.note(QStringLiteral("limite di %1 file raggiunto").arg(m_options.maxFiles));
}

QString CompleteCrawl::redirectRefusal(const QUrl& next, bool requisite, bool robotsToo) const {
    const bool web = next.isValid() && (next.scheme() == u"http" || next.scheme() == u"https");
    if (!web || !m_scope->sameSite(next))
        return QStringLiteral("reindirizzato ad altro host (%1)").arg(shownAddress(next));
    QString reason = SiteScope::reason(requisite ? m_scope->ofRequisite(next) : m_scope->ofPage(next));
    if (reason.isEmpty() && robotsToo && !m_robots.allows(pathAndQuery(next)))
        reason = QStringLiteral("robots.txt");
    return reason.isEmpty() ? QString() : QStringLiteral("reindirizzato a %1: %2").arg(shownAddress(next), reason);
}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::copyStart(const QUrl& start) {
    const CrawlItem item{start, 0, false, QString(), false};
    m_seen.insert(addressKey(start));
    // The start page is taken whatever robots.txt says, and wherever it leads: the
    // site is the one it ends up on.
    FileFetcher::Outcome got = m_fetcher.fetch(start, nullptr);
    if (!got.file)
        return StartFailure{false, QString(), *got.failure};
    m_scope.emplace(got.file->finalAddress);
    try {
        save(item, *got.file);
    } catch (const RunError& e) {
        return StartFailure{true, m_destination.root() + localPathFor(start), e};
    }
    if (!m_options.ignoreRobots)
        loadRobots();
    readFile(item, *got.file);
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
    const CrawlItem item{robots, 0, true, QString(), false};
    // A site without robots.txt, or one that cannot be read, refuses nothing.
    const FileFetcher::Outcome got =
        m_fetcher.fetch(robots, [this](const QUrl& next) { return redirectRefusal(next, true, false); }, true);
    if (got.failure)
        m_report.note(QStringLiteral("robots.txt non letto (%1 - %2): nessuna regola")
                          .arg(got.failure->Number)
                          .arg(got.failure->Description));
    if (!got.refused.isEmpty())
        m_outcomes.leftOut(item, got.refused);
    if (!got.file)
        return;
    m_robots = RobotsRules::parse(got.file->body, kProductToken);
    try {
        save(item, *got.file);
    } catch (const RunError& e) {
        m_outcomes.failed(item, e.Number, e.Description);
    }
}

std::optional<FetchedFile> CompleteCrawl::fetch(const CrawlItem& item, bool wholeFile) {
    const bool requisite = item.requisite;
    FileFetcher::Outcome got = m_fetcher.fetch(
        item.address, [this, requisite](const QUrl& next) { return redirectRefusal(next, requisite, true); },
        wholeFile);
    if (got.failure)
        m_outcomes.failed(item, got.failure->Number, got.failure->Description);
    else if (!got.refused.isEmpty())
        m_outcomes.leftOut(item, got.refused);
    return std::move(got.file);
}

bool CompleteCrawl::save(const CrawlItem& item, const FetchedFile& file) {
    const QString finalKey = addressKey(file.finalAddress);
    const bool finalIsNew = !m_seen.contains(finalKey);
    m_seen.insert(finalKey);
    // Past the file limit a file is listed as left out, not saved.
    const auto tell = [this](const CrawlItem& taken, const std::optional<CopiedFiles::Saved>& saved) {
        if (saved)
            m_outcomes.saved(taken, *saved);
        else {
            reachLimit();
            m_outcomes.leftOut(taken, QStringLiteral("limite di file"));
        }
        return saved.has_value();
    };
    return tell(item, m_files.saveUnderNames(item.address, file, finalIsNew, [&](const std::optional<CopiedFiles::Saved>& s) {
        tell({file.finalAddress, item.level, item.requisite, shownAddress(item.address), item.fromPane}, s);
    }));
}

bool CompleteCrawl::saveOrFail(const CrawlItem& item, const FetchedFile& file) {
    try {
        return save(item, file);
    } catch (const RunError& e) {
        m_outcomes.failed(item, e.Number, e.Description);
        return false;
    }
}

void CompleteCrawl::copyItem(const CrawlItem& item) {
    showLevel(item.level);
    const std::optional<FetchedFile> file = fetch(item);
    if (!file)
        return;
    // A redirect to an address the copy has taken already: that address's own turn
    // reads it.
    const QString finalKey = addressKey(file->finalAddress);
    const bool readElsewhere = finalKey != addressKey(item.address) && m_seen.contains(finalKey);
    if (!saveOrFail(item, *file))
        return;
    if (item.fromPane)
        ++m_counts.fromPane;
    if (!readElsewhere)
        readFile(item, *file);
}

void CompleteCrawl::readFile(const CrawlItem& item, const FetchedFile& file) {
    const ContentKind kind = contentKindOf(file.contentType, file.finalAddress);
    const QString referrer = shownAddress(file.finalAddress);
    const int next = item.level + 1;
    if (kind == ContentKind::Stylesheet) {
        for (const QString& reference : findCssReferences(QString::fromUtf8(file.body)))
            consider(resolveReference(file.finalAddress, reference), true, next, referrer);
        return;
    }
    if (kind != ContentKind::Page)
        return;
    m_outcomes.pageRead(item, m_destination.root() + localPathFor(item.address));
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
    if (m_form.WebBrowser1->showsPages()) {
        showCopiedPage(m_form, file);
        takePaneRequests(next);
    }
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
    for (const PaneRequest& request : paneRequestsOnSite(*m_paneLog, *m_scope)) {
        const QString key = addressKey(request.address);
        if (m_seen.contains(key) || !m_robots.allows(pathAndQuery(request.address)))
            continue;
        m_seen.insert(key);
        m_queue.push_back({request.address, level, true, shownAddress(request.page), true});
    }
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
    // Each address once: one left out here and taken later (the end of a redirect,
    // asked for by the browser pane) counts among those taken.
    m_counts.addresses = int(m_seen.size() + lines.size());
}

void CompleteCrawl::finishState() {
    // Files of the earlier copy that this one did not reach stay on the disk and in
    // the state: gone from the site, or out of reach this time. A copy cut short by
    // its limit says nothing of what it did not reach.
    // Files this run did not settle (failed, or still waiting when the limit ended it)
    // keep their entries exactly as they were.
    QStringList kept;
    QStringList previous = m_state.previousAddresses();
    std::sort(previous.begin(), previous.end());
    for (const QString& address : previous) {
        if (m_state.current(address))
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
