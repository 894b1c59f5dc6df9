#include "fs/ReplaceFile.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

[[noreturn]] void raiseFileError(const QFileInfo& info, QFileDevice::FileError error) {
    if (error == QFileDevice::ResourceError)
        ErrorCodes::raise(ErrorCodes::DiscoPieno);
    if (error == QFileDevice::PermissionsError || !QFileInfo(info.absolutePath()).isWritable())
        ErrorCodes::raise(ErrorCodes::PermessoNegato);
    ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
}

} // namespace

void replaceFile(const QString& programPath, const QByteArray& bytes) {
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

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        raiseFileError(info, file.error());
    // A small write waits in the file's buffer: its failure (a full disk) shows only
    // when the buffer goes to the disk, and commit() would not see it and replace
    // the file with what came before the failure.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        raiseFileError(info, error);
    }
    if (!file.commit())
        raiseFileError(info, file.error());
}
