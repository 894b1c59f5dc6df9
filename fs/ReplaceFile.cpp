#include "fs/ReplaceFile.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "fs/TimeSpent.h"

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
    const TimeSpent::Measure spent(TimeSpent::Activity::FileWrite);
    const QString path = nativePath(programPath);
    if (path.isEmpty())
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
    if (file.write(bytes) != bytes.size()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        raiseFileError(info, error);
    }
    if (!file.commit())
        raiseFileError(info, file.error());
}
