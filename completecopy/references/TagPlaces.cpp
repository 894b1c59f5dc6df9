#include "completecopy/references/TagPlaces.h"

#include <libxml/HTMLparser.h>

#include <cstring>

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

} // namespace

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

QString libxmlText(const unsigned char* s) {
    return s ? utf8Text(reinterpret_cast<const char*>(s), qsizetype(std::strlen(reinterpret_cast<const char*>(s))))
             : QString();
}

TagPlaces::TagPlaces(const QByteArray& page) : m_page(page), m_firstNul(page.indexOf('\0')) {}

xmlCharEncodingHandler* TagPlaces::currentEncoder() const {
    return m_ctxt && m_ctxt->input && m_ctxt->input->buf ? m_ctxt->input->buf->encoder : nullptr;
}

void TagPlaces::start(xmlParserCtxtPtr parser) {
    m_ctxt = parser;
    m_encoder = currentEncoder();
    m_startedWith = m_encoder ? QByteArray(m_encoder->name) : QByteArray("UTF-8");
    if (m_encoder) {
        m_decoder = ByteDecoder::named(m_encoder->name);
        m_positionsKnown = m_decoder.isValid();
    }
}

void TagPlaces::observe() {
    xmlCharEncodingHandler* now = currentEncoder();
    if (now == m_encoder)
        return;
    m_encoder = now;
    if (now)
        m_switchedTo = now->name;
    if (!m_positionsKnown)
        return;
    // Back to UTF-8 read by libxml2 itself, its count of bytes would be off by what
    // it converted; to a set of one byte a character, the lines and columns still
    // tell (in the line where the switch happened only as far as the lexer agrees).
    m_decoder = now ? ByteDecoder::named(now->name) : ByteDecoder();
    m_positionsKnown = now && m_decoder.isValid() && m_decoder.isSingleByte();
}

// The bytes libxml2 has read; -1 when that cannot be told.
qsizetype TagPlaces::position() {
    qsizetype p = -1;
    if (!m_positionsKnown)
        p = -1;
    else if (m_encoder && m_decoder.isSingleByte())
        p = fromLineAndColumn();
    else
        p = qsizetype(xmlByteConsumed(m_ctxt));
    if (p < 0) {
        m_missedPosition = true;
        return -1;
    }
    if (p < m_lastPosition || p > m_page.size()) {
        m_missedPosition = true;
        return -1;
    }
    m_lastPosition = p;
    return p;
}

// Where the parser stands by its line and column, which count characters: in a set
// of one byte a character, bytes.
qsizetype TagPlaces::fromLineAndColumn() {
    if (m_lineStarts.empty()) {
        m_lineStarts.push_back(0);
        for (qsizetype i = m_page.indexOf('\n'); i >= 0; i = m_page.indexOf('\n', i + 1))
            m_lineStarts.push_back(i + 1);
    }
    const int line = m_ctxt->input->line;
    const int column = m_ctxt->input->col;
    if (line < 1 || size_t(line) > m_lineStarts.size() || column < 1)
        return -1;
    return m_lineStarts[size_t(line - 1)] + column - 1;
}

std::optional<LocatedTag> TagPlaces::locate(const char* element, const xmlChar** atts) {
    const qsizetype end = position();
    // libxml2 takes a NUL byte for the end of a value or a tag, where a browser
    // reads a character: after one, the two can see different tags.
    if (end < 0 || (m_firstNul >= 0 && end > m_firstNul))
        return std::nullopt;
    qsizetype from = end;
    for (int tries = 0; tries < 16; ++tries) {
        const qsizetype open = from > 0 ? m_page.lastIndexOf('<', from - 1) : -1;
        if (open < 0 || open <= m_lastTagClose)
            break;
        from = open;
        std::optional<LexedTag> tag = lexStartTag(m_page, open);
        if (!tag || (tag->selfClosing ? tag->close - 1 : tag->close) != end || tag->name != element)
            continue;
        LocatedTag located{std::move(*tag), {}};
        if (!agrees(located, atts))
            continue;
        m_lastTagClose = located.tag.close;
        return located;
    }
    return std::nullopt;
}

bool TagPlaces::agrees(LocatedTag& located, const xmlChar** atts) const {
    for (int i = 0; atts && atts[i]; i += 2) {
        const LexedAttribute* a = located.lexed(reinterpret_cast<const char*>(atts[i]));
        if (!a || (a->at < 0) != (atts[i + 1] == nullptr))
            return false;
        if (a->at < 0) {
            located.values.emplace_back();
            continue;
        }
        std::optional<MappedText> value = decodeMapped(m_page, a->at, a->length, m_decoder, true);
        if (!value || value->text != libxmlText(atts[i + 1]))
            return false;
        located.values.push_back(std::move(value));
    }
    return true;
}

std::optional<MappedText> TagPlaces::styleText(qsizetype at, const xmlCharEncodingHandler* readIn,
                                               const QString& text) const {
    if (at < 0 || !m_positionsKnown || m_encoder != readIn)
        return std::nullopt;
    const qsizetype close = closingTag(m_page, at, "style", false);
    const qsizetype end = close < 0 ? m_page.size() : close;
    std::optional<MappedText> mapped = decodeMapped(m_page, at, end - at, m_decoder, false);
    if (!mapped || mapped->text != text)
        return std::nullopt;
    return mapped;
}
