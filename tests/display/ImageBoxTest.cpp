#include "display/ImageBox.h"
#include "fs/ErrorCodes.h"
#include "fs/RunError.h"
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeImage(const QTemporaryDir& dir, const QString& name, const char* format, QColor color, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, format));
    return path;
}

int loadFailure(const QString& path) {
    try {
        LoadPicture(path);
    } catch (const RunError& e) {
        EXPECT_EQ(e.Description, ErrorCodes::descrizione(e.Number));
        return e.Number;
    }
    return 0;
}

TEST(ImageBox, LoadsPicturesByTheirContent) {
    QTemporaryDir dir;
    const QString png = writeImage(dir, "rosso.png", "PNG", Qt::red, {4, 3});
    const QPixmap picture = LoadPicture(png);
    EXPECT_EQ(picture.size(), QSize(4, 3));
    EXPECT_EQ(picture.toImage().pixelColor(2, 1), QColor(Qt::red));

    // A one-pixel red GIF as a site serves it, stored under a ".JPG" name and given
    // in program form ("\" between folders).
    const QString gif = dir.filePath("rosso.JPG");
    {
        QFile f(gif);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b"));
    }
    const QPixmap fromGif = LoadPicture(QString(gif).replace('/', '\\'));
    EXPECT_EQ(fromGif.size(), QSize(1, 1));
    EXPECT_EQ(fromGif.toImage().pixelColor(0, 0), QColor(Qt::red));

    // A JPEG stored under a ".GIF" name.
    const QString jpg = writeImage(dir, "verde.GIF", "JPEG", Qt::green, {5, 2});
    EXPECT_EQ(LoadPicture(jpg).size(), QSize(5, 2));
}

TEST(ImageBox, FailuresCarryTheirNumbersAndTheBoxKeepsItsPicture) {
    QTemporaryDir dir;
    ImageBox box;
    box.setPicture(LoadPicture(writeImage(dir, "blu.png", "PNG", Qt::blue, {3, 3})));
    const qint64 before = box.Picture().cacheKey();

    const QString text = dir.filePath("pagina.gif");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html>non sono una immagine</html>");
    }
    const QString empty = dir.filePath("vuota.jpg");
    QFile(empty).open(QIODevice::WriteOnly);

    struct Case {
        QString path;
        int number;
    };
    const Case cases[] = {
        {text, ErrorCodes::ImmagineNonValida},
        {empty, ErrorCodes::ImmagineNonValida},
        {dir.filePath("manca.gif"), ErrorCodes::FileNonTrovato},
        {dir.filePath("manca/a.gif"), ErrorCodes::FileNonTrovato},
        {QString(), ErrorCodes::FileNonTrovato},
        {dir.path(), ErrorCodes::ErroreAccessoFile},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadFailure(c.path), c.number) << c.path.toStdString();
        // As the open-page command does: the picture is set only when loaded.
        try {
            box.setPicture(LoadPicture(c.path));
        } catch (const RunError&) {
        }
        EXPECT_EQ(box.Picture().cacheKey(), before);
    }
}

TEST(ImageBox, ShowsThePictureStretchedToItsSize) {
    QTemporaryDir dir;
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(1, 0, Qt::green);
    image.setPixelColor(0, 1, Qt::blue);
    image.setPixelColor(1, 1, Qt::yellow);
    const QString path = dir.filePath("quattro.png");
    ASSERT_TRUE(image.save(path, "PNG"));

    ImageBox box;
    box.resize(40, 30);
    box.setPicture(LoadPicture(path));
    box.show();
    const QImage shown = box.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(40, 30) * shown.devicePixelRatio());
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(shown.width() - 3, 2), QColor(Qt::green));
    EXPECT_EQ(shown.pixelColor(2, shown.height() - 3), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(shown.width() - 3, shown.height() - 3), QColor(Qt::yellow));
}

} // namespace
