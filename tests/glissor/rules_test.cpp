#include <gtest/gtest.h>

#include "sliderrules.h"

using namespace glissor;

TEST(GlissorRules, ScaleIsTrackWidthOverMaximum) {
    EXPECT_EQ(scaleFor(109, 9, 10), 10.0);
    EXPECT_EQ(scaleFor(9, 9, 10), 0.0); // a face as wide as the handle: no track
    EXPECT_EQ(scaleFor(5, 9, 2), -2.0); // narrower than the handle: negative, clamped later
    EXPECT_FALSE(scaleFor(109, 9, 0));  // no maximum, no scale
}

TEST(GlissorRules, CoordinatesRoundHalvesToEvenAndStayIn16Bits) {
    const struct {
        double p;
        std::optional<short> c;
        short saturated;
    } cases[] = {{2.5, 2, 2},
                 {7.5, 8, 8},
                 {4.5, 4, 4},
                 {-2.5, -2, -2},
                 {32767.4, 32767, 32767},
                 {32767.5, std::nullopt, 32767},
                 {-32768.5, -32768, -32768},
                 {-40000, std::nullopt, -32768},
                 {1e300, std::nullopt, 32767}};
    for (const auto& c : cases) {
        EXPECT_EQ(toCoordinate(c.p), c.c) << c.p;
        EXPECT_EQ(toCoordinateSaturated(c.p), c.saturated) << c.p;
    }
    EXPECT_EQ(toCoordinateSaturated(std::nan("")), 0);
}

TEST(GlissorRules, ValueUnderThePointerIsTheFloorOfTheQuotient) {
    EXPECT_EQ(valueAtPointer(57, 10), QStringLiteral("5"));
    EXPECT_EQ(valueAtPointer(-4, 10), QStringLiteral("-1"));
    EXPECT_EQ(valueAtPointer(250, 10), QStringLiteral("25"));
    EXPECT_EQ(valueAtPointer(5, 2.5), QStringLiteral("2"));
    EXPECT_FALSE(valueAtPointer(57, 0));
}

TEST(GlissorRules, HandleIsKeptInsideTheFace) {
    EXPECT_EQ(clampHandle(-3, 9, 109), 0);
    EXPECT_EQ(clampHandle(100, 9, 109), 100);
    EXPECT_EQ(clampHandle(101, 9, 109), 100);
    EXPECT_EQ(clampHandle(3, 9, 5), -4); // a face narrower than the handle pins it left of 0
}
