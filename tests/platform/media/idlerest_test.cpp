// An engine whose decks are silent rests; a command wakes it at once.
#include <QSignalSpy>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::media;
using std::chrono::milliseconds;

namespace {

// A stereo 44.1 kHz WAV of `seconds` of a tone.
QString toneWav(const TempDir& dir, const QString& name, double seconds) {
    const QString path = dir.file(name);
    const int frames = static_cast<int>(seconds * 44100);
    songfiles::write(path, songfiles::Kind::Wav16, 44100, 2, songfiles::sine(frames, 2, 44100));
    return path;
}

// Rest is the absence of work, which shows only over some time: `counter` keeps still for `window`. An output
// that mixes moves it every period (under 6 ms here), so a fault fails for certain; a slow machine only makes
// the check less sharp, never wrong.
template <class Counter> bool staysStill(const Counter& counter, milliseconds window) {
    const auto at = counter.load();
    return !waitFor([&] { return counter.load() != at; }, window);
}
// Waits until the output has come to rest.
template <class Counter> bool comesToRest(const Counter& counter) {
    return waitFor([&] { return staysStill(counter, milliseconds(20)); });
}

TEST(IdleRest, NullOutputRestsAndWakesOnEveryCommand) {
    TempDir dir;
    const QString path = toneWav(dir, "tone.wav", 0.4);
    auto engine = AudioEngine::createWithOutput(44100, 256, nullptr);
    auto& impl = engine->mixer();
    MediaPlayer mp(*engine, nullptr);
    QSignalSpy spy(&mp, &MediaPlayer::ended);
    ASSERT_FALSE(mp.open(path));
    ASSERT_TRUE(comesToRest(impl.entered)) << "the null output mixes while nothing plays";
    EXPECT_TRUE(staysStill(impl.entered, milliseconds(100)));

    mp.setPosition(0.1);
    EXPECT_DOUBLE_EQ(mp.position(), 0.1);
    mp.play();
    ASSERT_TRUE(waitFor([&] { return mp.position() > 0.15; }));
    mp.pause();
    ASSERT_TRUE(comesToRest(impl.entered));
    const double pausedAt = mp.position();
    EXPECT_TRUE(staysStill(impl.entered, milliseconds(60)));
    EXPECT_DOUBLE_EQ(mp.position(), pausedAt);
    mp.play();
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(mp.state(), PlayState::Stopped);
    EXPECT_NEAR(mp.position(), 0.4, 0.01);
    // Played to its end, again from the start; the resting worker posts the second end too, and only it.
    mp.play();
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_FALSE(waitFor([&] { return spy.count() > 2; }, milliseconds(50)));
}

// A fake device that calls back every period: a stopped deck's load and seek leave stale chunks, which the
// callback drops; the resting worker must refill at once so that a play finds its frames ready.
class PacedOutput final : public AudioOutput {
public:
    explicit PacedOutput(Mixer& engine) : m_engine(engine) {}
    ~PacedOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] {
            std::vector<float> buffer(size_t(2 * m_engine.period));
            while (!m_quit.load()) {
                m_engine.process(mixer, buffer.data(), m_engine.period);
                ++calls;
                std::this_thread::sleep_for(milliseconds(5));
            }
        });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    // Returns once the device has called back `n` more times.
    bool passes(int n) {
        const int until = calls.load() + n;
        return waitFor([&] { return calls.load() >= until; });
    }
    std::atomic<int> calls{0};

private:
    std::atomic<bool> m_quit{false};
    Mixer& m_engine;
    std::thread m_thread;
};

TEST(IdleRest, StoppedDeckIsRefilledAfterASeekWithoutUnderflow) {
    TempDir dir;
    const QString a = toneWav(dir, "a.wav", 1.0);
    PacedOutput* device = nullptr;
    auto engine = AudioEngine::createWithOutput(44100, 256, [&](Mixer& e) {
        auto out = std::make_unique<PacedOutput>(e);
        device = out.get();
        return out;
    });
    ASSERT_TRUE(engine->waitUntilSettled(3000));
    ASSERT_EQ(engine->output(), AudioEngine::Output::Device);
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(a));
    ASSERT_TRUE(device->passes(8)); // the callback drops what the second load makes stale
    ASSERT_FALSE(mp.open(a));
    mp.setPosition(0.5);
    ASSERT_TRUE(device->passes(8));
    mp.play();
    ASSERT_TRUE(waitFor([&] { return mp.position() > 0.6; }));
    EXPECT_EQ(engine->mixer().decks[0].load()->underflows(), 0u);
    mp.stop();
}

} // namespace
