#include "reader/SorgenteDaByte.h"
#include "display/Cp1252.h"
#include <array>

namespace {

const std::array<char16_t, 256>& byteTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = Cp1252::toChar(static_cast<unsigned char>(b)).unicode();
        return t;
    }();
    return table;
}

} // namespace

SourceText SORGENTE_DA_BYTE(const QByteArray& bytes, bool dropCR, bool dropLF, bool lookForMarkers) {
    const auto& table = byteTable();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();

    // One character a byte, in the order fetched, skipping the dropped ones.
    SourceText result;
    result.text = QString(n, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.text.data());
    qsizetype len = 0;
    if (!dropCR && !dropLF) {
        for (qsizetype i = 0; i < n; ++i)
            out[i] = table[in[i]];
        len = n;
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            const unsigned char b = in[i];
            if ((dropCR && b == 13) || (dropLF && b == 10))
                continue;
            out[len++] = table[b];
        }
    }
    result.text.truncate(len);

    if (!lookForMarkers)
        return result;

    // Searching the finished text once gives the verdict of a test after every
    // character; the conversion would have stopped right after the first marker
    // to be completed, so the text is cut there.
    qsizetype stop = -1;
    for (const QString* marker : {&kMarkerTitle, &kMarkerBase}) {
        const qsizetype at = result.text.indexOf(*marker, 0, Qt::CaseSensitive);
        if (at >= 0 && (stop < 0 || at + marker->size() < stop))
            stop = at + marker->size();
    }
    if (stop >= 0) {
        result.found = false;
        result.text.truncate(stop);
    }
    return result;
}
