#pragma once

namespace platform::media::dsp {

// A value that moves to each new target in a straight line over a fixed number of frames, so that a control
// moved in one step is heard as a short slide rather than a click. Audio thread only; no allocation.
class Ramp {
public:
    explicit Ramp(int frames = 1, float value = 0.0f)
        : m_frames(frames < 1 ? 1 : frames), m_value(value), m_target(value) {}

    // Starts a slide towards `target` from wherever the value is now; the same target again changes nothing.
    void setTarget(float target) {
        if (target == m_target)
            return;
        m_target = target;
        m_left = m_frames;
        m_step = (target - m_value) / float(m_frames);
    }
    // Lands on `value` at once (nothing is sounding that could step).
    void jump(float value) {
        m_value = m_target = value;
        m_left = 0;
    }
    // The value for the next frame.
    float next() {
        if (m_left > 0 && --m_left > 0)
            m_value += m_step;
        else
            m_value = m_target;
        return m_value;
    }
    bool moving() const { return m_left > 0; }
    float value() const { return m_value; }
    float target() const { return m_target; }
    int frames() const { return m_frames; }

private:
    int m_frames;
    float m_value;
    float m_target;
    float m_step = 0.0f;
    int m_left = 0;
};

} // namespace platform::media::dsp
