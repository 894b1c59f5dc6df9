#pragma once
#include <QStringList>
#include <optional>

// Upper bound of one dimension of a string array, or the fallback when the array was
// never allocated (nullopt) or the dimension does not exist or does not fit in 16
// bits. An allocated array with no element gives -1.
int UBOUND_SICURO(const std::optional<QStringList>& values, int dimension, int fallback);

// Splits at every occurrence of the separator, keeping empty parts; the split of an
// empty string is an allocated array with no element.
QStringList splitKeepingEmpty(const QString& text, const QString& separator);
