#pragma once
#include <QByteArray>
#include <QString>
#include <cstring>
#include <optional>
#include <vector>

struct _xmlCharEncodingHandler;

// How the bytes of a page or a stylesheet become characters: UTF-8, or a character
// set that libxml2 converts and that writes every ASCII character as that one byte
// (Latin-1, windows-1252, the other ISO-8859 sets, EUC, ...). Sets that do not (UTF-16,
// UTF-32, EBCDIC, the ISO-2022 family, UTF-7) are not taken: in them the bytes of a
// value cannot be found by looking for quotes and brackets.
class ByteDecoder {
public:
    ByteDecoder() = default;  // UTF-8
    // The set libxml2 knows by that name; invalid when it does not know it or when the
    // set does not write ASCII as ASCII. "UTF-8" gives the decoder above.
    static ByteDecoder named(const QByteArray& charset);
    ByteDecoder(ByteDecoder&& other) noexcept { *this = std::move(other); }
    ByteDecoder& operator=(ByteDecoder&& other) noexcept;
    ByteDecoder(const ByteDecoder&) = delete;
    ByteDecoder& operator=(const ByteDecoder&) = delete;
    ~ByteDecoder();

    bool isValid() const { return m_valid; }
    bool isUtf8() const { return m_valid && !m_handler; }
    // Each byte one character (Latin-1, windows-1252, the other ISO-8859 sets, KOI8...).
    bool isSingleByte() const { return m_valid && m_handler && m_singleByte; }
    const QByteArray& name() const { return m_name; }

    // The characters of a run of bytes from 0x80 up (the bytes between two ASCII
    // bytes); false when they do not decode.
    bool decodeRun(const char* data, qsizetype size, QString& out) const;

private:
    _xmlCharEncodingHandler* m_handler = nullptr;
    QByteArray m_name = "UTF-8";
    bool m_valid = true;
    bool m_singleByte = false;
    char16_t m_high[128] = {};  // the characters of bytes 0x80 to 0xFF in a set of one byte a character; 0: none
};

// UTF-8 as text, a byte order mark at its start kept as the character it is
// (QString::fromUtf8 drops it, libxml2 and browsers keep it inside a page).
QString utf8Text(const char* data, qsizetype size);
inline QString utf8Text(const QByteArray& bytes) { return utf8Text(bytes.constData(), bytes.size()); }

// Characters decoded from bytes, and where each came from: from[i] is the offset in
// the bytes where the character at i begins (the characters of a run of non-ASCII
// bytes that decodes to a different number of UTF-16 units all begin where the run
// does), from[text.size()] the end of the bytes decoded.
struct MappedText {
    QString text;
    std::vector<qsizetype> from;  // empty when each character is one byte from `start` on
    qsizetype start = 0;

    // The bytes [at, end) of the characters [first, first + count).
    qsizetype byteAt(qsizetype first) const { return from.empty() ? start + first : from[size_t(first)]; }
    qsizetype byteEnd(qsizetype first, qsizetype count) const { return byteAt(first + count); }
};

// The bytes [at, at + length) decoded. With characterReferences, "&name;" and "&#n;"
// are decoded as libxml2's HTML parser decodes them in an attribute value (a named
// reference only with its ";" and only the names libxml2 knows, anything else kept as
// written). nullopt when a run does not decode or a numeric reference names no
// character (libxml2 then cuts the value short).
std::optional<MappedText> decodeMapped(const QByteArray& bytes, qsizetype at, qsizetype length,
                                       const ByteDecoder& decoder, bool characterReferences);
