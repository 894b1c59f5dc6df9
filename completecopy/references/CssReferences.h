#pragma once
#include "completecopy/references/FoundReference.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// An address a stylesheet names, with where it stands in the text given: the inside
// of its string without the quotes, or the address inside an unquoted url( ), blanks
// around it left out.
struct CssReference {
    QString text;  // CSS escapes decoded, blanks around it dropped
    qsizetype at = 0;
    qsizetype length = 0;
    ValueSyntax::Inner inner = ValueSyntax::Inner::CssBareUrl;  // or CssDoubleQuoted, CssSingleQuoted
    bool operator==(const CssReference&) const = default;
};

// The addresses a stylesheet names, in order: every url(...), quoted or not, the
// string of every @import, and the strings of image-set(); nothing from inside a
// comment. CSS escapes are decoded. Offsets count the UTF-16 units of css.
std::vector<CssReference> findCssReferenceSpans(const QString& css);

// The same, the addresses alone.
QStringList findCssReferences(const QString& css);

// The references of a stylesheet file, offsets counting its bytes. It is read as
// UTF-8 unless it begins with @charset naming another set that writes ASCII as ASCII
// (a UTF-16 sheet, with its byte order mark, is read but gives no offsets).
// Everything a stylesheet names is needed to show it: every reference is requisite.
std::vector<FoundReference> findStylesheetReferences(const QByteArray& sheet);
