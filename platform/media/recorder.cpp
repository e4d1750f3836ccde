#include "media/recorder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::media {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Reasons are whole sentences that a host can show alone or after its own words ("Recording stopped: ..."):
// they do not say again that the recording stopped, nor where its file is.
std::string cannotStart(const std::string& path, int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return "The folder " + folderOf(path) + " does not exist.";
    case EEXIST:
        return "A file of that name is already there, and a recording never writes over one.";
    case EACCES:
    case EPERM:
    case EROFS:
        return "The folder " + folderOf(path) + " cannot be written to.";
    default:
        return std::string(std::strerror(err)) + ".";
    }
}

std::string writeFailed(int err, const char* library) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return "The disk is full.";
    case EFBIG:
        return "The file reached the largest size allowed there.";
    default:
        return "The file could not be written (" + std::string(err ? std::strerror(err) : library) + ").";
    }
}

// Reads the file back to its last whole block: what a player will find in it.
int64_t framesThatDecode(const std::string& path) {
    SF_INFO info{};
    SNDFILE* in = sf_open(path.c_str(), SFM_READ, &info);
    if (!in)
        return -1;
    std::vector<short> block(size_t(2 * 4096));
    int64_t total = 0;
    for (sf_count_t n; (n = sf_readf_short(in, block.data(), 4096)) > 0;)
        total += n;
    sf_close(in);
    return total;
}

// A FLAC stream whose encoder failed keeps the length "unknown" and may end in a cut block. Writing the
// length of what decodes into STREAMINFO makes players show the right duration and stop before the cut.
void setFlacLength(const std::string& path, int64_t frames) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return;
    unsigned char head[26];
    // "fLaC", then the first metadata block's header (type 0 is STREAMINFO), then 10 bytes of block and
    // frame sizes; bytes 18..25 hold rate (20 bits), channels (3), bits (5) and the frame count (36).
    if (::pread(fd, head, sizeof head, 0) == ssize_t(sizeof head) && std::memcmp(head, "fLaC", 4) == 0 &&
        (head[4] & 0x7F) == 0) {
        uint64_t word = 0;
        for (int i = 18; i < 26; ++i)
            word = word << 8 | head[i];
        constexpr uint64_t kCount = (uint64_t(1) << 36) - 1;
        word = (word & ~kCount) | (uint64_t(frames) & kCount);
        for (int i = 25; i >= 18; --i, word >>= 8)
            head[i] = static_cast<unsigned char>(word & 0xFF);
        [[maybe_unused]] const auto written = ::pwrite(fd, head + 18, 8, 18);
    }
    ::close(fd);
}

