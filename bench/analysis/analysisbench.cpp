// Figures of the analysis, measured in the same run against the bare libmpg123 decode of a 3-minute 44.1 kHz
// stereo MP3 of a song with drums (CPU time of the thread): each finding's pass over the decoded frames, as a
// ratio of that decode; libebur128 on the same frames beside the loudness. Then the tempo's accuracy on the
// test songs (Accuracy1: within 4 %; Accuracy2: also a half, double, third or triple), with `aubio tempo`
// on the same songs where it is installed. Run: build/bin/analysis_bench
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mpg123.h>
#include <vector>

#include "analysis/audiblebounds.h"
#include "analysis/loudness.h"
#include "analysis/tempo.h"
#include "beatsongs.h"
#include "songfiles.h"
#ifdef DECKMORA_HAVE_EBUR128
#include <ebur128.h>
#endif

using namespace platform::analysis;

namespace {

constexpr int kRate = 44100;
constexpr int kChunk = 8192;
double g_bareDecode = 0;
std::vector<float> g_song; // the MP3's frames as decoded

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double bareDecode(const QString& path, std::vector<float>* keep) {
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_GAPLESS | MPG123_QUIET, 0);
    const double t0 = cpuSeconds();
    mpg123_open(mh, QFile::encodeName(path).constData());
    std::vector<float> buffer(2 * 4096);
    size_t done = 0;
    for (;;) {
        const int err = mpg123_read(mh, reinterpret_cast<unsigned char*>(buffer.data()),
                                    buffer.size() * sizeof(float), &done);
        if (keep)
            keep->insert(keep->end(), buffer.begin(), buffer.begin() + ptrdiff_t(done / sizeof(float)));
        if (err != MPG123_OK && err != MPG123_NEW_FORMAT)
            break;
    }
    const double s = cpuSeconds() - t0;
    mpg123_close(mh);
    mpg123_delete(mh);
    return s;
}

// Feeds the decoded song through `pass` in the analysis's chunks; the counter is the ratio to the decode.
template <class Pass> void run(benchmark::State& state, Pass pass) {
    double total = 0;
    for (auto _ : state) {
        const double t0 = cpuSeconds();
        pass();
        const double s = cpuSeconds() - t0;
        state.SetIterationTime(s);
        total += s;
    }
    state.counters["vs_bare_decode"] = total / double(state.iterations()) / g_bareDecode;
}

template <class Finder> void feed(Finder& f) {
    const size_t frames = g_song.size() / 2;
    for (size_t at = 0; at < frames; at += kChunk)
        f.add(g_song.data() + 2 * at, int(std::min<size_t>(kChunk, frames - at)));
}

void BM_Tempo(benchmark::State& state) {
    run(state, [] {
        TempoDetector t(kRate, 2);
        feed(t);
        benchmark::DoNotOptimize(t.finish());
    });
}

void BM_LoudnessAndBounds(benchmark::State& state) {
    run(state, [] {
        Loudness l(kRate, 2);
        AudibleBounds b(kRate, 2);
        feed(l);
        feed(b);
        l.finish();
        b.finish();
        benchmark::DoNotOptimize(l.integratedLufs());
    });
}

void BM_Loudness(benchmark::State& state) {
    run(state, [] {
        Loudness l(kRate, 2);
        feed(l);
        l.finish();
        benchmark::DoNotOptimize(l.integratedLufs());
    });
}

