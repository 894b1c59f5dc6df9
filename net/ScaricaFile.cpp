#include "net/ScaricaFile.h"

#include "fs/DoEvents.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "fs/RunError.h"
#include "net/ImpostaInternet.h"
#include "net/Inet.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

[[noreturn]] void fail(int number) {
    throw RunError(number, ErrorCodes::descrizione(number));
}

int numberForFileError(QFileDevice::FileError error) {
    switch (error) {
    case QFileDevice::PermissionsError: return ErrorCodes::PermessoNegato;
    case QFileDevice::ResourceError: return ErrorCodes::DiscoPieno;
    default: return ErrorCodes::ErroreAccessoFile;
    }
}

// Replaces the file with exactly these bytes. They are written to a temporary file
// beside it, which is renamed over the old one only once complete: a longer old file
// leaves nothing behind, and a failure leaves the old file as it was.
void replaceFile(const QString& programPath, const QByteArray& bytes) {
    const QString path = nativePath(programPath);
    if (path.isEmpty())
        fail(ErrorCodes::ErroreAccessoFile);
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        fail(ErrorCodes::PercorsoNonTrovato);
    if (info.isDir())
        fail(ErrorCodes::ErroreAccessoFile);
    if (info.exists() && !info.isWritable())
        fail(ErrorCodes::PermessoNegato);

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        fail(numberForFileError(file.error()));
    if (file.write(bytes) != bytes.size()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        fail(numberForFileError(error));
    }
    if (!file.commit())
        fail(numberForFileError(file.error()));
}

} // namespace

void Scarica_File_2(Inet& inet, const InternetSettings& boxes, const QString& htmPage, const QString& Nome_File) {
    IMPOSTA_INTERNET(inet, boxes);
    const QByteArray bytes = inet.OpenURL(htmPage, 1);
    DoEvents();
    replaceFile(Nome_File, bytes);
}
