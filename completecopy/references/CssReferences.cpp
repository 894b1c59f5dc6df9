#include "completecopy/references/CssReferences.h"
#include "completecopy/references/ByteText.h"
#include <QStringDecoder>
#include <vector>

namespace {

using Inner = ValueSyntax::Inner;

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

// The characters of a string's inside or a bare address, escapes decoded (and in a
// string, a backslash before a line end dropped with it).
QString unescaped(const QString& raw, bool inString) {
    QString out;
    const qsizetype n = raw.size();
    qsizetype i = 0;
    while (i < n) {
        if (raw[i] != u'\\') {
            out += raw[i++];
            continue;
        }
        if (inString && i + 1 < n && (raw[i + 1] == u'\n' || raw[i + 1] == u'\r' || raw[i + 1] == u'\f')) {
            i += 2;
            continue;
        }
        out += readEscape(raw, i);
    }
    return out;
}

// A string from its opening quote at i; i ends after it. False for a string cut by
// a line end (which CSS drops). inside gets the offsets of what lies between the quotes.
bool readString(const QString& css, qsizetype& i, QString& out, qsizetype& insideAt, qsizetype& insideEnd) {
    const qsizetype n = css.size();
    const QChar quote = css[i++];
    out.clear();
    insideAt = i;
    while (i < n) {
        const QChar c = css[i];
        if (c == quote) {
            insideEnd = i;
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
    insideEnd = n;
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
// The address lies at [valueAt, valueEnd).
bool readBareUrl(const QString& css, qsizetype& i, QString& out, qsizetype& valueAt, qsizetype& valueEnd) {
    const qsizetype n = css.size();
    out.clear();
    bool bad = false;
    while (i < n && isSpace(css[i]))
        ++i;
    valueAt = valueEnd = i;
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
            valueEnd = i;
            continue;
        }
        out += c;
        ++i;
        valueEnd = i;
    }
    return !bad;
}

} // namespace

std::vector<CssReference> findCssReferenceSpans(const QString& css) {
    std::vector<CssReference> found;
    auto take = [&found](const QString& address, qsizetype at, qsizetype end, Inner inner) {
        const QString t = address.trimmed();
        if (!t.isEmpty())
            found.push_back({t, at, end - at, inner});
    };
    const qsizetype n = css.size();
    std::vector<QString> open; // the functions and brackets the reading is inside
    bool afterImport = false;
    qsizetype i = 0;
    QString text;
    qsizetype at = 0, end = 0;
    while (i < n) {
        const QChar c = css[i];
        if (c == u'/' && i + 1 < n && css[i + 1] == u'*') {
            const qsizetype close = css.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            const bool whole = readString(css, i, text, at, end);
            const QString inside = open.empty() ? QString() : open.back();
            if (whole && (afterImport || inside == u"url" || inside.endsWith(QLatin1String("image-set"))))
                take(text, at, end, c == u'"' ? Inner::CssDoubleQuoted : Inner::CssSingleQuoted);
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
                    if (readBareUrl(css, i, text, at, end))
                        take(text, at, end, Inner::CssBareUrl);
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

QStringList findCssReferences(const QString& css) {
    QStringList out;
    for (const CssReference& r : findCssReferenceSpans(css))
        out << r.text;
    return out;
}

std::vector<FoundReference> findStylesheetReferences(const QByteArray& sheet) {
    std::vector<FoundReference> found;
    const auto syntaxOf = [](Inner inner) { return ValueSyntax{ValueSyntax::Markup::None, inner}; };
    if (sheet.startsWith("\xFE\xFF") || sheet.startsWith("\xFF\xFE")) {
        // UTF-16: read for its addresses, but no byte of it can be told.
        QStringDecoder decode(sheet.startsWith("\xFE\xFF") ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
        const QString text = decode(sheet.mid(2));
        for (const CssReference& r : findCssReferenceSpans(text))
            found.push_back({r.text, true, -1, 0, syntaxOf(r.inner)});
        return found;
    }
    const qsizetype start = sheet.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    ByteDecoder decoder;
    static const QByteArray charsetRule = "@charset \"";
    if (start == 0 && sheet.startsWith(charsetRule)) {
        const qsizetype close = sheet.indexOf("\";", charsetRule.size());
        if (close > 0) {
            ByteDecoder named = ByteDecoder::named(sheet.mid(charsetRule.size(), close - charsetRule.size()));
            if (named.isValid())
                decoder = std::move(named);
        }
    }
    // The sheet is tokenized a byte a character: everything that delimits an address
    // is ASCII, and every byte from 0x80 up reads as part of a name, as the characters
    // it makes would. Each address is then decoded from its own bytes.
    const QString bytewise = QString::fromLatin1(sheet);
    for (const CssReference& r : findCssReferenceSpans(bytewise)) {
        if (r.at < start)
            continue;
        const QByteArray raw = sheet.mid(r.at, r.length);
        QString decoded;
        if (decoder.isUtf8()) {
            decoded = utf8Text(raw);
        } else {
            // A run that does not decode keeps its bytes as Latin-1 in the text (and
            // the address then names nothing the copy holds).
            const std::optional<MappedText> mapped = decodeMapped(sheet, r.at, r.length, decoder, false);
            decoded = mapped ? mapped->text : QString::fromLatin1(raw);
        }
        const QString text = unescaped(decoded, r.inner != Inner::CssBareUrl).trimmed();
        if (!text.isEmpty())
            found.push_back({text, true, r.at, r.length, syntaxOf(r.inner)});
    }
    return found;
}
