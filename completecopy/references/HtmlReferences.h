#pragma once
#include "completecopy/references/FoundReference.h"
#include <QByteArray>
#include <QString>
#include <vector>

struct PageReferences {
    QString base;  // the href of the page's first <base href>; empty when it has none
    qsizetype baseAt = -1;  // the bytes of that href's value, as for a reference
    qsizetype baseLength = 0;
    ValueSyntax baseSyntax;
    std::vector<FoundReference> references;  // in the order the page gives them
};

// Every reference of an HTML page, read with libxml2's HTML parser (never from inside
// a comment or a script, nor from the text a browser shows as it is written: the
// content of textarea, title, xmp and plaintext):
// - links: a/area href, link href (but for the kinds of link below), meta refresh;
// - what the page needs: img/script/iframe/frame/embed/source/audio/video/track/input
//   src, srcset (every candidate), poster, object data, body/table/td/th background,
//   data-src and data-srcset, link href of stylesheets, icons, preloads and manifests,
//   svg image/use href, and CSS url() and @import in <style> and style attributes.
// charset is the one the server named for the page, and wins over the page's own meta
// element, as in browsers. Without it the page is read as UTF-8 when its bytes are
// UTF-8, otherwise as Latin-1; a page whose meta element names another set is read in
// that set (from its start: a second reading when the first met the meta element).
//
// Each reference comes with the bytes of its value in the page when they can be told
// for certain (see FoundReference): libxml2 tells where each start tag ends, the tag is
// read again from its bytes, and its place counts only when every attribute read there
// decodes to the value libxml2 gave. Pages in a set that does not write ASCII as ASCII
// (UTF-16) give no places.
PageReferences findHtmlReferences(const QByteArray& page, const QByteArray& charset = {});
