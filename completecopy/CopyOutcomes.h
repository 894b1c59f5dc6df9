#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/CopiedFiles.h"
#include "completecopy/CrawlItem.h"
#include "copier/CopyEvent.h"

class CopyReport;

// What became of each address of a complete copy: its line in the report, the event
// told to whoever follows the copy, and the counts.
class CopyOutcomes {
public:
    CopyOutcomes(CopyReport& report, const CopyObserver& observer, CompleteCopyCounts& counts, const QString& root);

    void saved(const CrawlItem& item, const CopiedFiles::Saved& saved);
    void failed(const CrawlItem& item, int number, const QString& description);
    void leftOut(const CrawlItem& item, const QString& reason);
    void pageRead(const CrawlItem& item, const QString& file);

private:
    void tell(CopyEvent::Kind kind, const CrawlItem& item, const QString& file, const QString& failure) const;

    CopyReport& m_report;
    const CopyObserver& m_observer;
    CompleteCopyCounts& m_counts;
    QString m_root;
};

// The address as the report and the address box show it.
QString shownAddress(const QUrl& address);
