// What one mouse step costs on a 320 x 240 face with a stretched background and a masked handle (the whole
// face is redrawn from its pictures every time), against a plain blit of the same face measured in the same
// run.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "glissor/glissor.h"

namespace {

QImage gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return img;
}

void BM_PlainBlit(benchmark::State& state) {
    const QImage face = gradient(320, 240);
    QImage target(320, 240, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.drawImage(0, 0, face);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PlainBlit);

// state.range(0): 1 stretches the background over the face, 0 draws it at its own size.
void BM_MouseStep(benchmark::State& state) {
    Glissor g;
    g.resize(320, 240);
    g.show();
    g.setPicture(gradient(160, 120));
    QImage mask(9, 21, QImage::Format_RGB32), handle(9, 21, QImage::Format_RGB32);
    mask.fill(Qt::white);
    handle.fill(Qt::black);
    for (int y = 0; y < 21; ++y) {
        mask.setPixel(4, y, qRgb(0, 0, 0));
        handle.setPixel(4, y, qRgb(0, 200, 0));
    }
    g.setMaskPicture(mask);
    g.setHPicture(handle);
    g.setMask(true);
    g.setStrechPicture(state.range(0) != 0);
    int i = 0;
    for (auto _ : state) {
        const QPointF at((i++ * 37) % 320, 120);
        QMouseEvent e(QEvent::MouseMove, at, g.mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&g, &e);
        benchmark::DoNotOptimize(g.faceImage().constBits());
    }
}
BENCHMARK(BM_MouseStep)->Arg(1)->Arg(0);

} // namespace
