#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "media/audiothread.h"
#include "media/chunkring.h"
#include "media/decoder.h"
#include "media/dsp/deckshape.h"
#include "media/dsp/ramp.h"
#include "media/dsp/tempostage.h"
#include "media/peakmeter.h"
#include "media/scanworker.h"

struct soxr;

namespace platform::media {

enum class DeckState : int { NoMedia, Stopped, Playing, Paused };

// One deck of the engine: a decoding side that fills a ring of output-rate frames, and a mixing side that
// takes them in the audio callback. Thread roles are named on each function.
class Deck {
public:
    // `threaded`: decode on a worker thread of the deck's own, which tops the ring up once every
    // `periodFrames` output frames while the deck plays; otherwise the engine calls fill() before mixing.
    Deck(int outputRate, bool threaded, int periodFrames = 512);
    ~Deck();
    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;

    // UI thread. Replaces the current song (or none, with a null decoder); stopped at 0; pending ends are
    // dropped.
    void load(std::unique_ptr<Decoder> decoder);
    void play();
    void pause();
    void stop();
    void seek(double seconds);
    void setGain(float gain) { m_targetGain.store(gain, std::memory_order_relaxed); }
    // Any thread: whether the deck is heard in the cue mix.
    void setCue(bool on) { m_cue.store(on, std::memory_order_relaxed); }
    bool cue() const { return m_cue.load(std::memory_order_relaxed); }
    // Audio thread: whether the deck adds to the cue mix in this pass (cued, or sliding out of the cue).
    bool inCue() const { return m_cue.load(std::memory_order_relaxed) || m_cueLevel.value() != 0.0f; }
    // Any thread: the speed the song plays at (1 its own) and whether the pitch stays when it moves.
    void setTempo(double ratio) { m_tempo.store(ratio, std::memory_order_relaxed); }
    double tempo() const { return m_tempo.load(std::memory_order_relaxed); }
    void setKeyLock(bool on) { m_keyLock.store(on, std::memory_order_relaxed); }
    bool keyLock() const { return m_keyLock.load(std::memory_order_relaxed); }
    // The deck's knobs (gain, bands, kills, filter): any thread sets them.
    dsp::DeckShape& shape() { return m_shape; }
    // The deck's frames after its gain, fed by mix().
    PeakMeter meter;
    DeckState state() const { return stateOf(m_state.load(std::memory_order_acquire)); }
    double position() const;
    double length() const { return m_length.load(std::memory_order_acquire); }
    // The object that receives ended notifications (queued, on its own thread); null for none.
    void setOwner(QObject* owner, void (*deliver)(QObject*));
    // UI thread: how many ends the audio side has seen; the player compares with what it delivered.
    uint32_t endsSeen() const { return endsOf(m_state.load(std::memory_order_acquire)); }

    // Decoding side (the worker thread, or the engine's render in synchronous mode): tops the ring up. True
    // while the worker must keep polling though the deck is silent: a scan of the song runs, or chunks that a
    // load or seek made stale still wait for the mixing side to drop them. `blocked`, when given, says
    // whether such stale chunks keep the new place's frames out of the ring.
    bool fill(bool* blocked = nullptr);
    // Any non-audio thread: asks the worker (if any) to fill now rather than at its next poll, and tells the
    // engine through the hook (see setWakeHook). The audio thread never wakes anyone: the worker polls while
    // its deck plays.
    void wake();
    // UI thread: `hook(context)` runs on every wake(), so that an output resting while its decks are silent
    // starts mixing again; null for none.
    void setWakeHook(void (*hook)(void*), void* context) {
        m_wakeHook = hook;
        m_wakeContext = context;
    }
    bool threaded() const { return m_threaded; }
    // Any non-audio thread: posts a notification to the owner when an end is waiting.
    void postEnds();

    // Audio thread: drops chunks a seek or load made stale; adds `frames` gained frames into `out`, and, when
    // `cue` is given and the deck's cue is on, the same frames at gain 1 into `cue` (before the volume).
    // `fineKeyLock`: a key-locked deck keeps its pitch with the finer stretcher.
    void dropStale();
    void mix(float* out, int frames, float* cue = nullptr, bool fineKeyLock = false);
    // Audio (consumer) thread: whether the next `frames` frames, or the song's end, are in the ring.
    bool ready(int frames);
    uint64_t underflows() const { return m_underflows.load(std::memory_order_relaxed); }

private:
    void resetProducer(int64_t frame); // under m_mutex
    int produce(Chunk& c);             // under m_mutex
    int readStereo(float* out, int frames);
    // Audio thread: whether a chunk of `gen` is in the ring.
    bool holdsCurrent(uint64_t gen);
    // Audio thread, after a pass that played the old place out: keeps the old place's next frames for the
    // pass after it, then drops the stale chunks so the decoder has room for the new place.
    void keepOldPlace(uint64_t gen);
    // Audio thread: up to `most` frames of what keepOldPlace() kept, from `*frames` on; how many.
    int takeOldPlace(const float** frames, int most);
    void workerLoop();
    // Audio thread: `frames` shaped frames into the cue mix at the cue's sliding level.
    void addCue(float* q, const float* s, int frames);
    // Audio thread: `n` frames of the song through the knobs, the cue and the level into `o` (and `q`).
    void sound(const float* in, int n, float* o, float* q, float& peakL, float& peakR);
    // Audio thread: mix()'s frames through the tempo stage, from the ring's read point on.
    void mixStretched(float* out, int frames, float* cue, uint64_t gen, bool bridging,
                      dsp::TempoStage::Mode mode, double tempo, float& peakL, float& peakR);
    // The ring as the tempo stage's source: the mixing side's read point, as the plain path uses it.
    class RingSource : public dsp::TempoSource {
    public:
        explicit RingSource(Deck& deck) : m_deck(deck) {}
        void pull(float* out, int frames) override;
        uint64_t gen = 0;      // the pass's load or seek
        bool bridging = false; // the pass plays the old place out
        bool kept = false;     // ... from what the pass before kept of it
        bool ended = false;    // the song's last frame has been pulled; silence since
        bool starved = false;  // the ring ran dry in this pass
        double pulledPos = 0;  // song seconds after the last frame pulled
        double endPos = 0;

