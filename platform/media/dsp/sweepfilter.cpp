#include "media/dsp/sweepfilter.h"

#include <algorithm>
#include <cmath>

namespace platform::media::dsp {

namespace {
constexpr double kLowPassTop = 20000.0, kLowPassBottom = 50.0;
constexpr double kHighPassBottom = 20.0, kHighPassTop = 10000.0;
// A Butterworth pair would be 0.54 and 1.31: the second is raised for a mild peak at the corner.
constexpr double kQ[2] = {0.54119610014619698, 1.7};
// Frames between two designs while the corner slides.
constexpr int kDesignEvery = 8;
} // namespace

SweepFilter::SweepFilter(double rate, int rampFrames)
    : m_rate(rate), m_knob(rampFrames, 0.0f), m_wet(rampFrames, 0.0f) {}

double SweepFilter::corner(float knob, double rate) {
    const Kind kind = kindOf(knob);
    if (kind == Kind::Off)
        return 0.0;
    // Even steps of the knob are even steps in pitch.
    const double t = (std::fabs(knob) - kDeadZone) / (1.0 - kDeadZone);
    const double hz = kind == Kind::LowPass ? kLowPassTop * std::pow(kLowPassBottom / kLowPassTop, t)
                                            : kHighPassBottom * std::pow(kHighPassTop / kHighPassBottom, t);
    return std::min(hz, 0.45 * rate);
}

void SweepFilter::design(float knob) {
    const double hz = corner(knob, m_rate);
    if (hz <= 0)
        return;
    for (int i = 0; i < 2; ++i)
        m_c[i] = m_kind == Kind::LowPass ? Biquad::lowPass(hz, kQ[i], m_rate)
                                         : Biquad::highPass(hz, kQ[i], m_rate);
    m_designed = knob;
    m_sinceDesign = 0;
}

void SweepFilter::reset() {
    for (StereoBiquadState& s : m_s)
        s.reset();
}

void SweepFilter::setTarget(float knob) {
    m_target = std::clamp(std::isfinite(knob) ? knob : 0.0f, -1.0f, 1.0f);
    if (kindOf(m_target) == m_kind && m_kind != Kind::Off) {
        m_knob.setTarget(m_target);
        m_wet.setTarget(1.0f);
    } else {
        // Out first; process() changes the kind once the filter is no longer heard.
        m_wet.setTarget(0.0f);
    }
}

void SweepFilter::settle() {
    m_kind = kindOf(m_target);
    reset();
    m_knob.jump(m_target);
    m_wet.jump(m_kind == Kind::Off ? 0.0f : 1.0f);
    design(m_target);
}

void SweepFilter::process(float* io, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (m_wet.value() == 0.0f && !m_wet.moving() && kindOf(m_target) != m_kind) {
            m_kind = kindOf(m_target);
            reset();
            m_knob.jump(m_target);
            if (m_kind != Kind::Off) {
                design(m_target);
                m_wet.setTarget(1.0f);
            }
        }
        if (m_kind == Kind::Off)
            return;
        const float knob = m_knob.next();
        if (knob != m_designed && ++m_sinceDesign >= kDesignEvery)
            design(knob);
        const double wet = m_wet.next();
        const Stereo x = {io[2 * i], io[2 * i + 1]};
        const Stereo y = m_s[1].run(m_c[1], m_s[0].run(m_c[0], x));
        const Stereo mixed = x + wet * (y - x);
        io[2 * i] = float(mixed[0]);
        io[2 * i + 1] = float(mixed[1]);
    }
}

} // namespace platform::media::dsp
