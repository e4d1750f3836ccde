#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "media/audioengine.h"
#include "media/dsp/ramp.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace platform::media {

// Lays one block out as the device takes it: `main` and `phones` are stereo (2 × frames), `device` has
// `channels` (2 or 4) interleaved. Four channels: main on 1-2, the headphones on 3-4 for Channels34 (else
// silence there). Two: Split puts the mono main mix left and the mono headphone mix right; any other routing
// plays the main mix as it is. `phones` may be null (no headphone mix: silence where it would go). `device`
// may be `main` itself: the frames are laid out from the last to the first.
void routeCue(AudioEngine::CueRouting routing, const float* main, const float* phones, float* device,
              int frames, int channels);

// What the headphones hear: (1 - balance) × cue + balance × main, written over `cue`; the balance slides
// towards its target frame by frame.
void blendPhones(float* cue, const float* main, dsp::Ramp& balance, int frames);

// Stereo frames from the main callback (the one producer) to the cue device's callback (the one consumer).
// Wait-free on both sides; what does not fit is dropped and counted.
class CueRing {
public:
    static constexpr uint32_t kFrames = 1u << 15; // about 0.7 s at 48 kHz

    CueRing() : m_samples(2 * size_t(kFrames)) {}
    // Producer.
    void push(const float* frames, int count);
    // Consumer: up to `count` frames into `out`; how many were there.
    int pop(float* out, int count);
    // Consumer: forgets the oldest `count` frames (at most what is there).
    void skip(uint32_t count);
    // Either side: frames waiting.
    uint32_t available() const {
        return m_write.load(std::memory_order_acquire) - m_read.load(std::memory_order_acquire);
    }
    uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::vector<float> m_samples;
    alignas(64) std::atomic<uint32_t> m_write{0};
    alignas(64) std::atomic<uint32_t> m_read{0};
    std::atomic<uint64_t> m_dropped{0};
};

// Keeps the ring between two free-running clocks at its target fill: from the fill seen at each pull it
// decides how many input frames the cue device takes per output frame. A proportional and an integral term on
// a smoothed fill; the integral is the drift itself once the fill has settled, so it is what is reported.
class DriftController {
public:
    // `rate`: frames a second of both sides; `target`: the fill to hold, in frames.
    DriftController(int rate = 48000, double target = 4800) { reset(rate, target); }
    void reset(int rate, double target);
    // After `frames` output frames were asked for with `fill` frames waiting: input frames per output frame.
    double update(double fill, int frames);
    // How much faster the consumer's clock runs than the producer's, in parts per million.
    double driftPpm() const { return -m_integral * 1e6; }
    double target() const { return m_target; }

private:
    double m_rate = 48000;
    double m_target = 4800;
    double m_smoothed = -1;
    double m_integral = 0;
};

// The cue device's side of the Device routing: takes the headphone mix from the ring, converted by a ratio
// the controller varies, so that the ring neither runs dry nor overflows while two devices keep their own
// clocks.
class CueFeed {
public:
    CueFeed();
    ~CueFeed();
    CueFeed(const CueFeed&) = delete;
    CueFeed& operator=(const CueFeed&) = delete;

    // Any non-audio thread, while no consumer runs: sets up for a device at `rate` holding `targetFrames`
    // in the ring, and from then on the main callback feeds the ring. false when the converter cannot be
    // made.
    bool open(int rate, int targetFrames);
    // Any non-audio thread, once the consumer stopped: the main callback stops feeding the ring.
    void close();
    bool listening() const { return m_listening.load(std::memory_order_acquire); }

    // Main callback: the headphone mix of this pass.
    void push(const float* phones, int frames) {
        if (m_listening.load(std::memory_order_relaxed))
            m_ring.push(phones, frames);
    }
    // Cue device's callback: `frames` stereo frames into `out`; silence while the ring fills up to its target
    // (at the start, and after it ran dry). No locks, no allocation.
    void pull(float* out, int frames);

    double driftPpm() const { return m_drift.load(std::memory_order_relaxed); }
    uint64_t underflows() const { return m_underflows.load(std::memory_order_relaxed); }
    CueRing& ring() { return m_ring; }

private:
    static constexpr int kBlock = 256; // input frames taken from the ring at a time
    static constexpr double kReportSeconds = 10;

    CueRing m_ring;
    std::atomic<bool> m_listening{false};
    std::atomic<double> m_drift{0};
    std::atomic<uint64_t> m_underflows{0};
    // Consumer side.
    SRC_STATE* m_src = nullptr;
    DriftController m_controller;
    bool m_primed = false;
    int m_rate = 48000;
    double m_reported = 0;
    float m_in[2 * kBlock];
    int m_inPos = 0, m_inLeft = 0;
};

// The cue half of the engine: what setCue asked for, as the audio callback reads it, and the buffers it mixes
// into.
struct CueBus {
    // The largest block mixed at once with a headphone mix; a longer request is mixed in blocks of this.
    static constexpr int kBlockFrames = 2048;

    std::atomic<int> routing{int(AudioEngine::CueRouting::Off)};
    std::atomic<float> balance{0.0f};
    static_assert(std::atomic<int>::is_always_lock_free && std::atomic<float>::is_always_lock_free);
    // Audio thread only: the cue mix, then the headphone mix, of the block being made.
    std::vector<float> scratch = std::vector<float>(2 * size_t(kBlockFrames));
    CueFeed feed;

    AudioEngine::CueRouting current() const {
        return AudioEngine::CueRouting(routing.load(std::memory_order_relaxed));
    }
};

} // namespace platform::media
