#include "media/decoder.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mpg123.h>
#include <mutex>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::media {

namespace {

constexpr size_t kSyncWindow = 64 * 1024;
constexpr int kChainNeeded = 4;

// Branch-free (maxss/minss); the argument order makes a NaN come out as -1.
inline float clampSample(float s) {
    return std::min(1.0f, std::max(-1.0f, s));
}

void clampSamples(float* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        p[i] = clampSample(p[i]);
}

struct FrameHeader {
    int version = 0; // 1, 2 or 25 (MPEG 2.5)
    int layer = 0;
    int rate = 0;
    int length = 0; // bytes, header included
};

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

// Size of the ID3v2 tag at `h` (10 bytes available), or 0.
int64_t id3v2Size(const unsigned char* h) {
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF)
        return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
        return 0;
    const int64_t body = (int64_t(h[6]) << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
    return 10 + body + ((h[5] & 0x10) ? 10 : 0);
}

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& o) noexcept : m_fd(std::exchange(o.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& o) noexcept {
        std::swap(m_fd, o.m_fd);
        return *this;
    }
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

FileDescriptor openRead(const QString& path) {
    return FileDescriptor(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
}

std::vector<unsigned char> readAt(int fd, int64_t offset, size_t n) {
    std::vector<unsigned char> buf(n);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, buf.data() + got, n - got, offset + int64_t(got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += size_t(r);
    }
    buf.resize(got);
    return buf;
}

void initMpg123() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

mpg123_handle* newMpg123Handle() {
    initMpg123();
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    if (!mh)
        return nullptr;
    // Quiet: its messages go to stderr and describe decoder internals, not anything the user can act on.
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_GAPLESS | MPG123_QUIET, 0);
    // Resync without limit: a damaged stretch is skipped instead of ending the song there.
    mpg123_param(mh, MPG123_RESYNC_LIMIT, -1, 0);
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    return mh;
}

// The scan's own reads, through which a cancelled scan stops at its next read.
struct ScanSource {
    int fd;
    const std::atomic<bool>* cancel;
};

ssize_t scanRead(void* handle, void* buffer, size_t bytes) {
    auto* s = static_cast<ScanSource*>(handle);
    if (s->cancel->load(std::memory_order_relaxed))
        return -1;
    return ::read(s->fd, buffer, bytes);
}

off_t scanSeek(void* handle, off_t offset, int whence) {
    return ::lseek(static_cast<ScanSource*>(handle)->fd, offset, whence);
}

ScanResult scanMp3(int fd, const std::atomic<bool>& cancel) {
    ScanResult r;
    mpg123_handle* mh = newMpg123Handle();
    if (!mh)
        return r;
    ScanSource source{fd, &cancel};
    if (mpg123_replace_reader_handle(mh, &scanRead, &scanSeek, nullptr) == MPG123_OK &&
        mpg123_open_handle(mh, &source) == MPG123_OK && mpg123_scan(mh) == MPG123_OK &&
        !cancel.load(std::memory_order_relaxed)) {
        r.frames = mpg123_length(mh);
        off_t* offsets = nullptr;
        off_t step = 0;
        size_t fill = 0;
        if (mpg123_index(mh, &offsets, &step, &fill) == MPG123_OK && offsets) {
            r.index.assign(offsets, offsets + fill);
            r.step = step;
        }
        r.ok = r.frames >= 0;
    }
    mpg123_close(mh);
    mpg123_delete(mh);
    return r;
}

class Mpg123Decoder final : public Decoder {
public:
    Mpg123Decoder(mpg123_handle* mh, FileDescriptor fd, FileDescriptor scanFd, int rate, int channels)
        : m_mh(mh), m_fd(std::move(fd)), m_scanFd(std::move(scanFd)), m_rate(rate), m_channels(channels) {
        const off_t len = mpg123_length(m_mh);
        m_length = len > 0 ? len : 0;
        struct stat st {};
        if (::fstat(m_fd.get(), &st) == 0)
            m_fileSize = st.st_size;
    }
    ~Mpg123Decoder() override {
        mpg123_close(m_mh);
        mpg123_delete(m_mh);
    }
    int rate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    int64_t length() const override { return m_length; }

    int read(float* out, int frames) override {
        int written = 0;
        while (written < frames && !m_pastEnd) {
            if (m_pendingFrames == 0) {
                if (!decodeNext())
                    m_pastEnd = true;
                continue;
            }
            const int n = std::min(frames - written, m_pendingFrames);
            std::memcpy(out + size_t(written) * size_t(m_channels), m_pending,
                        size_t(n) * size_t(m_channels) * sizeof(float));
            m_pending += size_t(n) * size_t(m_channels);
            m_pendingFrames -= n;
            written += n;
        }
        clampSamples(out, size_t(written) * size_t(m_channels));
        return written;
    }

    bool seek(int64_t frame) override {
        m_pendingFrames = 0;
        m_previousEnd = -1;
        m_pastEnd = mpg123_seek(m_mh, off_t(frame), SEEK_SET) < 0;
        return !m_pastEnd;
    }

    std::function<ScanResult(const std::atomic<bool>&)> takeScanner() override {
        if (m_scanFd.get() < 0)
            return {};
        auto fd = std::make_shared<FileDescriptor>(std::move(m_scanFd));
        return [fd](const std::atomic<bool>& cancel) { return scanMp3(fd->get(), cancel); };
    }

    void applyScan(const ScanResult& r) override {
        if (!r.ok)
            return;
        m_length = r.frames;
        if (!r.index.empty()) {
            std::vector<off_t> index(r.index.begin(), r.index.end());
            mpg123_set_index(m_mh, index.data(), off_t(r.step), index.size());
        }
    }

private:
    // The next frame's samples into m_pending; false at the end of the data.
    bool decodeNext() {
        // Bounded only as a guard: with resync unlimited, a long damaged stretch is many rejected frames.
        for (int guard = 0; guard < 1 << 20; ++guard) {
            off_t num = 0;
            unsigned char* audio = nullptr;
            size_t bytes = 0;
            const int err = mpg123_decode_frame(m_mh, &num, &audio, &bytes);
            if (err == MPG123_NEW_FORMAT) {
                // A change of rate or channels mid-way: the rest is not this song.
                long r = 0;
                int c = 0, e = 0;
                mpg123_getformat(m_mh, &r, &c, &e);
                if (r != m_rate || c != m_channels)
                    return false;
                continue;
            }
            if (err != MPG123_OK)
                return false;
            if (!chained())
                continue;
            m_pending = reinterpret_cast<const float*>(audio);
            m_pendingFrames = int(bytes / (sizeof(float) * size_t(m_channels)));
            if (m_pendingFrames > 0)
                return true;
        }
        return false;
    }

    // Whether the frame just decoded belongs to the stream: it starts where the previous one ended, or the
    // next frame starts where it ends. The decoder resyncs through damage by accepting any header it finds;
    // in 64 KiB of garbage it finds a few, and those decode to loud noise. They almost never chain.
    bool chained() {
        mpg123_frameinfo info{};
        mpg123_info(m_mh, &info);
        const int64_t start = mpg123_framepos(m_mh);
        const int64_t end = start + info.framesize;
        const bool back = start == m_previousEnd;
        m_previousEnd = end;
        if (back || end >= m_fileSize)
            return true;
        const std::vector<unsigned char> h = readAt(m_fd.get(), end, 4);
        if (h.size() < 4)
            return true;
        if (std::memcmp(h.data(), "TAG", 3) == 0 || std::memcmp(h.data(), "APE", 3) == 0 ||
            std::memcmp(h.data(), "ID3", 3) == 0 || std::memcmp(h.data(), "LYR", 3) == 0)
            return true;
        FrameHeader next;
        return parseHeader(h.data(), next) && next.rate == info.rate && next.layer == info.layer;
    }

    mpg123_handle* m_mh;
    FileDescriptor m_fd;
    int64_t m_fileSize = 0;
    int64_t m_previousEnd = -1;
    const float* m_pending = nullptr;
    int m_pendingFrames = 0;
    FileDescriptor m_scanFd;
    int m_rate;
    int m_channels;
    int64_t m_length = 0;
    bool m_pastEnd = false;
};

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE* sf, const SF_INFO& info, FileDescriptor fd)
        : m_fd(std::move(fd)), m_sf(sf), m_info(info) {}
    ~SndfileDecoder() override { sf_close(m_sf); }
    int rate() const override { return m_info.samplerate; }
    int channels() const override { return m_info.channels; }
    int64_t length() const override { return m_info.frames; }
    int read(float* out, int frames) override {
        if (m_pastEnd)
            return 0;
        const sf_count_t n = sf_readf_float(m_sf, out, frames);
        if (n <= 0)
            return 0;
        clampSamples(out, size_t(n) * size_t(m_info.channels));
        return int(n);
    }
    bool seek(int64_t frame) override {
        m_pastEnd = frame >= m_info.frames || sf_seek(m_sf, frame, SEEK_SET) < 0;
        return !m_pastEnd;
    }

