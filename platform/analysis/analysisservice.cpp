#include "analysis/analysisservice.h"

#include <QMetaObject>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "media/decoder.h"

namespace platform::analysis {

struct AnalysisService::Job {
    QString path;
    std::shared_ptr<Waveform> waveform;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::thread thread;
};

AnalysisService::AnalysisService(QString cacheFolder, QObject* parent)
    : QObject(parent), m_cacheFolder(std::move(cacheFolder)) {
    if (m_cacheFolder.isEmpty())
        m_cacheFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        QStringLiteral("/deckmora/analysis");
}

AnalysisService::~AnalysisService() {
    for (auto& j : m_jobs)
        j->cancel.store(true);
    for (auto& j : m_jobs)
        if (j->thread.joinable())
            j->thread.join();
}

std::shared_ptr<const Waveform> AnalysisService::waveform(const QString& path) {
    if (auto known = m_known.value(path).lock())
        return known;
    // Finished jobs leave their threads to be joined here, on the thread that owns the list.
    std::erase_if(m_jobs, [](std::unique_ptr<Job>& j) {
        if (!j->done.load())
            return false;
        j->thread.join();
        return true;
    });
    auto job = std::make_unique<Job>();
    job->path = path;
    job->waveform = std::make_shared<Waveform>();
    m_known.insert(path, job->waveform);
    std::shared_ptr<const Waveform> result = job->waveform;
    Job* raw = job.get();
    raw->thread = std::thread([this, raw] { run(*raw); });
    m_jobs.push_back(std::move(job));
    return result;
}

void AnalysisService::run(Job& job) {
    auto tell = [this](const QString& path, bool finished) {
        QMetaObject::invokeMethod(
            this, [this, path, finished] { finished ? emit this->finished(path) : emit progressed(path); },
            Qt::QueuedConnection);
    };
    media::OpenResult opened = media::openDecoder(job.path);
    Waveform& w = *job.waveform;
    if (!opened.decoder) {
        w.fail(opened.error.message);
    } else {
        media::Decoder& d = *opened.decoder;
        const int channels = std::max(1, d.channels());
        const double perColumn = double(d.rate()) / Waveform::kColumnsPerSecond;
        w.setExpectedColumns(int64_t(double(d.length()) / perColumn));
        std::vector<float> chunk(size_t(8192) * size_t(channels));
        std::vector<WaveColumn> out;
        WaveColumn current;
        double filled = 0.0;
        auto last = std::chrono::steady_clock::now();
        for (;;) {
            if (job.cancel.load(std::memory_order_relaxed))
                break;
            const int n = d.read(chunk.data(), 8192);
            if (n <= 0)
                break;
            for (int f = 0; f < n; ++f) {
                for (int c = 0; c < channels; ++c)
                    current.peak = std::max(current.peak, std::fabs(chunk[size_t(f * channels + c)]));
                if (++filled >= perColumn) {
                    filled -= perColumn;
                    out.push_back(current);
                    current = {};
                }
            }
            w.append(out.data(), int(out.size()));
            out.clear();
            if (auto now = std::chrono::steady_clock::now(); now - last > std::chrono::milliseconds(100)) {
                last = now;
                tell(job.path, false);
            }
        }
        if (filled > 0)
            w.append(&current, 1);
        w.finish();
    }
    tell(job.path, true);
    job.done.store(true);
}

} // namespace platform::analysis
