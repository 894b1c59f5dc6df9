#include "completecopy/references/MetaRefresh.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

} // namespace

RefreshAddress metaRefreshSpan(const QString& content) {
    RefreshAddress found;
    const qsizetype n = content.size();
    qsizetype i = 0;
    while (i < n && isSpace(content[i]))
        ++i;
    // The delay: digits and dots; without one the content is not a refresh at all.
    const qsizetype delay = i;
    while (i < n && (content[i].isDigit() || content[i] == u'.'))
        ++i;
    if (i == delay)
        return found;
    while (i < n && isSpace(content[i]))
        ++i;
    if (i < n && (content[i] == u';' || content[i] == u','))
        ++i;
    while (i < n && isSpace(content[i]))
        ++i;
    if (i >= n)
        return found;
    // An optional "url =" before the address.
    if (content.mid(i, 3).compare(QLatin1String("url"), Qt::CaseInsensitive) == 0) {
        qsizetype j = i + 3;
        while (j < n && isSpace(content[j]))
            ++j;
        if (j < n && content[j] == u'=') {
            i = j + 1;
            while (i < n && isSpace(content[i]))
                ++i;
        }
    }
    qsizetype end = n;
    if (i < n && (content[i] == u'"' || content[i] == u'\'')) {
        found.quoted = true;
        found.quote = content[i];
        ++i;
        const qsizetype close = content.indexOf(found.quote, i);
        if (close >= 0)
            end = close;
    }
    // Blanks around the address are not part of it.
    while (i < end && content[i].isSpace())
        ++i;
    while (end > i && content[end - 1].isSpace())
        --end;
    if (end > i) {
        found.address = content.mid(i, end - i);
        found.at = i;
        found.length = end - i;
    }
    return found;
}

QString metaRefreshAddress(const QString& content) {
    return metaRefreshSpan(content).address;
}
