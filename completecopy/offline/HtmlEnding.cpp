#include "completecopy/offline/HtmlEnding.h"

QString withHtmlEnding(const QString& localPath, bool isPage) {
    if (!isPage || localPath.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
        localPath.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
        return localPath;
    return localPath + QLatin1String(".html");
}
