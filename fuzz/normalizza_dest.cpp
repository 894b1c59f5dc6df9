// Destination completion on any box text: the trimmed text followed by at most
// "\", "/" and "\" in that order, always ending with "\".
#include "fs/TrimBlanks.h"
#include "fuzz/FuzzSupport.h"
#include "reader/NormalizzaDest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString box = fuzzText(fuzzBytes(data, size));
    const QString trimmed = trimBlanks(box);
    const QString dest = NORMALIZZA_DEST(box);
    FUZZ_CHECK(dest.startsWith(trimmed));
    FUZZ_CHECK(dest.endsWith(u'\\'));
    const QString added = dest.mid(trimmed.size());
    FUZZ_CHECK(added.isEmpty() || added == QLatin1String("\\") || added == QLatin1String("/\\") ||
               added == QLatin1String("\\/\\"));
    FUZZ_CHECK(added.contains(u'/') <= trimmed.contains(u'/'));
    FUZZ_CHECK(NORMALIZZA_DEST(QLatin1Char(' ') + box + QLatin1Char(' ')) == dest);
    return 0;
}
