// The device keeper apart from the mixer: device work never holds a deck command, the device list has an
// owner that ends it, and the libraries' chatter is silenced without silencing anyone else.
#include <QObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "stderrcapture.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::media;
using std::chrono::seconds;

namespace {

// Held shut until opened; a second opening is harmless.
class Latch {
public:
    void open() {
        {
            std::lock_guard lk(m_mutex);
            m_open = true;
        }
        m_cv.notify_all();
    }
    void wait() {
        std::unique_lock lk(m_mutex);
        m_cv.wait(lk, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = false;
};

// Opens `latch` after `limit` unless disarmed first: a fault that holds the test thread ends in a failed
// check, not in a hung test.
class Deadline {
public:
    Deadline(Latch& latch, std::chrono::milliseconds limit)
        : m_thread([this, &latch, limit] {
              if (!waitFor([this] { return m_disarmed.load(); }, limit)) {
                  m_passed = true;
                  latch.open();
              }
          }) {}
    ~Deadline() {
        m_disarmed = true;
        m_thread.join();
    }
    bool passed() const { return m_passed; }

private:
    std::atomic<bool> m_disarmed{false};
    std::atomic<bool> m_passed{false};
    std::thread m_thread;
};

// A device that calls back every period from its own thread (the test's mix goes on) and whose health check
// takes as long as the test wants: a probe of a busy library.
class SlowProbeOutput final : public AudioOutput {
public:
    SlowProbeOutput(Mixer& mixer, Latch& probe, std::atomic<bool>& probing)
        : m_mixer(mixer), m_probe(probe), m_probing(probing) {}
    ~SlowProbeOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] {
            std::vector<float> buffer(size_t(2 * m_mixer.period));
            while (!m_quit.load()) {
                m_mixer.process(mixer, buffer.data(), m_mixer.period);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        return true;
    }
    void stop() override {
        m_quit = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool healthy() override {
        m_probing = true;
        m_probe.wait();
        return true;
    }
    std::string name() const override { return "slow probe"; }

private:
    Mixer& m_mixer;
    Latch& m_probe;
    std::atomic<bool>& m_probing;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

TEST(DeviceKeeper, DeckCommandsCueAndDeviceChoiceNeverWaitForAProbe) {
    TempDir dir;
    const QString path = dir.file("tone.wav");
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, 44100, 2, songfiles::sine(44100, 2, 44100)));
    Latch probe;
    std::atomic<bool> probing{false};
    auto engine = AudioEngine::createWithOutput(
        44100, 256, [&](Mixer& m) { return std::make_unique<SlowProbeOutput>(m, probe, probing); });
    MediaPlayer mp(*engine, nullptr);
    ASSERT_TRUE(waitFor([&] { return probing.load(); }, seconds(5))) << "the keeper never looked";
    {
        Deadline deadline(probe, seconds(10));
        // The keeper is inside the device's probe now; every one of these returns without it.
        EXPECT_FALSE(mp.open(path));
        mp.play();
        mp.setPosition(0.5);
        mp.setLevel(-1000);
        mp.pause();
        mp.stop();
        engine->setCue({AudioEngine::CueRouting::Off, {}, 0.5f});
        EngineOptions options;
        options.latencyMs = 80;
        engine->useDevice(options);
        EXPECT_FALSE(deadline.passed()) << "a command waited for the device's probe";
    }
    probe.open();
}

// Quits while the list is being made: the engine ends the listing before it goes, and an answer reaches only
// a receiver that is still there, on its own thread.
TEST(DeviceKeeper, TheDeviceListHasAnOwnerThatEndsIt) {
    auto engine = AudioEngine::createWithOutput(44100, 256, nullptr);
    Latch release;
    std::atomic<int> listings{0};
    std::atomic<bool> listed{false};
    engine->keeper().setLister([&] {
        ++listings;
        release.wait();
        listed = true;
        return std::vector<AudioEngine::DeviceInfo>{{"pulse:test", "Test sink", true}};
    });
    QObject stays;
    auto* goes = new QObject;
    std::vector<std::string> answers;
    int goneAnswers = 0;
    const auto ui = std::this_thread::get_id();
    engine->requestDevices(&stays, [&](const std::vector<AudioEngine::DeviceInfo>& devices) {
        EXPECT_EQ(std::this_thread::get_id(), ui);
        answers.push_back(devices.empty() ? std::string() : devices[0].id);
    });
    engine->requestDevices(goes, [&](const std::vector<AudioEngine::DeviceInfo>&) { ++goneAnswers; });
    ASSERT_TRUE(waitFor([&] { return listings.load() == 1; }));
    delete goes;
    release.open();
    ASSERT_TRUE(waitFor([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<std::string>{"pulse:test"});
    EXPECT_EQ(goneAnswers, 0);

    // The program quits while a second listing runs: the engine's end waits for it, and nothing is answered
    // from an engine that is gone.
    Latch again;
    listed = false;
    engine->keeper().setLister([&] {
        ++listings;
        again.wait();
        listed = true;
        return std::vector<AudioEngine::DeviceInfo>{};
    });
    engine->requestDevices(&stays,
                           [&](const std::vector<AudioEngine::DeviceInfo>&) { answers.push_back("late"); });
    ASSERT_TRUE(waitFor([&] { return listings.load() == 2; }));
    std::thread quitting([&] { engine.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    again.open();
    quitting.join();
    EXPECT_TRUE(listed.load()) << "the engine went before its listing ended";
    EXPECT_FALSE(waitFor([&] { return answers.size() > 1; }, std::chrono::milliseconds(50)));
}

// While PortAudio probes every card, what other threads write to standard error gets there, and what ALSA
// and JACK say of their missing cards and servers does not.
TEST(DeviceKeeper, ListingDevicesLosesNoLineOfOthers) {
    StderrCapture capture;
    std::atomic<bool> listing{true};
    std::thread lister([&] {
        for (int i = 0; i < 3; ++i)
            AudioEngine::listDevices(100);
        listing = false;
    });
    int written = 0;
    while (listing.load()) {
        std::fprintf(stderr, "line %d\n", written++);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    lister.join();
    const QStringList lines = capture.text().split('\n', Qt::SkipEmptyParts);
    QStringList expected;
    for (int i = 0; i < written; ++i)
        expected << QStringLiteral("line %1").arg(i);
    EXPECT_EQ(lines.join('\n').toStdString(), expected.join('\n').toStdString());
}

// An output driven by the test itself, one pass at a time.
class HandOutput final : public AudioOutput {
public:
    bool start() override { return true; }
    void stop() override {}
};

double peak(const std::vector<float>& frames, size_t from, size_t to) {
    double most = 0;
    for (size_t i = from; i < to; ++i)
        most = std::max(most, double(std::abs(frames[i])));
    return most;
}

// A seek while playing costs no pass of silence: the pass after it plays on from the old place while the
// decoder fetches the new one, and the pass after that is at the new place.
TEST(DeckSeek, ASeekWhilePlayingLeavesNoSilentPass) {
    constexpr int kRate = 44100, kPeriod = 256;
    TempDir dir;
    const QString path = dir.file("tone.wav");
    ASSERT_TRUE(
        songfiles::write(path, songfiles::Kind::Wav16, kRate, 2, songfiles::sine(10 * kRate, 2, kRate)));
    HandOutput* out = nullptr;
    auto engine = AudioEngine::createWithOutput(kRate, kPeriod, [&](Mixer&) {
        auto o = std::make_unique<HandOutput>();
        out = o.get();
        return o;
    });
    ASSERT_NE(out, nullptr);
    Mixer& mixer = engine->mixer();
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(path));
    mp.play();
    Deck* deck = mixer.decks[0].load();
    std::vector<float> pass(2 * kPeriod);
    // Let the decoder fill the ring, as it is while a song plays.
    ASSERT_TRUE(waitFor([&] { return deck->ready(kChunkFrames * (kRingChunks - 1)); }));
    mixer.process(out->mixer, pass.data(), kPeriod);
    ASSERT_GT(peak(pass, 0, pass.size()), 0.1);
    for (double to : {5.0, 1.0, 8.0}) {
        mp.setPosition(to);
        mixer.process(out->mixer, pass.data(), kPeriod);
        EXPECT_GT(peak(pass, 0, pass.size()), 0.1) << "a silent pass after a seek to " << to;
        ASSERT_TRUE(waitFor([&] { return deck->ready(kPeriod); }));
        mixer.process(out->mixer, pass.data(), kPeriod);
        EXPECT_GT(peak(pass, 0, pass.size()), 0.1);
        EXPECT_NEAR(mp.position(), to + double(kPeriod) / kRate, 1e-3) << "not at the new place";
    }
    EXPECT_EQ(deck->underflows(), 0u);
}

} // namespace

namespace {

// A decoder that wakes late after a seek: the pass that plays the old place out and the one after it both
// come before the new place's first frames. The second plays on from the old place where the first stopped,
// not silence; the pass after the decoder has run is at the new place. At the song's own speed and through
// the tempo stage.
TEST(DeckSeek, ALateDecoderCostsNoSilenceEither) {
    constexpr int kRate = 44100, kPeriod = 512;
    TempDir dir;
    const QString path = dir.file("ramp.wav");
    // Each frame says where it is: its value rises by one 441000th a frame.
    std::vector<float> ramp(2 * 10 * size_t(kRate));
    for (size_t f = 0; f < ramp.size() / 2; ++f)
        ramp[2 * f] = ramp[2 * f + 1] = 0.05f + 0.9f * float(f) / float(ramp.size() / 2);
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::WavFloat, kRate, 2, ramp));
    for (double tempo : {1.0, 1.08}) {
        SCOPED_TRACE(::testing::Message() << "tempo " << tempo);
        Deck deck(kRate, false);
        OpenResult opened = openDecoder(path);
        ASSERT_TRUE(opened.decoder);
        deck.load(std::move(opened.decoder));
        deck.setTempo(tempo);
        deck.play();
        std::vector<float> pass(2 * kPeriod);
        auto mix = [&] {
            std::fill(pass.begin(), pass.end(), 0.0f);
            deck.mix(pass.data(), kPeriod);
        };
        for (int i = 0; i < 4; ++i) {
            while (deck.fill()) {
            }
            mix();
        }
        deck.fill();
        deck.seek(5.0);
        mix(); // the old place played out
        const float last = pass[2 * (kPeriod - 1)];
        mix(); // the decoder has not run
        EXPECT_GT(*std::min_element(pass.begin(), pass.end()), 0.04f) << "a silent stretch";
        if (tempo == 1.0) {
            EXPECT_NEAR(pass[0] - last, 0.9f / (10 * kRate), 1e-6) << "not where the old place stopped";
        }
        deck.fill();
        mix();
        EXPECT_NEAR(deck.position(), 5.0 + tempo * kPeriod / kRate, 0.01) << "not at the new place";
        EXPECT_GT(*std::min_element(pass.begin(), pass.end()), 0.04f);
        EXPECT_EQ(deck.underflows(), 0u);
    }
}

} // namespace
