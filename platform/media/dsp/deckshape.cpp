#include "media/dsp/deckshape.h"

#include <algorithm>

namespace platform::media::dsp {

DeckShape::DeckShape(double rate, int rampFrames)
    : m_trim(rampFrames, 1.0f), m_eq(rate, rampFrames), m_sweep(rate, rampFrames) {}

void DeckShape::readKnobs() {
    m_trim.setTarget(m_gain.load(std::memory_order_relaxed));
    std::array<float, 3> bands;
    for (int b = 0; b < 3; ++b)
        bands[b] =
            m_kill[b].load(std::memory_order_relaxed) ? 0.0f : m_band[b].load(std::memory_order_relaxed);
    m_eq.setTargets(bands);
    m_sweep.setTarget(m_filter.load(std::memory_order_relaxed));
}

void DeckShape::settle() {
    readKnobs();
    m_trim.jump(m_trim.target());
    m_eq.settle();
    m_sweep.settle();
}

const float* DeckShape::process(const float* in, int frames) {
    readKnobs();
    const bool trim = m_trim.moving() || m_trim.value() != 1.0f;
    if (!trim && !m_eq.active() && m_sweep.idle())
        return in;
    frames = std::min(frames, kChunkFrames);
    float* out = m_buffer;
    if (!trim) {
        std::copy(in, in + 2 * frames, out);
    } else if (!m_trim.moving()) {
        const float g = m_trim.value();
        for (int k = 0; k < 2 * frames; ++k)
            out[k] = in[k] * g;
    } else {
        for (int i = 0; i < frames; ++i) {
            const float g = m_trim.next();
            out[2 * i] = in[2 * i] * g;
            out[2 * i + 1] = in[2 * i + 1] * g;
        }
    }
    m_eq.process(out, frames);
    m_sweep.process(out, frames);
    return out;
}

} // namespace platform::media::dsp
