#pragma once

#include <cstdint>
#include <vector>

#include "analysis/songanalysis.h"
#include "analysis/waveform.h"

namespace platform::analysis {

// Makes a song's waveform as its frames pass by: per column, the peak of any channel and the RMS of three
// bands (below about 250 Hz, to about 2.5 kHz, above), split by 4th-order Linkwitz-Riley crossovers so that
// a tone well inside a band reads its own RMS there and next to nothing in the others. The first two
// channels make the bands (a mono song counts twice), each band's energy the mean of theirs, so that a song
// whose channels cancel in a mono sum still shows. Columns reach the waveform after every add(); finish()
// adds the last part column and marks it complete, unless the builder was made to leave the mark to its owner
// (who has more to set first).
//
// The decode of an MP3 costs a few nanoseconds a frame, so the split is made to cost less: the high band is
// parted from the rest at the song's rate, and the rest, which then holds nothing above a few kilohertz, is
// split again at a quarter of the rate or so.
class WaveformBuilder final : public FrameSink {
public:
    static constexpr double kLowSplitHz = 250.0;
    static constexpr double kHighSplitHz = 2500.0;

    explicit WaveformBuilder(Waveform& target, bool marksComplete = true)
        : m_target(target), m_marksComplete(marksComplete) {}

    void start(int rate, int channels, int64_t expectedFrames) override;
    void add(const float* frames, int count) override;
    void finish() override;

    // Whether builders started from now on may use the processor's eight-lane arithmetic where it has it
    // (the default); tests run both ways.
    static void allowWideLanes(bool allowed);

    // The columns a song of `frames` at `rate` fills: its last part column included.
    static int64_t columnsFor(int64_t frames, int rate);

    // Four filters side by side: {left, right} through a split's low and high sides at once.
    using Lanes = float __attribute__((vector_size(16)));
    // The fast split's two stages side by side, the second a few frames behind the first, so that one
    // filter of eight lanes runs them both (lanes 0-3 the first stage, 4-7 the second) and its feedback does
    // not wait for the first stage's output. Kept as z1 of the transposed direct form, now and a frame ago.
    static constexpr int kStageDelay = 3;
    struct FastLanes {
        alignas(32) float b0[8], k1[8], k2[8], a1[8], a2[8];
        alignas(32) float z1[8], z1Before[8], xBefore[8];
        alignas(32) float outputs[kStageDelay][8]; // the last frames' outputs, the newest first
    };

private:
    // One 2nd-order Butterworth stage of a split at `hz` (lanes 0-1 its low side, 2-3 its high side), in a
    // state-space form whose feedback is one multiply and one add long.
    struct Biquad {
        Lanes b0{}, k1{}, k2{}, a1{}, a2{};
        Lanes z1{}, z2{};
        Lanes run(Lanes x) {
            const Lanes y = b0 * x + z1;
            const Lanes next = k1 * x + z2 - a1 * z1;
            z2 = k2 * x - a2 * z1;
            z1 = next;
            return y;
        }
    };
    static Biquad split(double hz, int rate);
    int64_t boundary(int64_t column) const;
    void pushColumn();
    // `count` frames within one column.
    void addRun(const float* frames, int count);

    Waveform& m_target;
    bool m_marksComplete;
    int m_rate = 0;
    int m_channels = 0;
    int m_decimation = 1;      // the slow split sees every m_decimation-th frame
    int m_phase = 0;           // frames until its next
    std::vector<Lanes> m_rest; // a column's low side of the fast split, for the slow one
    FastLanes m_fast{};
    void (*m_split)(FastLanes&, const float*, int, int, Lanes*, float*, float*) = nullptr;
    Biquad m_slow[2]; // two stages
    Lanes m_fastEnergy{}, m_slowEnergy{};
    int m_slowInColumn = 0;
    float m_peak = 0.0f;
    int m_inColumn = 0;      // frames in the column being made
    int64_t m_frame = 0;     // frames seen
    int64_t m_column = 0;    // the column being made
    int64_t m_nextStart = 0; // the first frame of the next column
    std::vector<WaveColumn> m_out;
};

} // namespace platform::analysis
