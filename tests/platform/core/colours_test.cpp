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

// Known pairs of the accessibility rules' own examples, either way round.
TEST(Colours, ContrastRatioFollowsTheRelativeLuminance) {
    const struct {
        QColor a, b;
        double ratio;
    } cases[] = {
        {Qt::black, Qt::white, 21.0},
        {Qt::white, Qt::white, 1.0},
        {QColor(118, 118, 118), Qt::white, 4.54}, // the lightest grey that still passes on white
        {QColor(0, 110, 0), QColor(64, 64, 64), 1.59},
        {QColor(0, 255, 0), QColor(64, 64, 64), 7.55},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(contrastRatio(c.a, c.b), c.ratio, 0.01) << c.a.name().toStdString();
        EXPECT_DOUBLE_EQ(contrastRatio(c.a, c.b), contrastRatio(c.b, c.a));
    }
}
