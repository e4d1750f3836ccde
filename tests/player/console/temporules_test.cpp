// The tempo faders' and SYNC's arithmetic.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "console/djrules.h"
#include "console/temporules.h"

using namespace player;
using namespace temporules;
using platform::analysis::BeatGrid;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(TempoRules, SyncFindsTheSpeedAndTheNarrowestRangeThatReachesIt) {
    struct Case {
        double own, target, range;
        std::optional<double> ratio, fitRange;
        double otherBeats = 1;
    };
    const Case cases[] = {
        {126, 120, 0.08, 120.0 / 126, 0.08},
        {120, 126, 0.08, 1.05, 0.08},
        {128, 128 * 1.08, 0.08, 1.08, 0.08}, // the range's very edge belongs to it
        {100, 110, 0.08, 1.1, 0.16},         // widened as far as needed, no further
        {100, 130, 0.08, 1.3, 0.50},
        {120, 125, 0.16, 125.0 / 120, 0.16}, // a wide range is not narrowed
        {100, 150, 0.08, 0.75, 0.50, 2},     // 75 is a smaller change than 150
        // Half or double when that is the smaller change: a beat to every other one of the other deck's.
        {86, 172, 0.08, 1.0, 0.08, 2},
        {174, 87.5, 0.08, 175.0 / 174, 0.08, 0.5},
        {100, 140, 0.08, 0.7, 0.50, 2}, // 70 is nearer than 140
        {140, 60, 0.50, 120.0 / 140, 0.50, 0.5},
        {70, 300, 0.08, {}, {}}, // neither it, its half nor its double within ±50 %
        {0, 120, 0.08, {}, {}},
        {120, kNaN, 0.08, {}, {}},
        {-120, 120, 0.08, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.own << " to " << c.target);
        const auto fit = fitTempo(c.own, c.target, c.range);
        ASSERT_EQ(fit.has_value(), c.ratio.has_value());
        if (fit) {
            EXPECT_NEAR(fit->ratio, *c.ratio, 1e-12);
            EXPECT_EQ(fit->range, *c.fitRange);
            EXPECT_EQ(fit->otherBeats, c.otherBeats);
            EXPECT_NEAR(playingBpm(c.own, fit->ratio) * fit->otherBeats, c.target, 1e-9);
        }
    }
}

TEST(TempoRules, ThePhaseShiftPutsTheBeatsTogetherByTheShortestWay) {
    // Periods 0.5 s, 0.476 s, 1 s and 0.25 s.
    const BeatGrid at120{120, 0.1}, at126{126, 0.3}, at60{60, 0.2}, at240{240, 0.05};
    struct Case {
        BeatGrid own;
        double ownHeard;
        BeatGrid other;
        double otherHeard;
        double shift;
        double otherBeats = 1;
    };
    const Case cases[] = {
        {at120, 10.1, at120, 20.1, 0},      // on the beat already
        {at120, 10.2, at120, 20.1, -0.1},   // a fifth of a beat late: back
        {at120, 10.0, at120, 20.1, 0.1},    // early: on
        {at120, 10.3, at120, 20.1, -0.2},   // 0.4 of a beat: still back
        {at120, 10.4, at120, 20.1, 0.2},    // 0.6 of a beat late is 0.4 early
        {at120, 10.35, at120, 20.1, -0.25}, // half a beat: back, always the same way
        {at126, 5.3, at120, 20.1, -60.0 / 126 / 2},
        {at126, 5.3, at120, 20.35, 0},
        {at120, 0.05, at120, 20.4, 0.35}, // the beat before the start is none: the one after it
        // Two of the other's beats to one of this deck's: either of them will do, the nearer is taken.
        {at60, 10.2, at120, 20.1, 0, 2},
        {at60, 10.7, at120, 20.1, 0, 2},     // on the other's second beat
        {at60, 10.5, at120, 20.1, 0.2, 2},   // 0.3 s early for the second: the nearer way
        {at60, 10.3, at120, 20.1, -0.1, 2},  // 0.1 s late for the first
        {at60, 10.3, at120, 20.35, 0.15, 2}, // the other half a beat on: its beats 0.15 s later
        // One of the other's beats to two of this deck's: every other beat of this deck meets one.
        {at120, 10.1, at60, 20.2, 0, 0.5},
        {at120, 10.2, at60, 20.2, -0.1, 0.5},
        {at120, 10.2, at60, 20.7, -0.1, 0.5}, // the other half its beat on: this deck's next beat
        {at240, 7.05, at120, 3.35, 0, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.ownHeard << " against " << c.otherHeard << ", " << c.otherBeats);
        const double shift = phaseShift(c.own, c.ownHeard, c.other, c.otherHeard, c.otherBeats);
        EXPECT_NEAR(shift, c.shift, 1e-9);
        EXPECT_GE(c.ownHeard + shift, 0);
        // Where it lands, a beat of the other's falls on one of this deck's: counted in the faster deck's
        // beats, the two differ by a whole number.
        auto beats = [](double t, const BeatGrid& g) { return (t - g.firstBeatSeconds) / g.periodSeconds(); };
        const double mine = beats(c.ownHeard + shift, c.own), theirs = beats(c.otherHeard, c.other);
        const double gap = c.otherBeats >= 1 ? mine * c.otherBeats - theirs : mine - theirs / c.otherBeats;
        EXPECT_NEAR(gap - std::round(gap), 0, 1e-9);
    }
    EXPECT_EQ(phaseShift(BeatGrid{0, 0}, 10, at120, 5), 0) << "no grid, no move";
}

