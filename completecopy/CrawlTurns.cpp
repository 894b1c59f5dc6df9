#include "completecopy/CrawlTurns.h"
#include "completecopy/CopiedFiles.h"
#include "completecopy/TransferScheduler.h"

#include <QEventLoop>

CrawlTurns::CrawlTurns(FileFetcher& fetcher, TransferScheduler& transfers,
                       std::function<FileFetcher::RedirectRule(const CrawlItem&)> rule)
    : m_fetcher(fetcher), m_transfers(transfers), m_rule(std::move(rule)) {}

CrawlTurns::~CrawlTurns() {
    for (auto it = m_arrived.cbegin(); it != m_arrived.cend(); ++it)
        if (it->file)
            CopiedFiles::discard(*it->file);
}

void CrawlTurns::push(const CrawlItem& item) {
    m_turns.push_back({item, 0});
}

void CrawlTurns::askAhead() {
    // More files are asked for than the transfers run, so that none waits for the copy
    // to take a file: with one connection the next request goes out as soon as the
    // last answer is in, while the copy takes that file (the transfers keep the order
    // asked, and a pause between requests is theirs to keep).
    const int ahead = 4 * m_transfers.connections();
    for (qsizetype i = m_askedAhead; i < qsizetype(m_turns.size()) && m_askedAhead < ahead; ++i) {
        Turn& turn = m_turns[size_t(i)];
        turn.id = ask(turn.item.address, m_rule(turn.item), false);
        ++m_askedAhead;
    }
}

quint64 CrawlTurns::ask(const QUrl& address, const FileFetcher::RedirectRule& rule, bool wholeFile) {
    const quint64 id = ++m_lastId;
    m_wanted.insert(id);
    m_fetcher.fetch(address, rule, wholeFile,
                    [this, id](FileFetcher::Outcome outcome) { arrived(id, std::move(outcome)); });
    return id;
}

void CrawlTurns::arrived(quint64 id, FileFetcher::Outcome outcome) {
    if (!m_wanted.contains(id)) {
        if (outcome.file)
            CopiedFiles::discard(*outcome.file);
        return;
    }
    m_arrived.insert(id, std::move(outcome));
    if (m_waiting && m_waitingFor == id)
        m_waiting->quit();
}

std::optional<FileFetcher::Outcome> CrawlTurns::waitFor(quint64 id) {
    if (!m_arrived.contains(id) && !m_stopped) {
        QEventLoop loop;
        m_waiting = &loop;
        m_waitingFor = id;
        loop.exec();
        m_waiting = nullptr;
    }
    if (!m_arrived.contains(id))
        return std::nullopt;
    m_wanted.remove(id);
    return m_arrived.take(id);
}

std::optional<CrawlTurns::Taken> CrawlTurns::next() {
    askAhead();
    std::optional<FileFetcher::Outcome> got = waitFor(m_turns.front().id);
    if (!got)
        return std::nullopt;
    const CrawlItem item = m_turns.front().item;
    m_turns.pop_front();
    --m_askedAhead;
    return Taken{item, std::move(*got)};
}

std::optional<FileFetcher::Outcome> CrawlTurns::fetchNow(const QUrl& address, const FileFetcher::RedirectRule& rule,
                                                         bool wholeFile) {
    return waitFor(ask(address, rule, wholeFile));
}

void CrawlTurns::stop() {
    m_stopped = true;
    if (m_waiting)
        m_waiting->quit();
}

std::vector<CrawlItem> CrawlTurns::drop() {
    std::vector<CrawlItem> items;
    for (const Turn& turn : m_turns) {
        items.push_back(turn.item);
        m_wanted.remove(turn.id);
        if (const auto got = m_arrived.constFind(turn.id); got != m_arrived.cend() && got->file)
            CopiedFiles::discard(*got->file);
        m_arrived.remove(turn.id);
    }
    m_turns.clear();
    m_askedAhead = 0;
    m_fetcher.stop();
    m_transfers.cancelAll();
    return items;
}
