// Auto-mix hand-over: the silence in the mixed output between the last frame of one song and the first frame
// of the next on the same deck, with an output that runs at real-time pace (as the null output does) and
// records what it mixes. Reported in milliseconds and in output periods (the baseline: one period of the same
// run).
//   build/bin/player_handover_bench
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/devicekeeper.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "windows/mainwindow.h"

using namespace player;

namespace {

using platform::media::AudioEngine;
using platform::media::AudioOutput;
using platform::media::Mixer;

constexpr int kRate = 44100;
constexpr int kPeriod = 512;

// Calls the mixer at real-time pace, like the null output, and keeps every frame it is given.
class RecordingOutput final : public AudioOutput {
public:
    RecordingOutput(Mixer& engine, std::vector<float>& tape) : m_engine(engine), m_tape(tape) {}
    ~RecordingOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    size_t recorded() const { return m_written.load(); }

private:
    void run() {
        using clock = std::chrono::steady_clock;
        const auto period = std::chrono::duration_cast<clock::duration>(
            std::chrono::duration<double>(double(kPeriod) / kRate));
        auto next = clock::now();
        while (!m_quit.load()) {
            const size_t at = m_written.load();
            if (at + 2 * kPeriod > m_tape.size())
                break;
            m_engine.process(mixer, m_tape.data() + at, kPeriod);
            m_written.store(at + 2 * kPeriod);
            next += period;
            std::this_thread::sleep_until(next);
        }
    }

    Mixer& m_engine;
    std::vector<float>& m_tape;
    std::atomic<size_t> m_written{0};
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// The silent stretches (in frames) that lie between sound, longer than a zero crossing; the silence before
// the first song and after the last one is not a hand-over.
std::vector<int> gaps(const std::vector<float>& tape) {
    const size_t frames = tape.size() / 2;
    auto silent = [&](size_t f) {
        return std::fabs(tape[2 * f]) < 1e-3f && std::fabs(tape[2 * f + 1]) < 1e-3f;
    };
    std::vector<int> out;
    size_t f = 0;
    while (f < frames && silent(f))
        ++f;
    size_t run = 0;
    for (; f < frames; ++f) {
        if (silent(f)) {
            ++run;
            continue;
        }
        if (run > 4)
            out.push_back(static_cast<int>(run));
        run = 0;
    }
    return out;
}

void BM_AutoMixHandOver(benchmark::State& state) {
    QTemporaryDir dir;
    const int songs = 6;
    std::vector<float> tape(size_t(2) * kRate * 4);
    std::vector<int> all;
    for (auto _ : state) {
        std::fill(tape.begin(), tape.end(), 0.0f);
        auto engine = AudioEngine::createWithOutput(
            kRate, kPeriod, [&](Mixer& e) { return std::make_unique<RecordingOutput>(e, tape); });
        auto window = std::make_unique<MainWindow>(*engine);
        MainWindow& w = *window;
        auto& ui = w.elementsForTest();
        w.setQuitAction([] {});
        for (int i = 0; i < songs; ++i) {
            const QString path = dir.filePath(QStringLiteral("s%1.wav").arg(i));
            writeSong(path, 0.4, kRate, 440);
            ui.lstnames->addItem(path);
            ui.lstFiles->addItem(path);
        }
        ui.chbgoon->setChecked(true);
        ui.lstnames->setCurrentRow(0);
        w.LoadToPlayer_Click(0);
        w.Play_Click(0);
        QEventLoop loop;
        QTimer::singleShot(songs * 400 - 100, &loop, &QEventLoop::quit);
        loop.exec();
        // the decks go before their engine, and the output stops before the tape is read
        window.reset();
        engine.reset();
        const std::vector<int> g = gaps(tape);
        all.insert(all.end(), g.begin(), g.end());
    }
    // A hand-over without a stretch of silence counts as 0.
    const size_t handovers = state.iterations() * size_t(songs - 1);
    all.resize(std::max(all.size(), handovers), 0);
    std::sort(all.begin(), all.end());
    const double periodMs = 1000.0 * kPeriod / kRate;
    const double median = all.empty() ? 0 : 1000.0 * all[all.size() / 2] / kRate;
    const double worst = all.empty() ? 0 : 1000.0 * all.back() / kRate;
    state.counters["handovers"] = static_cast<double>(all.size());
    state.counters["median_gap_ms"] = median;
    state.counters["max_gap_ms"] = worst;
    state.counters["period_ms"] = periodMs;
    state.counters["max_gap_periods"] = worst / periodMs;
}

BENCHMARK(BM_AutoMixHandOver)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
