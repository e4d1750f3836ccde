// Lumaband restored from a property set read from arbitrary text, then drawn at an arbitrary size; DrawBar's
// rules also run directly on the loaded values. Errors must come back as ControlError, never as a crash.
#include <QImage>
#include <QPainter>
#include <QString>

#include "fuzzapp.h"
#include "lumaband/lumaband.h"
#include "lumaband/lumabandrules.h"

using fuzzsupport::tolerate;
using platform::component::ControlError;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const auto input = fuzzsupport::controlInput(data, size, 4);
    if (!input)
        return 0;

    Lumaband bar;
    bar.resize(input->size);
    try {
        bar.readProperties(input->bag);
    } catch (const ControlError&) {
        return 0; // a value of the wrong type: the host is told, the bar keeps what it had read
    }
    tolerate([&] { bar.Percent(); });
    QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    bar.render(&image);

    lumaband::BarSettings s;
    s.startColor = bar.StartColor();
    s.endColor = bar.EndColor();
    s.value = bar.Value();
    s.min = bar.Min();
    s.max = bar.Max();
    s.showPercent = bar.ShowPercent();
    s.relativeScroll = bar.RelativeScroll();
    s.segmentSize = bar.SegmentSize();
    s.segmentWidth = bar.SegmentWidth();
    QImage direct(input->size, QImage::Format_RGB32);
    QPainter p(&direct);
    float units = 0;
    tolerate([&] {
        lumaband::drawBar(p, direct.rect(), s, lumaband::Surface{Qt::black, Qt::white, bar.font()}, units);
    });
    return 0;
}
