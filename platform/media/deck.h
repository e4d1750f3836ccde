#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "media/chunkring.h"
#include "media/decoder.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace platform::media {

enum class DeckState : int { NoMedia, Stopped, Playing, Paused };

// One deck of the engine: a decoding side that fills a ring of output-rate frames, and a mixing side that
// takes them in the audio callback. Thread roles are named on each function.
class Deck {
public:
    // `threaded`: decode on a worker thread of the deck's own; otherwise the engine calls fill() before
    // mixing.
    Deck(int outputRate, bool threaded);
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
    DeckState state() const { return DeckState(m_state.load(std::memory_order_acquire)); }
    double position() const;
    double length() const { return m_length.load(std::memory_order_acquire); }
    // The object that receives ended notifications (queued, on its own thread); null for none.
    void setOwner(QObject* owner, void (*deliver)(QObject*));
    // UI thread: how many ends the audio side has seen; the player compares with what it delivered.
    uint32_t endsSeen() const { return m_ends.load(std::memory_order_acquire); }

    // Decoding side (the worker thread, or the engine's render in synchronous mode): tops the ring up; true
    // while a scan of the song is still running.
    bool fill();
    // Any non-audio thread: asks the worker (if any) to fill now rather than at its next poll, and tells the
    // engine through the hook (see setWakeHook).
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

    // Audio thread: drops chunks a seek or load made stale; adds `frames` gained frames into `out`.
    void dropStale();
    void mix(float* out, int frames);
    // Audio (consumer) thread: whether the next `frames` frames, or the song's end, are in the ring.
    bool ready(int frames);
    uint64_t underflows() const { return m_underflows.load(std::memory_order_relaxed); }

private:
    void resetProducer(int64_t frame); // under m_mutex
    int produce(Chunk& c);             // under m_mutex
    int readStereo(float* out, int frames);
    void workerLoop();
    // Audio thread: rouses a worker that rests; lock-free (a futex wake at most, and only when it sleeps).
    void signalWorker();

    const int m_outputRate;
    const bool m_threaded;
    const int m_rampFrames;

    // Shared between threads.
    ChunkRing m_ring;
    std::atomic<uint64_t> m_gen{0};
    std::atomic<int> m_state{int(DeckState::NoMedia)};
    std::atomic<bool> m_atEnd{false};
    std::atomic<double> m_length{0};
    std::atomic<double> m_seekTarget{0};
    std::atomic<double> m_position{0};
    std::atomic<uint64_t> m_positionGen{0};
    std::atomic<float> m_targetGain{1.0f};
    std::atomic<bool> m_startSilent{false};
    std::atomic<uint32_t> m_ends{0};
    std::atomic<uint64_t> m_underflows{0};

    // Decoding side, under m_mutex.
    std::mutex m_mutex;
    std::unique_ptr<Decoder> m_decoder;
    int m_songRate = 0;
    int m_songChannels = 0;
    uint64_t m_producerGen = 0;
    bool m_producerEnded = true;
    bool m_decoderEnded = false;
    double m_seekStart = 0;
    int64_t m_seekFrame = 0;
    int64_t m_produced = 0; // output frames since the seek
    int64_t m_decoded = 0;  // song frames since the seek
    SRC_STATE* m_src = nullptr;
    std::vector<float> m_raw; // decoder's own channel layout
    std::vector<float> m_in;  // stereo at the song's rate, waiting for conversion
    size_t m_inPos = 0, m_inFrames = 0;
    struct ScanJob;
    std::shared_ptr<ScanJob> m_scan;

    // Mixing side, audio thread only.
    int m_chunkPos = 0;
    float m_gain = 1.0f;
    float m_rampTarget = 1.0f;
    float m_rampStep = 0.0f;

    // Delivery of ends.
    std::mutex m_ownerMutex;
    QObject* m_owner = nullptr;
    void (*m_deliver)(QObject*) = nullptr;
    uint32_t m_endsPosted = 0;

    // Worker. While its deck plays it polls on m_wake; otherwise it rests on m_signal, which every command
    // and the audio side's stale drops and ends step on.
    std::condition_variable m_wake;
    std::mutex m_wakeMutex;
    std::atomic<bool> m_quit{false};
    bool m_wakePending = false;
    std::atomic<uint32_t> m_signal{0};
    std::thread m_worker;
    void (*m_wakeHook)(void*) = nullptr;
    void* m_wakeContext = nullptr;
};

} // namespace platform::media
