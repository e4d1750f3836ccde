// Glissor restored from a property set read from arbitrary text, then sized, shown and drawn; its text
// conversions on what it read. Errors must come back as ControlError, never as a crash.
#include <QImage>
#include <QPainter>
#include <QString>

#include "component/controlerror.h"
#include "component/propertybag.h"
#include "fuzzapp.h"
#include "glissor/glissor.h"

using platform::component::ControlError;
using platform::component::PropertyBag;

namespace {

template <class F> void tolerate(F&& f) {
    try {
        f();
    } catch (const ControlError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // The first two bytes size the face; the rest is the property text.
    if (size < 2)
        return 0;
    const int width = 1 + data[0] * 2;
    const int height = 1 + data[1] / 2;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    const auto bag = PropertyBag::fromText(text);
    if (!bag)
        return 0;

    Glissor g;
    g.resize(width, height);
    tolerate([&] { g.readProperties(*bag); });
    g.show();
    tolerate([&] { g.UpdateSlider(); });
    tolerate([&] { g.Value(); });
    tolerate([&] { g.MaxValue(); });
    tolerate([&] { g.StrechPicture(); });
    tolerate([&] { g.Mask(); });
    QImage image(g.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    g.render(&image);
    // Restoring what it writes must hold.
    PropertyBag saved;
    g.writeProperties(saved);
    Glissor copy;
    copy.resize(width, height);
    tolerate([&] { copy.readProperties(saved); });
    if (copy.valueText() != g.valueText() || copy.maxText() != g.maxText() || copy.Caption() != g.Caption())
        std::abort();
    g.hide();
    return 0;
}
