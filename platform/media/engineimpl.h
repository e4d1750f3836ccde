#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "media/audioengine.h"
#include "media/audiothread.h"
#include "media/callbackgate.h"
#include "media/engineoptions.h"

namespace platform::media {

class Deck;

// An output that the engine drives: it asks process() for frames from its own thread.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts calling back; false when the output cannot run.
    virtual bool start() = 0;
    virtual void stop() = 0;
    // Whether the output still runs: the engine's watchdog asks this, beside counting the callbacks.
    virtual bool healthy() { return true; }
    // Who this output mixes as; the engine sets it before start() (see Impl::handOverTo) and the output
    // passes it to every process().
    uint32_t mixer = 0;
};

struct AudioEngine::Impl {
    static constexpr int kMaxDecks = 16;

    Output output = Output::Null;
    int rate = 44100;
    int period = 512;
    bool threaded = true;
    std::string name; // begins the lines the engine prints

    // What one pass of process() found.
    enum class Mix {
        Silent,  // no deck plays: an output that can rest may do so
        Playing, // some deck plays
        Retired, // the mix belongs to another output: `out` holds silence
    };
    // Audio thread: mixes every deck into `out` (2 × frames floats) as output `mixer`; no locks, no
    // allocation, no I/O, no Qt.
    Mix process(uint32_t mixer, float* out, int frames);
    // Any non-audio thread: from now on only `next` mixes; returns once a callback of the output before has
    // left process(). Never gives up: a callback stuck inside holds it as long as it is stuck.
    void handOverTo(AudioOutput& next) { next.mixer = gate.handOver(); }
    // The mixer of an offline engine, whose caller of render() is its output.
    uint32_t offlineMixer = 0;
    // Any thread but the audio thread: one line on standard error, after the host's name.
    void say(const char* text) const;

    // Any non-audio thread: a deck was given a command (open, play, seek, stop); an output resting in
    // waitForWork() mixes again.
    void wakeOutput();
    // The null output's thread, between periods, when no deck played: rests until wakeOutput() or `stop`.
    void waitForWork(const std::atomic<bool>& stop);
    // Any thread: ends waitForWork() so that its caller can see `stop`.
    void interruptWait();

    // UI thread.
    void addDeck(Deck* deck);
    void removeDeck(Deck* deck);

    // Starts `device`; on failure, or later when the watchdog sees it stall, the null output takes over.
    void startDevice(std::unique_ptr<AudioOutput> device, bool sayWhenMissing);
    void startNull();
    void switchToNull(const char* why);
    void shutdown();

    std::array<std::atomic<Deck*>, kMaxDecks> decks{};
    static_assert(std::atomic<Deck*>::is_always_lock_free);
    // Every pass of process() goes through it; removeDeck and the output switches wait on it.
    CallbackGate gate;
    // Tests only: runs inside every pass with each deck in hand before it is mixed, to stretch a pass at
    // will.
    std::atomic<void (*)(Deck*)> passHook{nullptr};
    // Passes begun, counted by process(): the watchdog's sign of life from the device.
    std::atomic<uint64_t> entered{0};
    static_assert(std::atomic<uint64_t>::is_always_lock_free);

    mutable CheckedMutex outputMutex;
    std::unique_ptr<AudioOutput> device;
    std::unique_ptr<AudioOutput> nullOutput;
    std::thread watchdog;
    std::atomic<bool> quit{false};
    bool toldNull = false;

    CheckedMutex idleMutex;
    std::condition_variable_any idleWake;
    bool workPending = false; // under idleMutex
};

// Calls `process` at real-time pace from a thread of its own; what runs when there is no sound device.
std::unique_ptr<AudioOutput> makeNullOutput(AudioEngine::Impl& engine);
// The default PortAudio device at its own rate, or nullptr with the engine's rate untouched when there is
// none.
std::unique_ptr<AudioOutput> makeDeviceOutput(AudioEngine::Impl& engine);

} // namespace platform::media
