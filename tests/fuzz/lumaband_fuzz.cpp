// Lumaband restored from a property set read from arbitrary text, then drawn at an arbitrary size; DrawBar's
// rules also run directly on the loaded values. Errors must come back as ControlError, never as a crash.
#include <QImage>
#include <QPainter>
#include <QString>

#include "component/controlerror.h"
#include "component/propertybag.h"
#include "fuzzapp.h"
#include "lumaband/lumaband.h"
#include "lumaband/lumabandrules.h"

using platform::component::ControlError;
using platform::component::PropertyBag;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size < 2)
        return 0;
    const int width = 1 + data[0] * 4;
    const int height = 1 + data[1] / 4;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    const auto bag = PropertyBag::fromText(text);
    if (!bag)
        return 0;

    Lumaband bar;
    bar.resize(width, height);
    try {
        bar.readProperties(*bag);
    } catch (const ControlError&) {
        return 0; // a value of the wrong type: the host is told, the bar keeps what it had read
    }
    try {
        bar.Percent();
    } catch (const ControlError&) {
    }
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
    QImage direct(width, height, QImage::Format_RGB32);
    QPainter p(&direct);
    float units = 0;
    try {
        lumaband::drawBar(p, direct.rect(), s, lumaband::Surface{Qt::black, Qt::white, bar.font()}, units);
    } catch (const ControlError&) {
    }
    return 0;
}
