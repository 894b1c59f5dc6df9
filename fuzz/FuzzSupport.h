#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, a property check
// that turns a broken property into a crash (for libFuzzer and for the replay of the
// checked-in inputs alike), and the ways a target reads its input.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#define FUZZ_CHECK(cond)                                                                       \
    do {                                                                                       \
        if (!(cond)) {                                                                         \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

inline QByteArray fuzzBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Typed or composed text: the input as UTF-8 (an invalid sequence becomes U+FFFD).
inline QString fuzzText(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

// Two texts in one input, cut at its first LF; the second is empty without one.
inline void splitAtLineFeed(const QByteArray& bytes, QByteArray& first, QByteArray& second) {
    const qsizetype lf = bytes.indexOf('\n');
    first = lf < 0 ? bytes : bytes.left(lf);
    second = lf < 0 ? QByteArray() : bytes.mid(lf + 1);
}
