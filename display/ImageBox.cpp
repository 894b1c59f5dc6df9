#include "display/ImageBox.h"
#include "fs/ErrorCodes.h"
#include "fs/NativePath.h"
#include "fs/RunError.h"
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

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
        ErrorCodes::raise(ErrorCodes::FileNonTrovato);
    if (info.isDir())
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly))
        ErrorCodes::raise(ErrorCodes::PermessoNegato);
    // The content decides the format: a GIF saved under a ".JPG" name still loads.
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        ErrorCodes::raise(ErrorCodes::ImmagineNonValida);
    return QPixmap::fromImage(image);
}
