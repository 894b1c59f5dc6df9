#include "fs/UboundSicuro.h"
#include <limits>

int UBOUND_SICURO(const std::optional<QStringList>& values, int dimension, int fallback) {
    if (!values)
        return fallback; // never allocated
    // The dimension must fit in 16 bits, and a split gives a one-dimensional array.
    if (dimension < std::numeric_limits<qint16>::min() || dimension > std::numeric_limits<qint16>::max() ||
        dimension != 1)
        return fallback;
    const qsizetype last = values->size() - 1; // -1 for an allocated array with no element
    return last > std::numeric_limits<int>::max() ? fallback : static_cast<int>(last);
}

QStringList splitKeepingEmpty(const QString& text, const QString& separator) {
    if (text.isEmpty())
        return {};
    if (separator.isEmpty())
        return {text};
    return text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
}
