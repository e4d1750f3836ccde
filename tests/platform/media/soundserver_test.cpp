// The real program path through real sound servers: the engine as the program starts it, two decks, a level
// change and a seek, recorded from the server's null sink and compared with the song.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <unistd.h>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "soundserver.h"
#include "stderrcapture.h"
#include "tempdir.h"
#include "waitfor.h"

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

// The first frame from `from` on that is not silence.
size_t firstSound(const std::vector<float>& rec, size_t from = 0) {
    while (2 * from < rec.size() && std::fabs(rec[2 * from]) < 0.01f)
        ++from;
    return from;
}

struct Route {
    const char* name;
    PrivateSoundServer::Kind server;
    const char* device; // empty: the start order
    // The song's file: a float WAV, or (each route another) a lossless format of another decoder.
    std::optional<songfiles::Format> format;
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

    std::vector<float> song = noiseSong(4 * kRate);
    const QString tonePath = home.file("tone.wav");
    QString songPath = home.file("noise.wav");
    if (route.format) {
        std::vector<int16_t> shorts(song.size());
        for (size_t i = 0; i < song.size(); ++i) {
            shorts[i] = int16_t(std::lround(std::clamp(song[i], -1.0f, 0.99f) * 32768));
            song[i] = float(shorts[i]) / 32768;
        }
        songPath = home.file(QStringLiteral("noise.") + songfiles::extension(*route.format));
        ASSERT_TRUE(songfiles::write(songPath, *route.format, kRate, 2, shorts));
    } else {
        ASSERT_TRUE(songfiles::write(songPath, songfiles::Kind::WavFloat, kRate, 2, song));
    }
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
        ASSERT_TRUE(waitFor([&] { return a.position() >= 1.0; }, std::chrono::milliseconds(5000)));
        const auto levelled = clock_type::now();
        a.setLevel(-4500); // half the gain
        ASSERT_TRUE(waitFor([&] { return a.position() >= 1.8; }, std::chrono::milliseconds(5000)));
        const auto sought = clock_type::now();
        a.setPosition(2.5);
        ASSERT_TRUE(
            waitFor([&] { return a.state() != PlayState::Playing; }, std::chrono::milliseconds(5000)));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        b.stop();

        const size_t playFrame = recorder.frameAt(played);
        const size_t levelFrame = recorder.frameAt(levelled);
        const size_t seekFrame = recorder.frameAt(sought);
        const std::vector<float> rec = recorder.finish();
        ASSERT_GT(rec.size() / 2, seekFrame + size_t(1.2 * kRate));

        // Sound comes within 300 ms of play.
        const size_t onset = firstSound(rec, playFrame);
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

