#pragma once

#include <memory>

namespace platform::media {

// One output stream for all decks of a program.
class AudioEngine {
public:
    enum class Output { Device, Null, Offline };

    // The program-wide engine: the sound device when there is one, else the null output.
    static AudioEngine& instance();
    // An engine for tests that renders exactly the frames asked for, at `rate` frames a second.
    static std::unique_ptr<AudioEngine> createOffline(int rate = 44100);

    ~AudioEngine();
    Output output() const;
    int sampleRate() const;

    // Offline output only: mixes `frames` stereo frames into `out` (interleaved, 2 × frames floats), as the device
    // would ask for them; song ends are delivered on the UI thread's next event processing.
    void render(float* out, int frames);

    struct Impl;
    Impl& impl() { return *d; }

private:
    AudioEngine();
    std::unique_ptr<Impl> d;
};

} // namespace platform::media
