#include "media/audioengine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "media/audiothread.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mixer.h"

namespace platform::media {

struct AudioEngine::Impl {
    Impl(const EngineOptions& options, int rate, int period, bool threaded)
        : mixer(options.name, rate, period, threaded), keeper(mixer) {}
    Mixer mixer;
    DeviceKeeper keeper;
    bool offline = false;

    // The keeper first: no output calls back afterwards, so a recording still running is closed as a
    // playable file.
    void shutdown() {
        keeper.shutdown();
        std::lock_guard lk(mixer.recordMutex);
        mixer.recorder.disarm();
        mixer.recorder.finish();
    }
};

namespace {

int heldPeriod(int period) {
    return std::clamp(period, 256, 2048);
}

int heldLatency(int latencyMs) {
    return std::clamp(latencyMs, 10, 200);
}

// Decks convert each song to the engine's rate when they are made, which is before the device answers; the
// servers (and ALSA's plug devices) convert this rate to the sink's own at little cost.
constexpr int kProgramRate = 48000;

} // namespace

AudioEngine::AudioEngine(const EngineOptions& options, int rate, bool threaded)
    : d(std::make_unique<Impl>(options, rate, heldPeriod(options.period), threaded)) {}

AudioEngine::~AudioEngine() {
    d->shutdown();
}

PeakMeter& AudioEngine::masterMeter() {
    return d->mixer.masterMeter;
}

double AudioEngine::outputLatency() const {
    return d->mixer.outputLatency.load(std::memory_order_relaxed);
}

void AudioEngine::setLimiter(bool on) {
    d->mixer.limit.store(on, std::memory_order_relaxed);
}

bool AudioEngine::limiter() const {
    return d->mixer.limit.load(std::memory_order_relaxed);
}

bool AudioEngine::limiting() const {
    return d->mixer.limiting.load(std::memory_order_relaxed);
}

Mixer& AudioEngine::mixer() {
    return d->mixer;
}

DeviceKeeper& AudioEngine::keeper() {
    return d->keeper;
}

AudioEngine& AudioEngine::instance(const EngineOptions& options) {
    static AudioEngine* engine = [&] {
        auto* e = create(options).release();
        // Never destroyed: players of windows that outlive main() may still talk to it on the way out. But
        // its threads end before the process does: a keeper still opening or listing devices (PortAudio
        // loading ALSA's plugins, and GLib with them) would run those libraries' set-up against exit's
        // teardown. Decks keep working without an output; they only stop moving.
        std::atexit([] { instance().d->shutdown(); });
        return e;
    }();
    return *engine;
}

std::unique_ptr<AudioEngine> AudioEngine::create(const EngineOptions& options) {
    std::unique_ptr<AudioEngine> e(new AudioEngine(options, kProgramRate, true));
    e->d->keeper.startProgram(options.device, heldLatency(options.latencyMs));
    return e;
}

void AudioEngine::useDevice(const EngineOptions& options) {
    d->keeper.useDevice(options.device, heldLatency(options.latencyMs));
}

AudioEngine::Status AudioEngine::status() const {
    return d->keeper.status();
}

void AudioEngine::setStatusListener(std::function<void()> listener) {
    d->keeper.setStatusListener(std::move(listener));
}

bool AudioEngine::waitUntilSettled(int timeoutMs) const {
    return d->keeper.waitUntilSettled(timeoutMs);
}

void AudioEngine::requestDevices(QObject* receiver,
                                 std::function<void(const std::vector<DeviceInfo>&)> answer) {
    d->keeper.requestDevices(receiver, std::move(answer));
}

std::vector<AudioEngine::DeviceInfo> AudioEngine::listDevices(int timeoutMs) {
    std::vector<DeviceInfo> out;
    appendPulseDevices(out, timeoutMs);
    const bool serverDefault = !out.empty();
    appendPortAudioDevices(out);
    // The start order's pick: the server's default sink when a server answers, else PortAudio's default.
    if (serverDefault)
        for (DeviceInfo& d : out)
            if (d.id.rfind("portaudio:", 0) == 0)
                d.isDefault = false;
    return out;
}

const AudioEngine::DeviceInfo* AudioEngine::findDevice(const std::vector<DeviceInfo>& devices,
                                                       const std::string& name) {
    for (const DeviceInfo& d : devices)
        if (d.id == name)
            return &d;
    for (const DeviceInfo& d : devices) {
        const auto colon = d.id.find(':');
        if (colon != std::string::npos && d.id.compare(colon + 1, std::string::npos, name) == 0)
            return &d;
    }
    return nullptr;
}

std::unique_ptr<AudioEngine> AudioEngine::createOffline(int rate) {
    return createOffline(rate, Decoding::Inline);
}

std::unique_ptr<AudioEngine> AudioEngine::createOffline(int rate, Decoding decoding) {
    std::unique_ptr<AudioEngine> e(
        new AudioEngine({}, rate > 0 ? rate : 44100, decoding == Decoding::Threads));
    e->d->offline = true;
    // Tests of the mix compare it frame for frame with the decks' own.
    e->setLimiter(false);
    e->d->mixer.offlineMixer = e->d->mixer.gate.handOver();
    return e;
}

std::unique_ptr<AudioEngine>
AudioEngine::createWithOutput(int rate, int period,
                              std::function<std::unique_ptr<AudioOutput>(Mixer&)> device) {
    EngineOptions options;
    options.period = period;
    std::unique_ptr<AudioEngine> e(new AudioEngine(options, rate, true));
    e->d->keeper.startWith(std::move(device));
    // The caller's outputs answer at once: it gets the engine with the first one opened (or found missing).
    e->waitUntilSettled(10000);
    return e;
}

AudioEngine::Output AudioEngine::output() const {
    return d->offline ? Output::Offline : d->keeper.output();
}

int AudioEngine::sampleRate() const {
    return d->mixer.rate;
}

int AudioEngine::period() const {
    return d->mixer.period;
}

void AudioEngine::render(float* out, int frames, float* cue) {
    if (cue)
        std::fill(cue, cue + 2 * std::max(frames, 0), 0.0f);
    if (!d->offline) {
        std::fill(out, out + 2 * std::max(frames, 0), 0.0f);
        return;
    }
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunkFrames, frames - done);
        for (auto& slot : d->mixer.decks) {
            Deck* deck = slot.load(std::memory_order_acquire);
            if (!deck)
                continue;
            deck->dropStale();
            if (!deck->threaded()) {
                deck->fill();
                continue;
            }
            // Offline output waits for the decoder, so that what a test renders does not depend on timing.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!deck->ready(n) && std::chrono::steady_clock::now() < until) {
                deck->wake();
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            }
        }
        // Rendering outruns any disk: waiting for the writer here keeps it from counting as a slow one.
        d->mixer.recorder.waitForRoom(n);
        d->mixer.process(d->mixer.offlineMixer, out + 2 * done, n, cue ? cue + 2 * done : nullptr);
        done += n;
    }
    for (auto& slot : d->mixer.decks)
        if (Deck* deck = slot.load(std::memory_order_acquire))
            deck->postEnds();
}

