#include "analysis/loudness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace platform::analysis {

namespace {

constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;
// Inter-sample peaks of music exceed the samples around them by about 3 dB at most; 4 dB leaves a margin.
constexpr float kSearchBelowPeak = 0.63f;

// The interpolator: a windowed sinc, 12 taps for each of the three points between two samples.
constexpr int kTaps = 12;
constexpr int kBefore = 5; // taps before the sample that starts a pair
constexpr int kPhases = 3;

using Phases = std::array<std::array<float, kTaps>, kPhases>;

Phases makeInterpolator() {
    Phases c{};
    for (int p = 0; p < kPhases; ++p) {
        double sum = 0;
        std::array<double, kTaps> h{};
        for (int k = 0; k < kTaps; ++k) {
            const double u = double(p + 1) / 4 - double(k - kBefore);
            const double x = std::numbers::pi * u;
            const double sinc = u == 0 ? 1.0 : std::sin(x) / x;
            const double window = 0.5 * (1 + std::cos(std::numbers::pi * u / (kTaps / 2 + 1)));
            h[size_t(k)] = sinc * window;
            sum += h[size_t(k)];
        }
        for (int k = 0; k < kTaps; ++k)
            c[size_t(p)][size_t(k)] = float(h[size_t(k)] / sum);
    }
    return c;
}

// Eight running maxima side by side, so that the compiler keeps them in one vector register.
float peakOf(const float* x, size_t n) {
    float top[8] = {};
    const size_t whole = n / 8 * 8;
    for (size_t i = 0; i < whole; i += 8)
        for (size_t l = 0; l < 8; ++l) {
            const float a = std::abs(x[i + l]);
            top[l] = top[l] < a ? a : top[l];
        }
    for (size_t i = whole; i < n; ++i)
        top[0] = std::max(top[0], std::abs(x[i]));
    return *std::max_element(top, top + 8);
}

double lufs(double meanSquare) {
    return -0.691 + 10 * std::log10(meanSquare);
}
double meanSquareOf(double lufsValue) {
    return std::pow(10.0, (lufsValue + 0.691) / 10);
}

} // namespace

