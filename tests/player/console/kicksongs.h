#pragma once

#include <cmath>
#include <numbers>
#include <vector>

// Songs of kicks in one channel of two, so that a mix's left is one deck and its right the other, and where
// their kicks land in a render.
namespace kicksongs {

// A kick on every beat from `first` on, in `channel` only.
inline std::vector<float> kicks(double bpm, double first, double seconds, int channel, int rate) {
    std::vector<float> frames(size_t(2 * seconds * rate), 0.0f);
    for (double beat = first; beat < seconds - 0.3; beat += 60.0 / bpm) {
        const size_t at = size_t(std::lround(beat * rate));
        for (size_t i = 0; i < size_t(0.25 * rate) && at + i < frames.size() / 2; ++i) {
            const double t = double(i) / rate;
            frames[2 * (at + i) + size_t(channel)] =
                float(0.9 * std::sin(2 * std::numbers::pi * 60 * t) * std::exp(-t / 0.04));
        }
    }
    return frames;
}

// Where the kicks of `channel` begin, in seconds of the render: the first sound after a tenth of a second of
// none.
inline std::vector<double> onsets(const std::vector<float>& mix, int channel, int rate) {
    std::vector<double> found;
    size_t quiet = 0;
    for (size_t f = 0; f < mix.size() / 2; ++f) {
        const bool sound = std::fabs(mix[2 * f + size_t(channel)]) > 0.01f;
        if (sound && quiet >= size_t(0.1 * rate))
            found.push_back(double(f) / rate);
        quiet = sound ? 0 : quiet + 1;
    }
    return found;
}

// The farthest of `these` kicks within [from, to] from the nearest of `those`.
inline double farthest(const std::vector<double>& these, const std::vector<double>& those, double from,
                       double to) {
    double worst = 0;
    for (double t : these) {
        if (t < from || t > to || those.empty())
            continue;
        double nearest = 1e9;
        for (double u : those)
            nearest = std::min(nearest, std::fabs(u - t));
        worst = std::max(worst, nearest);
    }
    return worst;
}

} // namespace kicksongs
