// SYNC, halve, double and tap on the console, with songs of known tempo analysed for real and two players on
// an offline engine.
#include <QSignalSpy>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "../../platform/analysis/beatsongs.h"
#include "analysis/analysisservice.h"
#include "console/console.h"
#include "kicksongs.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "songlistfixture.h"
#include "waitfor.h"

using platform::analysis::BeatGrid;
using platform::media::PlayState;

namespace {

constexpr int kRate = 22050;

class SyncTest : public SongListFixture {
protected:
    SyncTest() { console.setAnalysis(&analysis); }
    ~SyncTest() override { console.setAnalysis(nullptr); }

    // Deck `deck` holds a kick song of `bpm` whose beat starts at `first`, analysed; a tone for bpm 0.
    void load(int deck, double bpm, double first = 0.5) {
        const QString path = dir.file(QStringLiteral("%1-%2.wav").arg(bpm).arg(first));
        if (!QFile::exists(path)) {
            std::vector<float> frames;
            if (bpm > 0) {
                beatsongs::Recipe r;
                r.bpm = bpm;
                r.firstBeat = first;
                r.seconds = 40;
                r.rate = kRate;
                frames = beatsongs::render(r);
            } else {
                frames = songfiles::sine(20 * kRate, 2, kRate, 440, 0.5f);
            }
            ASSERT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, kRate, 2, frames));
        }
        ASSERT_TRUE(console.loadSong(deck, path, path));
        ASSERT_TRUE(waitFor([&] { return console.facts(deck).audibleEndSeconds.has_value(); }));
        if (bpm > 0) {
            ASSERT_TRUE(console.facts(deck).beats);
            ASSERT_NEAR(console.facts(deck).beats->bpm, bpm, 0.15);
        }
    }
    double bpm(int deck) const { return console.facts(deck).beats->bpm; }
    void play(double seconds) {
        std::vector<float> out(size_t(2 * kRate));
        for (int left = int(seconds * kRate); left > 0; left -= kRate)
            engine->render(out.data(), std::min(left, kRate));
    }
    // Where deck `deck` stands in its beat, in seconds of the listener's time from its nearest beat.
    double offBeat(int deck) const {
        const BeatGrid g = *console.facts(deck).beats;
        const platform::media::MediaPlayer& p = deck ? mp1 : mp0;
        const double beats = (p.position() - g.firstBeatSeconds) / g.periodSeconds();
        return (beats - std::round(beats)) * g.periodSeconds() / p.tempo();
    }

    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(kRate);
    platform::media::MediaPlayer mp0{*engine, nullptr}, mp1{*engine, nullptr};
    platform::analysis::AnalysisService analysis{dir.file(QStringLiteral("cache"))};
    Console console{{&mp0, &mp1}, list, nullptr};
};

TEST_F(SyncTest, TheTempoMeetsTheOtherDecksWithinTheRangeItNeeds) {
    struct Case {
        double own, other, otherRatio, range;
        double otherBeats; // of the other deck's to one of this deck's once synced; 0 refused
        double newRange;
    };
    const Case cases[] = {
        {126, 120, 1.0, 0.08, 1, 0.08},
        {120, 126, 1.04, 0.08, 1, 0.16}, // the other deck's fader counts; 9.2 % needs the next range
        {120, 126, 1.0, 0.16, 1, 0.16},  // never narrowed
        {100, 128, 1.0, 0.08, 1, 0.50},
        {86, 172, 1.0, 0.08, 2, 0.08},   // at the other's half: a beat to every other one
        {70, 172, 1.0, 0.08, 2, 0.50},   // half the other's is nearer than all of it
        {174, 88, 1.0, 0.08, 0.5, 0.08}, // at the other's double
        {0, 120, 1.0, 0.08, 0, 0.08},    // no beat in this song: refused, nothing moves
        {120, 0, 1.0, 0.08, 0, 0.08},    // nor in the other
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.own << " to " << c.other << " at " << c.otherRatio);
        load(0, c.own);
        load(1, c.other);
        console.setTempoRange(1, 0.16);
        console.setTempo(1, c.otherRatio);
        console.setTempoRange(0, c.range);
        console.setTempo(0, 1.02);
        console.nudge(1, 1); // a nudge is passing: not what is met
        EXPECT_EQ(console.sync(0), c.otherBeats > 0);
        console.nudge(1, 0);
        EXPECT_EQ(console.tempoRange(0), c.newRange);
        if (c.otherBeats > 0) {
            EXPECT_NEAR(bpm(0) * console.tempo(0) * c.otherBeats, bpm(1) * c.otherRatio, 1e-9);
            EXPECT_NEAR(mp0.tempo(), console.tempo(0), 1e-12) << "the deck plays it";
        } else {
            EXPECT_EQ(console.tempo(0), 1.02);
        }
        EXPECT_EQ(mp0.position(), 0) << "the other deck does not play: the tempo only";
    }
}

