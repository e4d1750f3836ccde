#include "analysis/taptempo.h"

#include <cmath>

namespace platform::analysis {

namespace {

constexpr double kLongestPause = 2.0;
constexpr size_t kRemembered = 8;
constexpr size_t kTapsNeeded = 4;

} // namespace

void TapTempo::tap(double seconds) {
    if (!m_taps.empty()) {
        const double gap = seconds - m_taps.back();
        const double interval =
            m_taps.size() >= 2 ? (m_taps.back() - m_taps.front()) / double(m_taps.size() - 1) : kLongestPause;
        if (gap <= 0 || gap > kLongestPause || gap > 2 * interval)
            m_taps.clear();
    }
    m_taps.push_back(seconds);
    if (m_taps.size() > kRemembered)
        m_taps.pop_front();
}

std::optional<double> TapTempo::bpm() const {
    if (m_taps.size() < kTapsNeeded)
        return std::nullopt;
    const double interval = (m_taps.back() - m_taps.front()) / double(m_taps.size() - 1);
    return std::round(600 / interval) / 10;
}

} // namespace platform::analysis
