// A 60-minute offline auto-mix: 20 songs of 3:09, made here with silent ends and levels 18 dB apart,
// crossfaded over both decks and levelled to -14 LUFS by the console with the analysis at work, ticked every
// 20 ms (the console's own timer). Every hand-over measured in the render: how long the decks overlap
// against the fade asked for, the mix's level through the fade against the outgoing song's alone, the
// longest silence; and the resident memory at each hand-over from the second song on.
//   build/bin/player_automix_bench [songs] [seconds]
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/analysisservice.h"
#include "console/console.h"
#include "console/songlist.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"

using namespace player;
using platform::media::PlayState;

namespace {

constexpr int kRate = 44100;
constexpr int kTick = kRate / 50; // 20 ms
constexpr double kFade = 8;

double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// A steady tone with a little noise, `lead` and `tail` seconds of silence around it.
std::vector<float> song(int i, double seconds) {
    const double lead = 0.3 + 0.4 * (i % 5), tail = 0.5 + 0.7 * (i % 4);
    const double amplitude = std::pow(10.0, (-6.0 - 18.0 * ((i * 7) % 20) / 19.0) / 20);
    const double hz = 220 + 97 * (i % 8); // at least 97 Hz apart, so two songs beat fast
    const int frames = int(seconds * kRate);
    std::vector<float> v(size_t(2 * frames), 0.0f);
    uint32_t noise = 1u + uint32_t(i);
    for (int f = int(lead * kRate); f < frames - int(tail * kRate); ++f) {
        noise = noise * 1664525u + 1013904223u;
        const double t = double(f) / kRate;
        const double x = amplitude * std::sin(2 * std::numbers::pi * hz * t) +
                         amplitude * 0.05 * (double(noise >> 8) / double(1 << 24) - 0.5);
        v[size_t(2 * f)] = v[size_t(2 * f + 1)] = float(x);
    }
    return v;
}

double rmsDb(const float* v, size_t frames) {
    double sum = 0;
    for (size_t i = 0; i < 2 * frames; ++i)
        sum += double(v[i]) * v[i];
    return 10 * std::log10(sum / double(2 * frames) + 1e-30);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int songs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    const double seconds = argc > 2 ? std::max(30.0, std::atof(argv[2])) : 189;
    QTemporaryDir dir, cache, config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QListWidget names, files;
    SongList::setUpControls(&names, &files);
    SongList list(&names, &files);
    for (int i = 0; i < songs; ++i) {
        const QString path = dir.filePath(QStringLiteral("song%1.wav").arg(i, 2, 10, QLatin1Char('0')));
        if (!songfiles::write(path, songfiles::Kind::Wav16, kRate, 2, song(i, seconds)))
            return 1;
        list.append(QFileInfo(path).fileName(), path);
    }

    platform::analysis::AnalysisService analysis(cache.path());
    auto engine = platform::media::AudioEngine::createOffline(kRate);
    engine->setLimiter(true);
    platform::media::MediaPlayer mp0(*engine, nullptr), mp1(*engine, nullptr);
    Console console({&mp0, &mp1}, list, nullptr);
    console.setAnalysis(&analysis);
    console.setAutoMix({automix::Transition::Crossfade, kFade, true, -14});
    console.setGoOnPlaying(true);
    list.select(0);
    console.loadSelected(0);
    console.setCrossfader(Console::kCrossfaderMin);
    console.play(0);

    // The songs play end to end but for the fades, until the last one has come in.
    const size_t total = size_t((songs * (seconds - kFade) - 30) * kRate);
    std::vector<float> out(2 * size_t(kTick));
    struct HandOver {
        double start = -1, stop = -1, levelDev = 0, aloneDb = 0, rss = 0;
        size_t gap = 0; // the longest silence while both decks play
    };
    std::vector<HandOver> hands;
    double aloneDb = 0;
    std::vector<float> level;
    PlayState before[2] = {PlayState::Playing, PlayState::NoMedia};
    size_t silentRun = 0, longestSilence = 0;
    bool heard = false;
    float peak = 0;
    const auto wall = std::chrono::steady_clock::now();
    double analysisWait = 0;
    for (size_t at = 0; at < total; at += kTick) {
        QCoreApplication::processEvents();
        // Real time gives the analysis the seconds before a fade; the offline render waits for it instead.
        const auto waited = std::chrono::steady_clock::now();
        for (int d = 0; d < 2; ++d)
            while (console.deck(d).hasMedia() && !console.facts(d).loudnessLufs) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                QThread::msleep(2);
            }
        analysisWait += std::chrono::duration<double>(std::chrono::steady_clock::now() - waited).count();
        console.autoMixTick();
        for (int d = 0; d < 2; ++d) {
            const PlayState now = console.deck(d).state();
            if (now == PlayState::Playing && before[d] != PlayState::Playing && at > 0) {
                hands.push_back({double(at) / kRate, -1, 0, aloneDb, 0, 0});
            } else if (now != PlayState::Playing && before[d] == PlayState::Playing && !hands.empty() &&
                       hands.back().stop < 0) {
                hands.back().stop = double(at) / kRate;
                hands.back().rss = residentMiB();
            }
            before[d] = now;
        }
        engine->render(out.data(), kTick);
        // The level in 100 ms windows: long enough that two songs' tones beat many times inside one.
        const bool fading = !hands.empty() && hands.back().stop < 0;
        level.insert(level.end(), out.begin(), out.end());
        if (level.size() >= 10 * size_t(kTick)) {
            const double db = rmsDb(level.data(), level.size() / 2);
            level.clear();
            if (fading)
                hands.back().levelDev = std::max(hands.back().levelDev, std::abs(db - hands.back().aloneDb));
            else
                aloneDb = db; // the song alone, just before a fade
        }
        for (int i = 0; i < 2 * kTick; i += 2) {
            peak = std::max(peak, std::abs(out[size_t(i)]));
            const bool silent = std::abs(out[size_t(i)]) < 1e-4f;
            heard = heard || !silent;
            silentRun = heard && silent ? silentRun + 1 : 0;
            longestSilence = std::max(longestSilence, silentRun);
            if (fading)
                hands.back().gap = std::max(hands.back().gap, silentRun);
        }
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();

    std::printf("| hand-over | starts at | overlap (fade %.0f s) | level through the fade vs the song alone "
                "| gap | RSS "
                "(MiB) |\n|---|---|---|---|---|---|\n",
                kFade);
    double rssMin = 1e9, rssMax = 0, worstLevel = 0, worstOverlap = 0;
    for (size_t h = 0; h < hands.size(); ++h) {
        const HandOver& o = hands[h];
        const double overlap = o.stop - o.start;
        if (o.stop < 0)
            continue;
        std::printf("| %zu | %.2f s | %.3f s | %.2f dB | %.2f ms | %.1f |\n", h + 1, o.start, overlap,
                    o.levelDev, 1000.0 * double(o.gap) / kRate, o.rss);
        worstLevel = std::max(worstLevel, o.levelDev);
        worstOverlap = std::max(worstOverlap, std::abs(overlap - kFade));
        rssMin = std::min(rssMin, o.rss);
        rssMax = std::max(rssMax, o.rss);
    }
    std::printf(
        "\n%d songs of %.0f s, %.1f min of mix rendered in %.1f s (%.0f x realtime; %.1f s of it waiting "
        "for the analysis)\n",
        songs, seconds, double(total) / kRate / 60, took, double(total) / kRate / took, analysisWait);
    std::printf("worst overlap error: %.3f s (%.2f of a 20 ms tick)\n", worstOverlap, worstOverlap / 0.020);
    std::printf("worst level through a fade: %.2f dB (limit 1 dB)\n", worstLevel);
    std::printf("longest silence after the first sound: %.2f ms (%.2f of a 512-frame period)\n",
                1000.0 * double(longestSilence) / kRate, double(longestSilence) / 512);
    std::printf("sample peak: %.2f dBFS\n", 20 * std::log10(peak + 1e-30));
    std::printf("resident memory over the hand-overs: %.2f MiB spread (%.1f .. %.1f; limit 1 MiB)\n",
                rssMax - rssMin, rssMin, rssMax);
    return 0;
}
