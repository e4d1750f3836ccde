#pragma once

#include <array>
#include <atomic>

#include "media/chunkring.h"
#include "media/dsp/ramp.h"
#include "media/dsp/sweepfilter.h"
#include "media/dsp/threebandeq.h"

namespace platform::media::dsp {

// What a deck's knobs do to its sound before its level: the gain (trim), the three bands with their kills and
// the filter, in that order. Any thread sets the knobs (atomics); the audio thread shapes the frames, sliding
// every change over the ramp. With every knob at its centre the frames pass bit for bit.
class DeckShape {
public:
    DeckShape(double rate, int rampFrames);

    // Any thread. Gain and band gains are linear (a band at 0 is silent); the filter knob is -1 .. 1.
    void setGain(float gain) { m_gain.store(sane(gain, 0.0f, 4.0f, 1.0f), std::memory_order_relaxed); }
    void setBand(ThreeBandEq::Band band, float gain) {
        m_band[band].store(sane(gain, 0.0f, 4.0f, 1.0f), std::memory_order_relaxed);
    }
    void setKill(ThreeBandEq::Band band, bool on) { m_kill[band].store(on, std::memory_order_relaxed); }
    void setFilter(float knob) { m_filter.store(sane(knob, -1.0f, 1.0f, 0.0f), std::memory_order_relaxed); }
    float gain() const { return m_gain.load(std::memory_order_relaxed); }
    float band(ThreeBandEq::Band band) const { return m_band[band].load(std::memory_order_relaxed); }
    bool kill(ThreeBandEq::Band band) const { return m_kill[band].load(std::memory_order_relaxed); }
    float filter() const { return m_filter.load(std::memory_order_relaxed); }

    // Audio thread: `in` shaped, in a buffer of the shape's own, or `in` itself when nothing changes it.
    // `frames` ≤ kChunkFrames.
    const float* process(const float* in, int frames);
    // Audio thread: from silence, the knobs apply at once.
    void settle();

private:
    static float sane(float v, float lo, float hi, float otherwise) {
        return v >= lo && v <= hi ? v : v > hi ? hi : v < lo ? lo : otherwise;
    }
    void readKnobs();

    std::atomic<float> m_gain{1.0f};
    std::array<std::atomic<float>, 3> m_band{1.0f, 1.0f, 1.0f};
    std::array<std::atomic<bool>, 3> m_kill{false, false, false};
    std::atomic<float> m_filter{0.0f};
    static_assert(std::atomic<float>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

    // Audio thread.
    Ramp m_trim;
    ThreeBandEq m_eq;
    SweepFilter m_sweep;
    float m_buffer[2 * kChunkFrames];
};

} // namespace platform::media::dsp