void AudioEngine::setCue(const CueOptions& options) {
    const CueOptions before = d->mixer.setCueOptions(options);
    const bool fourBefore = before.routing == CueRouting::Channels34;
    const bool fourNow = options.routing == CueRouting::Channels34;
    const bool cueDeviceBefore = before.routing == CueRouting::Device;
    const bool cueDeviceNow = options.routing == CueRouting::Device;
    // Channels 3-4 come and go with the main stream's channel count: the main device is opened again (the
    // null output plays meanwhile). The other routings change in the next pass; a balance alone changes
    // nothing of the devices.
    const bool mainChannels = fourBefore != fourNow;
    const bool cueDevice =
        cueDeviceBefore != cueDeviceNow || (cueDeviceNow && before.device != options.device);
    if (mainChannels || cueDevice)
        d->keeper.cueChanged(mainChannels, cueDevice);
}

AudioEngine::CueOptions AudioEngine::cue() const {
    return d->mixer.cueOptions();
}

void AudioEngine::setKeyLockEngine(KeyLockEngine engine) {
    d->mixer.keyLockEngine.store(int(engine), std::memory_order_relaxed);
}

AudioEngine::KeyLockEngine AudioEngine::keyLockEngine() const {
    return KeyLockEngine(d->mixer.keyLockEngine.load(std::memory_order_relaxed));
}

double AudioEngine::cueDriftPpm() const {
    const CueBus& cue = d->mixer.cue;
    return cue.current() == CueRouting::Device && cue.feed.listening() ? cue.feed.driftPpm() : 0.0;
}

bool AudioEngine::startRecording(const std::string& path, RecordFormat format, std::string* error) {
    if (d->mixer.recorder.onWriterThread()) {
        if (error)
            *error = "A recording cannot be started while the last one is closing.";
        return false;
    }
    std::lock_guard lk(d->mixer.recordMutex);
    // A pass of a recording that stopped by itself may still be inside; it must not write into this one.
    d->mixer.gate.waitForCallbacks();
    if (!d->mixer.recorder.start(path, format, d->mixer.rate, error))
        return false;
    // A resting output mixes again: the recording's time runs from now.
    d->mixer.wakeOutput();
    return true;
}

void AudioEngine::stopRecording() {
    // The listener of a recording that stopped by itself: it has already stopped.
    if (d->mixer.recorder.onWriterThread())
        return;
    std::lock_guard lk(d->mixer.recordMutex);
    d->mixer.recorder.disarm();
    d->mixer.gate.waitForCallbacks();
    d->mixer.recorder.finish();
}

AudioEngine::Recording AudioEngine::recording() const {
    return d->mixer.recorder.state();
}

void AudioEngine::setRecordingListener(std::function<void()> listener) {
    d->mixer.recorder.setListener(std::move(listener));
}

} // namespace platform::media
