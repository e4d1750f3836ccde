#include "media/scanworker.h"

#include <mutex>

namespace platform::media {

ScanWorker::~ScanWorker() {
    {
        std::lock_guard lk(m_mutex);
        m_quit = true;
        if (m_next)
            m_next->cancel.store(true, std::memory_order_relaxed);
        if (m_running)
            m_running->cancel.store(true, std::memory_order_relaxed);
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::shared_ptr<ScanJob> ScanWorker::start(std::function<ScanResult(const std::atomic<bool>&)> scan) {
    auto job = std::make_shared<ScanJob>();
    job->scan = std::move(scan);
    {
        std::lock_guard lk(m_mutex);
        if (m_next)
            m_next->cancel.store(true, std::memory_order_relaxed);
        if (m_running)
            m_running->cancel.store(true, std::memory_order_relaxed);
        m_next = job;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_all();
    return job;
}

void ScanWorker::cancel() {
    std::lock_guard lk(m_mutex);
    if (m_next)
        m_next->cancel.store(true, std::memory_order_relaxed);
    if (m_running)
        m_running->cancel.store(true, std::memory_order_relaxed);
    m_next.reset();
}

void ScanWorker::run() {
    std::unique_lock lk(m_mutex);
    for (;;) {
        m_wake.wait(lk, [this] { return m_quit || m_next; });
        if (m_quit)
            return;
        m_running = std::move(m_next);
        auto job = m_running;
        lk.unlock();
        // A cancelled job is never applied, so its result may be whatever the interrupted scan made of it.
        if (!job->cancel.load(std::memory_order_relaxed))
            job->result = job->scan(job->cancel);
        job->scan = nullptr; // lets go of the scan's file before the next one opens its own
        job->done.store(true, std::memory_order_release);
        lk.lock();
        m_running.reset();
    }
}

} // namespace platform::media
