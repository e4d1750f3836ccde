// The sound device through PortAudio, opened quietly: back-ends that are not running (a missing sound server,
// an absent card) say nothing on the terminal; the engine prints the one line that matters.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include "media/engineimpl.h"

#ifdef DECKMORA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace platform::media {

namespace {

// Sends standard error to /dev/null for its lifetime. Back-ends print from inside PortAudio's calls, beyond
// the reach of any handler we could set.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, 2);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, 2);
            ::close(m_saved);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int m_saved = -1;
};

#ifdef DECKMORA_HAVE_ALSA
void silentAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

class PortAudioOutput final : public AudioOutput {
public:
    explicit PortAudioOutput(AudioEngine::Impl& engine, PaDeviceIndex device)
        : m_engine(engine), m_device(device) {}
    ~PortAudioOutput() override {
        stop();
        QuietStderr quiet;
        Pa_Terminate();
    }

    bool start() override {
        PaStreamParameters out{};
        out.device = m_device;
        out.channelCount = 2;
        out.sampleFormat = paFloat32;
        out.suggestedLatency = Pa_GetDeviceInfo(m_device)->defaultLowOutputLatency;
        QuietStderr quiet;
        if (Pa_OpenStream(&m_stream, nullptr, &out, m_engine.rate, unsigned(m_engine.period), paClipOff,
                          &callback, this) != paNoError) {
            m_stream = nullptr;
            return false;
        }
        if (Pa_StartStream(m_stream) != paNoError) {
            Pa_CloseStream(m_stream);
            m_stream = nullptr;
            return false;
        }
        return true;
    }

    void stop() override {
        if (!m_stream)
            return;
        QuietStderr quiet;
        Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }

    bool healthy() override { return m_stream && Pa_IsStreamActive(m_stream) == 1; }

private:
    static int callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PortAudioOutput*>(user);
        auto* out = static_cast<float*>(output);
        // Not (or no longer) the output that mixes, the stream plays the silence process() wrote until the
        // engine stops it.
        self->m_engine.process(self->mixer, out, int(frames));
        return paContinue;
    }

    AudioEngine::Impl& m_engine;
    PaDeviceIndex m_device;
    PaStream* m_stream = nullptr;
};

} // namespace

std::unique_ptr<AudioOutput> makeDeviceOutput(AudioEngine::Impl& engine) {
#ifdef DECKMORA_HAVE_ALSA
    snd_lib_error_set_handler(&silentAlsa);
#endif
    // Do not let probing start a JACK server that nobody asked for.
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    PaDeviceIndex device = paNoDevice;
    {
        QuietStderr quiet;
        if (Pa_Initialize() != paNoError)
            return nullptr;
        device = Pa_GetDefaultOutputDevice();
    }
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 2) {
        QuietStderr quiet;
        Pa_Terminate();
        return nullptr;
    }
    engine.rate = int(info->defaultSampleRate);
    return std::make_unique<PortAudioOutput>(engine, device);
}

} // namespace platform::media
