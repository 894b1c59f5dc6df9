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
class DestinationTree;
class PaneRequestLog;

// The choices of a complete copy beyond the window's boxes.
struct CompleteCopyOptions {
    int maxFiles = 100000;     // the copy ends when it has written this many files
    double waitSeconds = 0;    // between two requests
    bool ignoreRobots = false; // copy what the site's robots.txt refuses as well
};

// What a complete copy did, for its closing box and summary line.
struct CompleteCopyCounts {
    int files = 0;        // files written
    qint64 bytes = 0;     // their bytes
    int pages = 0;        // pages and stylesheets read for references
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
class CompleteCrawl {
public:
    // paneLog: the browser pane's requests while it shows the pages (a shown copy);
    // null when the pane shows nothing.
    CompleteCrawl(const FormControls& form, const DestinationTree& destination, CopyReport& report,
                  const CompleteCopyOptions& options, const CopyObserver& observer, PaneRequestLog* paneLog);

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
    // for the start page); nullopt after a failure or a redirect off the site, which
    // are reported here, or for the start page given back in startFailure.
    std::optional<Fetched> fetch(const Item& item, std::optional<RunError>* startFailure = nullptr);
    // Saves the file under the address that was asked for and, after a redirect,
    // under the address it came from; gives the file that stands for the address.
    // Raises RunError.
    QString saveAll(const Item& item, const Fetched& file);
    QString save(const QUrl& address, const QByteArray& body);
    void reportWritten(const Item& item, const QString& written);
    void readFile(const Item& item, const Fetched& file);
    void show(const Item& item, const Fetched& file);
    void consider(const QUrl& address, bool requisite, int level, const QString& referrer);
    void takePaneRequests(int level);
    void waitBetweenRequests();
    void failed(const Item& item, int number, const QString& description);
    void tell(CopyEvent::Kind kind, const Item& item, const QString& file, const QString& failure) const;
    void showLevel(int level);
    void finishLeftOut();

    static Kind kindOf(const QByteArray& contentType, const QUrl& address);

    FormControls m_form;
    const DestinationTree& m_destination;
    CopyReport& m_report;
    CompleteCopyOptions m_options;
    const CopyObserver& m_observer;
    PaneRequestLog* m_paneLog;

    std::optional<SiteScope> m_scope;
    RobotsRules m_robots;
    double m_maxLevel = 0;
    std::deque<Item> m_queue;
    QSet<QString> m_seen;                 // keys of the addresses taken
    QHash<QString, LeftOut> m_leftOut;    // by address, until the end of the copy
    QSet<QString> m_foldersMade;
    QString m_pageShown;                  // the page in the browser pane
    int m_levelShown = -1;
    bool m_requested = false;             // a request has gone out
    CompleteCopyCounts m_counts;
};
