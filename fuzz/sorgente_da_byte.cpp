// Page source text: the first byte of the input holds the three switches (bit 0 drop
// CR, bit 1 drop LF, bit 2 look for markers), the rest are the fetched bytes. With
// nothing dropped the text turns back into the very bytes; a dropped byte is all
// that is missing; a not-found verdict stops at the end of the first marker.
#include "display/Cp1252.h"
#include "fuzz/FuzzSupport.h"
#include "reader/SorgenteDaByte.h"

namespace {

bool holdsMarker(const QString& text) {
    return text.contains(kMarkerTitle) || text.contains(kMarkerBase);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const bool dropCR = data[0] & 1, dropLF = data[0] & 2, markers = data[0] & 4;
    const QByteArray bytes = fuzzBytes(data + 1, size - 1);

    QByteArray kept;
    for (const char b : bytes)
        if (!(dropCR && b == '\r') && !(dropLF && b == '\n'))
            kept += b;

    const SourceText plain = SORGENTE_DA_BYTE(bytes, false, false, false);
    FUZZ_CHECK(plain.found);
    FUZZ_CHECK(plain.text.size() == bytes.size());
    FUZZ_CHECK(Cp1252::fromText(plain.text) == bytes);
    FUZZ_CHECK(plain.text == Cp1252::toText(bytes));

    const SourceText built = SORGENTE_DA_BYTE(bytes, dropCR, dropLF, markers);
    const QString whole = Cp1252::toText(kept);
    if (built.found) {
        FUZZ_CHECK(built.text == whole);
        FUZZ_CHECK(Cp1252::fromText(built.text) == kept);
        FUZZ_CHECK(!markers || !holdsMarker(built.text));
    } else {
        FUZZ_CHECK(markers);
        FUZZ_CHECK(whole.startsWith(built.text));
        FUZZ_CHECK(built.text.endsWith(kMarkerTitle) || built.text.endsWith(kMarkerBase));
        FUZZ_CHECK(!holdsMarker(built.text.chopped(1)));
    }
    return 0;
}
