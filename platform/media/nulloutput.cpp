// What plays when there is no sound device: the mix at real-time pace, from a thread of its own.
#include <chrono>
#include <thread>
#include <vector>

#include "media/audiooutput.h"
#include "media/mixer.h"

namespace platform::media {

namespace {

class NullOutput final : public AudioOutput {
public:
    explicit NullOutput(Mixer& mixer) : m_mixer(mixer) {}
    ~NullOutput() override { stop(); }
    bool start() override {
        // Nothing between the mix and no one.
        m_mixer.outputLatency.store(0.0, std::memory_order_relaxed);
        m_quit.store(false);
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop() override {
        m_quit.store(true);
        m_mixer.interruptWait();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run() {
        using clock = std::chrono::steady_clock;
        const int frames = m_mixer.period;
        std::vector<float> buffer(size_t(2 * frames));
        const auto period = std::chrono::duration_cast<clock::duration>(
            std::chrono::duration<double>(double(frames) / m_mixer.rate));
        auto next = clock::now();
        while (!m_quit.load(std::memory_order_relaxed)) {
            const auto mix = m_mixer.process(mixer, buffer.data(), frames);
            // Handed over to another output: that one mixes now.
            if (mix == Mixer::Mix::Retired)
                return;
            if (mix == Mixer::Mix::Silent) {
                // Nothing plays, so no position moves and no end can come: rest until a deck is given a
                // command, then go on at real-time pace from then.
                m_mixer.waitForWork(m_quit);
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

    Mixer& m_mixer;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

} // namespace

std::unique_ptr<AudioOutput> makeNullOutput(Mixer& mixer) {
    return std::make_unique<NullOutput>(mixer);
}

} // namespace platform::media
