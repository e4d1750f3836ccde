// What the DJ view shows, as rules without a window.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "console/djrules.h"
#include "console/runcounter.h"
#include "core/settingsstore.h"

using namespace player;
using namespace djrules;

TEST(DjRules, HeardPositionLagsAPlayingDeckByTheLatency) {
    struct Case {
        double position, latency;
        bool playing;
        double heard;
    };
    const Case cases[] = {
        {10, 0.04, true, 9.96},
        {10, 0.04, false, 10}, // at rest it is heard where it stands
        {0.01, 0.04, true, 0}, // never before the start
        {10, 0, true, 10},
        {10, -1, true, 10}, // no latency, or a nonsense one
        {10, std::numeric_limits<double>::quiet_NaN(), true, 10},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(heardPosition(c.position, c.latency, c.playing), c.heard)
            << c.position << " " << c.latency;
}

TEST(DjRules, ZoomMovesAlongTheLadderAndStopsAtItsEnds) {
    struct Case {
        double from;
        int steps;
        double to;
    };
    const Case cases[] = {
        {10, 1, 8},   {10, -1, 12},  {10, 3, 5},     {2, 1, 2},
        {30, -1, 30}, {3, 100, 2},   {20, -100, 30}, {9.4, 0, 10},
        {7.4, 0, 8},  {1000, 0, 30}, {0, 0, 2},      {std::numeric_limits<double>::quiet_NaN(), 0, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zoomed(c.from, c.steps), c.to) << c.from << " " << c.steps;
    EXPECT_EQ(kZoomLadder.front(), 2);
    EXPECT_EQ(kZoomLadder.back(), 30);
}

TEST(DjRules, ClocksAndTheWarning) {
    struct Case {
        double seconds;
        const char* played;
        const char* left;
    };
    const Case cases[] = {
        {0, "0:00.0", "-0:00.0"},     {0.01, "0:00.0", "-0:00.1"},
        {12.3, "0:12.3", "-0:12.3"},  {59.99, "0:59.9", "-1:00.0"},
        {61.25, "1:01.2", "-1:01.3"}, {3725.5, "62:05.5", "-62:05.5"},
        {-3, "0:00.0", "-0:00.0"},    {std::numeric_limits<double>::infinity(), "0:00.0", "-0:00.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(playedText(c.seconds), QLatin1String(c.played)) << c.seconds;
        EXPECT_EQ(leftText(c.seconds), QLatin1String(c.left)) << c.seconds;
    }
    EXPECT_TRUE(leftIsWarning(29.99, true));
    EXPECT_TRUE(leftIsWarning(0, true));
    EXPECT_FALSE(leftIsWarning(30, true));
    EXPECT_FALSE(leftIsWarning(5, false)); // no song, no warning
}

// A levelled deck says by how much, with a true minus; a gain that rounds to nothing has no sign.
TEST(DjRules, LevelText) {
    const struct {
        std::optional<double> db;
        const char16_t* text;
    } cases[] = {
        {-3.24, u"level \u22123.2 dB"},
        {1.0, u"level +1.0 dB"},
        {0.04, u"level 0.0 dB"},
        {-0.04, u"level 0.0 dB"},
        {{}, u""},
        {NAN, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(levelText(c.db), QString::fromUtf16(c.text)) << c.db.value_or(-99);
}

TEST(DjRules, MeterScale) {
    EXPECT_DOUBLE_EQ(MeterBallistics::fraction(1.0f), 1);
    EXPECT_DOUBLE_EQ(MeterBallistics::fraction(4.0f), 1); // above full scale: the clip light says it
    EXPECT_NEAR(MeterBallistics::fraction(0.5f), (-6.0206 + 48) / 48, 1e-4);
    EXPECT_NEAR(MeterBallistics::fraction(std::pow(10.0f, -48.0f / 20)), 0, 1e-6);
    for (const float silent : {0.0f, -1.0f, 1e-9f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(MeterBallistics::fraction(silent), 0) << silent;
}

// Rises at once, falls at 0.75 of the scale a second; the peak stands 0.8 s, then falls; the clip light
// stays a second after the last clip.
TEST(DjRules, MeterBallisticsStepByStep) {
    struct Step {
        float left, right;
        bool clipped;
        double seconds;
        double level0, hold0, level1;
        bool clip, rest;
    };
    const Step steps[] = {
        {1.0f, 0.0f, false, 0.03, 1, 1, 0, false, false},               // left at full scale, right silent
        {0.0f, 0.0f, false, 0.5, 0.625, 1, 0, false, false},            // falls; the peak holds
        {0.0f, 0.0f, false, 0.3, 0.4, 1, 0, false, false},              // the hold's 0.8 s are up
        {0.0f, 0.0f, false, 0.2, 0.25, 0.85, 0, false, false},          // now the peak falls too
        {0.5f, 0.5f, false, 0.1, 0.8746, 0.8746, 0.8746, false, false}, // a new peak, held anew
        {1.0f, 1.0f, true, 0.1, 1, 1, 1, true, false},
        {0.0f, 0.0f, false, 0.9, 0.325, 0.925, 0.325, true, false}, // 0.9 s after the clip: still lit; the
                                                                    // step's last 0.1 s beyond the hold fall
        {0.0f, 0.0f, false, 0.2, 0.175, 0.775, 0.175, false, false},
        {0.0f, 0.0f, false, 0.5, 0, 0.4, 0, false, false},
        {0.0f, 0.0f, false, 0.5, 0, 0.025, 0, false, false},
        {0.0f, 0.0f, false, 0.5, 0, 0, 0, false, true}, // all fallen: nothing left to show
        {0.0f, 0.0f, false, -1, 0, 0, 0, false, true},  // a clock going back changes nothing
    };
    MeterBallistics m;
    EXPECT_TRUE(m.atRest());
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(i++);
        m.step(s.left, s.right, s.clipped, s.seconds);
        EXPECT_NEAR(m.level(0), s.level0, 1e-3);
        EXPECT_NEAR(m.hold(0), s.hold0, 1e-3);
        EXPECT_NEAR(m.level(1), s.level1, 1e-3);
        EXPECT_GE(m.hold(1), m.level(1));
        EXPECT_EQ(m.clipLit(), s.clip);
        EXPECT_EQ(m.atRest(), s.rest);
    }
}

TEST(DjRules, ViewChoiceIsKeptAndADamagedOneIgnored) {
    // The suite's settings live in a folder of its own (testmain.cpp).
    const QString app = runcounter::appName();
    for (const char* key : {"DJ", "Zoom"})
        platform::SettingsStore::write(app, QStringLiteral("View"), QLatin1String(key), QString());
    const ViewChoice fresh = loadViewChoice();
    EXPECT_FALSE(fresh.open);
    EXPECT_EQ(fresh.zoom, kDefaultZoom);
    ASSERT_TRUE(saveViewChoice({true, 4}));
    EXPECT_TRUE(loadViewChoice().open);
    EXPECT_EQ(loadViewChoice().zoom, 4);
    for (const auto& [stored, zoom] : {std::pair{"7", 6.0}, {"lots", 10.0}, {"1e9", 30.0}, {"", 10.0}}) {
        platform::SettingsStore::write(app, QStringLiteral("View"), QStringLiteral("Zoom"),
                                       QLatin1String(stored));
        EXPECT_EQ(loadViewChoice().zoom, zoom) << stored;
    }
    platform::SettingsStore::write(app, QStringLiteral("View"), QStringLiteral("DJ"), QStringLiteral("yes"));
    EXPECT_FALSE(loadViewChoice().open);
}
