// The references a complete copy reads out of any page, stylesheet, srcset, refresh
// and robots.txt. Input: the same bytes given to each reader.
//
// Properties: nothing empty or blank-edged comes back; a srcset candidate holds no
// white space; the bytes given for a reference lie inside the page or sheet, none
// over another; a candidate's and a refresh's place in
// their text is where their address stands; robots.txt never refuses itself, and
// refuses nothing when no rule names the crawler or "*".
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"
#include "completecopy/references/MetaRefresh.h"
#include "completecopy/address/RobotsRules.h"
#include "completecopy/references/SrcsetCandidates.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>

namespace {

bool trimmed(const QString& s) {
    return !s.isEmpty() && s == s.trimmed();
}

// The places given lie inside the bytes, none over another.
void checkPlaces(const QByteArray& bytes, std::vector<FoundReference> refs) {
    std::sort(refs.begin(), refs.end(), [](const FoundReference& a, const FoundReference& b) { return a.at < b.at; });
    qsizetype end = 0;
    for (const FoundReference& r : refs) {
        FUZZ_CHECK(trimmed(r.text));
        if (r.at < 0) {
            FUZZ_CHECK(r.length == 0);
            continue;
        }
        FUZZ_CHECK(r.at >= end && r.length >= 0 && r.at + r.length <= bytes.size());
        end = r.at + r.length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    const QString text = fuzzText(bytes);
    for (const QByteArray& charset : {QByteArray(), QByteArray("windows-1252"), QByteArray("utf-8")})
        checkPlaces(bytes, findHtmlReferences(bytes, charset).references);
    checkPlaces(bytes, findStylesheetReferences(bytes));
    for (const CssReference& r : findCssReferenceSpans(text)) {
        FUZZ_CHECK(trimmed(r.text));
        FUZZ_CHECK(r.at >= 0 && r.at + r.length <= text.size());
    }
    for (const SrcsetCandidate& candidate : srcsetCandidateSpans(text)) {
        FUZZ_CHECK(!candidate.address.isEmpty());
        FUZZ_CHECK(text.mid(candidate.at, candidate.length) == candidate.address);
        for (const QChar c : candidate.address)
            FUZZ_CHECK(c != u' ' && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f');
    }
    const RefreshAddress refresh = metaRefreshSpan(text);
    FUZZ_CHECK(refresh.address == refresh.address.trimmed());
    FUZZ_CHECK(refresh.address.isEmpty() ? refresh.at == -1 : text.mid(refresh.at, refresh.length) == refresh.address);
    const RobotsRules rules = RobotsRules::parse(bytes, "Mirasito");
    FUZZ_CHECK(rules.allows(QStringLiteral("/robots.txt")));
    if (!bytes.toLower().contains("user-agent"))
        FUZZ_CHECK(rules.allows(QStringLiteral("/") + text));
    return 0;
}
