#include <QPalette>
#include <gtest/gtest.h>

#include "core/colours.h"

using namespace platform;

TEST(Colours, PlainColoursAreBlueGreenRed) {
    EXPECT_EQ(rgb(64, 64, 64), 0x00404040u);
    EXPECT_EQ(rgb(255, 0, 0), 0x000000FFu);
    const QColor c = toQColor(0x00102030u);
    EXPECT_EQ(c, QColor(0x30, 0x20, 0x10));
    EXPECT_EQ(fromQColor(QColor(0x30, 0x20, 0x10)), 0x00102030u);
    EXPECT_FALSE(isSystemColour(0x00FFFFFFu));
    EXPECT_TRUE(isSystemColour(kButtonFace));
}

TEST(Colours, SystemColoursComeFromTheirPaletteRoles) {
    QPalette pal;
    // Give every role a colour of its own so a wrong role shows as a wrong colour.
    for (int r = 0; r < QPalette::NColorRoles; ++r)
        for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(g, static_cast<QPalette::ColorRole>(r), QColor(r * 9, g * 40, 200 - r * 5));
    EXPECT_EQ(toQColor(kButtonFace, pal), pal.color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(toQColor(kButtonText, pal), pal.color(QPalette::Active, QPalette::ButtonText));
    EXPECT_EQ(toQColor(0x80000005u, pal), pal.color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(toQColor(0x80000008u, pal), pal.color(QPalette::Active, QPalette::WindowText));
    EXPECT_EQ(toQColor(0x8000000Du, pal), pal.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(toQColor(0x80000011u, pal), pal.color(QPalette::Disabled, QPalette::WindowText));
    EXPECT_NE(toQColor(kButtonFace, pal), toQColor(kButtonText, pal));
}
