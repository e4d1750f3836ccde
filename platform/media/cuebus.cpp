#include "media/cuebus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <samplerate.h>

#include "media/audiothread.h"

namespace platform::media {

void routeCue(AudioEngine::CueRouting routing, const float* main, const float* phones, float* device,
              int frames, int channels) {
    using R = AudioEngine::CueRouting;
    if (channels == 4) {
        const bool heard = routing == R::Channels34 && phones;
        // Backwards: with `device` over `main`, frame i is written at 4i, never before frame i was read.
        for (int i = frames - 1; i >= 0; --i) {
            const float l = main[2 * i], r = main[2 * i + 1];
            float* o = device + 4 * i;
            o[0] = l;
            o[1] = r;
            o[2] = heard ? phones[2 * i] : 0.0f;
            o[3] = heard ? phones[2 * i + 1] : 0.0f;
        }
        return;
    }
    if (routing == R::Split) {
        for (int i = 0; i < frames; ++i) {
            const float m = 0.5f * (main[2 * i] + main[2 * i + 1]);
            device[2 * i] = m;
            device[2 * i + 1] = phones ? 0.5f * (phones[2 * i] + phones[2 * i + 1]) : 0.0f;
        }
        return;
    }
    if (device != main)
        std::memcpy(device, main, sizeof(float) * 2 * size_t(std::max(frames, 0)));
}

void blendPhones(float* cue, const float* main, dsp::Ramp& balance, int frames) {
    if (!balance.moving()) {
        const float b = std::clamp(balance.value(), 0.0f, 1.0f), a = 1.0f - b;
        for (int i = 0; i < 2 * frames; ++i)
            cue[i] = a * cue[i] + b * main[i];
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const float b = std::clamp(balance.next(), 0.0f, 1.0f), a = 1.0f - b;
        cue[2 * i] = a * cue[2 * i] + b * main[2 * i];
        cue[2 * i + 1] = a * cue[2 * i + 1] + b * main[2 * i + 1];
    }
}

void CueRing::push(const float* frames, int count) {
    const uint32_t w = m_write.load(std::memory_order_relaxed);
    const uint32_t room = kFrames - (w - m_read.load(std::memory_order_acquire));
    const uint32_t n = std::min(room, uint32_t(std::max(count, 0)));
    if (n < uint32_t(count))
        m_dropped.fetch_add(uint32_t(count) - n, std::memory_order_relaxed);
    const uint32_t at = w % kFrames, first = std::min(n, kFrames - at);
    std::memcpy(&m_samples[2 * size_t(at)], frames, sizeof(float) * 2 * first);
    std::memcpy(m_samples.data(), frames + 2 * first, sizeof(float) * 2 * (n - first));
    m_write.store(w + n, std::memory_order_release);
}

int CueRing::pop(float* out, int count) {
    const uint32_t r = m_read.load(std::memory_order_relaxed);
    const uint32_t n = std::min(m_write.load(std::memory_order_acquire) - r, uint32_t(std::max(count, 0)));
    const uint32_t at = r % kFrames, first = std::min(n, kFrames - at);
    std::memcpy(out, &m_samples[2 * size_t(at)], sizeof(float) * 2 * first);
    std::memcpy(out + 2 * first, m_samples.data(), sizeof(float) * 2 * (n - first));
    m_read.store(r + n, std::memory_order_release);
    return int(n);
}

void CueRing::skip(uint32_t count) {
    const uint32_t r = m_read.load(std::memory_order_relaxed);
    const uint32_t n = std::min(m_write.load(std::memory_order_acquire) - r, count);
    m_read.store(r + n, std::memory_order_release);
}

namespace {
// Sound servers ask in bursts of tens of milliseconds from both sides: the fill is averaged over a second or
// so before the controller acts on it, and the loop settles within half a minute, without overshoot worth
// hearing (damping about 0.7).
constexpr double kSmoothSeconds = 1.0;
constexpr double kIntegralGain = 0.0025; // per second², on the fill error in seconds
constexpr double kProportionalGain = 0.07;
// Real clocks differ by a few hundred ppm at most; a correction beyond this is a fault, not drift, and
// would be heard as a change of pitch.
constexpr double kMostCorrection = 0.005;
} // namespace

void DriftController::reset(int rate, double target) {
    m_rate = std::max(1, rate);
    m_target = target;
    m_smoothed = -1;
    m_integral = 0;
}

double DriftController::update(double fill, int frames) {
    const double dt = double(frames) / m_rate;
    if (m_smoothed < 0)
        m_smoothed = fill;
    else
        m_smoothed += std::min(1.0, dt / kSmoothSeconds) * (fill - m_smoothed);
    const double error = (m_smoothed - m_target) / m_rate;
    m_integral = std::clamp(m_integral + kIntegralGain * error * dt, -kMostCorrection, kMostCorrection);
    return 1.0 + std::clamp(kProportionalGain * error + m_integral, -kMostCorrection, kMostCorrection);
}

CueFeed::CueFeed() = default;

CueFeed::~CueFeed() {
    if (m_src)
        src_delete(m_src);
}

bool CueFeed::open(int rate, int targetFrames) {
    close();
    if (!m_src) {
        int err = 0;
        m_src = src_new(SRC_SINC_FASTEST, 2, &err);
        if (!m_src)
            return false;
    }
    src_reset(m_src);
    m_controller.reset(rate, std::clamp(targetFrames, 1, int(CueRing::kFrames / 2)));
    m_primed = false;
    m_inPos = m_inLeft = 0;
    m_rate = rate;
    m_reported = 0;
    m_drift.store(0, std::memory_order_relaxed);
    m_listening.store(true, std::memory_order_release);
    return true;
}

void CueFeed::close() {
    m_listening.store(false, std::memory_order_release);
}

void CueFeed::pull(float* out, int frames) {
    AudioThreadScope scope;
    std::fill(out, out + 2 * std::max(frames, 0), 0.0f);
    if (!m_src || frames <= 0)
        return;
    const double target = m_controller.target();
    if (!m_primed) {
        const uint32_t have = m_ring.available();
        if (have < target)
            return;
        // What waited longer than the target is old: start from the target's distance behind the main mix.
        m_ring.skip(have - uint32_t(target));
        m_primed = true;
    }
    const double perOutput = m_controller.update(double(m_ring.available()) + m_inLeft, frames);
    // The integral also carries the loop's answer to a shift in the bursts' phase, which lasts tens of
    // seconds; averaged this long, what is reported is the clocks' own difference.
    m_reported +=
        std::min(1.0, double(frames) / (kReportSeconds * m_rate)) * (m_controller.driftPpm() - m_reported);
    m_drift.store(m_reported, std::memory_order_relaxed);
    int made = 0;
    while (made < frames) {
        if (m_inLeft == 0) {
            m_inLeft = m_ring.pop(m_in, kBlock);
            m_inPos = 0;
            if (m_inLeft == 0) {
                // Ran dry (the main device rests or stalled): silence, and fill up to the target again.
                m_underflows.fetch_add(1, std::memory_order_relaxed);
                m_primed = false;
                return;
            }
        }
        SRC_DATA data{};
        data.data_in = m_in + 2 * m_inPos;
        data.input_frames = m_inLeft;
        data.data_out = out + 2 * made;
        data.output_frames = frames - made;
        data.src_ratio = 1.0 / perOutput;
        if (src_process(m_src, &data) != 0)
            return;
        m_inPos += int(data.input_frames_used);
        m_inLeft -= int(data.input_frames_used);
        made += int(data.output_frames_gen);
        if (data.input_frames_used == 0 && data.output_frames_gen == 0)
            return;
    }
}

} // namespace platform::media
