#pragma once
#include "completecopy/CrawlItem.h"
#include "completecopy/FileFetcher.h"

#include <QHash>
#include <QSet>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QEventLoop;
class TransferScheduler;

// The addresses a complete copy has taken, each waiting its turn in the order taken.
// The files of the first few are asked for ahead of their turn, four times as many as
// the transfers run at once, so that no transfer waits for the copy; each
// file is handed over in its turn all the same, whatever the order it came in.
class CrawlTurns {
public:
    // rule: the redirects an item's file may follow.
    CrawlTurns(FileFetcher& fetcher, TransferScheduler& transfers,
               std::function<FileFetcher::RedirectRule(const CrawlItem&)> rule);
    // The files that came in and were not handed over are given up.
    ~CrawlTurns();

    void push(const CrawlItem& item);
    bool empty() const { return m_turns.empty(); }
    int size() const { return int(m_turns.size()); }

    struct Taken {
        CrawlItem item;
        FileFetcher::Outcome outcome;
    };
    // The first turn and its file, once the file is in; nullopt when the wait was
    // ended by stop() (the turn stays first).
    std::optional<Taken> next();

    // Asks for one file out of turn and waits for it; nullopt when ended by stop().
    std::optional<FileFetcher::Outcome> fetchNow(const QUrl& address, const FileFetcher::RedirectRule& rule,
                                                 bool wholeFile);

    // Ends the wait under way, and every wait to come.
    void stop();

    // Every turn still waiting, in order; their transfers stop and their files are
    // given up. No file is asked for after this.
    std::vector<CrawlItem> drop();

private:
    struct Turn {
        CrawlItem item;
        quint64 id = 0;  // 0 until its file is asked for
    };
    void askAhead();
    quint64 ask(const QUrl& address, const FileFetcher::RedirectRule& rule, bool wholeFile);
    void arrived(quint64 id, FileFetcher::Outcome outcome);
    std::optional<FileFetcher::Outcome> waitFor(quint64 id);

    FileFetcher& m_fetcher;
    TransferScheduler& m_transfers;
    std::function<FileFetcher::RedirectRule(const CrawlItem&)> m_rule;
    std::deque<Turn> m_turns;
    int m_askedAhead = 0;                            // turns at the front whose file is asked for
    quint64 m_lastId = 0;
    QSet<quint64> m_wanted;                          // files still to be handed over
    QHash<quint64, FileFetcher::Outcome> m_arrived;  // files in, not handed over yet
    QEventLoop* m_waiting = nullptr;
    quint64 m_waitingFor = 0;
    bool m_stopped = false;
};
