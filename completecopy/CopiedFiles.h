#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/FetchedFile.h"

#include <QSet>
#include <QString>
#include <functional>
#include <optional>

class CopyState;
class DestinationTree;

// The files of a complete copy: each fetched file put in place at its local file below
// the destination (its body was written beside it as it arrived), or, for a page or
// stylesheet made readable offline, its converted bytes written there; each recorded
// in the copy's state. Over an earlier copy, a file whose bytes the server sent the
// same as before (or said not modified) is left as it is; a page read offline is then
// written again only where its conversion changed.
class CopiedFiles {
public:
    // maxFiles: the most files the copy may hold.
    CopiedFiles(const DestinationTree& destination, CopyState& state, bool update, int maxFiles,
                CompleteCopyCounts& counts);

    // The copy holds as many files as it may: nothing more is saved.
    bool full() const { return m_counts.files + m_counts.unchanged >= m_maxFiles; }

    enum class Status { New, Changed, Unchanged };
    struct Saved {
        QString file;  // program form
        Status status;
        bool written;  // false: the file stands already (unchanged, or another address's)
    };

    // The bytes to keep in a local file instead of those served (a page or stylesheet
    // made readable offline); nullopt: the bytes as served.
    using Conversion = std::function<std::optional<QByteArray>(const QString& local)>;

    // Saves the file as the address's, in the local file given; nullopt when the copy
    // is full. lastName: the file's bytes may be moved there (no other name follows).
    // Raises RunError.
    std::optional<Saved> save(const QUrl& address, const QString& local, const FetchedFile& file,
                              const Conversion& convert, bool lastName);

    // Saves the file under the address that was asked for and, after a redirect to an
    // address not taken yet (finalIsNew), under the address it came from as well;
    // ownLine is told of that file first when it needs a line of its own (nullopt:
    // the copy was full). localOf gives the local file of an address. Gives the file
    // that stands for the address asked for, nullopt when the copy is full. Raises
    // RunError.
    std::optional<Saved> saveUnderNames(const QUrl& asked, const FetchedFile& file, bool finalIsNew,
                                        const std::function<QString(const QUrl&)>& localOf, const Conversion& convert,
                                        const std::function<void(const std::optional<Saved>&)>& ownLine);

    // Gives up the bytes of a fetched file that is not kept.
    static void discard(const FetchedFile& file);

private:
    // Whether the bytes served are those of the file kept under the entry.
    bool sameAsKept(const QString& keptPath, const QByteArray& keptHash, const FetchedFile& file) const;

    const DestinationTree& m_destination;
    CopyState& m_state;
    bool m_update;
    int m_maxFiles;
    CompleteCopyCounts& m_counts;
    QSet<QString> m_foldersMade;
};
