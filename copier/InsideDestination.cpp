#include "copier/InsideDestination.h"
#include "fs/NativePath.h"
#include <QDir>
#include <QFileInfo>

namespace {

QString resolved(const QString& programPath) {
    return QDir::cleanPath(QFileInfo(nativePath(programPath)).absoluteFilePath());
}

} // namespace

QString resolvedPath(const QString& programPath) {
    return QDir::toNativeSeparators(resolved(programPath));
}

bool insideDestination(const QString& destination, const QString& path) {
    if (destination.isEmpty() || path.isEmpty())
        return false;
    const QString root = resolved(destination);
    const QString target = resolved(path);
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    if (target.compare(root, cs) == 0)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return target.startsWith(prefix, cs);
}
