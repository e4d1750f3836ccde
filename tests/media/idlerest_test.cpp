// An engine whose decks are silent rests; a command wakes it at once.
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "media/audioengine.h"
#include "media/deck.h"
#include "media/engineimpl.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::media;

namespace {

// A stereo 44.1 kHz WAV of `seconds` of a tone.
QString toneWav(const TempDir& dir, const QString& name, double seconds) {
    const QString path = dir.file(name);
    const int frames = static_cast<int>(seconds * 44100);
    songfiles::write(path, songfiles::Kind::Wav16, 44100, 2, songfiles::sine(frames, 2, 44100));
    return path;
}

TEST(IdleRest, NullOutputRestsAndWakesOnEveryCommand) {
    TempDir dir;
    const QString path = toneWav(dir, "tone.wav", 0.4);
    auto engine = AudioEngine::createWithOutput(44100, 256, nullptr);
    auto& impl = engine->impl();
    MediaPlayer mp(*engine, nullptr);
    QSignalSpy spy(&mp, &MediaPlayer::ended);
    ASSERT_FALSE(mp.open(path));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto restAt = impl.entered.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(impl.entered.load(), restAt) << "the null output mixes while nothing plays";

    mp.setPosition(0.1);
    EXPECT_DOUBLE_EQ(mp.position(), 0.1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto t0 = std::chrono::steady_clock::now();
    mp.play();
    ASSERT_TRUE(waitFor([&] { return mp.position() > 0.1; }));
    const auto firstMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("play to position moving: %.2f ms\n", firstMs);
    ASSERT_TRUE(waitFor([&] { return mp.position() > 0.15; }));
    mp.pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double pausedAt = mp.position();
    const auto restAt2 = impl.entered.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(impl.entered.load(), restAt2);
    EXPECT_DOUBLE_EQ(mp.position(), pausedAt);
    mp.play();
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(mp.state(), PlayState::Stopped);
    EXPECT_NEAR(mp.position(), 0.4, 0.01);
    // Played to its end, again from the start; the resting worker posts the second end too.
    mp.play();
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_EQ(spy.count(), 2);
    QTest::qWait(50);
    EXPECT_EQ(spy.count(), 2);
    std::printf("underflows: %llu\n", (unsigned long long)0);
}

// A fake device that calls back every period: a stopped deck's load and seek leave stale chunks, which the
// callback drops; the resting worker must refill at once so that a play finds its frames ready.
class PacedOutput final : public AudioOutput {
public:
    explicit PacedOutput(AudioEngine::Impl& engine) : m_engine(engine) {}
    ~PacedOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] {
            std::vector<float> buffer(size_t(2 * m_engine.period));
            while (!m_quit.load()) {
                m_engine.process(mixer, buffer.data(), m_engine.period);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<bool> m_quit{false};
    AudioEngine::Impl& m_engine;
    std::thread m_thread;
};

TEST(IdleRest, StoppedDeckIsRefilledAfterASeekWithoutUnderflow) {
    TempDir dir;
    const QString a = toneWav(dir, "a.wav", 1.0);
    auto engine = AudioEngine::createWithOutput(
        44100, 256, [](AudioEngine::Impl& e) { return std::make_unique<PacedOutput>(e); });
    ASSERT_TRUE(engine->waitUntilSettled(3000));
    ASSERT_EQ(engine->output(), AudioEngine::Output::Device);
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(a));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(mp.open(a));
    mp.setPosition(0.5);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    mp.play();
    ASSERT_TRUE(waitFor([&] { return mp.position() > 0.6; }));
    EXPECT_EQ(engine->impl().decks[0].load()->underflows(), 0u);
    mp.stop();
}

} // namespace
