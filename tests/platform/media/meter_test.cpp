// The level meters, read as a display would between offline passes: a deck's after its level, the master's
// before the clamp, so that a mix that clips says so.
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform::media;

namespace {

constexpr int kRate = 44100;

class MeterTest : public ::testing::Test {
protected:
    void load(MediaPlayer& mp, const QString& name, const std::vector<float>& samples) {
        const QString path = dir.file(name);
        ASSERT_TRUE(songfiles::write(path, songfiles::Kind::WavFloat, kRate, 2, samples));
        ASSERT_FALSE(mp.open(path));
    }
    // Renders `frames` and returns the largest |sample| of the output.
    float render(int frames) {
        std::vector<float> out(size_t(2 * frames));
        engine->render(out.data(), frames);
        float peak = 0;
        for (float s : out)
            peak = std::max(peak, std::fabs(s));
        return peak;
    }

    TempDir dir;
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    MediaPlayer a{*engine, nullptr}, b{*engine, nullptr};
};

TEST_F(MeterTest, ADeckReadsItsPeakAfterItsLevel) {
    load(a, "sine.wav", songfiles::sine(4 * kRate, 2, kRate, 441, 0.5f));
    const struct {
        int level;
        float reads;
    } levels[] = {{0, 0.5f}, {-4500, 0.25f}, {-9640, 0.0f}, {0, 0.5f}};
    a.play();
    for (const auto& l : levels) {
        a.setLevel(l.level);
        render(4096); // past the level's ramp
        a.meter().take();
        render(2048);
        const PeakMeter::Reading r = a.meter().take();
        EXPECT_NEAR(r.left, l.reads, 0.005f) << "level " << l.level;
        EXPECT_NEAR(r.right, l.reads, 0.005f) << "level " << l.level;
        EXPECT_FALSE(r.clipped);
        const PeakMeter::Reading again = a.meter().take();
        EXPECT_EQ(again.left, 0.0f) << "a take empties the meter";
    }
    a.pause();
    render(2048);
    EXPECT_EQ(a.meter().take().left, 0.0f) << "a paused deck";
}

TEST_F(MeterTest, TwoFullDecksClipTheMasterAndEachDeckReadsItsOwn) {
    load(a, "a.wav", songfiles::constant(kRate, 2, 0.9f));
    load(b, "b.wav", songfiles::constant(kRate, 2, -0.7f));
    a.play();
    render(1024);
    PeakMeter::Reading master = engine->masterMeter().take();
    EXPECT_NEAR(master.left, 0.9f, 1e-6f);
    EXPECT_FALSE(master.clipped);
    b.play();
    render(1024);
    master = engine->masterMeter().take();
    // 0.9 and -0.7 give 0.2: the master hears the sum, each deck itself.
    EXPECT_NEAR(master.right, 0.2f, 1e-6f);
    EXPECT_NEAR(a.meter().take().left, 0.9f, 1e-6f);
    EXPECT_NEAR(b.meter().take().right, 0.7f, 1e-6f);

    load(b, "b2.wav", songfiles::constant(kRate, 2, 0.9f));
    b.play();
    const float heard = render(1024);
    master = engine->masterMeter().take();
    EXPECT_NEAR(master.left, 1.8f, 1e-5f);
    EXPECT_NEAR(master.right, 1.8f, 1e-5f);
    EXPECT_TRUE(master.clipped);
    EXPECT_EQ(heard, 1.0f) << "the device still gets the clamped mix";
    EXPECT_FALSE(a.meter().take().clipped);
    EXPECT_FALSE(engine->masterMeter().take().clipped) << "a take clears the clip";
}

} // namespace
