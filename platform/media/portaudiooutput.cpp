// The sound device through PortAudio, opened quietly: back-ends that are not running (a missing sound server,
// an absent card) say nothing on the terminal; the engine prints the one line that matters.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
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

// PortAudio is not thread-safe: the watchdog opens devices while a window lists them. Every call outside the
// callback goes under this lock (recursive: an output's stop runs inside its own teardown).
// Never destroyed: the program-wide engine stops its device at exit, after function-local statics made later
// are gone.
std::recursive_mutex& portAudioMutex() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

#ifdef DECKMORA_HAVE_ALSA
void silentAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

class PortAudioOutput final : public AudioOutput {
public:
    PortAudioOutput(AudioEngine::Impl& engine, PaDeviceIndex device, OutputRole role)
        : m_engine(engine), m_device(device), m_role(role) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        m_name = info && info->name ? info->name : "sound device";
    }
    ~PortAudioOutput() override {
        std::lock_guard lk(portAudioMutex());
        stop();
        QuietStderr quiet;
        Pa_Terminate();
    }

    bool start() override {
        std::lock_guard lk(portAudioMutex());
        m_channels = 2;
        if (m_role == OutputRole::Main && m_engine.cue.current() == AudioEngine::CueRouting::Channels34) {
            if (Pa_GetDeviceInfo(m_device)->maxOutputChannels >= 4)
                m_channels = 4;
            else
                m_engine.say(
                    "the sound device has two channels; the headphone mix on channels 3-4 is not heard.");
        }
        PaStreamParameters out{};
        out.device = m_device;
        out.channelCount = m_channels;
        out.sampleFormat = paFloat32;
        out.suggestedLatency =
            std::max(Pa_GetDeviceInfo(m_device)->defaultLowOutputLatency, m_engine.latencyMs / 1000.0);
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
        std::lock_guard lk(portAudioMutex());
        if (!m_stream)
            return;
        QuietStderr quiet;
        Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }

    bool healthy() override {
        std::lock_guard lk(portAudioMutex());
        return m_stream && Pa_IsStreamActive(m_stream) == 1;
    }
    std::string name() const override { return m_name; }
    int channels() const override { return m_channels; }

private:
    static int callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PortAudioOutput*>(user);
        auto* out = static_cast<float*>(output);
        // Not (or no longer) the output that mixes, the stream plays the silence process() wrote until the
        // engine stops it.
        if (self->m_role == OutputRole::Cue)
            self->m_engine.cue.feed.pull(out, int(frames));
        else
            self->m_engine.processDevice(self->mixer, out, int(frames), self->m_channels);
        return paContinue;
    }

    AudioEngine::Impl& m_engine;
    PaDeviceIndex m_device;
    const OutputRole m_role;
    int m_channels = 2;
    PaStream* m_stream = nullptr;
    std::string m_name;
};

// Keeps PortAudio initialised, quietly, for its lifetime.
class PortAudioSession {
public:
    PortAudioSession() : m_lock(portAudioMutex()) {
#ifdef DECKMORA_HAVE_ALSA
        snd_lib_error_set_handler(&silentAlsa);
#endif
        // Do not let probing start a JACK server that nobody asked for.
        ::setenv("JACK_NO_START_SERVER", "1", 0);
        QuietStderr quiet;
        m_ok = Pa_Initialize() == paNoError;
    }
    ~PortAudioSession() {
        if (m_ok && !m_kept) {
            QuietStderr quiet;
            Pa_Terminate();
        }
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const {
        return m_ok;
    }
    // The output that takes the session over terminates PortAudio itself.
    void keep() {
        m_kept = true;
    }

private:
    std::lock_guard<std::recursive_mutex> m_lock;
    bool m_ok = false;
    bool m_kept = false;
};

bool usable(const PaDeviceInfo* info) {
    return info && info->maxOutputChannels >= 2;
}

} // namespace

std::unique_ptr<AudioOutput> makePortAudioOutput(AudioEngine::Impl& engine, const std::string& name,
                                                 OutputRole role) {
    PortAudioSession session;
    if (!session.ok())
        return nullptr;
    PaDeviceIndex device = name.empty() ? Pa_GetDefaultOutputDevice() : paNoDevice;
    for (PaDeviceIndex i = 0; device == paNoDevice && i < Pa_GetDeviceCount(); ++i)
        if (usable(Pa_GetDeviceInfo(i)) && name == Pa_GetDeviceInfo(i)->name)
            device = i;
    if (device == paNoDevice || !usable(Pa_GetDeviceInfo(device)))
        return nullptr;
    session.keep();
    return std::make_unique<PortAudioOutput>(engine, device, role);
}

void appendPortAudioDevices(std::vector<AudioEngine::DeviceInfo>& out) {
    PortAudioSession session;
    if (!session.ok())
        return;
    const PaDeviceIndex def = Pa_GetDefaultOutputDevice();
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!usable(info))
            continue;
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        out.push_back({std::string("portaudio:") + info->name,
                       std::string(api ? api->name : "PortAudio") + ": " + info->name, i == def});
    }
}

std::unique_ptr<AudioOutput> makeDefaultOutput(AudioEngine::Impl& engine) {
    if (auto server = makePulseOutput(engine))
        return server;
    return makePortAudioOutput(engine);
}

} // namespace platform::media
