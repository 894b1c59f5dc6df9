#include "fs/RicavaPath.h"

void RICAVA_PATH(QString& WDIR, const QString& N) {
    // Cut after the rightmost "/" or "\"; both separators count alike, so the helper
    // serves web addresses, Windows paths and mixtures of both.
    QString folder;
    for (qsizetype i = N.size() - 1; i >= 0; --i) {
        const QChar c = N.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\')) {
            folder = N.left(i + 1);
            break;
        }
    }
    WDIR = folder; // assigned last, so N may be the very string WDIR refers to
}
