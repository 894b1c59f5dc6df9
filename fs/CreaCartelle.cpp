#include "fs/CreaCartelle.h"
#include "fs/EsisteCartella.h"
#include "fs/NativePath.h"
#include "fs/UboundSicuro.h"
#include <QDir>

bool CREA_CARTELLE(QString path) {
    if (ESISTE_CARTELLA(path))
        return true; // nothing to create

    // Where "/" is the host's separator it divides levels just as "\" does; the
    // levels are rebuilt with "\", which the disk layer maps back to "/".
    if (hostUsesSlash())
        path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (path.endsWith(QLatin1Char('\\')))
        path.chop(1);

    const std::optional<QStringList> parts = splitKeepingEmpty(path, QStringLiteral("\\"));
    const int last = UBOUND_SICURO(parts, 1, 0);

    // Top down, one level at a time: C:\ , C:\TMP\ , C:\TMP\SITO\ ... An empty part
    // (leading or doubled separator) only adds its separator. A level that cannot be
    // created is passed over; the final test tells the caller.
    QString accumulated;
    for (int i = 0; i <= last; ++i) {
        const QString& part = parts->at(i);
        accumulated += part;
        accumulated += QLatin1Char('\\');
        if (!part.isEmpty() && !ESISTE_CARTELLA(accumulated))
            QDir().mkdir(nativePath(accumulated));
    }
    return ESISTE_CARTELLA(path);
}
