#pragma once
#include <QWidget>

// Window lengths are twips (1/1440 inch): 15 twips make one pixel at 96 dpi, and
// the pixel size follows the screen's logical dpi. A control's twips geometry is
// kept on the control itself, so that moving it by twips arithmetic loses nothing
// to pixel rounding.
namespace Twips {

int toPixels(double twips, double logicalDpi);
double fromPixels(int pixels, double logicalDpi);

// Places the control at the given twips geometry (relative to its parent's client area).
void setGeometry(QWidget* w, double left, double top, double width, double height);
void setTop(QWidget* w, double top);
void setHeight(QWidget* w, double height);

double left(const QWidget* w);
double top(const QWidget* w);
double width(const QWidget* w);
double height(const QWidget* w);

// The window's outer height (title bar and borders included), in twips.
double outerHeight(const QWidget* window);

} // namespace Twips
