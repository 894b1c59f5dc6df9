// Reference extraction on any line: what it gives is cut from the line itself,
// between the "=" or the opening double quote and a closing double quote, a blank or
// a ">", and never holds a double quote.
#include "copier/EstraiHref.h"
#include "copier/UpperCased.h"
#include "display/Cp1252.h"
#include "fuzz/FuzzSupport.h"

namespace {

// True when the reference stands in the line right after "=" or a double quote and
// right before a double quote, a blank or ">".
bool standsDelimited(const QString& line, const QString& reference) {
    for (qsizetype at = line.indexOf(reference, 1); at >= 1; at = line.indexOf(reference, at + 1)) {
        const QChar before = line.at(at - 1);
        const qsizetype end = at + reference.size();
        if ((before == u'=' || before == u'"') && end < line.size() &&
            (line.at(end) == u'"' || line.at(end) == u' ' || line.at(end) == u'>'))
            return true;
    }
    return false;
}

void check(const QString& line) {
    const std::optional<QString> reference = ESTRAI_HREF(line);
    // upper-casing keeps every position, so the keyword found is where it stands.
    FUZZ_CHECK(upperCased(line).size() == line.size());
    if (!reference)
        return;
    const QString upper = upperCased(line);
    FUZZ_CHECK(upper.contains(QLatin1String("HREF")) || upper.contains(QLatin1String("SRC")));
    FUZZ_CHECK(line.contains(u'='));
    FUZZ_CHECK(line.contains(*reference));
    FUZZ_CHECK(!reference->contains(u'"'));
    FUZZ_CHECK(standsDelimited(line, *reference));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    // As the crawl reads a stored page, and as any text at all.
    check(Cp1252::toText(bytes));
    check(fuzzText(bytes));
    return 0;
}
