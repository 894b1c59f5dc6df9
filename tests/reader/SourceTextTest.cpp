#include "display/Cp1252.h"
#include "reader/SorgenteDaByte.h"
#include <QList>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QString chars(std::initializer_list<char16_t> cs) {
    QString s;
    for (char16_t c : cs)
        s += QChar(c);
    return s;
}

// The rule followed literally: one byte at a time, the markers looked for after
// every character appended, stopping at the first one completed.
SourceText byteByByte(const QByteArray& bytes, bool dropCR, bool dropLF, bool look) {
    SourceText r;
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if ((dropCR && b == 13) || (dropLF && b == 10))
            continue;
        r.text += Cp1252::toChar(b);
        if (look && (r.text.contains(kMarkerTitle) || r.text.contains(kMarkerBase))) {
            r.found = false;
            break;
        }
    }
    return r;
}

} // namespace

TEST(SourceText, DroppingCarriageReturnsAndLineFeeds) {
    struct Case { bool dropCR, dropLF; QString expected; };
    const Case cases[] = {
        {false, false, chars({'A', 13, 10, 'B'})},
        {true, false, chars({'A', 10, 'B'})},
        {false, true, chars({'A', 13, 'B'})},
        {true, true, chars({'A', 'B'})},
    };
    for (const Case& c : cases) {
        const SourceText r = SORGENTE_DA_BYTE(QByteArray("A\r\nB"), c.dropCR, c.dropLF, true);
        EXPECT_EQ(r.text, c.expected) << "dropCR " << c.dropCR << " dropLF " << c.dropLF;
        EXPECT_TRUE(r.found);
    }
    // Lone, doubled and reversed pairs, at both ends.
    const QByteArray mixed("\r\n\rx\n\r\n\n");
    EXPECT_EQ(SORGENTE_DA_BYTE(mixed, true, false, false).text, chars({10, 'x', 10, 10, 10}));
    EXPECT_EQ(SORGENTE_DA_BYTE(mixed, false, true, false).text, chars({13, 13, 'x', 13}));
    EXPECT_EQ(SORGENTE_DA_BYTE(mixed, true, true, false).text, QStringLiteral("x"));
}

TEST(SourceText, EveryKeptByteIsOneCharacterInOrder) {
    const QByteArray withNul("\x00" "a\x00" "b\xff", 5);
    const SourceText r = SORGENTE_DA_BYTE(withNul, true, true, true);
    EXPECT_EQ(r.text, chars({0, 'a', 0, 'b', 0xFF})); // NUL ends nothing; first and last kept
    EXPECT_EQ(SORGENTE_DA_BYTE(QByteArray("\x80\r", 2), false, false, false).text, chars({0x20AC, 13}));
    // UTF-8 is not decoded: "è" is two characters.
    EXPECT_EQ(SORGENTE_DA_BYTE(QByteArray("\xc3\xa8"), false, false, false).text, chars({0xC3, 0xA8}));
    EXPECT_TRUE(SORGENTE_DA_BYTE(QByteArray(), true, true, true).text.isEmpty());
}

TEST(SourceText, HighBytesRoundTripThroughThePanesMapping) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = SORGENTE_DA_BYTE(all, false, false, true).text;
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Cp1252::fromText(text), all);

    QByteArray high = all.mid(0x80);
    EXPECT_EQ(Cp1252::fromText(SORGENTE_DA_BYTE(high, true, true, true).text), high);
    QByteArray noCrLf = all;
    noCrLf.remove(13, 1);
    noCrLf.remove(10, 1);
    EXPECT_EQ(Cp1252::fromText(SORGENTE_DA_BYTE(all, true, true, false).text), noCrLf);
}