        // No stretch of silence longer than a pass of the engine (about 11 ms) from the first sound to the
        // song's last 50 ms, the seek included. One pass may be missing: one went missing mid-song on the
        // PipeWire route in about one run of fourteen here, a seek's never since a late decoder is bridged
        // (which DeckSeek.ALateDecoderCostsNoSilenceEither holds to no silence at all).
        const size_t end = resumed + size_t((4.0 - 2.7 - 0.05) * kRate);
        size_t run = 0, longest = 0, where = 0;
        for (size_t i = onset; i < end && 2 * i < rec.size(); ++i) {
            run = std::fabs(rec[2 * i]) < 1e-3f ? run + 1 : 0;
            if (run > longest)
                longest = run, where = i;
        }
        EXPECT_LT(longest, size_t(kRate * 0.012))
            << route.name << ": silent for " << longest << " frames ending at " << where << "; play at "
            << playFrame << ", seek at " << seekFrame;
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
        EXPECT_TRUE(waitFor([&] { return engine->status().sound && engine->status().missing.empty(); },
                            std::chrono::milliseconds(5000)));
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
    ASSERT_TRUE(waitFor([&] { return mp.position() > 0.3; }, std::chrono::milliseconds(5000)))
        << mp.position() << " " << int(engine->output()) << " " << int(mp.state()) << " "
        << engine->status().device;
    server.reset();
    ASSERT_TRUE(waitFor([&] { return !engine->status().sound; }, std::chrono::milliseconds(5000)));
    const double atFailure = mp.position();
    server = std::make_unique<PrivateSoundServer>(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server->failure().isEmpty()) << server->failure().toStdString();
    ASSERT_TRUE(waitFor([&] { return engine->status().sound; }, std::chrono::milliseconds(15000)));
    EXPECT_EQ(engine->output(), AudioEngine::Output::Device);
    EXPECT_GE(mp.position(), atFailure);
    const double atReturn = mp.position();
    EXPECT_TRUE(waitFor([&] { return mp.position() > atReturn + 0.2; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(mp.state(), PlayState::Playing);
}

// The stream rested (nothing played since the start) when a recorder of the sink's monitor came: the play
// that follows is heard within 300 ms, on either server.
TEST(SoundServerDevices, AMonitorAttachedWhileTheStreamRestsHearsThePlay) {
    for (const auto kind : {PrivateSoundServer::Kind::PulseAudio, PrivateSoundServer::Kind::PipeWire}) {
        PrivateSoundServer server(kind);
        if (!server.failure().isEmpty()) {
            if (kind == PrivateSoundServer::Kind::PipeWire)
                continue;
            FAIL() << server.failure().toStdString();
        }
        const char* name = kind == PrivateSoundServer::Kind::PipeWire ? "PipeWire" : "PulseAudio";
        TempDir dir;
        const QString path = dir.file("noise.wav");
        ASSERT_TRUE(songfiles::write(path, songfiles::Kind::WavFloat, kRate, 2, noiseSong(3 * kRate)));
        auto engine = AudioEngine::create({});
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        ASSERT_TRUE(engine->status().sound) << name;
        MediaPlayer mp(*engine, nullptr);
        ASSERT_FALSE(mp.open(path));
        ASSERT_TRUE(waitFor([&] { return engine->keeper().deviceResting(); }, std::chrono::seconds(5)))
            << name;
        MonitorRecorder recorder(server, kRate);
        ASSERT_TRUE(recorder.waitForFrames(kRate / 10, 5000)) << "parec records nothing";
        const auto played = clock_type::now();
        mp.play();
        ASSERT_TRUE(waitFor([&] { return mp.position() >= 1.5; }, std::chrono::milliseconds(5000))) << name;
        const size_t playFrame = recorder.frameAt(played);
        const std::vector<float> rec = recorder.finish();
        const size_t onset = firstSound(rec, playFrame);
        EXPECT_LT(double(onset - playFrame) / kRate, 0.3) << name << ": " << rec.size() / 2 << " frames";
    }
}

// A server that stops answering (here: stopped with SIGSTOP) fails the device within its own deadline,
// whether it stops before the connection or between the connection and the stream, rather than holding the
// keeper (and with it a device choice and the program's exit) for as long as it stays stopped.
TEST(SoundServerDevices, AStoppedServerFailsTheDeviceInTime) {
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    Mixer mixer({}, kRate, 512, true);
    for (const bool connected : {false, true}) {
        std::unique_ptr<AudioOutput> output = connected ? makePulseOutput(mixer, 40) : nullptr;
        ASSERT_EQ(output != nullptr, connected);
        server.freeze(true);
        std::atomic<int> result{-1};
        std::thread attempt([&] {
            if (connected)
                result = output->start() ? 1 : 0;
            else
                result = makePulseOutput(mixer, 40) ? 1 : 0;
        });
        EXPECT_TRUE(waitFor([&] { return result.load() >= 0; }, std::chrono::seconds(10)))
            << "the attempt waits on the stopped server" << (connected ? " for its stream" : "");
        server.freeze(false);
        attempt.join();
        EXPECT_EQ(result.load(), 0);
        output.reset();
    }
}

// The latency of the one stream on the server as pactl reports it (its buffer and its sink's), in seconds;
// -1 when it says nothing.
double pactlLatency() {
    QProcess pactl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    pactl.setProcessEnvironment(env);
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(5000))
        return -1;
    const QString out = QString::fromLocal8Bit(pactl.readAllStandardOutput());
    double total = 0;
    for (const char* what : {"Buffer Latency: (\\d+) usec", "Sink Latency: (\\d+) usec"}) {
        const QRegularExpressionMatch m = QRegularExpression(QString::fromLatin1(what)).match(out);
        if (!m.hasMatch())
            return -1;
        total += m.captured(1).toDouble() / 1e6;
    }
    return total;
}

// What the engine says a frame takes from the mix to the listener is the stream's own latency, as the server
// reports it, and follows the latency asked for.
TEST(SoundServerDevices, TheOutputLatencyIsTheStreamsOwn) {
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio);
    ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    TempDir dir;
    const QString song = dir.file("tone.wav");
    ASSERT_TRUE(
        songfiles::write(song, songfiles::Kind::Wav16, kRate, 2, songfiles::sine(6 * kRate, 2, kRate)));
    double reported[2] = {0, 0};
    const int asked[2] = {40, 150};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << asked[i] << " ms asked");
        EngineOptions options;
        options.latencyMs = asked[i];
        auto engine = AudioEngine::create(options);
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        ASSERT_TRUE(engine->status().sound);
        MediaPlayer mp(*engine, nullptr);
        ASSERT_FALSE(mp.open(song));
        mp.play();
        ASSERT_TRUE(waitFor([&] { return mp.position() >= 2.0; }, std::chrono::milliseconds(6000)));
        // Both read the buffer at a moment of its saw-tooth: the means of the same few moments. pactl answers
        // somewhere inside its own run, which takes tens of milliseconds in a sanitizer build while the
        // buffer drains, so the engine is read on both sides of it and the two readings averaged.
        double theirs = 0, ours = 0;
        constexpr int kLooks = 12;
        for (int k = 0; k < kLooks; ++k) {
            const double before = engine->outputLatency();
            const double once = pactlLatency();
            const double after = engine->outputLatency();
            ASSERT_GE(once, 0.0) << "pactl names no stream";
            theirs += once / kLooks;
            ours += (before + after) / 2 / kLooks;
            std::this_thread::sleep_for(std::chrono::milliseconds(37));
        }
        reported[i] = ours;
        EXPECT_GT(reported[i], 0.005);
        // Within about a period of the engine's, and well apart from the other latency asked.
        EXPECT_NEAR(reported[i], theirs, 0.02);
        mp.stop();
    }
    EXPECT_GT(reported[1] - reported[0], 0.05);
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

