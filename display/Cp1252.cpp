#include "display/Cp1252.h"
#include <array>

namespace Cp1252 {
namespace {

// 0x80..0x9F; the rest of the range maps to the code point of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Every byte's character, and every character below 0x100's byte ('?' for the
// characters 0x80..0x9F that the code page puts elsewhere): a page goes through
// these a byte at a time, both ways, so they are looked up, not worked out.
constexpr std::array<char16_t, 256> kCharOfByte = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b);
    return t;
}();
constexpr std::array<char, 256> kByteOfLowChar = [] {
    std::array<char, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = static_cast<char>(c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] != c ? '?' : c);
    return t;
}();

char byteOfHighChar(char16_t c) {
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QChar toChar(unsigned char byte) {
    return QChar(kCharOfByte[byte]);
}

QString toText(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        d[i] = kCharOfByte[s[i]];
    return out;
}

QByteArray fromText(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = s[i];
        d[i] = c < 0x100 ? kByteOfLowChar[c] : byteOfHighChar(c);
    }
    return out;
}

} // namespace Cp1252
