// Pre-listen offline: the cue mix against the decks' own frames, the headphone blend, the device layouts, and
// the drift controller between two free-running clocks.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/cuebus.h"
#include "media/deck.h"
#include "media/engineimpl.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform::media;
using Routing = AudioEngine::CueRouting;

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 6000; // more than one cue block, not a whole number of chunks

struct Mixes {
    std::vector<float> main, phones;
};

// Two decks, `a` a saw and `b` a sine, at different levels, both playing; `cueA`/`cueB` put them on the cue.
class CueMix : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(songfiles::write(sawPath, songfiles::Kind::WavFloat, kRate, 2, songfiles::saw(kRate, 2)));
        ASSERT_TRUE(songfiles::write(sinePath, songfiles::Kind::WavFloat, kRate, 2,
                                     songfiles::sine(kRate, 2, kRate, 330.0, 0.6f)));
    }

    Mixes render(AudioEngine::CueOptions options, bool cueA, bool cueB, int levelA = -4500,
                 int levelB = -2000, bool playB = true) {
        auto engine = AudioEngine::createOffline(kRate);
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        EXPECT_FALSE(a.open(sawPath));
        EXPECT_FALSE(b.open(sinePath));
        a.setLevel(levelA);
        b.setLevel(levelB);
        a.setCue(cueA);
        b.setCue(cueB);
        EXPECT_EQ(a.cue(), cueA);
        engine->setCue(options);
        a.play();
        if (playB)
            b.play();
        Mixes m{std::vector<float>(2 * kFrames), std::vector<float>(2 * kFrames, 9.0f)};
        engine->render(m.main.data(), kFrames, m.phones.data());
        return m;
    }

    TempDir dir;
    QString sawPath = dir.file("saw.wav"), sinePath = dir.file("sine.wav");
};

// The cue mix is the cued deck at full gain, whatever its level and whatever else plays; the main mix is the
// same with or without any cue setting.
TEST_F(CueMix, IsTheCuedDeckBeforeItsVolumeAndLeavesTheMainMixAlone) {
    const Mixes plain = render({}, false, false);
    const std::vector<float> deckA = render({}, false, false, 0, 0, false).main;
    for (Routing routing : {Routing::Split, Routing::Device, Routing::Channels34}) {
        const Mixes cued = render({routing, {}, 0.0f}, true, false);
        EXPECT_EQ(cued.main, plain.main) << int(routing);
        EXPECT_EQ(cued.phones, deckA) << int(routing);
    }
    // Nothing cued, or no routing: the headphones hear nothing at balance 0, and the main mix is unchanged.
    const Mixes none = render({Routing::Split, {}, 0.0f}, false, false);
    EXPECT_TRUE(std::all_of(none.phones.begin(), none.phones.end(), [](float s) { return s == 0.0f; }));
    const Mixes off = render({Routing::Off, {}, 0.0f}, true, true);
    EXPECT_EQ(off.main, plain.main);
    EXPECT_TRUE(std::all_of(off.phones.begin(), off.phones.end(), [](float s) { return s == 0.0f; }));
}

TEST_F(CueMix, BalanceBlendsTheCueWithTheMainMix) {
    const Mixes both = render({Routing::Split, {}, 0.0f}, true, true);
    for (float balance : {0.0f, 0.25f, 0.5f, 1.0f}) {
        const Mixes m = render({Routing::Split, {}, balance}, true, true);
        for (size_t i = 0; i < m.phones.size(); ++i) {
            const float expected =
                std::clamp((1 - balance) * both.phones[i] + balance * m.main[i], -1.0f, 1.0f);
            ASSERT_NEAR(m.phones[i], expected, 1e-6f) << "balance " << balance << " at " << i;
        }
    }
}

// The device path: the same pass as render() makes, laid out for the device (in blocks, for a request longer
// than one).
TEST_F(CueMix, DeviceLayoutsCarryBothMixes) {
    const AudioEngine::CueOptions options{Routing::Split, {}, 0.5f};
    const Mixes ref = render(options, false, true);
    struct Case {
        Routing routing;
        int channels;
    };
    for (const Case c : {Case{Routing::Split, 2}, Case{Routing::Channels34, 4}, Case{Routing::Off, 2},
                         Case{Routing::Channels34, 2}}) {
        auto engine = AudioEngine::createOffline(kRate);
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        ASSERT_FALSE(a.open(sawPath));
        ASSERT_FALSE(b.open(sinePath));
        a.setLevel(-4500);
        b.setLevel(-2000);
        b.setCue(true);
        engine->setCue({c.routing, {}, 0.5f});
        a.play();
        b.play();
        auto& impl = engine->impl();
        for (auto& slot : impl.decks)
            if (Deck* d = slot.load())
                d->fill();
        std::vector<float> device(size_t(c.channels) * kFrames, 9.0f);
        impl.processDevice(impl.offlineMixer, device.data(), kFrames, c.channels);
        const bool heard =
            c.routing == Routing::Split || (c.routing == Routing::Channels34 && c.channels == 4);
        std::vector<float> expected(device.size());
        routeCue(c.routing, ref.main.data(), heard ? ref.phones.data() : nullptr, expected.data(), kFrames,
                 c.channels);
        for (size_t i = 0; i < device.size(); ++i)
            ASSERT_NEAR(device[i], expected[i], 1e-6f) << int(c.routing) << "/" << c.channels << " at " << i;
    }
}

