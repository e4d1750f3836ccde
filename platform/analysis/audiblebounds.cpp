#include "analysis/audiblebounds.h"

#include <algorithm>
#include <cmath>

namespace platform::analysis {

namespace {

constexpr double kThreshold = 0.001; // -60 dBFS
constexpr double kWindowSeconds = 0.010;
constexpr double kShortestSound = 0.050;
constexpr int kLanes = 8;

} // namespace

AudibleBounds::AudibleBounds(int rate, int channels)
    : m_channels(std::max(1, channels)), m_windowFrames(std::max(1, int(std::lround(rate * kWindowSeconds)))),
      m_runNeeded(int(std::lround(kShortestSound / kWindowSeconds))), m_energy(size_t(m_channels), 0.0) {}

void AudibleBounds::add(const float* frames, int count) {
    const int ch = m_channels;
    while (count > 0) {
        const int n = std::min(count, m_windowFrames - m_fill);
        int first = -1, last = -1;
        float peak = 0;
        if (kLanes % ch == 0) {
            // Eight running sums side by side, each of one channel, so that the compiler keeps them in one
            // vector register.
            float sum[kLanes] = {}, top[kLanes] = {};
            const int samples = n * ch, whole = samples / kLanes * kLanes;
            for (int i = 0; i < whole; i += kLanes)
                for (int l = 0; l < kLanes; ++l) {
                    const float v = frames[i + l], a = std::abs(v);
                    sum[l] += v * v;
                    top[l] = top[l] < a ? a : top[l];
                }
            for (int i = whole; i < samples; ++i) {
                sum[i % kLanes] += frames[i] * frames[i];
                top[i % kLanes] = std::max(top[i % kLanes], std::abs(frames[i]));
            }
            for (int l = 0; l < kLanes; ++l) {
                m_energy[size_t(l % ch)] += sum[l];
                peak = std::max(peak, top[l]);
            }
        } else {
            for (int c = 0; c < ch; ++c) {
                double sum = 0;
                const float* x = frames + c;
                for (int i = 0; i < n; ++i, x += ch) {
                    sum += double(*x) * double(*x);
                    peak = std::max(peak, std::abs(*x));
                }
                m_energy[size_t(c)] += sum;
            }
        }
        for (int i = 0; i < n && first < 0 && peak >= kThreshold; ++i)
            for (int c = 0; c < ch; ++c)
                if (std::abs(frames[i * ch + c]) >= kThreshold) {
                    first = i;
                    break;
                }
        for (int i = n - 1; i >= 0 && first >= 0 && last < 0; --i)
            for (int c = 0; c < ch; ++c)
                if (std::abs(frames[i * ch + c]) >= kThreshold) {
                    last = i;
                    break;
                }
        if (first >= 0) {
            if (m_current.firstLoud < 0)
                m_current.firstLoud = m_frame + first;
            m_current.lastLoud = m_frame + last;
        }
        m_fill += n;
        m_frame += n;
        if (m_fill == m_windowFrames)
            closeWindow();
        frames += size_t(n) * size_t(ch);
        count -= n;
    }
}

void AudibleBounds::finish() {
    if (m_fill > 0)
        closeWindow();
}

void AudibleBounds::closeWindow() {
    double loudest = 0;
    for (double& e : m_energy) {
        loudest = std::max(loudest, e);
        e = 0;
    }
    m_current.audible = loudest / m_fill >= kThreshold * kThreshold;
    if (m_current.audible) {
        if (m_run == 0)
            // A sound that starts late in a window may leave that window just under the threshold.
            m_runStart =
                m_previous.firstLoud >= 0 && !m_previous.audible ? m_previous.firstLoud : m_current.firstLoud;
        ++m_run;
        if (m_run >= m_runNeeded) {
            if (!m_start)
                m_start = m_runStart;
            m_end = m_current.lastLoud + 1;
            m_afterAudibleRun = true;
        }
    } else {
        if (m_afterAudibleRun && m_current.lastLoud >= 0)
            m_end = m_current.lastLoud + 1; // a fade's tail just under the threshold
        m_afterAudibleRun = false;
        m_run = 0;
    }
    m_previous = m_current;
    m_current = {};
    m_fill = 0;
}

} // namespace platform::analysis
