#include "completecopy/references/ReferenceCollector.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/references/SrcsetCandidates.h"

#include <libxml/HTMLparser.h>

#include <cstring>
#include <initializer_list>
#include <optional>

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

// Elements whose content a browser shows as written: what libxml2 reads as markup in
// them is no reference.
bool showsTextAsWritten(const char* element) {
    for (const char* name : {"textarea", "title", "xmp", "plaintext"})
        if (std::strcmp(element, name) == 0)
            return true;
    return false;
}

const xmlChar* attributeValue(const xmlChar** atts, const char* name) {
    for (int i = 0; atts && atts[i]; i += 2)
        if (std::strcmp(reinterpret_cast<const char*>(atts[i]), name) == 0)
            return atts[i + 1];
    return nullptr;
}

} // namespace

bool ReferenceCollector::insideShownText(qsizetype at) const {
    for (const auto& [from, to] : shownText)
        if (at >= from && at < to)
            return true;
    return false;
}

void ReferenceCollector::add(const QString& text, bool requisite, qsizetype at, qsizetype length, ValueSyntax syntax) {
    const QString t = text.trimmed();
    if (t.isEmpty() || inShownText > 0 || insideShownText(at))
        return;
    if (at < 0)
        length = 0;
    found.references.push_back({t, requisite, at, length, syntax});
}

void ReferenceCollector::addWhole(const QString& value, bool requisite, const LexedAttribute* a) {
    if (a)
        add(value, requisite, a->at, a->length, {a->quoting, ValueSyntax::Inner::Whole});
    else
        add(value, requisite);
}

void ReferenceCollector::addSrcset(const QString& value, const LexedAttribute* a, const MappedText* mapped) {
    for (const SrcsetCandidate& c : srcsetCandidateSpans(value)) {
        if (a && mapped)
            add(c.address, true, mapped->byteAt(c.at), mapped->byteEnd(c.at, c.length) - mapped->byteAt(c.at),
                {a->quoting, ValueSyntax::Inner::SrcsetCandidate});
        else
            add(c.address, true);
    }
}

void ReferenceCollector::addCss(const QString& css, ValueSyntax::Markup markup, const MappedText* mapped) {
    for (const CssReference& r : findCssReferenceSpans(css)) {
        if (mapped)
            add(r.text, true, mapped->byteAt(r.at), mapped->byteEnd(r.at, r.length) - mapped->byteAt(r.at),
                {markup, r.inner});
        else
            add(r.text, true);
    }
}

