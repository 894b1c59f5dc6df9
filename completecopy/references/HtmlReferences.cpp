#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/references/SrcsetCandidates.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <climits>
#include <cstring>
#include <mutex>

namespace {

enum class Role { None, Link, Requisite, Srcset, Css };

// What an attribute of an element names. Element and attribute names come lower-cased
// from the parser.
Role roleOf(const char* element, const char* attribute, const char* rel) {
    const auto is = [](const char* a, const char* b) { return std::strcmp(a, b) == 0; };
    const auto oneOf = [&](const char* name, std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (is(name, n))
                return true;
        return false;
    };
    if (is(attribute, "style"))
        return Role::Css;
    if (is(attribute, "href")) {
        if (oneOf(element, {"a", "area"}))
            return Role::Link;
        if (is(element, "link")) {
            // Stylesheets, icons, preloads and manifests are part of the page; an
            // alternate, next or canonical page is only linked.
            const QByteArray kinds = QByteArray(rel ? rel : "").toLower();
            for (const char* k : {"stylesheet", "icon", "preload", "manifest"})
                if (kinds.contains(k))
                    return Role::Requisite;
            return Role::Link;
        }
        if (oneOf(element, {"image", "use"}))
            return Role::Requisite;
        return Role::None;
    }
    if (is(attribute, "xlink:href") && oneOf(element, {"image", "use"}))
        return Role::Requisite;
    if (is(attribute, "src") || is(attribute, "data-src"))
        return oneOf(element, {"img", "script", "iframe", "frame", "embed", "source", "audio", "video", "track",
                               "input"})
                   ? Role::Requisite
                   : Role::None;
    if (is(attribute, "srcset") || is(attribute, "data-srcset"))
        return oneOf(element, {"img", "source"}) ? Role::Srcset : Role::None;
    if (is(attribute, "poster"))
        return is(element, "video") ? Role::Requisite : Role::None;
    if (is(attribute, "data"))
        return is(element, "object") ? Role::Requisite : Role::None;
    if (is(attribute, "background"))
        return oneOf(element, {"body", "table", "td", "th"}) ? Role::Requisite : Role::None;
    return Role::None;
}

struct Reading {
    PageReferences found;
    bool baseSeen = false;
    bool inStyle = false;
    QString style;

    void add(const QString& text, bool requisite) {
        const QString t = text.trimmed();
        if (!t.isEmpty())
            found.references.push_back({t, requisite});
    }
    void addCss(const QString& css) {
        for (const QString& address : findCssReferences(css))
            add(address, true);
    }
};

QString text(const xmlChar* s) {
    return s ? QString::fromUtf8(reinterpret_cast<const char*>(s)) : QString();
}

const xmlChar* attributeValue(const xmlChar** atts, const char* name) {
    for (int i = 0; atts && atts[i]; i += 2)
        if (std::strcmp(reinterpret_cast<const char*>(atts[i]), name) == 0)
            return atts[i + 1];
    return nullptr;
}

void onStart(void* user, const xmlChar* nameUtf8, const xmlChar** atts) {
    auto* r = static_cast<Reading*>(user);
    const char* element = reinterpret_cast<const char*>(nameUtf8);
    if (std::strcmp(element, "style") == 0) {
        r->inStyle = true;
        r->style.clear();
    }
    if (std::strcmp(element, "base") == 0 && !r->baseSeen) {
        if (const xmlChar* href = attributeValue(atts, "href")) {
            r->baseSeen = true;
            r->found.base = text(href).trimmed();
        }
        return;
    }
    if (std::strcmp(element, "meta") == 0) {
        const xmlChar* equiv = attributeValue(atts, "http-equiv");
        const xmlChar* content = attributeValue(atts, "content");
        if (equiv && content && text(equiv).trimmed().compare(QLatin1String("refresh"), Qt::CaseInsensitive) == 0)
            r->add(metaRefreshAddress(text(content)), false);
        return;
    }
    const xmlChar* rel = std::strcmp(element, "link") == 0 ? attributeValue(atts, "rel") : nullptr;
    for (int i = 0; atts && atts[i]; i += 2) {
        if (!atts[i + 1])
            continue;
        const Role role = roleOf(element, reinterpret_cast<const char*>(atts[i]), reinterpret_cast<const char*>(rel));
        switch (role) {
        case Role::None:
            break;
        case Role::Link:
        case Role::Requisite:
            r->add(text(atts[i + 1]), role == Role::Requisite);
            break;
        case Role::Srcset:
            for (const QString& candidate : srcsetCandidates(text(atts[i + 1])))
                r->add(candidate, true);
            break;
        case Role::Css:
            r->addCss(text(atts[i + 1]));
            break;
        }
    }
}

void onEnd(void* user, const xmlChar* name) {
    auto* r = static_cast<Reading*>(user);
    if (r->inStyle && std::strcmp(reinterpret_cast<const char*>(name), "style") == 0) {
        r->inStyle = false;
        r->addCss(r->style);
    }
}

void onText(void* user, const xmlChar* chars, int length) {
    auto* r = static_cast<Reading*>(user);
    if (r->inStyle)
        r->style += QString::fromUtf8(reinterpret_cast<const char*>(chars), length);
}

void quiet(void*, const char*, ...) {}

} // namespace

PageReferences findHtmlReferences(const QByteArray& page, const QByteArray& charset) {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });

    Reading reading;
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = onStart;
    sax.endElement = onEnd;
    sax.characters = onText;
    sax.cdataBlock = onText;
    sax.warning = quiet;
    sax.error = quiet;

    xmlCharEncoding encoding = XML_CHAR_ENCODING_NONE;
    xmlCharEncodingHandlerPtr named = nullptr;
    if (!charset.isEmpty()) {
        encoding = xmlParseCharEncoding(charset.constData());
        if (encoding <= XML_CHAR_ENCODING_NONE) {
            encoding = XML_CHAR_ENCODING_NONE;
            named = xmlFindCharEncodingHandler(charset.constData());
        }
    } else if (page.isValidUtf8()) {
        encoding = XML_CHAR_ENCODING_UTF8;
    }

    htmlParserCtxtPtr ctxt = htmlCreatePushParserCtxt(&sax, &reading, nullptr, 0, nullptr, encoding);
    if (!ctxt)
        return reading.found;
    htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (named)
        xmlSwitchToEncoding(ctxt, named);
    // The parser takes at most INT_MAX bytes a call.
    const char* data = page.constData();
    qsizetype left = page.size();
    do {
        const int chunk = int(std::min<qsizetype>(left, INT_MAX / 2));
        left -= chunk;
        htmlParseChunk(ctxt, data, chunk, left == 0 ? 1 : 0);
        data += chunk;
    } while (left > 0);
    htmlFreeParserCtxt(ctxt);
    return reading.found;
}
