#include "display/Twips.h"
#include <QRect>
#include <QVariant>
#include <cmath>

namespace Twips {
namespace {

// The twips geometry last given to a control, with the pixel rectangle it produced.
// A side whose pixel value has changed since (the control was moved by other means)
// is read back from the pixels instead.
const char* const kTwips = "mirasito_twipsGeometry";
const char* const kPixels = "mirasito_twipsPixels";

struct Stored {
    double left, top, width, height;
    QRect pixels;
};

bool stored(const QWidget* w, Stored& out) {
    const QVariant t = w->property(kTwips);
    const QVariant p = w->property(kPixels);
    if (!t.isValid() || !p.isValid())
        return false;
    const QRectF r = t.toRectF();
    out = {r.x(), r.y(), r.width(), r.height(), p.toRect()};
    return true;
}

void apply(QWidget* w, double left, double top, double width, double height) {
    const double dx = w->logicalDpiX();
    const double dy = w->logicalDpiY();
    const QRect px(toPixels(left, dx), toPixels(top, dy), toPixels(width, dx), toPixels(height, dy));
    w->setProperty(kTwips, QRectF(left, top, width, height));
    w->setProperty(kPixels, px);
    w->setGeometry(px);
}

} // namespace

int toPixels(double twips, double logicalDpi) {
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

double fromPixels(int pixels, double logicalDpi) {
    return pixels * 1440.0 / logicalDpi;
}

void setGeometry(QWidget* w, double left, double top, double width, double height) {
    apply(w, left, top, width, height);
}

void setTop(QWidget* w, double top) {
    apply(w, left(w), top, width(w), height(w));
}

void setHeight(QWidget* w, double height) {
    apply(w, left(w), top(w), width(w), height);
}

// One side: the twips last set while its pixels are still as placed, else the
// pixels converted.
static double side(const QWidget* w, double Stored::*twips, int (QRect::*placed)() const, int now, double dpi) {
    Stored s;
    if (stored(w, s) && (s.pixels.*placed)() == now)
        return s.*twips;
    return fromPixels(now, dpi);
}

double left(const QWidget* w) {
    return side(w, &Stored::left, &QRect::x, w->x(), w->logicalDpiX());
}

double top(const QWidget* w) {
    return side(w, &Stored::top, &QRect::y, w->y(), w->logicalDpiY());
}

double width(const QWidget* w) {
    return side(w, &Stored::width, &QRect::width, w->width(), w->logicalDpiX());
}

double height(const QWidget* w) {
    return side(w, &Stored::height, &QRect::height, w->height(), w->logicalDpiY());
}

double outerHeight(const QWidget* window) {
    // The client height as last set in twips (when still in force), plus the title
    // bar and borders that the window system adds around it.
    const int frame = window->frameGeometry().height() - window->height();
    return height(window) + fromPixels(frame, window->logicalDpiY());
}

} // namespace Twips
