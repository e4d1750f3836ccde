#include <gtest/gtest.h>

#include "core/random.h"
#include "core/rounding.h"
#include "core/twips.h"

using namespace platform;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in, out;
    } cases[] = {{2.5, 2}, {3.5, 4},    {-2.5, -2},  {-3.5, -4}, {0.5, 0},
                 {1.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.4, -0}};
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
}

TEST(Rounding, ToDecimalPlaces) {
    EXPECT_DOUBLE_EQ(roundHalfEven(33.333333, 1), 33.3);
    EXPECT_DOUBLE_EQ(roundHalfEven(66.666666, 1), 66.7);
    EXPECT_DOUBLE_EQ(roundHalfEven(0.125, 2), 0.12); // exact binary half goes to even
    EXPECT_DOUBLE_EQ(roundHalfEven(0.375, 2), 0.38);
    EXPECT_DOUBLE_EQ(roundHalfEven(100.000004, 5), 100.0);
    EXPECT_DOUBLE_EQ(roundHalfEven(1e300, 5), 1e300); // beyond the scale: unchanged, not infinity
}

TEST(Rounding, ToIntClampsAndIgnoresNaN) {
    EXPECT_EQ(roundToInt(2.5), 2);
    EXPECT_EQ(roundToInt(1e20), INT_MAX);
    EXPECT_EQ(roundToInt(-1e20), INT_MIN);
    EXPECT_EQ(roundToInt(std::nan("")), 0);
}

TEST(Twips, FifteenToAPixel) {
    EXPECT_EQ(twipsToPixels(8010), 534);
    EXPECT_EQ(twipsToPixels(7995), 533);
    EXPECT_EQ(twipsToPixels(2775), 185);
    EXPECT_DOUBLE_EQ(pixelsToTwips(92.5), 1387.5);
    EXPECT_EQ(toPixels({360, 1200, 2775, 255}), QRect(24, 80, 185, 17));
}

TEST(Random, UniformInUnitIntervalAndRepeatableWhenSeeded) {
    Random a, b;
    a.seed(7);
    b.seed(7);
    double lo = 1, hi = 0, sum = 0;
    for (int i = 0; i < 10000; ++i) {
        const double x = a.next();
        ASSERT_EQ(x, b.next());
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        sum += x;
    }
    EXPECT_LT(lo, 0.01);
    EXPECT_GT(hi, 0.99);
    EXPECT_NEAR(sum / 10000, 0.5, 0.02);
}
