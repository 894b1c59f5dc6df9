#pragma once
#include <QString>
#include <QtGlobal>

// How a reference's value is written where it stands, from the outside in: the
// markup around it (an attribute and its quotes, the text of a <style> element, or
// none in a stylesheet of its own) and the syntax inside that (the whole value, one
// candidate of a srcset, the address of a refresh, a CSS string or a bare url()).
// Enough to write another value in its place without breaking what surrounds it.
struct ValueSyntax {
    enum class Markup : quint8 {
        None,          // a stylesheet file: no HTML around it
        StyleText,     // the text of a <style> element: no entities, but "</style" ends it
        DoubleQuoted,  // an attribute value in "..."
        SingleQuoted,  // an attribute value in '...'
        Unquoted,      // an attribute value without quotes
    };
    enum class Inner : quint8 {
        Whole,                // the whole value
        SrcsetCandidate,      // the address of one srcset candidate
        RefreshSingleQuoted,  // the address of a refresh content, in '...'
        RefreshDoubleQuoted,  // the address of a refresh content, in "..."
        CssDoubleQuoted,      // a CSS string in "..." (url("..."), @import "...", image-set("..."))
        CssSingleQuoted,      // a CSS string in '...'
        CssBareUrl,           // the address of an unquoted url(...)
    };
    Markup markup = Markup::None;
    Inner inner = Inner::Whole;
    bool operator==(const ValueSyntax&) const = default;
};

// A reference met in a page or a stylesheet: its text as written (entities and CSS
// escapes decoded, blanks around it dropped), and whether the page needs it to be
// shown (a picture, a stylesheet, a script, a frame, a sound, a film, an icon) or only
// links to it (an anchor, an alternate page, a refresh). at and length give the bytes
// of the value in the file as served (without its quotes; for a srcset, a refresh or
// CSS, just the address inside the attribute or the text); at is -1 when they cannot
// be told for certain, and such a value is never rewritten.
struct FoundReference {
    QString text;
    bool requisite = false;
    qsizetype at = -1;
    qsizetype length = 0;
    ValueSyntax syntax;
    bool operator==(const FoundReference&) const = default;
};
