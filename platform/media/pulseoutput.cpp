// The desktop's sound server through libpulse: PulseAudio itself, and PipeWire through its PulseAudio server.
// The asynchronous API on a threaded main loop; the server asks for audio in the write callback, which mixes
// straight into the server's own buffer.
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>
#include <sched.h>

#include "media/audiooutput.h"
#include "media/mixer.h"

namespace platform::media {

namespace {

// How long any one answer of the server may take. A server answers in milliseconds, a few seconds when a
// loaded machine starts its session; one that was stopped (or is wedged) would otherwise hold the keeper, a
// device choice and the program's exit for as long as it stays so. A wait that ends here fails the device,
// which the keeper tries again later.
constexpr pa_usec_t kAnswerLimit = 4 * PA_USEC_PER_SEC;

std::string clientNameOf(const Mixer& mixer) {
    if (!mixer.name.empty())
        return mixer.name;
    const QString app = QCoreApplication::applicationName();
    return app.isEmpty() ? std::string("media player") : app.toStdString();
}

class PulseOutput final : public AudioOutput {
public:
    PulseOutput(Mixer& mixer, int latencyMs, std::string sink, OutputRole role)
        : m_mixer(mixer), m_latencyMs(latencyMs), m_sink(std::move(sink)), m_role(role) {}
    ~PulseOutput() override { stop(); }

