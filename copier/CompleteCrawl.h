#pragma once
#include "copier/CopyEvent.h"
#include "copier/RobotsRules.h"
#include "copier/SiteScope.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QUrl>
#include <deque>
#include <optional>

class CopyReport;
class CopyState;
class DestinationTree;
class PaneRequestLog;

// The choices of a complete copy beyond the window's boxes.
struct CompleteCopyOptions {
    int maxFiles = 100000;     // the copy ends when it holds this many files
    double waitSeconds = 0;    // between two requests
    bool ignoreRobots = false; // copy what the site's robots.txt refuses as well
    bool refetch = false;      // fetch every file again, even where an earlier copy is up to date
};

// What a complete copy did, for its closing box and summary line.
struct CompleteCopyCounts {
    int files = 0;        // files written: new and changed
    qint64 bytes = 0;     // their bytes
    int newFiles = 0;     // not in the copy before
    int changed = 0;      // in the copy before, different now
    int unchanged = 0;    // in the copy before and the same: not written again
    int gone = 0;         // in the copy before, no longer reached: kept on disk
    int pages = 0;        // pages read for references
    int failures = 0;     // addresses that could not be fetched or written
    int leftOut = 0;      // addresses left out (another host, outside the folder, robots.txt, limit)
    int fromPane = 0;     // files found only by the browser pane's own requests
    int addresses = 0;    // distinct addresses met
    bool limitReached = false;
};

// The crawl of a complete copy: every reference of every page, breadth first (each
// address at the fewest links from the start page), pages within the start folder
// and everything a page needs from anywhere on its site; every file saved byte for
// byte at its address's path below the destination. Failures go to the report and
// the crawl goes on. Pages down to one level above the maximum are read for all their
// references, pages at the maximum level for what they need to be shown.
//
// Over an earlier copy of the same site (its state read), each file is asked for
// only if it changed since (If-None-Match, If-Modified-Since); a file the server
// sends unchanged all the same is not written again, and the pages kept are read
// from the disk so that the crawl goes on through them.
class CompleteCrawl {
public:
    // paneLog: the browser pane's requests while it shows the pages (a shown copy);
    // null when the pane shows nothing. state: the copy's state, read beforehand;
    // update: the state is of an earlier copy of this site, whose files are compared
    // (and asked for with conditions, unless the options ask to fetch them again).
    CompleteCrawl(const FormControls& form, const DestinationTree& destination, CopyReport& report, CopyState& state,
                  bool update, const CompleteCopyOptions& options, const CopyObserver& observer,
                  PaneRequestLog* paneLog);

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

private:
    struct Item {
        QUrl address;
        int level = 0;
        bool requisite = false;
        QString referrer;       // the page that named it, or that the browser pane showed
        bool fromPane = false;  // asked for by the browser pane alone
    };
    struct Fetched {
        QUrl finalAddress;
        QByteArray body;
        QByteArray contentType;
        QByteArray lastModified;
        QByteArray etag;
        bool notModified = false;  // the server said 304: body is the file kept
    };
    enum class Status { New, Changed, Unchanged };
    struct Saved {
        QString file;  // program form
        Status status;
        bool written;  // false: the file stands already (unchanged, or another address's)
    };
    struct LeftOut {
        int level;
        QString reason;
        QString referrer;
    };
    enum class Kind { Page, Stylesheet, Other };

    std::optional<StartFailure> copyStart(const QUrl& start);
    void loadRobots();
    void copyItem(const Item& item);
    // The file of the address after redirects within the site (anywhere on the web
    // with anySite); nullopt after a failure or a redirect off the site, which are
    // reported here, or given back in failure when the caller asks for them. A file
    // found not modified has its bytes read back from the disk when they are needed:
    // a page's or a stylesheet's, or any with wholeFile.
    std::optional<Fetched> fetch(const Item& item, std::optional<RunError>* failure = nullptr, bool anySite = false,
                                 bool wholeFile = false);
    // The conditions under which the address is asked for again.
    QList<QPair<QByteArray, QByteArray>> conditions(const QString& address) const;
    // Saves the file under the address that was asked for and, after a redirect,
    // under the address it came from; gives the file that stands for the address.
    // Raises RunError.
    Saved saveAll(const Item& item, const Fetched& file);
    Saved save(const QUrl& address, const Fetched& file);
    void reportSaved(const Item& item, const Saved& saved);
    void readFile(const Item& item, const Fetched& file);
    void show(const Item& item, const Fetched& file);
    void consider(const QUrl& address, bool requisite, int level, const QString& referrer);
    void takePaneRequests(int level);
    void waitBetweenRequests();
    void failed(const Item& item, int number, const QString& description);
    void tell(CopyEvent::Kind kind, const Item& item, const QString& file, const QString& failure) const;
    void showLevel(int level);
    void finishLeftOut();
    void finishState();

    static Kind kindOf(const QByteArray& contentType, const QUrl& address);

    FormControls m_form;
    const DestinationTree& m_destination;
    CopyReport& m_report;
    CopyState& m_state;
    bool m_update;
    CompleteCopyOptions m_options;
    const CopyObserver& m_observer;
    PaneRequestLog* m_paneLog;

    std::optional<SiteScope> m_scope;
    RobotsRules m_robots;
    double m_maxLevel = 0;
    std::deque<Item> m_queue;
    QSet<QString> m_seen;                 // keys of the addresses taken
    QHash<QString, LeftOut> m_leftOut;    // by address, until the end of the copy
    QSet<QString> m_failed;               // keys of the addresses that failed
    QSet<QString> m_foldersMade;
    int m_levelShown = -1;
    bool m_requested = false;             // a request has gone out
    CompleteCopyCounts m_counts;
};
