#include "display/Twips.h"
#include <gtest/gtest.h>

TEST(Twips, PixelsRoundToTheNearestAtTheLogicalDpiAndTheStoredGeometryReadsBackExactly) {
    const struct { double twips, dpi; int pixels; } cases[] = {
        {7, 96, 0}, {8, 96, 1}, {22.5, 96, 2}, {11880, 96, 792}, {4125, 120, 344}, {-15, 96, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Twips::toPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
    EXPECT_EQ(Twips::fromPixels(792, 96), 11880.0);

    QWidget parent;
    auto* w = new QWidget(&parent);
    const double dpiX = w->logicalDpiX(), dpiY = w->logicalDpiY();
    Twips::setGeometry(w, 60, 855, 9255, 4127); // 4127 is no whole number of pixels
    Twips::setHeight(w, Twips::height(w) - 7);
    Twips::setTop(w, Twips::top(w) + 1);
    EXPECT_EQ((QList{Twips::left(w), Twips::top(w), Twips::width(w), Twips::height(w)}), (QList<double>{60, 856, 9255, 4120}));
    EXPECT_EQ(w->geometry(), QRect(Twips::toPixels(60, dpiX), Twips::toPixels(856, dpiY),
                                   Twips::toPixels(9255, dpiX), Twips::toPixels(4120, dpiY)));
}
