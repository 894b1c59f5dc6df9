#include "fs/NativePath.h"

QString nativePath(const QString& programPath) {
#ifdef _WIN32
    return programPath;
#else
    QString p = programPath;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
#endif
}

bool hostUsesSlash() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}
