#pragma once

#include <array>

#include "media/dsp/biquad.h"
#include "media/dsp/ramp.h"

namespace platform::media::dsp {

// A DJ mixer's filter knob: at its centre nothing; turned left a low-pass whose corner falls from the top of
// the range to the bass; turned right a high-pass whose corner rises from the bass. Fourth order, its second
// section a little resonant, so that a sweep sings a bit at the corner without whistling.
//
// Moving within one side slides the corner (the sections are redesigned every few frames); crossing the
// centre fades the filter out, changes its kind and fades it in, each over the ramp.
//
// Audio thread only, after construction: no allocation, no locks.
class SweepFilter {
public:
    // Within this distance of the centre the knob is off.
    static constexpr float kDeadZone = 0.02f;

    SweepFilter(double rate, int rampFrames);

    // The knob, -1 (low-pass, lowest corner) .. 0 (off) .. 1 (high-pass, highest corner).
    void setTarget(float knob);
    // Stereo interleaved, in place.
    void process(float* io, int frames);
    bool active() const { return m_kind != Kind::Off; }
    // Off and staying off: process() would change nothing.
    bool idle() const { return m_kind == Kind::Off && kindOf(m_target) == Kind::Off; }
    void settle();

    // The corner frequency the knob at `knob` stands for (0 at the centre).
    static double corner(float knob, double rate);

private:
    enum class Kind { Off, LowPass, HighPass };
    static Kind kindOf(float knob) {
        return knob < -kDeadZone ? Kind::LowPass : knob > kDeadZone ? Kind::HighPass : Kind::Off;
    }
    void design(float knob);
    void reset();

    const double m_rate;
    Kind m_kind = Kind::Off;
    float m_target = 0.0f;
    float m_designed = 0.0f;
    Ramp m_knob;
    Ramp m_wet;
    int m_sinceDesign = 0;
    std::array<Biquad, 2> m_c;
    std::array<StereoBiquadState, 2> m_s;
};

} // namespace platform::media::dsp
