#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/CopiedFiles.h"
#include "completecopy/CopyProgress.h"
#include "completecopy/CopyOutcomes.h"
#include "completecopy/CrawlItem.h"
#include "completecopy/CrawlTurns.h"
#include "completecopy/FileFetcher.h"
#include "completecopy/OfflinePages.h"
#include "completecopy/address/RobotsRules.h"
#include "completecopy/address/SiteScope.h"
#include "copier/CopyEvent.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUrl>
#include <optional>

class CopyReport;
class CopyState;
class DestinationTree;
class PaneRequestLog;
class TransferScheduler;

// The crawl of a complete copy: every reference of every page, breadth first (each
// address at the fewest links from the start page), pages within the start folder
// and everything a page needs from anywhere on its site; every file saved at its
// address's path below the destination, pages and stylesheets made readable offline
// (unless the options keep them as served). Failures go to the report and the crawl
// goes on. Pages down to one level above the maximum are read for all their
// references, pages at the maximum level for what they need to be shown.
//
// Several files are asked for at once, ahead of their turn; each is taken in its turn
// all the same, so the files, their levels and the report are those of one request at
// a time. Over an earlier copy of the same site (its state read), each file is asked
// for only if it changed since (If-None-Match, If-Modified-Since); a file the server
// sends unchanged all the same is not written again, and the pages kept are read from
// the disk so that the crawl goes on through them.
class CompleteCrawl {
public:
    // paneLog: the browser pane's requests while it shows the pages (a shown copy);
    // null when the pane shows nothing. state: the copy's state, read beforehand;
    // update: the state is of an earlier copy of this site, whose files are compared
    // (and asked for with conditions, unless the options ask to fetch them again).
    CompleteCrawl(const FormControls& form, TransferScheduler& transfers, const DestinationTree& destination,
                  CopyReport& report, CopyState& state, bool update, const CompleteCopyOptions& options,
                  const CopyObserver& observer, PaneRequestLog* paneLog);
    ~CompleteCrawl();

    // Why a copy could not begin: its start page could not be fetched, or not saved
    // (file: the file it was to be saved as).
    struct StartFailure {
        bool saving = false;
        QString file;
        RunError error;
    };

    // Copies from the start address down to maxLevel. A start page that cannot be
    // fetched or saved ends the copy at once and comes back; every later failure is
    // reported and the copy goes on.
    std::optional<StartFailure> run(const QUrl& start, double maxLevel);

    const CompleteCopyCounts& counts() const { return m_counts; }

    // How far the copy has come.
    CopyProgress progress() const;

    // Stops the copy cleanly, from an event handled while it runs: transfers under way
    // are cancelled (the part of a large file kept to be continued), what was settled
    // stays, and run() comes back with the state written and counts().interrupted.
    void stop();

private:
    struct LeftOut {
        int level;
        QString reason;
        QString referrer;
    };
    std::optional<StartFailure> copyStart(const QUrl& start);
    void loadRobots();
    void setPace();
    void interrupt();
    void take(const CrawlItem& item, FileFetcher::Outcome outcome);
    // Saves the file under its names and reports them; false when the copy was full.
    // Raises RunError.
    bool save(const CrawlItem& item, const FetchedFile& file, const std::optional<ReadFile>& read);
    bool saveOrFail(const CrawlItem& item, const FetchedFile& file, const std::optional<ReadFile>& read);
    void follow(const CrawlItem& item, const FetchedFile& file, ContentKind kind, const ReadFile& read);
    void consider(const QUrl& address, bool requisite, int level, const QString& referrer);
    void takePaneRequests(int level);
    void reachLimit();
    // Why a redirect to next is not followed (the same rules as a link's), empty when
    // it is; robotsToo: robots.txt counts (not for robots.txt itself).
    QString redirectRefusal(const QUrl& next, bool requisite, bool robotsToo) const;
    QString localFileOf(const QUrl& address, const FetchedFile& file) const;
    void showLevel(int level);
    void finishLeftOut();
    void finishState();

    FormControls m_form;
    TransferScheduler& m_transfers;
    const DestinationTree& m_destination;
    CopyState& m_state;
    CopyReport& m_report;
    CompleteCopyOptions m_options;
    PaneRequestLog* m_paneLog;
    CompleteCopyCounts m_counts;
    FileFetcher m_fetcher;
    CopiedFiles m_files;
    CopyOutcomes m_outcomes;
    OfflinePages m_offline;
    CrawlTurns m_turns;

    std::optional<SiteScope> m_scope;
    RobotsRules m_robots;
    double m_maxLevel = 0;
    QSet<QString> m_seen;                 // keys of the addresses taken
    QHash<QString, LeftOut> m_leftOut;    // by address, until the end of the copy
    int m_levelShown = -1;
    bool m_stopAsked = false;
};
