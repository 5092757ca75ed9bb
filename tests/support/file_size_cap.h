#pragma once

#include <csignal>
#include <sys/resource.h>

namespace corvane::testing {

// Caps the size of every file the process writes, as a full disk stops a
// write, and lifts the cap however the test ends. SIGXFSZ is ignored
// meanwhile so the write past the cap fails with EFBIG instead of killing
// the test.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes)
    {
        struct sigaction ignore { };
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        m_ignoring = ::sigaction(SIGXFSZ, &ignore, &m_oldAction) == 0;
        m_read = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit capped = m_old;
        capped.rlim_cur = bytes;
        m_capped = m_ignoring && m_read && ::setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeCap()
    {
        if (m_read)
            ::setrlimit(RLIMIT_FSIZE, &m_old);
        if (m_ignoring)
            ::sigaction(SIGXFSZ, &m_oldAction, nullptr);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

    bool capped() const { return m_capped; }

private:
    struct sigaction m_oldAction { };
    rlimit m_old {};
    bool m_ignoring = false;
    bool m_read = false;
    bool m_capped = false;
};

} // namespace corvane::testing
