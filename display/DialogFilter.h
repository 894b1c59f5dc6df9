#pragma once
#include <QString>
#include <QStringList>

// The file dialog's settings in the form the Qt dialog takes them.

// "Pagine Internet (*.HTM)|*.HTM|Tutti|*.htm;*.html" -> one name filter a pair,
// "description (patterns)", the patterns separated by blanks; a description that
// already ends with its patterns in parentheses is kept as it is. An empty filter
// gives no name filter. An odd number of parts or an empty description or pattern
// raises RunError FiltroNonValido.
QStringList dialogNameFilters(const QString& filter);

// "*.HTM" -> "HTM"; a pattern with no real suffix ("*.*", "*", "") -> "".
QString dialogDefaultSuffix(const QString& defaultExt);
