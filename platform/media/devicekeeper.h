#pragma once

// The engine's device half: opening, watching, retrying and listing devices, on threads of its own. It hands
// the mix between the outputs through the mixer's gate and never touches a deck.
//
// Locks, in the order they may be taken (a thread holding one may take only those below it):
//   1. m_listenerMutex   the status listener runs under it (the host's code may read status())
//   2. m_statusMutex     what status() reports
//   3. m_outputMutex     which device is live, for readers on other threads; held to swap or read a pointer
//   4. m_ordersMutex     orders from other threads (a device choice, a cue change, a deck command, quit)
//   5. m_listMutex       device-list requests and their receivers
// The mixer's locks (mixer.h) come before m_ordersMutex: a deck command reaches it through the mixer's
// command hook. m_outputMutex, m_ordersMutex and m_listMutex are held for a few instructions only: no thread
// holds one across device work, so a deck command, a cue change or a device choice never waits for a device.
// Device work (a library's own locks, PortAudio's among them) happens on the keeper's two threads (the
// watching one and the listing one) with no lock of ours held.

#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/audiothread.h"

class QObject;

namespace platform::media {

class Mixer;

class DeviceKeeper {
public:
    // A device is failed when it takes no audio for this long. Sound servers pause for about 1.5 s when a
    // stream starts and call back in bursts with gaps of a few hundred milliseconds, longer on a loaded
    // machine; a device that takes nothing for 4 s is gone (or suspended), and the user is told soon enough.
    static constexpr std::chrono::milliseconds kSilenceLimit{4000};
    // A failed device is tried again after these pauses, doubling: a restarted server or a card plugged back
    // in answers within a second or two, and a device that stays away costs one attempt every few seconds.
    static constexpr std::chrono::milliseconds kRetryFirst{500};
    static constexpr std::chrono::milliseconds kRetryMost{8000};
    // How often the keeper looks; cheap enough to be idle-neutral, fine enough for the figures above.
    static constexpr std::chrono::milliseconds kWatchInterval{100};
    // A device whose decks have all been silent this long rests (see AudioOutput::rest).
    static constexpr std::chrono::milliseconds kRestAfter{1000};

    using OutputFactory = std::function<std::unique_ptr<AudioOutput>(Mixer&)>;
    using Lister = std::function<std::vector<AudioEngine::DeviceInfo>()>;

    explicit DeviceKeeper(Mixer& mixer);
    ~DeviceKeeper();
    DeviceKeeper(const DeviceKeeper&) = delete;
    DeviceKeeper& operator=(const DeviceKeeper&) = delete;

    // Starts the null output and the keeper's thread, which opens `device` (an id or name of listDevices();
    // empty: the start order) asked for `latencyMs`, and says so on standard error when there is none.
    void startProgram(const std::string& device, int latencyMs);
    // The same on outputs of the caller's making: `factory` is called for the first open and every retry, and
    // may return null for a device that is not there; a null factory: no device at all, quietly.
    void startWith(OutputFactory factory);
    // Any thread: ends the keeper's threads and closes every output; later orders are ignored.
    void shutdown();

    // Any thread but the audio thread; orders the keeper's thread carries out.
    void useDevice(const std::string& device, int latencyMs);
    // The cue options changed: `mainChannels` the main device is to be opened again (channels 3-4 came or
    // went), `cueDevice` the cue device is to be closed and opened again.
    void cueChanged(bool mainChannels, bool cueDevice);
    // A deck was given a command: a resting device is wanted again, and a device that failed is worth an
    // attempt. Only sets a flag.
    void noteCommand();

    AudioEngine::Output output() const { return m_output.load(std::memory_order_acquire); }
    AudioEngine::Status status() const;
    void setStatusListener(std::function<void()> listener);
    bool waitUntilSettled(int timeoutMs) const;

    // Any thread: lists the devices on the keeper's listing thread and hands them to `answer` on `receiver`'s
    // thread, unless `receiver` is destroyed first. Requests made while a listing runs share the next one.
    void requestDevices(QObject* receiver,
                        std::function<void(const std::vector<AudioEngine::DeviceInfo>&)> answer);
    // Tests: what a listing runs (AudioEngine::listDevices by default).
    void setLister(Lister lister);

    // Times the keeper looked at the outputs: tests see from it that an idle keeper sleeps.
    std::atomic<uint64_t> looks{0};
    // Any thread: the live device's state, for tests and figures.
    bool deviceResting() const;
    uint64_t deviceUnderflows() const;

private:
    // What opens the main device; `missing` is set to a chosen device that is not there.
    using Opener = std::function<std::unique_ptr<AudioOutput>(std::string& missing)>;
    struct Orders {
        bool quit = false;
        bool request = false;
        Opener opener;
        int latencyMs = 0;
        bool reopenMain = false;
        bool reopenCue = false;
        bool commanded = false;
    };
    struct ListRequest {
        QObject* receiver;
        std::function<void(const std::vector<AudioEngine::DeviceInfo>&)> answer;
        QMetaObject::Connection gone;
    };

    Opener programOpener(const std::string& device, int latencyMs);
    void start(Opener opener, bool sayWhenMissing);
    void run();
    void listLoop();
    void publish(const AudioEngine::Status& status);
    void startNull();
    bool goLive(std::unique_ptr<AudioOutput> dev);
    void dropDevice(const char* why);
    void reopenCue(bool retry = false);
    void watchCue();

    Mixer& m_mixer;

    // Keeper thread only (set before it starts).
    Opener m_opener;
    int m_latencyMs = 40;
    bool m_sayWhenMissing = false;
    bool m_toldNull = false;
    std::unique_ptr<AudioOutput> m_cueDevice;
    std::chrono::steady_clock::time_point m_cueRetryAt{};
    std::chrono::steady_clock::duration m_cueRetryDelay{};
    std::thread m_thread;

    mutable CheckedMutex m_outputMutex;
    std::unique_ptr<AudioOutput> m_device;     // written by the keeper thread under m_outputMutex
    std::unique_ptr<AudioOutput> m_nullOutput; // the same
    std::atomic<AudioEngine::Output> m_output{AudioEngine::Output::Null};

    CheckedMutex m_ordersMutex;
    std::condition_variable_any m_ordersWake;
    Orders m_orders;

    mutable std::mutex m_statusMutex;
    mutable std::condition_variable m_statusChanged;
    AudioEngine::Status m_status;
    std::mutex m_listenerMutex;
    std::function<void()> m_listener;

    std::mutex m_listMutex;
    std::condition_variable m_listWake;
    std::vector<ListRequest> m_listRequests;
    Lister m_lister;
    bool m_listQuit = false;
    std::thread m_listThread;
};

} // namespace platform::media
