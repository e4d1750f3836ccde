// The auto-mix heard: three songs made here with known silences and levels, mixed by the console on the
// offline engine with the analysis at work, and the render measured.
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "analysis/analysisservice.h"
#include "analysis/loudness.h"
#include "console/console.h"
#include "kicksongs.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "songlistfixture.h"
#include "waitfor.h"

using platform::media::PlayState;

namespace {

constexpr int kRate = 44100;
constexpr int kChunk = kRate / 200; // 5 ms between ticks
constexpr double kFade = 3;

struct Song {
    double lead, tone, tail, amplitude, hz;
    double length() const { return lead + tone + tail; }
};
// Loud, louder and quiet, each with silence at both ends.
const Song kSongs[] = {{0.5, 8, 1.5, 0.25, 440}, {1.0, 8, 0.5, 0.5, 550}, {0.25, 8, 1.0, 0.1, 660}};

std::vector<float> make(const Song& s) {
    const int lead = int(s.lead * kRate), tone = int(s.tone * kRate), tail = int(s.tail * kRate);
    std::vector<float> v(size_t(2 * (lead + tone + tail)), 0.0f);
    for (int f = 0; f < tone; ++f) {
        // Short ramps so the tone's edges are not clicks the bounds would have to think about.
        const double ramp = std::min({1.0, f / 441.0, (tone - f) / 441.0});
        const float x = float(s.amplitude * ramp * std::sin(2 * std::numbers::pi * s.hz * f / kRate));
        v[size_t(2 * (lead + f))] = x;
        v[size_t(2 * (lead + f) + 1)] = x;
    }
    return v;
}

double rmsDb(const std::vector<float>& v, size_t from, size_t frames) {
    double sum = 0;
    for (size_t i = 2 * from; i < 2 * (from + frames); ++i)
        sum += double(v[i]) * v[i];
    return 10 * std::log10(sum / double(2 * frames) + 1e-30);
}

class AutoMixRender : public SongListFixture {
protected:
    QTemporaryDir cache;
    platform::analysis::AnalysisService analysis{cache.path()};
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(kRate);
    platform::media::MediaPlayer mp0{*engine, nullptr}, mp1{*engine, nullptr};
    Console console{{&mp0, &mp1}, list, nullptr};
    std::vector<float> out;

    AutoMixRender() {
        for (int i = 0; i < 3; ++i) {
            const QString name = QStringLiteral("song%1.wav").arg(i);
            EXPECT_TRUE(
                songfiles::write(dir.file(name), songfiles::Kind::WavFloat, kRate, 2, make(kSongs[i])));
            list.append(name, dir.file(name));
        }
        for (platform::media::MediaPlayer* mp : {&mp0, &mp1}) {
            const int index = mp == &mp0 ? 0 : 1;
            QObject::connect(mp, &platform::media::MediaPlayer::ended, &console,
                             [this, index] { console.songEnded(index); });
        }
    }

    // The first song on deck 0 with the crossfader on its side, as a set begins.
    void start(bool withAnalysis) {
        if (withAnalysis)
            console.setAnalysis(&analysis);
        console.setGoOnPlaying(true);
        list.select(0);
        ASSERT_TRUE(console.loadSelected(0));
        console.setCrossfader(Console::kCrossfaderMin);
        console.play(0);
    }

    // Real time gives a song's analysis the seconds before its fade; the offline render waits for it instead.
    void settle() {
        for (int d = 0; d < Console::kDecks; ++d) {
            if (console.analysis() && console.deck(d).hasMedia()) {
                ASSERT_TRUE(waitFor([&] { return console.facts(d).loudnessLufs.has_value(); },
                                    std::chrono::seconds(10)));
            }
        }
    }

