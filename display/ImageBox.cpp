#include "display/ImageBox.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "fs/RunError.h"
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

[[noreturn]] void fail(int number) {
    throw RunError(number, ErrorCodes::descrizione(number));
}

} // namespace

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
}

void ImageBox::setPicture(const QPixmap& picture) {
    m_picture = picture;
    setPixmap(picture);
    if (picture.isNull())
        clear();
}

QPixmap ImageBox::Picture() const {
    return m_picture;
}

QPixmap LoadPicture(const QString& path) {
    const QString native = nativePath(path);
    const QFileInfo info(native);
    if (native.isEmpty() || !info.exists())
        fail(ErrorCodes::FileNonTrovato);
    if (info.isDir())
        fail(ErrorCodes::ErroreAccessoFile);
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly))
        fail(ErrorCodes::PermessoNegato);
    // The content decides the format: a GIF saved under a ".JPG" name still loads.
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        fail(ErrorCodes::ImmagineNonValida);
    return QPixmap::fromImage(image);
}
