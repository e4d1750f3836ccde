// The sound device through PortAudio, opened quietly: back-ends that are not running (a missing sound server,
// an absent card) say nothing on the terminal; the engine prints the one line that matters.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <portaudio.h>

#include "media/audiooutput.h"
#include "media/mixer.h"

#ifdef DECKMORA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace platform::media {

namespace {

#ifdef DECKMORA_HAVE_ALSA
void silentAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// The libraries under PortAudio print their own failures (ALSA when a card or plugin is missing, JACK when
// no server runs) straight to standard error. Their own hooks take that chatter; the process's standard
// error stays open throughout, so that what other threads write meanwhile (the engine's notices, Qt's
// warnings, the audio-thread guard's last words) is never lost.
void quietJack(const char*) {}

void silenceLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef DECKMORA_HAVE_ALSA
        snd_lib_error_set_handler(&silentAlsa);
#endif
        // JACK comes with PortAudio (it links it); looked up rather than linked, so that a PortAudio built
        // without it needs nothing more.
        using SetHandler = void (*)(void (*)(const char*));
        for (const char* setter : {"jack_set_error_function", "jack_set_info_function"})
            if (auto set = reinterpret_cast<SetHandler>(::dlsym(RTLD_DEFAULT, setter)))
                set(&quietJack);
    });
}

// PortAudio is not thread-safe: the keeper opens devices while its listing thread (or a command line's
// --list-devices) lists them. Every call outside the callback goes under this lock (recursive: an output's
// stop runs inside its own teardown).
// Never destroyed: the program-wide engine stops its device at exit, after function-local statics made later
// are gone.
std::recursive_mutex& portAudioMutex() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

class PortAudioOutput final : public AudioOutput {
public:
    PortAudioOutput(Mixer& mixer, int latencyMs, PaDeviceIndex device, OutputRole role)
        : m_mixer(mixer), m_latencyMs(latencyMs), m_device(device), m_role(role) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
        m_name = info && info->name ? info->name : "sound device";
    }
    ~PortAudioOutput() override {
        std::lock_guard lk(portAudioMutex());
        stop();
        Pa_Terminate();
    }

    bool start() override {
        std::lock_guard lk(portAudioMutex());
        m_channels = 2;
        if (m_role == OutputRole::Main && m_mixer.cue.current() == AudioEngine::CueRouting::Channels34) {
            if (Pa_GetDeviceInfo(m_device)->maxOutputChannels >= 4)
                m_channels = 4;
            else
                m_mixer.say(
                    "the sound device has two channels; the headphone mix on channels 3-4 is not heard.");
        }
        PaStreamParameters out{};
        out.device = m_device;
        out.channelCount = m_channels;
        out.sampleFormat = paFloat32;
        out.suggestedLatency =
            std::max(Pa_GetDeviceInfo(m_device)->defaultLowOutputLatency, m_latencyMs / 1000.0);
        if (Pa_OpenStream(&m_stream, nullptr, &out, m_mixer.rate, unsigned(m_mixer.period), paClipOff,
                          &callback, this) != paNoError) {
            m_stream = nullptr;
            return false;
        }
        if (Pa_StartStream(m_stream) != paNoError) {
            Pa_CloseStream(m_stream);
            m_stream = nullptr;
            return false;
        }
        // What the host API settled on; it does not move while the stream runs.
        const PaStreamInfo* info = Pa_GetStreamInfo(m_stream);
        if (m_role == OutputRole::Main && info)
            m_mixer.outputLatency.store(info->outputLatency, std::memory_order_relaxed);
        return true;
    }

    void stop() override {
        std::lock_guard lk(portAudioMutex());
        if (!m_stream)
            return;
        Pa_AbortStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }

    // A listing that holds PortAudio (a probe of every card) is no news of this stream: the keeper is not
    // held for it, and the silence limit still watches whether the stream takes audio.
    bool healthy() override {
        std::unique_lock lk(portAudioMutex(), std::try_to_lock);
        if (!lk.owns_lock())
            return true;
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
            self->m_mixer.cue.feed.pull(out, int(frames));
        else
            self->m_mixer.processDevice(self->mixer, out, int(frames), self->m_channels);
        return paContinue;
    }

    Mixer& m_mixer;
    const int m_latencyMs;
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
        silenceLibraries();
        // Do not let probing start a JACK server that nobody asked for.
        ::setenv("JACK_NO_START_SERVER", "1", 0);
        m_ok = Pa_Initialize() == paNoError;
    }
    ~PortAudioSession() {
        if (m_ok && !m_kept) {
            Pa_Terminate();
        }
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const { return m_ok; }
    // The output that takes the session over terminates PortAudio itself.
    void keep() { m_kept = true; }

private:
    std::lock_guard<std::recursive_mutex> m_lock;
    bool m_ok = false;
    bool m_kept = false;
};

bool usable(const PaDeviceInfo* info) {
    return info && info->maxOutputChannels >= 2;
}

} // namespace

std::unique_ptr<AudioOutput> makePortAudioOutput(Mixer& mixer, int latencyMs, const std::string& name,
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
    return std::make_unique<PortAudioOutput>(mixer, latencyMs, device, role);
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

std::unique_ptr<AudioOutput> makeDefaultOutput(Mixer& mixer, int latencyMs) {
    if (auto server = makePulseOutput(mixer, latencyMs))
        return server;
    return makePortAudioOutput(mixer, latencyMs);
}

std::unique_ptr<AudioOutput> makeOutputFor(Mixer& mixer, int latencyMs, const std::string& id,
                                           OutputRole role) {
    if (id.rfind("pulse:", 0) == 0)
        return makePulseOutput(mixer, latencyMs, id.substr(6), role);
    if (id.rfind("portaudio:", 0) == 0)
        return makePortAudioOutput(mixer, latencyMs, id.substr(10), role);
    return nullptr;
}

} // namespace platform::media
