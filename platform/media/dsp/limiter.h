#pragma once

#include <array>
#include <vector>

namespace platform::media::dsp {

// Where the true peak of a stereo signal lies between its samples: a windowed-sinc interpolation at the
// quarter, half and three-quarter points, as a four-times oversampling meter reads it.
class TruePeak {
public:
    static constexpr int kHalfTaps = 6; // samples on each side of the interval

    // The largest |value| on [x[0], x[1]] of either channel, `x` pointing to a frame of an interleaved stereo
    // signal with kHalfTaps - 1 frames before it and kHalfTaps after it.
    static float between(const float* x);
};

// The master's brick wall: holds the output at or below its ceiling in true peak (as TruePeak reads it), by
// looking a few milliseconds ahead and turning the gain down smoothly before a peak arrives, then letting it
// back up over a fraction of a second. A signal that stays below the ceiling passes untouched, delayed by
// latency() frames.
//
// Audio thread only, after construction: no allocation, no locks.
class Limiter {
public:
    explicit Limiter(int rate, float ceilingDb = -1.1f, double lookAheadSeconds = 0.003,
                     double releaseSeconds = 0.08);

    // Stereo interleaved, in place; the output is the input of latency() frames before.
    void process(float* io, int frames);
    int latency() const { return m_lookAhead + TruePeak::kHalfTaps; }
    // The least gain of the last process(), 1 when it left everything as it was.
    float leastGain() const { return m_leastGain; }
    // Forgets everything it held: the next frames start from silence.
    void reset();

private:
    float ceilingGain(float peak) const { return peak > m_ceiling ? m_ceiling / peak : 1.0f; }

    const float m_ceiling;
    const int m_lookAhead; // frames
    const double m_release;
    // The input's recent frames, a power of two long, indexed by the frame count.
    std::vector<float> m_history;
    unsigned m_mask = 0;
    unsigned long long m_count = 0;
    // The running minimum of the needed gain over the look-ahead: indexes and gains, increasing gains.
    std::vector<unsigned long long> m_minAt;
    std::vector<float> m_minGain;
    unsigned m_minMask = 0, m_minHead = 0, m_minTail = 0;
    double m_released = 1.0; // in double: near 1 a release step is below a float's resolution
    // The released gain's last m_lookAhead values, averaged: a gain that slides down over the look-ahead.
    std::vector<float> m_recent;
    double m_sum = 0;
    int m_below = 0; // values under 1 in m_recent: none means the gain is exactly 1
    float m_leastGain = 1.0f;
};

} // namespace platform::media::dsp
