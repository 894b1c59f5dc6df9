#pragma once
#include <QString>
#include <QUrl>

// Which addresses a complete copy takes: pages at or below the folder of its start
// address, and what those pages need to be shown from anywhere on the start site
// (the same scheme, host and port).
class SiteScope {
public:
    enum class Verdict {
        Inside,
        NotWeb,         // javascript:, mailto:, data:, tel:, ftp: ...
        OtherSite,      // another scheme, host or port
        OutsideFolder,  // a page above or beside the start folder
    };

    explicit SiteScope(const QUrl& start);

    Verdict ofPage(const QUrl& address) const;
    Verdict ofRequisite(const QUrl& address) const;
    bool sameSite(const QUrl& address) const;

    // The folder (path ending with "/", percent-encoded) pages must lie in.
    const QString& folder() const { return m_folder; }
    const QUrl& start() const { return m_start; }

    // Why an address was left out, in the copy's report.
    static QString reason(Verdict verdict);

private:
    QUrl m_start;
    QString m_folder;
};
