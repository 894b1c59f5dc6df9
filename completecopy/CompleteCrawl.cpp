#include "completecopy/CompleteCrawl.h"
#include "completecopy/ContentKind.h"
#include "completecopy/CopyReport.h"
#include "completecopy/CopyState.h"
#include "completecopy/PaneRequests.h"
#include "completecopy/ShownPage.h"
#include "completecopy/TransferScheduler.h"
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/offline/HtmlEnding.h"
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

CompleteCrawl::CompleteCrawl(const FormControls& form, TransferScheduler& transfers,
                             const DestinationTree& destination, CopyReport& report, CopyState& state, bool update,
                             const CompleteCopyOptions& options, const CopyObserver& observer,
                             PaneRequestLog* paneLog)
    : m_form(form), m_transfers(transfers), m_destination(destination), m_state(state), m_report(report),
      m_options(options), m_paneLog(paneLog), m_fetcher(form, transfers, destination, state, update, options),
      m_files(destination, state, update, options.maxFiles, m_counts),
      m_outcomes(report, observer, m_counts, destination.root()), m_offline(destination, state, update),
      m_turns(m_fetcher, transfers, [this](const CrawlItem& item) {
          const bool requisite = item.requisite;
          return [this, requisite](const QUrl& next) { return redirectRefusal(next, requisite, true); };
      }) {
    // A pause between requests means one request at a time, from the first on.
    m_transfers.setConnections(options.waitSeconds > 0 ? 1 : options.connections);
    m_transfers.setPause(int(options.waitSeconds * 1000));
}

CompleteCrawl::~CompleteCrawl() {
    // Nothing the crawl asked for outlives it: transfers under way are stopped and
    // the files of those not taken given up.
    m_turns.drop();
    m_transfers.waitUntilIdle();
}

std::optional<CompleteCrawl::StartFailure> CompleteCrawl::run(const QUrl& start, double maxLevel) {
    m_maxLevel = maxLevel;
    if (auto failure = copyStart(start))
        return failure;
    setPace();
    for (;;) {
        while (!m_turns.empty() && !m_stopAsked) {
            if (m_files.full()) {
                reachLimit();
                for (const CrawlItem& rest : m_turns.drop())
                    m_outcomes.leftOut(rest, QStringLiteral("limite di file"));
                break;
            }
            std::optional<CrawlTurns::Taken> taken = m_turns.next();
            if (!taken)
                break;
            take(taken->item, std::move(taken->outcome));
            DoEvents();
        }
        if (m_counts.limitReached || m_stopAsked || !m_paneLog)
            break;
        // The pane may still be loading what the last page asked for.
        QEventLoop quiet;
        QTimer::singleShot(kPaneQuietMs, &quiet, &QEventLoop::quit);
        quiet.exec();
        takePaneRequests(m_levelShown + 1);
        if (m_turns.empty())
            break;
    }
    if (m_stopAsked)
        interrupt();
    if (!m_options.asServed)
        m_offline.mend();
    finishLeftOut();
    finishState();
    return std::nullopt;
}

void CompleteCrawl::stop() {
    m_stopAsked = true;
    m_turns.stop();
}

void CompleteCrawl::interrupt() {
    // The transfers under way end here; what waited its turn is neither fetched nor
    // left out: the next copy takes it up.
    m_counts.interrupted = true;
    m_counts.waiting = int(m_turns.drop().size());
    m_transfers.waitUntilIdle();
    m_report.note(QStringLiteral("copia interrotta: %1 indirizzi in attesa").arg(m_counts.waiting));
}

CopyProgress CompleteCrawl::progress() const {
    // A copy stopped says what was still waiting when it stopped.
    return {m_counts.files + m_counts.unchanged, m_counts.interrupted ? m_counts.waiting : m_turns.size(),
            m_counts.bytes, m_counts.failures, std::max(0, m_levelShown)};
}

void CompleteCrawl::setPace() {
    // robots.txt may ask for a longer pause of its own: one request at a time as well.
    if (m_robots.crawlDelay() > m_options.waitSeconds) {
        m_transfers.setConnections(1);
        m_transfers.setPause(int(m_robots.crawlDelay() * 1000));
    }
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
    std::optional<FileFetcher::Outcome> got = m_turns.fetchNow(start, nullptr, false);
    if (!got)
        return std::nullopt;  // stopped before the start page came
    if (!got->file)
        return StartFailure{false, QString(), *got->failure};
    const FetchedFile& file = *got->file;
    m_scope.emplace(file.finalAddress);
    const ContentKind kind = contentKindOf(file.contentType, file.finalAddress);
    const std::optional<ReadFile> read = m_offline.read(file, kind);
    try {
        save(item, file, read);
    } catch (const RunError& e) {
        CopiedFiles::discard(file);
        return StartFailure{true, m_destination.root() + localPathFor(start), e};
    }
    if (!m_options.ignoreRobots)
        loadRobots();
    if (read && !m_stopAsked)
        follow(item, file, kind, *read);
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
    const std::optional<FileFetcher::Outcome> answer =
        m_turns.fetchNow(robots, [this](const QUrl& next) { return redirectRefusal(next, true, false); }, true);
    if (!answer)
        return;
    const FileFetcher::Outcome& got = *answer;
    if (got.failure)
        m_report.note(QStringLiteral("robots.txt non letto (%1 - %2): nessuna regola")
                          .arg(got.failure->Number)
                          .arg(got.failure->Description));
    if (!got.refused.isEmpty())
        m_outcomes.leftOut(item, got.refused);
    if (!got.file)
        return;
    m_robots = RobotsRules::parse(got.file->body, kProductToken);
    saveOrFail(item, *got.file, std::nullopt);
}

