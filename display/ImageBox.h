#pragma once
#include <QLabel>
#include <QPixmap>

// The image preview box: shows its picture stretched to its own size.
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);
    void setPicture(const QPixmap& picture);
    QPixmap Picture() const;

private:
    QPixmap m_picture;
};

// Loads a picture from a file (program path). A missing file, or a file that is no
// picture, raises RunError.
QPixmap LoadPicture(const QString& path);
