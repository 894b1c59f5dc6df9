#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/FetchedFile.h"

#include <QSet>
#include <QString>
#include <functional>

class CopyState;
class DestinationTree;

// The files of a complete copy: each fetched file saved at its address's local path
// below the destination, and recorded in the copy's state. Over an earlier copy, a
// file the same as the one kept is left as it is.
class CopiedFiles {
public:
    CopiedFiles(const DestinationTree& destination, CopyState& state, bool update, CompleteCopyCounts& counts);

    enum class Status { New, Changed, Unchanged };
    struct Saved {
        QString file;  // program form
        Status status;
        bool written;  // false: the file stands already (unchanged, or another address's)
    };

    // Saves the file as the address's. Raises RunError.
    Saved save(const QUrl& address, const FetchedFile& file);

    // Saves the file under the address that was asked for and, after a redirect to an
    // address not taken yet (finalIsNew), under the address it came from as well;
    // ownLine is told of that file first when it needs a line of its own. Gives the
    // file that stands for the address asked for. Raises RunError.
    Saved saveUnderNames(const QUrl& asked, const FetchedFile& file, bool finalIsNew,
                         const std::function<void(const Saved&)>& ownLine);

private:
    const DestinationTree& m_destination;
    CopyState& m_state;
    bool m_update;
    CompleteCopyCounts& m_counts;
    QSet<QString> m_foldersMade;
};
