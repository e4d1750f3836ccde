#include "media/devicekeeper.h"

#include <QObject>
#include <algorithm>

#include "media/mixer.h"

namespace platform::media {

DeviceKeeper::DeviceKeeper(Mixer& mixer)
    : m_mixer(mixer), m_lister([] { return AudioEngine::listDevices(); }) {
    mixer.setCommandHook([](void* keeper) { static_cast<DeviceKeeper*>(keeper)->noteCommand(); }, this);
}

DeviceKeeper::~DeviceKeeper() {
    shutdown();
}

DeviceKeeper::Opener DeviceKeeper::programOpener(const std::string& device, int latencyMs) {
    if (device.empty())
        return [this, latencyMs](std::string&) { return makeDefaultOutput(m_mixer, latencyMs); };
    return [this, device, latencyMs](std::string& missing) -> std::unique_ptr<AudioOutput> {
        const auto devices = AudioEngine::listDevices();
        const AudioEngine::DeviceInfo* found = AudioEngine::findDevice(devices, device);
        if (!found) {
            // Gone since it was chosen: the start order plays, and the host says so.
            missing = device;
            return makeDefaultOutput(m_mixer, latencyMs);
        }
        return makeOutputFor(m_mixer, latencyMs, found->id);
    };
}

void DeviceKeeper::startProgram(const std::string& device, int latencyMs) {
    m_latencyMs = latencyMs;
    start(programOpener(device, latencyMs), true);
}

void DeviceKeeper::startWith(OutputFactory factory) {
    Opener opener;
    if (factory)
        opener = [this, factory = std::move(factory)](std::string&) { return factory(m_mixer); };
    start(std::move(opener), false);
}

void DeviceKeeper::start(Opener opener, bool sayWhenMissing) {
    startNull();
    m_opener = std::move(opener);
    m_sayWhenMissing = sayWhenMissing;
    m_status.opening = true;
    m_thread = std::thread([this] { run(); });
}

void DeviceKeeper::useDevice(const std::string& device, int latencyMs) {
    Opener opener = programOpener(device, latencyMs);
    {
        std::lock_guard lk(m_ordersMutex);
        m_orders.request = true;
        m_orders.opener = std::move(opener);
        m_orders.latencyMs = latencyMs;
    }
    m_ordersWake.notify_all();
}

void DeviceKeeper::cueChanged(bool mainChannels, bool cueDevice) {
    {
        std::lock_guard lk(m_ordersMutex);
        m_orders.reopenMain = m_orders.reopenMain || mainChannels;
        m_orders.reopenCue = m_orders.reopenCue || cueDevice;
    }
    m_ordersWake.notify_all();
}

void DeviceKeeper::noteCommand() {
    {
        std::lock_guard lk(m_ordersMutex);
        m_orders.commanded = true;
    }
    m_ordersWake.notify_all();
}

AudioEngine::Status DeviceKeeper::status() const {
    std::lock_guard lk(m_statusMutex);
    return m_status;
}

void DeviceKeeper::setStatusListener(std::function<void()> listener) {
    std::lock_guard lk(m_listenerMutex);
    m_listener = std::move(listener);
}

bool DeviceKeeper::waitUntilSettled(int timeoutMs) const {
    std::unique_lock lk(m_statusMutex);
    return m_statusChanged.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                                    [this] { return !m_status.opening; });
}

void DeviceKeeper::publish(const AudioEngine::Status& status) {
    {
        std::lock_guard lk(m_statusMutex);
        m_status = status;
    }
    m_statusChanged.notify_all();
    std::lock_guard lk(m_listenerMutex);
    if (m_listener)
        m_listener();
}

bool DeviceKeeper::deviceResting() const {
    std::lock_guard lk(m_outputMutex);
    return m_device && m_device->resting();
}

uint64_t DeviceKeeper::deviceUnderflows() const {
    std::lock_guard lk(m_outputMutex);
    return m_device ? m_device->underflows() : 0;
}

