#pragma once
#include "completecopy/references/FoundReference.h"
#include <QByteArray>
#include <optional>
#include <vector>

// A start tag as a browser's tokenizer reads it from a page's bytes (in UTF-8 or a
// set that writes ASCII as ASCII): its name and every attribute with where its value
// stands. It only reads the one tag whose "<" it is given: where tags are is libxml2's
// to tell, and a tag read here counts only once it agrees with what libxml2 read.
struct LexedAttribute {
    QByteArray name;       // lower-cased
    qsizetype at = -1;     // the value's bytes, without quotes; -1 when the attribute has no "="
    qsizetype length = 0;
    ValueSyntax::Markup quoting = ValueSyntax::Markup::Unquoted;
};

struct LexedTag {
    QByteArray name;  // lower-cased
    std::vector<LexedAttribute> attributes;  // in the page's order, repeated names included
    qsizetype close = -1;     // the ">" that ends it
    bool selfClosing = false; // ended by "/>"

    // The first attribute of that name (the one a browser keeps), or null.
    const LexedAttribute* attribute(const char* name) const;
};

// The start tag whose "<" is at `at`; nullopt when no start tag begins there (no ASCII
// letter after the "<") or the page ends inside it.
std::optional<LexedTag> lexStartTag(const QByteArray& page, qsizetype at);
