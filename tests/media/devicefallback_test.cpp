// The program-wide engine without a sound device, and the watchdog that moves a stalled device to the null
// output.
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

#include "clockwait.h"
#include "media/audioengine.h"
#include "media/engineimpl.h"
#include "media/mediaplayer.h"
#include "tempdir.h"

using namespace platform::media;

namespace {

// Collects what is written to standard error, at the descriptor level, for its lifetime.
class StderrCapture {
public:
    StderrCapture() {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    QString text() {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        QFile f(m_file.fileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll());
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

TEST(DeviceFallback, WithoutADeviceTheEngineSaysSoOnceAndNothingElse) {
    StderrCapture capture;
    // The host names itself and picks the period; the engine holds the period to its range.
    AudioEngine& engine = AudioEngine::instance({"Host", 100});
    MediaPlayer mp; // the program-wide engine
    const QString text = capture.text();
    if (engine.output() == AudioEngine::Output::Device) {
        EXPECT_EQ(text, QString());
    } else {
        EXPECT_EQ(engine.output(), AudioEngine::Output::Null);
        EXPECT_EQ(text, QStringLiteral("Host: no sound device; playing without sound.\n"));
    }
    EXPECT_GT(engine.sampleRate(), 0);
    EXPECT_EQ(engine.period(), 256);
    EXPECT_EQ(&AudioEngine::instance({"Other", 1024}), &engine);
}

// An output that calls back a few periods, then falls silent, as a device that is pulled out.
class StallingOutput final : public AudioOutput {
public:
    StallingOutput(AudioEngine::Impl& engine, int callbacks) : m_engine(engine), m_callbacks(callbacks) {}
    ~StallingOutput() override { stop(); }
    bool start() override {
        if (m_callbacks < 0)
            return false;
        m_thread = std::thread([this] {
            std::vector<float> buffer(size_t(2 * m_engine.period));
            for (int i = 0; i < m_callbacks; ++i) {
                m_engine.process(mixer, buffer.data(), m_engine.period);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        return true;
    }
    void stop() override {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    AudioEngine::Impl& m_engine;
    int m_callbacks;
    std::thread m_thread;
};

// A 16-bit stereo WAV of silence, written by hand so this program needs no encoder.
QByteArray silentWav(double seconds) {
    const int frames = int(seconds * 44100), bytes = frames * 4;
    QByteArray w("RIFF");
    auto u32 = [&](quint32 v) { w.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](quint16 v) { w.append(reinterpret_cast<const char*>(&v), 2); };
    u32(36 + bytes);
    w.append("WAVEfmt ");
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    w.append("data");
    u32(bytes);
    w.append(QByteArray(bytes, '\0'));
    return w;
}

TEST(DeviceFallback, AStalledDeviceHandsOverToTheNullOutputAndTheDecksPlayOn) {
    TempDir dir;
    const QString path = dir.write("silence.wav", silentWav(2.0));
    StderrCapture capture;
    auto engine = AudioEngine::createWithOutput(
        44100, 256, [](AudioEngine::Impl& e) { return std::make_unique<StallingOutput>(e, 3); });
    EXPECT_EQ(engine->output(), AudioEngine::Output::Device);
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(path));
    mp.play();
    ASSERT_TRUE(waitFor([&] { return engine->output() == AudioEngine::Output::Null; }));
    const double at = mp.position();
    EXPECT_TRUE(waitFor([&] { return mp.position() > at + 0.02; }));
    EXPECT_EQ(mp.state(), PlayState::Playing);
    EXPECT_EQ(capture.text(), QStringLiteral("the sound device stopped; playing on without sound.\n"));
}

TEST(DeviceFallback, ADeviceThatCannotStartLeavesTheNullOutput) {
    auto engine = AudioEngine::createWithOutput(
        48000, 1024, [](AudioEngine::Impl& e) { return std::make_unique<StallingOutput>(e, -1); });
    EXPECT_EQ(engine->output(), AudioEngine::Output::Null);
    EXPECT_EQ(engine->sampleRate(), 48000);
    EXPECT_EQ(engine->period(), 1024);
}

TEST(DeviceFallback, TheNullOutputPlaysInRealTimeAndDeliversTheEnd) {
    TempDir dir;
    const QString path = dir.write("short.wav", silentWav(0.1));
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
