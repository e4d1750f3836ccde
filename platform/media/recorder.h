#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "media/audioengine.h"

namespace platform::media {

// Writes the main mix to a file. The audio callback copies each finished pass into a ring a few seconds deep
// and never waits; a writer thread of its own drains the ring to libsndfile every few tens of milliseconds.
// Whatever stops a recording by itself (a full disk, a file that was removed, a disk too slow for the ring)
// leaves a file that plays everything written until then.
class Recorder {
public:
    // How much mix the ring holds while the disk stalls; a stall longer than this stops the recording.
    static constexpr double kRingSeconds = 4.0;
    // How often the writer wakes to drain the ring: the callback never wakes it.
    static constexpr std::chrono::milliseconds kDrainInterval{60};

    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Audio thread: appends a pass of the main mix (2 × frames floats) while armed. No lock, no allocation,
    // no system call. A ring with no room for the pass disarms the recording; the writer then closes it.
    void feed(const float* mix, int frames);
    // Audio thread or any: whether feed() takes frames.
    bool armed() const { return m_armed.load(std::memory_order_acquire); }

    // The control side (any thread but the audio thread and the writer; the engine serialises the calls).
    // Creates `path` (stereo, `rate` frames a second; never over an existing file) and arms from the next
    // feed() on. The caller makes sure that no feed() of an earlier recording is still inside. The ring is
    // made by the first start and kept: the callback may read it at any time after.
    bool start(const std::string& path, AudioEngine::RecordFormat format, int rate, std::string* error);
    // Stops taking frames; a feed() already inside may still finish its pass.
    void disarm() { m_armed.store(false, std::memory_order_release); }
    // After disarm() and once no feed() is inside: writes what the ring holds and closes the file.
    void finish();

    // A producer that is not real-time (the offline output): waits until the ring has room for `frames`, so
    // that rendering faster than the disk never counts as a slow disk. Returns at once when not armed.
    void waitForRoom(int frames);

    AudioEngine::Recording state() const;
    // Runs on the writer thread, once, when a recording stops by itself; it may call state() and finish().
    void setListener(std::function<void()> listener);
    // Tests only: runs on the writer thread before each drain, to make the disk as slow as a test needs.
    std::atomic<void (*)()> drainHook{nullptr};

    // Whether the caller is the writer thread (inside the listener): it cannot wait for itself.
    bool onWriterThread() const { return std::this_thread::get_id() == m_writerId.load(); }

private:
    struct Sink;
    void run();
    // Writer thread: writes what the ring holds; false (with the reason kept) when the file refused it.
    bool drain();
    void fail(const std::string& why);
    // Closes the file so that it plays: after a failure, cut to the frames that were fully written.
    void closeSink(bool failed);

    int m_rate = 0;
    uint64_t m_capacity = 0; // frames, a power of two
    std::unique_ptr<float[]> m_ring;
    alignas(64) std::atomic<uint64_t> m_write{0}; // frames, advanced by feed()
    alignas(64) std::atomic<uint64_t> m_read{0};  // frames, advanced by the writer
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_overflow{false};
    static_assert(std::atomic<uint64_t>::is_always_lock_free);

    std::unique_ptr<Sink> m_sink; // writer thread while it runs, else the control side
    std::thread m_writer;
    std::atomic<std::thread::id> m_writerId{};
    std::atomic<int64_t> m_frames{0};
    std::atomic<bool> m_active{false};

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;    // the writer's sleep: a stop or a producer waiting for room
    std::condition_variable m_drained; // after each drain, for waitForRoom()
    bool m_stop = false;               // under m_wakeMutex
    bool m_roomWanted = false;         // under m_wakeMutex

    mutable std::mutex m_stateMutex;
    std::string m_path;  // under m_stateMutex
    std::string m_error; // under m_stateMutex

    std::mutex m_listenerMutex;
    std::function<void()> m_listener;
};

} // namespace platform::media
