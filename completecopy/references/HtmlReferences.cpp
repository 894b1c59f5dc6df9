#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/ByteText.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/references/SrcsetCandidates.h"
#include "completecopy/references/StartTagLexer.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <optional>

// Where a value stands in the page's bytes.
//
// libxml2's SAX interface gives an element's name and its attributes decoded, but not
// where they are. It does tell how far it has read: in the callback of a start tag the
// parser stands on the tag's closing ">" (or the "/" of "/>"). Where that is in bytes:
// - reading UTF-8 itself (no converter), xmlByteConsumed() gives it exactly and cheaply;
// - converting a set of one byte a character (Latin-1, windows-1252, ...), the parser's
//   line and column do: the column counts characters, here bytes, and the starts of
//   the lines are found once. xmlByteConsumed() is not used there: in libxml2 2.9.14 it
//   converts back all the parser holds unread (some 20 KB on each call, whatever the
//   size of the pieces the page is given in), and on Latin-1 pages of 20 to 40 KB it
//   gave a wrong count for 5 to 25 tags in a hundred;
// - converting a set of several bytes a character (Shift_JIS, EUC, GBK),
//   xmlByteConsumed() is all there is, and the page goes to the parser 4 KB at a time.
// From that end the tag's "<" is looked for backwards (a "<" inside one of its values is
// tried and refused on the way), the tag is read again from its bytes by lexStartTag,
// as a browser's tokenizer reads it, and it counts only when it ends exactly there,
// has the same name, and each attribute libxml2 gave decodes from its bytes (in the set
// libxml2 was reading, character references decoded as libxml2 decodes them) to the
// very value libxml2 gave. So a place is given only where libxml2 and a browser read
// the same value from the same bytes; anything else keeps at = -1.
//
// The set is named to the parser from the start (see findHtmlReferences), so that it
// does not switch while reading. When it does switch all the same (bytes that are not
// UTF-8 in a page said to be UTF-8, or a meta element naming another set), places go
// on only in a set of one byte a character, by lines and columns; after a switch back
// to libxml2's own UTF-8 its count would leave out what it converted, and no place is
// given any more.

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

QString text(const xmlChar* s) {
    return s ? utf8Text(reinterpret_cast<const char*>(s), qsizetype(std::strlen(reinterpret_cast<const char*>(s))))
             : QString();
}

