#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Song files for the media tests, written with libsndfile (MP3 through LAME) so the tests need no sample
// files.
namespace songfiles {

enum class Kind { WavFloat, Wav16, Mp3Cbr, Mp3Vbr };

// Writes interleaved `samples` of `channels` channels at `rate`; returns false when libsndfile refused.
bool write(const QString& path, Kind kind, int rate, int channels, const std::vector<float>& samples);

// A saw that tells frames apart: frame f of channel c is ((f % 997) / 997 - 0.5) / 2, negated on channel 1.
std::vector<float> saw(int frames, int channels);
std::vector<float> constant(int frames, int channels, float value);
std::vector<float> sine(int frames, int channels, int rate, double hz = 440.0, float amplitude = 0.5f);

// MP3 surgery on a file: the byte offset and length of the first MPEG frame after any ID3v2 tag, and whether
// it is a Xing/Info header frame.
struct FirstFrame {
    int64_t offset = -1;
    int length = 0;
    bool isInfo = false;
};
FirstFrame firstFrame(const QByteArray& bytes);

} // namespace songfiles
