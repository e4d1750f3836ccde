#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/engineoptions.h"
#include "media/peakmeter.h"

class QObject;

namespace platform::media {

class AudioOutput;
class DeviceKeeper;
class Mixer;

// One output stream for all decks of a program: a Mixer (what the audio thread touches) and a DeviceKeeper
// (opening, watching and listing devices on threads of its own). Their headers state the lock order.
class AudioEngine {
public:
    enum class Output { Device, Null, Offline };

    // An output the engine can use. `id` is what EngineOptions::device takes ("pulse:<sink>",
    // "portaudio:<name>").
    struct DeviceInfo {
        std::string id;
        std::string description;
        bool isDefault = false; // the one the start order would pick
    };

    // Where the sound goes, for the host to show. Changes are announced through the status listener.
    struct Status {
        bool opening = false; // the first device is being opened; nothing to tell yet
        bool sound = false;   // a device takes the mix
        std::string device;   // the device in use, or the one being tried again
        std::string missing;  // a chosen device that is not there (the default plays instead)
        // The headphones were routed to channels 3-4, but the device in use has only two: they hear nothing.
        bool cueOnTwoChannels = false;
    };

    // The program-wide engine. The first call starts it with the host's `options` (later calls get the same
    // engine whatever they pass): the null output at once, the device from a thread of its own, so that a
    // window can paint while a slow back-end is probed.
    static AudioEngine& instance(const EngineOptions& options = {});
    // An engine with the program's start order, for tests and figures that need one of their own.
    static std::unique_ptr<AudioEngine> create(const EngineOptions& options);
    // An engine for tests that renders exactly the frames asked for, at `rate` frames a second.
    static std::unique_ptr<AudioEngine> createOffline(int rate = 44100);
    // Inline: render() decodes what it needs itself. Threads: each deck decodes on its worker thread, as with
    // a device, and render() waits for the frames it needs. Both render the same frames.
    enum class Decoding { Inline, Threads };
    static std::unique_ptr<AudioEngine> createOffline(int rate, Decoding decoding);
    // An engine on outputs of the caller's making (tests of the device keeper): `device` is called for the
    // first open (before this returns) and for every retry after a failure, and may return null for a device
    // that is not there. The null output plays meanwhile.
    static std::unique_ptr<AudioEngine>
    createWithOutput(int rate, int period, std::function<std::unique_ptr<AudioOutput>(Mixer&)> device);

    // The outputs this machine offers now: the sound server's sinks, then PortAudio's devices. Starts no
    // server, and prints nothing of the libraries' own. Takes a while (a server's answers, a probe of every
    // card): a window asks requestDevices() instead.
    static std::vector<DeviceInfo> listDevices(int timeoutMs = 1500);
    // Any thread but the audio thread: lists the devices on a thread of the engine's and hands them to
    // `answer` on `receiver`'s thread, unless `receiver` is destroyed first. The engine ends that thread
    // before it goes.
    void requestDevices(QObject* receiver, std::function<void(const std::vector<DeviceInfo>&)> answer);
    // The entry of `devices` that `name` stands for (its id, or the part after the back-end's prefix), or
    // null.
    static const DeviceInfo* findDevice(const std::vector<DeviceInfo>& devices, const std::string& name);

    ~AudioEngine();
    Output output() const;
    int sampleRate() const;
    // Frames per device period: what the host asked for, held to 256..2048.
    int period() const;

    // Any thread but the audio thread: moves to the device and latency of `options` without a restart; the
    // decks keep their places. A device that cannot be found falls back to the start order.
    void useDevice(const EngineOptions& options);
    Status status() const;
    // `listener` runs on the engine's own thread after each change of status(); null for none.
    void setStatusListener(std::function<void()> listener);
    // Waits until the first device was opened or found missing; false when `timeoutMs` passed first.
    bool waitUntilSettled(int timeoutMs) const;

    // Offline output only: mixes `frames` stereo frames into `out` (interleaved, 2 × frames floats), as the
    // device would ask for them; song ends are delivered on the UI thread's next event processing. `cue`,
    // when given, receives the cue mix of the same frames (2 × frames floats, before any routing).
    void render(float* out, int frames, float* cue = nullptr);

    // Pre-listen. The cue mix is the decks whose cue is on (MediaPlayer::setCue), each at its own level
    // before its volume; the headphones hear it blended with the main mix by `balance`.
    enum class CueRouting {
        Off,        // no cue output; the cue mix is not made
        Device,     // a second output (`device`), run in step with the main one
        Channels34, // channels 3-4 of the main device, which is opened with four channels
        Split, // one stereo device: the main mix in mono on the left, the headphone mix in mono on the right
    };
    struct CueOptions {
        CueRouting routing = CueRouting::Off;
        std::string device;   // Device routing: an id or name as listDevices() gives it
        float balance = 0.0f; // what the headphones hear: 0 the cue mix only, 1 the main mix only
    };
    // Any thread but the audio thread; takes effect without a restart.
    void setCue(const CueOptions& options);
    CueOptions cue() const;
    // Cue on a device of its own: how far its clock runs from the main device's, in parts per million, as
    // measured and corrected; 0 for the other routings.
    double cueDriftPpm() const;

    // Which time-stretcher keeps a key-locked deck's pitch (MediaPlayer::setKeyLock): Light (SoundTouch,
    // cheap) or Fine (Rubber Band's real-time mode, cleaner and dearer). Any thread but the audio thread;
    // every deck takes it at once.
    enum class KeyLockEngine { Light, Fine };
    void setKeyLockEngine(KeyLockEngine engine);
    KeyLockEngine keyLockEngine() const;

    // Recording the main mix to a file, written by a thread of its own: the audio callback never waits.
    enum class RecordFormat { Flac, Wav };
    struct Recording {
        bool active = false;
        std::string path;
        int64_t frames = 0; // frames written to the file so far
        std::string
            error; // why the last recording stopped by itself (a full disk, a removed folder), or empty
    };
    // Any thread but the audio thread. Creates `path` (stereo, the engine's rate, 16-bit FLAC or WAV) and
    // records from the next pass on; false, with `error` set, when the file cannot be made.
    bool startRecording(const std::string& path, RecordFormat format, std::string* error = nullptr);
    // Writes what is still buffered and closes the file, which stays valid and playable.
    void stopRecording();
    Recording recording() const;
    // `listener` runs on a thread of the engine when a recording stops by itself; null for none.
    void setRecordingListener(std::function<void()> listener);

    // The master limiter, which holds the mix (and the headphones) below -1 dB true peak a few milliseconds
    // later. On, except in offline engines, which render the plain sum unless a test asks for it; switch it
    // while no deck plays. limiting(): whether the last pass turned the master down, for a light.
    void setLimiter(bool on);
    bool limiter() const;
    bool limiting() const;

    // The master mix before its last clamp, for a level meter.
    PeakMeter& masterMeter();
    // Seconds between a frame leaving the mixer and the listener hearing it, as the device reports it (0 for
    // the null and offline outputs): a view of the music shows what is heard, not what is mixed.
    double outputLatency() const;

    // The two halves, for tests and figures.
    Mixer& mixer();
    DeviceKeeper& keeper();

private:
    struct Impl;
    AudioEngine(const EngineOptions& options, int rate, bool threaded);
    std::unique_ptr<Impl> d;
};

} // namespace platform::media