    // Connects to the server without ever starting one; false when none answers.
    bool connect() {
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop)
            return false;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
        m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop),
                                                 clientNameOf(m_mixer).c_str(), props);
        pa_proplist_free(props);
        if (!m_context)
            return false;
        pa_context_set_state_callback(m_context, &contextState, this);
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        pa_threaded_mainloop_lock(m_loop);
        if (pa_threaded_mainloop_start(m_loop) < 0) {
            pa_threaded_mainloop_unlock(m_loop);
            return false;
        }
        m_running = true;
        // The loop's thread is the audio path: ask for real-time scheduling where the system grants it (root,
        // or a real-time limit such as audio groups have), as sound servers' own clients do.
        pa_mainloop_api_once(
            pa_threaded_mainloop_get_api(m_loop),
            [](pa_mainloop_api*, void*) {
                sched_param param{};
                param.sched_priority = 10;
                pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param);
            },
            nullptr);
        const bool ready = waitUntil([this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        const bool ok = ready && pa_context_get_state(m_context) == PA_CONTEXT_READY;
        pa_threaded_mainloop_unlock(m_loop);
        return ok;
    }

    bool start() override {
        if (!m_running)
            return false;
        m_channels = 2;
        if (m_role == OutputRole::Main && m_mixer.cue.current() == AudioEngine::CueRouting::Channels34) {
            const int has = sinkChannels();
            if (has < 0)
                return false;
            if (has >= 4)
                m_channels = 4;
            else
                m_mixer.say(
                    "the sound device has two channels; the headphone mix on channels 3-4 is not heard.");
        }
        m_frameBytes = size_t(m_channels) * sizeof(float);
        pa_channel_map map;
        pa_channel_map_init_stereo(&map);
        if (m_channels == 4) {
            // The headphones on the rear pair: a four-channel card's second output, which the server maps by
            // name (a 5.1 card's rear jacks too).
            map.channels = 4;
            map.map[2] = PA_CHANNEL_POSITION_REAR_LEFT;
            map.map[3] = PA_CHANNEL_POSITION_REAR_RIGHT;
        }
        // Float stereo at the engine's rate, exactly what the mix writes; the server converts for its sink.
        pa_format_info* format = pa_format_info_new();
        format->encoding = PA_ENCODING_PCM;
        pa_format_info_set_sample_format(format, PA_SAMPLE_FLOAT32NE);
        pa_format_info_set_rate(format, m_mixer.rate);
        pa_format_info_set_channels(format, m_channels);
        pa_format_info_set_channel_map(format, &map);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        // The whole latency, the server's share included: the server never holds more than this ahead of
        // what the decks play, silence or not.
        attr.tlength = uint32_t(uint64_t(m_mixer.rate) * uint64_t(m_latencyMs) / 1000 * m_frameBytes);
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        pa_threaded_mainloop_lock(m_loop);
        m_stream = pa_stream_new_extended(m_context, "playback", &format, 1, nullptr);
        pa_format_info_free(format);
        bool ok = m_stream != nullptr;
        if (ok) {
            pa_stream_set_state_callback(m_stream, &streamState, this);
            pa_stream_set_write_callback(m_stream, &write, this);
            pa_stream_set_underflow_callback(m_stream, &underflow, this);
            // The server's timing comes by itself now and then (soon after the start, then every second
            // or so), and the library interpolates between: the latency that views of the music allow for.
            const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                 PA_STREAM_AUTO_TIMING_UPDATE);
            ok = pa_stream_connect_playback(m_stream, m_sink.empty() ? nullptr : m_sink.c_str(), &attr, flags,
                                            nullptr, nullptr) == 0;
        }
        ok = ok && waitUntil([this] {
                 const pa_stream_state_t state = pa_stream_get_state(m_stream);
                 return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
             });
        ok = ok && pa_stream_get_state(m_stream) == PA_STREAM_READY;
        if (ok) {
            const char* device = pa_stream_get_device_name(m_stream);
            m_name = device ? device : "sound server";
        }
        pa_threaded_mainloop_unlock(m_loop);
        return ok;
    }

    void stop() override {
        if (!m_loop)
            return;
        if (m_running)
            pa_threaded_mainloop_lock(m_loop);
        if (m_stream) {
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
        if (m_running) {
            pa_threaded_mainloop_unlock(m_loop);
            pa_threaded_mainloop_stop(m_loop);
            m_running = false;
        }
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }

    bool healthy() override { return !m_failed.load(std::memory_order_acquire); }

    void rest(bool on) override {
        if (!m_stream)
            return;
        pa_threaded_mainloop_lock(m_loop);
        // What the server still holds is old silence: drop it, so that the first request on resuming asks for
        // a whole buffer of fresh music.
        if (!on)
            if (pa_operation* o = pa_stream_flush(m_stream, nullptr, nullptr))
                pa_operation_unref(o);
        if (pa_operation* o = pa_stream_cork(m_stream, on ? 1 : 0, nullptr, nullptr))
            pa_operation_unref(o);
        m_resting.store(on, std::memory_order_release);
        pa_threaded_mainloop_unlock(m_loop);
    }
    bool resting() const override { return m_resting.load(std::memory_order_acquire); }
    std::string name() const override { return m_name; }
    uint64_t underflows() const override { return m_underflows.load(std::memory_order_relaxed); }
    int channels() const override { return m_channels; }

private:
    // Under the loop's lock: waits until `done` holds or the server took too long to answer; false then.
    template <class Done> bool waitUntil(Done done) {
        struct Late {
            pa_threaded_mainloop* loop;
            bool passed = false;
        } late{m_loop};
        pa_time_event* timer = pa_context_rttime_new(
            m_context, pa_rtclock_now() + kAnswerLimit,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* user) {
                auto* l = static_cast<Late*>(user);
                l->passed = true;
                pa_threaded_mainloop_signal(l->loop, 0);
            },
            &late);
        if (!timer)
            return false;
        bool ok = true;
        while (!done()) {
            if (late.passed) {
                ok = false;
                break;
            }
            pa_threaded_mainloop_wait(m_loop);
        }
        pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
        return ok;
    }

    // Under the loop's lock: the channels of the sink the stream goes to, 0 when the server does not say, -1
    // when it did not answer in time.
    int sinkChannels() {
        struct Query {
            pa_threaded_mainloop* loop;
            int channels = 0;
            bool done = false;
        } q{m_loop};
        pa_threaded_mainloop_lock(m_loop);
        pa_operation* op = pa_context_get_sink_info_by_name(
            m_context, m_sink.empty() ? "@DEFAULT_SINK@" : m_sink.c_str(),
            [](pa_context*, const pa_sink_info* info, int eol, void* user) {
                auto* q = static_cast<Query*>(user);
                if (eol == 0 && info)
                    q->channels = info->channel_map.channels;
                if (eol != 0)
                    q->done = true;
                pa_threaded_mainloop_signal(q->loop, 0);
            },
            &q);
        const bool answered =
            op && waitUntil([&] { return q.done || pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        if (op) {
            if (!answered)
                pa_operation_cancel(op);
            pa_operation_unref(op);
        }
        pa_threaded_mainloop_unlock(m_loop);
        return op && !answered ? -1 : q.channels;
    }

    static void contextState(pa_context* c, void* user) {
        auto* self = static_cast<PulseOutput*>(user);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(c)))
            self->m_failed.store(true, std::memory_order_release);
        pa_threaded_mainloop_signal(self->m_loop, 0);
    }
    static void streamState(pa_stream* s, void* user) {
        auto* self = static_cast<PulseOutput*>(user);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            self->m_failed.store(true, std::memory_order_release);
        pa_threaded_mainloop_signal(self->m_loop, 0);
    }
    static void underflow(pa_stream*, void* user) {
        static_cast<PulseOutput*>(user)->m_underflows.fetch_add(1, std::memory_order_relaxed);
    }
    // The write callback, just after a write: how long a frame takes from the mix to the listener, told by
    // the output that mixes only (one that was retired, or carries the headphones, is not what the listener
    // hears). The server's buffer runs down from its fullest, now, until the next request refills it, so
    // the latency at a moment of the listener's saw-tooths by the size of a write; the middle of that tooth
    // is what a view that moves smoothly between the decks' positions allows for. pa_stream_get_latency only
    // reads the stream's timing and the clock: no lock, no allocation.
    void tellLatency(pa_stream* s, size_t written) {
        if (m_role != OutputRole::Main || m_mixer.gate.owner() != mixer)
            return;
        pa_usec_t usec = 0;
        int negative = 0;
        if (pa_stream_get_latency(s, &usec, &negative) != 0 || negative)
            return;
        const double half = double(written / m_frameBytes) / (2.0 * m_mixer.rate);
        const double now = std::max(0.0, double(usec) / PA_USEC_PER_SEC - half);
        // The server's requests come in uneven sizes and its timing is interpolated between reports: a
        // second or so of them, averaged, holds a view's play head still.
        m_latency = m_latency < 0 ? now : m_latency + (now - m_latency) / 32.0;
        m_mixer.outputLatency.store(m_latency, std::memory_order_relaxed);
    }

    // The main loop's thread, the audio path: mixes into buffers the server lends; no lock of ours, no
    // allocation, no I/O.
    static void write(pa_stream* s, size_t bytes, void* user) {
        auto* self = static_cast<PulseOutput*>(user);
        const size_t frameBytes = self->m_frameBytes;
        const size_t asked = bytes;
        while (bytes >= frameBytes) {
            void* data = nullptr;
            size_t n = bytes;
            if (pa_stream_begin_write(s, &data, &n) < 0 || !data) {
                self->m_failed.store(true, std::memory_order_release);
                return;
            }
            n -= n % frameBytes;
            if (n == 0) {
                pa_stream_cancel_write(s);
                return;
            }
            auto* out = static_cast<float*>(data);
            const int frames = int(n / frameBytes);
            // Retired, the mix writes silence until the engine disconnects the stream.
            if (self->m_role == OutputRole::Cue)
                self->m_mixer.cue.feed.pull(out, frames);
            else
                self->m_mixer.processDevice(self->mixer, out, frames, self->m_channels);
            if (pa_stream_write(s, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                self->m_failed.store(true, std::memory_order_release);
                return;
            }
            bytes -= std::min(n, bytes);
        }
        self->tellLatency(s, asked - bytes);
    }

    Mixer& m_mixer;
    const int m_latencyMs;
    const std::string m_sink;
    const OutputRole m_role;
    int m_channels = 2;
    size_t m_frameBytes = 2 * sizeof(float);
    double m_latency = -1; // the main loop's thread: the average told, -1 before the first
    std::string m_name;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_running = false;
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_resting{false};
    std::atomic<uint64_t> m_underflows{0};
};

