// The real program path through real sound servers: the engine as the program starts it, two decks, a level
// change and a seek, recorded from the server's null sink and compared with the song.
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "soundserver.h"
#include "stderrcapture.h"
#include "tempdir.h"

using namespace platform::media;
using clock_type = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100;

// Low-passed noise: every stretch of it is unlike every other, so the recording lines up with it to the
// frame, and it never rests at zero for long.
std::vector<float> noiseSong(int frames) {
    std::vector<float> out(size_t(2 * frames));
    uint32_t state = 12345;
    float y = 0, z = 0;
    for (int i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const float x = float(state >> 8) / float(1u << 24) - 0.5f;
        y += 0.12f * (x - y);
        z += 0.12f * (y - z);
        out[size_t(2 * i)] = out[size_t(2 * i + 1)] = 2.5f * z;
    }
    return out;
}

// The least-squares gain of `rec` (from frame `at`) against `song` (from frame `from`) over `n` frames, and
// how much of the recording it explains (1: all of it).
struct Fit {
    double gain = 0, match = 0;
};
Fit fit(const std::vector<float>& rec, size_t at, const std::vector<float>& song, size_t from, size_t n) {
    double rs = 0, ss = 0, rr = 0;
    for (size_t k = 0; k < n; ++k) {
        const double r = rec[2 * (at + k)], s = song[2 * (from + k)];
        rs += r * s, ss += s * s, rr += r * r;
    }
    if (ss <= 0 || rr <= 0)
        return {};
    return {rs / ss, rs / std::sqrt(rr * ss)};
}

// Where in [lo, hi) of the recording the song's frames from `from` begin.
size_t align(const std::vector<float>& rec, size_t lo, size_t hi, const std::vector<float>& song, size_t from,
             size_t n) {
    size_t best = lo;
    double bestMatch = -2;
    for (size_t at = lo; at < hi && 2 * (at + n) <= rec.size(); ++at) {
        const double m = fit(rec, at, song, from, n).match;
        if (m > bestMatch)
            bestMatch = m, best = at;
    }
    return best;
}