    // Renders `seconds`, ticking the auto-mix between chunks; `each` sees the render's frame after each tick.
    template <class Each> void render(double seconds, bool tick, Each each) {
        const size_t frames = size_t(seconds * kRate);
        out.assign(2 * frames, 0.0f);
        for (size_t at = 0; at < frames; at += kChunk) {
            QCoreApplication::processEvents();
            if (tick) {
                settle();
                console.autoMixTick();
            }
            each(at);
            engine->render(out.data() + 2 * at, int(std::min<size_t>(kChunk, frames - at)));
        }
    }
};

// Two hand-overs, in either fader mode (the DJ mixer's crossfader on its cut curve, which the hand-over does
// not use): the overlap begins and ends where the rule puts it, the mix holds its level through each fade and
// has no hole, every song plays at the target loudness, nothing reaches the ceiling.
class AutoMixFaders : public AutoMixRender, public ::testing::WithParamInterface<mixrules::Faders> {};

TEST_P(AutoMixFaders, CrossfadeWithLevelledSongs) {
    {
        console.setFaders(GetParam(), mixrules::CrossfadeCurve::Cut);
        console.setDeckLevel(0, 0);
        console.setDeckLevel(1, 0);
        console.setAutoMix({automix::Transition::Crossfade, kFade, true, -14});
        start(true);

        // Render time: song 0 from 0; song 1 from its audible start when song 0's fade begins; song 2
        // likewise.
        const double fade1 = kSongs[0].lead + kSongs[0].tone - kFade;
        const double shift1 = fade1 - kSongs[1].lead; // song 1's time + shift1 = render time
        const double fade2 = shift1 + kSongs[1].lead + kSongs[1].tone - kFade;
        const double shift2 = fade2 - kSongs[2].lead;
        const double end = shift2 + kSongs[2].lead + kSongs[2].tone - kFade - 0.5;
        struct Seen {
            double start = -1, stop = -1, from = -1;
        } seen[2];
        PlayState before[2] = {PlayState::Playing, PlayState::Stopped};
        int handOver = 0;
        render(end, true, [&](size_t at) {
            for (int d = 0; d < 2; ++d) {
                const PlayState now = console.deck(d).state();
                if (now == PlayState::Playing && before[d] != PlayState::Playing && handOver < 2) {
                    seen[handOver].start = double(at) / kRate;
                    seen[handOver].from = console.deck(d).position();
                } else if (now == PlayState::Stopped && before[d] == PlayState::Playing && handOver < 2) {
                    seen[handOver++].stop = double(at) / kRate;
                }
                before[d] = now;
            }
        });
        const double want[2][3] = {{fade1, fade1 + kFade, kSongs[1].lead},
                                   {fade2, fade2 + kFade, kSongs[2].lead}};
        for (int h = 0; h < 2; ++h) {
            SCOPED_TRACE(h);
            EXPECT_NEAR(seen[h].start, want[h][0], 0.010);
            EXPECT_NEAR(seen[h].stop, want[h][1], 0.010);
            EXPECT_NEAR(seen[h].from, want[h][2], 0.010);
        }
        EXPECT_EQ(console.crossfader(), Console::kCrossfaderMin) << "the fader went back and forth";

        // From the first audible moment on, every 100 ms of the mix is within 1 dB of the songs' own level.
        const double reference = rmsDb(out, size_t(1.0 * kRate), size_t(4.0 * kRate));
        double worst = 0;
        float ceiling = 0;
        for (size_t f = size_t(0.6 * kRate); f + kRate / 10 < out.size() / 2; f += kRate / 20)
            worst = std::max(worst, std::abs(rmsDb(out, f, kRate / 10) - reference));
        size_t run = 0, longestGap = 0;
        for (size_t i = size_t(0.6 * kRate) * 2; i < out.size(); i += 2) {
            run = std::abs(out[i]) < 1e-4f ? run + 1 : 0;
            longestGap = std::max(longestGap, run);
        }
        EXPECT_LT(longestGap, size_t(engine->period())) << "a hole in the mix";
        for (float x : out)
            ceiling = std::max(ceiling, std::abs(x));
        EXPECT_LT(worst, 1.0);
        EXPECT_LE(20 * std::log10(ceiling), automix::kPeakCeilingDbtp);

        // Each song where it plays alone, measured by the analysis' own meter.
        const double alone[3][2] = {{0.6, fade1}, {fade1 + kFade, fade2}, {fade2 + kFade, end}};
        for (int s = 0; s < 3; ++s) {
            SCOPED_TRACE(s);
            platform::analysis::Loudness meter(kRate, 2);
            const size_t from = size_t(alone[s][0] * kRate), to = size_t(alone[s][1] * kRate);
            meter.add(out.data() + 2 * from, int(to - from));
            meter.finish();
            ASSERT_TRUE(meter.integratedLufs());
            EXPECT_NEAR(*meter.integratedLufs(), -14, 0.5);
        }
    }
}

// Songs of 126 and 120 beats a minute, each in a channel of its own: the incoming deck meets the outgoing
// one's tempo and beats before it is heard, their kicks fall together through the fade, and afterwards its
// tempo glides back to its own.
TEST_F(AutoMixRender, ABeatMatchedHandOverPutsTheKicksTogetherAndGlidesBack) {
    constexpr double kSongSeconds = 30;
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(songfiles::write(dir.file(QStringLiteral("song%1.wav").arg(i)), songfiles::Kind::WavFloat,
                                     kRate, 2,
                                     kicksongs::kicks(i == 0 ? 126 : 120, 0.4, kSongSeconds, i, kRate)));
    console.setDeckLevel(0, 0);
    console.setDeckLevel(1, 0);
    console.setAutoMix({automix::Transition::Crossfade, kFade, false, -14});
    start(true);
    double started = -1, stopped = -1, tempoAtStart = 0;
    PlayState before[2] = {PlayState::Playing, PlayState::Stopped};
    render(kSongSeconds + automix::kTempoGlideSeconds + 1, true, [&](size_t at) {
        const PlayState now[2] = {console.deck(0).state(), console.deck(1).state()};
        if (now[1] == PlayState::Playing && before[1] != PlayState::Playing && started < 0) {
            started = double(at) / kRate;
            tempoAtStart = console.deck(1).tempo();
        }
        if (now[0] == PlayState::Stopped && before[0] == PlayState::Playing && stopped < 0)
            stopped = double(at) / kRate;
        before[0] = now[0];
        before[1] = now[1];
    });
    ASSERT_GT(started, 0) << "the second song never came";
    ASSERT_GT(stopped, started);
    EXPECT_NEAR(tempoAtStart, 126.0 / 120.0, 0.002) << "the incoming deck at the outgoing one's tempo";
    EXPECT_EQ(console.deck(1).tempo(), 1.0) << "back at its own tempo after the glide";
    // Half a second in from either end of the fade both decks are loud enough to find every kick.
    const std::vector<double> left = kicksongs::onsets(out, 0, kRate),
                              right = kicksongs::onsets(out, 1, kRate);
    const double from = started + 0.5, to = stopped - 0.5;
    ASSERT_GE(std::count_if(right.begin(), right.end(), [&](double t) { return t >= from && t <= to; }), 3);
    EXPECT_LT(kicksongs::farthest(right, left, from, to), 0.005)
        << "the farthest kick of one deck from the other's";
}

// With "Cut", ticking or not, the mix is the one a song's end has always made: sample for sample.
INSTANTIATE_TEST_SUITE_P(BothModes, AutoMixFaders,
                         ::testing::Values(mixrules::Faders::AsWritten, mixrules::Faders::DjMixer));

TEST_F(AutoMixRender, CutIsTheMixAsItWas) {
    const double seconds = kSongs[0].length() + kSongs[1].length() + 1;
    start(false);
    render(seconds, false, [](size_t) {});
    const std::vector<float> asItWas = out;
    EXPECT_GT(rmsDb(asItWas, size_t((kSongs[0].length() + 2) * kRate), kRate), -20)
        << "the second song is heard";

    console.stop(0);
    list.select(-1);
    console.setAutoMix({automix::Transition::Cut, kFade, false, -14});
    start(false);
    render(seconds, true, [](size_t) {});
    EXPECT_TRUE(out == asItWas);
    EXPECT_EQ(console.deck(1).state(), PlayState::NoMedia);
}

} // namespace

