#pragma once

#include <QJsonObject>
#include <QString>
#include <atomic>
#include <cstdint>

namespace platform::media {
class Decoder;
}

namespace platform::analysis {

// What one decode of a song teaches. Grows a member per finding (waveform, tempo, loudness), each written
// under its own key by toJson().
struct SongAnalysis {
    int rate = 0;
    int64_t frames = 0; // every frame the decoder gave, to its end
    bool cancelled = false;

    double durationSeconds() const { return rate > 0 ? double(frames) / rate : 0.0; }
};

// Decodes `decoder` from where it stands to the end of its data. Any thread; gives up soon after `cancel` is
// set (the result then says so). The decoder's own length is not asked: it may be an estimate.
SongAnalysis analyse(media::Decoder& decoder, const std::atomic<bool>* cancel = nullptr);

// The findings under their keys ("duration_s": seconds, exact to the frame).
QJsonObject toJson(const SongAnalysis& a);

// Opens `path` by its content and analyses it: one object with "path" and the findings, or "path" and an
// "error" sentence when it cannot be played.
QJsonObject analyseFile(const QString& path);

} // namespace platform::analysis
