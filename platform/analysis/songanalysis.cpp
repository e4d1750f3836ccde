#include "analysis/songanalysis.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/audiblebounds.h"
#include "analysis/loudness.h"
#include "media/decoder.h"

namespace platform::analysis {

namespace {

constexpr int kChunkFrames = 8192;

} // namespace

SongAnalysis analyse(media::Decoder& decoder, const std::atomic<bool>* cancel,
                     std::span<FrameSink* const> sinks) {
    SongAnalysis a;
    a.rate = decoder.rate();
    const int channels = std::max(1, decoder.channels());
    for (FrameSink* s : sinks)
        s->start(a.rate, channels, decoder.length());
    Loudness loudness(a.rate, channels);
    AudibleBounds bounds(a.rate, channels);
    TempoDetector tempo(a.rate, channels);
    std::vector<float> chunk(size_t(kChunkFrames) * size_t(channels));
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            a.cancelled = true;
            break;
        }
        const int n = decoder.read(chunk.data(), kChunkFrames);
        if (n <= 0)
            break;
        a.frames += n;
        loudness.add(chunk.data(), n);
        bounds.add(chunk.data(), n);
        tempo.add(chunk.data(), n);
        for (FrameSink* s : sinks)
            s->add(chunk.data(), n);
    }
    if (a.cancelled)
        return a;
    for (FrameSink* s : sinks)
        s->finish();
    loudness.finish();
    bounds.finish();
    a.loudnessLufs = loudness.integratedLufs();
    a.truePeakDbtp = loudness.truePeakDbtp();
    if (a.rate > 0 && bounds.startFrame() && bounds.endFrame()) {
        a.audibleStartSeconds = double(*bounds.startFrame()) / a.rate;
        a.audibleEndSeconds = double(*bounds.endFrame()) / a.rate;
    }
    a.beats = tempo.finish();
    return a;
}

QJsonObject toJson(const SongAnalysis& a) {
    QJsonObject o;
    o.insert(QStringLiteral("duration_s"), a.durationSeconds());
    const auto put = [&o](const char* key, std::optional<double> v, double step) {
        const bool number = v && std::isfinite(*v);
        o.insert(QLatin1String(key), number ? QJsonValue(std::round(*v / step) * step) : QJsonValue());
    };
    put("bpm", a.beats ? std::optional(a.beats->bpm) : std::nullopt, 0.1);
    put("first_beat_s", a.beats ? std::optional(a.beats->firstBeatSeconds) : std::nullopt, 0.0001);
    put("loudness_lufs", a.loudnessLufs, 0.01);
    put("true_peak_dbtp", a.truePeakDbtp, 0.01);
    put("audible_start_s", a.audibleStartSeconds, 0.0001);
    put("audible_end_s", a.audibleEndSeconds, 0.0001);
    return o;
}

QJsonObject analyseFile(const QString& path) {
    QJsonObject o;
    o.insert(QStringLiteral("path"), path);
    media::OpenResult opened = media::openDecoder(path);
    if (!opened.decoder) {
        o.insert(QStringLiteral("error"), opened.error.message);
        return o;
    }
    const QJsonObject found = toJson(analyse(*opened.decoder));
    for (auto it = found.begin(); it != found.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

} // namespace platform::analysis
