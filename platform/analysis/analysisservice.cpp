#include "analysis/analysisservice.h"

#include <QMetaObject>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <functional>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "analysis/songanalysis.h"
#include "analysis/waveformbuilder.h"
#include "media/decoder.h"

namespace platform::analysis {

namespace {

// Progress reaches the windows this often at most: enough for a picture filling in, little for the queue.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

// Hands each chunk on to the waveform's builder and says how far the song is, now and then.
class ProgressSink final : public FrameSink {
public:
    explicit ProgressSink(std::function<void()> tick) : m_tick(std::move(tick)) {}
    void start(int, int, int64_t) override { m_last = std::chrono::steady_clock::now(); }
    void add(const float*, int) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last >= kProgressEvery) {
            m_last = now;
            m_tick();
        }
    }

private:
    std::function<void()> m_tick;
    std::chrono::steady_clock::time_point m_last;
};

} // namespace

struct AnalysisService::Job {
    QString path;
    std::shared_ptr<Waveform> waveform;
    // Set when the last holder lets the waveform go, or when the service closes.
    std::atomic<bool> cancel{false};
};

AnalysisService::AnalysisService(QString cacheFolder, QObject* parent)
    : QObject(parent),
      m_cache(cacheFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                          QStringLiteral("/deckmora/analysis")
                                    : std::move(cacheFolder)) {}

AnalysisService::~AnalysisService() {
    {
        std::lock_guard lk(m_mutex);
        m_quit = true;
        for (auto& j : m_queue)
            j->cancel.store(true);
        for (auto& weak : m_running)
            if (auto j = weak.lock())
                j->cancel.store(true);
    }
    m_wake.notify_all();
    for (auto& t : m_workers)
        t.join();
}

std::shared_ptr<const Waveform> AnalysisService::waveform(const QString& path) {
    if (auto known = m_known.value(path).lock())
        return known;
    if (m_known.size() > 64)
        m_known.removeIf([](auto it) { return it.value().expired(); });
    auto job = std::make_shared<Job>();
    job->path = path;
    job->waveform = std::make_shared<Waveform>();
    // The holders' pointer keeps the job's waveform alive; when the last of them goes, the job learns that
    // nobody waits for it.
    std::shared_ptr<const Waveform> handle(job->waveform.get(), [job](const Waveform*) mutable {
        job->cancel.store(true, std::memory_order_relaxed);
        job.reset();
    });
    m_known.insert(path, handle);
    {
        std::lock_guard lk(m_mutex);
        // Songs let go of before their turn leave the queue now, not when a worker reaches them: a deck
        // changing songs faster than they are analysed (an auto-mix skipping unreadable files) must not
        // pile up their waveforms.
        std::erase_if(m_queue, [](const std::shared_ptr<Job>& j) { return j->cancel.load(); });
        m_queue.push_back(job);
        if (m_workers.empty())
            for (int i = 0; i < kWorkers; ++i)
                m_workers.emplace_back([this] { work(); });
    }
    m_wake.notify_one();
    return handle;
}

void AnalysisService::setUserTempo(const QString& path, std::optional<double> bpm) {
    const FileIdentity id = FileIdentity::of(path);
    std::shared_ptr<const Waveform> held = m_known.value(path).lock();
    {
        // With the worker's reading of the user's tempo: whichever comes second sees the other's.
        std::lock_guard lk(m_userMutex);
        if (!m_cache.storeUserTempo(id, bpm) || !held || !held->complete())
            return; // what is still analysed reads the user's tempo when it ends
        // The service made it writable; the handle only lends it out as const.
        Waveform& w = const_cast<Waveform&>(*held);
        if (bpm)
            w.setFacts(AnalysisCache::withUserTempo(w.facts(), bpm));
        else if (const std::optional<SongFacts> found = m_cache.foundFacts(id))
            w.setFacts(*found);
    }
    emit finished(path);
}

void AnalysisService::work() {
    // Below the decks' decoders and the windows: a song's picture may wait, its sound may not.
    setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
    std::unique_lock lk(m_mutex);
    for (;;) {
        m_wake.wait(lk, [this] { return m_quit || !m_queue.empty(); });
        if (m_quit)
            return;
        std::shared_ptr<Job> job = std::move(m_queue.back());
        m_queue.pop_back();
        if (job->cancel.load())
            continue;
        std::erase_if(m_running, [](const std::weak_ptr<Job>& w) { return w.expired(); });
        m_running.push_back(job);
        lk.unlock();
        run(*job);
        job.reset();
        lk.lock();
    }
}

void AnalysisService::tell(const QString& path, bool finished) {
    // Queued to the service's thread; dropped by Qt when the service is gone by then.
    QMetaObject::invokeMethod(
        this, [this, path, finished] { finished ? emit this->finished(path) : emit progressed(path); },
        Qt::QueuedConnection);
}

void AnalysisService::run(Job& job) {
    Waveform& w = *job.waveform;
    const FileIdentity id = FileIdentity::of(job.path);
    bool loaded;
    {
        std::lock_guard lk(m_userMutex);
        loaded = m_cache.load(id, w);
    }
    if (loaded) {
        tell(job.path, true);
        return;
    }
    media::OpenResult opened = media::openDecoder(job.path);
    if (!opened.decoder) {
        w.fail(opened.error.message);
        tell(job.path, true);
        return;
    }
    m_decoded.fetch_add(1, std::memory_order_relaxed);
    // The facts go in before the mark, as from the cache: whoever sees the waveform complete sees them too
    // (an overview shading the silent ends draws once, when it sees it complete).
    WaveformBuilder builder(w, false);
    ProgressSink progress([this, &job] { tell(job.path, false); });
    FrameSink* sinks[] = {&builder, &progress};
    const SongAnalysis found = analyse(*opened.decoder, &job.cancel, sinks);
    if (found.cancelled)
        return;
    SongFacts facts;
    facts.beats = found.beats;
    facts.loudnessLufs = found.loudnessLufs;
    facts.truePeakDbtp = found.truePeakDbtp;
    facts.audibleStartSeconds = found.audibleStartSeconds;
    facts.audibleEndSeconds = found.audibleEndSeconds;
    {
        std::lock_guard lk(m_userMutex);
        w.setFacts(AnalysisCache::withUserTempo(facts, m_cache.userTempo(id)));
    }
    w.finish();
    m_cache.store(id, w, facts);
    tell(job.path, true);
}

} // namespace platform::analysis
