#include "completecopy/offline/WrittenValue.h"

namespace {

using Markup = ValueSyntax::Markup;
using Inner = ValueSyntax::Inner;

void appendPercent(QByteArray& out, uchar c) {
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 15];
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A CSS escape by code: "\3c " (the blank ends it).
void appendCssHex(QByteArray& out, uchar c) {
    out += '\\';
    out += QByteArray::number(c, 16);
    out += ' ';
}

QByteArray inner(const QByteArray& value, ValueSyntax syntax) {
    QByteArray out;
    out.reserve(value.size() + 8);
    const bool styleText = syntax.markup == Markup::StyleText;
    switch (syntax.inner) {
    case Inner::Whole:
        return value;
    case Inner::SrcsetCandidate:
        // Blanks end a candidate's address, and commas at either end of it are read
        // as separators.
        for (qsizetype i = 0; i < value.size(); ++i) {
            const char c = value[i];
            const bool edge = i == 0 || i == value.size() - 1;
            if (isBlank(c) || (c == ',' && edge))
                appendPercent(out, uchar(c));
            else
                out += c;
        }
        return out;
    case Inner::RefreshSingleQuoted:
    case Inner::RefreshDoubleQuoted: {
        const char quote = syntax.inner == Inner::RefreshSingleQuoted ? '\'' : '"';
        for (const char c : value) {
            if (c == quote)
                appendPercent(out, uchar(c));
            else
                out += c;
        }
        return out;
    }
    case Inner::CssDoubleQuoted:
    case Inner::CssSingleQuoted: {
        const char quote = syntax.inner == Inner::CssSingleQuoted ? '\'' : '"';
        for (const char c : value) {
            if (c == quote || c == '\\') {
                out += '\\';
                out += c;
            } else if (uchar(c) < 0x20 || c == 0x7F || (styleText && c == '<')) {
                appendCssHex(out, uchar(c));
            }
            else
                out += c;
        }
        return out;
    }
    case Inner::CssBareUrl:
        for (const char c : value) {
            if (c == '(' || c == ')' || c == '"' || c == '\'' || c == '\\') {
                out += '\\';
                out += c;
            } else if (uchar(c) <= 0x20 || c == 0x7F || (styleText && c == '<')) {
                appendCssHex(out, uchar(c));
            }
            else
                out += c;
        }
        return out;
    }
    return value;
}

QByteArray markup(const QByteArray& value, Markup syntax) {
    if (syntax == Markup::None || syntax == Markup::StyleText)
        return value;
    QByteArray out;
    out.reserve(value.size() + 8);
    for (const char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '"' && syntax != Markup::SingleQuoted)
            out += "&quot;";
        else if (c == '\'' && syntax != Markup::DoubleQuoted)
            out += "&#39;";
        else if (syntax == Markup::Unquoted && (isBlank(c) || c == '<' || c == '>' || c == '=' || c == '`')) {
            out += "&#";
            out += QByteArray::number(uchar(c));
            out += ';';
        }
        else
            out += c;
    }
    return out;
}

} // namespace

QByteArray writtenValue(const QString& value, ValueSyntax syntax) {
    const QByteArray utf8 = value.toUtf8();
    QByteArray ascii;
    ascii.reserve(utf8.size());
    for (const char c : utf8) {
        if (uchar(c) >= 0x80)
            appendPercent(ascii, uchar(c));
        else
            ascii += c;
    }
    return markup(inner(ascii, syntax), syntax.markup);
}
