// The tempo and grid of songs made with a known beat: within 1 % (a half or a double is a failure) and the
// first beat within 10 ms, over the whole set; the user's corrections: halve, double, tap.
#include <gtest/gtest.h>
#include <limits>

#include "analysis/taptempo.h"
#include "analysis/tempo.h"
#include "beatsongs.h"

using namespace platform::analysis;

namespace {

std::optional<BeatGrid> detect(const std::vector<float>& frames, int rate, TempoDetector::Range range = {}) {
    TempoDetector d(rate, 2, range);
    const int chunk = 8192;
    for (size_t f = 0; f < frames.size() / 2; f += chunk)
        d.add(frames.data() + f * 2, int(std::min<size_t>(chunk, frames.size() / 2 - f)));
    return d.finish();
}

TEST(Tempo, KnownSongsWithinOnePercentAndTenMilliseconds) {
    for (const beatsongs::Recipe& r : beatsongs::testSet()) {
        const auto grid = detect(beatsongs::render(r), r.rate);
        ASSERT_TRUE(grid) << r.name;
        EXPECT_NEAR(grid->bpm, r.bpm, r.bpm * 0.01) << r.name;
        EXPECT_NEAR(grid->firstBeatSeconds, r.firstBeat, 0.010) << r.name << " at " << grid->bpm;
    }
}

// The range a DJ expects decides between a tempo and its half; noise and silence have no tempo.
TEST(Tempo, TheRangeChoosesTheOctaveAndNoBeatGivesNone) {
    beatsongs::Recipe r;
    r.bpm = 140;
    r.seconds = 20;
    const std::vector<float> song = beatsongs::render(r);
    EXPECT_EQ(detect(song, r.rate)->bpm, 140.0);
    EXPECT_EQ(detect(song, r.rate, {60, 100})->bpm, 70.0);

    std::vector<float> noise(size_t(r.rate) * 20 * 2);
    uint32_t x = 1;
    for (float& v : noise)
        v = float((x = x * 1664525u + 1013904223u) >> 8) / float(1 << 24) - 0.5f;
    EXPECT_FALSE(detect(noise, r.rate));
    EXPECT_FALSE(detect(std::vector<float>(noise.size(), 0.0f), r.rate));
    EXPECT_FALSE(detect(std::vector<float>(song.begin(), song.begin() + 2 * 4 * r.rate), r.rate));
    // A run of broken samples is passed over, not carried through the filters.
    std::vector<float> broken = song;
    std::fill_n(broken.begin() + 2 * r.rate, 2000, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(detect(broken, r.rate)->bpm, 140.0);
}

TEST(Tempo, HalvedAndDoubledKeepOneDecimal) {
    EXPECT_EQ(halvedTempo(175.0), 87.5);
    EXPECT_EQ(halvedTempo(127.3), 63.7);
    EXPECT_EQ(doubledTempo(63.65), 127.3);
    EXPECT_EQ(doubledTempo(halvedTempo(140.0)), 140.0);
}

TEST(TapTempo, FourTapsGiveTheTempoAndAPauseStartsAgain) {
    TapTempo t;
    for (int i = 0; i < 3; ++i)
        t.tap(10 + 0.5 * i);
    EXPECT_FALSE(t.bpm());
    t.tap(11.5);
    EXPECT_EQ(t.bpm(), 120.0);
    // Uneven taps average out; only the last eight count.
    for (double at : {11.98, 12.52, 13.0, 13.49, 14.01})
        t.tap(at);
    EXPECT_NEAR(*t.bpm(), 120.0, 0.5);
    for (int i = 1; i <= 8; ++i)
        t.tap(14.01 + 0.4 * i);
    EXPECT_EQ(t.bpm(), 150.0);
    // A pause longer than twice the interval, or than two seconds, starts a new count.
    t.tap(18.5);
    EXPECT_EQ(t.taps(), 1);
    EXPECT_FALSE(t.bpm());
    for (int i = 1; i <= 3; ++i)
        t.tap(18.5 + 1.5 * i);
    EXPECT_EQ(t.bpm(), 40.0);
    t.tap(25.6);
    EXPECT_EQ(t.taps(), 1);
    t.tap(25.6); // a clock that did not move is a new count, not a division by zero
    EXPECT_EQ(t.taps(), 1);
}

} // namespace
