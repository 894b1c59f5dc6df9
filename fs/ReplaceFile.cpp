#include "fs/ReplaceFile.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "fs/TimeSpent.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>

namespace {

[[noreturn]] void raiseFileError(const QFileInfo& info, QFileDevice::FileError error) {
    if (error == QFileDevice::ResourceError)
        ErrorCodes::raise(ErrorCodes::DiscoPieno);
    if (error == QFileDevice::PermissionsError || !QFileInfo(info.absolutePath()).isWritable())
        ErrorCodes::raise(ErrorCodes::PermessoNegato);
    ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
}

// The folder the file goes in is missing, or is no folder: the failure reported first.
bool folderMissing(const QFileInfo& info) {
    return !QFileInfo(info.absolutePath()).isDir();
}

// Writes the bytes into the open file, gives it the time of its last change when one
// is given, and closes it. On a failure the file, made for this write, is removed and
// the failure raised.
void writeWhole(QFile& file, const QByteArray& bytes, const QFileInfo& info, const QDateTime& modified) {
    const auto abandon = [&file, &info](QFileDevice::FileError error) {
        file.close();
        file.remove();
        raiseFileError(info, error);
    };
    // A small write waits in the file's buffer: its failure (a full disk) shows only
    // when the buffer goes to the disk, so the flush is checked as well.
    if (file.write(bytes) != bytes.size() || !file.flush())
        abandon(file.error() == QFileDevice::NoError ? QFileDevice::WriteError : file.error());
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    file.close();
    if (file.error() != QFileDevice::NoError)
        abandon(file.error());
}

} // namespace

void replaceFile(const QString& programPath, const QByteArray& bytes, const QDateTime& modified) {
    const TimeSpent::Measure spent(TimeSpent::Activity::FileWrite);
    const QString path = nativePath(programPath);
    // A NUL ends the name where the system takes it: the file made would be another.
    if (path.isEmpty() || path.contains(QChar(0)))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    // The folder is looked at only when something fails: a missing folder is the
    // failure to report then, before any other.
    const QFileInfo info(path);
    if (info.fileName().isEmpty() || info.isDir())
        ErrorCodes::raise(folderMissing(info) ? ErrorCodes::PercorsoNonTrovato : ErrorCodes::ErroreAccessoFile);
    // The rename would not be stopped by a read-only file: refuse it here, as writing
    // into it would be refused.
    if (info.exists() && !info.isWritable())
        ErrorCodes::raise(ErrorCodes::PermessoNegato);

    // Where there is no file yet (the usual case in a copy), the bytes go straight under
    // its name: the file is made by this open or not at all, and a failure removes it
    // again, so nothing is replaced and nothing is left behind either way. A file that
    // appeared meanwhile is replaced as below.
    QFile file;
    if (!info.exists()) {
        file.setFileName(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            writeWhole(file, bytes, info, modified);
            return;
        }
    }

    // A new file beside the old one, renamed over it once complete. It is not forced
    // to the disk first: a copy writes hundreds of files, and waiting for each one
    // to reach the platters would take most of its time.
    for (int attempt = 0; attempt < 8 && !file.isOpen(); ++attempt) {
        file.setFileName(path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                  QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.error() != QFileDevice::OpenError)
            break;
    }
    if (!file.isOpen()) {
        if (folderMissing(info))
            ErrorCodes::raise(ErrorCodes::PercorsoNonTrovato);
        raiseFileError(info, file.error());
    }
    writeWhole(file, bytes, info, modified);
    if (info.exists())
        file.setPermissions(info.permissions());
    std::error_code renamed;
    std::filesystem::rename(file.fileName().toStdU16String(), path.toStdU16String(), renamed);
    if (renamed) {
        file.remove();
        raiseFileError(info, renamed == std::errc::permission_denied ? QFileDevice::PermissionsError
                                                                    : QFileDevice::RenameError);
    }
}