void CompleteCrawl::take(const CrawlItem& item, FileFetcher::Outcome outcome) {
    showLevel(item.level);
    if (outcome.failure)
        return m_outcomes.failed(item, outcome.failure->Number, outcome.failure->Description);
    if (!outcome.refused.isEmpty())
        return m_outcomes.leftOut(item, outcome.refused);
    const FetchedFile& file = *outcome.file;
    // A redirect to an address the copy has taken already: that address's own turn
    // reads it.
    const QString finalKey = addressKey(file.finalAddress);
    const bool readElsewhere = finalKey != addressKey(item.address) && m_seen.contains(finalKey);
    const ContentKind kind = contentKindOf(file.contentType, file.finalAddress);
    if (kind != ContentKind::Other && file.tooLargeToRead)
        m_report.note(QStringLiteral("troppo grande per leggerne i riferimenti: %1").arg(shownAddress(item.address)));
    const std::optional<ReadFile> read = m_offline.read(file, kind);
    if (!saveOrFail(item, file, read))
        return;
    if (item.fromPane)
        ++m_counts.fromPane;
    if (!readElsewhere && read)
        follow(item, file, kind, *read);
}

QString CompleteCrawl::localFileOf(const QUrl& address, const FetchedFile& file) const {
    const QString own = localPathFor(address);
    if (m_options.asServed || contentKindOf(file.contentType, file.finalAddress) != ContentKind::Page)
        return own;
    // A page read offline is named so that a browser opening it from the disk knows it
    // for a page. Where another address's page took that name by the same ending
    // ("about" and "about.html"), the name takes ".html" once more, or stays its own;
    // two addresses with one name as served ("docs/" and "docs/index.html") share it.
    const QString key = addressKey(address);
    for (const QString& name : {withHtmlEnding(own, true), own + QStringLiteral(".html")}) {
        const QString holder = m_state.addressOfLocal(name);
        if (holder.isEmpty() || holder == key ||
            (name == own && localPathFor(QUrl(holder, QUrl::StrictMode)) == name))
            return name;
    }
    return own;
}

bool CompleteCrawl::save(const CrawlItem& item, const FetchedFile& file, const std::optional<ReadFile>& read) {
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
    const auto localOf = [this, &file](const QUrl& address) { return localFileOf(address, file); };
    const QHash<QString, QString> names{{addressKey(item.address), localOf(item.address)},
                                        {finalKey, localOf(file.finalAddress)}};
    const CopiedFiles::Conversion conversion = m_options.asServed || !read
                                                   ? CopiedFiles::Conversion()
                                                   : m_offline.conversion(file, *read, names, item.level);
    const std::optional<CopiedFiles::Saved> saved =
        m_files.saveUnderNames(item.address, file, finalIsNew, localOf, conversion,
                               [&](const std::optional<CopiedFiles::Saved>& s) {
                                   tell({file.finalAddress, item.level, item.requisite, shownAddress(item.address),
                                         item.fromPane},
                                        s);
                               });
    if (!saved)
        CopiedFiles::discard(file);
    return tell(item, saved);
}

bool CompleteCrawl::saveOrFail(const CrawlItem& item, const FetchedFile& file, const std::optional<ReadFile>& read) {
    try {
        return save(item, file, read);
    } catch (const RunError& e) {
        CopiedFiles::discard(file);
        m_outcomes.failed(item, e.Number, e.Description);
        return false;
    }
}

void CompleteCrawl::follow(const CrawlItem& item, const FetchedFile& file, ContentKind kind, const ReadFile& read) {
    const QString referrer = shownAddress(file.finalAddress);
    const int next = item.level + 1;
    if (kind == ContentKind::Stylesheet) {
        for (const ResolvedReference& reference : read.references)
            consider(reference.address, true, next, referrer);
        return;
    }
    m_outcomes.pageRead(item, m_destination.root() + localFileOf(item.address, file));
    // Links lead one level further only while that level is within the maximum;
    // what the page needs to be shown is taken at any level.
    const bool followLinks = next <= m_maxLevel;
    for (const ResolvedReference& reference : read.references)
        if (reference.requisite || followLinks)
            consider(reference.address, reference.requisite, next, referrer);
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
    m_turns.push({address, level, requisite, referrer, false});
}

void CompleteCrawl::takePaneRequests(int level) {
    if (!m_paneLog)
        return;
    for (const PaneRequest& request : paneRequestsOnSite(*m_paneLog, *m_scope)) {
        const QString key = addressKey(request.address);
        if (m_seen.contains(key) || !m_robots.allows(pathAndQuery(request.address)))
            continue;
        m_seen.insert(key);
        m_turns.push({request.address, level, true, shownAddress(request.page), true});
    }
}

void CompleteCrawl::showLevel(int level) {
    // Each change of the box repaints the window: only when the level changes.
    if (level == m_levelShown)
        return;
    // The levels above are whole: the pages two levels up lead to what the copy took
    // since (those one level up are still having their references taken).
    if (level > m_levelShown && !m_options.asServed)
        m_offline.mend(level - 2);
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
    // the state: gone from the site, or out of reach this time. Files this run did not
    // settle (failed, or still waiting when the limit ended it) keep their entries
    // exactly as they were. A copy cut short by its limit says nothing of what it did
    // not reach.
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
        if (m_seen.contains(address) || m_counts.limitReached || m_counts.interrupted)
            continue;
        ++m_counts.gone;
        m_report.file(-1, CopyReport::State::Gone, address, nativePath(e->local), QString());
    }
    if (!m_state.finish(kept))
        m_report.note(QStringLiteral("stato della copia non registrato: la prossima copia riprenderà dalle righe già scritte"));
}
