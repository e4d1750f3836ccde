// Figures of the audio engine, each as a ratio against a baseline measured in the same run: the bare decode
// of the same MP3 with libmpg123, the duration of the audio period, or the plain callback beside the one with
// a cue. Writes its own songs (libsndfile encodes MP3 through LAME). Run: build/bin/media_bench
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mpg123.h>
#include <sndfile.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/dsp/deckshape.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"

using namespace platform::media;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100;
QString g_song3;  // 3 minutes, with its LAME header
QString g_song10; // 10 minutes, no header: the length needs the scan
QString g_song1;  // 1 minute, no header
QString g_song60; // 60 minutes, no header
double g_bareSeconds = 0;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU time of the calling thread: decoding and the offline mix run on it alone, and the machine's other load
// (other builds sharing two cores) does not count against either side of a ratio.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

bool writeMp3(const QString& path, double length) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf)
        return false;
    std::vector<float> block(2 * 4096);
    const long total = long(length * kRate);
    for (long f = 0; f < total; f += 4096) {
        const int n = int(std::min<long>(4096, total - f));
        for (int i = 0; i < n; ++i) {
            const double t = double(f + i) / kRate;
            // A chord with a slow sweep, so the encoder has real work and the bit rate varies.
            const float s = float(0.3 * std::sin(2 * M_PI * 220 * t) +
                                  0.2 * std::sin(2 * M_PI * (330 + 50 * std::sin(t)) * t));
            block[size_t(2 * i)] = s;
            block[size_t(2 * i + 1)] = -s;
        }
        sf_writef_float(sf, block.data(), n);
    }
    return sf_close(sf) == 0;
}

// The audio frames of an MP3 without its header frame, repeated until `minutes` are reached: long songs
// cheaply.
bool repeatFrames(const QString& from, const QString& to, double minutes, double sourceMinutes) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = in.readAll();
    // Skip the header frame: the first frame, found by its sync word, holds "Info" or "Xing".
    int first = 0;
    while (first + 1 < bytes.size() &&
           !((unsigned char)bytes[first] == 0xFF && ((unsigned char)bytes[first + 1] & 0xE0) == 0xE0))
        ++first;
    int second = first + 1;
    while (second + 1 < bytes.size() &&
           !((unsigned char)bytes[second] == 0xFF && ((unsigned char)bytes[second + 1] & 0xE0) == 0xE0))
        ++second;
    const QByteArray frames = bytes.mid(bytes.mid(first, second - first).contains("Info") ||
                                                bytes.mid(first, second - first).contains("Xing")
                                            ? second
                                            : first);
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    for (double m = 0; m < minutes; m += sourceMinutes)
        out.write(m + sourceMinutes <= minutes
                      ? frames
                      : frames.left(int(frames.size() * (minutes - m) / sourceMinutes)));
    return true;
}

double bareDecode(const QString& path) {
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_GAPLESS | MPG123_QUIET, 0);
    const double t0 = cpuSeconds();
    mpg123_open(mh, QFile::encodeName(path).constData());
    std::vector<float> buffer(2 * 4096);
    size_t done = 0;
    long frames = 0;
    for (;;) {
        const int err = mpg123_read(mh, reinterpret_cast<unsigned char*>(buffer.data()),
                                    buffer.size() * sizeof(float), &done);
        frames += long(done / 8);
        if (err != MPG123_OK && err != MPG123_NEW_FORMAT)
            break;
    }
    mpg123_close(mh);
    mpg123_delete(mh);
    benchmark::DoNotOptimize(frames);
    return cpuSeconds() - t0;
}

void BM_BareDecode(benchmark::State& state) {
    double total = 0;
    for (auto _ : state) {
        const double s = bareDecode(g_song3);
        state.SetIterationTime(s);
        total += s;
    }
    state.counters["x_realtime"] = 180.0 / (total / double(state.iterations()));
}

// Two decks play the 3-minute song to its end through the offline output, mixed; against decoding it twice
// bare.
void BM_TwoDecksOffline(benchmark::State& state) {
    const int rate = int(state.range(0));
    double total = 0, opening = 0;
    for (auto _ : state) {
        auto engine = AudioEngine::createOffline(rate);
        const double t0 = cpuSeconds();
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        // Inline decoding scans each MP3 in open() (exact length and seek index), which bare decoding does
        // not do.
        a.open(g_song3);
        b.open(g_song3);
        opening += cpuSeconds() - t0;
        b.setLevel(-4500);
        a.play();
        b.play();
        std::vector<float> out(2 * 512);
        while (a.state() == PlayState::Playing || b.state() == PlayState::Playing)
            engine->render(out.data(), 512);
        const double s = cpuSeconds() - t0;
        state.SetIterationTime(s);
        total += s;
    }
    state.counters["vs_bare_decode_of_both"] = total / double(state.iterations()) / (2 * g_bareSeconds);
    state.counters["of_which_opening"] = opening / double(state.iterations()) / (2 * g_bareSeconds);
}

