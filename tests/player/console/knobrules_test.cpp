// A knob's travel: its angle, a drag and the wheel with the centre's detent, and the words it shows.
#include <gtest/gtest.h>
#include <limits>

#include "console/knobrules.h"

using namespace player;
using knobrules::Kind;

TEST(KnobRules, AngleSweepsSevenToFiveOClock) {
    const struct {
        double value, degrees;
    } table[] = {{-1, -135}, {0, 0},   {0.5, 67.5},
                 {1, 135},   {3, 135}, {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& t : table)
        EXPECT_DOUBLE_EQ(knobrules::angle(t.value), t.degrees) << t.value;
}

// A drag counts from where the press took the knob; near the centre it rests there; the ends hold.
TEST(KnobRules, DragRestsOnTheCentreAndHoldsAtTheEnds) {
    const struct {
        double from, pixelsUp, expected;
    } table[] = {
        {0, 80, 1},         // half the travel's pixels: centre to the top
        {0, 2, 0},          // inside the detent
        {0, -3, 0},         // and below it
        {0, 4, 0.05},       // just out of it
        {0.5, -37, 0},      // coming back lands beside the centre: on it
        {0.5, -100, -0.75}, // through the centre without stopping: a drag is absolute
        {-1, -50, -1},      {0.9, 400, 1},
    };
    for (const auto& t : table)
        EXPECT_NEAR(knobrules::dragged(t.from, t.pixelsUp), t.expected, 1e-12) << t.from << " " << t.pixelsUp;
}

// The wheel steps; a step that passes the centre or stops just beside it stops on it, and leaving it is free
// (a touchpad's small steps must not be trapped there).
TEST(KnobRules, WheelStopsAtTheCentreButLeavesItFreely) {
    const struct {
        double from, notches, expected;
    } table[] = {
        {0, 1, 0.05}, {0.1, -3, 0},      {-0.1, 3, 0}, {0.07, -1, 0}, {0, -0.25, -0.0125},
        {0.95, 2, 1}, {-0.2, -1, -0.25}, {-1, -1, -1}, {0.5, 0, 0.5},
    };
    for (const auto& t : table)
        EXPECT_NEAR(knobrules::wheeled(t.from, t.notches), t.expected, 1e-12) << t.from << " " << t.notches;
}

TEST(KnobRules, GainSpeaksInDecibels) {
    for (const double v : {-1.0, -0.25, 0.0, 0.6, 1.0})
        EXPECT_DOUBLE_EQ(knobrules::gainValue(knobrules::gainDb(v)), v);
    EXPECT_DOUBLE_EQ(knobrules::gainDb(1), 12);
    EXPECT_DOUBLE_EQ(knobrules::gainValue(30), 1);
}

TEST(KnobRules, Words) {
    const struct {
        Kind kind;
        double value;
        bool killed;
        const char* text;
    } table[] = {
        {Kind::Gain, 0, false, "0.0 dB"},
        {Kind::Gain, 0.25, false, "+3.0 dB"},
        {Kind::Gain, -1, false, "-12.0 dB"},
        {Kind::High, -1, false, "-∞ dB"},
        {Kind::Mid, 0.5, false, "+3.0 dB"},
        {Kind::Mid, -0.0004, false, "0.0 dB"}, // never "-0.0"
        {Kind::Low, -0.5, false, "-18.1 dB"},  // the cube below the centre: 0.125
        {Kind::Low, 0.7, true, "kill"},
        {Kind::Filter, 0, false, "off"},
        {Kind::Filter, -0.4, false, "low-pass 40 %"},
        {Kind::Filter, 0.25, false, "high-pass 25 %"},
        {Kind::Filter, 0, true, "off"}, // only bands have kills
    };
    for (const auto& t : table)
        EXPECT_EQ(knobrules::valueText(t.kind, t.value, t.killed).toStdString(), t.text) << t.value;
}
