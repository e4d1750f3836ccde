#include "analysis/songanalysis.h"

#include <algorithm>
#include <vector>

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
        for (FrameSink* s : sinks)
            s->add(chunk.data(), n);
    }
    if (!a.cancelled)
        for (FrameSink* s : sinks)
            s->finish();
    return a;
}

QJsonObject toJson(const SongAnalysis& a) {
    QJsonObject o;
    o.insert(QStringLiteral("duration_s"), a.durationSeconds());
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
