// The DJ view's cost to the UI thread: a display tick with both decks playing and the view open, painted, as
// the share of the tick's own interval (1000 / kTicksPerSecond ms) it takes, beside the same tick with the
// view closed; and one waveform strip's frame alone. Run it at the scale it is judged at:
//   QT_SCALE_FACTOR=1.5 build/bin/player_dj_bench --benchmark_counters_tabular=true
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>

#include "analysis/waveform.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "windows/djview.h"
#include "windows/mainwindow.h"
#include "windows/skin.h"
#include "windows/ticks.h"
#include "windows/waveformstrip.h"

using namespace player;

namespace {

constexpr int kRate = 44100;

struct Window {
    QTemporaryDir dir;
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(kRate);
    std::unique_ptr<MainWindow> w;
    std::vector<float> frames = std::vector<float>(2 * 512);

    explicit Window(bool dj) {
        qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toLocal8Bit());
        w = std::make_unique<MainWindow>(*engine);
        auto& ui = w->elementsForTest();
        ui.Timer1->stop();
        w->setQuitAction([] {});
        if (dj != w->djViewOpen())
            w->DJ_Click();
        w->show();
        for (int d = 0; d < 2; ++d) {
            const QString path = dir.filePath(QStringLiteral("song%1.wav").arg(d));
            writeSong(path, 60, kRate, 220 + 110 * d);
            w->loadSong(d, QStringLiteral("song %1").arg(d), path);
            w->Play_Click(d);
        }
        for (int d = 0; dj && d < 2; ++d)
            while (!w->djView()->waveform(d)->complete())
                QApplication::processEvents(QEventLoop::AllEvents, 5);
        for (int i = 0; i < 5; ++i)
            tick();
    }
    // One tick's worth of both songs, keeping away from their ends.
    void advance() {
        for (int left = kRate / kTicksPerSecond; left > 0; left -= 512)
            engine->render(frames.data(), std::min(left, 512));
        for (int d = 0; d < 2; ++d)
            if (w->deckPlayer(d).position() > 50)
                w->deckPlayer(d).setPosition(5);
    }
    void tick() {
        w->Timer1_Timer();
        QApplication::processEvents();
    }
};

void report(benchmark::State& state, double seconds) {
    const double frameMs = seconds * 1000 / static_cast<double>(state.iterations());
    state.counters["frame_ms"] = frameMs;
    state.counters["of_tick"] = frameMs / (1000.0 / kTicksPerSecond);
    state.counters["scale"] = qApp->devicePixelRatio();
}

void paintedTick(benchmark::State& state, bool dj) {
    Window win(dj);
    double spent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        win.advance();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        win.tick();
        spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    report(state, spent);
}

void BM_TwoSongsTickPaintedViewClosed(benchmark::State& state) {
    paintedTick(state, false);
}
void BM_TwoSongsTickPaintedViewOpen(benchmark::State& state) {
    paintedTick(state, true);
}

// One strip's frame (the width of the window, at the screen's scale) of a song full of detail.
void BM_WaveformStripFrame(benchmark::State& state) {
    platform::analysis::Waveform wf;
    std::vector<platform::analysis::WaveColumn> columns(60 * platform::analysis::Waveform::kColumnsPerSecond);
    for (size_t i = 0; i < columns.size(); ++i) {
        const float v = static_cast<float>((i * 2654435761u) % 1000) / 1000.0f;
        columns[i] = {v, v * 0.6f, v * 0.4f, v * 0.2f};
    }
    wf.append(columns.data(), static_cast<int>(columns.size()));
    wf.finish();
    const qreal dpr = qApp->devicePixelRatio();
    QImage image(QSize(494, 51) * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    double at = 5, spent = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        WaveformStrip::render(image, &wf, at, 10, skin::deckColour(0));
        spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        at = at > 50 ? 5 : at + 1.0 / kTicksPerSecond;
    }
    report(state, spent);
}

BENCHMARK(BM_TwoSongsTickPaintedViewClosed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoSongsTickPaintedViewOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WaveformStripFrame)->Unit(benchmark::kMicrosecond);

} // namespace
