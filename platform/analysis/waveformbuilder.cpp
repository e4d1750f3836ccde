#include "analysis/waveformbuilder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

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

float band(float energy, int frames) {
    return frames > 0 ? std::min(1.0f, std::sqrt(energy / (2.0f * float(frames)))) : 0.0f;
}

using Wide = float __attribute__((vector_size(32)));
using FastLanes = WaveformBuilder::FastLanes;
using Lanes = WaveformBuilder::Lanes;

// The fast split over `count` frames of `channels`: the peak of every channel, the energy of the high side
// (into energy[2..3]) and the low side, for the slow split, into `rest`.
template <int kChannels>
[[gnu::always_inline]] inline void fastLoop(FastLanes& s, const float* frames, int count, int channels,
                                            Lanes* rest, float* energy, float* peak) {
    static_assert(WaveformBuilder::kStageDelay == 3);
    const int ch = kChannels > 0 ? kChannels : channels;
    const int second = ch > 1 ? 1 : 0;
    Wide b0, k1, k2, a1, a2, z1, z1Before, xBefore, out1, out2, out3, e{};
    std::memcpy(&b0, s.b0, sizeof b0);
    std::memcpy(&k1, s.k1, sizeof k1);
    std::memcpy(&k2, s.k2, sizeof k2);
    std::memcpy(&a1, s.a1, sizeof a1);
    std::memcpy(&a2, s.a2, sizeof a2);
    std::memcpy(&z1, s.z1, sizeof z1);
    std::memcpy(&z1Before, s.z1Before, sizeof z1Before);
    std::memcpy(&xBefore, s.xBefore, sizeof xBefore);
    std::memcpy(&out1, s.outputs[0], sizeof out1);
    std::memcpy(&out2, s.outputs[1], sizeof out2);
    std::memcpy(&out3, s.outputs[2], sizeof out3);
    // Carried on from the column's earlier runs, so that how the frames came in chunks changes nothing.
    for (int i = 0; i < 4; ++i)
        e[4 + i] = energy[i];
    float pk = *peak;
    Wide peaks{};
    for (int k = 0; k < count; ++k) {
        const float* f = frames + size_t(k) * size_t(ch);
        for (int c = 2; c < ch; ++c)
            pk = std::max(pk, std::fabs(f[c]));
        const Wide in{f[0], f[second], f[0], f[second], 0, 0, 0, 0};
        const Wide magnitude = in < 0 ? -in : in;
        peaks = peaks < magnitude ? magnitude : peaks;
        const Wide x = __builtin_shufflevector(in, out3, 0, 1, 2, 3, 8, 9, 10, 11);
        // z1 of the next frame from z1 of this one and the last: the feedback is one fused multiply-add.
        const Wide y = b0 * x + z1;
        const Wide next = (k1 * x + k2 * xBefore - a2 * z1Before) - a1 * z1;
        z1Before = z1;
        z1 = next;
        xBefore = x;
        out3 = out2;
        out2 = out1;
        out1 = y;
        e += y * y;
        rest[k] = Lanes{y[4], y[5], y[6], y[7]};
    }
    std::memcpy(s.z1, &z1, sizeof z1);
    std::memcpy(s.z1Before, &z1Before, sizeof z1Before);
    std::memcpy(s.xBefore, &xBefore, sizeof xBefore);
    std::memcpy(s.outputs[0], &out1, sizeof out1);
    std::memcpy(s.outputs[1], &out2, sizeof out2);
    std::memcpy(s.outputs[2], &out3, sizeof out3);
    for (int i = 0; i < 4; ++i)
        energy[i] = e[4 + i];
    *peak = std::max({pk, peaks[0], peaks[1]});
}

