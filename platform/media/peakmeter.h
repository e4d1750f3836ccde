#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>

namespace platform::media {

// A level meter's reading of one stereo signal: the audio thread feeds it each pass, the display takes what
// came since its last look. No lock, no allocation: a peak that arrives between a take's two reads may show
// one frame late, never wrongly.
class PeakMeter {
public:
    struct Reading {
        float left = 0.0f; // the largest |sample| since the last take
        float right = 0.0f;
        bool clipped = false; // a sample reached full scale (before any clamp)
    };

    // Audio thread: `stereo` holds `frames` interleaved frames.
    void feed(const float* stereo, int frames) noexcept {
        float l = 0.0f, r = 0.0f;
        for (int i = 0; i < frames; ++i) {
            l = std::max(l, std::fabs(stereo[2 * i]));
            r = std::max(r, std::fabs(stereo[2 * i + 1]));
        }
        record(l, r);
    }
    // Audio thread: the largest |sample| of each channel of a pass, found by a loop that had the frames in
    // hand anyway.
    void record(float left, float right) noexcept {
        raise(m_left, left);
        raise(m_right, right);
        if (left >= 1.0f || right >= 1.0f)
            m_clipped.store(true, std::memory_order_relaxed);
    }

    // Any other thread.
    Reading take() noexcept {
        return {m_left.exchange(0.0f, std::memory_order_relaxed),
                m_right.exchange(0.0f, std::memory_order_relaxed),
                m_clipped.exchange(false, std::memory_order_relaxed)};
    }

private:
    static void raise(std::atomic<float>& a, float v) noexcept {
        float seen = a.load(std::memory_order_relaxed);
        while (v > seen && !a.compare_exchange_weak(seen, v, std::memory_order_relaxed)) {
        }
    }
    std::atomic<float> m_left{0.0f};
    std::atomic<float> m_right{0.0f};
    std::atomic<bool> m_clipped{false};
    static_assert(std::atomic<float>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
};

} // namespace platform::media
