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

} // namespace

void replaceFile(const QString& programPath, const QByteArray& bytes, const QDateTime& modified) {
    const TimeSpent::Measure spent(TimeSpent::Activity::FileWrite);
    const QString path = nativePath(programPath);
    // A NUL ends the name where the system takes it: the file made would be another.
    if (path.isEmpty() || path.contains(QChar(0)))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        ErrorCodes::raise(ErrorCodes::PercorsoNonTrovato);
    if (info.fileName().isEmpty() || info.isDir())
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    // The rename would not be stopped by a read-only file: refuse it here, as writing
    // into it would be refused.
    if (info.exists() && !info.isWritable())
        ErrorCodes::raise(ErrorCodes::PermessoNegato);

    // A new file beside the old one, renamed over it once complete. It is not forced
    // to the disk first: a copy writes hundreds of files, and waiting for each one
    // to reach the platters would take most of its time.
    QFile file;
    for (int attempt = 0; attempt < 8 && !file.isOpen(); ++attempt) {
        file.setFileName(path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                  QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.error() != QFileDevice::OpenError)
            break;
    }
    if (!file.isOpen())
        raiseFileError(info, file.error());
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
    if (info.exists())
        file.setPermissions(info.permissions());
    std::error_code renamed;
    std::filesystem::rename(file.fileName().toStdU16String(), path.toStdU16String(), renamed);
    if (renamed)
        abandon(renamed == std::errc::permission_denied ? QFileDevice::PermissionsError : QFileDevice::RenameError);
}