// Open (and play) until the first period of frames is ready, with decoding on the deck's worker thread.
void BM_OpenToFirstFrames(benchmark::State& state) {
    const QString path = state.range(0) == 3 ? g_song3 : g_song10;
    auto engine = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        MediaPlayer mp(*engine, nullptr);
        const auto t0 = Clock::now();
        mp.open(path);
        mp.play();
        engine->render(out.data(), 512);
        state.SetIterationTime(seconds(Clock::now() - t0));
    }
}

// A seek to the middle and the first period after it; `indexed`: after the scan has built the seek index.
void BM_SeekToMiddle(benchmark::State& state) {
    const bool indexed = state.range(0) == 1;
    const QString path = indexed ? g_song3 : g_song10;
    const double middle = indexed ? 90 : 300;
    auto engine = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        MediaPlayer mp(*engine, nullptr);
        mp.open(path);
        mp.play();
        engine->render(out.data(), 512);
        if (indexed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            engine->render(out.data(), 512);
        }
        const auto t0 = Clock::now();
        mp.setPosition(middle);
        engine->render(out.data(), 512);
        state.SetIterationTime(seconds(Clock::now() - t0));
    }
}

// The mix of two playing decks as the callback runs it (decoding done beforehand, as the worker would), per
// period; the 99th percentile against the period's duration.
void BM_CallbackWork(benchmark::State& state) {
    const int period = int(state.range(0));
    double p99 = 0, mean = 0;
    for (auto _ : state) {
        auto engine = AudioEngine::createOffline(kRate);
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        a.open(g_song3);
        b.open(g_song3);
        a.setLevel(-1000);
        a.play();
        b.play();
        std::vector<float> out(size_t(2 * period));
        std::vector<double> times;
        const int periods = 20 * kRate / period; // 20 s of audio
        times.reserve(size_t(periods));
        auto& impl = engine->mixer();
        for (int i = 0; i < periods; ++i) {
            for (auto& slot : impl.decks)
                if (Deck* d = slot.load()) {
                    d->dropStale();
                    d->fill();
                }
            // A gain change now and then, so the ramp's path is timed too.
            if (i % 50 == 0)
                b.setLevel(-(i % 3000));
            const auto t0 = Clock::now();
            impl.process(impl.offlineMixer, out.data(), period);
            times.push_back(seconds(Clock::now() - t0));
        }
        std::sort(times.begin(), times.end());
        p99 = times[size_t(times.size() * 0.99)];
        double sum = 0;
        for (double t : times)
            sum += t;
        mean = sum / double(times.size());
        state.SetIterationTime(sum);
    }
    const double periodSeconds = double(period) / kRate;
    state.counters["p99_of_period"] = p99 / periodSeconds;
    state.counters["mean_of_period"] = mean / periodSeconds;
}

// The device callback with a deck cued, routed Split (one stereo device) or Device (the headphone mix into
// the cue device's ring), against the plain callback: periods of both kinds alternate on the same two decks,
// so the machine's load falls on both alike. 99th percentiles of each as a share of the period, and their
// ratio.
void BM_CallbackCue(benchmark::State& state) {
    const int period = int(state.range(0));
    const auto routing = AudioEngine::CueRouting(state.range(1));
    double plainP99 = 0, cueP99 = 0;
    for (auto _ : state) {
        auto engine = AudioEngine::createOffline(kRate);
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        a.open(g_song3);
        b.open(g_song3);
        a.setLevel(-1000);
        b.setCue(true);
        a.play();
        b.play();
        auto& impl = engine->mixer();
        if (routing == AudioEngine::CueRouting::Device)
            impl.cue.feed.open(kRate, 4 * period);
        std::vector<float> out(size_t(2 * period));
        std::vector<double> plain, cued;
        const int periods = 20 * kRate / period;
        plain.reserve(size_t(periods));
        cued.reserve(size_t(periods));
        for (int i = 0; i < periods; ++i) {
            for (auto& slot : impl.decks)
                if (Deck* d = slot.load()) {
                    d->dropStale();
                    d->fill();
                }
            const bool withCue = i % 2 == 1;
            engine->setCue({withCue ? routing : AudioEngine::CueRouting::Off, {}, 0.25f});
            const auto t0 = Clock::now();
            impl.processDevice(impl.offlineMixer, out.data(), period, 2);
            (withCue ? cued : plain).push_back(seconds(Clock::now() - t0));
            // The cue device's side, which runs on its own thread, is not the callback's cost.
            impl.cue.feed.ring().skip(CueRing::kFrames);
        }
        std::sort(plain.begin(), plain.end());
        std::sort(cued.begin(), cued.end());
        plainP99 = plain[size_t(double(plain.size()) * 0.99)];
        cueP99 = cued[size_t(double(cued.size()) * 0.99)];
        state.SetIterationTime(cueP99);
    }
    const double periodSeconds = double(period) / kRate;
    state.counters["p99_plain_of_period"] = plainP99 / periodSeconds;
    state.counters["p99_cue_of_period"] = cueP99 / periodSeconds;
    state.counters["cue_vs_plain_p99"] = cueP99 / plainP99;
}

