#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// The rules of a site's robots.txt for one crawler, read as RFC 9309 writes them: a
// UTF-8 file (a byte-order mark at its start is skipped, at most its first 500 KiB
// are read) whose lines end with CR, LF or CR LF; groups of one or more user-agent
// lines followed by their rules. The groups that name the crawler's product token
// (case-insensitively) count, all of them together; without one, those for "*";
// without either, no rules. An address is refused when the longest rule that matches
// its path is a Disallow; Allow wins a tie; "*" in a rule matches any run of
// characters and a final "$" the end of the path. Paths and rules are compared with
// their escapes normalised: letters outside ASCII escaped as UTF-8, escapes of
// unreserved characters decoded, "*" and "$" of a path matched only by "%2A" and
// "%24". robots.txt itself is never refused.
class RobotsRules {
public:
    RobotsRules() = default;
    static RobotsRules parse(const QByteArray& robotsTxt, const QByteArray& productToken);

    // pathAndQuery: percent-encoded, as in the request ("/a/b.html?x=1").
    bool allows(const QString& pathAndQuery) const;

    // The pause the crawler's group asks for between two requests (Crawl-delay), in
    // seconds; 0 when it asks for none.
    double crawlDelay() const { return m_crawlDelay; }

private:
    struct Rule {
        QByteArray pattern;
        bool allow;
    };
    std::vector<Rule> m_rules;
    double m_crawlDelay = 0;
};
