#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/FetchedFile.h"

#include <QSet>
#include <QString>
#include <functional>
#include <optional>

class CopyState;
class DestinationTree;

// The files of a complete copy: each fetched file saved at its address's local path
// below the destination, and recorded in the copy's state. Over an earlier copy, a
// file the same as the one kept is left as it is.
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

    // Saves the file as the address's; nullopt when the copy is full. Raises RunError.
    std::optional<Saved> save(const QUrl& address, const FetchedFile& file);

    // Saves the file under the address that was asked for and, after a redirect to an
    // address not taken yet (finalIsNew), under the address it came from as well;
    // ownLine is told of that file first when it needs a line of its own (nullopt:
    // the copy was full). Gives the file that stands for the address asked for,
    // nullopt when the copy is full. Raises RunError.
    std::optional<Saved> saveUnderNames(const QUrl& asked, const FetchedFile& file, bool finalIsNew,
                                        const std::function<void(const std::optional<Saved>&)>& ownLine);

private:
    const DestinationTree& m_destination;
    CopyState& m_state;
    bool m_update;
    int m_maxFiles;
    CompleteCopyCounts& m_counts;
    QSet<QString> m_foldersMade;
};
