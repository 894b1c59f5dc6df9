// The references a complete copy reads out of any page, stylesheet, srcset, refresh
// and robots.txt. Input: the same bytes given to each reader.
//
// Properties: nothing empty or blank-edged comes back; a srcset candidate holds no
// white space; robots.txt never refuses itself, and refuses nothing when no rule
// names the crawler or "*".
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/address/RobotsRules.h"
#include "completecopy/references/SrcsetCandidates.h"
#include "fuzz/FuzzSupport.h"

namespace {

bool trimmed(const QString& s) {
    return !s.isEmpty() && s == s.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    const QString text = fuzzText(bytes);
    for (const FoundReference& r : findHtmlReferences(bytes).references)
        FUZZ_CHECK(trimmed(r.text));
    for (const QString& r : findCssReferences(text))
        FUZZ_CHECK(trimmed(r));
    for (const QString& candidate : srcsetCandidates(text)) {
        FUZZ_CHECK(!candidate.isEmpty());
        for (const QChar c : candidate)
            FUZZ_CHECK(c != u' ' && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f');
    }
    const QString refresh = metaRefreshAddress(text);
    FUZZ_CHECK(refresh == refresh.trimmed());
    const RobotsRules rules = RobotsRules::parse(bytes, "Mirasito");
    FUZZ_CHECK(rules.allows(QStringLiteral("/robots.txt")));
    if (!bytes.toLower().contains("user-agent"))
        FUZZ_CHECK(rules.allows(QStringLiteral("/") + text));
    return 0;
}