private:
    FileDescriptor m_fd; // sf_open_fd was told not to close it; it outlives m_sf
    SNDFILE* m_sf;
    SF_INFO m_info;
    bool m_pastEnd = false;
};

MediaError fail(MediaError::Kind kind, const QString& message) {
    return {kind, message};
}

QString shown(const QString& path) {
    return QFileInfo(path).fileName();
}

bool hasContainerMagic(const std::vector<unsigned char>& head) {
    static const char* const kMagics[] = {"RIFF", "RIFX", "RF64", "FORM", "fLaC",
                                          "OggS", ".snd", "caff", "wvpk"};
    if (head.size() < 4)
        return false;
    for (const char* m : kMagics)
        if (std::memcmp(head.data(), m, 4) == 0)
            return true;
    return false;
}

OpenResult openWithSndfile(FileDescriptor fd, const QString& path, bool claimedContainer) {
    SF_INFO info{};
    ::lseek(fd.get(), 0, SEEK_SET);
    SNDFILE* sf = sf_open_fd(fd.get(), SFM_READ, &info, SF_FALSE);
    if (!sf)
        return {nullptr,
                claimedContainer
                    ? fail(MediaError::Kind::Corrupt,
                           QStringLiteral("The file \"%1\" is damaged: its sound cannot be read.")
                               .arg(shown(path)))
                    : fail(MediaError::Kind::UnsupportedFormat,
                           QStringLiteral("The file \"%1\" is not an MP3 or WAV song.").arg(shown(path)))};
    // libsndfile's own MP3 path trusts a length estimate and stops early on some VBR files; an MP3 that our
    // own check did not recognise is not played through it either.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || info.channels <= 0 || info.samplerate <= 0) {
        sf_close(sf);
        return {nullptr, fail(MediaError::Kind::UnsupportedFormat,
                              QStringLiteral("The file \"%1\" is not an MP3 or WAV song.").arg(shown(path)))};
    }
    if (info.frames <= 0) {
        sf_close(sf);
        return {nullptr, fail(MediaError::Kind::Empty,
                              QStringLiteral("The file \"%1\" holds no sound.").arg(shown(path)))};
    }
    return {std::make_unique<SndfileDecoder>(sf, info, std::move(fd)), {}};
}

