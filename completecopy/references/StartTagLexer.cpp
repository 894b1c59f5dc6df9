#include "completecopy/references/StartTagLexer.h"
#include <cstring>

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

} // namespace

const LexedAttribute* LexedTag::attribute(const char* wanted) const {
    for (const LexedAttribute& a : attributes)
        if (a.name == wanted)
            return &a;
    return nullptr;
}

std::optional<LexedTag> lexStartTag(const QByteArray& page, qsizetype at) {
    const qsizetype n = page.size();
    const char* p = page.constData();
    if (at < 0 || at + 1 >= n || p[at] != '<' || !isAsciiLetter(p[at + 1]))
        return std::nullopt;
    LexedTag tag;
    qsizetype i = at + 1;
    while (i < n && !isSpace(p[i]) && p[i] != '/' && p[i] != '>')
        tag.name += lower(p[i++]);
    // Between attributes: blanks, and a "/" that does not close the tag, are passed over.
    while (i < n) {
        const char c = p[i];
        if (isSpace(c)) {
            ++i;
            continue;
        }
        if (c == '>') {
            tag.close = i;
            return tag;
        }
        if (c == '/') {
            if (i + 1 < n && p[i + 1] == '>') {
                tag.close = i + 1;
                tag.selfClosing = true;
                return tag;
            }
            ++i;
            continue;
        }
        // A name: its first character may be anything, even "=".
        LexedAttribute a;
        a.name += lower(c);
        ++i;
        while (i < n && !isSpace(p[i]) && p[i] != '/' && p[i] != '>' && p[i] != '=')
            a.name += lower(p[i++]);
        qsizetype j = i;
        while (j < n && isSpace(p[j]))
            ++j;
        if (j < n && p[j] == '=') {
            i = j + 1;
            while (i < n && isSpace(p[i]))
                ++i;
            if (i >= n)
                return std::nullopt;
            if (p[i] == '"' || p[i] == '\'') {
                const char quote = p[i];
                const char* close = static_cast<const char*>(std::memchr(p + i + 1, quote, size_t(n - i - 1)));
                if (!close)
                    return std::nullopt;
                a.at = i + 1;
                a.length = (close - p) - a.at;
                a.quoting = quote == '"' ? ValueSyntax::Markup::DoubleQuoted : ValueSyntax::Markup::SingleQuoted;
                i = (close - p) + 1;
            } else if (p[i] == '>') {
                a.at = i;  // "a=>": an empty value, and the tag ends
                a.length = 0;
            } else {
                a.at = i;
                while (i < n && !isSpace(p[i]) && p[i] != '>')
                    ++i;
                a.length = i - a.at;
                a.quoting = ValueSyntax::Markup::Unquoted;
            }
        } else {
            i = j;
        }
        tag.attributes.push_back(std::move(a));
    }
    return std::nullopt;
}
