#pragma once

#include <array>

#include "media/dsp/biquad.h"
#include "media/dsp/ramp.h"

namespace platform::media::dsp {

// A DJ mixer's three bands: the signal split at about 250 Hz and 2.5 kHz by eighth-order Linkwitz-Riley
// crossovers (48 dB an octave, so that a killed band is gone well before the next band's middle), each band
// scaled, and the bands summed. The low band also passes the upper split's all-pass, so the three sum to one
// all-pass: flat in level at any setting of equal gains.
//
// An all-pass is not the input, though: while every gain stays at 1 the bands are not made at all and the
// input passes bit for bit. Leaving or entering that state crossfades between the two over the ramp.
//
// Audio thread only, after construction: no allocation, no locks.
class ThreeBandEq {
public:
    enum Band { Low, Mid, High };
    static constexpr double kLowSplit = 250.0;
    static constexpr double kHighSplit = 2500.0;

    ThreeBandEq(double rate, int rampFrames);

    // The linear gain each band slides to (0: killed; 1: as it is).
    void setTargets(const std::array<float, 3>& gains);
    // Stereo interleaved, in place.
    void process(float* io, int frames);
    // Whether the bands are being made (false: the input passes untouched).
    bool active() const { return m_active; }
    // Forgets the filters' memory and lands on the targets (a deck that starts from silence).
    void settle();

private:
    // Both channels of one eighth-order low or high pass: two fourth-order Butterworth filters in a row.
    struct Chain {
        std::array<Biquad, 4> c;
        std::array<StereoBiquadState, 4> s;
        Stereo run(Stereo x) {
            for (int i = 0; i < 4; ++i)
                x = s[i].run(c[i], x);
            return x;
        }
    };
    struct AllPass {
        std::array<Biquad, 2> c;
        std::array<StereoBiquadState, 2> s;
        Stereo run(Stereo x) {
            for (int i = 0; i < 2; ++i)
                x = s[i].run(c[i], x);
            return x;
        }
    };
    void reset();

    Chain m_lowLow, m_lowHigh, m_highLow, m_highHigh;
    AllPass m_lowPhase;
    std::array<Ramp, 3> m_gain;
    Ramp m_wet;
    bool m_active = false;
};

} // namespace platform::media::dsp
