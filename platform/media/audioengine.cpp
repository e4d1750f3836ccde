#include "media/audioengine.h"

#include <algorithm>
#include <chrono>
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

AudioEngine::Impl::Mix AudioEngine::Impl::process(uint32_t mixer, float* out, int frames) {
    AudioThreadScope scope;
    entered.fetch_add(1, std::memory_order_relaxed);
    std::fill(out, out + 2 * frames, 0.0f);
    if (!gate.enter(mixer))
        return Mix::Retired;
    bool playing = false;
    for (auto& slot : decks)
        if (Deck* d = slot.load(std::memory_order_seq_cst)) {
            if (auto hook = passHook.load(std::memory_order_relaxed)) [[unlikely]]
                hook(d);
            d->mix(out, frames);
            playing = playing || d->state() == DeckState::Playing;
        }
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = std::min(1.0f, std::max(-1.0f, out[i]));
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
        std::lock_guard lk(idleMutex);
        workPending = true;
    }
    idleWake.notify_all();
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

void AudioEngine::Impl::switchToNull(const char* why) {
    std::lock_guard lk(outputMutex);
    if (output != Output::Device)
        return;
    const std::string line = std::string(why) + "; playing on without sound.";
    say(line.c_str());
    // The hand-over retires the device and waits for a callback of it still inside process() to leave.
    startNull();
}

void AudioEngine::Impl::startDevice(std::unique_ptr<AudioOutput> dev, bool sayWhenMissing) {
    if (dev)
        handOverTo(*dev);
    if (dev && dev->start()) {
        device = std::move(dev);
        output = Output::Device;
        watchdog = std::thread([this] {
            using clock = std::chrono::steady_clock;
            const auto periodTime = std::chrono::duration<double>(double(period) / rate);
            const auto allowed = std::chrono::duration_cast<clock::duration>(periodTime * 4);
            uint64_t seen = entered.load();
            auto lastChange = clock::now();
            bool started = false;
            while (!quit.load()) {
                const auto before = clock::now();
                std::this_thread::sleep_for(std::chrono::duration_cast<clock::duration>(periodTime));
                // A watchdog that itself overslept (a suspended machine, a stopped process) has seen nothing
                // of the device; it starts counting afresh rather than blaming the device.
                if (clock::now() - before > allowed)
                    lastChange = clock::now();
                const uint64_t now = entered.load();
                if (now != seen) {
                    seen = now;
                    lastChange = clock::now();
                    started = true;
                }
                const bool stalled =
                    clock::now() - lastChange > (started ? allowed : std::chrono::seconds(2));
                if (stalled || !device->healthy()) {
                    switchToNull(stalled ? "the sound device stopped" : "the sound device failed");
                    device->stop();
                    return;
                }
            }
        });
        return;
    }
    if (sayWhenMissing)
        say("no sound device; playing without sound.");
    startNull();
}

void AudioEngine::Impl::shutdown() {
    quit.store(true);
    if (watchdog.joinable())
        watchdog.join();
    if (nullOutput)
        nullOutput->stop();
    if (device)
        device->stop();
    nullOutput.reset();
    device.reset();
}

AudioEngine::AudioEngine() : d(std::make_unique<Impl>()) {}

AudioEngine::~AudioEngine() {
    d->shutdown();
}

AudioEngine& AudioEngine::instance(const EngineOptions& options) {
    static AudioEngine* engine = [&] {
        auto* e = new AudioEngine;
        e->d->name = options.name;
        e->d->period = heldPeriod(options.period);
        e->d->threaded = true;
        e->d->startDevice(makeDeviceOutput(*e->d), true);
        return e;
    }();
    // Never destroyed: players of windows that outlive main() may still talk to it on the way out.
    return *engine;
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
    e->d->startDevice(device ? device(*e->d) : nullptr, false);
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

void AudioEngine::render(float* out, int frames) {
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
        d->process(d->offlineMixer, out + 2 * done, n);
        done += n;
    }
    for (auto& slot : d->decks)
        if (Deck* deck = slot.load(std::memory_order_acquire))
            deck->postEnds();
}

} // namespace platform::media
