// Figures of every song format against MP3, measured in the same run: the full decode of one 3-minute song
// through the engine's decoder for its format, as a ratio of the bare libmpg123 decode of the same song as
// MP3 (CPU time of the decoding thread), and the time from open to the first period of frames through a deck.
// Writes its own songs (libsndfile; the ffmpeg tool for AAC, ALAC and WMA). Run: build/bin/format_bench
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
#include <vector>

#include "media/audioengine.h"
#include "media/decoder.h"
#include "media/mediaplayer.h"
#include "songfiles.h"

using namespace platform::media;
using songfiles::Format;

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 180;

struct Song {
    const char* name;
    int format; // a songfiles::Format, or -1 for MP3 and -2 for WAV
    QString path;
};
std::vector<Song> g_songs = {
    {"mp3", -1, {}},
    {"wav", -2, {}},
    {"aiff", int(Format::Aiff), {}},
    {"flac", int(Format::Flac), {}},
    {"ogg_vorbis", int(Format::OggVorbis), {}},
    {"opus", int(Format::Opus), {}},
    {"m4a_aac", int(Format::M4aAac), {}},
    {"m4a_alac", int(Format::M4aAlac), {}},
    {"aac_adts", int(Format::Adts), {}},
    {"wma", int(Format::Wma), {}},
};
double g_bareMp3 = 0;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A chord with a slow sweep, as the engine's own figures use.
std::vector<float> chord(int rate) {
    const int frames = int(kSeconds * rate);
    std::vector<float> s(size_t(frames) * 2);
    for (int f = 0; f < frames; ++f) {
        const double t = double(f) / rate;
        const float v = float(0.3 * std::sin(2 * M_PI * 220 * t) +
                              0.2 * std::sin(2 * M_PI * (330 + 50 * std::sin(t)) * t));
        s[size_t(f) * 2] = v;
        s[size_t(f) * 2 + 1] = -v;
    }
    return s;
}

bool writeSongs(const QTemporaryDir& dir) {
    const std::vector<float> song = chord(kRate);
    std::vector<int16_t> shorts(song.size());
    std::transform(song.begin(), song.end(), shorts.begin(), [](float v) { return int16_t(v * 32767); });
    for (Song& s : g_songs) {
        s.path = dir.filePath(QStringLiteral("three.") + QLatin1String(s.name));
        bool ok = false;
        if (s.format == -1)
            ok = songfiles::write(s.path, songfiles::Kind::Mp3Cbr, kRate, 2, song);
        else if (s.format == -2)
            ok = songfiles::write(s.path, songfiles::Kind::Wav16, kRate, 2, song);
        else if (Format(s.format) == Format::Opus) {
            const std::vector<float> at48 = chord(48000);
            std::vector<int16_t> s48(at48.size());
            std::transform(at48.begin(), at48.end(), s48.begin(), [](float v) { return int16_t(v * 32767); });
            ok = songfiles::write(s.path, Format::Opus, 48000, 2, s48);
        } else
            ok = songfiles::write(s.path, Format(s.format), kRate, 2, shorts);
        if (!ok) {
            std::fprintf(stderr, "could not write the %s song\n", s.name);
            return false;
        }
    }
    return true;
}

double bareMp3Decode(const QString& path) {
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_GAPLESS | MPG123_QUIET, 0);
    const double t0 = cpuSeconds();
    mpg123_open(mh, QFile::encodeName(path).constData());
    std::vector<float> buffer(2 * 4096);
    size_t done = 0;
    for (;;) {
        const int err = mpg123_read(mh, reinterpret_cast<unsigned char*>(buffer.data()),
                                    buffer.size() * sizeof(float), &done);
        if (err != MPG123_OK && err != MPG123_NEW_FORMAT)
            break;
    }
    mpg123_close(mh);
    mpg123_delete(mh);
    return cpuSeconds() - t0;
}

// Open by content and read to the end, as a deck's worker and the analysis do.
void BM_FullDecode(benchmark::State& state, const Song* song) {
    double total = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        const double t0 = cpuSeconds();
        OpenResult r = openDecoder(song->path);
        if (!r.decoder) {
            state.SkipWithError(r.error.message.toUtf8().constData());
            return;
        }
        std::vector<float> buffer(size_t(r.decoder->channels()) * 4096);
        frames = 0;
        while (const int n = r.decoder->read(buffer.data(), 4096))
            frames += n;
        const double s = cpuSeconds() - t0;
        state.SetIterationTime(s);
        total += s;
    }
    const double each = total / double(state.iterations());
    state.counters["vs_bare_mp3"] = each / g_bareMp3;
    state.counters["x_realtime"] = kSeconds / each;
    state.counters["seconds_decoded"] = double(frames) / (song->path.endsWith("opus") ? 48000 : kRate);
}

// Open and play until the first period is ready, decoding on the deck's worker thread.
void BM_OpenToFirstFrames(benchmark::State& state, const Song* song) {
    auto engine = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        MediaPlayer mp(*engine, nullptr);
        const auto t0 = std::chrono::steady_clock::now();
        mp.open(song->path);
        mp.play();
        engine->render(out.data(), 512);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    std::fprintf(stderr, "writing songs...\n");
    if (!writeSongs(dir))
        return 1;
    std::vector<double> bare;
    for (int i = 0; i < 5; ++i)
        bare.push_back(bareMp3Decode(g_songs[0].path));
    std::sort(bare.begin(), bare.end());
    g_bareMp3 = bare[2];
    std::fprintf(stderr, "bare decode of the 3-minute MP3: %.1f ms\n", g_bareMp3 * 1000);
    for (const Song& s : g_songs) {
        benchmark::RegisterBenchmark((std::string("BM_FullDecode/") + s.name).c_str(), BM_FullDecode, &s)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark((std::string("BM_OpenToFirstFrames/") + s.name).c_str(),
                                     BM_OpenToFirstFrames, &s)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(9)
            ->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