// Keeper thread (or before it starts, or after it ended).
void DeviceKeeper::startNull() {
    if (m_nullOutput)
        m_nullOutput->stop();
    m_nullOutput = makeNullOutput(m_mixer);
    m_mixer.handOverTo(*m_nullOutput);
    m_nullOutput->start();
    m_output.store(AudioEngine::Output::Null, std::memory_order_release);
}

// Keeper thread. The mix is the device's from its start: a device in a server's start-up pause holds the
// decks where they are rather than letting the null output play them unheard.
bool DeviceKeeper::goLive(std::unique_ptr<AudioOutput> dev) {
    if (!dev)
        return false;
    m_mixer.handOverTo(*dev);
    if (!dev->start()) {
        startNull();
        return false;
    }
    // Retired by the hand-over, the null output's thread ends by itself, or on stop() when it rested.
    if (m_nullOutput)
        m_nullOutput->stop();
    m_nullOutput.reset();
    {
        std::lock_guard lk(m_outputMutex);
        m_device = std::move(dev);
    }
    m_output.store(AudioEngine::Output::Device, std::memory_order_release);
    return true;
}

// Keeper thread: the null output takes over and the device is closed.
void DeviceKeeper::dropDevice(const char* why) {
    if (output() != AudioEngine::Output::Device)
        return;
    if (why) {
        const std::string line = std::string(why) + "; playing on without sound.";
        m_mixer.say(line.c_str());
    }
    // The hand-over retires the device and waits for a callback of it still inside the mix to leave.
    startNull();
    std::unique_ptr<AudioOutput> old;
    {
        std::lock_guard lk(m_outputMutex);
        old = std::move(m_device);
    }
    if (old)
        old->stop();
}

// Keeper thread. The cue device's clock runs free of the main one's: the feed holds a ring of about twice
// the latency asked for, enough for both servers' bursts, and converts its way through any drift.
void DeviceKeeper::reopenCue(bool retry) {
    if (m_cueDevice) {
        m_cueDevice->stop();
        m_cueDevice.reset();
    }
    m_mixer.cue.feed.close();
    const AudioEngine::CueOptions options = m_mixer.cueOptions();
    if (options.routing != AudioEngine::CueRouting::Device)
        return;
    std::unique_ptr<AudioOutput> dev;
    if (options.device.empty()) {
        dev = makePulseOutput(m_mixer, m_latencyMs, {}, OutputRole::Cue);
    } else {
        const auto devices = AudioEngine::listDevices();
        if (const AudioEngine::DeviceInfo* found = AudioEngine::findDevice(devices, options.device))
            dev = makeOutputFor(m_mixer, m_latencyMs, found->id, OutputRole::Cue);
    }
    const int target = int(int64_t(m_mixer.rate) * (2 * m_latencyMs + 20) / 1000);
    const std::string shown = options.device.empty() ? std::string("(default)") : options.device;
    if (!dev || !m_mixer.cue.feed.open(m_mixer.rate, target) || !dev->start()) {
        m_mixer.cue.feed.close();
        if (dev)
            dev->stop();
        if (!retry) {
            const std::string line =
                "the headphone device " + shown + " cannot be opened; the cue is not heard.";
            m_mixer.say(line.c_str());
            m_cueRetryDelay = std::chrono::seconds(2);
        } else {
            m_cueRetryDelay =
                std::min<std::chrono::steady_clock::duration>(2 * m_cueRetryDelay, std::chrono::seconds(30));
        }
        m_cueRetryAt = std::chrono::steady_clock::now() + m_cueRetryDelay;
        return;
    }
    if (retry) {
        const std::string line = "the headphones are back on " + shown + ".";
        m_mixer.say(line.c_str());
    }
    m_cueDevice = std::move(dev);
}

// Keeper thread, while the main device is watched: a cue device that failed, or could not be opened, is tried
// again, backing off from 2 s to 30 s.
void DeviceKeeper::watchCue() {
    if (m_mixer.cue.current() != AudioEngine::CueRouting::Device ||
        std::chrono::steady_clock::now() < m_cueRetryAt)
        return;
    if (!m_cueDevice) {
        reopenCue(true);
    } else if (!m_cueDevice->healthy()) {
        m_mixer.say("the headphone device failed; trying it again.");
        m_cueRetryDelay = std::chrono::seconds(1);
        reopenCue(true);
    }
}

