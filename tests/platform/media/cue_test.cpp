// Pre-listen offline: the cue mix against the decks' own frames, the headphone blend, the device layouts, and
// the drift controller between two free-running clocks.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/cuebus.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
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

// Two decks, `a` a saw at level -4500 and `b` a sine at -2000, both playing (unless `levelB` is null);
// `cueA`/`cueB` put them on the cue.
class CueMix : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(songfiles::write(dir.file("a.wav"), songfiles::Kind::WavFloat, kRate, 2,
                                     songfiles::saw(kRate, 2)));
        ASSERT_TRUE(songfiles::write(dir.file("b.wav"), songfiles::Kind::WavFloat, kRate, 2,
                                     songfiles::sine(kRate, 2, kRate, 330.0, 0.6f)));
    }
    void start(AudioEngine::CueOptions options, bool cueA, bool cueB, int levelA = -4500,
               std::optional<int> levelB = -2000) {
        b.reset();
        a.reset();
        engine = AudioEngine::createOffline(kRate);
        a = std::make_unique<MediaPlayer>(*engine, nullptr);
        b = std::make_unique<MediaPlayer>(*engine, nullptr);
        EXPECT_FALSE(a->open(dir.file("a.wav")));
        EXPECT_FALSE(b->open(dir.file("b.wav")));
        a->setLevel(levelA);
        b->setLevel(levelB.value_or(0));
        a->setCue(cueA);
        b->setCue(cueB);
        EXPECT_EQ(a->cue(), cueA);
        engine->setCue(options);
        a->play();
        if (levelB)
            b->play();
    }
    Mixes render(AudioEngine::CueOptions options, bool cueA, bool cueB, int levelA = -4500,
                 std::optional<int> levelB = -2000) {
        start(options, cueA, cueB, levelA, levelB);
        Mixes m{std::vector<float>(2 * kFrames), std::vector<float>(2 * kFrames, 9.0f)};
        engine->render(m.main.data(), kFrames, m.phones.data());
        return m;
    }

    TempDir dir;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<MediaPlayer> a, b;
};

bool silent(const std::vector<float>& v) {
    return std::all_of(v.begin(), v.end(), [](float s) { return s == 0.0f; });
}

// The cue mix is the cued deck at full gain, whatever its level and whatever else plays; the main mix is the
// same with or without any cue setting; the balance blends in the main mix.
TEST_F(CueMix, IsTheCuedDeckBeforeItsVolumeAndLeavesTheMainMixAlone) {
    const Mixes plain = render({}, false, false);
    const std::vector<float> deckA = render({}, false, false, 0, std::nullopt).main;
    for (Routing routing : {Routing::Split, Routing::Device, Routing::Channels34}) {
        const Mixes cued = render({routing, {}, 0.0f}, true, false);
        EXPECT_EQ(cued.main, plain.main) << int(routing);
        EXPECT_EQ(cued.phones, deckA) << int(routing);
    }
    // Nothing cued, or no routing: the headphones hear nothing at balance 0.
    EXPECT_TRUE(silent(render({Routing::Split, {}, 0.0f}, false, false).phones));
    const Mixes off = render({Routing::Off, {}, 0.0f}, true, true);
    EXPECT_EQ(off.main, plain.main);
    EXPECT_TRUE(silent(off.phones));

    const Mixes both = render({Routing::Split, {}, 0.0f}, true, true);
    for (float balance : {0.25f, 0.5f, 1.0f}) {
        const Mixes m = render({Routing::Split, {}, balance}, true, true);
        for (size_t i = 0; i < m.phones.size(); ++i)
            ASSERT_NEAR(m.phones[i],
                        std::clamp((1 - balance) * both.phones[i] + balance * m.main[i], -1.0f, 1.0f), 1e-6f)
                << "balance " << balance << " at " << i;
    }
}

// The device path: the same pass as render() makes, laid out for the device (in blocks, for a request longer
// than one).
TEST_F(CueMix, DeviceLayoutsCarryBothMixes) {
    const Mixes ref = render({Routing::Split, {}, 0.5f}, false, true);
    for (const auto& [routing, channels] : {std::pair{Routing::Split, 2}, std::pair{Routing::Channels34, 4},
                                            std::pair{Routing::Off, 2}, std::pair{Routing::Channels34, 2}}) {
        start({routing, {}, 0.5f}, false, true);
        auto& impl = engine->mixer();
        for (auto& slot : impl.decks)
            if (Deck* d = slot.load())
                d->fill();
        std::vector<float> device(size_t(channels) * kFrames, 9.0f), expected(device.size());
        impl.processDevice(impl.offlineMixer, device.data(), kFrames, channels);
        const bool heard = routing == Routing::Split || (routing == Routing::Channels34 && channels == 4);
        routeCue(routing, ref.main.data(), heard ? ref.phones.data() : nullptr, expected.data(), kFrames,
                 channels);
        for (size_t i = 0; i < device.size(); ++i)
            ASSERT_NEAR(device[i], expected[i], 1e-6f) << int(routing) << "/" << channels << " at " << i;
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
