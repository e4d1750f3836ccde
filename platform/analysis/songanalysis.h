#pragma once

#include <QJsonObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "analysis/tempo.h"

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
    // Each empty when the song gave nothing to learn it from (silence, no steady beat, too short).
    std::optional<BeatGrid> beats;
    std::optional<double> loudnessLufs;
    std::optional<double> truePeakDbtp;
    std::optional<double> audibleStartSeconds, audibleEndSeconds;

    double durationSeconds() const { return rate > 0 ? double(frames) / rate : 0.0; }
};

// Learns from a song's frames as one decode passes them by: the findings that live outside SongAnalysis (a
// waveform that a view draws while it fills in) are made by sinks handed to analyse().
class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Before the first frames: the decoder's rate, channels and estimate of its length.
    virtual void start(int rate, int channels, int64_t expectedFrames) = 0;
    // `count` interleaved frames of the channels given to start().
    virtual void add(const float* frames, int count) = 0;
    // The decode reached the end (not called when it was cancelled).
    virtual void finish() {}
};

// Decodes `decoder` from where it stands to the end of its data. Any thread; gives up soon after `cancel` is
// set (the result then says so). The decoder's own length is not asked: it may be an estimate.
SongAnalysis analyse(media::Decoder& decoder, const std::atomic<bool>* cancel = nullptr,
                     std::span<FrameSink* const> sinks = {});

// The findings under their keys ("duration_s": seconds, exact to the frame; "bpm", "first_beat_s",
// "loudness_lufs", "true_peak_dbtp", "audible_start_s", "audible_end_s"), null where nothing was found.
QJsonObject toJson(const SongAnalysis& a);

// Opens `path` by its content and analyses it: one object with "path" and the findings, or "path" and an
// "error" sentence when it cannot be played.
QJsonObject analyseFile(const QString& path);

} // namespace platform::analysis
