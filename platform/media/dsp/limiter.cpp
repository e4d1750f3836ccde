#include "media/dsp/limiter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::media::dsp {

namespace {

constexpr int kTaps = 2 * TruePeak::kHalfTaps;
using Phases = std::array<std::array<float, kTaps>, 3>;

// Hann-windowed sinc at the three inner quarter points, each phase scaled to pass a constant exactly.
Phases makePhases() {
    Phases p{};
    for (int q = 0; q < 3; ++q) {
        const double f = 0.25 * (q + 1);
        double sum = 0;
        for (int j = 0; j < kTaps; ++j) {
            const double t = double(j - (TruePeak::kHalfTaps - 1)) - f;
            const double sinc = std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
            const double window = 0.5 * (1 + std::cos(std::numbers::pi * t / TruePeak::kHalfTaps));
            p[q][j] = float(sinc * window);
            sum += sinc * window;
        }
        for (float& c : p[q])
            c = float(c / sum);
    }
    return p;
}

// Made when the program loads, never on the audio thread.
const Phases kPhases = makePhases();

unsigned roundUpToPowerOfTwo(unsigned n) {
    unsigned p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

float TruePeak::between(const float* x) {
    float peak = std::max({std::fabs(x[0]), std::fabs(x[1]), std::fabs(x[2]), std::fabs(x[3])});
    const float* first = x - 2 * (kHalfTaps - 1);
    for (const auto& phase : kPhases) {
        float left = 0, right = 0;
        for (int j = 0; j < kTaps; ++j) {
            left += phase[j] * first[2 * j];
            right += phase[j] * first[2 * j + 1];
        }
        peak = std::max({peak, std::fabs(left), std::fabs(right)});
    }
    return peak;
}

Limiter::Limiter(int rate, float ceilingDb, double lookAheadSeconds, double releaseSeconds)
    : m_ceiling(float(std::pow(10.0, ceilingDb / 20.0))),
      m_lookAhead(std::max(1, int(std::lround(rate * lookAheadSeconds)))),
      m_release(1.0 - std::exp(-1.0 / (std::max(1, rate) * releaseSeconds))) {
    const unsigned frames = roundUpToPowerOfTwo(unsigned(m_lookAhead + 2 * kTaps + 4));
    m_mask = frames - 1;
    // Every frame is kept twice, half the buffer apart, so that any window of up to `frames` is contiguous.
    m_history.assign(4 * size_t(frames), 0.0f);
    const unsigned window = roundUpToPowerOfTwo(unsigned(m_lookAhead + 4));
    m_minMask = window - 1;
    m_minAt.assign(window, 0);
    m_minGain.assign(window, 1.0f);
    m_recent.assign(size_t(m_lookAhead), 1.0f);
    reset();
}

void Limiter::reset() {
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    std::fill(m_recent.begin(), m_recent.end(), 1.0f);
    m_count = 0;
    m_minHead = m_minTail = 0;
    m_released = 1.0;
    m_sum = m_lookAhead;
    m_below = 0;
    m_leastGain = 1.0f;
}

void Limiter::process(float* io, int frames) {
    const unsigned size = m_mask + 1;
    const unsigned long long window = static_cast<unsigned long long>(m_lookAhead) + 2;
    float least = 1.0f;
    for (int i = 0; i < frames; ++i) {
        const unsigned long long n = m_count++;
        const unsigned at = unsigned(n) & m_mask;
        for (unsigned copy : {at, at + size}) {
            m_history[2 * copy] = io[2 * i];
            m_history[2 * copy + 1] = io[2 * i + 1];
        }
        // The interval [m, m + 1] has all the samples its interpolation needs once frame n is in.
        const long long m = (long long)(n)-TruePeak::kHalfTaps;
        float need = 1.0f;
        if (m >= 0) {
            const unsigned first = unsigned(m - (TruePeak::kHalfTaps - 1)) & m_mask;
            need = ceilingGain(TruePeak::between(&m_history[2 * (first + TruePeak::kHalfTaps - 1)]));
        }
        // The least gain any interval of the look-ahead needs.
        while (m_minTail != m_minHead && m_minGain[(m_minTail - 1) & m_minMask] >= need)
            --m_minTail;
        m_minAt[m_minTail & m_minMask] = n;
        m_minGain[m_minTail & m_minMask] = need;
        ++m_minTail;
        while (m_minAt[m_minHead & m_minMask] + window <= n)
            ++m_minHead;
        const float lowest = m_minGain[m_minHead & m_minMask];
        // Down at once, up slowly; never above what the look-ahead needs.
        if (lowest <= m_released)
            m_released = lowest;
        else
            m_released += m_release * (lowest - m_released);
        if (lowest == 1.0f && m_released > 0.9999)
            m_released = 1.0;
        // Averaged over the look-ahead, the gain is down by the time the loud frame comes out.
        float& slot = m_recent[size_t(n % static_cast<unsigned long long>(m_lookAhead))];
        const float released = float(m_released);
        m_below += (released < 1.0f) - (slot < 1.0f);
        m_sum += double(released) - double(slot);
        slot = released;
        float gain = 1.0f;
        if (m_below == 0)
            m_sum = m_lookAhead;
        else
            gain = std::min(1.0f, float(m_sum / m_lookAhead));
        least = std::min(least, gain);
        const long long out = (long long)(n)-latency();
        if (out < 0) {
            io[2 * i] = io[2 * i + 1] = 0.0f;
        } else {
            const unsigned o = unsigned(out) & m_mask;
            io[2 * i] = m_history[2 * o] * gain;
            io[2 * i + 1] = m_history[2 * o + 1] * gain;
        }
    }
    m_leastGain = least;
}

} // namespace platform::media::dsp
