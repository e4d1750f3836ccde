#pragma once

// Measuring tones in stereo interleaved signals.
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace tones {

// `frames` stereo frames of a sine at `hz`, the same on both channels, starting at `phase`.
inline std::vector<float> sine(int frames, double rate, double hz, float amplitude, double phase = 0) {
    std::vector<float> v(2 * size_t(frames));
    for (int i = 0; i < frames; ++i)
        v[2 * i] = v[2 * i + 1] = float(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate + phase));
    return v;
}

// The amplitude of the `hz` component of the left channel over frames [from, from + count): a whole second
// holds a whole number of cycles of any whole frequency.
inline double amplitude(const std::vector<float>& v, double rate, double hz, int from, int count) {
    std::complex<double> sum;
    for (int i = 0; i < count; ++i)
        sum +=
            double(v[2 * size_t(from + i)]) * std::polar(1.0, -2 * std::numbers::pi * hz * (from + i) / rate);
    return 2 * std::abs(sum) / count;
}

inline double dB(double ratio) {
    return 20 * std::log10(ratio);
}

// The largest frame-to-frame change of either channel over frames [from, to).
inline float largestStep(const std::vector<float>& v, int from, int to) {
    float most = 0;
    for (int i = std::max(from, 1); i < to; ++i)
        for (int c = 0; c < 2; ++c)
            most = std::max(most, std::fabs(v[2 * size_t(i) + c] - v[2 * size_t(i - 1) + c]));
    return most;
}

// A true-peak reading independent of the limiter's: 8 times oversampled by a long windowed sinc.
inline double truePeak(const std::vector<float>& v, int from) {
    constexpr int kSide = 32, kOver = 8;
    double peak = 0;
    const int frames = int(v.size() / 2);
    for (int i = std::max(from, kSide); i + kSide < frames; ++i)
        for (int c = 0; c < 2; ++c)
            for (int q = 0; q < kOver; ++q) {
                const double f = double(q) / kOver;
                double s = 0;
                for (int k = -kSide + 1; k <= kSide; ++k) {
                    const double t = k - f;
                    const double sinc = t == 0 ? 1 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
                    s += v[2 * size_t(i + k) + c] * sinc * 0.5 * (1 + std::cos(std::numbers::pi * t / kSide));
                }
                peak = std::max(peak, std::fabs(s));
            }
    return peak;
}

} // namespace tones
