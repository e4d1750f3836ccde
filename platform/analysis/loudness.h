#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::analysis {

// Integrated loudness (ITU-R BS.1770 / EBU R128: K-weighting, 400 ms blocks every 100 ms, the absolute gate
// at -70 LUFS and the relative gate 10 LU below the loudness of the blocks above it) and true peak (4 x
// oversampled) over a song's frames as they pass by.
class Loudness {
public:
    Loudness(int rate, int channels);

    void add(const float* frames, int count);
    // The last few frames' inter-sample peaks need the frames after them: silence is assumed.
    void finish();

    // Empty for a song too short for one block or quieter than the absolute gate throughout.
    std::optional<double> integratedLufs() const;
    // dB relative to full scale; empty for digital silence. Inter-sample peaks are looked for only around
    // samples within a few dB of the loudest sample so far: elsewhere they cannot set the maximum.
    std::optional<double> truePeakDbtp() const;
    double samplePeak() const { return m_samplePeak; }

private:
    struct Biquad {
        double b0, b1, b2, a1, a2;
    };
    struct State {
        double s1 = 0, s2 = 0, t1 = 0, t2 = 0;
    };
    void weigh(const float* frames, int count);
    void closeSubBlock();
    void peaks(const float* frames, int count);

    int m_rate;
    int m_channels;
    Biquad m_shelf{}, m_highPass{};
    std::vector<State> m_state;
    std::vector<double> m_weight;

    int m_subBlockFrames;
    int m_subBlockFill = 0;
    double m_subBlockEnergy = 0;
    double m_recent[3] = {0, 0, 0}; // the three sub-blocks before the one filling, oldest first
    int m_subBlocks = 0;
    std::vector<double> m_blocks; // mean square of each complete 400 ms block, weighted over channels

    float m_samplePeak = 0;
    float m_interPeak = 0;
    std::vector<float> m_window; // the last frames, interleaved, then the frames being searched
};

} // namespace platform::analysis
