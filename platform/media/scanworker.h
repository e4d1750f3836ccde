#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <thread>

#include "media/audiothread.h"
#include "media/decoder.h"

namespace platform::media {

// One scan of a song, shared by the deck that waits for it and the worker that runs it.
struct ScanJob {
    std::function<ScanResult(const std::atomic<bool>& cancel)> scan;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false}; // `result` is ready
    ScanResult result;
};

// A deck's one scanning thread. A newer scan replaces a queued one and cancels a running one, so loads in
// quick succession (auto-mix over broken files) leave at most one thread and one scan behind per deck. The
// thread starts with the first scan and is joined with the worker.
class ScanWorker {
public:
    ScanWorker() = default;
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Non-audio thread: queues `scan` in place of whatever came before; poll the job's `done`.
    std::shared_ptr<ScanJob> start(std::function<ScanResult(const std::atomic<bool>& cancel)> scan);
    // Non-audio thread: cancels the queued or running scan, if any.
    void cancel();

private:
    void run();

    CheckedMutex m_mutex;
    std::condition_variable_any m_wake;
    std::shared_ptr<ScanJob> m_next;    // under m_mutex
    std::shared_ptr<ScanJob> m_running; // under m_mutex
    bool m_quit = false;                // under m_mutex
    std::thread m_thread;
};

} // namespace platform::media
