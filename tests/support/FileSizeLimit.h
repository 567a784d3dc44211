#pragma once

#include <csignal>

#include <sys/resource.h>

// Lowers this process's file-size limit while it lives, so that a write past it fails with
// EFBIG, for root too: a real "file too large" without a full disk. The signal the kernel
// sends with such a write is ignored meanwhile.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_ok = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool ok() const { return m_ok; }

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = nullptr;
    bool m_ok = false;
};
