#pragma once

#include <csignal>
#include <sys/resource.h>

// The disk fills up after `bytes` of any one file of this process: the kernel's file size limit fails a write
// beyond it with EFBIG, as a full disk fails it with ENOSPC. SIGXFSZ is ignored meanwhile, so the write fails
// instead of ending the test.
class DiskFillsUpAfter {
public:
    explicit DiskFillsUpAfter(rlim_t bytes) {
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~DiskFillsUpAfter() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }
    DiskFillsUpAfter(const DiskFillsUpAfter&) = delete;
    DiskFillsUpAfter& operator=(const DiskFillsUpAfter&) = delete;

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = nullptr;
};
