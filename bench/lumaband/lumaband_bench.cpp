// The cost of one bar run against painting one plain gradient of the same size, and against the same bar
// drawn as one filled rectangle per unit-wide band.
#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "lumaband/lumabandrules.h"

namespace {

const QSize kSize(400, 20);

lumaband::BarSettings fullBar(float segmentSize, float segmentWidth) {
    lumaband::BarSettings s;
    s.min = 0;
    s.max = 32767;
    s.value = 32767;
    s.startColor = 0x00000000;
    s.endColor = 0x00FFFFFF;
    s.segmentSize = segmentSize;
    s.segmentWidth = segmentWidth;
    s.showPercent = true;
    return s;
}

void drawBarRun(benchmark::State& state, float segmentSize, float segmentWidth) {
    QImage image(kSize, QImage::Format_RGB32);
    const lumaband::Surface surface{QColor(0x40, 0x40, 0x40), Qt::white, QApplication::font()};
    const auto s = fullBar(segmentSize, segmentWidth);
    for (auto _ : state) {
        QPainter p(&image);
        float units = 0;
        benchmark::DoNotOptimize(lumaband::drawBar(p, image.rect(), s, surface, units));
    }
}

void BM_DrawBarFullSegmented(benchmark::State& state) {
    drawBarRun(state, 820, 160);
}
void BM_DrawBarFullFineSegments(benchmark::State& state) {
    drawBarRun(state, 10, 2);
}
// 6.5 million segments, far finer than a pixel: taken column by column.
void BM_DrawBarFullSubPixelSegments(benchmark::State& state) {
    drawBarRun(state, 0.005f, 0.001f);
}
void BM_DrawBarFullPlain(benchmark::State& state) {
    drawBarRun(state, 0, 0.7f);
}

// The baseline: one plain gradient of the same size.
void BM_PlainGradient(benchmark::State& state) {
    QImage image(kSize, QImage::Format_RGB32);
    QLinearGradient g(0, 0, kSize.width(), 0);
    g.setColorAt(0, Qt::black);
    g.setColorAt(1, Qt::white);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(image.rect(), g);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The same full bar as one filled rectangle per band in a scaled painter, without segments.
void BM_OneRectanglePerBand(benchmark::State& state) {
    QImage image(kSize, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(image.rect(), QColor(0x40, 0x40, 0x40));
        p.scale(kSize.width() / 32767.0, 1);
        float r = 0;
        const float d = 255.0f / 32767;
        for (int i = 0; i <= 32767; ++i) {
            const int c = static_cast<int>(r + 0.5f);
            p.fillRect(QRectF(i, 0, 1, kSize.height()), QColor(c, c, c));
            r += d;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK(BM_PlainGradient)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawBarFullPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawBarFullSegmented)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawBarFullFineSegments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawBarFullSubPixelSegments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneRectanglePerBand)->Unit(benchmark::kMicrosecond);
