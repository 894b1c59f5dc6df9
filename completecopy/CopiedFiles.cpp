#include "completecopy/CopiedFiles.h"
#include "completecopy/CopyState.h"
#include "completecopy/Sha256.h"
#include "completecopy/TransferScheduler.h"
#include "completecopy/address/HttpDate.h"
#include "completecopy/address/SiteAddress.h"
#include "copier/DestinationTree.h"
#include "copier/InsideDestination.h"
#include "fs/ErrorCodes.h"
#include "fs/TemporaryFiles.h"

#include <QFile>

namespace {

// True when one local file would stand where the other needs a folder ("docs" and
// "docs\index.html").
bool clash(const QString& a, const QString& b) {
    return a.startsWith(b + u'\\') || b.startsWith(a + u'\\');
}

// Copies a file's bytes to another file of the destination (the second name of a
// redirect's file), through a file beside it renamed once whole. (The file's own
// temporary file may be the one its body came in: the copy has a name of its own.)
void copyBytes(const QString& fromDisk, const QString& toDisk, const QDateTime& modified) {
    const QString part = toDisk + QStringLiteral(".mirasito-copia");
    QFile::remove(part);
    TemporaryFiles::add(part);
    if (!QFile::copy(fromDisk, part)) {
        TemporaryFiles::forget(part);
        QFile::remove(part);
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    }
    TransferScheduler::putInPlace(part, toDisk, modified);
}

} // namespace

CopiedFiles::CopiedFiles(const DestinationTree& destination, CopyState& state, bool update, int maxFiles,
                         CompleteCopyCounts& counts)
    : m_destination(destination), m_state(state), m_update(update), m_maxFiles(maxFiles), m_counts(counts) {}

void CopiedFiles::discard(const FetchedFile& file) {
    if (!file.notModified && !file.bytesFile.isEmpty())
        TransferScheduler::discard(file.bytesFile);
}

bool CopiedFiles::sameAsKept(const QString& keptPath, const QByteArray& keptHash, const FetchedFile& file) const {
    if (file.sha256.isEmpty())
        return false;
    // A state of an earlier version knows no hash: its files are as served.
    return (keptHash.isEmpty() ? Sha256::ofFile(resolvedPath(keptPath)).toHex() : keptHash) == file.sha256;
}

std::optional<CopiedFiles::Saved> CopiedFiles::save(const QUrl& address, const QString& local,
                                                    const FetchedFile& file, const Conversion& convert,
                                                    bool lastName) {
    if (full())
        return std::nullopt;
    const QString key = addressKey(address);
    const QString path = m_destination.root() + local;
    if (!insideDestination(m_destination.root(), path))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    const CopyState::Entry* before = m_update ? m_state.previous(key) : nullptr;
    const bool kept = before && before->local == local && m_destination.modified(path).isValid();
    const std::optional<QByteArray> converted = convert ? convert(local) : std::nullopt;
    CopyState::Entry entry{local, file.lastModified, file.etag, file.contentType, file.sha256, converted.has_value()};
    // Over an earlier copy, a file the same as the one kept is left as it is: the
    // server said so, or the bytes it sent are the same.
    const bool notModified = file.notModified && file.finalAddress == address;
    if (notModified || (kept && sameAsKept(path, before->sha256, file))) {
        if (notModified && entry.sha256.isEmpty() && before)
            entry.sha256 = before->sha256;
        bool written = false;
        if (converted) {
            // Only where its conversion changed: the time of its last change stays.
            const std::optional<QByteArray> onDisk = m_destination.readBytes(path);
            if (onDisk != converted) {
                m_destination.saveBytes(path, *converted, m_destination.modified(path));
                written = true;
            }
        }
        if (lastName)
            discard(file);
        ++m_counts.unchanged;
        m_state.record(key, entry);
        return Saved{path, Status::Unchanged, written};
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
    const QDateTime modified = parseHttpDate(file.lastModified);
    if (converted) {
        m_destination.saveBytes(path, *converted, modified);
        if (lastName)
            discard(file);
    } else if (file.bytesFile.isEmpty()) {  // a small page that came to memory alone
        m_destination.saveBytes(path, file.body, modified);
    } else if (lastName && !file.notModified) {
        TransferScheduler::putInPlace(file.bytesFile, resolvedPath(path), modified);
    } else {
        copyBytes(file.bytesFile, resolvedPath(path), modified);
    }
    ++m_counts.files;
    ++(status == Status::New ? m_counts.newFiles : m_counts.changed);
    m_counts.bytes += converted ? converted->size() : file.size;
    m_state.record(key, entry);
    return Saved{path, status, true};
}

std::optional<CopiedFiles::Saved> CopiedFiles::saveUnderNames(
    const QUrl& asked, const FetchedFile& file, bool finalIsNew, const std::function<QString(const QUrl&)>& localOf,
    const Conversion& convert, const std::function<void(const std::optional<Saved>&)>& ownLine) {
    const bool redirected = addressKey(file.finalAddress) != addressKey(asked);
    const QString askedLocal = localOf(asked);
    const QString finalLocal = localOf(file.finalAddress);
    const bool oneName = redirected && (clash(askedLocal, finalLocal) || askedLocal == finalLocal);
    // A redirect within the site: the file is also kept where its own address puts
    // it (with a line of its own), so that links to either address find it; where
    // the two would need one name as both a file and a folder ("docs" and "docs/"),
    // only there.
    if (redirected && finalIsNew) {
        const std::optional<Saved> underFinal = save(file.finalAddress, finalLocal, file, convert, oneName);
        if (oneName)
            return underFinal;
        ownLine(underFinal);
    }
    if (oneName) {  // the file of the address it led to, which has its own line
        discard(file);
        return Saved{m_destination.root() + finalLocal, m_update ? Status::Unchanged : Status::New, false};
    }
    // Under its own name a redirect's file is compared with what is there.
    return save(asked, askedLocal, file, convert, true);
}