TEST(TempoRules, TheFaderReadsItsRangeWithACentreThatCatches) {
    struct Case {
        int value;
        double range, ratio;
        const char* text;
    };
    const Case cases[] = {
        {0, 0.08, 1.0, "0.0 %"},
        {kDetentSteps, 0.08, 1.0, "0.0 %"}, // caught by the centre
        {-kDetentSteps - 1, 0.08, 1.0 + 0.08 * 16 / 1000, "+0.1 %"},
        {-300, 0.08, 1.024, "+2.4 %"}, // below the centre is faster
        {300, 0.08, 0.976, "-2.4 %"},
        {-kFaderSteps, 0.16, 1.16, "+16.0 %"},
        {kFaderSteps, 0.50, 0.5, "-50.0 %"},
        {5000, 0.08, 0.92, "-8.0 %"}, // held to the fader's end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_NEAR(ratioAt(c.value, c.range), c.ratio, 1e-12);
        EXPECT_EQ(tempoText(ratioAt(c.value, c.range)), c.text);
        if (std::abs(c.value) <= kFaderSteps && std::abs(c.value) > kDetentSteps) {
            EXPECT_EQ(faderValue(c.ratio, c.range), c.value) << "the fader shows the tempo it sets";
        }
    }
    EXPECT_EQ(faderValue(1.3, 0.08), -kFaderSteps) << "a tempo past the range sits at its end";
    EXPECT_EQ(faderValue(kNaN, 0.08), 0);
    EXPECT_EQ(tempoText(0.9996), "0.0 %") << "never a signed zero";
    EXPECT_EQ(tempoText(kNaN), "0.0 %");
}

TEST(TempoRules, RangesCycleAndBpmReadsToOneDecimal) {
    EXPECT_EQ(nextRange(0.08), 0.16);
    EXPECT_EQ(nextRange(0.16), 0.50);
    EXPECT_EQ(nextRange(0.50), 0.08);
    EXPECT_EQ(bpmText(127.96), "128.0");
    EXPECT_EQ(bpmText(120.04), "120.0");
    EXPECT_EQ(bpmText(std::nullopt), "");
    EXPECT_EQ(bpmText(0.0), "");
    EXPECT_EQ(bpmText(kNaN), "");
}

TEST(TempoRules, ASpedUpDeckIsHeardFurtherBehindItsPosition) {
    EXPECT_DOUBLE_EQ(djrules::heardPosition(10, 0.04, true, 1.5), 9.94);
    EXPECT_DOUBLE_EQ(djrules::heardPosition(10, 0.04, true, 0.5), 9.98);
    EXPECT_DOUBLE_EQ(djrules::heardPosition(10, 0.04, false, 1.5), 10);
    EXPECT_DOUBLE_EQ(djrules::heardPosition(10, 0.04, true, kNaN), 9.96);
}

} // namespace
