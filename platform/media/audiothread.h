#pragma once

#include <atomic>
#include <cassert>
#include <mutex>

namespace platform::media {

// Marks the thread that runs the mix while it mixes. The lock and allocation helpers check it: under the
// DECKMORA_RT_GUARD build option a lock or an allocation there aborts with the function named; otherwise
// debug builds assert.
inline thread_local bool t_audioThread = false;

// The fences keep the compiler from moving the marks past calls it believes touch no memory of ours (malloc).
struct AudioThreadScope {
    AudioThreadScope() {
        t_audioThread = true;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    ~AudioThreadScope() {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        t_audioThread = false;
    }
    AudioThreadScope(const AudioThreadScope&) = delete;
    AudioThreadScope& operator=(const AudioThreadScope&) = delete;
};

#ifdef DECKMORA_RT_GUARD
// Says on standard error that `what` ran on the audio thread, prints the stack, and aborts.
[[noreturn]] void audioThreadViolation(const char* what);

inline void assertNotAudioThread(const char* where = __builtin_FUNCTION()) {
    if (t_audioThread) [[unlikely]]
        audioThreadViolation(where);
}
#else
// Called by every function that locks or allocates on the decks' behalf; names itself by default.
inline void assertNotAudioThread(const char* = __builtin_FUNCTION()) {
    assert(!t_audioThread && "audio thread: no locks, no allocation");
}
#endif

// The engine's mutex: the audio thread must never take one, and under the guard taking it there aborts.
class CheckedMutex {
public:
    void lock() {
        assertNotAudioThread("CheckedMutex::lock");
        m_mutex.lock();
    }
    bool try_lock() {
        assertNotAudioThread("CheckedMutex::try_lock");
        return m_mutex.try_lock();
    }
    void unlock() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

} // namespace platform::media
