#pragma once
#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/TagPlaces.h"
#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

struct _xmlSAXHandler;

// What libxml2's SAX callbacks collect in one reading of a page: the references of its
// start tags and of the text of its <style> elements, and its first <base href>, each
// placed in the page's bytes by `places` when it can be.
struct ReferenceCollector {
    explicit ReferenceCollector(const QByteArray& page) : places(page) {}

    // Points the callbacks of start tags, end tags and text of `sax` at a collector,
    // the one given to the parser as its user data.
    static void listen(_xmlSAXHandler& sax);

    TagPlaces places;
    PageReferences found;
    bool baseSeen = false;

    int inShownText = 0;  // depth of libxml2's textarea, title, xmp, plaintext
    std::vector<std::pair<qsizetype, qsizetype>> shownText;  // where a browser reads them

    bool inStyle = false;
    QString style;
    qsizetype styleAt = -1;
    _xmlCharEncodingHandler* styleEncoder = nullptr;

    bool insideShownText(qsizetype at) const;
    void add(const QString& text, bool requisite, qsizetype at = -1, qsizetype length = 0, ValueSyntax syntax = {});
    // A whole attribute value.
    void addWhole(const QString& value, bool requisite, const LexedAttribute* a);
    void addSrcset(const QString& value, const LexedAttribute* a, const MappedText* mapped);
    void addCss(const QString& css, ValueSyntax::Markup markup, const MappedText* mapped);
};
