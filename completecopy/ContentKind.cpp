#include "completecopy/ContentKind.h"
#include <QList>

ContentKind contentKindOf(const QByteArray& contentType, const QUrl& address) {
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    if (type == "text/html" || type == "application/xhtml+xml")
        return ContentKind::Page;
    if (type == "text/css")
        return ContentKind::Stylesheet;
    if (!type.isEmpty())
        return ContentKind::Other;
    const QString path = address.path().toLower();
    if (path.endsWith(u'/') || path.endsWith(QLatin1String(".html")) || path.endsWith(QLatin1String(".htm")))
        return ContentKind::Page;
    return path.endsWith(QLatin1String(".css")) ? ContentKind::Stylesheet : ContentKind::Other;
}

QByteArray charsetOf(const QByteArray& contentType) {
    for (const QByteArray& part : contentType.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.toLower().startsWith("charset="))
            return p.mid(8).trimmed().replace('"', "").replace('\'', "");
    }
    return QByteArray();
}
