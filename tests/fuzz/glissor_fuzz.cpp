// Glissor restored from a property set read from arbitrary text, then sized, shown and drawn; its text
// conversions on what it read. Errors must come back as ControlError, never as a crash.
#include <QImage>
#include <QPainter>
#include <QString>

#include "component/propertybag.h"
#include "fuzzapp.h"
#include "glissor/glissor.h"

using fuzzsupport::tolerate;
using platform::component::PropertyBag;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const auto input = fuzzsupport::controlInput(data, size, 2);
    if (!input)
        return 0;

    Glissor g;
    g.resize(input->size);
    tolerate([&] { g.readProperties(input->bag); });
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
    copy.resize(input->size);
    tolerate([&] { copy.readProperties(saved); });
    if (copy.valueText() != g.valueText() || copy.maxText() != g.maxText() || copy.Caption() != g.Caption())
        std::abort();
    g.hide();
    return 0;
}
