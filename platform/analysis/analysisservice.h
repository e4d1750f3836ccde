#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "analysis/analysiscache.h"
#include "analysis/waveform.h"

namespace platform::analysis {

// What the windows learn from songs, made on threads of the service's own while the songs play, and kept in a
// cache so that a song loaded again shows its picture at once.
//
// Two workers at most, at a lower priority than the program's other threads, take the newest request first
// (the song just loaded is the one the user looks at). A song that nobody holds any more is dropped from the
// queue, or given up within a fraction of a second when its analysis has begun.
class AnalysisService : public QObject {
    Q_OBJECT
public:
    static constexpr int kWorkers = 2;

    // `cacheFolder` empty: the user's cache folder ($XDG_CACHE_HOME/deckmora/analysis).
    explicit AnalysisService(QString cacheFolder = {}, QObject* parent = nullptr);
    // Cancels what runs and waits for its threads.
    ~AnalysisService() override;

    // UI thread: the waveform of `path`, whole at once from the cache, or filling in from now on. The same
    // object for the same path while anyone holds it; never null (a song that cannot be read gives a failed
    // waveform).
    std::shared_ptr<const Waveform> waveform(const QString& path);

    // UI thread: the user's tempo for `path` (tapped, halved or doubled), kept in the cache beside the
    // analysis and winning over what it found (the found first beat stays), through restarts and new
    // analyses; empty gives the analysis' tempo back. Tells finished(path) when the facts of a song held
    // and done changed. A tempo outside AnalysisCache::kUserTempoMin..Max is ignored.
    void setUserTempo(const QString& path, std::optional<double> bpm);

    QString cacheFolder() const { return m_cache.folder(); }
    // UI thread, before the first request: the cache's size in bytes, past which the oldest entries go.
    void setCacheLimit(int64_t bytes) { m_cache.setLimit(bytes); }
    // Songs decoded so far (those the cache answered are not counted).
    int songsDecoded() const { return m_decoded.load(std::memory_order_relaxed); }

signals:
    // More of `path` is in (a few times a second at most), and it is all in (or failed).
    void progressed(const QString& path);
    void finished(const QString& path);

private:
    struct Job;
    void work();
    void run(Job& job);
    void tell(const QString& path, bool finished);

    AnalysisCache m_cache;
    QHash<QString, std::weak_ptr<const Waveform>> m_known; // UI thread
    std::atomic<int> m_decoded{0};
    std::mutex m_userMutex; // a user's tempo written, and read into a finished analysis

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_queue;  // under m_mutex; the newest at the back
    bool m_quit = false;                       // under m_mutex
    std::vector<std::thread> m_workers;        // started with the first request
    std::vector<std::weak_ptr<Job>> m_running; // under m_mutex: cancelled on quitting
};

} // namespace platform::analysis