#ifdef DECKMORA_HAVE_EBUR128
void BM_Libebur128(benchmark::State& state) {
    run(state, [] {
        ebur128_state* st = ebur128_init(2, kRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        ebur128_add_frames_float(st, g_song.data(), g_song.size() / 2);
        double lufs = 0;
        ebur128_loudness_global(st, &lufs);
        benchmark::DoNotOptimize(lufs);
        ebur128_destroy(&st);
    });
}
#endif

bool near(double found, double truth) {
    return std::abs(found - truth) <= 0.04 * truth;
}

// Accuracy1 and Accuracy2 of one finder's answers (0 for none) against the set's tempi.
void report(const char* who, const std::vector<beatsongs::Recipe>& set, const std::vector<double>& found) {
    int one = 0, two = 0;
    for (size_t i = 0; i < set.size(); ++i) {
        const double t = set[i].bpm;
        one += near(found[i], t);
        static const double octaves[] = {1.0, 0.5, 2.0, 1.0 / 3, 3.0};
        two += std::any_of(std::begin(octaves), std::end(octaves),
                           [&](double f) { return near(found[i], t * f); });
    }
    std::printf("%-14s Accuracy1 %5.1f %%  Accuracy2 %5.1f %%  (%zu songs)\n", who,
                100.0 * one / double(set.size()), 100.0 * two / double(set.size()), set.size());
}

void accuracy(const QTemporaryDir& dir) {
    const std::vector<beatsongs::Recipe> set = beatsongs::testSet();
    const QString aubio = QStandardPaths::findExecutable(QStringLiteral("aubio"));
    std::vector<double> ours, theirs;
    std::printf("%-18s %8s %8s %8s\n", "song", "tempo", "Deckmora", aubio.isEmpty() ? "" : "aubio");
    for (const beatsongs::Recipe& r : set) {
        const std::vector<float> frames = beatsongs::render(r);
        TempoDetector t(r.rate, 2);
        for (size_t at = 0; at < frames.size() / 2; at += kChunk)
            t.add(frames.data() + 2 * at, int(std::min<size_t>(kChunk, frames.size() / 2 - at)));
        const auto grid = t.finish();
        ours.push_back(grid ? grid->bpm : 0.0);
        double other = 0;
        if (!aubio.isEmpty()) {
            const QString wav = dir.filePath(QStringLiteral("tempo.wav"));
            songfiles::write(wav, songfiles::Kind::Wav16, r.rate, 2, frames);
            QProcess p;
            p.start(aubio, {QStringLiteral("tempo"), wav});
            p.waitForFinished(60000);
            other = QString::fromUtf8(p.readAllStandardOutput()).split(' ').value(0).toDouble();
        }
        theirs.push_back(other);
        std::printf("%-18s %8.1f %8.1f %8.1f\n", r.name.c_str(), r.bpm, ours.back(), other);
    }
    report("Deckmora", set, ours);
    if (!aubio.isEmpty())
        report("aubio tempo", set, theirs);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    beatsongs::Recipe r;
    r.seconds = 180;
    r.rate = kRate;
    r.intro = true;
    r.firstBeat = 8;
    const QString mp3 = dir.filePath(QStringLiteral("three.mp3"));
    if (!songfiles::write(mp3, songfiles::Kind::Mp3Cbr, kRate, 2, beatsongs::render(r))) {
        std::fprintf(stderr, "could not write the song\n");
        return 1;
    }
    bareDecode(mp3, &g_song);
    std::vector<double> bare;
    for (int i = 0; i < 5; ++i)
        bare.push_back(bareDecode(mp3, nullptr));
    std::sort(bare.begin(), bare.end());
    g_bareDecode = bare[2];
    std::printf("bare decode of the 3-minute MP3: %.1f ms (%.0f x realtime)\n", g_bareDecode * 1000,
                180 / g_bareDecode);
    // A run of some benchmarks only (--benchmark_filter) leaves the accuracy out.
    if (!std::any_of(argv, argv + argc, [](const char* a) { return std::strstr(a, "--benchmark_filter"); }))
        accuracy(dir);

    using Bench = void (*)(benchmark::State&);
    const std::pair<const char*, Bench> benches[] = {
        {"BM_Tempo", BM_Tempo}, {"BM_LoudnessAndBounds", BM_LoudnessAndBounds}, {"BM_Loudness", BM_Loudness}};
    for (const auto& [name, fn] : benches)
        benchmark::RegisterBenchmark(name, fn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
#ifdef DECKMORA_HAVE_EBUR128
    benchmark::RegisterBenchmark("BM_Libebur128", BM_Libebur128)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