// The same filters four lanes wide, the second stage on the first one's output of the same frame: for
// processors without the wide lanes, on which the eight-lane loop would be split in two and shuffled.
template <int kChannels>
void narrowLoop(FastLanes& s, const float* frames, int count, int channels, Lanes* rest, float* energy,
                float* peak) {
    const int ch = kChannels > 0 ? kChannels : channels;
    const int second = ch > 1 ? 1 : 0;
    Lanes b0, k1, k2, a1, a2, z1[2], z1Before[2], xBefore[2], e;
    std::memcpy(&b0, s.b0, sizeof b0);
    std::memcpy(&k1, s.k1, sizeof k1);
    std::memcpy(&k2, s.k2, sizeof k2);
    std::memcpy(&a1, s.a1, sizeof a1);
    std::memcpy(&a2, s.a2, sizeof a2);
    for (int stage = 0; stage < 2; ++stage) {
        std::memcpy(&z1[stage], s.z1 + 4 * stage, sizeof(Lanes));
        std::memcpy(&z1Before[stage], s.z1Before + 4 * stage, sizeof(Lanes));
        std::memcpy(&xBefore[stage], s.xBefore + 4 * stage, sizeof(Lanes));
    }
    std::memcpy(&e, energy, sizeof e);
    float pk = *peak;
    for (int k = 0; k < count; ++k) {
        const float* f = frames + size_t(k) * size_t(ch);
        for (int c = 0; c < ch; ++c)
            pk = std::max(pk, std::fabs(f[c]));
        Lanes x{f[0], f[second], f[0], f[second]};
        for (int stage = 0; stage < 2; ++stage) {
            const Lanes y = b0 * x + z1[stage];
            const Lanes next = (k1 * x + k2 * xBefore[stage] - a2 * z1Before[stage]) - a1 * z1[stage];
            z1Before[stage] = z1[stage];
            z1[stage] = next;
            xBefore[stage] = x;
            x = y;
        }
        e += x * x;
        rest[k] = x;
    }
    for (int stage = 0; stage < 2; ++stage) {
        std::memcpy(s.z1 + 4 * stage, &z1[stage], sizeof(Lanes));
        std::memcpy(s.z1Before + 4 * stage, &z1Before[stage], sizeof(Lanes));
        std::memcpy(s.xBefore + 4 * stage, &xBefore[stage], sizeof(Lanes));
    }
    std::memcpy(energy, &e, sizeof e);
    *peak = pk;
}

void narrowSplit(FastLanes& s, const float* frames, int count, int channels, Lanes* rest, float* energy,
                 float* peak) {
    // Most songs are stereo: that loop knows its channels.
    if (channels == 2)
        narrowLoop<2>(s, frames, count, channels, rest, energy, peak);
    else
        narrowLoop<0>(s, frames, count, channels, rest, energy, peak);
}

#if defined(__x86_64__)
// With fused multiply-adds and eight lanes, where the processor has them (most since 2013): the loop is most
// of the picture's cost.
__attribute__((target("arch=x86-64-v3"))) void wideSplit(FastLanes& s, const float* frames, int count,
                                                         int channels, Lanes* rest, float* energy,
                                                         float* peak) {
    if (channels == 2)
        fastLoop<2>(s, frames, count, channels, rest, energy, peak);
    else
        fastLoop<0>(s, frames, count, channels, rest, energy, peak);
}

bool wideLanesHere() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

std::atomic<bool> g_wideAllowed{true};

} // namespace

WaveformBuilder::Biquad WaveformBuilder::split(double hz, int rate) {
    // Butterworth (Q = 1/sqrt 2); two in a row make the Linkwitz-Riley crossover, whose two halves meet at
    // -6 dB and add up flat.
    const double w = 2.0 * M_PI * std::min(hz, 0.45 * rate) / rate;
    const double c = std::cos(w), alpha = std::sin(w) / std::sqrt(2.0);
    const double a0 = 1.0 + alpha;
    const double a1 = -2.0 * c / a0, a2 = (1.0 - alpha) / a0;
    Biquad b;
    const auto lanes = [](double low, double high) {
        return Lanes{float(low), float(low), float(high), float(high)};
    };
    const double lp = (1.0 - c) / 2.0 / a0, hp = (1.0 + c) / 2.0 / a0;
    b.b0 = lanes(lp, hp);
    // z1 and z2 of the transposed direct form, with y substituted: the feedback no longer waits for y.
    b.k1 = lanes(2 * lp - a1 * lp, -2 * hp - a1 * hp);
    b.k2 = lanes(lp - a2 * lp, hp - a2 * hp);
    b.a1 = lanes(a1, a1);
    b.a2 = lanes(a2, a2);
    return b;
}