// The callback with both decks shaped (gain, all three bands off their centres, the filter) and the master
// limiter on, against the plain callback of two more decks in an engine beside it: periods of the two
// alternate, so the machine's load falls on both alike. Every 50 periods a filter knob moves, so the sliding
// corner is timed too. 99th percentiles of each as a share of the period, and their ratio.
void BM_CallbackShaped(benchmark::State& state) {
    using Band = dsp::ThreeBandEq::Band;
    const int period = int(state.range(0));
    double plainP99 = 0, shapedP99 = 0;
    for (auto _ : state) {
        auto plainEngine = AudioEngine::createOffline(kRate),
             shapedEngine = AudioEngine::createOffline(kRate);
        shapedEngine->setLimiter(true);
        MediaPlayer a(*plainEngine, nullptr), b(*plainEngine, nullptr);
        MediaPlayer c(*shapedEngine, nullptr), d(*shapedEngine, nullptr);
        for (MediaPlayer* mp : {&a, &b, &c, &d}) {
            mp->open(g_song3);
            mp->play();
        }
        for (MediaPlayer* mp : {&c, &d}) {
            dsp::DeckShape& s = mp->shape();
            s.setGain(1.5f);
            s.setBand(Band::Low, 0.5f);
            s.setBand(Band::Mid, 1.2f);
            s.setBand(Band::High, 0.8f);
            s.setFilter(-0.3f);
        }
        std::vector<float> out(size_t(2 * period));
        std::vector<double> plain, shaped;
        const int periods = 20 * kRate / period;
        for (int i = 0; i < periods; ++i) {
            const bool withShape = i % 2 == 1;
            Mixer& impl = (withShape ? shapedEngine : plainEngine)->mixer();
            for (auto& slot : impl.decks)
                if (Deck* deck = slot.load()) {
                    deck->dropStale();
                    deck->fill();
                }
            if (i % 100 == 1)
                d.shape().setFilter(i % 200 == 1 ? -0.5f : -0.3f);
            const double t0 = cpuSeconds();
            impl.process(impl.offlineMixer, out.data(), period);
            (withShape ? shaped : plain).push_back(cpuSeconds() - t0);
        }
        std::sort(plain.begin(), plain.end());
        std::sort(shaped.begin(), shaped.end());
        plainP99 = plain[size_t(double(plain.size()) * 0.99)];
        shapedP99 = shaped[size_t(double(shaped.size()) * 0.99)];
        state.SetIterationTime(shapedP99);
    }
    const double periodSeconds = double(period) / kRate;
    state.counters["p99_plain_of_period"] = plainP99 / periodSeconds;
    state.counters["p99_shaped_of_period"] = shapedP99 / periodSeconds;
    state.counters["shaped_vs_plain_p99"] = shapedP99 / plainP99;
}