const xmlChar* attributeValue(const xmlChar** atts, const char* name) {
    for (int i = 0; atts && atts[i]; i += 2)
        if (std::strcmp(reinterpret_cast<const char*>(atts[i]), name) == 0)
            return atts[i + 1];
    return nullptr;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// The first "</name" at or after from, compared without case; with delimited, only one
// followed by a blank, "/" or ">" (where a browser ends raw text), without it any (where
// libxml2 ends a <style>). -1 when there is none.
qsizetype closingTag(const QByteArray& page, qsizetype from, const char* name, bool delimited) {
    const qsizetype n = page.size();
    const qsizetype len = qsizetype(std::strlen(name));
    for (qsizetype i = page.indexOf("</", from); i >= 0; i = page.indexOf("</", i + 1)) {
        qsizetype k = 0;
        while (k < len && i + 2 + k < n && lower(page[i + 2 + k]) == name[k])
            ++k;
        if (k < len)
            continue;
        if (!delimited)
            return i;
        const qsizetype after = i + 2 + len;
        if (after >= n)
            return -1;
        const char c = page[after];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>')
            return i;
    }
    return -1;
}

// A start tag found in the bytes and agreed by libxml2, with its attributes' values
// decoded in the order libxml2 gave them.
struct LocatedTag {
    LexedTag tag;
    std::vector<std::optional<MappedText>> values;
    const LexedAttribute* lexed(const char* name) const { return tag.attribute(name); }
};

struct Reading {
    explicit Reading(const QByteArray& bytes) : page(bytes), firstNul(bytes.indexOf('\0')) {}

    const QByteArray& page;
    const qsizetype firstNul;
    htmlParserCtxtPtr ctxt = nullptr;
    PageReferences found;
    bool baseSeen = false;

    bool positionsKnown = true;
    xmlCharEncodingHandler* encoder = nullptr;
    ByteDecoder decoder;
    qsizetype lastPosition = 0;
    qsizetype lastTagClose = -1;
    std::vector<qsizetype> lineStarts;
    QByteArray startedWith;       // the set libxml2 started reading in
    QByteArray switchedTo;        // the set libxml2 switched to while reading, if it did
    bool missedPosition = false;  // a place was asked for and could not be told

    int inShownText = 0;  // depth of libxml2's textarea, title, xmp, plaintext
    std::vector<std::pair<qsizetype, qsizetype>> shownText;  // where a browser reads them

    bool inStyle = false;
    QString style;
    qsizetype styleAt = -1;
    xmlCharEncodingHandler* styleEncoder = nullptr;

    xmlCharEncodingHandler* currentEncoder() const {
        return ctxt && ctxt->input && ctxt->input->buf ? ctxt->input->buf->encoder : nullptr;
    }

    void start() {
        encoder = currentEncoder();
        startedWith = encoder ? QByteArray(encoder->name) : QByteArray("UTF-8");
        if (encoder) {
            decoder = ByteDecoder::named(encoder->name);
            positionsKnown = decoder.isValid();
        }
    }

    // Called first in every callback: follows libxml2's switches of character set.
    void observe() {
        xmlCharEncodingHandler* now = currentEncoder();
        if (now == encoder)
            return;
        encoder = now;
        if (now)
            switchedTo = now->name;
        if (!positionsKnown)
            return;
        // Back to UTF-8 read by libxml2 itself, its count of bytes would be off by what
        // it converted; to a set of one byte a character, the lines and columns still
        // tell (in the line where the switch happened only as far as the lexer agrees).
        decoder = now ? ByteDecoder::named(now->name) : ByteDecoder();
        positionsKnown = now && decoder.isValid() && decoder.isSingleByte();
    }

    // The bytes libxml2 has read; -1 when that cannot be told.
    qsizetype position() {
        qsizetype p = -1;
        if (!positionsKnown)
            p = -1;
        else if (encoder && decoder.isSingleByte())
            p = fromLineAndColumn();
        else
            p = qsizetype(xmlByteConsumed(ctxt));
        if (p < 0) {
            missedPosition = true;
            return -1;
        }
        if (p < lastPosition || p > page.size()) {
            missedPosition = true;
            return -1;
        }
        lastPosition = p;
        return p;
    }

    // Where the parser stands by its line and column, which count characters: in a set
    // of one byte a character, bytes.
    qsizetype fromLineAndColumn() {
        if (lineStarts.empty()) {
            lineStarts.push_back(0);
            for (qsizetype i = page.indexOf('\n'); i >= 0; i = page.indexOf('\n', i + 1))
                lineStarts.push_back(i + 1);
        }
        const int line = ctxt->input->line;
        const int column = ctxt->input->col;
        if (line < 1 || size_t(line) > lineStarts.size() || column < 1)
            return -1;
        return lineStarts[size_t(line - 1)] + column - 1;
    }

    // The start tag libxml2 has just read, found in the bytes.
    std::optional<LocatedTag> locate(const char* element, const xmlChar** atts) {
        const qsizetype end = position();
        // libxml2 takes a NUL byte for the end of a value or a tag, where a browser
        // reads a character: after one, the two can see different tags.
        if (end < 0 || (firstNul >= 0 && end > firstNul))
            return std::nullopt;
        qsizetype from = end;
        for (int tries = 0; tries < 16; ++tries) {
            const qsizetype open = from > 0 ? page.lastIndexOf('<', from - 1) : -1;
            if (open < 0 || open <= lastTagClose)
                break;
            from = open;
            std::optional<LexedTag> tag = lexStartTag(page, open);
            if (!tag || (tag->selfClosing ? tag->close - 1 : tag->close) != end || tag->name != element)
                continue;
            LocatedTag located{std::move(*tag), {}};
            if (!agrees(located, atts))
                continue;
            lastTagClose = located.tag.close;
            return located;
        }
        return std::nullopt;
    }

    bool agrees(LocatedTag& located, const xmlChar** atts) const {
        for (int i = 0; atts && atts[i]; i += 2) {
            const LexedAttribute* a = located.lexed(reinterpret_cast<const char*>(atts[i]));
            if (!a || (a->at < 0) != (atts[i + 1] == nullptr))
                return false;
            if (a->at < 0) {
                located.values.emplace_back();
                continue;
            }
            std::optional<MappedText> value = decodeMapped(page, a->at, a->length, decoder, true);
            if (!value || value->text != text(atts[i + 1]))
                return false;
            located.values.push_back(std::move(value));
        }
        return true;
    }

    bool insideShownText(qsizetype at) const {
        for (const auto& [from, to] : shownText)
            if (at >= from && at < to)
                return true;
        return false;
    }

    void add(const QString& text, bool requisite, qsizetype at = -1, qsizetype length = 0, ValueSyntax syntax = {}) {
        const QString t = text.trimmed();
        if (t.isEmpty() || inShownText > 0 || insideShownText(at))
            return;
        if (at < 0)
            length = 0;
        found.references.push_back({t, requisite, at, length, syntax});
    }

    // A whole attribute value.
    void addWhole(const QString& value, bool requisite, const LexedAttribute* a) {
        if (a)
            add(value, requisite, a->at, a->length, {a->quoting, ValueSyntax::Inner::Whole});
        else
            add(value, requisite);
    }

    void addSrcset(const QString& value, const LexedAttribute* a, const MappedText* mapped) {
        for (const SrcsetCandidate& c : srcsetCandidateSpans(value)) {
            if (a && mapped)
                add(c.address, true, mapped->byteAt(c.at), mapped->byteEnd(c.at, c.length) - mapped->byteAt(c.at),
                    {a->quoting, ValueSyntax::Inner::SrcsetCandidate});
            else
                add(c.address, true);
        }
    }

    void addCss(const QString& css, ValueSyntax::Markup markup, const MappedText* mapped) {
        for (const CssReference& r : findCssReferenceSpans(css)) {
            if (mapped)
                add(r.text, true, mapped->byteAt(r.at), mapped->byteEnd(r.at, r.length) - mapped->byteAt(r.at),
                    {markup, r.inner});
            else
                add(r.text, true);
        }
    }
};

void onStart(void* user, const xmlChar* nameUtf8, const xmlChar** atts) {
    auto* r = static_cast<Reading*>(user);
    r->observe();
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
    const std::optional<LocatedTag> located = wanted ? r->locate(element, atts) : std::nullopt;
    const auto lexed = [&](const char* name) { return located ? located->lexed(name) : nullptr; };
    const auto mapped = [&](int index) -> const MappedText* {
        return located && located->values[size_t(index / 2)] ? &*located->values[size_t(index / 2)] : nullptr;
    };

    if (isStyle) {
        r->inStyle = true;
        r->style.clear();
        r->styleAt = located ? located->tag.close + 1 : -1;
        r->styleEncoder = r->encoder;
    }
    if (shownText) {
        if (located) {
            const qsizetype from = located->tag.close + 1;
            const qsizetype close = std::strcmp(element, "plaintext") == 0 ? -1 : closingTag(r->page, from, element, true);
            r->shownText.emplace_back(from, close < 0 ? r->page.size() : close);
        }
        ++r->inShownText;
    }
    if (isBase && !r->baseSeen) {
        if (const xmlChar* href = attributeValue(atts, "href")) {
            if (r->inShownText > 0 || (located && r->insideShownText(located->tag.close)))
                return;
            r->baseSeen = true;
            r->found.base = text(href).trimmed();
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
        if (!equiv || text(equiv).trimmed().compare(QLatin1String("refresh"), Qt::CaseInsensitive) != 0)
            return;
        for (int i = 0; atts && atts[i]; i += 2) {
            if (std::strcmp(reinterpret_cast<const char*>(atts[i]), "content") != 0 || !atts[i + 1])
                continue;
            const RefreshAddress refresh = metaRefreshSpan(text(atts[i + 1]));
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
            r->addWhole(text(atts[i + 1]), role == Role::Requisite, lexed(attribute));
            break;
        case Role::Srcset:
            r->addSrcset(text(atts[i + 1]), lexed(attribute), mapped(i));
            break;
        case Role::Css: {
            const LexedAttribute* a = lexed(attribute);
            r->addCss(text(atts[i + 1]), a ? a->quoting : ValueSyntax::Markup::None, a ? mapped(i) : nullptr);
            break;
        }
        }
    }
}

void onEnd(void* user, const xmlChar* nameUtf8) {
    auto* r = static_cast<Reading*>(user);
    r->observe();
    const char* name = reinterpret_cast<const char*>(nameUtf8);
    if (showsTextAsWritten(name) && r->inShownText > 0)
        --r->inShownText;
    if (!r->inStyle || std::strcmp(name, "style") != 0)
        return;
    r->inStyle = false;
    // libxml2 ends a style at the first "</style"; what lies before it is its text.
    std::optional<MappedText> mapped;
    if (r->styleAt >= 0 && r->positionsKnown && r->encoder == r->styleEncoder) {
        const qsizetype close = closingTag(r->page, r->styleAt, "style", false);
        const qsizetype end = close < 0 ? r->page.size() : close;
        mapped = decodeMapped(r->page, r->styleAt, end - r->styleAt, r->decoder, false);
        if (mapped && mapped->text != r->style)
            mapped.reset();
    }
    r->addCss(r->style, ValueSyntax::Markup::StyleText, mapped ? &*mapped : nullptr);
}

void onText(void* user, const xmlChar* chars, int length) {
    auto* r = static_cast<Reading*>(user);
    r->observe();
    if (r->inStyle)
        r->style += utf8Text(reinterpret_cast<const char*>(chars), length);
}

void quiet(void*, const char*, ...) {}

bool libxml2Knows(const QByteArray& charset) {
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(charset.constData());
    if (handler)
        xmlCharEncCloseFunc(handler);
    return handler != nullptr;
}

bool isAscii(const QByteArray& bytes) {
    for (const char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

} // namespace

namespace {

// One reading of the page by libxml2, in the set named (by its number, or by its name
// when it has none) from the start. A byte the set does not define is reported on
// libxml2's generic error channel, which is kept quiet meanwhile as the parser's own
// errors are.
void parse(Reading& reading, xmlCharEncoding encoding, const QByteArray& charset, int options) {
    const xmlGenericErrorFunc reportedTo = xmlGenericError;
    void* const reportedWith = xmlGenericErrorContext;
    xmlSetGenericErrorFunc(nullptr, quiet);
    struct Restore {
        xmlGenericErrorFunc function;
        void* context;
        ~Restore() { xmlSetGenericErrorFunc(context, function); }
    } restore{reportedTo, reportedWith};
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = onStart;
    sax.endElement = onEnd;
    sax.characters = onText;
    sax.cdataBlock = onText;
    sax.warning = quiet;
    sax.error = quiet;

    xmlCharEncodingHandlerPtr named = nullptr;
    if (encoding == XML_CHAR_ENCODING_NONE && !charset.isEmpty())
        named = xmlFindCharEncodingHandler(charset.constData());
    htmlParserCtxtPtr ctxt = htmlCreatePushParserCtxt(&sax, &reading, nullptr, 0, nullptr, encoding);
    if (!ctxt) {
        if (named)
            xmlCharEncCloseFunc(named);
        return;
    }
    htmlCtxtUseOptions(ctxt, options);
    if (named)
        xmlSwitchToEncoding(ctxt, named);
    reading.ctxt = ctxt;
    reading.start();
    // The parser takes at most INT_MAX bytes a call; a converted page goes 4 KB at a
    // time (see above).
    const QByteArray& page = reading.page;
    const qsizetype step = reading.encoder ? 4096 : INT_MAX / 2;
    const char* data = page.constData();
    qsizetype left = page.size();
    do {
        const int chunk = int(std::min(left, step));
        left -= chunk;
        htmlParseChunk(ctxt, data, chunk, left == 0 ? 1 : 0);
        data += chunk;
    } while (left > 0);
    htmlFreeParserCtxt(ctxt);
    reading.ctxt = nullptr;
}

} // namespace

PageReferences findHtmlReferences(const QByteArray& page, const QByteArray& charset) {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });

    // The set the page is read in, named to the parser from the start. The server's
    // set wins over the page's meta element. Without one, a page of UTF-8 is read as
    // UTF-8 and any other as Latin-1 until its meta element names another set; a page
    // of ASCII alone reads the same in any set, and is read as Latin-1 too, so that a
    // meta element naming a set switches between two converted sets.
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    const bool ascii = isAscii(page);
    if (!charset.isEmpty()) {
        xmlCharEncoding encoding = xmlParseCharEncoding(charset.constData());
        if (encoding <= XML_CHAR_ENCODING_NONE)
            encoding = XML_CHAR_ENCODING_NONE;
        if (encoding == XML_CHAR_ENCODING_UTF8 && ascii)
            encoding = XML_CHAR_ENCODING_8859_1;
        if (encoding != XML_CHAR_ENCODING_NONE || libxml2Knows(charset)) {
            Reading reading(page);
            parse(reading, encoding, charset, options | HTML_PARSE_IGNORE_ENC);
            return reading.found;
        }
    }
    xmlCharEncoding encoding = XML_CHAR_ENCODING_8859_1;
    if (page.startsWith("\xFE\xFF") || page.startsWith("\xFF\xFE"))
        encoding = xmlDetectCharEncoding(reinterpret_cast<const unsigned char*>(page.constData()), int(page.size()));
    else if (!ascii && page.isValidUtf8())
        encoding = XML_CHAR_ENCODING_UTF8;
    Reading reading(page);
    parse(reading, encoding, QByteArray(), options);
    // A meta element that named another set switched the parser's reading, but what it
    // had converted already stays converted the first way (and libxml2's count can stand
    // off for a while). A page with more than ASCII is then read again in the set libxml2
    // switched to, named from the start, as a browser reads it.
    const QByteArray started = reading.startedWith.toUpper();
    if (!reading.switchedTo.isEmpty() && reading.switchedTo.toUpper() != started && (!ascii || reading.missedPosition)) {
        Reading again(page);
        parse(again, XML_CHAR_ENCODING_NONE, reading.switchedTo, options | HTML_PARSE_IGNORE_ENC);
        return again.found;
    }
    return reading.found;
}
