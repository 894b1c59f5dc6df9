#pragma once
#include "completecopy/references/ByteText.h"
#include "completecopy/references/StartTagLexer.h"
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

struct _xmlParserCtxt;
struct _xmlCharEncodingHandler;

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

// A start tag found in the bytes and agreed by libxml2, with its attributes' values
// decoded in the order libxml2 gave them.
struct LocatedTag {
    LexedTag tag;
    std::vector<std::optional<MappedText>> values;
    const LexedAttribute* lexed(const char* name) const { return tag.attribute(name); }
};

// The places, in one page's bytes, of what one libxml2 HTML parser reads from it, as
// it reads: asked from inside the parser's callbacks, each about what it has just read.
class TagPlaces {
public:
    explicit TagPlaces(const QByteArray& page);

    const QByteArray& page() const { return m_page; }

    // The parser about to read the page, its set already named: start() before the
    // first piece of the page is given to it, finish() once it is done with the page
    // (no callback comes after).
    void start(_xmlParserCtxt* parser);
    void finish() { m_ctxt = nullptr; }

    // Called first in every callback: follows libxml2's switches of character set.
    void observe();

    // The start tag libxml2 has just read, found in the bytes; atts as libxml2 gave
    // them (name, value, ..., null; a value is null for an attribute without "=").
    std::optional<LocatedTag> locate(const char* element, const unsigned char** atts);

    // The text of a <style> whose content begins at `at`, decoded with where each
    // character stands; nullopt when places are no longer known, when libxml2 has
    // switched from the set `readIn` it read the start tag in, or when what the bytes
    // give up to the first "</style" (where libxml2 ends it) is not the text libxml2 gave.
    std::optional<MappedText> styleText(qsizetype at, const _xmlCharEncodingHandler* readIn,
                                        const QString& text) const;

    // The converter libxml2 reads through now; null when it reads UTF-8 itself.
    _xmlCharEncodingHandler* encoder() const { return m_encoder; }
    // What tells whether the page is worth reading again (see findHtmlReferences): the
    // set libxml2 started in, the one it switched to (empty when it did not), and
    // whether a place was asked for that could not be told.
    const QByteArray& startedWith() const { return m_startedWith; }
    const QByteArray& switchedTo() const { return m_switchedTo; }
    bool missedPosition() const { return m_missedPosition; }

private:
    _xmlCharEncodingHandler* currentEncoder() const;
    qsizetype position();
    qsizetype fromLineAndColumn();
    bool agrees(LocatedTag& located, const unsigned char** atts) const;

    const QByteArray& m_page;
    const qsizetype m_firstNul;
    _xmlParserCtxt* m_ctxt = nullptr;

    bool m_positionsKnown = true;
    _xmlCharEncodingHandler* m_encoder = nullptr;
    ByteDecoder m_decoder;
    qsizetype m_lastPosition = 0;
    qsizetype m_lastTagClose = -1;
    std::vector<qsizetype> m_lineStarts;
    QByteArray m_startedWith;       // the set libxml2 started reading in
    QByteArray m_switchedTo;        // the set libxml2 switched to while reading, if it did
    bool m_missedPosition = false;  // a place was asked for and could not be told
};

// The first "</name" at or after from, compared without case; with delimited, only one
// followed by a blank, "/" or ">" (where a browser ends raw text), without it any (where
// libxml2 ends a <style>). -1 when there is none.
qsizetype closingTag(const QByteArray& page, qsizetype from, const char* name, bool delimited);

// A string of libxml2's (UTF-8, ended by a NUL) as text; empty for null.
QString libxmlText(const unsigned char* s);