uint64_t powerOfTwoAtLeast(uint64_t n) {
    uint64_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

struct Recorder::Sink {
    SNDFILE* file = nullptr;
    int fd = -1;
    AudioEngine::RecordFormat format = AudioEngine::RecordFormat::Flac;
    std::string path;
    std::string failure; // why the file refused a write
};

Recorder::Recorder() = default;

Recorder::~Recorder() {
    disarm();
    finish();
}

bool Recorder::start(const std::string& path, AudioEngine::RecordFormat format, int rate,
                     std::string* error) {
    auto refuse = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (onWriterThread())
        return refuse("A recording cannot be started while the last one is closing.");
    if (m_active.load())
        return refuse("A recording is already running.");
    finish(); // the writer of a recording that stopped by itself
    if (!m_ring) {
        m_rate = rate;
        m_capacity = powerOfTwoAtLeast(uint64_t(kRingSeconds * rate));
        m_ring = std::make_unique<float[]>(size_t(2 * m_capacity));
    }

    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return refuse(cannotStart(path, errno));
    SF_INFO info{};
    info.samplerate = m_rate;
    info.channels = 2;
    info.format = format == AudioEngine::RecordFormat::Wav ? SF_FORMAT_WAV | SF_FORMAT_PCM_16
                                                           : SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    // The descriptor stays ours: closed once, by us, whatever libsndfile did with it.
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (!file) {
        const std::string why = sf_strerror(nullptr);
        ::close(fd);
        ::unlink(path.c_str());
        return refuse(why + ".");
    }
    m_sink = std::make_unique<Sink>(Sink{file, fd, format, path, {}});
    {
        std::lock_guard lk(m_stateMutex);
        m_path = path;
        m_error.clear();
    }
    {
        std::lock_guard lk(m_wakeMutex);
        m_stop = false;
        m_roomWanted = false;
    }
    // Whatever a pass of an earlier recording left after that one stopped is not this recording's.
    m_read.store(m_write.load(std::memory_order_acquire), std::memory_order_release);
    m_overflow.store(false);
    m_frames.store(0);
    m_active.store(true);
    m_writer = std::thread([this] { run(); });
    m_writerId.store(m_writer.get_id());
    m_armed.store(true, std::memory_order_release);
    return true;
}

void Recorder::feed(const float* mix, int frames) {
    if (!m_armed.load(std::memory_order_acquire) || frames <= 0)
        return;
    const uint64_t w = m_write.load(std::memory_order_relaxed);
    const uint64_t r = m_read.load(std::memory_order_acquire);
    if (m_capacity - (w - r) < uint64_t(frames)) {
        // The disk has fallen a whole ring behind. Stopping here keeps the file free of gaps: it holds
        // everything up to this pass.
        m_overflow.store(true, std::memory_order_release);
        m_armed.store(false, std::memory_order_release);
        return;
    }
    const uint64_t at = w & (m_capacity - 1);
    const uint64_t first = std::min<uint64_t>(uint64_t(frames), m_capacity - at);
    std::memcpy(m_ring.get() + 2 * at, mix, size_t(2 * first) * sizeof(float));
    std::memcpy(m_ring.get(), mix + 2 * first, size_t(2 * (uint64_t(frames) - first)) * sizeof(float));
    m_write.store(w + uint64_t(frames), std::memory_order_release);
}

void Recorder::run() {
    m_writerId.store(std::this_thread::get_id());
    auto lastLook = std::chrono::steady_clock::now();
    std::unique_lock lk(m_wakeMutex);
    for (;;) {
        m_wake.wait_for(lk, kDrainInterval, [this] { return m_stop || m_roomWanted; });
        const bool stopping = m_stop;
        m_roomWanted = false;
        lk.unlock();
        // Read first: an overflow seen now comes after every frame the callback put in, so this drain
        // writes all of them.
        if (auto hook = drainHook.load(std::memory_order_relaxed)) [[unlikely]]
            hook();
        const bool overflowed = m_overflow.load(std::memory_order_acquire);
        std::string why;
        if (!drain())
            why = m_sink->failure;
        else if (overflowed)
            why = "The disk could not keep up.";
        else if (const auto now = std::chrono::steady_clock::now();
                 now - lastLook > std::chrono::seconds(1)) {
            lastLook = now;
            // A removed folder takes the file with it, yet writes to it go on succeeding, into nothing.
            struct stat st {};
            if (::fstat(m_sink->fd, &st) == 0 && st.st_nlink == 0)
                why = "The file or its folder was removed.";
        }
        if (!why.empty()) {
            fail(why);
            return;
        }
        if (stopping) {
            closeSink(false);
            m_active.store(false);
            return;
        }
        lk.lock();
        m_drained.notify_all();
    }
}

bool Recorder::drain() {
    const uint64_t w = m_write.load(std::memory_order_acquire);
    uint64_t r = m_read.load(std::memory_order_relaxed);
    while (r != w) {
        const uint64_t at = r & (m_capacity - 1);
        const auto n = sf_count_t(std::min(w - r, m_capacity - at));
        errno = 0;
        const sf_count_t done = sf_writef_float(m_sink->file, m_ring.get() + 2 * at, n);
        const int err = errno;
        m_frames.fetch_add(std::max<sf_count_t>(done, 0));
        if (done != n) {
            m_sink->failure = writeFailed(err, sf_strerror(m_sink->file));
            return false;
        }
        r += uint64_t(n);
        m_read.store(r, std::memory_order_release);
    }
    return true;
}

void Recorder::fail(const std::string& why) {
    disarm();
    closeSink(true);
    {
        std::lock_guard lk(m_stateMutex);
        m_error = why;
    }
    m_active.store(false);
    {
        // Under the lock, so that a producer between its check and its wait cannot miss the end.
        std::lock_guard lk(m_wakeMutex);
    }
    m_drained.notify_all();
    std::lock_guard lk(m_listenerMutex);
    if (m_listener)
        m_listener();
}

void Recorder::closeSink(bool failed) {
    if (!m_sink)
        return;
    struct stat st {};
    const bool gone = ::fstat(m_sink->fd, &st) == 0 && st.st_nlink == 0;
    const bool wav = m_sink->format == AudioEngine::RecordFormat::Wav;
    if (failed && wav) {
        // A write cut short may have left part of a frame; the header is rewritten from the file's size.
        sf_count_t whole = m_frames.load();
        sf_command(m_sink->file, SFC_FILE_TRUNCATE, &whole, sizeof whole);
    }
    sf_close(m_sink->file);
    ::close(m_sink->fd);
    if (failed && !wav && !gone) {
        const int64_t frames = framesThatDecode(m_sink->path);
        if (frames >= 0) {
            setFlacLength(m_sink->path, frames);
            m_frames.store(frames);
        }
    }
    m_sink.reset();
}

void Recorder::finish() {
    if (!m_writer.joinable() || onWriterThread())
        return;
    {
        std::lock_guard lk(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_writer.join();
    m_writerId.store({});
    m_active.store(false);
}

void Recorder::waitForRoom(int frames) {
    const auto room = [&] {
        return !armed() || !m_active.load() ||
               m_capacity -
                       (m_write.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire)) >=
                   uint64_t(frames);
    };
    if (room())
        return;
    std::unique_lock lk(m_wakeMutex);
    while (!room()) {
        m_roomWanted = true;
        m_wake.notify_all();
        m_drained.wait_for(lk, kDrainInterval, room);
    }
}

AudioEngine::Recording Recorder::state() const {
    AudioEngine::Recording out;
    out.active = m_active.load();
    out.frames = m_frames.load();
    std::lock_guard lk(m_stateMutex);
    out.path = m_path;
    out.error = m_error;
    return out;
}

void Recorder::setListener(std::function<void()> listener) {
    std::lock_guard lk(m_listenerMutex);
    m_listener = std::move(listener);
}

} // namespace platform::media
