#pragma once

// The engine's mixing half: what the audio thread touches. The decks, the callback gate, the cue bus and the
// recorder's feed; the outputs call process() or processDevice() from their own threads.
//
// Locks, in the order they may be taken (a thread holding one may take only those below it):
//   1. recordMutex            starting and stopping a recording
//   2. m_cueMutex             the cue options as the host set them
//   3. m_idleMutex            the null output resting between commands
//   4. the DeviceKeeper's orders lock, reached through the command hook (see setCommandHook)
// Each is held for a few instructions and never across device work: a deck command (open, play, seek, stop,
// level) takes nothing else, so nothing a device does can hold it. The audio thread takes none of them.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "media/audioengine.h"
#include "media/audiothread.h"
#include "media/callbackgate.h"
#include "media/cuebus.h"
#include "media/dsp/limiter.h"
#include "media/dsp/ramp.h"
#include "media/recorder.h"

namespace platform::media {

class AudioOutput;
class Deck;

class Mixer {
public:
    static constexpr int kMaxDecks = 16;

    // `name` begins the lines the engine prints and names the program to the sound server; `threaded`: decks
    // decode on workers of their own (false: the offline output's caller decodes inline).
    Mixer(std::string name, int rate, int period, bool threaded);
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    const std::string name;
    const int rate;
    const int period;
    const bool threaded;

    // What one pass of process() found.
    enum class Mix {
        Silent,  // no deck plays: an output that can rest may do so
        Playing, // some deck plays
        Retired, // the mix belongs to another output: `out` holds silence
    };
    // Audio thread: mixes every deck into `out` (2 × frames floats) as output `mixer`; no locks, no
    // allocation, no I/O, no Qt. `phones`, when given, receives the headphone mix of the same frames (2 ×
    // frames floats; silence while the cue routing is Off).
    Mix process(uint32_t mixer, float* out, int frames, float* phones = nullptr);
    // Audio thread: what a device of `channels` (2 or 4) interleaved channels plays, as process() mixes it,
    // with the headphone mix routed as the cue options ask: Split and Channels34 into `out`, Device into the
    // cue device's ring.
    Mix processDevice(uint32_t mixer, float* out, int frames, int channels = 2);
    // Any non-audio thread: from now on only `next` mixes; returns once a callback of the output before has
    // left process(). Never gives up: a callback stuck inside holds it as long as it is stuck.
    void handOverTo(AudioOutput& next);
    // The mixer of an offline engine, whose caller of render() is its output.
    uint32_t offlineMixer = 0;
    // Any thread but the audio thread: one line on standard error, after the host's name.
    void say(const char* text) const;

    // UI thread.
    void addDeck(Deck* deck);
    void removeDeck(Deck* deck);

    // Any non-audio thread: a deck was given a command (open, play, seek, stop); an output resting in
    // waitForWork() mixes again and the command hook runs.
    void wakeOutput();
    // The null output's thread, between periods, when no deck played: rests until wakeOutput() or `stop`.
    void waitForWork(const std::atomic<bool>& stop);
    // Any thread: ends waitForWork() so that its caller can see `stop`.
    void interruptWait();
    // Set once, before any deck is added: runs on every wakeOutput(), on the commanding thread. The device
    // keeper learns from it that a resting device is wanted again; it must not wait for device work.
    void setCommandHook(void (*hook)(void*), void* context) {
        m_commandHook = hook;
        m_commandContext = context;
    }

    // Pre-listen: what the audio callback reads (routing, balance, the cue device's feed), and the options as
    // the host gave them, for the keeper to open the cue device they name.
    CueBus cue;
    // Any non-audio thread: stores `options` (balance held to [0, 1]) and returns the ones before.
    AudioEngine::CueOptions setCueOptions(const AudioEngine::CueOptions& options);
    AudioEngine::CueOptions cueOptions() const;

    std::array<std::atomic<Deck*>, kMaxDecks> decks{};
    static_assert(std::atomic<Deck*>::is_always_lock_free);
    // Every pass of process() goes through it; removeDeck and the output switches wait on it.
    CallbackGate gate;
    // Tests only: runs inside every pass with each deck in hand before it is mixed, to stretch a pass at
    // will.
    std::atomic<void (*)(Deck*)> passHook{nullptr};
    // Passes begun: the keeper's sign of life from the device.
    std::atomic<uint64_t> entered{0};
    static_assert(std::atomic<uint64_t>::is_always_lock_free);
    // Whether the last pass found a deck playing (or a recording running): a device rests only when not.
    std::atomic<bool> lastPlaying{false};

    // The master limiter (and the headphones' own, on a mix of their own): on unless a caller that needs the
    // plain sum turns it off. Turned on, the mix is heard its latency later; switch it while the decks are
    // silent.
    std::atomic<bool> limit{true};
    // Whether the last pass turned the master down.
    std::atomic<bool> limiting{false};

    // The master mix, fed each pass before the clamp.
    PeakMeter masterMeter;
    // The device's output latency in seconds, as the output last reported it.
    std::atomic<double> outputLatency{0.0};
    // AudioEngine::KeyLockEngine: the stretcher a key-locked deck uses.
    std::atomic<int> keyLockEngine{0};

    // Takes the main mix at the end of every pass while a recording runs. Starting and stopping are
    // serialised by recordMutex.
    Recorder recorder;
    std::mutex recordMutex;

private:
    // Audio thread, inside the gate: one pass over the decks, handed to a running recording; whether any deck
    // played or a recording runs (either way the output must not rest).
    bool mixDecks(float* out, int frames, float* phones);

    // Audio thread only.
    dsp::Limiter m_limiter;
    dsp::Limiter m_phonesLimiter;
    dsp::Ramp m_balance;
    bool m_limited = false;
    bool m_phonesLimited = false;
    bool m_phonesMade = false;

    mutable std::mutex m_cueMutex;
    AudioEngine::CueOptions m_cueOptions;

    CheckedMutex m_idleMutex;
    std::condition_variable_any m_idleWake;
    bool m_workPending = false; // under m_idleMutex

    void (*m_commandHook)(void*) = nullptr;
    void* m_commandContext = nullptr;
};

} // namespace platform::media
