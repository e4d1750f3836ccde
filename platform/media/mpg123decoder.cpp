#include "media/mpg123decoder.h"

#include <atomic>
#include <cstring>
#include <mpg123.h>
#include <mutex>
#include <sys/stat.h>

#include "media/streamprobe.h"

namespace platform::media {

namespace {

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

} // namespace

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

} // namespace platform::media
