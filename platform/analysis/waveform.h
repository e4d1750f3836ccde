#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "analysis/songfacts.h"

namespace platform::analysis {

// One column of a song's picture, kColumnsPerSecond of them a second of the song.
struct WaveColumn {
    float peak = 0.0f; // the largest |sample| of either channel, 0..1
    float low = 0.0f;  // RMS of the band below about 250 Hz, 0..1
    float mid = 0.0f;  // about 250 Hz to 2.5 kHz
    float high = 0.0f; // above about 2.5 kHz
};

// A song's waveform as it fills in: one analysis thread appends, any number of threads read without a lock.
// A column below ready() never changes again, so a view may draw what is there while the rest arrives.
class Waveform {
public:
    // Fine enough for one column per pixel at the closest zoom (2 s across a window at twice its size).
    static constexpr int kColumnsPerSecond = 600;

    Waveform();
    ~Waveform();
    Waveform(const Waveform&) = delete;
    Waveform& operator=(const Waveform&) = delete;

    // Any thread.
    int ready() const { return m_ready.load(std::memory_order_acquire); }
    const WaveColumn& column(int i) const;
    // The column under `seconds` of the song, or an empty one outside what is ready.
    WaveColumn at(double seconds) const;
    bool complete() const { return m_state.load(std::memory_order_acquire) == kComplete; }
    bool failed() const { return m_state.load(std::memory_order_acquire) == kFailed; }
    // 0..1: how much of the song is in, by the decoder's estimate of its length until complete.
    double progress() const;
    double durationSeconds() const { return double(ready()) / kColumnsPerSecond; }
    QString error() const;
    // What the same decode found besides the picture; empty facts until the analysis has them (by the time
    // the service tells that the song is finished).
    SongFacts facts() const;
    void setFacts(const SongFacts& facts);

    // The one writing thread. Columns beyond capacity() are dropped (a song of more than about six hours).
    void append(const WaveColumn* columns, int count);
    void setExpectedColumns(int64_t columns) { m_expected.store(columns, std::memory_order_relaxed); }
    void finish() { m_state.store(kComplete, std::memory_order_release); }
    void fail(const QString& error);
    static constexpr int kBlockColumns = 4096;
    static constexpr int kBlocks = 3300;
    static int capacity() { return kBlockColumns * kBlocks; }

private:
    enum : int { kFilling, kComplete, kFailed };
    std::array<std::atomic<WaveColumn*>, kBlocks> m_blocks{};
    std::atomic<int> m_ready{0};
    std::atomic<int64_t> m_expected{0};
    std::atomic<int> m_state{kFilling};
    mutable std::mutex m_errorMutex;
    QString m_error;
    SongFacts m_facts; // under m_errorMutex
};

} // namespace platform::analysis
