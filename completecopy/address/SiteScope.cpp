#include "completecopy/address/SiteScope.h"

namespace {

int portOf(const QUrl& url) {
    return url.port(url.scheme() == u"https" ? 443 : 80);
}

bool isWeb(const QUrl& url) {
    return (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty();
}

} // namespace

SiteScope::SiteScope(const QUrl& start) : m_start(start) {
    const QString path = start.path(QUrl::FullyEncoded);
    m_folder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (m_folder.isEmpty())
        m_folder = QStringLiteral("/");
}

bool SiteScope::sameSite(const QUrl& address) const {
    return address.scheme() == m_start.scheme() &&
           address.host().compare(m_start.host(), Qt::CaseInsensitive) == 0 && portOf(address) == portOf(m_start);
}

SiteScope::Verdict SiteScope::ofRequisite(const QUrl& address) const {
    if (!isWeb(address))
        return Verdict::NotWeb;
    return sameSite(address) ? Verdict::Inside : Verdict::OtherSite;
}

SiteScope::Verdict SiteScope::ofPage(const QUrl& address) const {
    const Verdict site = ofRequisite(address);
    if (site != Verdict::Inside)
        return site;
    return address.path(QUrl::FullyEncoded).startsWith(m_folder) ? Verdict::Inside : Verdict::OutsideFolder;
}

QString SiteScope::reason(Verdict verdict) {
    switch (verdict) {
    case Verdict::Inside: return QString();
    case Verdict::NotWeb: return QStringLiteral("non è un indirizzo web");
    case Verdict::OtherSite: return QStringLiteral("altro host");
    case Verdict::OutsideFolder: return QStringLiteral("fuori dalla cartella iniziale");
    }
    return QString();
}
