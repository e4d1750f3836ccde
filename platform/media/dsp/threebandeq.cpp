#include "media/dsp/threebandeq.h"

namespace platform::media::dsp {

namespace {
// The two sections of a fourth-order Butterworth filter; an eighth-order Linkwitz-Riley filter is two of
// them.
constexpr double kQ[2] = {0.54119610014619698, 1.3065629648763766};
} // namespace

ThreeBandEq::ThreeBandEq(double rate, int rampFrames)
    : m_gain{Ramp(rampFrames, 1.0f), Ramp(rampFrames, 1.0f), Ramp(rampFrames, 1.0f)},
      m_wet(rampFrames, 0.0f) {
    for (int i = 0; i < 4; ++i) {
        const double q = kQ[i % 2];
        m_lowLow.c[i] = Biquad::lowPass(kLowSplit, q, rate);
        m_lowHigh.c[i] = Biquad::highPass(kLowSplit, q, rate);
        m_highLow.c[i] = Biquad::lowPass(kHighSplit, q, rate);
        m_highHigh.c[i] = Biquad::highPass(kHighSplit, q, rate);
    }
    // A Linkwitz-Riley pair sums to the all-pass of its Butterworth half.
    for (int i = 0; i < 2; ++i)
        m_lowPhase.c[i] = Biquad::allPass(kHighSplit, kQ[i], rate);
}

void ThreeBandEq::reset() {
    for (Chain* c : {&m_lowLow, &m_lowHigh, &m_highLow, &m_highHigh})
        for (StereoBiquadState& s : c->s)
            s.reset();
    for (StereoBiquadState& s : m_lowPhase.s)
        s.reset();
}

void ThreeBandEq::setTargets(const std::array<float, 3>& gains) {
    const bool flat = gains[0] == 1.0f && gains[1] == 1.0f && gains[2] == 1.0f;
    if (!flat && !m_active) {
        // From a standstill: the filters start empty, heard through a crossfade that starts at the input.
        reset();
        m_active = true;
    }
    for (int b = 0; b < 3; ++b)
        m_gain[b].setTarget(gains[b]);
    m_wet.setTarget(flat ? 0.0f : 1.0f);
}

void ThreeBandEq::settle() {
    reset();
    for (Ramp& g : m_gain)
        g.jump(g.target());
    m_wet.jump(m_wet.target());
    m_active = m_wet.value() != 0.0f;
}

void ThreeBandEq::process(float* io, int frames) {
    if (!m_active)
        return;
    for (int i = 0; i < frames; ++i) {
        const double gl = m_gain[Low].next(), gm = m_gain[Mid].next(), gh = m_gain[High].next();
        const double wet = m_wet.next();
        const Stereo x = {io[2 * i], io[2 * i + 1]};
        const Stereo low = m_lowPhase.run(m_lowLow.run(x));
        const Stereo rest = m_lowHigh.run(x);
        const Stereo y = gl * low + gm * m_highLow.run(rest) + gh * m_highHigh.run(rest);
        const Stereo mixed = x + wet * (y - x);
        io[2 * i] = float(mixed[0]);
        io[2 * i + 1] = float(mixed[1]);
    }
    if (m_wet.value() == 0.0f && !m_wet.moving())
        m_active = false;
}

} // namespace platform::media::dsp
