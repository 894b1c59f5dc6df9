// Address normalisation and split on any typed address, as the open-page command
// does them (normalise, split, complete the default case) and as the copy-site
// command does them (split of the trimmed address, no completion).
#include "fs/RicavaPath.h"
#include "fs/TrimBlanks.h"
#include "fuzz/FuzzSupport.h"
#include "reader/DividiUrl.h"
#include "reader/NormalizzaUrl.h"
#include "reader/SharedState.h"

namespace {

bool isSeparator(QChar c) { return c == u'/' || c == u'\\'; }
bool endsWithSeparator(const QString& s) { return !s.isEmpty() && isSeparator(s.back()); }
bool holdsSeparator(const QString& s) { return s.contains(u'/') || s.contains(u'\\'); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString address = trimBlanks(fuzzText(fuzzBytes(data, size)));
    if (address.isEmpty())
        return 0;

    // Open-page command.
    const QString url = NORMALIZZA_URL(address);
    FUZZ_CHECK(url.contains(QLatin1String("//")));
    FUZZ_CHECK(url == address || url == QLatin1String("http://") + address || url == QLatin1String("file://") + address);
    FUZZ_CHECK(NORMALIZZA_URL(url) == url);

    SharedState s;
    s.WURL = url;
    if (DIVIDI_URL(s)) {
        COMPLETA_URL(s);
        FUZZ_CHECK(s.WURL_FILE == QLatin1String("index.htm"));
        FUZZ_CHECK(s.WURL_DIR.startsWith(url) && s.WURL_DIR.size() - url.size() <= 1);
        FUZZ_CHECK(endsWithSeparator(s.WURL_DIR));
        FUZZ_CHECK(s.WURL == s.WURL_DIR + s.WURL_FILE);
    } else {
        FUZZ_CHECK(s.WURL == url);
        FUZZ_CHECK(s.WURL_DIR + s.WURL_FILE == url);
        FUZZ_CHECK(!holdsSeparator(s.WURL_FILE) && s.WURL_FILE.contains(u'.'));
        QString folder;
        RICAVA_PATH(folder, url);
        FUZZ_CHECK(folder == s.WURL_DIR);
    }

    // Copy-site command: the split alone, on the address as typed; with no separator
    // the file part of the run before stays.
    SharedState c;
    c.WURL = address;
    c.WURL_FILE = QStringLiteral("prima.htm");
    const bool folder = DIVIDI_URL(c);
    FUZZ_CHECK(c.WURL == address);
    if (folder) {
        FUZZ_CHECK(c.WURL_DIR == address && c.WURL_FILE == QLatin1String("index.htm"));
    } else if (holdsSeparator(address)) {
        FUZZ_CHECK(c.WURL_DIR + c.WURL_FILE == address && !holdsSeparator(c.WURL_FILE));
        FUZZ_CHECK(endsWithSeparator(c.WURL_DIR));
    } else {
        FUZZ_CHECK(c.WURL_DIR == address && c.WURL_FILE == QLatin1String("prima.htm"));
    }
    return 0;
}
