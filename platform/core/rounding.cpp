#include "core/rounding.h"

#include <cfenv>
#include <climits>
#include <cmath>

namespace platform {

double roundHalfEven(double x) {
    // nearbyint honours the current rounding mode; make sure it is the default (ties to even).
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return r;
}

double roundHalfEven(double x, int places) {
    if (places <= 0)
        return roundHalfEven(x);
    if (places > 15)
        places = 15;
    if (!std::isfinite(x))
        return x;
    const double scale = std::pow(10.0, places);
    const double scaled = x * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9007199254740992.0)
        return x; // already beyond the precision asked for
    return roundHalfEven(scaled) / scale;
}

int roundToInt(double x) {
    if (std::isnan(x))
        return 0;
    const double r = roundHalfEven(x);
    if (r >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (r <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(r);
}

} // namespace platform