// A short-lived connection for listing sinks; a plain main loop polled with a deadline, so that a server that
// does not answer cannot hold the caller.
class PulseQuery {
public:
    PulseQuery() {
        m_loop = pa_mainloop_new();
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "device list");
        if (m_context && pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    ~PulseQuery() {
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_mainloop_free(m_loop);
    }
    // Runs the loop until `done` holds or the deadline passes; false on failure or timeout.
    template <class Done> bool runUntil(Done done, std::chrono::steady_clock::time_point deadline) {
        while (m_context && !done()) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
                return false;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(m_loop, int(left.count())) < 0 || pa_mainloop_poll(m_loop) < 0 ||
                pa_mainloop_dispatch(m_loop) < 0)
                return false;
        }
        return m_context != nullptr;
    }
    pa_context* context() { return m_context; }

private:
    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
};

struct SinkList {
    std::vector<AudioEngine::DeviceInfo> sinks;
    std::string defaultSink;
    bool sinksDone = false;
    bool serverDone = false;
};

} // namespace

std::unique_ptr<AudioOutput> makePulseOutput(Mixer& mixer, int latencyMs, const std::string& sink,
                                             OutputRole role) {
    auto out = std::make_unique<PulseOutput>(mixer, latencyMs, sink, role);
    if (!out->connect())
        return nullptr;
    return out;
}

void appendPulseDevices(std::vector<AudioEngine::DeviceInfo>& out, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    PulseQuery query;
    if (!query.runUntil([&] { return pa_context_get_state(query.context()) == PA_CONTEXT_READY; }, deadline))
        return;
    SinkList list;
    pa_operation* sinks = pa_context_get_sink_info_list(
        query.context(),
        [](pa_context*, const pa_sink_info* info, int eol, void* user) {
            auto* l = static_cast<SinkList*>(user);
            if (eol != 0) {
                l->sinksDone = true;
                return;
            }
            l->sinks.push_back({std::string("pulse:") + info->name,
                                info->description ? info->description : info->name, false});
        },
        &list);
    pa_operation* server = pa_context_get_server_info(
        query.context(),
        [](pa_context*, const pa_server_info* info, void* user) {
            auto* l = static_cast<SinkList*>(user);
            if (info && info->default_sink_name)
                l->defaultSink = info->default_sink_name;
            l->serverDone = true;
        },
        &list);
    const bool ok = query.runUntil([&] { return list.sinksDone && list.serverDone; }, deadline);
    if (sinks)
        pa_operation_unref(sinks);
    if (server)
        pa_operation_unref(server);
    if (!ok)
        return;
    for (auto& s : list.sinks) {
        s.isDefault = s.id == "pulse:" + list.defaultSink;
        out.push_back(std::move(s));
    }
}

} // namespace platform::media
