// What a deck's worker spends converting a 44.1 kHz song to a 48 kHz device: libsamplerate's fastest sinc
// (the baseline) against libsoxr at its medium and high qualities, CPU time of the converting thread per
// second of audio as a ratio of the baseline's in the same run, fed in the deck's own pieces (a read of the
// decoder in, a ring chunk out). Beside each, its quality in dB: the signal-to-error ratio of a pure tone at
// 1, 10 and 16 kHz against the exact sine at the output's times (the passband's flatness and phase count),
// and for a 20 kHz tone what comes out besides a sine at 20 kHz (images, aliases, noise) against the tone put
// in. Run: build/bin/resample_bench
#include <benchmark/benchmark.h>
#include <cmath>
#include <ctime>
#include <functional>
#include <numbers>
#include <samplerate.h>
#include <soxr.h>
#include <string>
#include <vector>

namespace {

constexpr int kIn = 44100, kOut = 48000;
constexpr int kReadFrames = 1024, kChunkFrames = 512; // as the deck reads and writes
constexpr double kSeconds = 30;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// One converter behind a deck's two calls: turn what is in into at most `room` frames out, and start over.
struct Converter {
    std::function<void(const float* in, long frames, long* used, float* out, long room, long* made, bool end)>
        process;
    std::function<void()> reset;
    std::function<void()> destroy;
};

Converter libsamplerate() {
    int err = 0;
    SRC_STATE* s = src_new(SRC_SINC_FASTEST, 2, &err);
    return {[s](const float* in, long frames, long* used, float* out, long room, long* made, bool end) {
                SRC_DATA d{};
                d.data_in = in;
                d.input_frames = frames;
                d.data_out = out;
                d.output_frames = room;
                d.src_ratio = double(kOut) / kIn;
                d.end_of_input = end ? 1 : 0;
                src_process(s, &d);
                *used = d.input_frames_used;
                *made = d.output_frames_gen;
            },
            [s] { src_reset(s); }, [s] { src_delete(s); }};
}

Converter soxr(unsigned long recipe) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t q = soxr_quality_spec(recipe, 0);
    const soxr_runtime_spec_t rt = soxr_runtime_spec(1); // one thread, as on the deck's worker
    soxr_error_t err = nullptr;
    soxr_t s = soxr_create(kIn, kOut, 2, &err, &io, &q, &rt);
    return {[s](const float* in, long frames, long* used, float* out, long room, long* made, bool end) {
                size_t done = 0, gen = 0;
                if (frames > 0)
                    soxr_process(s, in, size_t(frames), &done, out, size_t(room), &gen);
                else if (end)
                    soxr_process(s, nullptr, 0, nullptr, out, size_t(room), &gen);
                else
                    soxr_process(s, in, 0, &done, out, size_t(room), &gen);
                *used = long(done);
                *made = long(gen);
            },
            [s] { soxr_clear(s); }, [s] { soxr_delete(s); }};
}

// The whole of `in` (stereo at kIn) through `c` as the deck drives it; returns stereo at kOut.
std::vector<float> convert(Converter& c, const std::vector<float>& in) {
    const long frames = long(in.size() / 2);
    std::vector<float> out;
    out.reserve(size_t(double(frames) * kOut / kIn + 4096) * 2);
    float chunk[2 * kChunkFrames];
    long pos = 0, readEnd = 0;
    for (;;) {
        if (pos == readEnd && readEnd < frames)
            readEnd = std::min(frames, readEnd + kReadFrames);
        const bool end = readEnd == frames;
        long used = 0, made = 0;
        c.process(in.data() + 2 * pos, readEnd - pos, &used, chunk, kChunkFrames, &made, end);
        pos += used;
        out.insert(out.end(), chunk, chunk + 2 * made);
        if (end && pos == frames && made == 0)
            break;
    }
    c.reset();
    return out;
}