    private:
        Deck& m_deck;
    };

    // The state and the count of ends share one word, so that whoever sees a deck stopped by its end also
    // sees the end counted (the worker parks on that evidence).
    static DeckState stateOf(uint32_t word) { return DeckState(word & kStateMask); }
    static uint32_t endsOf(uint32_t word) { return word >> kEndsShift; }
    void setState(DeckState s);
    // Any thread: `from` becomes `to` (counting an end when `countEnd`); false when the state was not `from`.
    bool changeState(DeckState from, DeckState to, bool countEnd = false);
    static constexpr uint32_t kStateMask = 0xFF;
    static constexpr int kEndsShift = 8;

    const int m_outputRate;
    const bool m_threaded;
    const int m_rampFrames;

    // Shared between threads.
    ChunkRing m_ring;
    std::atomic<uint64_t> m_gen{0};
    std::atomic<uint32_t> m_state{uint32_t(DeckState::NoMedia)};
    std::atomic<bool> m_atEnd{false};
    std::atomic<double> m_length{0};
    std::atomic<double> m_seekTarget{0};
    std::atomic<double> m_position{0};
    std::atomic<uint64_t> m_positionGen{0};
    std::atomic<float> m_targetGain{1.0f};
    std::atomic<bool> m_startSilent{false};
    std::atomic<bool> m_cue{false};
    std::atomic<double> m_tempo{1.0};
    std::atomic<bool> m_keyLock{false};
    std::atomic<uint64_t> m_underflows{0};
    // What the callback reads must never hide a lock.
    static_assert(std::atomic<uint64_t>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free &&
                  std::atomic<bool>::is_always_lock_free && std::atomic<double>::is_always_lock_free &&
                  std::atomic<float>::is_always_lock_free);

    // Decoding side, under m_mutex.
    CheckedMutex m_mutex;
    std::unique_ptr<Decoder> m_decoder;
    int m_songRate = 0;
    int m_songChannels = 0;
    uint64_t m_producerGen = 0;
    bool m_producerEnded = true;
    bool m_decoderEnded = false;
    double m_seekStart = 0;
    int64_t m_seekFrame = 0;
    int64_t m_produced = 0;   // output frames since the seek
    int64_t m_decoded = 0;    // song frames since the seek
    soxr* m_src = nullptr;    // converts to the device's rate
    std::vector<float> m_raw; // decoder's own channel layout
    std::vector<float> m_in;  // stereo at the song's rate, waiting for conversion
    size_t m_inPos = 0, m_inFrames = 0;
    uint32_t m_staleUpTo = 0; // ring chunks written before the latest load or seek
    std::shared_ptr<ScanJob> m_scan;
    ScanWorker m_scanner;

    // Mixing side, audio thread only.
    int m_chunkPos = 0;
    float m_gain = 1.0f;
    float m_rampTarget = 1.0f;
    float m_rampStep = 0.0f;
    dsp::DeckShape m_shape;
    dsp::Ramp m_cueLevel;
    // Tempo and key lock: made with the deck, off the audio thread.
    std::unique_ptr<dsp::TempoStage> m_stage;
    std::vector<float> m_stretched; // the stage's frames on their way to the knobs
    RingSource m_source{*this};
    uint64_t m_stageGen = 0; // the load or seek whose frames the stage holds
    // A seek's second chance: when the new place's frames are not in the ring by the pass after the one that
    // played the old place out (the decoder woke late), that pass plays on from these instead of falling
    // silent. Made with the deck.
    std::vector<float> m_oldPlace;
    int m_oldPlaceFrames = 0, m_oldPlacePos = 0;
    uint64_t m_oldPlaceGen = 0; // the seek they were kept for

    // Delivery of ends.
    CheckedMutex m_ownerMutex;
    QObject* m_owner = nullptr;
    void (*m_deliver)(QObject*) = nullptr;
    uint32_t m_endsPosted = 0;

    // Worker. While its deck plays (or fill() asks for it) it polls once a period; otherwise it parks until a
    // command from a non-audio thread sets m_wakePending.
    std::condition_variable_any m_wake;
    CheckedMutex m_wakeMutex;
    bool m_quit = false;        // under m_wakeMutex
    bool m_wakePending = false; // under m_wakeMutex
    std::chrono::microseconds m_poll;
    std::thread m_worker;
    void (*m_wakeHook)(void*) = nullptr;
    void* m_wakeContext = nullptr;
};

} // namespace platform::media