// Both decks at +6 %: key lock off (the resampler), light (SoundTouch) and fine (Rubber Band), one engine
// each, taking turns period by period. The 99th percentile of the callback's CPU time against the period, and
// the CPU of everything each engine does (decoding and mixing, all on this thread) against key lock off's.
void BM_CallbackTempo(benchmark::State& state) {
    const int period = int(state.range(0));
    constexpr int kKinds = 3; // off, light, fine
    double p99[kKinds] = {}, total[kKinds] = {};
    for (auto _ : state) {
        std::unique_ptr<AudioEngine> engines[kKinds];
        std::vector<std::unique_ptr<MediaPlayer>> players;
        for (int k = 0; k < kKinds; ++k) {
            engines[k] = AudioEngine::createOffline(kRate);
            engines[k]->setKeyLockEngine(k == 2 ? AudioEngine::KeyLockEngine::Fine
                                                : AudioEngine::KeyLockEngine::Light);
            for (int i = 0; i < 2; ++i) {
                players.push_back(std::make_unique<MediaPlayer>(*engines[k], nullptr));
                players.back()->open(g_song3);
                players.back()->setTempo(1.06);
                players.back()->setKeyLock(k > 0);
                players.back()->play();
            }
        }
        std::vector<float> out(size_t(2 * period));
        std::vector<double> times[kKinds];
        const int periods = 20 * kRate / period;
        for (int i = 0; i < periods; ++i)
            for (int k = 0; k < kKinds; ++k) {
                Mixer& impl = engines[k]->mixer();
                const double t0 = cpuSeconds();
                for (auto& slot : impl.decks)
                    if (Deck* deck = slot.load()) {
                        deck->dropStale();
                        deck->fill();
                    }
                const double t1 = cpuSeconds();
                impl.process(impl.offlineMixer, out.data(), period);
                const double t2 = cpuSeconds();
                times[k].push_back(t2 - t1);
                total[k] += t2 - t0;
            }
        for (int k = 0; k < kKinds; ++k) {
            std::sort(times[k].begin(), times[k].end());
            p99[k] = times[k][size_t(double(times[k].size()) * 0.99)];
        }
        state.SetIterationTime(p99[2]);
    }
    const double periodSeconds = double(period) / kRate;
    state.counters["p99_off_of_period"] = p99[0] / periodSeconds;
    state.counters["p99_light_of_period"] = p99[1] / periodSeconds;
    state.counters["p99_fine_of_period"] = p99[2] / periodSeconds;
    state.counters["cpu_light_vs_off"] = total[1] / total[0];
    state.counters["cpu_fine_vs_off"] = total[2] / total[0];
}

// The same mix per device period with a recording running (16-bit FLAC to a temporary folder), and with a
// deck cued (Split) as well, against the plain mix measured here before it; the 99th percentile of each
// against the period's duration. The writer drains beside it on its own thread, as with a device; the loop
// waits for room in the ring between passes, outside the timing.
void BM_CallbackRecording(benchmark::State& state) {
    const int period = int(state.range(0));
    const auto routing = AudioEngine::CueRouting(state.range(1));
    QTemporaryDir dir;
    auto percentile99 = [&](bool recording) {
        auto engine = AudioEngine::createOffline(kRate);
        MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
        a.open(g_song3);
        b.open(g_song3);
        a.setLevel(-1000);
        b.setCue(true);
        a.play();
        b.play();
        auto& impl = engine->mixer();
        if (recording) {
            engine->setCue({routing, {}, 0.25f});
            engine->startRecording(QFile::encodeName(dir.filePath("mix.flac")).toStdString(),
                                   AudioEngine::RecordFormat::Flac);
        }
        std::vector<float> out(size_t(2 * period));
        std::vector<double> times;
        const int periods = 20 * kRate / period;
        times.reserve(size_t(periods));
        for (int i = 0; i < periods; ++i) {
            for (auto& slot : impl.decks)
                if (Deck* d = slot.load()) {
                    d->dropStale();
                    d->fill();
                }
            impl.recorder.waitForRoom(period);
            const auto t0 = Clock::now();
            impl.processDevice(impl.offlineMixer, out.data(), period, 2);
            times.push_back(seconds(Clock::now() - t0));
        }
        engine->stopRecording();
        QFile::remove(dir.filePath("mix.flac"));
        std::sort(times.begin(), times.end());
        return times[size_t(double(times.size()) * 0.99)];
    };
    double plain = 0, recorded = 0;
    for (auto _ : state) {
        plain = percentile99(false);
        recorded = percentile99(true);
        state.SetIterationTime(recorded);
    }
    const double periodSeconds = double(period) / kRate;
    state.counters["p99_of_period"] = recorded / periodSeconds;
    state.counters["p99_vs_plain"] = recorded / plain;
}

