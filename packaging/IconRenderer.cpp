// Build-time tool: writes the window icon into an icon theme folder, as
//   OUT/hicolor/NxN/apps/mirasito.png   for N = 16, 32, 48, 128, 256
//   OUT/hicolor/scalable/apps/mirasito.svg
// Up to 48 pixels the window icon's own drawing routine draws each size (16 and 32 are the
// window's two images). Larger sizes are the 32 pixel image enlarged by a whole factor,
// each pixel a square block: drawn at 128 or 256 the outlines would be hairlines. Either
// way the 16 colours and the hard pixel edges stay. The SVG draws the 32 pixel image as
// one rectangle a run of pixels.
#include "app/AppIcon.h"
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace {

const int kSizes[] = {16, 32, 48, 128, 256};

QImage themeImage(int size) {
    if (size <= 48)
        return appIconImage(size);
    return appIconImage(32).convertToFormat(QImage::Format_ARGB32).scaled(size, size, Qt::IgnoreAspectRatio,
                                                                         Qt::FastTransformation);
}

QString svg(const QImage& img) {
    QString out;
    QTextStream s(&out);
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << img.width() << "\" height=\"" << img.height()
      << "\" viewBox=\"0 0 " << img.width() << ' ' << img.height() << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width();) {
            const QRgb c = img.pixel(x, y);
            int end = x + 1;
            while (end < img.width() && img.pixel(end, y) == c)
                ++end;
            if (qAlpha(c) != 0)
                s << "  <rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << end - x
                  << "\" height=\"1\" fill=\"" << QColor(c).name() << "\"/>\n";
            x = end;
        }
    }
    s << "</svg>\n";
    return out;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + "/hicolor/";
    for (int size : kSizes) {
        const QString path = out + QString("%1x%1/apps/mirasito.png").arg(size);
        if (!QDir().mkpath(QFileInfo(path).path()) || !themeImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString path = out + "scalable/apps/mirasito.svg";
    if (!write(path, svg(appIconImage(32).convertToFormat(QImage::Format_ARGB32)).toUtf8())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
