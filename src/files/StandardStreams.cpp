#include "StandardStreams.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#endif

namespace hzm {

StandardStreams::StandardStreams() {
#ifdef Q_OS_WIN
    for (FILE *stream : {stdin, stdout, stderr}) {
        if (_fileno(stream) >= 0)
            _setmode(_fileno(stream), _O_BINARY);
    }
    const UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        m_consoleCodePage = codePage;
#endif
}

StandardStreams::~StandardStreams() {
#ifdef Q_OS_WIN
    if (m_consoleCodePage != 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        SetConsoleOutputCP(m_consoleCodePage);
    }
#endif
}

} // namespace hzm
