#include "completecopy/references/MetaRefresh.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

} // namespace

QString metaRefreshAddress(const QString& content) {
    const qsizetype n = content.size();
    qsizetype i = 0;
    while (i < n && isSpace(content[i]))
        ++i;
    // The delay: digits and dots; without one the content is not a refresh at all.
    const qsizetype delay = i;
    while (i < n && (content[i].isDigit() || content[i] == u'.'))
        ++i;
    if (i == delay)
        return QString();
    while (i < n && isSpace(content[i]))
        ++i;
    if (i < n && (content[i] == u';' || content[i] == u','))
        ++i;
    while (i < n && isSpace(content[i]))
        ++i;
    if (i >= n)
        return QString();
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
    QString address = content.mid(i);
    if (!address.isEmpty() && (address[0] == u'"' || address[0] == u'\'')) {
        const QChar quote = address[0];
        const qsizetype close = address.indexOf(quote, 1);
        address = close < 0 ? address.mid(1) : address.mid(1, close - 1);
    }
    return address.trimmed();
}
