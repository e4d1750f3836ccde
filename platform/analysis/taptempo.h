#pragma once

#include <deque>
#include <optional>

namespace platform::analysis {

// The tempo a user taps: four taps or more give it, from the last eight; a pause (two seconds, or twice the
// taps' interval) starts a new count.
class TapTempo {
public:
    // `seconds` on any clock that only moves forward.
    void tap(double seconds);
    void reset() { m_taps.clear(); }
    // One decimal; empty before the fourth tap of a count.
    std::optional<double> bpm() const;
    int taps() const { return int(m_taps.size()); }

private:
    std::deque<double> m_taps;
};

} // namespace platform::analysis
