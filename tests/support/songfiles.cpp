#include "songfiles.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <sndfile.h>

namespace songfiles {

bool write(const QString& path, Kind kind, int rate, int channels, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    switch (kind) {
    case Kind::WavFloat:
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        break;
    case Kind::Wav16:
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        break;
    case Kind::Mp3Cbr:
    case Kind::Mp3Vbr:
        info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        break;
    }
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf)
        return false;
    if (kind == Kind::Mp3Cbr || kind == Kind::Mp3Vbr) {
        int mode = kind == Kind::Mp3Cbr ? SF_BITRATE_MODE_CONSTANT : SF_BITRATE_MODE_VARIABLE;
        sf_command(sf, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
    }
    const sf_count_t frames = sf_count_t(samples.size() / size_t(channels));
    const bool ok = sf_writef_float(sf, samples.data(), frames) == frames;
    return sf_close(sf) == 0 && ok;
}

const char* extension(Format f) {
    switch (f) {
    case Format::Aiff:
        return "aiff";
    case Format::Flac:
        return "flac";
    case Format::OggVorbis:
        return "ogg";
    case Format::Opus:
        return "opus";
    case Format::M4aAac:
    case Format::M4aAlac:
        return "m4a";
    case Format::Adts:
        return "aac";
    case Format::Wma:
        return "wma";
    }
    return "";
}

namespace {

bool writeShorts(const QString& path, int format, int rate, int channels,
                 const std::vector<int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf)
        return false;
    // In blocks: libsndfile's Vorbis writer asks libvorbis for a buffer of the whole write at once, which a
    // song of minutes overflows.
    const sf_count_t frames = sf_count_t(samples.size() / size_t(channels));
    bool ok = true;
    for (sf_count_t f = 0; ok && f < frames; f += 4096) {
        const sf_count_t n = std::min<sf_count_t>(4096, frames - f);
        ok = sf_writef_short(sf, samples.data() + f * channels, n) == n;
    }
    return sf_close(sf) == 0 && ok;
}

} // namespace

bool write(const QString& path, Format format, int rate, int channels, const std::vector<int16_t>& samples) {
    switch (format) {
    case Format::Aiff:
        return writeShorts(path, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, rate, channels, samples);
    case Format::Flac:
        return writeShorts(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, rate, channels, samples);
    case Format::OggVorbis:
        return writeShorts(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, rate, channels, samples);
    case Format::Opus:
        return writeShorts(path, SF_FORMAT_OGG | SF_FORMAT_OPUS, rate, channels, samples);
    default:
        break;
    }
    const QString source = path + QStringLiteral(".source.wav");
    if (!writeShorts(source, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, channels, samples))
        return false;
    QStringList codec;
    switch (format) {
    case Format::M4aAac:
        codec = {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "ipod"};
        break;
    case Format::M4aAlac:
        codec = {"-c:a", "alac", "-movflags", "+faststart", "-f", "ipod"};
        break;
    case Format::Adts:
        codec = {"-c:a", "aac", "-b:a", "192k", "-f", "adts"};
        break;
    default:
        codec = {"-c:a", "wmav2", "-b:a", "192k", "-f", "asf"};
        break;
    }
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-v", "error", "-nostdin", "-y", "-i", source} + codec + QStringList{path});
    const bool ok = ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
                    ffmpeg.exitCode() == 0;
    QFile::remove(source);
    return ok && QFileInfo(path).size() > 0;
}

bool writeCutShort(const QString& path, int rate, int frames, int claimed) {
    if (!write(path, Kind::Wav16, rate, 1, saw(claimed, 1)))
        return false;
    QFile f(path);
    return f.resize(f.size() - 2 * qint64(claimed - frames));
}

std::vector<float> saw(int frames, int channels) {
    std::vector<float> s(size_t(frames) * size_t(channels));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            s[size_t(f * channels + c)] = float(((f % 997) / 997.0 - 0.5) / 2) * (c == 1 ? -1.0f : 1.0f);
    return s;
}

std::vector<float> constant(int frames, int channels, float value) {
    return std::vector<float>(size_t(frames) * size_t(channels), value);
}

std::vector<float> sine(int frames, int channels, int rate, double hz, float amplitude) {
    std::vector<float> s(size_t(frames) * size_t(channels));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            s[size_t(f * channels + c)] = amplitude * float(std::sin(2 * M_PI * hz * f / rate));
    return s;
}

FirstFrame firstFrame(const QByteArray& b) {
    FirstFrame r;
    int64_t pos = 0;
    auto u = [&](int64_t i) { return (unsigned char)b[int(i)]; };
    while (pos + 10 <= b.size() && b.mid(int(pos), 3) == "ID3")
        pos += 10 + ((u(pos + 6) << 21) | (u(pos + 7) << 14) | (u(pos + 8) << 7) | u(pos + 9));
    for (; pos + 4 <= b.size(); ++pos)
        if (u(pos) == 0xFF && (u(pos + 1) & 0xE0) == 0xE0)
            break;
    if (pos + 4 > b.size())
        return r;
    static const int kMpeg1L3[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kRates[3] = {44100, 48000, 32000};
    const int bitrate = kMpeg1L3[u(pos + 2) >> 4] * 1000;
    const int rate = kRates[(u(pos + 2) >> 2) & 3];
    r.offset = pos;
    r.length = 144 * bitrate / rate + ((u(pos + 2) >> 1) & 1);
    const QByteArray frame = b.mid(int(pos), r.length);
    r.isInfo = frame.contains("Xing") || frame.contains("Info");
    return r;
}

} // namespace songfiles

bool writeSong(const QString& path, double seconds, int rate, double hz) {
    const int frames = int(std::llround(seconds * rate));
    return songfiles::write(path, songfiles::Kind::Wav16, rate, 1,
                            songfiles::sine(frames, 1, rate, hz, 0.25f));
}
