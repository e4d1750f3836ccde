// Text conversions on arbitrary text: no crash, and what the strict reader accepts the lenient reader reads
// alike.
#include <QString>
#include <cmath>
#include <cstdlib>

#include "core/numbertext.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const double lenient = platform::textToNumberLenient(text);
    if (!std::isfinite(lenient))
        std::abort();
    if (auto strict = platform::textToNumberStrict(text)) {
        if (*strict != lenient)
            std::abort();
        // Formatting and reading back keeps 15 significant digits.
        const auto again = platform::textToNumberStrict(platform::numberToText(*strict));
        if (!again || (*strict != 0 && std::fabs(*again - *strict) > std::fabs(*strict) * 1e-14))
            std::abort();
    }
    platform::textToBoolStrict(text);
    return 0;
}