// A private PulseAudio server and an engine on one of its sinks with two decks: `a` plays noise at half
// volume and is cued, `b` plays a 440 Hz tone and is not.
class SoundServerCue : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.failure().isEmpty()) << server.failure().toStdString(); }
    bool addSink(const QString& name, bool four = false) {
        QStringList args = {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                            QStringLiteral("sink_name=") + name, QStringLiteral("rate=44100")};
        if (four)
            args << QStringLiteral("channels=4")
                 << QStringLiteral("channel_map=front-left,front-right,rear-left,rear-right");
        return server.run(QStringLiteral("pactl"), args) == 0;
    }
    void play(const std::string& sink, int seconds, AudioEngine::CueOptions cue) {
        song = noiseSong(seconds * kRate);
        ASSERT_TRUE(songfiles::write(dir.file("noise.wav"), songfiles::Kind::WavFloat, kRate, 2, song));
        ASSERT_TRUE(songfiles::write(dir.file("tone.wav"), songfiles::Kind::WavFloat, kRate, 2,
                                     songfiles::sine(seconds * kRate, 2, kRate, 440.0, 0.2f)));
        EngineOptions options;
        options.device = "pulse:" + sink;
        engine = AudioEngine::create(options);
        ASSERT_TRUE(engine->waitUntilSettled(8000));
        ASSERT_TRUE(engine->status().sound);
        engine->setCue(cue);
        a = std::make_unique<MediaPlayer>(*engine, nullptr);
        b = std::make_unique<MediaPlayer>(*engine, nullptr);
        ASSERT_FALSE(a->open(dir.file("noise.wav")));
        ASSERT_FALSE(b->open(dir.file("tone.wav")));
        a->setLevel(-4500);
        a->setCue(true);
        a->play();
        b->play();
    }
    // Where `rec` carries the song's frame `from`, searched within `reach` of `guess`, and how (over `n`).
    Fit find(const std::vector<float>& rec, size_t guess, size_t reach, size_t from, size_t n, size_t* at) {
        *at = align(rec, guess > reach ? guess - reach : 0, guess + reach, song, from, kRate / 20);
        return fit(rec, *at, song, from, n);
    }

    PrivateSoundServer server{PrivateSoundServer::Kind::PulseAudio};
    TempDir dir;
    std::vector<float> song;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<MediaPlayer> a, b;
};