TEST(SourceText, NotFoundMarkers) {
    struct Case { const char* name; QByteArray bytes; bool dropCR, dropLF, look, found; };
    const Case cases[] = {
        {"title", "<html><head><title>DIGILAND</title></head>", false, false, true, false},
        {"title, markers not looked for", "<title>DIGILAND</title>", false, false, false, true},
        {"title in capitals", "<TITLE>DIGILAND</TITLE>", false, false, true, true},
        {"title in other case", "<title>Digiland</title>", false, false, true, true},
        {"title alone at the end", "x<title>DIGILAND</title>", false, false, true, false},
        {"title cut short", "<title>DIGILAND</title", false, false, true, true},
        {"base", "<BASE HREF=\"http://www.digiland.example\">", false, false, true, false},
        {"base with a path after", "<BASE HREF=\"http://www.digiland.example/pag/\">", false, false, true, false},
        {"base, markers not looked for", "<BASE HREF=\"http://www.digiland.example\">", false, false, false, true},
        {"base in lower case", "<base href=\"http://www.digiland.example\">", false, false, true, true},
        {"base with single quotes", "<BASE HREF='http://www.digiland.example'>", false, false, true, true},
        {"base without quotes", "<BASE HREF=http://www.digiland.example>", false, false, true, true},
        {"base with a blank", "<BASE HREF= \"http://www.digiland.example\">", false, false, true, true},
        {"base of another server", "<BASE HREF=\"http://www.example.org\">", false, false, true, true},
        {"title split by a dropped CR LF", "<title>DIGI\r\nLAND</title>", true, true, true, false},
        {"title split by a kept LF", "<title>DIGI\r\nLAND</title>", true, false, true, true},
        {"title split by a kept CR", "<title>DIGI\r\nLAND</title>", false, true, true, true},
        {"title split by a dropped CR", "<title>\rDIGILAND</title>", true, false, true, false},
        {"title split by a dropped LF", "<title>DIGILAND</\ntitle>", false, true, true, false},
        {"base split by a dropped LF", "<BASE HREF=\"http://www.\ndigiland.example\"", false, true, true, false},
    };
    for (const Case& c : cases) {
        const SourceText r = SORGENTE_DA_BYTE(c.bytes, c.dropCR, c.dropLF, c.look);
        EXPECT_EQ(r.found, c.found) << c.name;
        EXPECT_EQ(r.found, byteByByte(c.bytes, c.dropCR, c.dropLF, c.look).found) << c.name;
    }
}

TEST(SourceText, ConversionStopsAtTheFirstMarkerCompleted) {
    const QByteArray bytes("<p><title>DIGILAND</title><BASE HREF=\"http://www.digiland.example\"> rest");
    EXPECT_EQ(SORGENTE_DA_BYTE(bytes, false, false, true).text, QStringLiteral("<p><title>DIGILAND</title>"));
    // The base marker starts later but is completed first here.
    const QByteArray nested("<BASE HREF=\"http://www.digiland.example\"<title>DIGILAND</title>");
    EXPECT_EQ(SORGENTE_DA_BYTE(nested, false, false, true).text, QString::fromLatin1(kMarkerBase.toLatin1()));
}

// One pass and one search must agree with the byte-by-byte rule on pages built from
// marker pieces, CR, LF and other bytes, for every combination of the switches.
TEST(SourceText, AgreesWithTheByteByByteRule) {
    const QList<QByteArray> pieces = {"<title>DIGI", "LAND</title>", "<title>DIGILAND</title>",
                                      "<BASE HREF=\"http://www.", "digiland.example", "\r", "\n", "\r\n",
                                      "x", "\xe9", QByteArray(1, '\0'), "<", "\""};
    QRandomGenerator rng(20240611);
    int notFound = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray page;
        const int n = rng.bounded(1, 14);
        for (int i = 0; i < n; ++i)
            page += pieces[rng.bounded(pieces.size())];
        for (int sw = 0; sw < 8; ++sw) {
            const bool dropCR = sw & 1, dropLF = sw & 2, look = sw & 4;
            const SourceText fast = SORGENTE_DA_BYTE(page, dropCR, dropLF, look);
            const SourceText slow = byteByByte(page, dropCR, dropLF, look);
            ASSERT_EQ(fast.found, slow.found) << page.toStdString() << " switches " << sw;
            ASSERT_EQ(fast.text, slow.text) << page.toStdString() << " switches " << sw;
            notFound += !fast.found;
        }
    }
    EXPECT_GT(notFound, 50); // the pages did exercise the markers
}
