#pragma once

#include <cassert>

namespace platform::media {

// Marks the thread that runs the mix, so that debug builds catch a lock or an allocation made on it.
inline thread_local bool t_audioThread = false;

struct AudioThreadScope {
    AudioThreadScope() { t_audioThread = true; }
    ~AudioThreadScope() { t_audioThread = false; }
    AudioThreadScope(const AudioThreadScope&) = delete;
    AudioThreadScope& operator=(const AudioThreadScope&) = delete;
};

// Called by every helper that locks or allocates on the decks' behalf.
inline void assertNotAudioThread() {
    assert(!t_audioThread && "audio thread: no locks, no allocation");
}

} // namespace platform::media