TEST_F(SyncTest, ThePlayingDecksBeatsFallTogether) {
    // The other deck plays with and without a latency; this one plays or waits; the two at one tempo, or one
    // at the other's half.
    const struct {
        double latency;
        bool ownPlays;
        double own, other;
    } cases[] = {{0, true, 126, 120},
                 {0.05, true, 126, 120},
                 {0.05, false, 126, 120},
                 {0.05, true, 86, 172},
                 {0.05, true, 172, 88}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.latency << (c.ownPlays ? " playing " : " waiting ") << c.own << " to " << c.other);
        console.setLatency([&] { return c.latency; });
        load(0, c.own, 0.3);
        load(1, c.other, 0.5);
        console.setTempo(0, 1.0);
        console.setTempo(1, 1.0);
        console.play(1);
        if (c.ownPlays)
            console.play(0);
        else
            mp0.setPosition(2.0);
        play(3.13);
        ASSERT_TRUE(console.sync(0));
        const double moved = mp0.position();
        if (c.ownPlays)
            play(0.25);
        // After the sync they stay together (the decode positions keep the latency's lag between them): the
        // two decks' distances from their beats differ by whole beats of the faster one.
        const double faster = 60.0 / std::max(bpm(0) * mp0.tempo(), bpm(1) * mp1.tempo());
        const double apart = offBeat(0) - offBeat(1);
        EXPECT_LT(std::fabs(apart - faster * std::round(apart / faster)), 0.005);
        EXPECT_LT(std::fabs(moved - (c.ownPlays ? 3.13 : 2.0)), 60.0 / c.own / 2 + 1e-6)
            << "less than half a beat";
        console.stop(0);
        console.stop(1);
    }
}

TEST_F(SyncTest, HalvingDoublingAndTappingSetTheUsersTempo) {
    load(0, 128);
    QSignalSpy changed(&console, &Console::tempoChanged);
    ASSERT_TRUE(console.halveTempo(0));
    EXPECT_TRUE(waitFor([&] { return bpm(0) == 64.0; }));
    EXPECT_TRUE(console.facts(0).userTempo);
    EXPECT_GE(changed.count(), 1) << "the deck's readings follow";
    ASSERT_TRUE(console.doubleTempo(0));
    ASSERT_TRUE(console.doubleTempo(0));
    EXPECT_TRUE(waitFor([&] { return bpm(0) == 256.0; }));

    // Taps at 0.5 s heard at 1.25 times the song's speed: the song's own tempo is 96.
    console.setTempoRange(0, 0.50);
    console.setTempo(0, 1.25);
    for (int i = 0; i < 3; ++i)
        console.tapTempo(0, 100 + 0.5 * i);
    EXPECT_EQ(console.taps(0), 3);
    EXPECT_EQ(bpm(0), 256.0) << "three taps tell nothing yet";
    console.tapTempo(0, 101.5);
    EXPECT_TRUE(waitFor([&] { return bpm(0) == 96.0; }));
    EXPECT_FALSE(console.halveTempo(1)) << "without a song there is nothing to halve";
}

TEST_F(SyncTest, AfterSyncTheRenderedKicksOfBothDecksCoincideForHalfAMinute) {
    auto song = [&](const char* name, double bpm, int channel) {
        const QString path = dir.file(QString::fromLatin1(name));
        EXPECT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, kRate, 2,
                                     kicksongs::kicks(bpm, 0.4, 60, channel, kRate)));
        EXPECT_TRUE(console.loadSong(channel, path, path));
        EXPECT_TRUE(waitFor([&] { return console.facts(channel).beats.has_value(); }));
    };
    song("120.wav", 120, 0);
    song("126.wav", 126, 1);
    ASSERT_TRUE(console.facts(0).beats && console.facts(1).beats);
    console.setDeckLevel(0, Console::kDeckLevelMax);
    console.setDeckLevel(1, Console::kDeckLevelMax);
    console.play(0);
    play(2.3);
    console.play(1);
    play(1.1);
    ASSERT_TRUE(console.sync(1));
    const int frames = 30 * kRate;
    std::vector<float> mix(size_t(2 * frames));
    for (int at = 0; at < frames; at += 512)
        engine->render(mix.data() + 2 * at, std::min(512, frames - at));
    const std::vector<double> left = kicksongs::onsets(mix, 0, kRate),
                              right = kicksongs::onsets(mix, 1, kRate);
    ASSERT_GT(left.size(), 55u) << "a kick each half second";
    ASSERT_GT(right.size(), 55u);
    // A kick at the window's edges may have its partner just outside it.
    const double worst = kicksongs::farthest(right, left, 0.6, 29.4);
    EXPECT_LT(worst, 0.005) << "the farthest kick of deck 2 from deck 1's";
}

} // namespace
