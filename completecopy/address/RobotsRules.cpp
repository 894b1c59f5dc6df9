#include "completecopy/address/RobotsRules.h"
#include <QList>

namespace {

// The pattern in the form requests are written in: letters outside ASCII escaped,
// escapes upper-cased.
QByteArray encodedForm(const QByteArray& text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = uchar(text[i]);
        if (c == '%' && i + 2 < text.size()) {
            out += '%';
            out += text.mid(i + 1, 2).toUpper();
            i += 2;
        } else if (c >= 0x80 || c <= 0x20) {
            out += '%' + QByteArray::number(c, 16).rightJustified(2, '0').toUpper();
        } else {
            out += char(c);
        }
    }
    return out;
}

// Whether the pattern matches the start of the path ("*" any run, "$" at the end
// only the end).
bool matches(const QByteArray& pattern, const QByteArray& path) {
    const bool anchored = pattern.endsWith('$');
    const QByteArray p = anchored ? pattern.chopped(1) : pattern;
    const QList<QByteArray> pieces = p.split('*');
    qsizetype at = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const QByteArray& piece = pieces[k];
        if (k == 0) {
            if (!path.startsWith(piece))
                return false;
            at = piece.size();
            continue;
        }
        if (k == pieces.size() - 1 && anchored) {
            // The last piece must end the path.
            return path.size() - piece.size() >= at && path.endsWith(piece);
        }
        const qsizetype found = path.indexOf(piece, at);
        if (found < 0)
            return false;
        at = found + piece.size();
    }
    return !anchored || at == path.size();
}

} // namespace

RobotsRules RobotsRules::parse(const QByteArray& robotsTxt, const QByteArray& productToken) {
    struct Group {
        QList<QByteArray> agents;
        std::vector<Rule> rules;
    };
    std::vector<Group> groups;
    bool inAgents = false; // the last line read was a user-agent line
    for (QByteArray line : robotsTxt.split('\n')) {
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "user-agent") {
            if (!inAgents || groups.empty())
                groups.emplace_back();
            // "Mirasito/1.0" names the product Mirasito.
            groups.back().agents << value.toLower().split('/').value(0).trimmed();
            inAgents = true;
        } else if (key == "allow" || key == "disallow") {
            inAgents = false;
            if (!groups.empty() && !value.isEmpty())
                groups.back().rules.push_back({encodedForm(value), key == "allow"});
        } else {
            // Sitemap, crawl-delay and the like neither end a group nor belong to it.
        }
    }
    const QByteArray token = productToken.toLower();
    RobotsRules r;
    for (const QByteArray& wanted : {token, QByteArray("*")}) {
        for (const Group& g : groups)
            if (g.agents.contains(wanted))
                r.m_rules.insert(r.m_rules.end(), g.rules.begin(), g.rules.end());
        if (!r.m_rules.empty())
            break;
        // A group for this crawler with no rules at all still outranks "*".
        bool named = false;
        for (const Group& g : groups)
            named = named || g.agents.contains(wanted);
        if (named)
            break;
    }
    return r;
}

bool RobotsRules::allows(const QString& pathAndQuery) const {
    const QByteArray path = encodedForm(pathAndQuery.toUtf8());
    if (path == "/robots.txt")
        return true;
    qsizetype longest = -1;
    bool allowed = true;
    for (const Rule& rule : m_rules) {
        if (!matches(rule.pattern, path))
            continue;
        const qsizetype length = rule.pattern.size();
        if (length > longest || (length == longest && rule.allow)) {
            longest = length;
            allowed = rule.allow;
        }
    }
    return allowed;
}
