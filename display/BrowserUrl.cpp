#include "display/BrowserUrl.h"
#include "fs/NativePath.h"
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kFileScheme = QStringLiteral("file://");

QUrl localFileUrl(QString rest) {
#ifdef _WIN32
    // "file:///C:/x" spells the drive after a third slash.
    if (rest.size() >= 3 && (rest[0] == QLatin1Char('/') || rest[0] == QLatin1Char('\\')) &&
        rest[1].isLetter() && rest[2] == QLatin1Char(':'))
        rest.remove(0, 1);
#endif
    QString path = nativePath(rest);
    if (path.isEmpty())
        path = QStringLiteral(".");
    // A standard file URL may carry %-escapes ("a%20b.htm"): use the decoded name
    // when only that one exists.
    if (!QFileInfo::exists(path) && path.contains(QLatin1Char('%'))) {
        const QString decoded = QUrl::fromPercentEncoding(path.toUtf8());
        if (QFileInfo::exists(decoded))
            path = decoded;
    }
    // "a.htm#capitolo" or "a.htm?x=1": when no file bears the whole name, a query or
    // fragment after an existing file's name goes with the URL.
    QString tail;
    if (!QFileInfo::exists(path)) {
        const qsizetype cut = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
        if (cut > 0 && QFileInfo::exists(path.left(cut))) {
            tail = path.mid(cut);
            path.truncate(cut);
        }
    }
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (!tail.isEmpty()) {
        const qsizetype hash = tail.indexOf(QLatin1Char('#'));
        const QString query = hash < 0 ? tail : tail.left(hash);
        if (query.size() > 1)
            url.setQuery(query.mid(1));
        if (hash >= 0)
            url.setFragment(tail.mid(hash + 1));
    }
    return url;
}

} // namespace

QUrl browserUrl(const QString& address) {
    if (address.startsWith(kFileScheme, Qt::CaseInsensitive))
        return localFileUrl(address.mid(kFileScheme.size()));
    const QUrl url(address, QUrl::TolerantMode);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    return QUrl::fromUserInput(address);
}
