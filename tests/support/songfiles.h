#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// Song files for the tests, written with libsndfile (MP3 through LAME), so the repository holds no samples
// and no test builds a RIFF header by hand.
namespace songfiles {

enum class Kind { WavFloat, Wav16, Mp3Cbr, Mp3Vbr };

// Writes interleaved `samples` of `channels` channels at `rate`; returns false when libsndfile refused.
bool write(const QString& path, Kind kind, int rate, int channels, const std::vector<float>& samples);
// A mono 16-bit WAV whose header claims `claimed` frames while only the first `frames` follow it: a song cut
// short (frames == claimed: a whole one; 0 and 0: a header without audio).
bool writeCutShort(const QString& path, int rate, int frames, int claimed);

// The formats beyond MP3 and WAV. libsndfile writes AIFF, FLAC, Ogg Vorbis and Opus; the `ffmpeg` tool writes
// the rest from a 16-bit WAV beside the target (M4A files with their index first, as shops sell them).
enum class Format { Aiff, Flac, OggVorbis, Opus, M4aAac, M4aAlac, Adts, Wma };
const char* extension(Format f);
// Writes 16-bit `samples`; a lossless format then decodes to exactly sample / 32768.
bool write(const QString& path, Format format, int rate, int channels, const std::vector<int16_t>& samples);

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

// A mono 16-bit WAV song of `seconds` at `rate` frames a second: a quiet tone, so a mix of it is not silence.
bool writeSong(const QString& path, double seconds, int rate = 8000, double hz = 440);