long residentBytes() {
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Resident size with a 60-minute song loaded and playing, above the same with a 1-minute song.
void BM_Memory(benchmark::State& state) {
    double above = 0;
    for (auto _ : state) {
        auto engine = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
        std::vector<float> out(2 * 512);
        auto settle = [&](MediaPlayer& mp, const QString& path) {
            mp.open(path);
            mp.play();
            for (int i = 0; i < 200; ++i)
                engine->render(out.data(), 512);
            std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // the scan finishes
            for (int i = 0; i < 200; ++i)
                engine->render(out.data(), 512);
            return residentBytes();
        };
        MediaPlayer mp(*engine, nullptr);
        const long one = settle(mp, g_song1);
        const long sixty = settle(mp, g_song60);
        above = double(sixty - one) / (1024.0 * 1024.0);
        state.SetIterationTime(1);
    }
    state.counters["MiB_above_1min"] = above;
}

// A 60-minute mix recorded to FLAC, rendered offline as fast as the writer takes it: resident size at the
// end against resident size after the first minute.
void BM_RecordingMemory(benchmark::State& state) {
    QTemporaryDir dir;
    double ratio = 0, startMiB = 0, endMiB = 0, speed = 0;
    for (auto _ : state) {
        auto engine = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
        MediaPlayer mp(*engine, nullptr);
        mp.open(g_song60);
        mp.play();
        const std::string path = QFile::encodeName(dir.filePath("set.flac")).toStdString();
        engine->startRecording(path, AudioEngine::RecordFormat::Flac);
        std::vector<float> out(2 * 512);
        const auto t0 = Clock::now();
        long start = 0;
        for (long frames = 0; frames < 60L * 60 * kRate; frames += 512) {
            engine->render(out.data(), int(std::min(512L, 60L * 60 * kRate - frames)));
            if (frames == 60L * kRate / 512 * 512)
                start = residentBytes();
        }
        engine->stopRecording();
        speed = 3600.0 / seconds(Clock::now() - t0);
        const long end = residentBytes();
        ratio = double(end) / double(start);
        startMiB = double(start) / (1024.0 * 1024.0);
        endMiB = double(end) / (1024.0 * 1024.0);
        state.SetIterationTime(1);
        const auto recorded = engine->recording();
        if (recorded.frames != 60L * 60 * kRate || !recorded.error.empty()) {
            std::fprintf(stderr, "recorded %lld frames: %s\n", (long long)recorded.frames,
                         recorded.error.c_str());
            state.SkipWithError("the recording is not the whole mix");
        }
        QFile::remove(dir.filePath("set.flac"));
    }
    state.counters["rss_end_vs_start"] = ratio;
    state.counters["rss_start_MiB"] = startMiB;
    state.counters["rss_end_MiB"] = endMiB;
    state.counters["x_realtime"] = speed;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_song3 = dir.filePath("three.mp3");
    g_song10 = dir.filePath("ten.mp3");
    g_song1 = dir.filePath("one.mp3");
    g_song60 = dir.filePath("sixty.mp3");
    std::fprintf(stderr, "writing songs...\n");
    if (!writeMp3(g_song3, 180) || !repeatFrames(g_song3, g_song10, 10, 3) ||
        !repeatFrames(g_song3, g_song1, 1, 3) || !repeatFrames(g_song3, g_song60, 60, 3))
        return 1;
    std::vector<double> bare;
    for (int i = 0; i < 5; ++i)
        bare.push_back(bareDecode(g_song3));
    std::sort(bare.begin(), bare.end());
    g_bareSeconds = bare[2];
    std::fprintf(stderr, "bare decode of the 3-minute MP3: %.1f ms (%.0f x realtime)\n", g_bareSeconds * 1000,
                 180 / g_bareSeconds);

    BENCHMARK(BM_BareDecode)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
    BENCHMARK(BM_TwoDecksOffline)
        ->Arg(44100)
        ->Arg(48000)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    BENCHMARK(BM_OpenToFirstFrames)
        ->Arg(3)
        ->Arg(10)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(15)
        ->ReportAggregatesOnly(true);
    BENCHMARK(BM_SeekToMiddle)
        ->Arg(1)
        ->Arg(0)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(9)
        ->ReportAggregatesOnly(true);
    BENCHMARK(BM_CallbackWork)
        ->Arg(256)
        ->Arg(512)
        ->Arg(2048)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    BENCHMARK(BM_CallbackCue)
        ->Args({256, int(AudioEngine::CueRouting::Split)})
        ->Args({256, int(AudioEngine::CueRouting::Device)})
        ->Args({512, int(AudioEngine::CueRouting::Split)})
        ->Args({512, int(AudioEngine::CueRouting::Device)})
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(1);
    BENCHMARK(BM_CallbackShaped)
        ->Arg(256)
        ->Arg(512)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(1);
    BENCHMARK(BM_CallbackTempo)
        ->Arg(256)
        ->Arg(512)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(1);
    BENCHMARK(BM_CallbackRecording)
        ->Args({256, int(AudioEngine::CueRouting::Off)})
        ->Args({256, int(AudioEngine::CueRouting::Split)})
        ->Args({512, int(AudioEngine::CueRouting::Off)})
        ->Args({512, int(AudioEngine::CueRouting::Split)})
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(1);
    BENCHMARK(BM_Memory)->UseManualTime()->Iterations(1);
    BENCHMARK(BM_RecordingMemory)->UseManualTime()->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
