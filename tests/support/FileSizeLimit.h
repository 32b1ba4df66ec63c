#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN

// No file size limit on Windows: a write never fails here, so the tests that need one fail rather
// than pass, and scripts/test-windows skips them by name.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64) {}
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
};

#else

#include <csignal>
#include <sys/resource.h>

// Makes every write past limit bytes fail (EFBIG) while it lives, as on a full disk. Unlike a
// read-only folder this stops root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = m_saved;
        l.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

#endif
