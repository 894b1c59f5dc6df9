#include "reader/NormalizzaUrl.h"

QString NORMALIZZA_URL(const QString& address) {
    const bool www = address.startsWith(QLatin1String("www"));
    const bool knownStart = www || address.startsWith(QLatin1String("file://")) ||
                            address.startsWith(QLatin1String("http://")) ||
                            address.startsWith(QLatin1String("ftp://"));
    if (knownStart)
        return www ? QStringLiteral("http://") + address : address;
    // Any other scheme carries "//"; a local path (drive, network path written with
    // "\", or an absolute path written with "/") becomes a file address as typed.
    if (address.contains(QLatin1String("//")))
        return address;
    return QStringLiteral("file://") + address;
}
