#pragma once
#include "completecopy/ContentKind.h"
#include "completecopy/CopiedFiles.h"
#include "completecopy/FetchedFile.h"
#include "completecopy/offline/OfflineConversion.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <limits>
#include <optional>

class CopyState;
class DestinationTree;

// The pages and stylesheets of a complete copy made readable from the disk: each
// reference to a file the copy holds becomes the relative link to that file, each
// other web reference its address in full. A page is converted when it is saved,
// with what the copy holds by then; a page that named files the copy took later is
// converted again once it holds them, and written again only where that changes it.
class OfflinePages {
public:
    OfflinePages(const DestinationTree& destination, const CopyState& state, bool update);

    // The references of a page's or stylesheet's bytes, when they are here: served,
    // or (for a file found not modified) as the copy keeps them on the disk.
    std::optional<ReadFile> read(const FetchedFile& file, ContentKind kind) const;

    // The conversion of the file's bytes for each local file it is saved in, taken at
    // the level given; the addresses being saved (names: address key -> local file)
    // count as held.
    CopiedFiles::Conversion conversion(const FetchedFile& file, const ReadFile& read,
                                       const QHash<QString, QString>& names, int level);

    // Converts again the pages, taken down to the level given, that named files the
    // copy took after them (as the crawl reaches each level, the pages two levels up,
    // whose references are all settled by then, so that a copy broken off reads
    // offline down to the levels it finished and each page is written again once;
    // at its end, all of them). Gives how many were written again.
    int mend(int downToLevel = std::numeric_limits<int>::max());

private:
    std::optional<QString> localFileOf(const QString& key, const QHash<QString, QString>& names) const;
    std::optional<QUrl> addressOf(const QString& local) const;

    struct Pending {
        QUrl address;
        QByteArray charset;
        ContentKind kind;
        int level;
        std::vector<PendingValue> values;  // written in full: the copy held no file for them then
        QByteArray bytes;  // as the copy wrote them; empty: read from the disk
    };
    // Keeps the bytes of a page it may convert again, while they fit in the memory
    // given to them.
    void keepBytes(Pending& pending, const QByteArray& bytes);
    void forget(QHash<QString, Pending>::iterator& it);

    const DestinationTree& m_destination;
    const CopyState& m_state;
    bool m_update;
    QHash<QString, Pending> m_pending;  // by local file
    qint64 m_bytesKept = 0;
};
