// The audio-thread guard fires: a lock or an allocation made while mixing aborts with the function named.
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>

#include "media/audiothread.h"
#include "media/deck.h"

using namespace platform::media;

namespace {

void* volatile g_sink = nullptr;

struct Misuse {
    const char* name;
    const char* says; // what the guard's line must name
    void (*run)();
};

// Each runs with the audio thread marked, as process() marks it.
const Misuse kMisuses[] = {
    {"New", "malloc",
     [] {
         AudioThreadScope scope;
         g_sink = new int[64];
     }},
    {"Malloc", "malloc",
     [] {
         AudioThreadScope scope;
         g_sink = std::malloc(64);
     }},
    {"Free", "free",
     [] {
         g_sink = new int[4];
         AudioThreadScope scope;
         delete[] static_cast<int*>(g_sink);
     }},
    {"Lock", "CheckedMutex::lock",
     [] {
         static CheckedMutex m;
         AudioThreadScope scope;
         std::lock_guard lk(m);
     }},
    {"DeckCommand", "seek",
     [] {
         static Deck deck(44100, false);
         AudioThreadScope scope;
         deck.seek(1.0);
     }},
};

class AudioThreadGuard : public ::testing::TestWithParam<Misuse> {};

TEST_P(AudioThreadGuard, AbortsNamingWhatRan) {
#ifndef DECKMORA_RT_GUARD
    GTEST_SKIP() << "built without DECKMORA_RT_GUARD";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Misuse& m = GetParam();
    EXPECT_DEATH(m.run(), std::string("audio thread: ") + m.says + " called while mixing");
}

INSTANTIATE_TEST_SUITE_P(Misuses, AudioThreadGuard, ::testing::ValuesIn(kMisuses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AudioThreadGuard, OffTheAudioThreadNothingFires) {
    CheckedMutex m;
    std::lock_guard lk(m);
    g_sink = std::malloc(16);
    std::free(g_sink);
    Deck deck(44100, false);
    deck.seek(1.0);
}

} // namespace
