// The main window's timer ticks on the UI thread: the display tick with no song and with two songs playing,
// and the caption-scroll tick. Report them against the idle tick and the tick budget (1000 / kTicksPerSecond
// ms):
//   build/bin/player_bench --benchmark_counters_tabular=true
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "windows/mainwindow.h"
#include "windows/ticks.h"

using namespace player;

namespace {

struct Window {
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(44100);
    MainWindow w{*engine};
    MainElements& ui = w.elementsForTest();
    QTemporaryDir dir;
    std::vector<float> frames = std::vector<float>(2 * 512);

    explicit Window(bool playing) {
        ui.Timer1->stop();
        ui.Timer2->stop();
        w.setQuitAction([] {});
        if (!playing)
            return;
        for (int d = 0; d < 2; ++d) {
            const QString path = dir.filePath(QStringLiteral("song%1.wav").arg(d));
            writeSong(path, 30, 44100);
            ui.lstnames->addItem(path);
            ui.lstFiles->addItem(path);
            ui.lstnames->setCurrentRow(d);
            w.LoadToPlayer_Click(d);
            w.Play_Click(d);
        }
    }
    // Moves the songs on by one tick's worth of audio, so every tick writes new bar values.
    void advance() {
        for (int left = 44100 / kTicksPerSecond; left > 0; left -= 512)
            engine->render(frames.data(), std::min(left, 512));
        // keep both songs away from their ends, however many ticks the benchmark asks for
        for (auto* mp : ui.MP)
            if (mp->position() > 25)
                mp->setPosition(1);
    }
};

void setBudget(benchmark::State& state) {
    state.counters["budget_ms"] = 1000.0 / kTicksPerSecond;
}

void BM_DisplayTickIdle(benchmark::State& state) {
    Window win(false);
    for (auto _ : state)
        win.w.Timer1_Timer();
    setBudget(state);
}

void BM_DisplayTickTwoSongs(benchmark::State& state) {
    Window win(true);
    for (auto _ : state) {
        state.PauseTiming();
        win.advance();
        state.ResumeTiming();
        win.w.Timer1_Timer();
    }
    setBudget(state);
}

// The same tick with the repaint it causes, as the UI thread pays for it on screen.
void BM_DisplayTickTwoSongsPainted(benchmark::State& state) {
    Window win(true);
    win.w.show();
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        win.advance();
        state.ResumeTiming();
        win.w.Timer1_Timer();
        QApplication::processEvents();
    }
    setBudget(state);
}

void BM_CaptionScrollTickPainted(benchmark::State& state) {
    Window win(true);
    win.w.show();
    QApplication::processEvents();
    for (auto _ : state) {
        win.w.Timer2_Timer();
        QApplication::processEvents();
    }
    setBudget(state);
}

void BM_CaptionScrollTick(benchmark::State& state) {
    Window win(true);
    for (auto _ : state)
        win.w.Timer2_Timer();
    setBudget(state);
}

BENCHMARK(BM_DisplayTickIdle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayTickTwoSongs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaptionScrollTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayTickTwoSongsPainted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaptionScrollTickPainted)->Unit(benchmark::kMicrosecond);

} // namespace
