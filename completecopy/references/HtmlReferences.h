#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// A reference met in a page: its text as the page writes it (entities decoded), and
// whether the page needs it to be shown (a picture, a stylesheet, a script, a frame, a
// sound, a film, an icon) or only links to it (an anchor, an alternate page, a refresh).
struct FoundReference {
    QString text;
    bool requisite = false;
    bool operator==(const FoundReference&) const = default;
};

struct PageReferences {
    QString base;  // the href of the page's first <base href>; empty when it has none
    std::vector<FoundReference> references;  // in the order the page gives them
};

// Every reference of an HTML page, read with libxml2's HTML parser (never from inside
// a comment or a script):
// - links: a/area href, link href (but for the kinds of link below), meta refresh;
// - what the page needs: img/script/iframe/frame/embed/source/audio/video/track/input
//   src, srcset (every candidate), poster, object data, body/table/td/th background,
//   data-src and data-srcset, link href of stylesheets, icons, preloads and manifests,
//   svg image/use href, and CSS url() and @import in <style> and style attributes.
// charset is the one the server named for the page; without it the page is read as
// UTF-8 when its bytes are UTF-8, otherwise as its own meta element says (Latin-1
// when it says nothing).
PageReferences findHtmlReferences(const QByteArray& page, const QByteArray& charset = {});