namespace {

// What the user does around a hand-over wins: the fader taken, the other deck in use, a song chosen for it,
// a pause.
class AutoMixHands : public AutoMixRender {
protected:
    void SetUp() override {
        console.setAutoMix({automix::Transition::Crossfade, kFade, false, -14});
        start(false);
    }
    double fadeStart() const { return kSongs[0].length() - kFade; }
};

TEST_F(AutoMixHands, TheUserTakingTheFaderLetsGoForThatHandOver) {
    QSignalSpy moved(&console, &Console::crossfaderChanged);
    bool taken = false;
    render(kSongs[0].length() + 1, true, [&](size_t at) {
        if (!taken && double(at) / kRate > fadeStart() + 1) {
            EXPECT_GT(moved.count(), 10) << "the fader does not travel visibly";
            console.setCrossfader(30);
            taken = true;
        }
    });
    EXPECT_EQ(console.crossfader(), 30);
    EXPECT_EQ(console.deck(0).state(), PlayState::Stopped) << "the hand-over itself goes on";
    EXPECT_EQ(console.deck(1).state(), PlayState::Playing);
    EXPECT_EQ(console.songName(1), "song1.wav");
}

// The other deck in use (here paused) is the user's: the song's end is a Cut on its own deck. A song loaded
// into the other deck and not started is the one that comes next.
TEST_F(AutoMixHands, TheOtherDeckInUseOrChosen) {
    for (const bool playing : {true, false}) {
        SCOPED_TRACE(playing ? "playing" : "chosen");
        console.stop(0);
        list.select(-1);
        start(false);
        ASSERT_TRUE(console.loadSong(1, "chosen", dir.file("song2.wav")));
        if (playing) {
            console.play(1);
            console.pause(1);
        }
        render(kSongs[0].length() + 0.5, true, [](size_t) {});
        // Either way deck 0 holds the list's next song: played on at its end, or waiting for the next fade.
        EXPECT_EQ(console.deck(0).state(), playing ? PlayState::Playing : PlayState::Stopped);
        EXPECT_EQ(console.songName(0), "song1.wav");
        EXPECT_EQ(console.songName(1), "chosen");
        EXPECT_EQ(console.deck(1).state(), playing ? PlayState::Paused : PlayState::Playing);
        console.stop(1);
    }
}

// A pause before the fade ends the pending hand-over; playing on arms it again from where the song is.
TEST_F(AutoMixHands, APauseCancelsAndPlayRearms) {
    render(1, true, [](size_t) {});
    ASSERT_EQ(console.handOver().from, 0);
    ASSERT_TRUE(console.handOver().loaded);
    console.pause(0);
    EXPECT_EQ(console.handOver().from, -1);
    render(1, true, [](size_t) {});
    EXPECT_EQ(console.deck(1).state(), PlayState::Stopped);
    console.play(0);
    render(kSongs[0].length(), true, [](size_t) {});
    EXPECT_EQ(console.deck(1).state(), PlayState::Playing);
    EXPECT_EQ(console.songName(1), "song1.wav");
}

} // namespace
