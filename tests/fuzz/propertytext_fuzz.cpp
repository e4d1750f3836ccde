// The property store's text format on arbitrary text: no crash, and whatever it accepts it writes as a text
// that reads back as the same set and writes the same text again.
#include <QString>
#include <cstdlib>

#include "component/propertybag.h"
#include "fuzzapp.h"

using platform::component::PropertyBag;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::startApplication(); // pictures are images, fonts need the font database
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto bag = PropertyBag::fromText(text, &error);
    if (!bag) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const QString written = bag->toText();
    const auto again = PropertyBag::fromText(written);
    if (!again || again->size() != bag->size() || again->toText() != written)
        std::abort();
    // A NaN never equals itself; everything else compares equal after the round trip.
    if (!written.contains(QLatin1String("nan"), Qt::CaseInsensitive) && !(*again == *bag))
        std::abort();
    return 0;
}
