#include "app/WindowComposition.h"

#include <gtest/gtest.h>

TEST(WindowComposition, SoftwareRasterizersAreKnownByName) {
    for (const char* renderer : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 swrast",
                                 "Software Rasterizer", "GDI Generic", "LLVMPIPE"})
        EXPECT_TRUE(isSoftwareRasterizer(renderer)) << renderer;
    for (const char* renderer : {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce GTX 1050/PCIe/SSE2",
                                 "AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0)", ""})
        EXPECT_FALSE(isSoftwareRasterizer(renderer)) << renderer;
}

TEST(WindowComposition, InMemoryWithoutScreenOrGraphicsCardUnlessTheUserChose) {
    const std::optional<QString> none;
    const std::optional<QString> card = QString("NVIDIA GeForce GTX 1050/PCIe/SSE2");
    const std::optional<QString> llvmpipe = QString("llvmpipe (LLVM 15.0.6, 256 bits)");
    const struct {
        const char* platform;
        bool userChose;
        std::optional<QString> renderer;
        WindowComposition expected;
    } cases[] = {
        {"xcb", false, card, WindowComposition::EngineDefault},
        {"xcb", false, llvmpipe, WindowComposition::InMemory},
        {"xcb", false, none, WindowComposition::InMemory},  // no OpenGL context at all
        {"wayland", false, llvmpipe, WindowComposition::InMemory},
        {"windows", false, card, WindowComposition::EngineDefault},
        {"offscreen", false, card, WindowComposition::InMemory},
        {"minimal", false, card, WindowComposition::InMemory},
        {"xcb", true, llvmpipe, WindowComposition::EngineDefault},
        {"offscreen", true, none, WindowComposition::EngineDefault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseWindowComposition(c.platform, c.userChose, c.renderer), c.expected)
            << c.platform << " " << c.userChose << " " << c.renderer.value_or("(none)").toStdString();
}
