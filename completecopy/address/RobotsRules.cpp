#include "completecopy/address/RobotsRules.h"
#include <QList>

namespace {

// Crawlers must read at least this much of the file.
constexpr qsizetype kLongestFile = 500 * 1024;

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isUnreserved(uchar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

void appendEscape(QByteArray& out, uchar c) {
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 0x0F];
}

// A path or a rule in the one form both are compared in: bytes outside ASCII, blanks
// and control characters escaped; escapes upper-cased, those of unreserved
// characters decoded. In a path (not a rule) "*" and "$" are characters like any
// other, escaped so that only a rule's own escapes match them.
QByteArray normalised(const QByteArray& text, bool isRule) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = uchar(text[i]);
        if (c == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            const auto decoded = uchar(text.mid(i + 1, 2).toUInt(nullptr, 16));
            if (isUnreserved(decoded))
                out += char(decoded);
            else
                appendEscape(out, decoded);
            i += 2;
        } else if (c >= 0x80 || c <= 0x20 || c == 0x7F || (!isRule && (c == '*' || c == '$'))) {
            appendEscape(out, c);
        } else {
            out += char(c);
        }
    }
    return out;
}

// Whether the rule matches the start of the path ("*" any run, a final "$" the end).
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

// The product token a user-agent line names: "Mirasito/1.0" and "Mirasito (x)" name
// Mirasito.
QByteArray productOf(const QByteArray& value) {
    if (value.startsWith('*'))
        return "*";
    qsizetype end = 0;
    while (end < value.size()) {
        const char c = value[end];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_'))
            break;
        ++end;
    }
    return value.left(end).toLower();
}

// The lines of the file, ended by CR, LF or CR LF.
QList<QByteArray> linesOf(QByteArray text) {
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    text.truncate(kLongestFile);
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines << text.mid(start);
    return lines;
}

} // namespace

RobotsRules RobotsRules::parse(const QByteArray& robotsTxt, const QByteArray& productToken) {
    struct Group {
        QList<QByteArray> agents;
        std::vector<Rule> rules;
        double crawlDelay = -1;
    };
    std::vector<Group> groups;
    bool inAgents = false; // the last record read was a user-agent line
    for (QByteArray line : linesOf(robotsTxt)) {
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
            groups.back().agents << productOf(value);
            inAgents = true;
        } else if (key == "allow" || key == "disallow") {
            inAgents = false;
            if (!groups.empty() && !value.isEmpty())
                groups.back().rules.push_back({normalised(value, true), key == "allow"});
        } else if (key == "crawl-delay") {
            inAgents = false;
            bool number = false;
            const double seconds = value.toDouble(&number);
            if (!groups.empty() && number && seconds >= 0 && groups.back().crawlDelay < 0)
                groups.back().crawlDelay = seconds;
        } else {
            // Sitemap and the like neither end a group nor belong to it.
        }
    }
    const QByteArray token = productToken.toLower();
    RobotsRules r;
    for (const QByteArray& wanted : {token, QByteArray("*")}) {
        bool named = false;
        for (const Group& g : groups) {
            if (!g.agents.contains(wanted))
                continue;
            named = true;
            r.m_rules.insert(r.m_rules.end(), g.rules.begin(), g.rules.end());
            if (g.crawlDelay >= 0 && r.m_crawlDelay == 0)
                r.m_crawlDelay = g.crawlDelay;
        }
        // A group for this crawler, even one with no rules at all, outranks "*".
        if (named)
            break;
    }
    return r;
}

bool RobotsRules::allows(const QString& pathAndQuery) const {
    const QByteArray path = normalised(pathAndQuery.toUtf8(), false);
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
