#include "display/DialogFilter.h"
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"

QStringList dialogNameFilters(const QString& filter) {
    QStringList out;
    if (filter.isEmpty())
        return out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    const auto invalid = [] {
        return RunError(ErrorCodes::FiltroNonValido, ErrorCodes::descrizione(ErrorCodes::FiltroNonValido));
    };
    if (parts.size() % 2 != 0)
        throw invalid();
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        patterns.removeAll(QString());
        if (description.isEmpty() || patterns.isEmpty())
            throw invalid();
        const QString list = patterns.join(QLatin1Char(' '));
        // The dialog reads the patterns from the last parentheses of the entry.
        if (description.endsWith(QLatin1Char('(') + list + QLatin1Char(')')))
            out << description;
        else
            out << description + QStringLiteral(" (") + list + QLatin1Char(')');
    }
    return out;
}

QString dialogDefaultSuffix(const QString& defaultExt) {
    QString suffix = defaultExt.trimmed();
    if (suffix.startsWith(QLatin1Char('*')))
        suffix.remove(0, 1);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')))
        return QString();
    return suffix;
}
