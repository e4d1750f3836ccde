#include "knobrules.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "mixrules.h"

namespace player {

namespace knobrules {

namespace {
double held(double v) {
    return std::isfinite(v) ? std::clamp(v, -1.0, 1.0) : 0.0;
}
QString tr(const char* text) {
    return QCoreApplication::translate("knobrules", text);
}
// One decimal, its sign always shown but on zero, so "+0.0" never reads as a boost.
QString decibels(double db) {
    const double shown = std::round(db * 10) / 10;
    return shown == 0 ? QStringLiteral("0.0 dB") : QString::asprintf("%+.1f dB", shown);
}
} // namespace

double angle(double value) {
    return held(value) * kSweepDegrees;
}

double dragged(double from, double pixelsUp) {
    const double v = held(held(from) + 2.0 * pixelsUp / kPixelsForTravel);
    return std::abs(v) < kDetent ? 0.0 : v;
}

double wheeled(double from, double notches) {
    const double start = held(from);
    const double v = held(start + notches * kWheelStep);
    // Passing the centre, or coming to rest just beside it, rests on it; leaving it is free.
    if (start != 0 && (v * start < 0 || std::abs(v) < kDetent))
        return 0.0;
    return v;
}

double gainDb(double value) {
    return held(value) * mixrules::kTrimMaxDb;
}

double gainValue(double db) {
    return held(db / mixrules::kTrimMaxDb);
}

QString valueText(Kind kind, double value, bool killed) {
    const double v = held(value);
    switch (kind) {
    case Kind::Gain:
        return decibels(gainDb(v));
    case Kind::High:
    case Kind::Mid:
    case Kind::Low:
        if (killed)
            return tr("kill");
        if (v <= -1.0)
            return QStringLiteral("-∞ dB");
        return decibels(20 * std::log10(mixrules::bandGain(v)));
    case Kind::Filter:
        if (v == 0)
            return tr("off");
        return (v < 0 ? tr("low-pass %1 %") : tr("high-pass %1 %")).arg(std::lround(std::abs(v) * 100));
    }
    return {};
}

} // namespace knobrules

} // namespace player
