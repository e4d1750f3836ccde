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
// adds the last part column and marks it complete.
class WaveformBuilder final : public FrameSink {
public:
    static constexpr double kLowSplitHz = 250.0;
    static constexpr double kHighSplitHz = 2500.0;

    explicit WaveformBuilder(Waveform& target) : m_target(target) {}

    void start(int rate, int channels, int64_t expectedFrames) override;
    void add(const float* frames, int count) override;
    void finish() override;

    // The columns a song of `frames` at `rate` fills: its last part column included.
    static int64_t columnsFor(int64_t frames, int rate);

    // The two channels side by side through one filter.
    using Lanes = double __attribute__((vector_size(16)));

private:
    struct Biquad {
        Lanes b0{}, b1{}, b2{}, a1{}, a2{};
        Lanes z1{}, z2{};
        Lanes run(Lanes x) {
            const Lanes y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }
    };
    // One 2nd-order Butterworth stage of a split at `hz`, its low or its high side.
    static Biquad butterworth(double hz, int rate, bool high);
    int64_t boundary(int64_t column) const;
    void pushColumn();

    Waveform& m_target;
    int m_rate = 0;
    int m_channels = 0;
    // Two stages each: the low band and the rest at the first split, the rest parted at the second.
    Biquad m_low[2], m_rest[2], m_mid[2], m_high[2];
    Lanes m_energy[3]{};
    float m_peak = 0.0f;
    int m_inColumn = 0;      // frames in the column being made
    int64_t m_frame = 0;     // frames seen
    int64_t m_column = 0;    // the column being made
    int64_t m_nextStart = 0; // the first frame of the next column
    std::vector<WaveColumn> m_out;
};

} // namespace platform::analysis