TEST(RouteCue, PutsEachMixOnItsChannels) {
    const std::vector<float> main = {0.5f, -0.25f, 1.0f, 0.0f};
    const std::vector<float> phones = {0.2f, 0.4f, -1.0f, -0.5f};
    struct Case {
        Routing routing;
        int channels;
        bool withPhones;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {Routing::Split, 2, true, {0.125f, 0.3f, 0.5f, -0.75f}},
        {Routing::Split, 2, false, {0.125f, 0.0f, 0.5f, 0.0f}},
        {Routing::Channels34, 4, true, {0.5f, -0.25f, 0.2f, 0.4f, 1.0f, 0.0f, -1.0f, -0.5f}},
        {Routing::Split, 4, true, {0.5f, -0.25f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f}},
        {Routing::Device, 2, true, main},
        {Routing::Channels34, 2, true, main},
    };
    for (const Case& c : cases) {
        std::vector<float> out(size_t(2 * c.channels), 9.0f);
        routeCue(c.routing, main.data(), c.withPhones ? phones.data() : nullptr, out.data(), 2, c.channels);
        EXPECT_EQ(out, c.expected) << int(c.routing) << "/" << c.channels;
        // Laid out over the main mix itself, as the device path does.
        std::vector<float> inPlace(out.size(), 9.0f);
        std::copy(main.begin(), main.end(), inPlace.begin());
        routeCue(c.routing, inPlace.data(), c.withPhones ? phones.data() : nullptr, inPlace.data(), 2,
                 c.channels);
        EXPECT_EQ(inPlace, c.expected) << "in place " << int(c.routing) << "/" << c.channels;
    }
}

// Two clocks `ppm` apart, each side in bursts as sound servers ask: the feed measures the drift, keeps the
// ring near its target, and never runs dry once primed.
class CueFeedDrift : public ::testing::TestWithParam<double> {};

TEST_P(CueFeedDrift, IsMeasuredAndCorrected) {
    const double ppm = GetParam();
    constexpr int kDeviceRate = 48000, kTarget = 4800, kPush = 1024, kPull = 960;
    CueFeed feed;
    ASSERT_TRUE(feed.open(kDeviceRate, kTarget));
    std::vector<float> in(2 * kPush), out(2 * kPull);
    double producerTime = 0, consumerTime = 0;
    int64_t pushed = 0;
    uint64_t dryAfterStart = 0;
    uint32_t lowest = CueRing::kFrames, highest = 0;
    const double seconds = 150;
    while (consumerTime < seconds) {
        // Whichever side's next burst comes first runs.
        if (producerTime <= consumerTime) {
            for (int i = 0; i < kPush; ++i, ++pushed)
                in[2 * i] = in[2 * i + 1] = 0.3f * float(std::sin(0.01 * double(pushed)));
            feed.push(in.data(), kPush);
            producerTime += double(kPush) / kDeviceRate;
        } else {
            const uint64_t before = feed.underflows();
            feed.pull(out.data(), kPull);
            consumerTime += double(kPull) / (kDeviceRate * (1 + ppm * 1e-6));
            if (consumerTime > 1)
                dryAfterStart += feed.underflows() - before;
            if (consumerTime > seconds / 2) {
                lowest = std::min(lowest, feed.ring().available());
                highest = std::max(highest, feed.ring().available());
            }
        }
    }
    EXPECT_NEAR(feed.driftPpm(), ppm, 10.0);
    EXPECT_EQ(dryAfterStart, 0u);
    EXPECT_EQ(feed.ring().dropped(), 0u);
    // Settled: within a burst or two of the target, however far apart the clocks are.
    EXPECT_GT(double(lowest), kTarget - 2.5 * kPull);
    EXPECT_LT(double(highest), kTarget + 2.5 * kPush);
}

INSTANTIATE_TEST_SUITE_P(Clocks, CueFeedDrift, testing::Values(0.0, 250.0, -1500.0));

} // namespace
