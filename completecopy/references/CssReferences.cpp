#include "completecopy/references/CssReferences.h"
#include <vector>

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c.unicode() >= 0x80;
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Reads the character escaped by the backslash at i; i ends after the escape.
QString readEscape(const QString& css, qsizetype& i) {
    const qsizetype n = css.size();
    ++i; // the backslash
    if (i >= n)
        return QString();
    if (!isHex(css[i]))
        return QString(css[i++]);
    const qsizetype start = i;
    while (i < n && i - start < 6 && isHex(css[i]))
        ++i;
    const char32_t code = char32_t(css.mid(start, i - start).toUInt(nullptr, 16));
    if (i < n && isSpace(css[i]))
        ++i;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString(QChar(0xFFFD));
    return QString::fromUcs4(&code, 1);
}

// A string from its opening quote at i; i ends after it. False for a string cut by
// a line end (which CSS drops).
bool readString(const QString& css, qsizetype& i, QString& out) {
    const qsizetype n = css.size();
    const QChar quote = css[i++];
    out.clear();
    while (i < n) {
        const QChar c = css[i];
        if (c == quote) {
            ++i;
            return true;
        }
        if (c == u'\n' || c == u'\r' || c == u'\f')
            return false;
        if (c == u'\\') {
            if (i + 1 < n && (css[i + 1] == u'\n' || css[i + 1] == u'\r' || css[i + 1] == u'\f')) {
                i += 2; // a line continued
                continue;
            }
            out += readEscape(css, i);
            continue;
        }
        out += c;
        ++i;
    }
    return true; // the end of the sheet closes the string
}

QString readName(const QString& css, qsizetype& i) {
    QString name;
    const qsizetype n = css.size();
    while (i < n) {
        if (isNameChar(css[i]))
            name += css[i++];
        else if (css[i] == u'\\' && i + 1 < n && css[i + 1] != u'\n')
            name += readEscape(css, i);
        else
            break;
    }
    return name;
}

// An unquoted url( ... ) from just after its bracket; i ends after the closing
// bracket. False for a bad address (a quote, a bracket or white space inside it).
bool readBareUrl(const QString& css, qsizetype& i, QString& out) {
    const qsizetype n = css.size();
    out.clear();
    bool bad = false;
    while (i < n && isSpace(css[i]))
        ++i;
    while (i < n) {
        const QChar c = css[i];
        if (c == u')') {
            ++i;
            return !bad;
        }
        if (isSpace(c)) {
            while (i < n && isSpace(css[i]))
                ++i;
            if (i < n && css[i] != u')')
                bad = true;
            continue;
        }
        if (c == u'"' || c == u'\'' || c == u'(') {
            bad = true;
            ++i;
            continue;
        }
        if (c == u'\\') {
            out += readEscape(css, i);
            continue;
        }
        out += c;
        ++i;
    }
    return !bad;
}

} // namespace

QStringList findCssReferences(const QString& css) {
    QStringList found;
    auto take = [&found](const QString& address) {
        if (!address.trimmed().isEmpty())
            found << address.trimmed();
    };
    const qsizetype n = css.size();
    std::vector<QString> open; // the functions and brackets the reading is inside
    bool afterImport = false;
    qsizetype i = 0;
    QString text;
    while (i < n) {
        const QChar c = css[i];
        if (c == u'/' && i + 1 < n && css[i + 1] == u'*') {
            const qsizetype end = css.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            const bool whole = readString(css, i, text);
            const QString inside = open.empty() ? QString() : open.back();
            if (whole && (afterImport || inside == u"url" || inside.endsWith(QLatin1String("image-set"))))
                take(text);
            afterImport = false;
            continue;
        }
        if (c == u'@') {
            ++i;
            afterImport = readName(css, i).compare(QLatin1String("import"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (isNameChar(c) || (c == u'\\' && i + 1 < n && css[i + 1] != u'\n')) {
            const QString name = readName(css, i).toLower();
            if (i < n && css[i] == u'(') {
                ++i;
                qsizetype ahead = i;
                while (ahead < n && isSpace(css[ahead]))
                    ++ahead;
                if (name == u"url" && !(ahead < n && (css[ahead] == u'"' || css[ahead] == u'\''))) {
                    if (readBareUrl(css, i, text))
                        take(text);
                } else {
                    open.push_back(name);
                }
                afterImport = false;
            } else if (!name.isEmpty()) {
                afterImport = false;
            }
            continue;
        }
        if (c == u'(')
            open.push_back(QString());
        else if (c == u')' && !open.empty())
            open.pop_back();
        else if (c == u';' || c == u'{' || c == u'}')
            afterImport = false;
        ++i;
    }
    return found;
}
