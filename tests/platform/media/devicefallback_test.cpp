// The watchdog that judges a device by its stream, and the null output it falls back to.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "stderrcapture.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::media;

namespace {

// A device scripted in time: after a pause of `startPause` it calls back in bursts of `burst` periods with
// `gap` between them; after `dieAfter` callbacks its library reports the stream dead or, with `hang`, it
// simply stops calling.
struct Script {
    std::chrono::milliseconds startPause{0};
    int burst = 1;
    std::chrono::milliseconds gap{0};
    int dieAfter = -1;
    bool hang = false;
};

class ScriptedOutput final : public AudioOutput {
public:
    ScriptedOutput(Mixer& engine, Script script) : m_engine(engine), m_script(script) {}
    ~ScriptedOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    bool healthy() override { return !m_dead.load(); }
    // Rests as a server's corked stream does: no calls until resumed.
    void rest(bool on) override { m_resting.store(on); }
    bool resting() const override { return m_resting.load(); }
    std::string name() const override { return "scripted"; }

private:
    void run() {
        using namespace std::chrono;
        std::vector<float> buffer(size_t(2 * m_engine.period));
        const auto periodTime = duration<double>(double(m_engine.period) / m_engine.rate);
        const auto until = [&](steady_clock::time_point t) {
            while (!m_quit.load() && steady_clock::now() < t)
                std::this_thread::sleep_for(milliseconds(2));
        };
        auto next = steady_clock::now() + m_script.startPause;
        until(next);
        for (int calls = 0; !m_quit.load();) {
            if (m_script.dieAfter >= 0 && calls >= m_script.dieAfter) {
                m_dead.store(!m_script.hang);
                return;
            }
            for (int i = 0; i < m_script.burst && !m_resting.load(); ++i, ++calls)
                m_engine.process(mixer, buffer.data(), m_engine.period);
            next += duration_cast<steady_clock::duration>(periodTime * m_script.burst) + m_script.gap;
            until(next);
        }
    }

    Mixer& m_engine;
    Script m_script;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_dead{false};
    std::atomic<bool> m_resting{false};
    std::thread m_thread;
};

// Open n gets scripts[n] (the last one repeated), except that opens 1 to `absentAfterFirst` find no device.
struct ScriptedDevice {
    std::vector<Script> scripts;
    int absentAfterFirst = 0;
    std::shared_ptr<std::atomic<int>> opens = std::make_shared<std::atomic<int>>(0);
    std::function<std::unique_ptr<AudioOutput>(Mixer&)> factory() const {
        return [d = *this](Mixer& e) -> std::unique_ptr<AudioOutput> {
            const int n = (*d.opens)++;
            if (n > 0 && n <= d.absentAfterFirst)
                return nullptr;
            const int i = std::min(n == 0 ? 0 : n - d.absentAfterFirst, int(d.scripts.size()) - 1);
            return std::make_unique<ScriptedOutput>(e, d.scripts[size_t(i)]);
        };
    }
};

// A 16-bit stereo WAV of `seconds` of silence in `dir`; returns its path.
QString silentWav(const TempDir& dir, double seconds) {
    const QString path = dir.file(QStringLiteral("silence.wav"));
    const int frames = int(seconds * 44100);
    songfiles::write(path, songfiles::Kind::Wav16, 44100, 2, songfiles::constant(frames, 2, 0.0f));
    return path;
}

// Sound servers pause at start and call back in bursts: neither is a failed device.
TEST(DeviceFallback, AStartUpPauseAndBurstsKeepTheDevice) {
    const std::vector<Script> cases = {
        {std::chrono::milliseconds(2000), 1, std::chrono::milliseconds(0)},
        {std::chrono::milliseconds(0), 8, std::chrono::milliseconds(150)},
    };
    TempDir dir;
    const QString path = silentWav(dir, 6.0);
    for (const Script& script : cases) {
        StderrCapture capture;
        ScriptedDevice device{{script}};
        auto engine = AudioEngine::createWithOutput(44100, 256, device.factory());
        ASSERT_TRUE(engine->waitUntilSettled(3000));
        MediaPlayer mp(*engine, nullptr);
        ASSERT_FALSE(mp.open(path));
        mp.play();
        // Longer than the watchdog's limit of silence, and the deck moved on through the device.
        std::this_thread::sleep_for(DeviceKeeper::kSilenceLimit + std::chrono::seconds(1));
        EXPECT_GT(mp.position(), 1.0);
        EXPECT_EQ(engine->output(), AudioEngine::Output::Device);
        EXPECT_TRUE(engine->status().sound);
        EXPECT_EQ(*device.opens, 1);
        EXPECT_EQ(capture.text(), QString());
    }
}

// A stream that dies (its library says so, or it stops taking audio) hands over to the null output; the
// device is tried again and playback moves back to it when it answers, the deck's position kept throughout.
TEST(DeviceFallback, AFailedDeviceFallsBackAndSoundReturns) {
    TempDir dir;
    const QString path = silentWav(dir, 30.0);
    for (const bool hang : {false, true}) {
        StderrCapture capture;
        const Script dying{std::chrono::milliseconds(0), 1, std::chrono::milliseconds(0), 40, hang};
        ScriptedDevice device{{dying, Script{}}, 1};
        auto engine = AudioEngine::createWithOutput(44100, 256, device.factory());
        std::atomic<int> changes{0};
        engine->setStatusListener([&] { ++changes; });
        ASSERT_TRUE(engine->waitUntilSettled(3000));
        MediaPlayer mp(*engine, nullptr);
        ASSERT_FALSE(mp.open(path));
        mp.play();
        ASSERT_TRUE(waitFor([&] { return !engine->status().sound; }, std::chrono::seconds(8)));
        EXPECT_EQ(engine->output(), AudioEngine::Output::Null);
        EXPECT_FALSE(engine->status().sound);
        EXPECT_EQ(engine->status().device, "scripted");
        const double atFailure = mp.position();
        ASSERT_TRUE(waitFor([&] { return engine->status().sound; }, std::chrono::seconds(8)));
        EXPECT_EQ(engine->output(), AudioEngine::Output::Device);
        EXPECT_EQ(*device.opens, 3); // the first, one attempt that found nothing, the one that answered
        EXPECT_GE(mp.position(), atFailure);
        const double atReturn = mp.position();
        EXPECT_TRUE(waitFor([&] { return mp.position() > atReturn + 0.1; }, std::chrono::seconds(3)));
        EXPECT_EQ(mp.state(), PlayState::Playing);
        engine->setStatusListener(nullptr);
        EXPECT_GE(changes.load(), 2); // gone, back
        const QString why = hang ? "stopped" : "failed";
        EXPECT_EQ(capture.text().toStdString(),
                  ("the sound device " + why + "; playing on without sound.\nsound is back on scripted.\n")
                      .toStdString());
    }
}

// While nothing plays the device rests and so does the watchdog; a command wakes both, and the watchdog
// judges the device again (here: its death once it plays).
TEST(DeviceFallback, AnIdleWatchdogSleepsUntilACommand) {
    TempDir dir;
    const QString path = silentWav(dir, 5.0);
    StderrCapture capture;
    const Script dying{std::chrono::milliseconds(0), 1, std::chrono::milliseconds(0), 600, false};
    ScriptedDevice device{{dying}};
    auto engine = AudioEngine::createWithOutput(44100, 256, device.factory());
    auto& keeper = engine->keeper();
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(path));
    ASSERT_TRUE(waitFor([&] { return keeper.deviceResting(); }, std::chrono::seconds(8)));
    const uint64_t looks = keeper.looks.load();
    // Three looks' worth of time.
    std::this_thread::sleep_for(DeviceKeeper::kWatchInterval * 3);
    EXPECT_EQ(keeper.looks.load(), looks);
    mp.play();
    ASSERT_TRUE(waitFor([&] { return !engine->status().sound; }, std::chrono::seconds(8)));
    EXPECT_GT(mp.position(), 0.0);
    EXPECT_EQ(capture.text().toStdString(), "the sound device failed; playing on without sound.\n");
}

