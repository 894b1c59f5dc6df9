#include "display/Twips.h"
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct PixelCase {
    double twips;
    double dpi;
    int pixels;
};

TEST(Twips, ToPixelsRoundsToTheNearestPixelAtTheLogicalDpi) {
    const PixelCase cases[] = {
        {0, 96, 0},       {15, 96, 1},      {7, 96, 0},        {8, 96, 1},
        {22.5, 96, 2},    {1440, 96, 96},   {11880, 96, 792},  {8190, 96, 546},
        {4125, 96, 275},  {195, 96, 13},    {1440, 144, 144},  {4125, 120, 344},
        {-15, 96, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Twips::toPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
    EXPECT_DOUBLE_EQ(Twips::fromPixels(1, 96), 15.0);
    EXPECT_DOUBLE_EQ(Twips::fromPixels(792, 96), 11880.0);
    EXPECT_DOUBLE_EQ(Twips::fromPixels(144, 144), 1440.0);
}

TEST(Twips, StoredGeometryReadsBackExactlyAndPlacesThePixels) {
    QWidget parent;
    parent.resize(800, 600);
    auto* w = new QWidget(&parent);
    const double dx = w->logicalDpiX(), dy = w->logicalDpiY();

    Twips::setGeometry(w, 60, 855, 9255, 4127); // 4127 is no whole number of pixels
    EXPECT_EQ(w->geometry(), QRect(Twips::toPixels(60, dx), Twips::toPixels(855, dy),
                                   Twips::toPixels(9255, dx), Twips::toPixels(4127, dy)));
    EXPECT_DOUBLE_EQ(Twips::left(w), 60);
    EXPECT_DOUBLE_EQ(Twips::top(w), 855);
    EXPECT_DOUBLE_EQ(Twips::width(w), 9255);
    EXPECT_DOUBLE_EQ(Twips::height(w), 4127);

    // Moving by twips arithmetic loses nothing, one setting after another.
    Twips::setHeight(w, Twips::height(w) - 7);
    Twips::setTop(w, Twips::top(w) + 1);
    EXPECT_DOUBLE_EQ(Twips::height(w), 4120);
    EXPECT_DOUBLE_EQ(Twips::top(w), 856);
    EXPECT_DOUBLE_EQ(Twips::left(w), 60);
    EXPECT_DOUBLE_EQ(Twips::width(w), 9255);
    EXPECT_EQ(w->y(), Twips::toPixels(856, dy));
    EXPECT_EQ(w->height(), Twips::toPixels(4120, dy));

    // A control moved by other means reads back from its pixels.
    w->move(w->x(), 100);
    EXPECT_DOUBLE_EQ(Twips::top(w), Twips::fromPixels(100, dy));
    EXPECT_DOUBLE_EQ(Twips::height(w), 4120);

    // A control never placed by twips reads from its pixels.
    auto* plain = new QWidget(&parent);
    plain->setGeometry(10, 20, 30, 40);
    EXPECT_DOUBLE_EQ(Twips::top(plain), Twips::fromPixels(20, dy));
    EXPECT_DOUBLE_EQ(Twips::width(plain), Twips::fromPixels(30, dx));
}

TEST(Twips, OuterHeightOfTheWindowIncludesItsFrame) {
    QWidget window;
    Twips::setGeometry(&window, 0, 0, 11880, 8195); // 8195 is no whole number of pixels
    window.show();
    const int frame = window.frameGeometry().height() - window.height();
    EXPECT_DOUBLE_EQ(Twips::outerHeight(&window),
                     8195 + Twips::fromPixels(frame, window.logicalDpiY()));
}

} // namespace
