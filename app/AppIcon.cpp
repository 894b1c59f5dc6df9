#include "app/AppIcon.h"
#include <QPixmap>
#include <cmath>

namespace {

// The 16-colour palette the images are drawn with.
enum Colour {
    Black, DarkRed, DarkGreen, DarkYellow, DarkBlue, DarkMagenta, DarkCyan, LightGray,
    Gray, Red, Green, Yellow, Blue, Magenta, Cyan, White
};

QList<QRgb> vgaPalette() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// Land on the globe: a few blobs, in coordinates relative to the globe (-1..1).
bool isLand(double u, double v) {
    auto blob = [&](double cu, double cv, double ru, double rv) {
        const double du = (u - cu) / ru, dv = (v - cv) / rv;
        return du * du + dv * dv <= 1.0;
    };
    return blob(-0.35, -0.35, 0.35, 0.25) || blob(-0.15, 0.25, 0.22, 0.4) ||
           blob(0.45, -0.2, 0.25, 0.35) || blob(0.4, 0.5, 0.2, 0.15);
}

} // namespace

QImage appIconImage(int size) {
    // Drawn pixel by pixel on an indexed image, so that no colour outside the 16 appears;
    // one extra table entry, index 16, is the transparent background (the icon's mask).
    QImage img(size, size, QImage::Format_Indexed8);
    QList<QRgb> table = vgaPalette();
    table.append(qRgba(0, 0, 0, 0)); // transparent background
    img.setColorTable(table);
    const uchar clear = 16;
    img.fill(clear);

    const double s = size / 32.0;                   // scale from the 32x32 design
    const double cx = 14.5 * s, cy = 14.5 * s;      // globe centre
    const double r = 12.5 * s;                      // globe radius
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = std::hypot(px - cx, py - cy);
            if (d > r + 0.5 * s)
                continue;
            uchar c;
            if (d > r - 0.9 * s) {
                c = DarkBlue; // rim
            } else {
                const double u = (px - cx) / r, v = (py - cy) / r;
                // Meridian and parallel of the grid.
                const bool grid = std::abs(u) < 0.06 * (32.0 / size) || std::abs(v) < 0.06 * (32.0 / size);
                const bool light = (u + v) < -0.6; // highlight towards the top left
                if (isLand(u, v))
                    c = grid ? DarkGreen : (light ? Green : DarkGreen);
                else
                    c = grid ? Cyan : (light ? Cyan : Blue);
                if (grid && !isLand(u, v))
                    c = DarkCyan;
            }
            img.setPixel(x, y, c);
        }
    }

    // The download arrow in the bottom right corner: yellow with a black outline.
    auto inArrow = [&](double px, double py, double grow) {
        const double ax = 24.0 * s, shaftTop = 15.0 * s, headTop = 22.0 * s, tip = 30.5 * s;
        const double shaftHalf = 2.5 * s + grow, headHalf = 6.5 * s + grow;
        if (py >= shaftTop - grow && py <= headTop && std::abs(px - ax) <= shaftHalf)
            return true;
        if (py >= headTop && py <= tip + grow) {
            const double half = headHalf * (tip + grow - py) / (tip + grow - headTop);
            return std::abs(px - ax) <= half;
        }
        return false;
    };
    const double outline = size >= 32 ? 1.0 : 0.8;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            if (inArrow(px, py, 0.0))
                img.setPixel(x, y, Yellow);
            else if (inArrow(px, py, outline))
                img.setPixel(x, y, Black);
        }
    }
    return img;
}

QIcon appIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(appIconImage(32)));
    icon.addPixmap(QPixmap::fromImage(appIconImage(16)));
    return icon;
}
