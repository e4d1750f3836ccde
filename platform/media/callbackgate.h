#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace platform::media {

// The one door between the audio callback and the threads that retire what it reads. Which output may mix,
// whether its callback is inside the mix, and how many passes have ended live in one word, so that a retiring
// thread and a callback cannot both miss each other: a callback that enters after a deck was unpublished no
// longer finds it, and one that entered before holds the retiring thread until it leaves, however long that
// takes. Nothing here gives up on a timer.
class CallbackGate {
public:
    // Audio thread: enters the mix as `mixer`. False when the mix was never handed to it (0 is no one) or has
    // been handed to another output since; the caller then writes silence. Lock-free, no syscall.
    bool enter(uint32_t mixer) {
        uint64_t w = m_word.load(std::memory_order_seq_cst);
        for (;;) {
            if (mixer == 0 || ownerOf(w) != mixer || (w & kInside))
                return false;
            if (m_word.compare_exchange_weak(w, w | kInside, std::memory_order_seq_cst))
                return true;
        }
    }
    // Audio thread: leaves the mix entered with enter().
    void leave() { m_word.fetch_add(kPass - kInside, std::memory_order_seq_cst); }

    // Any non-audio thread: gives the mix to a new output and returns the identity it mixes as. Returns once
    // no callback of an earlier output is inside, so that two outputs never consume the decks' rings at once.
    uint32_t handOver() {
        const uint32_t next = m_nextMixer.fetch_add(1, std::memory_order_relaxed) & kOwnerLimit;
        uint64_t w = m_word.load(std::memory_order_seq_cst);
        for (;;) {
            if (w & kInside) {
                pause();
                w = m_word.load(std::memory_order_seq_cst);
                continue;
            }
            const uint64_t handed = (w & ~kOwnerMask) | (uint64_t(next) << 1);
            if (m_word.compare_exchange_weak(w, handed, std::memory_order_seq_cst))
                return next;
        }
    }

    // Any non-audio thread: returns once the callback that was inside at the call (if any) has left. Whatever
    // the caller unpublished before the call is then out of the mix's reach and may be freed.
    void waitForCallbacks() const {
        const uint64_t w = m_word.load(std::memory_order_seq_cst);
        if (!(w & kInside))
            return;
        // While a callback is inside only its leave can change the word (a hand-over waits for it too).
        while (m_word.load(std::memory_order_seq_cst) == w)
            pause();
    }

    // Any thread: the output that may mix now (0: none yet).
    uint32_t owner() const { return ownerOf(m_word.load(std::memory_order_relaxed)); }

    // Passes that have ended: a measure of whether an output still calls back.
    uint64_t passes() const { return m_word.load(std::memory_order_relaxed) >> 32; }
    bool inside() const { return m_word.load(std::memory_order_relaxed) & kInside; }

private:
    static constexpr uint64_t kInside = 1;
    static constexpr uint64_t kOwnerMask = 0xFFFFFFFEull; // bits 1..31: the output that may mix
    static constexpr uint32_t kOwnerLimit = 0x7FFFFFFF;
    static constexpr uint64_t kPass = uint64_t(1) << 32; // bits 32..63: passes ended
    static uint32_t ownerOf(uint64_t w) { return uint32_t((w & kOwnerMask) >> 1); }
    // The waiting side is never the audio thread; a callback stays inside for a period at most (bar faults),
    // so a short sleep keeps the wait cheap without a wake-up the audio thread would have to send.
    static void pause() { std::this_thread::sleep_for(std::chrono::microseconds(100)); }

    static_assert(std::atomic<uint64_t>::is_always_lock_free, "the audio thread cannot wait on a lock");
    std::atomic<uint64_t> m_word{0};
    std::atomic<uint32_t> m_nextMixer{1};
};

} // namespace platform::media
