#include "fs/EsisteCartella.h"
#include "fs/NativePath.h"
#include <QFileInfo>

bool ESISTE_CARTELLA(QString path) {
    // These four are never reported as folders, although "." and ".." name real ones.
    if (path.isEmpty() || path == QLatin1String("..") || path == QLatin1String(".") ||
        path == QLatin1String("\\"))
        return false;
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    // With the trailing separator a file cannot pass for a folder; a path that cannot
    // be queried (missing, unreadable, a drive that is not ready) simply gives false.
    const QFileInfo info(nativePath(path));
    return info.isDir();
}
