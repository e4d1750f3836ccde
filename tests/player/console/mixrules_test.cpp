// The DJ mixer's rules (knob tapers, channel faders, crossfader curves) and the console that applies them.
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

#include "console/console.h"
#include "console/mixrules.h"
#include "media/audioengine.h"
#include "media/dsp/deckshape.h"
#include "media/mediaplayer.h"
#include "songlistfixture.h"

namespace {

using namespace player::mixrules;
using Curve = CrossfadeCurve;
using EqBand = platform::media::dsp::ThreeBandEq::Band;

double dB(double gain) {
    return 20 * std::log10(gain);
}

TEST(MixRules, KnobTapers) {
    const struct {
        double knob, bandDb, trimDbIn, trimDb;
    } cases[] = {
        {0.0, 0.0, 0.0, 0.0},       {1.0, 6.0, 12.0, 12.0},      {0.5, 3.0, 30.0, 12.0},
        {-0.5, -18.06, -6.0, -6.0}, {-0.9, -60.0, -40.0, -12.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.knob);
        EXPECT_NEAR(dB(bandGain(c.knob)), c.bandDb, 0.01);
        EXPECT_NEAR(dB(trimGain(c.trimDbIn)), c.trimDb, 1e-9);
    }
    // The end of a band's knob, and beyond, is silence; nonsense is the centre.
    EXPECT_EQ(bandGain(-1.0), 0.0);
    EXPECT_EQ(bandGain(-3.0), 0.0);
    EXPECT_EQ(bandGain(NAN), 1.0);
    EXPECT_EQ(trimGain(NAN), 1.0);
}

// A channel fader covers 64 dB in even steps, then is off; the crossfader's curves meet their ends exactly.
TEST(MixRules, ChannelFaderAndCrossfaderCurves) {
    EXPECT_EQ(channelGain(1.0), 1.0);
    EXPECT_NEAR(dB(channelGain(0.5)), -32.0, 1e-9);
    EXPECT_LE(dB(channelGain(1.0 / 5000)), -60.0);
    EXPECT_EQ(channelGain(0.0), 0.0);
    const struct {
        int value;
        Curve curve;
        double deck0, deck1;
    } cases[] = {
        {1, Curve::EqualPower, 1.0, 0.0},
        {100, Curve::EqualPower, 0.0, 1.0},
        {50, Curve::EqualPower, 0.71269, 0.70147},
        {1, Curve::Cut, 1.0, 0.0},
        {3, Curve::Cut, 1.0, 0.50505},
        {50, Curve::Cut, 1.0, 1.0},
        {100, Curve::Cut, 0.0, 1.0},
        {-7, Curve::Cut, 1.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const auto [g0, g1] = crossfadeGains(c.value, c.curve);
        EXPECT_NEAR(g0, c.deck0, 1e-4);
        EXPECT_NEAR(g1, c.deck1, 1e-4);
        if (c.curve == Curve::EqualPower) {
            EXPECT_NEAR(g0 * g0 + g1 * g1, 1.0, 1e-12);
        }
    }
    EXPECT_EQ(levelForGain(1.0), 0);
    EXPECT_EQ(levelForGain(0.0), -9000);
    EXPECT_EQ(levelForGain(0.5), -4500);
}

class ConsoleSound : public SongListFixture {
protected:
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(8000);
    platform::media::MediaPlayer mp0{*engine, nullptr}, mp1{*engine, nullptr};
    Console console{{&mp0, &mp1}, list, nullptr};
};

// The knobs reach the deck they name, held to their ranges, and "reset deck" brings every one to its centre.
TEST_F(ConsoleSound, KnobsReachTheirDeckAndResetToTheCentre) {
    QSignalSpy changed(&console, &Console::deckSoundChanged);
    console.setGain(1, 30);
    console.setBand(1, Console::Band::High, 0.5);
    console.setKill(1, Console::Band::Low, true);
    console.setFilter(1, -0.3);
    console.setFilter(1, console.filter(1) + 0.1);
    EXPECT_EQ(console.gain(1), 12.0);
    EXPECT_EQ(console.filter(1), -0.2);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_EQ(changed.last().at(0).toInt(), 1);
    const auto& s1 = mp1.shape();
    EXPECT_NEAR(dB(s1.gain()), 12.0, 1e-5);
    EXPECT_NEAR(dB(s1.band(EqBand::High)), 3.0, 1e-5);
    EXPECT_TRUE(s1.kill(EqBand::Low));
    EXPECT_FLOAT_EQ(s1.filter(), -0.2f);
    EXPECT_EQ(mp0.shape().gain(), 1.0f);

    console.resetDeck(1);
    EXPECT_EQ(console.gain(1), 0.0);
    EXPECT_FALSE(console.kill(1, Console::Band::Low));
    EXPECT_EQ(s1.gain(), 1.0f);
    EXPECT_EQ(s1.band(EqBand::High), 1.0f);
    EXPECT_FALSE(s1.kill(EqBand::Low));
    EXPECT_EQ(s1.filter(), 0.0f);
}

// As a DJ mixer, the decks hear what the three sliders show, from the moment the mode is chosen: deck 2's
// slider at the bottom is silence, and a deck's slider moved after the crossfader does not undo it.
TEST_F(ConsoleSound, DjMixerFadersMultiplyWhatTheSlidersShow) {
    console.setDeckLevel(0, 0);
    console.setFaders(Faders::DjMixer, Curve::EqualPower);
    EXPECT_EQ(mp0.level(), levelForGain(std::cos(49 / 99.0 * M_PI / 2)));
    EXPECT_EQ(mp1.level(), -9000);
    console.setCrossfader(1);
    console.setDeckLevel(1, 0);
    EXPECT_EQ(mp0.level(), 0);
    EXPECT_EQ(mp1.level(), -9000);
    console.setDeckLevel(0, -2500);
    EXPECT_EQ(mp0.level(), levelForGain(channelGain(0.5)));
    console.setFaders(Faders::DjMixer, Curve::Cut);
    console.setCrossfader(50);
    EXPECT_EQ(mp1.level(), 0);

    // Back to the written law: the last slider moved decides again, as before.
    console.setFaders(Faders::AsWritten, Curve::Cut);
    console.setCrossfader(100);
    EXPECT_EQ(mp0.level(), -9000);
    EXPECT_EQ(mp1.level(), 0);
    console.setDeckLevel(0, -4600);
    EXPECT_EQ(mp0.level(), -9640);
}

} // namespace