// Without a device the null output plays, at the rate and period asked for. An attempt to open one (a probe
// of every card) is made while a deck plays, backing off, and once after a command; an idle engine makes
// none.
TEST(DeviceFallback, WithoutADeviceAttemptsFollowPlaying) {
    TempDir dir;
    const QString path = silentWav(dir, 10.0);
    std::atomic<int> opens{0};
    auto engine = AudioEngine::createWithOutput(48000, 1024, [&](Mixer&) -> std::unique_ptr<AudioOutput> {
        ++opens;
        return nullptr;
    });
    ASSERT_TRUE(engine->waitUntilSettled(3000));
    EXPECT_EQ(engine->output(), AudioEngine::Output::Null);
    EXPECT_FALSE(engine->status().sound);
    EXPECT_EQ(engine->sampleRate(), 48000);
    EXPECT_EQ(engine->period(), 1024);
    auto& keeper = engine->keeper();
    // The start's attempts (their back-off outlasts the time a command counts) end by themselves.
    ASSERT_TRUE(waitFor(
        [&] {
            const uint64_t looks = keeper.looks.load();
            std::this_thread::sleep_for(DeviceKeeper::kRetryFirst * 3);
            return keeper.looks.load() == looks;
        },
        std::chrono::seconds(8)));
    const int idle = opens.load();
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(path));
    mp.play();
    ASSERT_TRUE(waitFor([&] { return opens.load() >= idle + 2; }, std::chrono::seconds(12)));
    EXPECT_EQ(mp.state(), PlayState::Playing);
}

TEST(DeviceFallback, TheNullOutputPlaysInRealTimeAndDeliversTheEnd) {
    TempDir dir;
    const QString path = silentWav(dir, 0.1);
    auto engine = AudioEngine::createWithOutput(44100, 256, nullptr);
    ASSERT_EQ(engine->output(), AudioEngine::Output::Null);
    MediaPlayer mp(*engine, nullptr);
    QSignalSpy spy(&mp, &MediaPlayer::ended);
    ASSERT_FALSE(mp.open(path));
    const auto start = std::chrono::steady_clock::now();
    mp.play();
    ASSERT_TRUE(spy.wait(3000));
    // Real-time pace: a tenth of a second of song takes about that long.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_EQ(mp.state(), PlayState::Stopped);
    QTest::qWait(50);
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