Loudness::Loudness(int rate, int channels)
    : m_rate(std::max(1, rate)), m_channels(std::max(1, channels)), m_state(size_t(m_channels)),
      m_weight(size_t(m_channels), 1.0), m_subBlockFrames(std::max(1, int(std::lround(m_rate * 0.1)))),
      m_window(size_t(kTaps) * size_t(m_channels), 0.0f) {
    // The first stage models the head (a shelf of +4 dB above about 1.7 kHz), the second is the low cut.
    const double pi = std::numbers::pi;
    {
        const double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(pi * f0 / m_rate);
        const double vh = std::pow(10.0, gain / 20), vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1 + k / q + k * k;
        m_shelf = {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                   2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(pi * f0 / m_rate);
        const double a0 = 1 + k / q + k * k;
        m_highPass = {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
    }
    // Five-channel and 5.1 layouts: the surrounds count 1.41 times, the low-frequency channel not at all.
    if (m_channels == 5 || m_channels == 6) {
        const int lfe = m_channels == 6 ? 3 : -1;
        for (int c = 0; c < m_channels; ++c)
            m_weight[size_t(c)] = c == lfe ? 0.0 : (c >= m_channels - 2 ? 1.41 : 1.0);
    }
}

void Loudness::add(const float* frames, int count) {
    if (count <= 0)
        return;
    weigh(frames, count);
    peaks(frames, count);
}

void Loudness::finish() {
    const std::vector<float> silence(size_t(kTaps) * size_t(m_channels), 0.0f);
    peaks(silence.data(), kTaps);
}

namespace {

// Both filters of one channel, its state in registers.
struct Channel {
    double s1, s2, t1, t2, sum = 0;
    template <class Biquad> void run(double in, const Biquad& s, const Biquad& h) {
        const double y = s.b0 * in + s1;
        s1 = s.b1 * in - s.a1 * y + s2;
        s2 = s.b2 * in - s.a2 * y;
        // The low cut's numerator is 1, -2, 1.
        const double z = y + t1;
        t1 = -2 * y - h.a1 * z + t2;
        t2 = y - h.a2 * z;
        sum += z * z;
    }
};

// `n` frames of one channel `stride` samples apart (Channels = 1), or of a stereo pair side by side so that
// their recursions overlap; returns the weighted sum of squares.
template <int Channels, class State, class Biquad>
double filter(const float* x, int n, int stride, State* states, const double* weight, const Biquad& s,
              const Biquad& h) {
    Channel a{states[0].s1, states[0].s2, states[0].t1, states[0].t2};
    Channel b{};
    if constexpr (Channels == 2)
        b = {states[1].s1, states[1].s2, states[1].t1, states[1].t2};
    for (int i = 0; i < n; ++i, x += stride) {
        a.run(x[0], s, h);
        if constexpr (Channels == 2)
            b.run(x[1], s, h);
    }
    states[0] = {a.s1, a.s2, a.t1, a.t2};
    if constexpr (Channels == 2)
        states[1] = {b.s1, b.s2, b.t1, b.t2};
    return weight[0] * a.sum + (Channels == 2 ? weight[1] * b.sum : 0.0);
}

} // namespace

void Loudness::weigh(const float* frames, int count) {
    while (count > 0) {
        const int n = std::min(count, m_subBlockFrames - m_subBlockFill);
        double energy = 0;
        if (m_channels == 2)
            energy = filter<2>(frames, n, 2, m_state.data(), m_weight.data(), m_shelf, m_highPass);
        else
            for (int c = 0; c < m_channels; ++c)
                if (m_weight[size_t(c)] != 0)
                    energy += filter<1>(frames + c, n, m_channels, &m_state[size_t(c)], &m_weight[size_t(c)],
                                        m_shelf, m_highPass);
        m_subBlockEnergy += energy;
        m_subBlockFill += n;
        if (m_subBlockFill == m_subBlockFrames)
            closeSubBlock();
        frames += size_t(n) * size_t(m_channels);
        count -= n;
    }
}

void Loudness::closeSubBlock() {
    if (m_subBlocks >= 3)
        m_blocks.push_back((m_recent[0] + m_recent[1] + m_recent[2] + m_subBlockEnergy) /
                           (4.0 * m_subBlockFrames));
    m_recent[0] = m_recent[1];
    m_recent[1] = m_recent[2];
    m_recent[2] = m_subBlockEnergy;
    ++m_subBlocks;
    m_subBlockEnergy = 0;
    m_subBlockFill = 0;
    // A filter ringing out in silence would reach subnormal numbers, which are slow on every CPU.
    for (State& st : m_state)
        for (double* v : {&st.s1, &st.s2, &st.t1, &st.t2})
            if (std::abs(*v) < 1e-20)
                *v = 0;
}

void Loudness::peaks(const float* frames, int count) {
    const size_t samples = size_t(count) * size_t(m_channels);
    float chunkPeak = peakOf(frames, samples);
    m_samplePeak = std::max(m_samplePeak, chunkPeak);
    const float threshold = kSearchBelowPeak * std::max(m_samplePeak, m_interPeak);
    const size_t history = size_t(kTaps) * size_t(m_channels);
    float historyPeak = 0;
    for (size_t i = 0; i < history; ++i)
        historyPeak = std::max(historyPeak, std::abs(m_window[i]));

    if (threshold > 0 && std::max(chunkPeak, historyPeak) >= threshold) {
        static const Phases phases = makeInterpolator();
        m_window.resize(history + samples);
        std::copy(frames, frames + samples, m_window.begin() + ptrdiff_t(history));
        const int total = kTaps + count;
        const int ch = m_channels;
        float found = m_interPeak;
        for (int n = kBefore; n + kTaps - kBefore <= total - 1; ++n) {
            for (int c = 0; c < ch; ++c) {
                const float* x = m_window.data() + size_t(n) * size_t(ch) + size_t(c);
                if (std::max(std::abs(x[0]), std::abs(x[ch])) < threshold)
                    continue;
                const float* first = x - kBefore * ch;
                for (const auto& taps : phases) {
                    float y = 0;
                    for (int k = 0; k < kTaps; ++k)
                        y += taps[size_t(k)] * first[k * ch];
                    found = std::max(found, std::abs(y));
                }
            }
        }
        m_interPeak = found;
    } else if (samples >= history) {
        std::copy(frames + samples - history, frames + samples, m_window.begin());
        return;
    } else {
        m_window.resize(history + samples);
        std::copy(frames, frames + samples, m_window.begin() + ptrdiff_t(history));
    }
    // Keep the last frames for the pairs that need the next call's frames.
    std::copy(m_window.end() - ptrdiff_t(history), m_window.end(), m_window.begin());
    m_window.resize(history);
}

std::optional<double> Loudness::integratedLufs() const {
    const double absolute = meanSquareOf(kAbsoluteGateLufs);
    double sum = 0;
    size_t n = 0;
    for (double z : m_blocks)
        if (z > absolute) {
            sum += z;
            ++n;
        }
    if (n == 0)
        return std::nullopt;
    const double relative = std::max(absolute, meanSquareOf(lufs(sum / double(n)) + kRelativeGateLu));
    sum = 0;
    n = 0;
    for (double z : m_blocks)
        if (z > relative) {
            sum += z;
            ++n;
        }
    return lufs(sum / double(n));
}

std::optional<double> Loudness::truePeakDbtp() const {
    const float peak = std::max(m_samplePeak, m_interPeak);
    if (peak <= 0)
        return std::nullopt;
    return 20 * std::log10(double(peak));
}

} // namespace platform::analysis
