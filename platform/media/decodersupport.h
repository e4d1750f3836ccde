#pragma once

// What the decoders and the stream probe share: an owned file descriptor, positioned reads, sample clamping
// and the wording of open errors.
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "media/decoder.h"

namespace platform::media {

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

inline FileDescriptor openRead(const QString& path) {
    return FileDescriptor(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
}

inline std::vector<unsigned char> readAt(int fd, int64_t offset, size_t n) {
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

// Branch-free (maxss/minss); the argument order makes a NaN come out as -1.
inline float clampSample(float s) {
    return std::min(1.0f, std::max(-1.0f, s));
}

inline void clampSamples(float* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        p[i] = clampSample(p[i]);
}

inline MediaError fail(MediaError::Kind kind, const QString& message) {
    return {kind, message};
}

inline QString shown(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace platform::media