std::vector<float> tone(double hz, double seconds, int rate, double amplitude) {
    const int frames = int(seconds * rate);
    std::vector<float> s(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f)
        s[size_t(f) * 2] = s[size_t(f) * 2 + 1] =
            float(amplitude * std::sin(2 * std::numbers::pi * hz * f / rate));
    return s;
}

// A chord with a slow sweep, as the engine's other figures use.
std::vector<float> chord() {
    const int frames = int(kSeconds * kIn);
    std::vector<float> s(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const double t = double(f) / kIn;
        const float v = float(0.3 * std::sin(2 * std::numbers::pi * 220 * t) +
                              0.2 * std::sin(2 * std::numbers::pi * (330 + 50 * std::sin(t)) * t));
        s[size_t(f) * 2] = v;
        s[size_t(f) * 2 + 1] = -v;
    }
    return s;
}

double db(double ratio) {
    return 10 * std::log10(ratio);
}

// Over the steady middle of the left channel: the exact sine against the error (`fitted` false), or the tone
// put in against what is left once the best sine at `hz` is taken out (true: a passband's gain and phase do
// not count, images do).
double signalToError(const std::vector<float>& out, double hz, double amplitude, bool fitted) {
    const size_t from = kOut / 4, to = out.size() / 2 - kOut / 4;
    double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
    for (size_t n = from; n < to; ++n) {
        const double w = 2 * std::numbers::pi * hz * double(n) / kOut;
        const double c = std::cos(w), s = std::sin(w), y = out[2 * n];
        cc += c * c, ss += s * s, cs += c * s, yc += y * c, ys += y * s;
    }
    double a = 0, b = amplitude; // the exact sine: amplitude * sin
    if (fitted) {
        const double det = cc * ss - cs * cs;
        a = (yc * ss - ys * cs) / det;
        b = (ys * cc - yc * cs) / det;
    }
    double signal = 0, error = 0;
    for (size_t n = from; n < to; ++n) {
        const double w = 2 * std::numbers::pi * hz * double(n) / kOut;
        const double want = a * std::cos(w) + b * std::sin(w);
        signal += amplitude * amplitude * std::sin(w) * std::sin(w);
        error += (out[2 * n] - want) * (out[2 * n] - want);
    }
    return db(signal / std::max(error, 1e-300));
}

double g_baseline = 0; // CPU seconds per second of audio of libsamplerate's fastest sinc

void BM_Resample(benchmark::State& state, Converter (*make)(), bool baseline) {
    Converter c = make();
    const std::vector<float> music = chord();
    double total = 0;
    for (auto _ : state) {
        const double t0 = cpuSeconds();
        benchmark::DoNotOptimize(convert(c, music).data());
        const double s = cpuSeconds() - t0;
        state.SetIterationTime(s);
        total += s;
    }
    const double perSecond = total / double(state.iterations()) / kSeconds;
    if (baseline)
        g_baseline = perSecond;
    state.counters["cpu_per_audio_second"] = perSecond;
    state.counters["vs_src_sinc_fastest"] = perSecond / g_baseline;
    for (const int khz : {1, 10, 16})
        state.counters["snr_db_" + std::to_string(khz) + "k"] =
            signalToError(convert(c, tone(khz * 1000.0, 2, kIn, 0.5)), khz * 1000.0, 0.5, false);
    state.counters["images_db_20k"] = signalToError(convert(c, tone(20000, 2, kIn, 0.5)), 20000, 0.5, true);
    c.destroy();
}

Converter srcFastest() {
    return libsamplerate();
}
Converter soxrMq() {
    return soxr(SOXR_MQ);
}
Converter soxrHq() {
    return soxr(SOXR_HQ);
}

} // namespace

BENCHMARK_CAPTURE(BM_Resample, src_sinc_fastest, srcFastest, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Resample, soxr_mq, soxrMq, false)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Resample, soxr_hq, soxrHq, false)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
