// The engine's hand-overs under every timing: decks freed and outputs swapped while callbacks run, one of
// them stuck inside the mix for a second. Meant for the sanitizer builds as much as for the normal one.
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/callbackgate.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::media;

namespace {

TEST(CallbackGate, AHandOverWaitsForTheCallbackInsideAndRetiresItsOutput) {
    CallbackGate gate;
    EXPECT_FALSE(gate.enter(0)) << "no output was handed the mix yet";
    const uint32_t first = gate.handOver();
    ASSERT_TRUE(gate.enter(first));
    std::atomic<bool> handed{false};
    uint32_t second = 0;
    std::thread t([&] {
        second = gate.handOver();
        handed = true;
    });
    // However long the callback stays, the hand-over does not give up on it.
    EXPECT_FALSE(waitFor([&] { return handed.load(); }, std::chrono::milliseconds(50)));
    gate.leave();
    t.join();
    EXPECT_FALSE(gate.enter(first)) << "a retired output mixes on";
    ASSERT_TRUE(gate.enter(second));
    gate.leave();
    gate.waitForCallbacks(); // nothing inside: returns at once
}

// An output that calls back as fast as it can, from its own thread, until it is retired or stopped.
class BusyOutput final : public AudioOutput {
public:
    explicit BusyOutput(Mixer& engine) : m_engine(engine) {}
    ~BusyOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] {
            std::vector<float> buffer(size_t(2 * m_engine.period));
            while (!m_quit.load(std::memory_order_relaxed) &&
                   m_engine.process(mixer, buffer.data(), m_engine.period) != Mixer::Mix::Retired)
                std::this_thread::yield();
        });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    Mixer& m_engine;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// What the pass hook sees: how many passes are inside at once, and the one deck that a pass held for a
// second.
std::atomic<int> g_inside{0};
std::atomic<int> g_mostInside{0};
std::atomic<bool> g_stall{false};
std::atomic<Deck*> g_held{nullptr};
std::atomic<bool> g_released{false};

void stretchPass(Deck* deck) {
    const int n = g_inside.fetch_add(1) + 1;
    int most = g_mostInside.load();
    while (n > most && !g_mostInside.compare_exchange_weak(most, n))
        ;
    if (g_stall.exchange(false)) {
        g_held = deck;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        g_released = true;
    }
    g_inside.fetch_sub(1);
}

TEST(EngineStress, PlayersComeAndGoAndOutputsSwapWhileAPassStallsForASecond) {
    constexpr int kPlayers = 2000, kSwaps = 2000;
    TempDir dir;
    const QString song = dir.file("tone.wav");
    ASSERT_TRUE(songfiles::write(song, songfiles::Kind::Wav16, 44100, 2, songfiles::sine(4410, 2, 44100)));
    auto engine = AudioEngine::createOffline(44100, AudioEngine::Decoding::Threads);
    auto& impl = engine->mixer();
    impl.passHook = &stretchPass;

    std::atomic<bool> playersDone{false};
    std::atomic<int> swaps{0};
    std::thread swapper([&] {
        std::unique_ptr<AudioOutput> current;
        for (int i = 0; i < kSwaps || !playersDone; ++i) {
            // Every other output is the engine's own null output, which rests when nothing plays.
            auto next = i % 2 ? makeNullOutput(impl) : std::make_unique<BusyOutput>(impl);
            impl.handOverTo(*next);
            next->start();
            if (current)
                current->stop();
            current = std::move(next);
            ++swaps;
        }
        current->stop();
    });

    std::vector<std::pair<std::unique_ptr<MediaPlayer>, Deck*>> players;
    auto dropPlayer = [&](size_t i) {
        Deck* deck = players[i].second;
        const bool held = g_held == deck && !g_released;
        players.erase(players.begin() + long(i));
        if (held) {
            EXPECT_TRUE(g_released) << "a deck was freed while a pass held it";
        }
    };
    for (int i = 0; i < kPlayers; ++i) {
        std::vector<Deck*> before;
        for (auto& slot : impl.decks)
            before.push_back(slot.load());
        auto mp = std::make_unique<MediaPlayer>(*engine, nullptr);
        Deck* deck = nullptr;
        for (size_t s = 0; s < impl.decks.size(); ++s)
            if (impl.decks[s].load() != before[s])
                deck = impl.decks[s].load();
        ASSERT_NE(deck, nullptr);
        ASSERT_FALSE(mp->open(song));
        mp->play();
        players.emplace_back(std::move(mp), deck);
        if (i == kPlayers / 2) {
            // Half-way, a pass stalls with a deck in hand, and that deck's player goes while it is held.
            g_stall = true;
            while (!g_held)
                std::this_thread::yield();
            for (size_t p = 0; p < players.size(); ++p)
                if (players[p].second == g_held) {
                    dropPlayer(p);
                    break;
                }
        }
        if (players.size() > 3)
            dropPlayer(size_t(i) % players.size());
        if (i % 64 == 0)
            QCoreApplication::processEvents();
    }
    players.clear();
    playersDone = true;
    swapper.join();
    impl.passHook = nullptr;
    QCoreApplication::processEvents();
    EXPECT_GE(swaps.load(), kSwaps);
    EXPECT_EQ(g_mostInside.load(), 1) << "two outputs mixed at once";
    EXPECT_NE(g_held.load(), nullptr) << "no pass stalled: the test proved nothing";
    EXPECT_TRUE(g_released);
}

} // namespace