// Main on one sink, the headphones on another, each recorded from its monitor: the main carries both decks,
// the headphones the cued one only, at full gain, and the distance between the two stays put over the run
// (the cue device is fed through its ring and converted to hold it). DECKMORA_CUE_SECONDS sets the run's
// length (15 s).
TEST_F(SoundServerCue, TwoDevicesStayInStep) {
    const int run = qEnvironmentVariableIsSet("DECKMORA_CUE_SECONDS")
                        ? std::max(5, qEnvironmentVariableIntValue("DECKMORA_CUE_SECONDS"))
                        : 15;
    MonitorRecorder mainRec(server, kRate, "test.monitor"), cueRec(server, kRate, "cue.monitor");
    ASSERT_TRUE(mainRec.waitForFrames(kRate / 10, 5000) && cueRec.waitForFrames(kRate / 10, 5000));
    play("test", run + 4, {AudioEngine::CueRouting::Device, "pulse:cue", 0.0f});
    ASSERT_TRUE(
        waitFor([&] { return a->position() >= run + 1.0; }, std::chrono::milliseconds((run + 10) * 1000)));
    const double drift = engine->cueDriftPpm();
    const std::vector<float> m = mainRec.finish(), c = cueRec.finish();

    // Both recordings where the song's 1 s sounds, and again near the run's end. The headphones' frames are
    // converted at a ratio the controller moves by a few hundred ppm: a short window, over which that shifts
    // them by less than a frame.
    const size_t early = kRate, late = size_t(run) * kRate;
    size_t m1, c1, m2, c2;
    find(m, firstSound(m) + early, kRate / 2, early, kRate / 20, &m1);
    find(c, firstSound(c) + early, kRate / 2, early, kRate / 20, &c1);
    const Fit mainFit = find(m, m1 + (late - early), kRate / 5, late, kRate / 2, &m2);
    const Fit cueFit = find(c, c1 + (late - early), kRate / 5, late, kRate / 10, &c2);
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
TEST_F(SoundServerCue, FourChannelsCarryMainAndHeadphones) {
    ASSERT_TRUE(addSink(QStringLiteral("quad"), true));
    MonitorRecorder quad(server, kRate, "quad.monitor", 4);
    ASSERT_TRUE(quad.waitForFrames(kRate / 10, 5000));
    play("quad", 8, {});
    ASSERT_TRUE(waitFor([&] { return a->position() >= 1.0; }, std::chrono::milliseconds(5000)));
    const auto switched = clock_type::now();
    engine->setCue({AudioEngine::CueRouting::Channels34, {}, 0.0f});
    ASSERT_TRUE(waitFor([&] { return a->position() >= 4.5; }, std::chrono::milliseconds(10000)));
    const size_t from = quad.frameAt(switched) + 2 * kRate; // well after the stream was opened again
    const std::vector<float> all = quad.finish();
    std::vector<float> f, r;
    for (size_t i = 0; i + 3 < all.size(); i += 4) {
        f.insert(f.end(), {all[i], all[i + 1]});
        r.insert(r.end(), {all[i + 2], all[i + 3]});
    }
    ASSERT_GT(r.size() / 2, from + kRate);
    const size_t songAt = size_t(3.2 * kRate);
    size_t onRear, onFront;
    const Fit rear = find(r, from, kRate / 2, songAt, kRate / 5, &onRear);
    EXPECT_GT(rear.match, 0.97);
    EXPECT_NEAR(rear.gain, 1.0, 0.05);
    EXPECT_LT(toneIn(r, onRear, kRate / 2, 440.0), 0.01);
    EXPECT_NEAR(find(f, from, kRate / 2, songAt, kRate / 2, &onFront).gain, 0.5, 0.05);
    EXPECT_GT(toneIn(f, onFront, kRate / 2, 440.0), 0.15);
}

// Headphones where they cannot be: channels 3-4 of a stereo sink (a four-channel stream would be mixed down
// into the speakers), or a sink that is not there yet. One line each says so and the main mix plays on; the
// sink that comes later is taken up.
TEST_F(SoundServerCue, UnreachableHeadphonesSayWhyAndALateSinkIsTakenUp) {
    StderrCapture err;
    play("test", 30, {AudioEngine::CueRouting::Channels34, {}, 0.0f});
    ASSERT_TRUE(waitFor([&] { return a->position() >= 1.0; }, std::chrono::milliseconds(5000)));
    // the window's notice reads this
    EXPECT_TRUE(waitFor([&] { return engine->status().cueOnTwoChannels; }, std::chrono::milliseconds(5000)));
    engine->setCue({AudioEngine::CueRouting::Device, "pulse:late", 0.0f});
    EXPECT_TRUE(waitFor([&] { return !engine->status().cueOnTwoChannels && engine->status().sound; },
                        std::chrono::milliseconds(5000)));
    ASSERT_TRUE(waitFor([&] { return a->position() >= 2.0; }, std::chrono::milliseconds(5000)));
    ASSERT_TRUE(addSink(QStringLiteral("late")));
    MonitorRecorder late(server, kRate, "late.monitor");
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<float> rec = late.snapshot();
            return std::any_of(rec.begin(), rec.end(), [](float s) { return std::fabs(s) > 0.01f; });
        },
        std::chrono::milliseconds(15000)));
    EXPECT_EQ(a->state(), PlayState::Playing);
    EXPECT_TRUE(engine->status().sound);
    a.reset(); // the players go before their engine, whose lines are then all written
    b.reset();
    engine.reset();
    const QString text = err.text();
    for (const char* line : {"has two channels", "cannot be opened", "back on pulse:late"})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line << "\n" << text.toStdString();
}

