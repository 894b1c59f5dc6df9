#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/ReferenceCollector.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

// How a reference's place in the page's bytes is found: see TagPlaces.h. What the
// parser's callbacks collect: ReferenceCollector.

namespace {

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

// One reading of the page by libxml2, in the set named (by its number, or by its name
// when it has none) from the start. A byte the set does not define is reported on
// libxml2's generic error channel, which is kept quiet meanwhile as the parser's own
// errors are.
void parse(ReferenceCollector& reading, xmlCharEncoding encoding, const QByteArray& charset, int options) {
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
    ReferenceCollector::listen(sax);
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
    reading.places.start(ctxt);
    // The parser takes at most INT_MAX bytes a call; a converted page goes 4 KB at a
    // time (see TagPlaces.h).
    const QByteArray& page = reading.places.page();
    const qsizetype step = reading.places.encoder() ? 4096 : INT_MAX / 2;
    const char* data = page.constData();
    qsizetype left = page.size();
    do {
        const int chunk = int(std::min(left, step));
        left -= chunk;
        htmlParseChunk(ctxt, data, chunk, left == 0 ? 1 : 0);
        data += chunk;
    } while (left > 0);
    htmlFreeParserCtxt(ctxt);
    reading.places.finish();
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
            ReferenceCollector reading(page);
            parse(reading, encoding, charset, options | HTML_PARSE_IGNORE_ENC);
            return reading.found;
        }
    }
    xmlCharEncoding encoding = XML_CHAR_ENCODING_8859_1;
    if (page.startsWith("\xFE\xFF") || page.startsWith("\xFF\xFE"))
        encoding = xmlDetectCharEncoding(reinterpret_cast<const unsigned char*>(page.constData()), int(page.size()));
    else if (!ascii && page.isValidUtf8())
        encoding = XML_CHAR_ENCODING_UTF8;
    ReferenceCollector reading(page);
    parse(reading, encoding, QByteArray(), options);
    // A meta element that named another set switched the parser's reading, but what it
    // had converted already stays converted the first way (and libxml2's count can stand
    // off for a while). A page with more than ASCII is then read again in the set libxml2
    // switched to, named from the start, as a browser reads it.
    const TagPlaces& places = reading.places;
    const QByteArray started = places.startedWith().toUpper();
    if (!places.switchedTo().isEmpty() && places.switchedTo().toUpper() != started && (!ascii || places.missedPosition())) {
        ReferenceCollector again(page);
        parse(again, XML_CHAR_ENCODING_NONE, places.switchedTo(), options | HTML_PARSE_IGNORE_ENC);
        return again.found;
    }
    return reading.found;
}
