#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "media/audioengine.h"

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
};

struct AudioEngine::Impl {
    static constexpr int kMaxDecks = 16;

    Output output = Output::Null;
    int rate = 44100;
    int period = 512;
    bool threaded = true;

    // Audio thread: mixes every deck into `out` (2 × frames floats); no locks, no allocation, no I/O, no Qt.
    // True while some deck plays.
    bool process(float* out, int frames);

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
    std::atomic<uint64_t> entered{0};
    std::atomic<uint64_t> left{0};
    std::atomic<bool> deviceRetired{false};

    std::mutex outputMutex;
    std::unique_ptr<AudioOutput> device;
    std::unique_ptr<AudioOutput> nullOutput;
    std::thread watchdog;
    std::atomic<bool> quit{false};
    bool toldNull = false;

    std::mutex idleMutex;
    std::condition_variable idleWake;
    bool workPending = false; // under idleMutex
};

// Calls `process` at real-time pace from a thread of its own; what runs when there is no sound device.
std::unique_ptr<AudioOutput> makeNullOutput(AudioEngine::Impl& engine);
// The default PortAudio device at its own rate, or nullptr with the engine's rate untouched when there is
// none.
std::unique_ptr<AudioOutput> makeDeviceOutput(AudioEngine::Impl& engine);

} // namespace platform::media
