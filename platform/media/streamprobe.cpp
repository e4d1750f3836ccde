// The stream probe: which decoder a file's content calls for, never its name.
#include "media/streamprobe.h"

#include <cstring>
#include <sys/stat.h>

#include "media/decodersupport.h"
#include "media/ffmpegdecoder.h"
#include "media/mpg123decoder.h"
#include "media/sndfiledecoder.h"

namespace platform::media {

namespace {

constexpr size_t kSyncWindow = 64 * 1024;
constexpr int kChainNeeded = 4;

// Size of the ID3v2 tag at `h` (10 bytes available), or 0.
int64_t id3v2Size(const unsigned char* h) {
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF)
        return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
        return 0;
    const int64_t body = (int64_t(h[6]) << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
    return 10 + body + ((h[5] & 0x10) ? 10 : 0);
}

// Containers libsndfile reads (WAV, AIFF, FLAC, Ogg Vorbis and Opus, ...). One of them with a codec it does
// not know (Ogg Speex, a WAV holding ADPCM or WMA) is FFmpeg's to try.
bool hasSndfileMagic(const std::vector<unsigned char>& head) {
    static const char* const kMagics[] = {"RIFF", "RIFX", "RF64", "FORM", "fLaC",
                                          "OggS", ".snd", "caff", "wvpk"};
    if (head.size() < 4)
        return false;
    for (const char* m : kMagics)
        if (std::memcmp(head.data(), m, 4) == 0)
            return true;
    return false;
}

// Containers only FFmpeg reads: MP4/M4A (an "ftyp" box first), ASF (WMA), Matroska/WebM.
bool hasFfmpegMagic(const std::vector<unsigned char>& head) {
    static const unsigned char kAsf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    static const unsigned char kEbml[] = {0x1A, 0x45, 0xDF, 0xA3};
    if (head.size() >= 8 && std::memcmp(head.data() + 4, "ftyp", 4) == 0)
        return true;
    return (head.size() >= 8 && std::memcmp(head.data(), kAsf, 8) == 0) ||
           (head.size() >= 4 && std::memcmp(head.data(), kEbml, 4) == 0);
}

FileDescriptor duplicate(const FileDescriptor& fd) {
    return FileDescriptor(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0));
}

} // namespace

bool parseHeader(const unsigned char* h, FrameHeader& f) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    const int v = (h[1] >> 3) & 3, l = (h[1] >> 1) & 3;
    const int bi = h[2] >> 4, si = (h[2] >> 2) & 3, pad = (h[2] >> 1) & 1;
    if (v == 1 || l == 0 || bi == 0 || bi == 15 || si == 3 || (h[3] & 3) == 2)
        return false;
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    f.version = v == 3 ? 1 : v == 2 ? 2 : 25;
    f.layer = 4 - l;
    f.rate = kRates[si] / (f.version == 1 ? 1 : f.version == 2 ? 2 : 4);
    const int br = kBitrates[f.version == 1 ? 0 : 1][f.layer - 1][bi] * 1000;
    if (f.layer == 1)
        f.length = (12 * br / f.rate + pad) * 4;
    else if (f.layer == 3 && f.version != 1)
        f.length = 72 * br / f.rate + pad;
    else
        f.length = 144 * br / f.rate + pad;
    return f.length > 4;
}

bool looksLikeMpegAudio(const unsigned char* data, size_t size, int64_t bytesToEnd) {
    const size_t window = std::min(size, kSyncWindow);
    for (size_t start = 0; start + 4 <= window; ++start) {
        FrameHeader first;
        if (!parseHeader(data + start, first))
            continue;
        size_t pos = start;
        int chained = 0;
        FrameHeader f = first;
        for (;;) {
            ++chained;
            pos += size_t(f.length);
            if (chained >= kChainNeeded)
                return true;
            // A short song may end (or reach its trailing tag) before the chain is long enough.
            if (int64_t(pos) + 128 >= bytesToEnd && int64_t(pos) <= bytesToEnd)
                return chained >= 2;
            if (pos + 4 > size || !parseHeader(data + pos, f) || f.version != first.version ||
                f.layer != first.layer || f.rate != first.rate)
                break;
        }
    }
    return false;
}

OpenResult openDecoder(const QString& path) {
    const QString name = shown(path);
    if (path.isEmpty())
        return {nullptr, fail(MediaError::Kind::NotFound, QStringLiteral("No file name was given."))};
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {nullptr, fail(MediaError::Kind::NotFound,
                              QStringLiteral("The file \"%1\" does not exist.").arg(name))};
    if (S_ISDIR(st.st_mode))
        return {nullptr, fail(MediaError::Kind::NotAFile,
                              QStringLiteral("\"%1\" is a folder, not a song file.").arg(name))};
    if (!S_ISREG(st.st_mode))
        return {nullptr,
                fail(MediaError::Kind::NotAFile, QStringLiteral("\"%1\" is not a song file.").arg(name))};
    FileDescriptor fd = openRead(path);
    if (fd.get() < 0)
        return {nullptr, fail(MediaError::Kind::Unreadable,
                              QStringLiteral("The file \"%1\" cannot be read (%2).")
                                  .arg(name, QString::fromLocal8Bit(std::strerror(errno))))};
    const int64_t size = st.st_size;
    if (size == 0)
        return {nullptr,
                fail(MediaError::Kind::Empty, QStringLiteral("The file \"%1\" is empty.").arg(name))};

    std::vector<unsigned char> head = readAt(fd.get(), 0, 16);
    if (hasSndfileMagic(head)) {
        OpenResult r = openWithSndfile(duplicate(fd), path, true);
        if (r.decoder || r.error.kind == MediaError::Kind::Empty)
            return r;
        OpenResult other = openWithFfmpeg(fd, path, true);
        return other.decoder ? std::move(other) : std::move(r);
    }
    if (hasFfmpegMagic(head))
        return openWithFfmpeg(fd, path, true);

    // Skip ID3v2 tags (there may be several) before looking for MPEG frames.
    int64_t audioStart = 0;
    while (audioStart + 10 <= size) {
        const std::vector<unsigned char> h = readAt(fd.get(), audioStart, 10);
        const int64_t tag = h.size() == 10 ? id3v2Size(h.data()) : 0;
        if (tag == 0)
            break;
        audioStart += tag;
    }
    const std::vector<unsigned char> audio = readAt(fd.get(), audioStart, kSyncWindow + 8 * 1024);
    if (looksLikeMpegAudio(audio.data(), audio.size(), size - audioStart)) {
        FileDescriptor scanFd = openRead(path);
        return openWithMpg123(std::move(fd), std::move(scanFd), path);
    }
    if (audioStart >= size)
        return {nullptr, fail(MediaError::Kind::Empty,
                              QStringLiteral("The file \"%1\" holds only a tag and no sound.").arg(name))};
    // Raw AAC and the other streams without a container, which may carry a tag in front as MP3 does.
    OpenResult r = openWithFfmpeg(fd, path, false, audioStart);
    if (r.decoder || r.error.kind != MediaError::Kind::UnsupportedFormat)
        return r;
    if (audioStart > 0)
        return {nullptr,
                fail(MediaError::Kind::Corrupt,
                     QStringLiteral("The file \"%1\" is damaged: no sound follows its tag.").arg(name))};
    return openWithSndfile(std::move(fd), path, false);
}

} // namespace platform::media
