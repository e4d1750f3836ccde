#include "media/dsp/biquad.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace platform::media::dsp {

namespace {

struct Warp {
    double cosw, alpha;
};

Warp warp(double hz, double q, double rate) {
    const double w = 2 * std::numbers::pi * hz / rate;
    return {std::cos(w), std::sin(w) / (2 * q)};
}

Biquad normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

} // namespace

Biquad Biquad::lowPass(double hz, double q, double rate) {
    const auto [c, a] = warp(hz, q, rate);
    return normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + a, -2 * c, 1 - a);
}

Biquad Biquad::highPass(double hz, double q, double rate) {
    const auto [c, a] = warp(hz, q, rate);
    return normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + a, -2 * c, 1 - a);
}

Biquad Biquad::allPass(double hz, double q, double rate) {
    const auto [c, a] = warp(hz, q, rate);
    return normalised(1 - a, -2 * c, 1 + a, 1 + a, -2 * c, 1 - a);
}

double Biquad::magnitude(double hz, double rate) const {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2));
}

} // namespace platform::media::dsp
