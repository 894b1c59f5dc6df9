#include "completecopy/references/SrcsetCandidates.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

} // namespace

std::vector<SrcsetCandidate> srcsetCandidateSpans(const QString& srcset) {
    std::vector<SrcsetCandidate> out;
    const qsizetype n = srcset.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && (isSpace(srcset[i]) || srcset[i] == u','))
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && !isSpace(srcset[i]))
            ++i;
        qsizetype end = i;
        if (srcset[end - 1] == u',') {
            // "a.png,b.png": the commas close this candidate, which has no descriptors.
            while (end > start && srcset[end - 1] == u',')
                --end;
        } else {
            // Descriptors ("2x", "100w", "(...)") up to the next comma outside brackets.
            bool inBrackets = false;
            for (; i < n; ++i) {
                const QChar c = srcset[i];
                if (c == u'(')
                    inBrackets = true;
                else if (c == u')')
                    inBrackets = false;
                else if (c == u',' && !inBrackets) {
                    ++i;
                    break;
                }
            }
        }
        if (end > start)
            out.push_back({srcset.mid(start, end - start), start, end - start});
    }
    return out;
}

QStringList srcsetCandidates(const QString& srcset) {
    QStringList out;
    for (const SrcsetCandidate& c : srcsetCandidateSpans(srcset))
        out << c.address;
    return out;
}
