#pragma once

#include <array>
#include <memory>
#include <vector>

namespace soundtouch {
class SoundTouch;
}
namespace RubberBand {
class RubberBandStretcher;
}

namespace platform::media::dsp {

// Where a tempo stage takes its input: stereo frames at the output rate. Audio thread.
class TempoSource {
public:
    virtual ~TempoSource() = default;
    // Exactly `frames` frames into `out`: silence where there is nothing (yet) to give.
    virtual void pull(float* out, int frames) = 0;
};

// Plays what a source gives at a speed of its own, between the deck's ring and its knobs. Without key lock a
// resampler moves tempo and pitch together; with it a time-stretcher (SoundTouch, or Rubber Band's real-time
// mode) keeps the pitch. A new speed glides in over ~15 ms; a change of stretcher dips through silence for
// a few milliseconds instead of clicking. Made (and every buffer sized) on a non-audio thread; after that
// render() and reset() neither allocate nor lock.
class TempoStage {
public:
    enum class Mode { Bypass, Resample, Light, Fine };
    // What a deck at `tempo` (1 its own speed) with key lock `keyLock` and the engine's `fine` choice plays.
    static Mode modeFor(double tempo, bool keyLock, bool fine);

    explicit TempoStage(int rate);
    ~TempoStage();
    TempoStage(const TempoStage&) = delete;
    TempoStage& operator=(const TempoStage&) = delete;

    // Audio thread. `frames` stereo frames of `source` at the speed `tempo` in the mode `mode` into `out`
    // (overwritten).
    void render(TempoSource& source, float* out, int frames, double tempo, Mode mode);
    // Whether a deck may read its ring directly: nothing held, no slide or dip under way, and `mode` asks for
    // no stage.
    bool idle(Mode mode) const {
        return mode == Mode::Bypass && m_mode == Mode::Bypass && m_fade == 1.0f && m_next == Mode::Bypass &&
               m_head == m_tail;
    }
    // Audio thread: the last frames a deck played past the stage, so that a resampler taking over goes on
    // from them without a step.
    void notePlayed(const float* frames, int n);
    // Audio thread: drops what is held (a new place in the song); the mode, the speed and its slide stay.
    void reset();

    Mode mode() const { return m_mode; }
    double tempo() const { return m_tempo; }
    // Frames pulled from the source that are not heard yet (the speed's worth of what the stage holds):
    // a deck's position is its source's less these.
    double lag() const { return m_pulled - m_heard; }

    static constexpr int kFifoFrames = 2048;

private:
    // One frame out of the input queue, pulled from the source when empty.
    void take(float* frame);
    void refill();
    void renderResample(float* out, int n, double target);
    void renderStretch(float* out, int n, double target);
    void enter(Mode mode);
    double glide(double target);

    const int m_glideFrames;
    const int m_fadeFrames;

    TempoSource* m_source = nullptr; // during render()
    bool m_enterPending = false;     // reset() asked for the mode to start afresh
    Mode m_mode = Mode::Bypass;
    Mode m_next = Mode::Bypass; // the mode a dip is taking the stage to
    float m_fade = 1.0f;        // the dip's level: down to 0, then the new mode, then back up to 1
    float m_fadeStep = 0.0f;

    double m_tempo = 1.0, m_tempoTarget = 1.0, m_tempoStep = 0.0;
    double m_pulled = 0, m_heard = 0;

    // Frames pulled but not yet taken, with room in front for the resampler to hand frames back.
    std::vector<float> m_fifo;
    int m_head = 0, m_tail = 0;

    // Resampler: four frames around the read point, which is `m_frac` past the second.
    std::array<float, 8> m_hist{};
    double m_frac = 0;
    std::array<float, 4> m_last{}; // the last two frames played, for a resampler taking over

    std::unique_ptr<soundtouch::SoundTouch> m_light;
    std::unique_ptr<RubberBand::RubberBandStretcher> m_fine;
    double m_stretchTempo = 0;   // the speed the stretcher was last told
    int m_drop = 0;              // output frames a fresh Rubber Band gives before the first input frame's
    std::vector<float> m_planar; // deinterleaved frames for Rubber Band, in and out
    std::vector<float> m_block;  // interleaved frames on their way into a stretcher
};

} // namespace platform::media::dsp