OpenResult openWithMpg123(FileDescriptor fd, FileDescriptor scanFd, const QString& path) {
    const QString name = shown(path);
    mpg123_handle* mh = newMpg123Handle();
    if (!mh)
        return {nullptr, fail(MediaError::Kind::Output, QStringLiteral("The MP3 decoder could not start."))};
    long rate = 0;
    int channels = 0, encoding = 0;
    ::lseek(fd.get(), 0, SEEK_SET);
    if (mpg123_open_fd(mh, fd.get()) != MPG123_OK ||
        mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels <= 0) {
        mpg123_close(mh);
        mpg123_delete(mh);
        return {
            nullptr,
            fail(MediaError::Kind::Corrupt,
                 QStringLiteral("The file \"%1\" is damaged: no sound could be decoded from it.").arg(name))};
    }
    mpg123_format_none(mh);
    mpg123_format(mh, rate, channels, MPG123_ENC_FLOAT_32);
    auto d = std::make_unique<Mpg123Decoder>(mh, std::move(fd), std::move(scanFd), int(rate), channels);
    return {std::move(d), {}};
}

} // namespace

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
    if (hasContainerMagic(head))
        return openWithSndfile(std::move(fd), path, true);

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
    if (audioStart > 0)
        return {nullptr,
                fail(MediaError::Kind::Corrupt,
                     QStringLiteral("The file \"%1\" is damaged: no sound follows its tag.").arg(name))};
    return openWithSndfile(std::move(fd), path, false);
}

} // namespace platform::media
