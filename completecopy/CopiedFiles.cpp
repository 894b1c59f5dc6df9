#include "completecopy/CopiedFiles.h"
#include "completecopy/CopyState.h"
#include "completecopy/address/HttpDate.h"
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "copier/DestinationTree.h"

namespace {

// True when one local file would stand where the other needs a folder ("docs" and
// "docs\index.html").
bool clash(const QString& a, const QString& b) {
    return a.startsWith(b + u'\\') || b.startsWith(a + u'\\');
}

} // namespace

CopiedFiles::CopiedFiles(const DestinationTree& destination, CopyState& state, bool update, int maxFiles,
                         CompleteCopyCounts& counts)
    : m_destination(destination), m_state(state), m_update(update), m_maxFiles(maxFiles), m_counts(counts) {}

std::optional<CopiedFiles::Saved> CopiedFiles::save(const QUrl& address, const FetchedFile& file) {
    if (full())
        return std::nullopt;
    const QString key = addressKey(address);
    const QString local = localPathFor(address);
    const QString path = m_destination.root() + local;
    const CopyState::Entry entry{local, file.lastModified, file.etag, file.contentType};
    // Over an earlier copy, a file the same as the one kept is left as it is: the
    // server said so, or its bytes are the same.
    const bool notModified = file.notModified && file.finalAddress == address;
    if (notModified || (m_update && m_state.previous(key) && m_destination.modified(path).isValid())) {
        const bool same = notModified || m_destination.readBytes(path) == std::optional<QByteArray>(file.body);
        if (same) {
            ++m_counts.unchanged;
            m_state.record(key, entry);
            return Saved{path, Status::Unchanged, false};
        }
    }
    const Status status = m_update && m_state.previous(key) && m_destination.modified(path).isValid() ? Status::Changed
                                                                                                      : Status::New;
    const qsizetype slash = local.lastIndexOf(u'\\');
    if (slash >= 0) {
        const QString folder = m_destination.root() + local.left(slash + 1);
        if (!m_foldersMade.contains(folder) && m_destination.createFolder(folder))
            m_foldersMade.insert(folder);
    }
    // The server's date of the file becomes its own, for the next copy's question.
    m_destination.saveBytes(path, file.body, parseHttpDate(file.lastModified));
    ++m_counts.files;
    ++(status == Status::New ? m_counts.newFiles : m_counts.changed);
    m_counts.bytes += file.body.size();
    m_state.record(key, entry);
    return Saved{path, status, true};
}

std::optional<CopiedFiles::Saved> CopiedFiles::saveUnderNames(
    const QUrl& asked, const FetchedFile& file, bool finalIsNew,
    const std::function<void(const std::optional<Saved>&)>& ownLine) {
    const bool redirected = addressKey(file.finalAddress) != addressKey(asked);
    const bool oneName = redirected && clash(localPathFor(asked), localPathFor(file.finalAddress));
    // A redirect within the site: the file is also kept where its own address puts
    // it (with a line of its own), so that links to either address find it; where
    // the two would need one name as both a file and a folder ("docs" and "docs/"),
    // only there.
    if (redirected && finalIsNew) {
        const std::optional<Saved> underFinal = save(file.finalAddress, file);
        if (oneName)
            return underFinal;
        ownLine(underFinal);
    }
    if (oneName)  // the file of the address it led to, which has its own line
        return Saved{m_destination.root() + localPathFor(file.finalAddress),
                     m_update ? Status::Unchanged : Status::New, false};
    FetchedFile underAsked = file;
    if (redirected)
        underAsked.notModified = false;  // kept under its own name: compared with what is there
    return save(asked, underAsked);
}
