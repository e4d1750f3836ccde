// The knobs through the offline engine: every control moved in one step while a song plays slides rather than
// clicks, knobs back at their centres give the plain path bit for bit, and the limiter holds two loud decks.
#include <functional>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/dsp/deckshape.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "tones.h"

using namespace platform::media;
using Band = dsp::ThreeBandEq::Band;

namespace {

constexpr int kRate = 48000;
constexpr int kRampFrames = 240; // 5 ms
constexpr int kBlock = 4800;

// A bass tone and a treble tone, 0.1 each, for as long as any case plays.
std::vector<float> twoTones(int frames) {
    std::vector<float> v = tones::sine(frames, kRate, 83, 0.1f, 1.0);
    const std::vector<float> treble = tones::sine(frames, kRate, 3037, 0.1f, 2.0);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] += treble[i];
    return v;
}

struct Deck {
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    std::unique_ptr<MediaPlayer> mp = std::make_unique<MediaPlayer>(*engine, nullptr);
    std::vector<float> main = std::vector<float>(2 * kBlock), phones = std::vector<float>(2 * kBlock);
    void render() { engine->render(main.data(), kBlock, phones.data()); }
};

class Shape : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(songfiles::write(song, songfiles::Kind::WavFloat, kRate, 2, twoTones(4 * kRate)));
    }
    TempDir dir;
    QString song = dir.file("tones.wav");
};

// Each control moved at once, mid-song: no frame of the main mix or of the headphones moves further than the
// steady sound does plus a full-scale change spread over the ramp. An unramped step of any of them would move
// one frame by a tenth or more.
TEST_F(Shape, EveryControlSlidesInsteadOfStepping) {
    struct Case {
        const char* what;
        std::function<void(MediaPlayer&)> before, step;
        bool phones = false;
        float balance = 0.0f;
    };
    auto none = [](MediaPlayer&) {};
    const Case cases[] = {
        {"gain +12 dB", none, [](MediaPlayer& mp) { mp.shape().setGain(4.0f); }},
        {"gain back", [](MediaPlayer& mp) { mp.shape().setGain(4.0f); },
         [](MediaPlayer& mp) { mp.shape().setGain(1.0f); }},
        {"bass kill", none, [](MediaPlayer& mp) { mp.shape().setKill(Band::Low, true); }},
        {"treble kill", none, [](MediaPlayer& mp) { mp.shape().setKill(Band::High, true); }},
        {"treble kill off", [](MediaPlayer& mp) { mp.shape().setKill(Band::High, true); },
         [](MediaPlayer& mp) { mp.shape().setKill(Band::High, false); }},
        {"mid boost", none, [](MediaPlayer& mp) { mp.shape().setBand(Band::Mid, 2.0f); }},
        {"bass cut", none, [](MediaPlayer& mp) { mp.shape().setBand(Band::Low, 0.1f); }},
        {"low-pass", none, [](MediaPlayer& mp) { mp.shape().setFilter(-0.9f); }},
        {"low-pass to high-pass", [](MediaPlayer& mp) { mp.shape().setFilter(-0.6f); },
         [](MediaPlayer& mp) { mp.shape().setFilter(0.6f); }},
        {"filter off", [](MediaPlayer& mp) { mp.shape().setFilter(0.7f); },
         [](MediaPlayer& mp) { mp.shape().setFilter(0.0f); }},
        {"level", none, [](MediaPlayer& mp) { mp.setLevel(-9000); }},
        {"cue on", none, [](MediaPlayer& mp) { mp.setCue(true); }, true},
        {"cue off", [](MediaPlayer& mp) { mp.setCue(true); }, [](MediaPlayer& mp) { mp.setCue(false); },
         true},
        {"cue balance", [](MediaPlayer& mp) { mp.setCue(true); }, [](MediaPlayer& mp) { mp.setLevel(-4500); },
         true, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Deck d;
        d.engine->setCue({AudioEngine::CueRouting::Split, {}, 0.0f});
        ASSERT_FALSE(d.mp->open(song));
        c.before(*d.mp);
        d.mp->play();
        d.render();
        d.render();
        std::vector<float> heard = c.phones ? d.phones : d.main;
        c.step(*d.mp);
        if (c.balance > 0)
            d.engine->setCue({AudioEngine::CueRouting::Split, {}, c.balance});
        d.render();
        const std::vector<float>& out = c.phones ? d.phones : d.main;
        heard.insert(heard.end(), out.begin(), out.end());
        const float steady = std::max(tones::largestStep(heard, 0, kBlock),
                                      tones::largestStep(heard, 3 * kBlock / 2, 2 * kBlock));
        EXPECT_LE(tones::largestStep(heard, 0, 2 * kBlock), steady + 2.0f * 0.8f / kRampFrames) << steady;
    }
}

// A deck whose knobs went everywhere and came back to their centres plays what a deck never touched plays,
// frame for frame, once the last slide is over.
TEST_F(Shape, KnobsBackAtTheCentreGiveThePlainPathBitForBit) {
    Deck plain, moved;
    ASSERT_FALSE(plain.mp->open(song));
    ASSERT_FALSE(moved.mp->open(song));
    plain.mp->play();
    moved.mp->play();
    dsp::DeckShape& s = moved.mp->shape();
    s.setGain(0.5f);
    s.setBand(Band::Mid, 1.5f);
    s.setKill(Band::Low, true);
    s.setFilter(0.4f);
    for (int i = 0; i < 2; ++i) {
        plain.render();
        moved.render();
    }
    EXPECT_NE(moved.main, plain.main);
    s.setGain(1.0f);
    s.setBand(Band::Mid, 1.0f);
    s.setKill(Band::Low, false);
    s.setFilter(0.0f);
    plain.render();
    moved.render();
    plain.render();
    moved.render();
    EXPECT_EQ(moved.main, plain.main);
}

// A full-scale deck and a boosted one summed stay at or below -1 dBTP with the limiter on, and the light says
// so until the mix has been quiet for a while.
TEST_F(Shape, TheLimiterHoldsTwoLoudDecks) {
    const QString loud = dir.file("loud.wav");
    ASSERT_TRUE(
        songfiles::write(loud, songfiles::Kind::WavFloat, kRate, 2, tones::sine(kRate, kRate, 440, 1.0f)));
    Deck d;
    d.engine->setLimiter(true);
    MediaPlayer other(*d.engine, nullptr);
    ASSERT_FALSE(d.mp->open(loud));
    ASSERT_FALSE(other.open(song));
    other.shape().setGain(4.0f);
    d.mp->play();
    other.play();
    d.render();
    EXPECT_TRUE(d.engine->limiting());
    EXPECT_LE(tones::dB(tones::truePeak(d.main, 0)), -1.0);
    d.mp->stop();
    other.shape().setGain(1.0f);
    for (int i = 0; i < 10; ++i)
        d.render();
    EXPECT_FALSE(d.engine->limiting());
}

} // namespace
