#include "media/dsp/tempostage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <rubberband/RubberBandStretcher.h>
#include <soundtouch/SoundTouch.h>

namespace platform::media::dsp {

namespace {
constexpr double kGlideSeconds = 0.015;
constexpr double kFadeSeconds = 0.004;
constexpr int kBlock = 256;      // frames rendered between two looks at the mode and the stretcher's speed
constexpr int kRefill = 256;     // frames pulled from the source at a time
constexpr int kSpare = 4;        // frames of room in front of the queue for the resampler's hand-back
constexpr int kMaxProcess = 512; // frames handed to Rubber Band at a time
constexpr int kFeed = 128;       // frames handed to SoundTouch at a time
// Stretchers that would want more input than this for one block are starved rather than looped forever.
constexpr int kMaxFeeds = 256;

bool stretches(TempoStage::Mode m) {
    return m == TempoStage::Mode::Light || m == TempoStage::Mode::Fine;
}

// Catmull-Rom through four points: exactly `p1` at t = 0, so a resampler at speed 1 on whole frames is the
// plain path.
inline float cubic(float p0, float p1, float p2, float p3, float t) {
    return p1 + 0.5f * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
}
} // namespace

TempoStage::Mode TempoStage::modeFor(double tempo, bool keyLock, bool fine) {
    // With key lock on the stretcher stays in even at the song's own speed: a fader swept through the centre
    // must not dip twice on the way.
    if (keyLock)
        return fine ? Mode::Fine : Mode::Light;
    return tempo == 1.0 ? Mode::Bypass : Mode::Resample;
}

TempoStage::TempoStage(int rate)
    : m_glideFrames(std::max(1, int(std::lround(rate * kGlideSeconds)))),
      m_fadeFrames(std::max(1, int(std::lround(rate * kFadeSeconds)))),
      m_fifo(2 * size_t(kSpare + kFifoFrames)), m_planar(4 * size_t(kMaxProcess)),
      m_block(2 * size_t(std::max(kFeed, kMaxProcess))) {
    m_head = m_tail = kSpare;
    // Both stretchers are run here once at the ends of the tempo range, so that every buffer they grow has
    // its full size before the audio thread uses them.
    std::vector<float> silence(2 * size_t(kMaxProcess), 0.0f);
    std::vector<float> sink(2 * size_t(8192));
    m_light = std::make_unique<soundtouch::SoundTouch>();
    m_light->setSampleRate(uint(rate));
    m_light->setChannels(2);
    for (double t : {0.25, 2.0, 1.0}) {
        m_light->setTempo(t);
        for (int i = 0; i < rate / kMaxProcess + 1; ++i) {
            m_light->putSamples(silence.data(), kMaxProcess);
            while (m_light->receiveSamples(sink.data(), 8192) > 0) {
            }
        }
    }
    m_light->clear();

    using RB = RubberBand::RubberBandStretcher;
    // Mixed transients: the crisp default resets phases on every onset it suspects, which on a held tone
    // pulls the pitch down by a dozen cents (measured on a 440 Hz sine at +8 %).
    m_fine = std::make_unique<RB>(size_t(rate), 2,
                                  RB::OptionProcessRealTime | RB::OptionEngineFaster |
                                      RB::OptionTransientsMixed | RB::OptionThreadingNever);
    m_fine->setMaxProcessSize(kMaxProcess);
    float* in[2] = {silence.data(), silence.data() + kMaxProcess};
    float* out[2] = {sink.data(), sink.data() + 8192};
    // Rubber Band sizes itself on construction; a few blocks at each end are enough to show it has, and each
    // deck made pays for them (about 26 times real time).
    for (double t : {0.25, 2.0, 1.0}) {
        m_fine->setTimeRatio(1.0 / t);
        for (int i = 0; i < 16; ++i) {
            m_fine->process(
                in, std::min<size_t>(kMaxProcess, std::max<size_t>(1, m_fine->getSamplesRequired())), false);
            while (m_fine->available() > 0)
                m_fine->retrieve(out, std::min(8192, m_fine->available()));
        }
    }
    m_fine->reset();
}

TempoStage::~TempoStage() = default;

double TempoStage::glide(double target) {
    if (target != m_tempoTarget) {
        m_tempoTarget = target;
        m_tempoStep = (target - m_tempo) / m_glideFrames;
    }
    if (m_tempo != target) {
        m_tempo += m_tempoStep;
        // Lands on the target exactly, so that a speed back at 1 can leave the stage.
        if (m_tempoStep == 0 || (m_tempoStep > 0) == (m_tempo >= target))
            m_tempo = target;
    }
    return m_tempo;
}

void TempoStage::refill() {
    m_head = m_tail = kSpare;
    m_source->pull(m_fifo.data() + 2 * kSpare, kRefill);
    m_tail += kRefill;
    m_pulled += kRefill;
}

void TempoStage::take(float* frame) {
    if (m_head == m_tail)
        refill();
    frame[0] = m_fifo[2 * size_t(m_head)];
    frame[1] = m_fifo[2 * size_t(m_head) + 1];
    ++m_head;
}

void TempoStage::notePlayed(const float* frames, int n) {
    if (n >= 2) {
        std::memcpy(m_last.data(), frames + 2 * (n - 2), 4 * sizeof(float));
    } else if (n == 1) {
        m_last[0] = m_last[2];
        m_last[1] = m_last[3];
        m_last[2] = frames[0];
        m_last[3] = frames[1];
    }
}

void TempoStage::reset() {
    m_head = m_tail = kSpare;
    m_pulled = m_heard = 0;
    m_last.fill(0.0f);
    // A dip under way lands in its new mode; the mode is entered afresh by the next render, which has the
    // source to take from.
    if (m_next != m_mode) {
        m_mode = m_next;
        m_fade = 0.0f;
        m_fadeStep = 1.0f / m_fadeFrames;
    }
    m_enterPending = true;
}

void TempoStage::enter(Mode mode) {
    m_mode = m_next = mode;
    // What a stretcher held is gone: the frames still queued are the next ones heard.
    m_heard = m_pulled - (m_tail - m_head);
    switch (mode) {
    case Mode::Bypass:
        break;
    case Mode::Resample:
        std::copy(m_last.begin(), m_last.end(), m_hist.begin());
        take(&m_hist[4]);
        take(&m_hist[6]);
        m_frac = 0;
        break;
    case Mode::Light:
        m_light->clear();
        m_stretchTempo = 0;
        break;
    case Mode::Fine: {
        m_fine->reset();
        m_fine->setTimeRatio(1.0 / m_tempo);
        m_stretchTempo = m_tempo;
        // Rubber Band wants silence ahead of the first frame and gives its first frame that much later: both
        // are taken off, so that what it plays lines up with what went in.
        std::fill(m_planar.begin(), m_planar.begin() + 2 * kMaxProcess, 0.0f);
        const float* in[2] = {m_planar.data(), m_planar.data() + kMaxProcess};
        for (size_t pad = m_fine->getPreferredStartPad(); pad > 0;) {
            const size_t n = std::min<size_t>(pad, kMaxProcess);
            m_fine->process(in, n, false);
            pad -= n;
        }
        m_drop = int(m_fine->getStartDelay());
        break;
    }
    }
}

void TempoStage::render(TempoSource& source, float* out, int frames, double tempo, Mode mode) {
    m_source = &source;
    if (m_enterPending) {
        m_enterPending = false;
        enter(m_mode);
    }
    for (int done = 0; done < frames;) {
        int n = std::min(kBlock, frames - done);
        if (m_fadeStep == 0.0f && mode != m_mode) {
            if (stretches(mode) || stretches(m_mode)) {
                // A stretcher cannot take over from what another path holds: the sound dips instead.
                m_next = mode;
                m_fadeStep = -1.0f / m_fadeFrames;
            } else if (m_mode == Mode::Bypass) {
                enter(Mode::Resample);
            } else if (m_tempo == 1.0) {
                // Back at speed 1 the resampler hands its two frames ahead back to the queue; the plain path
                // goes on from them, less than a frame from where the resampler was.
                m_head -= 2;
                std::copy(m_hist.begin() + 4, m_hist.end(), m_fifo.begin() + 2 * m_head);
                std::copy(m_hist.begin(), m_hist.begin() + 4, m_last.begin());
                m_mode = m_next = Mode::Bypass;
            }
        }
        if (m_fadeStep < 0.0f)
            n = std::min(n, std::max(1, int(std::ceil(m_fade * m_fadeFrames - 1e-3f))));
        float* o = out + 2 * done;
        const double target = m_mode == Mode::Bypass ? 1.0 : tempo;
        switch (m_mode) {
        case Mode::Bypass:
            for (int i = 0; i < n; ++i)
                take(o + 2 * i);
            notePlayed(o, n);
            m_heard += n;
            break;
        case Mode::Resample:
            renderResample(o, n, target);
            break;
        case Mode::Light:
        case Mode::Fine:
            renderStretch(o, n, target);
            break;
        }
        if (m_fadeStep != 0.0f) {
            for (int i = 0; i < n; ++i) {
                m_fade = std::clamp(m_fade + m_fadeStep, 0.0f, 1.0f);
                o[2 * i] *= m_fade;
                o[2 * i + 1] *= m_fade;
            }
            if (m_fade == 0.0f) {
                enter(m_next);
                m_fadeStep = 1.0f / m_fadeFrames;
            } else if (m_fade == 1.0f) {
                m_fadeStep = 0.0f;
            }
        }
        done += n;
    }
    m_source = nullptr;
}

void TempoStage::renderResample(float* out, int n, double target) {
    float* h = m_hist.data();
    for (int i = 0; i < n; ++i) {
        const double r = glide(target);
        m_frac += r;
        while (m_frac >= 1.0) {
            m_frac -= 1.0;
            std::memmove(h, h + 2, 6 * sizeof(float));
            take(h + 6);
        }
        const float t = float(m_frac);
        out[2 * i] = cubic(h[0], h[2], h[4], h[6], t);
        out[2 * i + 1] = cubic(h[1], h[3], h[5], h[7], t);
        m_heard += r;
    }
}

void TempoStage::renderStretch(float* out, int n, double target) {
    for (int i = 0; i < n; ++i)
        m_heard += glide(target);
    const double t = m_tempo;
    int got = 0;
    if (m_mode == Mode::Light) {
        if (t != m_stretchTempo) {
            m_light->setTempo(t);
            m_stretchTempo = t;
        }
        for (int feeds = 0; int(m_light->numSamples()) < n && feeds < kMaxFeeds; ++feeds) {
            for (int i = 0; i < kFeed; ++i)
                take(m_block.data() + 2 * i);
            m_light->putSamples(m_block.data(), kFeed);
        }
        got = int(m_light->receiveSamples(out, uint(n)));
    } else {
        if (t != m_stretchTempo) {
            m_fine->setTimeRatio(1.0 / t);
            m_stretchTempo = t;
        }
        float* inL = m_planar.data();
        float* inR = inL + kMaxProcess;
        float* outL = inR + kMaxProcess;
        float* outR = outL + kMaxProcess;
        for (int feeds = 0; got < n && feeds < kMaxFeeds; ++feeds) {
            const int avail = m_fine->available();
            if (avail > 0) {
                const int k = std::min({avail, kMaxProcess, m_drop > 0 ? m_drop : n - got});
                float* outs[2] = {outL, outR};
                m_fine->retrieve(outs, size_t(k));
                if (m_drop > 0) {
                    m_drop -= k;
                    continue;
                }
                for (int i = 0; i < k; ++i) {
                    out[2 * (got + i)] = outL[i];
                    out[2 * (got + i) + 1] = outR[i];
                }
                got += k;
                continue;
            }
            const int req = std::clamp(int(m_fine->getSamplesRequired()), 1, kMaxProcess);
            for (int i = 0; i < req; ++i) {
                float f[2];
                take(f);
                inL[i] = f[0];
                inR[i] = f[1];
            }
            const float* ins[2] = {inL, inR};
            m_fine->process(ins, size_t(req), false);
        }
    }
    std::fill(out + 2 * got, out + 2 * n, 0.0f);
}

} // namespace platform::media::dsp
