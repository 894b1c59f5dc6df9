#include "copier/EstraiHref.h"
#include "copier/UpperCased.h"

std::optional<QString> ESTRAI_HREF(const QString& line) {
    return ESTRAI_HREF(line, upperCased(line));
}

std::optional<QString> ESTRAI_HREF(const QString& line, const QString& upper) {
    qsizetype after = -1; // first position after the keyword (0-based)
    if (const qsizetype p = upper.indexOf(QLatin1String("HREF")); p >= 0)
        after = p + 4;
    else if (const qsizetype q = upper.indexOf(QLatin1String("SRC"));
             q >= 0 && !upper.contains(QLatin1String("SRCELEMENT")))
        after = q + 3;
    if (after < 0)
        return std::nullopt;

    const qsizetype equals = line.indexOf(QLatin1Char('='), after);
    if (equals < 0)
        return std::nullopt;
    qsizetype start = equals + 1;

    // The first double quote anywhere after the "=" opens the value; without one the
    // value ends at a blank, or at ">" when the rest holds no blank.
    qsizetype end;
    if (const qsizetype quote = line.indexOf(QLatin1Char('"'), start); quote >= 0) {
        start = quote + 1;
        end = line.indexOf(QLatin1Char('"'), start);
    } else {
        end = line.indexOf(QLatin1Char(' '), start);
        if (end < 0)
            end = line.indexOf(QLatin1Char('>'), start);
    }
    if (end < 0)
        return std::nullopt;
    return line.mid(start, end - start);
}
