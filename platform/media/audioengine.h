#pragma once

#include <functional>
#include <memory>

#include "media/engineoptions.h"

namespace platform::media {

class AudioOutput;

// One output stream for all decks of a program.
class AudioEngine {
public:
    struct Impl;
    enum class Output { Device, Null, Offline };

    // The program-wide engine: the sound device when there is one, else the null output. The host's options
    // hold from the first call on; later calls get the same engine whatever they pass.
    static AudioEngine& instance(const EngineOptions& options = {});
    // An engine for tests that renders exactly the frames asked for, at `rate` frames a second.
    static std::unique_ptr<AudioEngine> createOffline(int rate = 44100);
    // Inline: render() decodes what it needs itself. Threads: each deck decodes on its worker thread, as with
    // a device, and render() waits for the frames it needs. Both render the same frames.
    enum class Decoding { Inline, Threads };
    static std::unique_ptr<AudioEngine> createOffline(int rate, Decoding decoding);
    // An engine on an output of the caller's making (tests of the device watchdog); the null output takes
    // over when it fails to start or stalls.
    static std::unique_ptr<AudioEngine>
    createWithOutput(int rate, int period, std::function<std::unique_ptr<AudioOutput>(Impl&)> device);

    ~AudioEngine();
    Output output() const;
    int sampleRate() const;
    // Frames per device period: what the host asked for, held to 256..2048.
    int period() const;

    // Offline output only: mixes `frames` stereo frames into `out` (interleaved, 2 × frames floats), as the
    // device would ask for them; song ends are delivered on the UI thread's next event processing.
    void render(float* out, int frames);

    Impl& impl() { return *d; }

private:
    AudioEngine();
    std::unique_ptr<Impl> d;
};

} // namespace platform::media
