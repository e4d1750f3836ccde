#include "mixrules.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace player {

namespace mixrules {

namespace {
double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}
double held(double v, double lo, double hi, double otherwise) {
    return std::isfinite(v) ? std::clamp(v, lo, hi) : otherwise;
}
// The share of the crossfader's travel over which the cut curve fades a deck out.
constexpr double kCutShare = 0.04;
} // namespace

double trimGain(double db) {
    return fromDb(held(db, kTrimMinDb, kTrimMaxDb, 0.0));
}

double bandGain(double knob) {
    const double k = held(knob, -1.0, 1.0, 0.0);
    if (k >= 0)
        return fromDb(kBandMaxDb * k);
    return std::pow(1.0 + k, 3.0);
}

double channelGain(double travel) {
    const double t = held(travel, 0.0, 1.0, 0.0);
    if (t <= 0)
        return 0.0;
    return fromDb(kChannelRangeDb * (t - 1.0));
}

std::pair<double, double> crossfadeGains(int value, CrossfadeCurve curve) {
    const double x = std::clamp((value - 1) / 99.0, 0.0, 1.0);
    if (curve == CrossfadeCurve::Cut)
        return {std::clamp((1.0 - x) / kCutShare, 0.0, 1.0), std::clamp(x / kCutShare, 0.0, 1.0)};
    return {std::cos(x * std::numbers::pi / 2), std::sin(x * std::numbers::pi / 2)};
}

int levelForGain(double gain) {
    return int(std::lround(9000.0 * (held(gain, 0.0, 1.0, 0.0) - 1.0)));
}

} // namespace mixrules

} // namespace player
