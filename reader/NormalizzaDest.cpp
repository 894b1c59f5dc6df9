#include "reader/NormalizzaDest.h"
#include "fs/TrimBlanks.h"

QString NORMALIZZA_DEST(const QString& boxText) {
    QString dest = trimBlanks(boxText);
    // Both tests look at the trimmed text, before anything is appended; each append
    // looks at the result of the one before, so "C:/TMP" ends as "C:/TMP/\".
    const bool hasBackslash = dest.contains(QLatin1Char('\\'));
    const bool hasSlash = dest.contains(QLatin1Char('/'));
    if (hasBackslash && !dest.endsWith(QLatin1Char('\\')))
        dest += QLatin1Char('\\');
    if (hasSlash && !dest.endsWith(QLatin1Char('/')))
        dest += QLatin1Char('/');
    if (!dest.endsWith(QLatin1Char('\\')))
        dest += QLatin1Char('\\');
    return dest;
}