void DeviceKeeper::run() {
    using clock = std::chrono::steady_clock;
    auto nextTry = clock::now();
    auto retryDelay = clock::duration(kRetryFirst);
    auto lastTaken = clock::now();
    auto lastPlayed = clock::now();
    auto lastLook = clock::now();
    auto lastActive = clock::now(); // a deck played or was given a command
    uint64_t seen = 0;
    uint64_t mixedAtWake = 0;
    bool firstTry = true;
    bool failedBefore = false;
    std::string name;
    std::string missing;
    const auto commandPending = [this] {
        std::lock_guard lk(m_ordersMutex);
        return m_orders.commanded;
    };
    for (;;) {
        Orders orders;
        {
            std::lock_guard lk(m_ordersMutex);
            if (m_orders.quit)
                return;
            orders = std::move(m_orders);
            m_orders = Orders{};
        }
        looks.fetch_add(1, std::memory_order_relaxed);
        if (orders.commanded) {
            lastActive = lastPlayed = clock::now();
            // Only what the mix does after the command counts: a stream in a server's start-up pause has not
            // mixed since "play", and resting it then would keep it silent.
            mixedAtWake = m_mixer.entered.load();
            if (m_device && m_device->resting())
                m_device->rest(false);
        }
        if (orders.reopenCue)
            reopenCue();
        if (orders.request || (orders.reopenMain && m_opener)) {
            if (orders.request) {
                m_opener = std::move(orders.opener);
                m_latencyMs = orders.latencyMs;
            }
            dropDevice(nullptr);
            firstTry = true;
            failedBefore = false;
            nextTry = clock::now();
            retryDelay = kRetryFirst;
        }
        const bool live = output() == AudioEngine::Output::Device;
        if (!live && m_opener && clock::now() >= nextTry) {
            std::string missingNow;
            const bool ok = goLive(m_opener(missingNow));
            missing = missingNow;
            if (ok) {
                name = m_device->name();
                if (failedBefore) {
                    const std::string line = "sound is back on " + name + ".";
                    m_mixer.say(line.c_str());
                }
                failedBefore = false;
                retryDelay = kRetryFirst;
                seen = m_mixer.entered.load();
                lastTaken = lastPlayed = clock::now();
                const bool twoChannels =
                    m_mixer.cue.current() == AudioEngine::CueRouting::Channels34 && m_device->channels() < 4;
                publish({false, true, name, missing, twoChannels});
            } else {
                if (firstTry) {
                    if (m_sayWhenMissing && !m_toldNull)
                        m_mixer.say("no sound device; playing without sound.");
                    m_toldNull = true;
                    publish({false, false, name, missing});
                }
                nextTry = clock::now() + retryDelay;
                retryDelay = std::min<clock::duration>(retryDelay * 2, kRetryMost);
            }
            firstTry = false;
        } else if (!m_opener && firstTry) {
            firstTry = false;
            publish({false, false, {}, {}});
        } else if (live) {
            watchCue();
            const auto now = clock::now();
            // A keeper that itself overslept (a suspended machine, a stopped process) has seen nothing of the
            // device; it starts counting afresh rather than blaming the device.
            if (now - lastLook > kSilenceLimit / 2)
                lastTaken = now;
            const uint64_t calls = m_mixer.entered.load();
            if (calls != seen || m_device->resting()) {
                seen = calls;
                lastTaken = now;
            }
            if (m_mixer.lastPlaying.load(std::memory_order_relaxed))
                lastPlayed = now;
            const bool silent = now - lastTaken > kSilenceLimit;
            if (silent || !m_device->healthy()) {
                dropDevice(silent ? "the sound device stopped" : "the sound device failed");
                failedBefore = true;
                nextTry = clock::now() + retryDelay;
                publish({false, false, name, missing});
            } else if (now - lastPlayed > kRestAfter && !m_device->resting() && calls > mixedAtWake + 1 &&
                       !m_mixer.lastPlaying.load(std::memory_order_relaxed) && !commandPending()) {
                // A command that comes after this look finds the device resting and resumes it on the next.
                m_device->rest(true);
            }
        }
        lastLook = clock::now();
        // Looking costs a wake-up, and an attempt to open a device costs PortAudio's probe of every card
        // (tens of milliseconds): both are done only while they can matter. A resting device is not judged;
        // without a device, attempts go on (backing off) while a deck plays or soon after a command, and
        // otherwise wait for the next command. An order ends any wait early.
        if (m_mixer.lastPlaying.load(std::memory_order_relaxed))
            lastActive = lastLook;
        const bool device = output() == AudioEngine::Output::Device;
        const bool watching = device && !m_device->resting();
        const bool retrying = !device && m_opener && lastLook - lastActive < kRestAfter;
        const auto until = watching   ? lastLook + kWatchInterval
                           : retrying ? std::max(nextTry, lastLook)
                                      : clock::time_point::max();
        std::unique_lock lk(m_ordersMutex);
        const auto ordered = [this] {
            return m_orders.quit || m_orders.request || m_orders.reopenMain || m_orders.reopenCue ||
                   m_orders.commanded;
        };
        if (until == clock::time_point::max())
            m_ordersWake.wait(lk, ordered);
        else
            m_ordersWake.wait_until(lk, until, ordered);
    }
}