// A song that cannot be opened, loaded over a playing deck, leaves it sounding: the sink's monitor carries
// the deck after the failed loads as before them.
TEST_F(SoundServerCue, AFailedLoadLeavesThePlayingDeckSounding) {
    play("test", 20, {});
    b->stop();
    MonitorRecorder rec(server, kRate, "test.monitor");
    ASSERT_TRUE(waitFor([&] { return a->position() >= 1.0; }, std::chrono::milliseconds(5000)));
    const QString text = dir.write("notes.wav", "only words");
    for (const QString& bad : {dir.file("gone.wav"), text, dir.path()}) {
        EXPECT_TRUE(a->openOrKeep(bad)) << bad.toStdString();
        EXPECT_EQ(a->fileName(), dir.file("noise.wav"));
    }
    const auto after = clock_type::now();
    const double at = a->position();
    ASSERT_TRUE(waitFor([&] { return a->position() >= at + 1.0; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(a->state(), PlayState::Playing);
    const size_t from = rec.frameAt(after);
    ASSERT_TRUE(rec.waitForFrames(from + kRate / 2, 5000));
    const std::vector<float> r = rec.snapshot();
    double energy = 0;
    for (size_t i = 2 * from; i < 2 * (from + kRate / 2); ++i)
        energy += double(r[i]) * r[i];
    EXPECT_GT(std::sqrt(energy / kRate), 0.01) << "the deck fell silent after the failed loads";
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SoundServer,
    testing::Values(Route{"PulseAudio", PrivateSoundServer::Kind::PulseAudio, "", std::nullopt},
                    Route{"PipeWire", PrivateSoundServer::Kind::PipeWire, "", songfiles::Format::Flac},
                    Route{"PortAudio", PrivateSoundServer::Kind::PulseAudio, "portaudio:default",
                          songfiles::Format::M4aAlac}),
    [](const testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

} // namespace
