#include "completecopy/address/SiteAddress.h"
#include <QRegularExpression>

namespace {

// The path with its "." and ".." steps resolved as an address's are.
QString withoutDotSteps(const QString& path) {
    QStringList out;
    const QStringList steps = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString& step = steps[i];
        const bool last = i == steps.size() - 1;
        if (step == u"." || step == u"..") {
            if (step == u".." && out.size() > 1)
                out.removeLast();
            if (last)
                out << QString();  // "a/." and "a/.." name a folder
            continue;
        }
        out << step;
    }
    return out.join(QLatin1Char('/'));
}

QUrl normalised(QUrl url) {
    // Each change copies the address: only what needs one is changed.
    if (url.hasFragment())
        url.setFragment(QString());
    const QString path = url.path(QUrl::FullyEncoded);
    if (path.contains(QLatin1String("/.")))
        url.setPath(withoutDotSteps(path), QUrl::TolerantMode);
    if (const int port = url.port(); port == 80 || port == 443) {
        const QString scheme = url.scheme();
        if ((scheme == u"http" && port == 80) || (scheme == u"https" && port == 443))
            url.setPort(-1);
    }
    if (path.isEmpty() && !url.host().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

} // namespace

QUrl resolveReference(const QUrl& base, const QString& reference) {
    QString ref = reference.trimmed();
    ref.remove(QLatin1Char('\t'));
    ref.remove(QLatin1Char('\n'));
    ref.remove(QLatin1Char('\r'));
    if (ref.isEmpty())
        return normalisedAddress(base);
    static const QRegularExpression schemePrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QRegularExpressionMatch scheme = schemePrefix.match(ref);
    const QString named = scheme.hasMatch() ? scheme.captured(1).toLower() : QString();
    // Web addresses take "\" for "/", as browsers do; other schemes keep it.
    if (named.isEmpty() ? (base.scheme() == u"http" || base.scheme() == u"https")
                        : (named == u"http" || named == u"https"))
        ref.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QUrl relative(ref, QUrl::TolerantMode);
    if (!relative.isValid())
        return QUrl();
    const QUrl resolved = base.resolved(relative);
    return resolved.isValid() ? normalised(resolved) : QUrl();
}

QUrl normalisedAddress(const QUrl& address) {
    return address.isValid() ? normalised(address) : QUrl();
}

QString addressKey(const QUrl& address) {
    return normalised(address).toString(QUrl::FullyEncoded);
}
