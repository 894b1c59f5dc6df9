#include "app/InHousePreset.h"
#include "fs/EsisteCartella.h"
#include "fs/NativePath.h"
#include <QFile>
#include <QFileInfo>

namespace {

bool markerOpens(const QString& programPath) {
    const QString path = nativePath(programPath);
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    QFile marker(path);
    if (!marker.open(QIODevice::ReadOnly))
        return false;
    marker.close();
    return true;
}

} // namespace

namespace InHousePreset {

bool recognised(const InHousePaths& paths) {
    try {
        if (!markerOpens(paths.markerFile))
            return false;
        return ESISTE_CARTELLA(paths.folder);
    } catch (...) {
        return false;
    }
}

} // namespace InHousePreset
