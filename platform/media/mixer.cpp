#include "media/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "media/audiooutput.h"
#include "media/deck.h"

namespace platform::media {

namespace {
constexpr double kBalanceRampSeconds = 0.005;

void clamp(float* samples, int count) {
    for (int i = 0; i < count; ++i)
        samples[i] = std::min(1.0f, std::max(-1.0f, samples[i]));
}
} // namespace

Mixer::Mixer(std::string name_, int rate_, int period_, bool threaded_)
    : name(std::move(name_)), rate(rate_), period(period_), threaded(threaded_), m_limiter(rate_),
      m_phonesLimiter(rate_), m_balance(std::max(1, int(std::lround(rate_ * kBalanceRampSeconds)))) {}

void Mixer::handOverTo(AudioOutput& next) {
    next.mixer = gate.handOver();
}

bool Mixer::mixDecks(float* out, int frames, float* phones) {
    // The cue mix is made only while a routing takes it and some deck is cued: otherwise it costs one look
    // at each deck's flag.
    float* cueMix = nullptr;
    if (phones) {
        std::fill(phones, phones + 2 * frames, 0.0f);
        for (auto& slot : decks)
            if (Deck* d = slot.load(std::memory_order_seq_cst); d && d->inCue())
                cueMix = phones;
    }
    bool playing = false;
    const bool fine = keyLockEngine.load(std::memory_order_relaxed) == int(AudioEngine::KeyLockEngine::Fine);
    for (auto& slot : decks)
        if (Deck* d = slot.load(std::memory_order_seq_cst)) {
            if (auto hook = passHook.load(std::memory_order_relaxed)) [[unlikely]]
                hook(d);
            d->mix(out, frames, cueMix, fine);
            playing = playing || d->state() == DeckState::Playing;
        }
    // The master meter reads the sum before the limiter, so that a mix driven past full scale says so.
    float peakL = 0.0f, peakR = 0.0f;
    for (int i = 0; i < frames; ++i) {
        peakL = std::max(peakL, std::fabs(out[2 * i]));
        peakR = std::max(peakR, std::fabs(out[2 * i + 1]));
    }
    masterMeter.record(peakL, peakR);
    // The headphones blend the main mix before its limiter: each goes through one limiter, and both come out
    // the same latency later.
    const float balance = cue.balance.load(std::memory_order_relaxed);
    // Headphones that were silent until now have nothing to slide from.
    if (phones && m_phonesMade)
        m_balance.setTarget(balance);
    else
        m_balance.jump(balance);
    if (phones)
        blendPhones(phones, out, m_balance, frames);
    m_phonesMade = phones != nullptr;
    const bool limit = this->limit.load(std::memory_order_relaxed);
    if (limit) {
        if (!m_limited)
            m_limiter.reset();
        m_limiter.process(out, frames);
        if (phones) {
            if (!m_phonesLimited)
                m_phonesLimiter.reset();
            m_phonesLimiter.process(phones, frames);
        }
    }
    m_limited = limit;
    m_phonesLimited = limit && phones;
    limiting.store(limit && m_limiter.leastGain() < 1.0f, std::memory_order_relaxed);
    // Whatever got past: a sample beyond full scale would wrap or distort in the device.
    clamp(out, 2 * frames);
    if (phones)
        clamp(phones, 2 * frames);
    // The finished main mix, before any routing spreads it over a device's channels.
    recorder.feed(out, frames);
    // A recording's clock runs while no deck plays: the output goes on mixing silence instead of resting, so
    // that a pause in a set is a pause in its recording.
    return playing || recorder.armed();
}

Mixer::Mix Mixer::process(uint32_t mixer, float* out, int frames, float* phones) {
    AudioThreadScope scope;
    entered.fetch_add(1, std::memory_order_relaxed);
    std::fill(out, out + 2 * frames, 0.0f);
    if (phones)
        std::fill(phones, phones + 2 * frames, 0.0f);
    if (!gate.enter(mixer))
        return Mix::Retired;
    const bool heard = phones && cue.current() != AudioEngine::CueRouting::Off;
    const bool playing = mixDecks(out, frames, heard ? phones : nullptr);
    lastPlaying.store(playing, std::memory_order_relaxed);
    gate.leave();
    return playing ? Mix::Playing : Mix::Silent;
}

Mixer::Mix Mixer::processDevice(uint32_t mixer, float* out, int frames, int channels) {
    using CueRouting = AudioEngine::CueRouting;
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

void Mixer::say(const char* text) const {
    if (name.empty())
        std::fprintf(stderr, "%s\n", text);
    else
        std::fprintf(stderr, "%s: %s\n", name.c_str(), text);
}

void Mixer::wakeOutput() {
    {
        std::lock_guard lk(m_idleMutex);
        m_workPending = true;
    }
    m_idleWake.notify_all();
    if (m_commandHook)
        m_commandHook(m_commandContext);
}

void Mixer::interruptWait() {
    {
        // Under the lock, so that a waiter between its check and its wait cannot miss the stop.
        std::lock_guard lk(m_idleMutex);
    }
    m_idleWake.notify_all();
}

void Mixer::waitForWork(const std::atomic<bool>& stop) {
    std::unique_lock lk(m_idleMutex);
    m_idleWake.wait(lk, [&] { return m_workPending || stop.load(std::memory_order_acquire); });
    m_workPending = false;
}

void Mixer::addDeck(Deck* deck) {
    assertNotAudioThread();
    for (auto& slot : decks) {
        Deck* expected = nullptr;
        if (slot.compare_exchange_strong(expected, deck)) {
            deck->setWakeHook([](void* mixer) { static_cast<Mixer*>(mixer)->wakeOutput(); }, this);
            // The new deck may have been loaded already: let a resting output drop what it made stale.
            wakeOutput();
            return;
        }
    }
    // More decks than slots: the deck stays silent rather than growing anything the callback reads.
    say("too many media players; this one stays silent.");
}

void Mixer::removeDeck(Deck* deck) {
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

AudioEngine::CueOptions Mixer::setCueOptions(const AudioEngine::CueOptions& options) {
    assertNotAudioThread();
    std::lock_guard lk(m_cueMutex);
    const AudioEngine::CueOptions before = m_cueOptions;
    m_cueOptions = options;
    m_cueOptions.balance = std::isfinite(options.balance) ? std::clamp(options.balance, 0.0f, 1.0f) : 0.0f;
    cue.balance.store(m_cueOptions.balance, std::memory_order_relaxed);
    cue.routing.store(int(options.routing), std::memory_order_relaxed);
    return before;
}

AudioEngine::CueOptions Mixer::cueOptions() const {
    std::lock_guard lk(m_cueMutex);
    return m_cueOptions;
}

} // namespace platform::media
