// The waveform summary of a 3-minute MP3, made on a thread of its own, against the bare decode of the same
// song on a thread of its own, in the same run: CPU time of each thread, so that the machine's other load
// counts on neither side. Writes its own song (libsndfile encodes MP3 through LAME).
// Run: build/bin/waveform_bench
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sndfile.h>
#include <thread>
#include <vector>

#include "analysis/songanalysis.h"
#include "analysis/waveformbuilder.h"
#include "media/decoder.h"

using namespace platform;

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 180;
QString g_song;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Music-like: a bass line, a chord and a hiss that comes and goes, so that every band has work and the bit
// rate varies.
bool writeSong(const QString& path) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf)
        return false;
    std::vector<float> block(2 * 4096);
    uint32_t noise = 1;
    const long total = long(kSeconds * kRate);
    for (long f = 0; f < total; f += 4096) {
        const int n = int(std::min<long>(4096, total - f));
        for (int i = 0; i < n; ++i) {
            const double t = double(f + i) / kRate;
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (double(noise >> 8) / double(1u << 24) - 0.5) * (std::fmod(t, 0.5) < 0.1);
            const double bass = 0.4 * std::sin(2 * M_PI * (55 + 27.5 * (int(t) % 4)) * t);
            const double chord = 0.15 * (std::sin(2 * M_PI * 440 * t) + std::sin(2 * M_PI * 554 * t));
            block[size_t(2 * i)] = float(bass + chord + 0.2 * hiss);
            block[size_t(2 * i + 1)] = float(bass - chord + 0.2 * hiss);
        }
        sf_writef_float(sf, block.data(), n);
    }
    return sf_close(sf) == 0;
}

// Runs `work` on a thread of its own and returns that thread's CPU time.
template <class Work> double onItsOwnThread(Work work) {
    double seconds = 0;
    std::thread t([&] {
        const double t0 = cpuSeconds();
        work();
        seconds = cpuSeconds() - t0;
    });
    t.join();
    return seconds;
}

double bareDecode() {
    return onItsOwnThread([] {
        media::OpenResult opened = media::openDecoder(g_song);
        std::vector<float> chunk(2 * 8192);
        int64_t frames = 0;
        while (const int n = opened.decoder->read(chunk.data(), 8192))
            frames += n;
        benchmark::DoNotOptimize(frames);
    });
}

double analysis() {
    return onItsOwnThread([] {
        media::OpenResult opened = media::openDecoder(g_song);
        analysis::Waveform w;
        analysis::WaveformBuilder builder(w);
        analysis::FrameSink* sinks[] = {&builder};
        benchmark::DoNotOptimize(analysis::analyse(*opened.decoder, nullptr, sinks).frames);
    });
}

// Alternates the two, so that a change of the machine's pace meets both sides alike. Argument 1: the
// processor's eight-lane arithmetic where it has it (what the program does); 0: four lanes, as on a processor
// without it.
void BM_AnalysisAgainstBareDecode(benchmark::State& state) {
    analysis::WaveformBuilder::allowWideLanes(state.range(0) != 0);
    double bare = 0, analysed = 0;
    for (auto _ : state) {
        const double b = bareDecode();
        const double a = analysis();
        bare += b;
        analysed += a;
        state.SetIterationTime(a);
    }
    const double n = double(state.iterations());
    state.counters["bare_ms"] = bare / n * 1000;
    state.counters["analysis_ms"] = analysed / n * 1000;
    state.counters["vs_bare_decode"] = analysed / bare;
    state.counters["x_realtime"] = kSeconds / (analysed / n);
}
BENCHMARK(BM_AnalysisAgainstBareDecode)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_song = dir.filePath("three.mp3");
    std::fprintf(stderr, "writing the song...\n");
    if (!writeSong(g_song))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