void DeviceKeeper::requestDevices(QObject* receiver,
                                  std::function<void(const std::vector<AudioEngine::DeviceInfo>&)> answer) {
    if (!receiver)
        return;
    // Called on the receiver's thread, so it cannot go while this connects; once it goes, the answer is not
    // posted to it (an answer already posted is dropped with its events).
    const QMetaObject::Connection gone = QObject::connect(receiver, &QObject::destroyed, [this, receiver] {
        std::lock_guard lk(m_listMutex);
        for (ListRequest& r : m_listRequests)
            if (r.receiver == receiver)
                r.receiver = nullptr;
    });
    std::lock_guard lk(m_listMutex);
    if (m_listQuit) {
        QObject::disconnect(gone);
        return;
    }
    m_listRequests.push_back({receiver, std::move(answer), gone});
    if (!m_listThread.joinable())
        m_listThread = std::thread([this] { listLoop(); });
    m_listWake.notify_all();
}

void DeviceKeeper::setLister(Lister lister) {
    std::lock_guard lk(m_listMutex);
    m_lister = std::move(lister);
}

// The listing thread: PortAudio's probe of every card and the server's answers take a while, which neither
// the UI nor the watching thread should wait for.
void DeviceKeeper::listLoop() {
    std::unique_lock lk(m_listMutex);
    for (;;) {
        m_listWake.wait(lk, [this] { return m_listQuit || !m_listRequests.empty(); });
        if (m_listQuit)
            return;
        const Lister lister = m_lister;
        lk.unlock();
        const std::vector<AudioEngine::DeviceInfo> devices = lister();
        lk.lock();
        for (ListRequest& r : m_listRequests) {
            QObject::disconnect(r.gone);
            if (r.receiver)
                QMetaObject::invokeMethod(
                    r.receiver, [answer = std::move(r.answer), devices] { answer(devices); },
                    Qt::QueuedConnection);
        }
        m_listRequests.clear();
    }
}

void DeviceKeeper::shutdown() {
    {
        std::lock_guard lk(m_ordersMutex);
        m_orders.quit = true;
    }
    m_ordersWake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    {
        std::lock_guard lk(m_listMutex);
        m_listQuit = true;
        for (ListRequest& r : m_listRequests)
            QObject::disconnect(r.gone);
        m_listRequests.clear();
    }
    m_listWake.notify_all();
    // A listing in progress ends before the sound libraries it uses are torn down at exit.
    if (m_listThread.joinable())
        m_listThread.join();
    if (m_cueDevice) {
        m_cueDevice->stop();
        m_cueDevice.reset();
        m_mixer.cue.feed.close();
    }
    if (m_nullOutput)
        m_nullOutput->stop();
    std::unique_ptr<AudioOutput> dev;
    {
        std::lock_guard lk(m_outputMutex);
        dev = std::move(m_device);
    }
    if (dev)
        dev->stop();
    m_nullOutput.reset();
}

} // namespace platform::media