template <class Pred> bool waitUntil(Pred pred, int ms) {
    const auto until = clock_type::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (clock_type::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct Route {
    const char* name;
    PrivateSoundServer::Kind server;
    const char* device; // empty: the start order
};

class SoundServer : public testing::TestWithParam<Route> {};

TEST_P(SoundServer, BothDecksAreHeardFromTheFirstPlay) {
    const Route route = GetParam();
    PrivateSoundServer server(route.server);
    if (!server.failure().isEmpty()) {
        if (route.server == PrivateSoundServer::Kind::PipeWire)
            GTEST_SKIP() << server.failure().toStdString();
        FAIL() << server.failure().toStdString();
    }
    // ALSA's default device goes to the server through its pulse plugin, as on a desktop.
    TempDir home;
    home.write(".asoundrc", "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());

    const std::vector<float> song = noiseSong(4 * kRate);
    const QString songPath = home.file("noise.wav"), tonePath = home.file("tone.wav");
    ASSERT_TRUE(songfiles::write(songPath, songfiles::Kind::WavFloat, kRate, 2, song));
    ASSERT_TRUE(songfiles::write(tonePath, songfiles::Kind::WavFloat, kRate, 2,
                                 songfiles::sine(4 * kRate, 2, kRate, 440.0, 0.8f)));

    MonitorRecorder recorder(server, kRate);
    ASSERT_TRUE(recorder.waitForFrames(kRate / 10, 5000)) << "parec records nothing";
    StderrCapture err;
    {
        EngineOptions options;
        options.device = route.device;
        auto engine = AudioEngine::create(options);
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        ASSERT_TRUE(engine->status().sound) << route.name;
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        ASSERT_FALSE(a.open(songPath));
        ASSERT_FALSE(b.open(tonePath));
        b.setLevel(-9640); // the second deck plays, faded out: its tone must not be heard

        const auto played = clock_type::now();
        a.play();
        b.play();
        ASSERT_TRUE(waitUntil([&] { return a.position() >= 1.0; }, 5000));
        const auto levelled = clock_type::now();
        a.setLevel(-4500); // half the gain
        ASSERT_TRUE(waitUntil([&] { return a.position() >= 1.8; }, 5000));
        const auto sought = clock_type::now();
        a.setPosition(2.5);
        ASSERT_TRUE(waitUntil([&] { return a.state() != PlayState::Playing; }, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        b.stop();

        const size_t playFrame = recorder.frameAt(played);
        const size_t levelFrame = recorder.frameAt(levelled);
        const size_t seekFrame = recorder.frameAt(sought);
        const std::vector<float> rec = recorder.finish();
        ASSERT_GT(rec.size() / 2, seekFrame + size_t(1.2 * kRate));

        // Sound comes within 300 ms of play.
        size_t onset = playFrame;
        while (2 * onset < rec.size() && std::fabs(rec[2 * onset]) < 0.01f)
            ++onset;
        EXPECT_LT(double(onset - playFrame) / kRate, 0.3) << route.name;

        // The right song at the right level, where the sound starts.
        const size_t window = kRate / 2;
        const size_t start = align(rec, onset > 400 ? onset - 400 : 0, onset + kRate / 2, song, 0, window);
        const Fit head = fit(rec, start, song, 0, window);
        EXPECT_GT(head.match, 0.97) << route.name << " onset " << onset << " start " << start;
        EXPECT_NEAR(head.gain, 1.0, 0.05) << route.name;
        EXPECT_LT(std::abs(double(start) - double(onset)) / kRate, 0.005) << route.name;

        // Half the gain soon after the level changed; the song still where it was.
        // (Aligned afresh: a recorder that falls behind on a loaded machine drops a few frames.)
        const size_t later = levelFrame + kRate / 5, near = kRate / 20;
        const size_t there = align(rec, later - near, later + near, song, later - start, kRate / 5);
        const Fit halved = fit(rec, there, song, later - start, kRate / 5);
        EXPECT_GT(halved.match, 0.97) << route.name;
        EXPECT_NEAR(halved.gain, 0.5, 0.03) << route.name;

        // After the seek the song goes on from 2.5 s, at the same level.
        const size_t from = size_t(2.7 * kRate);
        const size_t resumed = align(rec, seekFrame, seekFrame + kRate, song, from, kRate / 5);
        const Fit tail = fit(rec, resumed, song, from, kRate / 5);
        EXPECT_GT(tail.match, 0.97) << route.name;
        EXPECT_NEAR(tail.gain, 0.5, 0.03) << route.name;

        // No stretch of silence (10 ms) from the first sound to the song's last 50 ms. A seek flushes the
        // deck's ring, so the callback right after it may find nothing yet: one period's silence there, no
        // more.
        const size_t end = resumed + size_t((4.0 - 2.7 - 0.05) * kRate);
        size_t run = 0, longest = 0, where = 0, atSeek = 0;
        for (size_t i = onset; i < end && 2 * i < rec.size(); ++i) {
            run = std::fabs(rec[2 * i]) < 1e-3f ? run + 1 : 0;
            if (i >= seekFrame && i < seekFrame + kRate / 10)
                atSeek = std::max(atSeek, run);
            else if (run > longest)
                longest = run, where = i;
        }
        EXPECT_LT(longest, size_t(kRate / 100)) << route.name << ": silent for " << longest
                                                << " frames ending at " << where << "; play at " << playFrame;
        EXPECT_LT(atSeek, size_t(kRate / 40)) << route.name;
    }
    const QString text = err.text();
    EXPECT_FALSE(text.contains(QStringLiteral("stopped"))) << text.toStdString();
    qputenv("HOME", oldHome);
}

// The server's sinks are listed (its default marked); a stored device that is gone plays on the default and
// says so; one that is there is used; either moves to the start order without a restart.
TEST(SoundServerDevices, ListedChosenAndGone) {
    auto server = std::make_unique<PrivateSoundServer>(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server->failure().isEmpty()) << server->failure().toStdString();
    const auto devices = AudioEngine::listDevices();
    const AudioEngine::DeviceInfo* sink = AudioEngine::findDevice(devices, "test");
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->id, "pulse:test");
    EXPECT_TRUE(sink->isDefault);

    for (const char* stored : {"pulse:unplugged", "pulse:test"}) {
        EngineOptions options;
        options.device = stored;
        auto engine = AudioEngine::create(options);
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        const AudioEngine::Status status = engine->status();
        EXPECT_TRUE(status.sound) << stored;
        EXPECT_EQ(status.device, "test");
        EXPECT_EQ(status.missing, std::string(stored) == "pulse:test" ? "" : stored);
        engine->useDevice({});
        EXPECT_TRUE(
            waitUntil([&] { return engine->status().sound && engine->status().missing.empty(); }, 5000));
    }
}

// The server goes away mid-song (a restart): playing on without sound, and back on the server when it answers
// again, the deck's place kept throughout.
TEST(SoundServerDevices, ARestartedServerBringsTheSoundBack) {
    TempDir dir;
    const QString path = dir.file("noise.wav");
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::WavFloat, kRate, 2, noiseSong(30 * kRate)));
    auto server = std::make_unique<PrivateSoundServer>(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server->failure().isEmpty()) << server->failure().toStdString();
    auto engine = AudioEngine::create({});
    ASSERT_TRUE(engine->waitUntilSettled(8000));
    ASSERT_TRUE(engine->status().sound);
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(path));
    mp.play();
    ASSERT_TRUE(waitUntil([&] { return mp.position() > 0.3; }, 5000))
        << mp.position() << " " << int(engine->output()) << " " << int(mp.state()) << " "
        << engine->status().device;
    server.reset();
    ASSERT_TRUE(waitUntil([&] { return !engine->status().sound; }, 5000));
    const double atFailure = mp.position();
    server = std::make_unique<PrivateSoundServer>(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server->failure().isEmpty()) << server->failure().toStdString();
    ASSERT_TRUE(waitUntil([&] { return engine->status().sound; }, 15000));
    EXPECT_EQ(engine->output(), AudioEngine::Output::Device);
    EXPECT_GE(mp.position(), atFailure);
    const double atReturn = mp.position();
    EXPECT_TRUE(waitUntil([&] { return mp.position() > atReturn + 0.2; }, 5000));
    EXPECT_EQ(mp.state(), PlayState::Playing);
}

// Amplitude of the `hz` sine in `rec`'s left channel over `n` frames from `at`.
double toneIn(const std::vector<float>& rec, size_t at, size_t n, double hz) {
    double c = 0, s = 0;
    for (size_t k = 0; k < n && 2 * (at + k) < rec.size(); ++k) {
        const double w = 2 * M_PI * hz * double(k) / kRate;
        c += rec[2 * (at + k)] * std::cos(w), s += rec[2 * (at + k)] * std::sin(w);
    }
    return 2 * std::hypot(c, s) / double(n);
}

// The frame of `rec` where `song`'s frame `from` sounds, searched within `reach` frames of `guess`.
size_t locate(const std::vector<float>& rec, size_t guess, size_t reach, const std::vector<float>& song,
              size_t from) {
    return align(rec, guess > reach ? guess - reach : 0, guess + reach, song, from, kRate / 20);
}

// Main on one sink, the headphones on another, each recorded from its monitor: the main carries both decks,
// the headphones the cued one only, and the distance between the two stays put over the run (the cue device
// is fed through its ring and converted to hold it). DECKMORA_CUE_SECONDS sets the run's length (15 s).
TEST(SoundServerCue, TwoDevicesStayInStep) {
    const int run = qEnvironmentVariableIsSet("DECKMORA_CUE_SECONDS")
                        ? std::max(5, qEnvironmentVariableIntValue("DECKMORA_CUE_SECONDS"))
                        : 15;
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    TempDir dir;
    const std::vector<float> song = noiseSong((run + 4) * kRate);
    const QString songPath = dir.file("noise.wav"), tonePath = dir.file("tone.wav");
    ASSERT_TRUE(songfiles::write(songPath, songfiles::Kind::WavFloat, kRate, 2, song));
    ASSERT_TRUE(songfiles::write(tonePath, songfiles::Kind::WavFloat, kRate, 2,
                                 songfiles::sine((run + 4) * kRate, 2, kRate, 440.0, 0.2f)));
    MonitorRecorder mainRec(server, kRate, "test.monitor"), cueRec(server, kRate, "cue.monitor");
    ASSERT_TRUE(mainRec.waitForFrames(kRate / 10, 5000) && cueRec.waitForFrames(kRate / 10, 5000));

    EngineOptions options;
    options.device = "pulse:test";
    auto engine = AudioEngine::create(options);
    ASSERT_TRUE(engine->waitUntilSettled(8000));
    ASSERT_TRUE(engine->status().sound);
    engine->setCue({AudioEngine::CueRouting::Device, "pulse:cue", 0.0f});
    MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
    ASSERT_FALSE(a.open(songPath));
    ASSERT_FALSE(b.open(tonePath));
    a.setLevel(-4500); // the headphones hear the cued deck before its volume
    a.setCue(true);
    a.play();
    b.play();
    ASSERT_TRUE(waitUntil([&] { return a.position() >= run + 1.0; }, (run + 10) * 1000));
    const double drift = engine->cueDriftPpm();
    a.stop();
    b.stop();
    const std::vector<float> m = mainRec.finish(), c = cueRec.finish();

    // Both recordings from where the song's 1 s sounds, and again near the run's end.
    auto onset = [](const std::vector<float>& rec) {
        size_t i = 0;
        while (2 * i < rec.size() && std::fabs(rec[2 * i]) < 0.01f)
            ++i;
        return i;
    };
    const size_t early = kRate, late = size_t(run) * kRate;
    const size_t m1 = locate(m, onset(m) + early, kRate / 2, song, early);
    const size_t c1 = locate(c, onset(c) + early, kRate / 2, song, early);
    const size_t m2 = locate(m, m1 + (late - early), kRate / 5, song, late);
    const size_t c2 = locate(c, c1 + (late - early), kRate / 5, song, late);
    // The headphones' frames are converted at a ratio that the controller moves by a few hundred ppm: a short
    // window, over which that shifts them by less than a frame.
    const Fit mainFit = fit(m, m2, song, late, kRate / 2), cueFit = fit(c, c2, song, late, kRate / 10);
    EXPECT_NEAR(mainFit.gain, 0.5, 0.05);
    EXPECT_NEAR(cueFit.gain, 1.0, 0.05);
    EXPECT_GT(cueFit.match, 0.97);
    EXPECT_GT(toneIn(m, m2, kRate, 440.0), 0.15);
    EXPECT_LT(toneIn(c, c2, kRate, 440.0), 0.01);

    const double before = (double(c1) - double(m1)) / kRate, after = (double(c2) - double(m2)) / kRate;
    std::printf("cue behind main: %.1f ms at 1 s, %.1f ms at %d s; drift measured %.1f ppm\n", before * 1000,
                after * 1000, run, drift);
    EXPECT_LT(std::fabs(after - before), 0.015) << before << " then " << after;
    // Both sinks keep one clock: what is reported is the controller's wander (tens of ppm on a quiet machine;
    // a main stream that runs late under load looks like a slower clock for a while). Far from the limit of
    // the correction, which a runaway loop would reach.
    EXPECT_LT(std::fabs(drift), 1500.0);
}

// Channels 3-4 chosen while the main stream plays on a four-channel sink: the stream is opened again with
// four channels, the front pair carries the main mix, the rear pair the headphones.
TEST(SoundServerCue, FourChannelsCarryMainAndHeadphones) {
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    ASSERT_EQ(server.run(QStringLiteral("pactl"),
                         {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                          QStringLiteral("sink_name=quad"), QStringLiteral("rate=44100"),
                          QStringLiteral("channels=4"),
                          QStringLiteral("channel_map=front-left,front-right,rear-left,rear-right")}),
              0);
    TempDir dir;
    const std::vector<float> song = noiseSong(8 * kRate);
    const QString songPath = dir.file("noise.wav"), tonePath = dir.file("tone.wav");
    ASSERT_TRUE(songfiles::write(songPath, songfiles::Kind::WavFloat, kRate, 2, song));
    ASSERT_TRUE(songfiles::write(tonePath, songfiles::Kind::WavFloat, kRate, 2,
                                 songfiles::sine(8 * kRate, 2, kRate, 440.0, 0.2f)));
    MonitorRecorder quad(server, kRate, "quad.monitor", 4);
    ASSERT_TRUE(quad.waitForFrames(kRate / 10, 5000));

    EngineOptions options;
    options.device = "pulse:quad";
    auto engine = AudioEngine::create(options);
    ASSERT_TRUE(engine->waitUntilSettled(8000));
    ASSERT_TRUE(engine->status().sound);
    MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
    ASSERT_FALSE(a.open(songPath));
    ASSERT_FALSE(b.open(tonePath));
    a.setLevel(-4500);
    a.setCue(true);
    a.play();
    b.play();
    ASSERT_TRUE(waitUntil([&] { return a.position() >= 1.0; }, 5000));
    const auto switched = clock_type::now();
    engine->setCue({AudioEngine::CueRouting::Channels34, {}, 0.0f});
    ASSERT_TRUE(waitUntil([&] { return a.position() >= 4.5; }, 10000));
    EXPECT_TRUE(engine->status().sound);
    const size_t from = quad.frameAt(switched) + 2 * kRate; // well after the stream was opened again
    const std::vector<float> all = quad.finish();
    std::vector<float> f, r;
    for (size_t i = 0; i + 3 < all.size(); i += 4) {
        f.insert(f.end(), {all[i], all[i + 1]});
        r.insert(r.end(), {all[i + 2], all[i + 3]});
    }

    // The rear pair: the cued deck at full gain, the tone not at all; the front pair: both decks.
    const size_t songAt = size_t(3.2 * kRate);
    ASSERT_GT(r.size() / 2, from + kRate);
    const size_t onRear = align(r, from - kRate / 2, from + kRate / 2, song, songAt, kRate / 20);
    const Fit rearFit = fit(r, onRear, song, songAt, kRate / 5);
    EXPECT_GT(rearFit.match, 0.97);
    EXPECT_NEAR(rearFit.gain, 1.0, 0.05);
    EXPECT_LT(toneIn(r, onRear, kRate / 2, 440.0), 0.01);
    const size_t at = align(f, from - kRate / 2, from + kRate / 2, song, songAt, kRate / 20);
    EXPECT_NEAR(fit(f, at, song, songAt, kRate / 2).gain, 0.5, 0.05);
    EXPECT_GT(toneIn(f, at, kRate / 2, 440.0), 0.15);
}

// Channels 3-4 asked of a stereo sink: the main mix plays on in stereo, and one line says why the headphones
// are not heard (a four-channel stream would be mixed down into the speakers).
TEST(SoundServerCue, ChannelsThreeAndFourOnAStereoSinkSayWhy) {
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    TempDir dir;
    const QString songPath = dir.file("noise.wav");
    ASSERT_TRUE(songfiles::write(songPath, songfiles::Kind::WavFloat, kRate, 2, noiseSong(10 * kRate)));
    StderrCapture err;
    {
        EngineOptions options;
        options.device = "pulse:test";
        auto engine = AudioEngine::create(options);
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        MediaPlayer a(*engine, nullptr);
        ASSERT_FALSE(a.open(songPath));
        a.setCue(true);
        a.play();
        engine->setCue({AudioEngine::CueRouting::Channels34, {}, 0.0f});
        ASSERT_TRUE(waitUntil([&] { return a.position() >= 1.5; }, 5000));
        EXPECT_TRUE(waitUntil([&] { return engine->status().sound; }, 5000));
        EXPECT_EQ(engine->cue().routing, AudioEngine::CueRouting::Channels34);
    }
    const QString text = err.text();
    EXPECT_TRUE(text.contains(QStringLiteral("has two channels"))) << text.toStdString();
}

// Headphones on a sink that is not there yet: one line, the main mix plays on, and once the sink appears the
// headphones are heard on it.
TEST(SoundServerCue, AHeadphoneDeviceThatComesLaterIsTakenUp) {
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    TempDir dir;
    const QString songPath = dir.file("noise.wav");
    ASSERT_TRUE(songfiles::write(songPath, songfiles::Kind::WavFloat, kRate, 2, noiseSong(30 * kRate)));
    StderrCapture err;
    {
        EngineOptions options;
        options.device = "pulse:test";
        auto engine = AudioEngine::create(options);
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        engine->setCue({AudioEngine::CueRouting::Device, "pulse:late", 0.0f});
        MediaPlayer a(*engine, nullptr);
        ASSERT_FALSE(a.open(songPath));
        a.setCue(true);
        a.play();
        ASSERT_TRUE(waitUntil([&] { return a.position() >= 1.0; }, 5000));
        ASSERT_EQ(server.run(QStringLiteral("pactl"),
                             {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                              QStringLiteral("sink_name=late"), QStringLiteral("rate=44100")}),
                  0);
        MonitorRecorder late(server, kRate, "late.monitor");
        EXPECT_TRUE(waitUntil(
            [&] {
                const std::vector<float> rec = late.snapshot();
                return std::any_of(rec.begin(), rec.end(), [](float s) { return std::fabs(s) > 0.01f; });
            },
            15000));
        EXPECT_EQ(a.state(), PlayState::Playing);
    }
    const QString text = err.text();
    EXPECT_TRUE(text.contains(QStringLiteral("cannot be opened"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("back on pulse:late"))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SoundServer,
    testing::Values(Route{"PulseAudio", PrivateSoundServer::Kind::PulseAudio, ""},
                    Route{"PipeWire", PrivateSoundServer::Kind::PipeWire, ""},
                    Route{"PortAudio", PrivateSoundServer::Kind::PulseAudio, "portaudio:default"}),
    [](const testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

} // namespace
