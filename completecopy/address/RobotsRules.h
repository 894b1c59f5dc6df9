#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// The rules of a site's robots.txt for one crawler: the groups that name its
// product token (case-insensitively), or else the groups for "*". An address is
// refused when the longest rule that matches its path is a Disallow; Allow wins a
// tie; "*" in a rule matches any run of characters and a final "$" the end of the
// path. No rules (no file, an empty one) refuse nothing, and robots.txt itself is
// never refused.
class RobotsRules {
public:
    RobotsRules() = default;
    static RobotsRules parse(const QByteArray& robotsTxt, const QByteArray& productToken);

    // pathAndQuery: percent-encoded, as in the request ("/a/b.html?x=1").
    bool allows(const QString& pathAndQuery) const;

private:
    struct Rule {
        QByteArray pattern;
        bool allow;
    };
    std::vector<Rule> m_rules;
};