void WaveformBuilder::allowWideLanes(bool allowed) {
    g_wideAllowed.store(allowed, std::memory_order_relaxed);
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
    // The slow split's rate stays above 10 kHz: what is left of the high band past the fast split's
    // low side is then more than 25 dB down where it folds.
    m_decimation = std::max(1, m_rate / 11025);
    m_phase = 0;
    m_split = &narrowSplit;
#if defined(__x86_64__)
    static const bool wide = wideLanesHere();
    if (wide && g_wideAllowed.load(std::memory_order_relaxed))
        m_split = &wideSplit;
#endif
    m_rest.assign(size_t(m_rate / Waveform::kColumnsPerSecond + 2), Lanes{});
    const int r = std::max(1, m_rate);
    const Biquad fast = split(kHighSplitHz, r);
    m_fast = {};
    for (int i = 0; i < 8; ++i) {
        m_fast.b0[i] = fast.b0[i % 4];
        m_fast.k1[i] = fast.k1[i % 4];
        m_fast.k2[i] = fast.k2[i % 4];
        m_fast.a1[i] = fast.a1[i % 4];
        m_fast.a2[i] = fast.a2[i % 4];
    }
    m_slow[0] = m_slow[1] = split(kLowSplitHz, std::max(1, r / m_decimation));
    m_fastEnergy = m_slowEnergy = Lanes{};
    m_slowInColumn = 0;
    m_peak = 0.0f;
    m_inColumn = 0;
    m_frame = m_column = 0;
    m_nextStart = boundary(1);
    m_target.setExpectedColumns(columnsFor(expectedFrames, m_rate));
}

void WaveformBuilder::pushColumn() {
    WaveColumn col;
    col.peak = std::min(1.0f, m_peak);
    col.low = band(m_slowEnergy[0] + m_slowEnergy[1], m_slowInColumn);
    col.mid = band(m_slowEnergy[2] + m_slowEnergy[3], m_slowInColumn);
    col.high = band(m_fastEnergy[2] + m_fastEnergy[3], m_inColumn);
    m_out.push_back(col);
    m_fastEnergy = m_slowEnergy = Lanes{};
    m_peak = 0.0f;
    m_inColumn = m_slowInColumn = 0;
    m_nextStart = boundary(++m_column + 1);
}

void WaveformBuilder::addRun(const float* frames, int count) {
    float energy[4] = {m_fastEnergy[0], m_fastEnergy[1], m_fastEnergy[2], m_fastEnergy[3]};
    m_split(m_fast, frames, count, m_channels, m_rest.data(), energy, &m_peak);
    m_fastEnergy = Lanes{energy[0], energy[1], energy[2], energy[3]};
    // The low side of the first split, every m_decimation-th frame of the song.
    const Lanes* rest = m_rest.data();
    Lanes slowEnergy = m_slowEnergy;
    Biquad slow0 = m_slow[0], slow1 = m_slow[1];
    int k = m_phase;
    for (; k < count; k += m_decimation) {
        const Lanes x = rest[k];
        const Lanes z = slow1.run(slow0.run(Lanes{x[0], x[1], x[0], x[1]}));
        slowEnergy += z * z;
        ++m_slowInColumn;
    }
    m_phase = k - count;
    m_slow[0] = slow0;
    m_slow[1] = slow1;
    m_slowEnergy = slowEnergy;
}

void WaveformBuilder::add(const float* frames, int count) {
    if (m_rate <= 0 || count <= 0)
        return;
    FlushSubnormals flush;
    for (int i = 0; i < count;) {
        const int run = int(std::min<int64_t>(count - i, m_nextStart - m_frame));
        const float* from = frames + size_t(i) * size_t(m_channels);
        addRun(from, run);
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
    if (m_marksComplete)
        m_target.finish();
}

} // namespace platform::analysis
