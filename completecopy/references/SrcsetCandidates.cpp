#include "completecopy/references/SrcsetCandidates.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

} // namespace

QStringList srcsetCandidates(const QString& srcset) {
    QStringList out;
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
        QString address = srcset.mid(start, i - start);
        if (address.endsWith(u',')) {
            // "a.png,b.png": the commas close this candidate, which has no descriptors.
            while (address.endsWith(u','))
                address.chop(1);
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
        if (!address.isEmpty())
            out << address;
    }
    return out;
}
