#include "completecopy/CopyOutcomes.h"
#include "completecopy/CopyReport.h"
#include "fs/NativePath.h"

QString shownAddress(const QUrl& address) {
    return address.toString(QUrl::FullyEncoded);
}

CopyOutcomes::CopyOutcomes(CopyReport& report, const CopyObserver& observer, CompleteCopyCounts& counts,
                           const QString& root)
    : m_report(report), m_observer(observer), m_counts(counts), m_root(root) {}

void CopyOutcomes::saved(const CrawlItem& item, const CopiedFiles::Saved& saved) {
    QString outcome = nativePath(saved.file.mid(m_root.size()));
    if (item.fromPane)
        outcome += QStringLiteral(" (dal browser)");
    const CopyReport::State state = saved.status == CopiedFiles::Status::New       ? CopyReport::State::New
                                    : saved.status == CopiedFiles::Status::Changed ? CopyReport::State::Changed
                                                                                   : CopyReport::State::Unchanged;
    m_report.file(item.level, state, shownAddress(item.address), outcome, item.referrer);
    tell(saved.written ? CopyEvent::Kind::Written : CopyEvent::Kind::Unchanged, item, saved.file, QString());
}

void CopyOutcomes::failed(const CrawlItem& item, int number, const QString& description) {
    ++m_counts.failures;
    const QString failure = QString::number(number) + QStringLiteral(" - ") + description;
    m_report.file(item.level, CopyReport::State::Failed, shownAddress(item.address), QStringLiteral("errore ") + failure,
                  item.referrer);
    tell(CopyEvent::Kind::Failed, item, QString(), failure);
}

void CopyOutcomes::leftOut(const CrawlItem& item, const QString& reason) {
    m_report.leftOut(item.level, shownAddress(item.address), reason, item.referrer);
    ++m_counts.leftOut;
}

void CopyOutcomes::pageRead(const CrawlItem& item, const QString& file) {
    ++m_counts.pages;
    tell(CopyEvent::Kind::PageRead, item, file, QString());
}

void CopyOutcomes::tell(CopyEvent::Kind kind, const CrawlItem& item, const QString& file, const QString& failure) const {
    if (m_observer)
        m_observer(CopyEvent{kind, item.level, shownAddress(item.address), file, failure});
}
