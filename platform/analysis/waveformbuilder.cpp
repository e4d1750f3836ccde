#include "analysis/waveformbuilder.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace platform::analysis {

namespace {

// The filters' tails after a song's loud part decay into subnormal numbers, which cost a hundred times more
// each; nothing this picture shows lives down there.
class FlushSubnormals {
public:
#if defined(__SSE__)
    FlushSubnormals() : m_saved(_mm_getcsr()) {
        _mm_setcsr(m_saved | 0x8040);
    }
    ~FlushSubnormals() {
        _mm_setcsr(m_saved);
    }

private:
    unsigned m_saved;
#endif
};

float band(double energy, int frames) {
    return frames > 0 ? std::min(1.0f, float(std::sqrt(energy / (2.0 * frames)))) : 0.0f;
}

} // namespace

WaveformBuilder::Biquad WaveformBuilder::butterworth(double hz, int rate, bool high) {
    // Butterworth (Q = 1/sqrt 2); two in a row make the Linkwitz-Riley crossover, whose two halves meet at
    // -6 dB and add up flat.
    const double w = 2.0 * M_PI * std::min(hz, 0.45 * rate) / rate;
    const double c = std::cos(w), alpha = std::sin(w) / std::sqrt(2.0);
    const double a0 = 1.0 + alpha;
    const double g = (high ? 1.0 + c : 1.0 - c) / 2.0 / a0;
    Biquad b;
    b.b0 = b.b2 = Lanes{g, g};
    b.b1 = Lanes{high ? -2 * g : 2 * g, high ? -2 * g : 2 * g};
    const double a1 = -2.0 * c / a0, a2 = (1.0 - alpha) / a0;
    b.a1 = Lanes{a1, a1};
    b.a2 = Lanes{a2, a2};
    return b;
}

int64_t WaveformBuilder::columnsFor(int64_t frames, int rate) {
    if (rate <= 0 || frames <= 0)
        return 0;
    return (frames * Waveform::kColumnsPerSecond + rate - 1) / rate;
}

int64_t WaveformBuilder::boundary(int64_t column) const {
    // Column c holds the frames from ceil(c * rate / 600): whole frames, no drift over hours.
    return (column * m_rate + Waveform::kColumnsPerSecond - 1) / Waveform::kColumnsPerSecond;
}

void WaveformBuilder::start(int rate, int channels, int64_t expectedFrames) {
    m_rate = std::max(0, rate);
    m_channels = std::max(1, channels);
    const int r = std::max(1, m_rate);
    m_low[0] = m_low[1] = butterworth(kLowSplitHz, r, false);
    m_rest[0] = m_rest[1] = butterworth(kLowSplitHz, r, true);
    m_mid[0] = m_mid[1] = butterworth(kHighSplitHz, r, false);
    m_high[0] = m_high[1] = butterworth(kHighSplitHz, r, true);
    for (Lanes& e : m_energy)
        e = Lanes{};
    m_peak = 0.0f;
    m_inColumn = 0;
    m_frame = m_column = 0;
    m_nextStart = boundary(1);
    m_target.setExpectedColumns(columnsFor(expectedFrames, m_rate));
}

void WaveformBuilder::pushColumn() {
    WaveColumn col;
    col.peak = std::min(1.0f, m_peak);
    col.low = band(m_energy[0][0] + m_energy[0][1], m_inColumn);
    col.mid = band(m_energy[1][0] + m_energy[1][1], m_inColumn);
    col.high = band(m_energy[2][0] + m_energy[2][1], m_inColumn);
    m_out.push_back(col);
    for (Lanes& e : m_energy)
        e = Lanes{};
    m_peak = 0.0f;
    m_inColumn = 0;
    m_nextStart = boundary(++m_column + 1);
}

void WaveformBuilder::add(const float* frames, int count) {
    if (m_rate <= 0 || count <= 0)
        return;
    FlushSubnormals flush;
    const int ch = m_channels;
    const int second = ch > 1 ? 1 : 0;
    for (int i = 0; i < count;) {
        const int run = int(std::min<int64_t>(count - i, m_nextStart - m_frame));
        float peak = m_peak;
        Lanes low = m_energy[0], mid = m_energy[1], high = m_energy[2];
        for (const float* f = frames + size_t(i) * ch; f != frames + size_t(i + run) * ch; f += ch) {
            for (int c = 0; c < ch; ++c)
                peak = std::max(peak, std::fabs(f[c]));
            const Lanes x{f[0], f[second]};
            const Lanes l = m_low[1].run(m_low[0].run(x));
            const Lanes rest = m_rest[1].run(m_rest[0].run(x));
            const Lanes m = m_mid[1].run(m_mid[0].run(rest));
            const Lanes h = m_high[1].run(m_high[0].run(rest));
            low += l * l;
            mid += m * m;
            high += h * h;
        }
        m_peak = peak;
        m_energy[0] = low;
        m_energy[1] = mid;
        m_energy[2] = high;
        m_inColumn += run;
        m_frame += run;
        i += run;
        if (m_frame == m_nextStart)
            pushColumn();
    }
    m_target.append(m_out.data(), int(m_out.size()));
    m_out.clear();
}

void WaveformBuilder::finish() {
    if (m_inColumn > 0)
        pushColumn();
    m_target.append(m_out.data(), int(m_out.size()));
    m_out.clear();
    m_target.finish();
}

} // namespace platform::analysis
