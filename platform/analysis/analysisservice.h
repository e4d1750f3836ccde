#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "analysis/waveform.h"

namespace platform::analysis {

// What the windows learn from songs, made on threads of the service's own while the songs play, and kept in a
// cache so that a song loaded again shows its picture at once.
class AnalysisService : public QObject {
    Q_OBJECT
public:
    // `cacheFolder` empty: the user's cache folder ($XDG_CACHE_HOME/deckmora/analysis).
    explicit AnalysisService(QString cacheFolder = {}, QObject* parent = nullptr);
    // Cancels what runs and waits for its threads.
    ~AnalysisService() override;

    // UI thread: the waveform of `path`, whole at once from the cache, or filling in from now on. The same
    // object for the same path while anyone holds it; never null (a song that cannot be read gives a failed
    // waveform).
    std::shared_ptr<const Waveform> waveform(const QString& path);

signals:
    // More of `path` is in (a few times a second at most), and it is all in (or failed).
    void progressed(const QString& path);
    void finished(const QString& path);

private:
    struct Job;
    void run(Job& job);

    QString m_cacheFolder;
    QHash<QString, std::weak_ptr<Waveform>> m_known;
    std::vector<std::unique_ptr<Job>> m_jobs;
};

} // namespace platform::analysis
