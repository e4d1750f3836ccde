#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::analysis {

// A constant beat grid: beats fall at firstBeatSeconds + k * 60 / bpm.
struct BeatGrid {
    double bpm = 0;              // one decimal
    double firstBeatSeconds = 0; // where the beat starts, after any beatless introduction
    double periodSeconds() const { return bpm > 0 ? 60.0 / bpm : 0.0; }
};

// Finds a song's tempo and beat grid from its frames as they pass by. Three bands' rises in level (in log
// terms, so a quiet hat counts as much as a kick) give the tempo by autocorrelation and, folded over the
// beat, the exact tempo. Between a tempo and its double the snares' band (400 Hz to 2 kHz) decides, as the
// backbeat falls on beats two and four; without snares, the bands' rises in amplitude (the low band's
// counting most). Those also place the grid, because the beat is where the loud kicks are, not where a quiet
// bass note sits between them.
class TempoDetector {
public:
    struct Range {
        double slowest = 70;
        double fastest = 180;
    };
    TempoDetector(int rate, int channels, Range range);
    TempoDetector(int rate, int channels) : TempoDetector(rate, channels, Range{}) {}

    void add(const float* frames, int count);
    // Empty for a song without a steady beat long enough to tell (or shorter than a few seconds).
    std::optional<BeatGrid> finish() const;

private:
    struct Band {
        double b0, b1, b2, a1, a2;
        double s1 = 0, s2 = 0;
        double run(double x) {
            const double y = b0 * x + s1;
            s1 = b1 * x - a1 * y + s2;
            s2 = b2 * x - a2 * y;
            return y;
        }
    };
    void addDecimated(double x);
    // Whether the snares hit between the beats of `period` frames placed at `beatPhase`, as the backbeat of a
    // beat twice as fast; empty when the snares' band has no clear pulse.
    std::optional<bool> snaresSayFaster(double beatPhase, double period) const;

    int m_channels;
    Range m_range;
    int m_decimation;
    double m_rate;       // of the decimated signal
    int m_hop;           // decimated samples per onset frame
    double m_frameRate;  // onset frames a second
    double m_boxSum = 0; // the decimation's running sum
    int m_boxFill = 0;
    Band m_low{}, m_mid{}, m_snareFloor{};
    double m_snareEnergy = 0, m_lastSnare = 0;
    double m_smooth;
    size_t m_longestSong;           // onset frames kept
    double m_energy[3] = {0, 0, 0}; // smoothed power of the low, middle and high band
    double m_lastLog[3] = {0, 0, 0};
    double m_lastAmplitude[3] = {0, 0, 0};
    int m_hopFill = 0;
    bool m_primed = false;

    std::vector<float> m_onset; // every band's rises, a frame each hop
    std::vector<float> m_punch; // the bands' rises in amplitude, the low band's counting double
    std::vector<float> m_snare; // the snares' band's rises in amplitude
};

// The detected tempo was a half or a double of the music's: the value the user means, one decimal.
double halvedTempo(double bpm);
double doubledTempo(double bpm);

} // namespace platform::analysis
