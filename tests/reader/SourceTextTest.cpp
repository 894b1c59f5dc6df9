#include "display/Cp1252.h"
#include "reader/SorgenteDaByte.h"
#include <gtest/gtest.h>

namespace {
QString chars(std::initializer_list<char16_t> cs) { return QString(reinterpret_cast<const QChar*>(cs.begin()), qsizetype(cs.size())); }
} // namespace

TEST(SourceText, EveryKeptByteIsOneCharacterInOrder) {
    struct Case { QByteArray bytes; bool dropCR, dropLF; QString expected; };
    const Case cases[] = {
        {"A\r\nB", false, false, chars({'A', 13, 10, 'B'})},
        {"A\r\nB", true, false, chars({'A', 10, 'B'})},
        {"A\r\nB", false, true, chars({'A', 13, 'B'})},
        {"A\r\nB", true, true, chars({'A', 'B'})},
        {"\r\n\rx\n\r\n\n", true, false, chars({10, 'x', 10, 10, 10})}, // lone, doubled, reversed, at both ends
        {"\r\n\rx\n\r\n\n", false, true, chars({13, 13, 'x', 13})},
        {QByteArray("\0a\0b\xff", 5), true, true, chars({0, 'a', 0, 'b', 0xFF})}, // NUL ends nothing
        {"\x80\xc3\xa8", false, false, chars({0x20AC, 0xC3, 0xA8})}, // Cp1252, no UTF-8 decoding
    };
    for (const Case& c : cases) {
        const SourceText r = SORGENTE_DA_BYTE(c.bytes, c.dropCR, c.dropLF, true);
        EXPECT_EQ(r.text, c.expected) << c.bytes.toHex().toStdString() << " dropCR " << c.dropCR << " dropLF " << c.dropLF;
        EXPECT_TRUE(r.found);
    }
}

TEST(SourceText, EveryByteRoundTripsThroughThePanesMapping) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = SORGENTE_DA_BYTE(all, false, false, true).text;
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Cp1252::fromText(text), all);
}

// Bytes 0x80 to 0x9F as Windows-1252 draws them (curly quotes, dashes, the euro sign);
// the five it leaves undefined stand for themselves.
TEST(SourceText, HighBytesAreTheWindows1252Characters) {
    QByteArray bytes;
    for (int b = 0x80; b < 0xA0; ++b)
        bytes.append(static_cast<char>(b));
    const QString expected = chars({
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,   // € . ‚ ƒ „ … † ‡
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,   // ˆ ‰ Š ‹ Œ . Ž .
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,   // . ‘ ’ “ ” • – —
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178}); // ˜ ™ š › œ . ž Ÿ
    EXPECT_EQ(SORGENTE_DA_BYTE(bytes, false, false, true).text, expected);
    EXPECT_EQ(Cp1252::fromText(expected), bytes);
}

TEST(SourceText, NotFoundMarkers) {
    struct Case { QByteArray bytes; bool dropCR, dropLF, look, found; };
    const Case cases[] = {
        {"<html><head><title>DIGILAND</title></head>", false, false, true, false},
        {"<title>DIGILAND</title>", false, false, false, true}, // markers not looked for
        {"<TITLE>DIGILAND</TITLE>", false, false, true, true},  // case-sensitive
        {"<title>DIGILAND</title", false, false, true, true},   // cut short
        {"<BASE HREF=\"http://www.digiland.example\">", false, false, true, false},
        {"<BASE HREF=\"http://www.digiland.example/pag/\">", false, false, true, false},
        {"<base href=\"http://www.digiland.example\">", false, false, true, true},
        {"<BASE HREF='http://www.digiland.example'>", false, false, true, true},
        {"<BASE HREF=\"http://www.example.org\">", false, false, true, true},
        {"<title>DIGI\r\nLAND</title>", true, true, true, false}, // split by dropped characters
        {"<title>DIGI\r\nLAND</title>", true, false, true, true}, // by a kept LF
        {"<title>DIGI\r\nLAND</title>", false, true, true, true}, // by a kept CR
        {"<title>\rDIGILAND</title>", true, false, true, false},
        {"<BASE HREF=\"http://www.\ndigiland.example\"", false, true, true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SORGENTE_DA_BYTE(c.bytes, c.dropCR, c.dropLF, c.look).found, c.found)
            << c.bytes.toStdString() << " dropCR " << c.dropCR << " dropLF " << c.dropLF << " look " << c.look;
}
