#include "media/audioengine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "media/audiothread.h"
#include "media/deck.h"
#include "media/engineimpl.h"

namespace platform::media {

namespace {

int heldPeriod(int period) {
    return std::clamp(period, 256, 2048);
}

class NullOutput final : public AudioOutput {
public:
    explicit NullOutput(AudioEngine::Impl& engine) : m_engine(engine) {}
    ~NullOutput() override { stop(); }
    bool start() override {
        m_quit.store(false);
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        m_engine.interruptWait();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run() {
        using clock = std::chrono::steady_clock;
        const int frames = m_engine.period;
        std::vector<float> buffer(size_t(2 * frames));
        const auto period = std::chrono::duration_cast<clock::duration>(
            std::chrono::duration<double>(double(frames) / m_engine.rate));
        auto next = clock::now();
        while (!m_quit.load(std::memory_order_relaxed)) {
            const auto mix = m_engine.process(mixer, buffer.data(), frames);
            // Handed over to another output: that one mixes now.
            if (mix == AudioEngine::Impl::Mix::Retired)
                return;
            if (mix == AudioEngine::Impl::Mix::Silent) {
                // Nothing plays, so no position moves and no end can come: rest until a deck is given a
                // command, then go on at real-time pace from then.
                m_engine.waitForWork(m_quit);
                next = clock::now();
                continue;
            }
            next += period;
            const auto now = clock::now();
            // After a long stall (a suspended machine), go on from now rather than racing to catch up.
            if (now - next > std::chrono::seconds(1))
                next = now;
            std::this_thread::sleep_until(next);
        }
    }

    AudioEngine::Impl& m_engine;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace

std::unique_ptr<AudioOutput> makeNullOutput(AudioEngine::Impl& engine) {
    return std::make_unique<NullOutput>(engine);
}

bool AudioEngine::Impl::mixDecks(float* out, int frames, float* phones) {
    // The cue mix is made only while a routing takes it and some deck is cued: otherwise it costs one look
    // at each deck's flag.
    float* cueMix = nullptr;
    if (phones) {
        std::fill(phones, phones + 2 * frames, 0.0f);
        for (auto& slot : decks)
            if (Deck* d = slot.load(std::memory_order_seq_cst); d && d->cue())
                cueMix = phones;
    }
    bool playing = false;
    for (auto& slot : decks)
        if (Deck* d = slot.load(std::memory_order_seq_cst)) {
            if (auto hook = passHook.load(std::memory_order_relaxed)) [[unlikely]]
                hook(d);
            d->mix(out, frames, cueMix);
            playing = playing || d->state() == DeckState::Playing;
        }
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = std::min(1.0f, std::max(-1.0f, out[i]));
    // The finished main mix, before any routing spreads it over a device's channels.
    recorder.feed(out, frames);
    if (phones)
        blendPhones(phones, out, cue.balance.load(std::memory_order_relaxed), frames);
    // A recording's clock runs while no deck plays: the output goes on mixing silence instead of resting, so
    // that a pause in a set is a pause in its recording.
    return playing || recorder.armed();
}

AudioEngine::Impl::Mix AudioEngine::Impl::process(uint32_t mixer, float* out, int frames, float* phones) {
    AudioThreadScope scope;
    entered.fetch_add(1, std::memory_order_relaxed);
    std::fill(out, out + 2 * frames, 0.0f);
    if (phones)
        std::fill(phones, phones + 2 * frames, 0.0f);
    if (!gate.enter(mixer))
        return Mix::Retired;
    const bool heard = phones && cue.current() != CueRouting::Off;
    const bool playing = mixDecks(out, frames, heard ? phones : nullptr);
    lastPlaying.store(playing, std::memory_order_relaxed);
    gate.leave();
    return playing ? Mix::Playing : Mix::Silent;
}

AudioEngine::Impl::Mix AudioEngine::Impl::processDevice(uint32_t mixer, float* out, int frames,
                                                        int channels) {
    AudioThreadScope scope;
    entered.fetch_add(1, std::memory_order_relaxed);
    std::fill(out, out + channels * frames, 0.0f);
    if (!gate.enter(mixer))
        return Mix::Retired;
    const CueRouting routing = cue.current();
    const bool routed = routing == CueRouting::Split || routing == CueRouting::Device ||
                        (routing == CueRouting::Channels34 && channels == 4);
    bool playing = false;
    if (!routed && channels == 2) {
        playing = mixDecks(out, frames, nullptr);
    } else {
        float* phones = cue.scratch.data();
        for (int done = 0; done < frames;) {
            const int n = std::min(CueBus::kBlockFrames, frames - done);
            float* block = out + channels * done;
            // The main mix goes to the block's start; routeCue spreads it over the device's channels.
            playing = mixDecks(block, n, routed ? phones : nullptr) || playing;
            if (routing == CueRouting::Device)
                cue.feed.push(phones, n);
            routeCue(routing, block, routed ? phones : nullptr, block, n, channels);
            done += n;
        }
    }
    lastPlaying.store(playing, std::memory_order_relaxed);
    gate.leave();
    return playing ? Mix::Playing : Mix::Silent;
}

void AudioEngine::Impl::say(const char* text) const {
    if (name.empty())
        std::fprintf(stderr, "%s\n", text);
    else
        std::fprintf(stderr, "%s: %s\n", name.c_str(), text);
}

void AudioEngine::Impl::wakeOutput() {
    {
        std::lock_guard lk(restMutex);
        ++wakes;
        if (restable && restable->resting())
            restable->rest(false);
    }
    {
        std::lock_guard lk(idleMutex);
        workPending = true;
    }
    idleWake.notify_all();
    // A watchdog asleep beside a resting device judges the device again from now on.
    {
        std::lock_guard lk(supervisorMutex);
        commanded = true;
    }
    supervisorWake.notify_all();
}

void AudioEngine::Impl::interruptWait() {
    {
        // Under the lock, so that a waiter between its check and its wait cannot miss the stop.
        std::lock_guard lk(idleMutex);
    }
    idleWake.notify_all();
}

void AudioEngine::Impl::waitForWork(const std::atomic<bool>& stop) {
    std::unique_lock lk(idleMutex);
    idleWake.wait(lk, [&] { return workPending || stop.load(std::memory_order_acquire); });
    workPending = false;
}

void AudioEngine::Impl::addDeck(Deck* deck) {
    assertNotAudioThread();
    for (auto& slot : decks) {
        Deck* expected = nullptr;
        if (slot.compare_exchange_strong(expected, deck)) {
            deck->setWakeHook([](void* engine) { static_cast<Impl*>(engine)->wakeOutput(); }, this);
            // The new deck may have been loaded already: let a resting output drop what it made stale.
            wakeOutput();
            return;
        }
    }
    // More decks than slots: the deck stays silent rather than growing anything the callback reads.
    say("too many media players; this one stays silent.");
}

void AudioEngine::Impl::removeDeck(Deck* deck) {
    assertNotAudioThread();
    deck->setWakeHook(nullptr, nullptr);
    for (auto& slot : decks) {
        Deck* expected = deck;
        slot.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst);
    }
    // The deck is out of every slot: a callback that enters from now on cannot find it, and one already
    // inside may hold it until it leaves. The owner frees the deck after this returns.
    gate.waitForCallbacks();
}

void AudioEngine::Impl::startNull() {
    if (nullOutput)
        nullOutput->stop();
    nullOutput = makeNullOutput(*this);
    handOverTo(*nullOutput);
    nullOutput->start();
    output = Output::Null;
}

void AudioEngine::Impl::publish(const Status& status) {
    {
        std::lock_guard lk(statusMutex);
        current = status;
    }
    statusChanged.notify_all();
    std::lock_guard lk(listenerMutex);
    if (listener)
        listener();
}

void AudioEngine::Impl::switchToNull(const char* why) {
    std::lock_guard lk(outputMutex);
    if (output != Output::Device)
        return;
    if (why) {
        const std::string line = std::string(why) + "; playing on without sound.";
        say(line.c_str());
    }
    // The hand-over retires the device and waits for a callback of it still inside process() to leave.
    startNull();
}

// Watchdog thread. The mix is the device's from its start: a device in a server's start-up pause holds the
// decks where they are rather than letting the null output play them unheard.
bool AudioEngine::Impl::goLive(std::unique_ptr<AudioOutput> dev) {
    if (!dev)
        return false;
    // Opening may take a while (a server's round trips, ALSA's probing): outputMutex is not held meanwhile,
    // as only this thread changes the outputs.
    handOverTo(*dev);
    if (!dev->start()) {
        std::lock_guard lk(outputMutex);
        startNull();
        return false;
    }
    // Retired by the hand-over, the null output's thread ends by itself, or on stop() when it rested.
    if (nullOutput)
        nullOutput->stop();
    {
        std::lock_guard lk(outputMutex);
        nullOutput.reset();
        device = std::move(dev);
        output = Output::Device;
    }
    std::lock_guard rest(restMutex);
    restable = device.get();
    return true;
}

// Watchdog thread: the null output takes over and the device is closed.
void AudioEngine::Impl::dropDevice(const char* why) {
    {
        std::lock_guard lk(restMutex);
        restable = nullptr;
    }
    switchToNull(why);
    std::unique_ptr<AudioOutput> old;
    {
        std::lock_guard lk(outputMutex);
        old = std::move(device);
    }
    if (old)
        old->stop();
}

// Watchdog thread. The cue device's clock runs free of the main one's: the feed holds a ring of about twice
// the latency asked for, enough for both servers' bursts, and converts its way through any drift.
void AudioEngine::Impl::reopenCue(bool retry) {
    if (cueDevice) {
        cueDevice->stop();
        cueDevice.reset();
    }
    cue.feed.close();
    CueOptions options;
    {
        std::lock_guard lk(cueMutex);
        options = cueOptions;
    }
    if (options.routing != CueRouting::Device)
        return;
    std::unique_ptr<AudioOutput> dev;
    const auto devices = AudioEngine::listDevices();
    const DeviceInfo* found =
        options.device.empty() ? nullptr : AudioEngine::findDevice(devices, options.device);
    if (found && found->id.rfind("portaudio:", 0) == 0)
        dev = makePortAudioOutput(*this, found->id.substr(10), OutputRole::Cue);
    else if (found || options.device.empty())
        dev = makePulseOutput(*this, found ? found->id.substr(6) : std::string(), OutputRole::Cue);
    const int target = int(int64_t(rate) * (2 * latencyMs + 20) / 1000);
    const std::string shown = options.device.empty() ? std::string("(default)") : options.device;
    if (!dev || !cue.feed.open(rate, target) || !dev->start()) {
        cue.feed.close();
        if (dev)
            dev->stop();
        if (!retry) {
            const std::string line =
                "the headphone device " + shown + " cannot be opened; the cue is not heard.";
            say(line.c_str());
            cueRetryDelay = std::chrono::seconds(2);
        } else {
            cueRetryDelay =
                std::min<std::chrono::steady_clock::duration>(2 * cueRetryDelay, std::chrono::seconds(30));
        }
        cueRetryAt = std::chrono::steady_clock::now() + cueRetryDelay;
        return;
    }
    if (retry) {
        const std::string line = "the headphones are back on " + shown + ".";
        say(line.c_str());
    }
    cueDevice = std::move(dev);
}

void AudioEngine::Impl::watchCue() {
    if (cue.current() != CueRouting::Device || std::chrono::steady_clock::now() < cueRetryAt)
        return;
    if (!cueDevice) {
        reopenCue(true);
    } else if (!cueDevice->healthy()) {
        say("the headphone device failed; trying it again.");
        cueRetryDelay = std::chrono::seconds(1);
        reopenCue(true);
    }
}

void AudioEngine::Impl::startSupervised(OutputFactory open, bool say) {
    startNull();
    opener = std::move(open);
    sayWhenMissing = say;
    current.opening = true;
    watchdog = std::thread([this] { supervise(); });
}

void AudioEngine::Impl::supervise() {
    using clock = std::chrono::steady_clock;
    auto nextTry = clock::now();
    auto retryDelay = clock::duration(kRetryFirst);
    auto lastTaken = clock::now();
    auto lastPlayed = clock::now();
    auto lastLook = clock::now();
    auto lastActive = clock::now(); // a deck played or was given a command
    uint64_t seen = 0;
    uint64_t wakesSeen = 0;
    uint64_t mixedAtWake = 0;
    bool firstTry = true;
    bool failedBefore = false;
    std::string name;
    std::string missing;
    std::unique_lock lk(supervisorMutex);
    while (!quit.load()) {
        looks.fetch_add(1, std::memory_order_relaxed);
        if (cuePending) {
            cuePending = false;
            lk.unlock();
            reopenCue();
            lk.lock();
        }
        if (requestPending) {
            requestPending = false;
            opener = std::move(requested);
            lk.unlock();
            dropDevice(nullptr);
            lk.lock();
            firstTry = true;
            failedBefore = false;
            nextTry = clock::now();
            retryDelay = kRetryFirst;
        }
        const bool live = output == Output::Device;
        if (!live && opener && clock::now() >= nextTry) {
            OutputFactory open = opener;
            lk.unlock();
            missingDevice.clear();
            const bool ok = goLive(open(*this));
            lk.lock();
            missing = missingDevice;
            if (ok) {
                name = device->name();
                if (failedBefore) {
                    const std::string line = "sound is back on " + name + ".";
                    say(line.c_str());
                }
                failedBefore = false;
                retryDelay = kRetryFirst;
                seen = entered.load();
                lastTaken = lastPlayed = clock::now();
                publish({false, true, name, missing});
            } else {
                if (firstTry) {
                    if (sayWhenMissing && !toldNull)
                        say("no sound device; playing without sound.");
                    toldNull = true;
                    publish({false, false, name, missing});
                }
                nextTry = clock::now() + retryDelay;
                retryDelay = std::min<clock::duration>(retryDelay * 2, kRetryMost);
            }
            firstTry = false;
        } else if (!opener && firstTry) {
            firstTry = false;
            publish({false, false, {}, {}});
        } else if (live) {
            lk.unlock();
            watchCue();
            lk.lock();
            const auto now = clock::now();
            // A watchdog that itself overslept (a suspended machine, a stopped process) has seen nothing of
            // the device; it starts counting afresh rather than blaming the device.
            if (now - lastLook > kSilenceLimit / 2)
                lastTaken = now;
            const uint64_t calls = entered.load();
            if (calls != seen || device->resting()) {
                seen = calls;
                lastTaken = now;
            }
            if (lastPlaying.load(std::memory_order_relaxed))
                lastPlayed = now;
            const bool silent = now - lastTaken > kSilenceLimit;
            if (silent || !device->healthy()) {
                lk.unlock();
                dropDevice(silent ? "the sound device stopped" : "the sound device failed");
                lk.lock();
                failedBefore = true;
                nextTry = clock::now() + retryDelay;
                publish({false, false, name, missing});
            } else if (now - lastPlayed > kRestAfter && !device->resting()) {
                std::lock_guard rest(restMutex);
                // Only what the mix saw after the last command counts: a stream in a server's start-up pause
                // has not mixed since "play", and resting it then would keep it silent.
                if (wakes == wakesSeen && calls > mixedAtWake + 1 &&
                    !lastPlaying.load(std::memory_order_relaxed))
                    device->rest(true);
            }
            {
                std::lock_guard rest(restMutex);
                if (wakes != wakesSeen) {
                    lastPlayed = now;
                    mixedAtWake = entered.load();
                }
                wakesSeen = wakes;
            }
        }
        lastLook = clock::now();
        // Looking costs a wake-up, and an attempt to open a device costs PortAudio's probe of every card
        // (tens of milliseconds): both are done only while they can matter. A resting device is not judged;
        // without a device, attempts go on (backing off) while a deck plays or soon after a command, and
        // otherwise wait for the next command. A command or a request ends any wait early.
        if (lastPlaying.load(std::memory_order_relaxed))
            lastActive = lastLook;
        const bool watching = output == Output::Device && !device->resting();
        const bool retrying = output != Output::Device && opener && lastLook - lastActive < kRestAfter;
        const auto until = watching   ? lastLook + kWatchInterval
                           : retrying ? std::max(nextTry, lastLook)
                                      : clock::time_point::max();
        const auto woken = [this] { return quit.load() || requestPending || cuePending || commanded; };
        if (until == clock::time_point::max())
            supervisorWake.wait(lk, woken);
        else
            supervisorWake.wait_until(lk, until, woken);
        if (commanded)
            lastActive = clock::now();
        commanded = false;
    }
}

void AudioEngine::Impl::shutdown() {
    {
        std::lock_guard lk(supervisorMutex);
        quit.store(true);
    }
    supervisorWake.notify_all();
    if (watchdog.joinable())
        watchdog.join();
    if (cueDevice) {
        cueDevice->stop();
        cueDevice.reset();
        cue.feed.close();
    }
    {
        std::lock_guard lk(restMutex);
        restable = nullptr;
    }
    if (nullOutput)
        nullOutput->stop();
    if (device)
        device->stop();
    nullOutput.reset();
    device.reset();
    // No output calls back any more: a recording still running at exit is closed as a playable file.
    std::lock_guard lk(recordMutex);
    recorder.disarm();
    recorder.finish();
}

AudioEngine::AudioEngine() : d(std::make_unique<Impl>()) {}

AudioEngine::~AudioEngine() {
    d->shutdown();
}

namespace {

// Decks convert each song to the engine's rate when they are made, which is before the device answers; the
// servers (and ALSA's plug devices) convert this rate to the sink's own at little cost.
constexpr int kProgramRate = 48000;

OutputFactory factoryFor(const std::string& device) {
    if (device.empty())
        return [](AudioEngine::Impl& e) { return makeDefaultOutput(e); };
    return [device](AudioEngine::Impl& e) -> std::unique_ptr<AudioOutput> {
        const auto devices = AudioEngine::listDevices();
        const AudioEngine::DeviceInfo* found = AudioEngine::findDevice(devices, device);
        if (!found) {
            // Gone since it was chosen: the start order plays, and the host says so.
            e.missingDevice = device;
            return makeDefaultOutput(e);
        }
        const std::string& id = found->id;
        if (id.rfind("pulse:", 0) == 0)
            return makePulseOutput(e, id.substr(6));
        return makePortAudioOutput(e, id.substr(10));
    };
}

} // namespace

AudioEngine& AudioEngine::instance(const EngineOptions& options) {
    static AudioEngine* engine = [&] {
        auto* e = create(options).release();
        // Never destroyed: players of windows that outlive main() may still talk to it on the way out. But
        // its threads end before the process does: a watchdog still opening a device (PortAudio loading
        // ALSA's plugins, and GLib with them) would run those libraries' set-up against exit's teardown.
        // Decks keep working without an output; they only stop moving.
        std::atexit([] { instance().d->shutdown(); });
        return e;
    }();
    return *engine;
}

std::unique_ptr<AudioEngine> AudioEngine::create(const EngineOptions& options) {
    std::unique_ptr<AudioEngine> e(new AudioEngine);
    e->d->name = options.name;
    e->d->rate = kProgramRate;
    e->d->period = heldPeriod(options.period);
    e->d->threaded = true;
    e->d->latencyMs = std::clamp(options.latencyMs, 10, 200);
    e->d->startSupervised(factoryFor(options.device), true);
    return e;
}

void AudioEngine::useDevice(const EngineOptions& options) {
    {
        std::lock_guard lk(d->supervisorMutex);
        d->latencyMs = std::clamp(options.latencyMs, 10, 200);
        d->requested = factoryFor(options.device);
        d->requestPending = true;
    }
    d->supervisorWake.notify_all();
}

AudioEngine::Status AudioEngine::status() const {
    std::lock_guard lk(d->statusMutex);
    return d->current;
}

void AudioEngine::setStatusListener(std::function<void()> listener) {
    std::lock_guard lk(d->listenerMutex);
    d->listener = std::move(listener);
}

bool AudioEngine::waitUntilSettled(int timeoutMs) const {
    std::unique_lock lk(d->statusMutex);
    return d->statusChanged.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                                     [this] { return !d->current.opening; });
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
    std::unique_ptr<AudioEngine> e(new AudioEngine);
    e->d->output = Output::Offline;
    e->d->rate = rate > 0 ? rate : 44100;
    e->d->threaded = decoding == Decoding::Threads;
    e->d->offlineMixer = e->d->gate.handOver();
    return e;
}

std::unique_ptr<AudioEngine>
AudioEngine::createWithOutput(int rate, int period,
                              std::function<std::unique_ptr<AudioOutput>(Impl&)> device) {
    std::unique_ptr<AudioEngine> e(new AudioEngine);
    e->d->rate = rate;
    e->d->period = heldPeriod(period);
    e->d->threaded = true;
    e->d->startSupervised(std::move(device), false);
    // The caller's outputs answer at once: it gets the engine with the first one opened (or found missing).
    e->waitUntilSettled(10000);
    return e;
}

AudioEngine::Output AudioEngine::output() const {
    std::lock_guard lk(d->outputMutex);
    return d->output;
}

int AudioEngine::sampleRate() const {
    return d->rate;
}

int AudioEngine::period() const {
    return d->period;
}

void AudioEngine::render(float* out, int frames, float* cue) {
    if (cue)
        std::fill(cue, cue + 2 * std::max(frames, 0), 0.0f);
    if (d->output != Output::Offline) {
        std::fill(out, out + 2 * std::max(frames, 0), 0.0f);
        return;
    }
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunkFrames, frames - done);
        for (auto& slot : d->decks) {
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
        d->recorder.waitForRoom(n);
        d->process(d->offlineMixer, out + 2 * done, n, cue ? cue + 2 * done : nullptr);
        done += n;
    }
    for (auto& slot : d->decks)
        if (Deck* deck = slot.load(std::memory_order_acquire))
            deck->postEnds();
}

void AudioEngine::setCue(const CueOptions& options) {
    assertNotAudioThread();
    CueOptions before;
    {
        std::lock_guard lk(d->cueMutex);
        before = d->cueOptions;
        d->cueOptions = options;
        d->cueOptions.balance =
            std::isfinite(options.balance) ? std::clamp(options.balance, 0.0f, 1.0f) : 0.0f;
        d->cue.balance.store(d->cueOptions.balance, std::memory_order_relaxed);
        d->cue.routing.store(int(options.routing), std::memory_order_relaxed);
    }
    const bool fourBefore = before.routing == CueRouting::Channels34;
    const bool fourNow = options.routing == CueRouting::Channels34;
    const bool cueDeviceBefore = before.routing == CueRouting::Device;
    const bool cueDeviceNow = options.routing == CueRouting::Device;
    {
        std::lock_guard lk(d->supervisorMutex);
        // Channels 3-4 come and go with the main stream's channel count: the main device is opened again
        // (the null output plays meanwhile). The other routings change in the next pass.
        if (fourBefore != fourNow && d->opener && !d->requestPending) {
            d->requested = d->opener;
            d->requestPending = true;
        }
        if (cueDeviceBefore != cueDeviceNow || (cueDeviceNow && before.device != options.device))
            d->cuePending = true;
    }
    d->supervisorWake.notify_all();
}

AudioEngine::CueOptions AudioEngine::cue() const {
    std::lock_guard lk(d->cueMutex);
    return d->cueOptions;
}

double AudioEngine::cueDriftPpm() const {
    return d->cue.current() == CueRouting::Device && d->cue.feed.listening() ? d->cue.feed.driftPpm() : 0.0;
}

bool AudioEngine::startRecording(const std::string& path, RecordFormat format, std::string* error) {
    if (d->recorder.onWriterThread()) {
        if (error)
            *error = "A recording cannot be started while the last one is closing.";
        return false;
    }
    std::lock_guard lk(d->recordMutex);
    // A pass of a recording that stopped by itself may still be inside; it must not write into this one.
    d->gate.waitForCallbacks();
    if (!d->recorder.start(path, format, d->rate, error))
        return false;
    // A resting output mixes again: the recording's time runs from now.
    d->wakeOutput();
    return true;
}

void AudioEngine::stopRecording() {
    // The listener of a recording that stopped by itself: it has already stopped.
    if (d->recorder.onWriterThread())
        return;
    std::lock_guard lk(d->recordMutex);
    d->recorder.disarm();
    d->gate.waitForCallbacks();
    d->recorder.finish();
}

AudioEngine::Recording AudioEngine::recording() const {
    return d->recorder.state();
}

void AudioEngine::setRecordingListener(std::function<void()> listener) {
    d->recorder.setListener(std::move(listener));
}

} // namespace platform::media
