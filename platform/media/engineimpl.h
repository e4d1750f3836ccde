#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "media/audioengine.h"
#include "media/audiothread.h"
#include "media/callbackgate.h"
#include "media/cuebus.h"
#include "media/engineoptions.h"
#include "media/recorder.h"

namespace platform::media {

class Deck;

// An output that the engine drives: it asks process() for frames from its own thread.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts calling back; false when the output cannot run.
    virtual bool start() = 0;
    virtual void stop() = 0;
    // False once the library reported an error or the stream died; the watchdog asks this beside watching
    // whether audio is taken at all.
    virtual bool healthy() { return true; }
    // Any non-audio thread: pauses the stream while nothing plays, so that an idle program costs no more than
    // on the null output, and resumes it. A resting output is not judged by its silence.
    virtual void rest(bool) {}
    virtual bool resting() const { return false; }
    // The device's name, for the user.
    virtual std::string name() const { return {}; }
    // Times the device ran dry (the server's underflow reports); 0 where the library does not tell.
    virtual uint64_t underflows() const { return 0; }
    // Channels of the device's frames: 2, or 4 when it carries the headphone mix on 3-4.
    virtual int channels() const { return 2; }
    // Who this output mixes as; the engine sets it before start() (see Impl::handOverTo) and the output
    // passes it to every process().
    uint32_t mixer = 0;
};

using OutputFactory = std::function<std::unique_ptr<AudioOutput>(AudioEngine::Impl&)>;

struct AudioEngine::Impl {
    static constexpr int kMaxDecks = 16;
    // A device is failed when it takes no audio for this long. Sound servers pause for about 1.5 s when a
    // stream starts and call back in bursts with gaps of a few hundred milliseconds, longer on a loaded
    // machine; a device that takes nothing for 4 s is gone (or suspended), and the user is told soon enough.
    static constexpr std::chrono::milliseconds kSilenceLimit{4000};
    // A failed device is tried again after these pauses, doubling: a restarted server or a card plugged back
    // in answers within a second or two, and a device that stays away costs one attempt every few seconds.
    static constexpr std::chrono::milliseconds kRetryFirst{500};
    static constexpr std::chrono::milliseconds kRetryMost{8000};
    // How often the watchdog looks; cheap enough to be idle-neutral, fine enough for the figures above.
    static constexpr std::chrono::milliseconds kWatchInterval{100};
    // A device whose decks have all been silent this long rests (see AudioOutput::rest).
    static constexpr std::chrono::milliseconds kRestAfter{1000};

    Output output = Output::Null;
    int rate = 44100;
    int period = 512;
    bool threaded = true;
    int latencyMs = 40;
    std::string name; // begins the lines the engine prints, and names the program to the sound server

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
    // with the headphone mix routed as setCue asked: Split and Channels34 into `out`, Device into the cue
    // device's ring.
    Mix processDevice(uint32_t mixer, float* out, int frames, int channels = 2);
    // Any non-audio thread: from now on only `next` mixes; returns once a callback of the output before has
    // left process(). Never gives up: a callback stuck inside holds it as long as it is stuck.
    void handOverTo(AudioOutput& next) { next.mixer = gate.handOver(); }
    // The mixer of an offline engine, whose caller of render() is its output.
    uint32_t offlineMixer = 0;
    // Any thread but the audio thread: one line on standard error, after the host's name.
    void say(const char* text) const;

    // Any non-audio thread: a deck was given a command (open, play, seek, stop); an output resting in
    // waitForWork() mixes again, and a device that rests resumes.
    void wakeOutput();
    // The null output's thread, between periods, when no deck played: rests until wakeOutput() or `stop`.
    void waitForWork(const std::atomic<bool>& stop);
    // Any thread: ends waitForWork() so that its caller can see `stop`.
    void interruptWait();

    // UI thread.
    void addDeck(Deck* deck);
    void removeDeck(Deck* deck);

    // Starts the null output and a watchdog that opens devices from `open` (retrying after failures) and
    // moves the mix between them and the null output. `sayWhenMissing`: print a line when there is none.
    void startSupervised(OutputFactory open, bool sayWhenMissing);
    void startNull();
    void switchToNull(const char* why);
    void shutdown();