namespace {

void onStart(void* user, const xmlChar* nameUtf8, const xmlChar** atts) {
    auto* r = static_cast<ReferenceCollector*>(user);
    r->places.observe();
    const char* element = reinterpret_cast<const char*>(nameUtf8);
    const bool isStyle = std::strcmp(element, "style") == 0;
    const bool isBase = std::strcmp(element, "base") == 0;
    const bool isMeta = std::strcmp(element, "meta") == 0;
    const bool shownText = showsTextAsWritten(element);
    const xmlChar* rel = std::strcmp(element, "link") == 0 ? attributeValue(atts, "rel") : nullptr;

    // Only a tag that holds something worth a place is looked for in the bytes.
    bool wanted = isStyle || shownText || (isBase && !r->baseSeen);
    for (int i = 0; !wanted && atts && atts[i]; i += 2)
        wanted = atts[i + 1] &&
                 (isMeta || roleOf(element, reinterpret_cast<const char*>(atts[i]),
                                   reinterpret_cast<const char*>(rel)) != Role::None);
    const std::optional<LocatedTag> located = wanted ? r->places.locate(element, atts) : std::nullopt;
    const auto lexed = [&](const char* name) { return located ? located->lexed(name) : nullptr; };
    const auto mapped = [&](int index) -> const MappedText* {
        return located && located->values[size_t(index / 2)] ? &*located->values[size_t(index / 2)] : nullptr;
    };

    if (isStyle) {
        r->inStyle = true;
        r->style.clear();
        r->styleAt = located ? located->tag.close + 1 : -1;
        r->styleEncoder = r->places.encoder();
    }
    if (shownText) {
        if (located) {
            const qsizetype from = located->tag.close + 1;
            const QByteArray& page = r->places.page();
            const qsizetype close = std::strcmp(element, "plaintext") == 0 ? -1 : closingTag(page, from, element, true);
            r->shownText.emplace_back(from, close < 0 ? page.size() : close);
        }
        ++r->inShownText;
    }
    if (isBase && !r->baseSeen) {
        if (const xmlChar* href = attributeValue(atts, "href")) {
            if (r->inShownText > 0 || (located && r->insideShownText(located->tag.close)))
                return;
            r->baseSeen = true;
            r->found.base = libxmlText(href).trimmed();
            if (const LexedAttribute* a = lexed("href")) {
                r->found.baseAt = a->at;
                r->found.baseLength = a->length;
                r->found.baseSyntax = {a->quoting, ValueSyntax::Inner::Whole};
            }
        }
        return;
    }
    if (isMeta) {
        const xmlChar* equiv = attributeValue(atts, "http-equiv");
        if (!equiv || libxmlText(equiv).trimmed().compare(QLatin1String("refresh"), Qt::CaseInsensitive) != 0)
            return;
        for (int i = 0; atts && atts[i]; i += 2) {
            if (std::strcmp(reinterpret_cast<const char*>(atts[i]), "content") != 0 || !atts[i + 1])
                continue;
            const RefreshAddress refresh = metaRefreshSpan(libxmlText(atts[i + 1]));
            const LexedAttribute* a = lexed("content");
            const MappedText* m = mapped(i);
            if (a && m && refresh.at >= 0) {
                const ValueSyntax::Inner inner = !refresh.quoted           ? ValueSyntax::Inner::Whole
                                                 : refresh.quote == u'\'' ? ValueSyntax::Inner::RefreshSingleQuoted
                                                                          : ValueSyntax::Inner::RefreshDoubleQuoted;
                r->add(refresh.address, false, m->byteAt(refresh.at),
                       m->byteEnd(refresh.at, refresh.length) - m->byteAt(refresh.at), {a->quoting, inner});
            } else {
                r->add(refresh.address, false);
            }
            break;
        }
        return;
    }
    for (int i = 0; atts && atts[i]; i += 2) {
        if (!atts[i + 1])
            continue;
        const char* attribute = reinterpret_cast<const char*>(atts[i]);
        const Role role = roleOf(element, attribute, reinterpret_cast<const char*>(rel));
        switch (role) {
        case Role::None:
            break;
        case Role::Link:
        case Role::Requisite:
            r->addWhole(libxmlText(atts[i + 1]), role == Role::Requisite, lexed(attribute));
            break;
        case Role::Srcset:
            r->addSrcset(libxmlText(atts[i + 1]), lexed(attribute), mapped(i));
            break;
        case Role::Css: {
            const LexedAttribute* a = lexed(attribute);
            r->addCss(libxmlText(atts[i + 1]), a ? a->quoting : ValueSyntax::Markup::None, a ? mapped(i) : nullptr);
            break;
        }
        }
    }
}

void onEnd(void* user, const xmlChar* nameUtf8) {
    auto* r = static_cast<ReferenceCollector*>(user);
    r->places.observe();
    const char* name = reinterpret_cast<const char*>(nameUtf8);
    if (showsTextAsWritten(name) && r->inShownText > 0)
        --r->inShownText;
    if (!r->inStyle || std::strcmp(name, "style") != 0)
        return;
    r->inStyle = false;
    // libxml2 ends a style at the first "</style"; what lies before it is its text.
    const std::optional<MappedText> mapped = r->places.styleText(r->styleAt, r->styleEncoder, r->style);
    r->addCss(r->style, ValueSyntax::Markup::StyleText, mapped ? &*mapped : nullptr);
}

void onText(void* user, const xmlChar* chars, int length) {
    auto* r = static_cast<ReferenceCollector*>(user);
    r->places.observe();
    if (r->inStyle)
        r->style += utf8Text(reinterpret_cast<const char*>(chars), length);
}

} // namespace

void ReferenceCollector::listen(htmlSAXHandler& sax) {
    sax.startElement = onStart;
    sax.endElement = onEnd;
    sax.characters = onText;
    sax.cdataBlock = onText;
}
