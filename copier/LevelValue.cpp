#include "copier/LevelValue.h"

double levelValue(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    for (; i < n && text[i].isDigit() && text[i].unicode() < 128; ++i)
        ++digits;
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        for (; i < n && text[i].isDigit() && text[i].unicode() < 128; ++i)
            ++digits;
    }
    if (digits == 0)
        return 0;
    return text.mid(start, i - start).toDouble();
}