    // Pre-listen: what the audio callback reads of setCue, and the cue device (Device routing), which the
    // watchdog opens and closes; the options under cueMutex, cueDevice the watchdog's alone.
    CueBus cue;
    mutable std::mutex cueMutex;
    AudioEngine::CueOptions cueOptions;
    std::unique_ptr<AudioOutput> cueDevice;
    bool cuePending = false; // under supervisorMutex: the cue device is to be (re)opened or closed
    // Watchdog thread: closes the cue device and opens the one the options name, if any. `retry`: an attempt
    // after a failure, which says nothing when it fails again.
    void reopenCue(bool retry = false);
    // Watchdog thread, while the main device is watched: a cue device that failed, or could not be opened, is
    // tried again, backing off from 2 s to 30 s.
    void watchCue();
    std::chrono::steady_clock::time_point cueRetryAt{};
    std::chrono::steady_clock::duration cueRetryDelay{};

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
    // Times the watchdog looked at the outputs: tests see from it that an idle watchdog sleeps.
    std::atomic<uint64_t> looks{0};
    // Whether the last pass found a deck playing: the watchdog lets a device rest only when none did.
    std::atomic<bool> lastPlaying{false};

    mutable CheckedMutex outputMutex;
    std::unique_ptr<AudioOutput> device;
    std::unique_ptr<AudioOutput> nullOutput;
    std::thread watchdog;
    std::atomic<bool> quit{false};
    bool toldNull = false;

    // The watchdog's orders, under supervisorMutex.
    std::mutex supervisorMutex;
    std::condition_variable supervisorWake;
    OutputFactory opener;
    OutputFactory requested;
    bool requestPending = false;
    // A deck was given a command since the watchdog last looked (wakeOutput).
    bool commanded = false;
    bool sayWhenMissing = false;
    // Set by the factory of a chosen device (watchdog thread): the name that was not found, or empty.
    std::string missingDevice;

    // What status() reports, under statusMutex; the listener runs under listenerMutex.
    mutable std::mutex statusMutex;
    mutable std::condition_variable statusChanged;
    Status current;
    std::mutex listenerMutex;
    std::function<void()> listener;
    void publish(const Status& status);

    // The live device, for wakeOutput() to resume it, and the count of wakes, which the watchdog reads before
    // it lets the device rest; both under restMutex, so that a command cannot slip between the two.
    std::mutex restMutex;
    AudioOutput* restable = nullptr;
    uint64_t wakes = 0;

    CheckedMutex idleMutex;
    std::condition_variable_any idleWake;
    bool workPending = false; // under idleMutex

    // Takes the main mix at the end of every pass while a recording runs. Starting and stopping are
    // serialised by recordMutex.
    Recorder recorder;
    std::mutex recordMutex;

private:
    // Audio thread, inside the gate: one pass over the decks, handed to a running recording; whether any deck
    // played or a recording runs (either way the output must not rest).
    bool mixDecks(float* out, int frames, float* phones);
    void supervise();
    bool goLive(std::unique_ptr<AudioOutput> dev);
    void dropDevice(const char* why);
};

// Calls `process` at real-time pace from a thread of its own; what runs when there is no sound device.
std::unique_ptr<AudioOutput> makeNullOutput(AudioEngine::Impl& engine);
// What an output plays: the mix (through processDevice, with four channels when the cue routing asks for
// channels 3-4 and the device has them), or the headphone mix from the cue feed (Device routing).
enum class OutputRole { Main, Cue };
// A PortAudio device at the engine's rate (the default one for an empty name), or nullptr when there is none.
std::unique_ptr<AudioOutput> makePortAudioOutput(AudioEngine::Impl& engine, const std::string& name = {},
                                                 OutputRole role = OutputRole::Main);
// A stream on the desktop's sound server (PulseAudio, or PipeWire's PulseAudio server) to `sink` (the
// server's default for an empty name), or nullptr when no server answers. Never starts a server.
std::unique_ptr<AudioOutput> makePulseOutput(AudioEngine::Impl& engine, const std::string& sink = {},
                                             OutputRole role = OutputRole::Main);
// The start order: the sound server when one answers, else PortAudio, else nullptr.
std::unique_ptr<AudioOutput> makeDefaultOutput(AudioEngine::Impl& engine);

void appendPulseDevices(std::vector<AudioEngine::DeviceInfo>& out, int timeoutMs);
void appendPortAudioDevices(std::vector<AudioEngine::DeviceInfo>& out);

} // namespace platform::media
