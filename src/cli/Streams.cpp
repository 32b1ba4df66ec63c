#include "Streams.h"

#include <QtGlobal>

#include <cerrno>
#ifdef _WIN32
#include <io.h>
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

namespace hzm::cli {

bool isTerminal(std::FILE *file) {
#ifdef _WIN32
    // A console: _isatty() takes any character device for one, NUL and COM1 too.
    DWORD mode = 0;
    return GetConsoleMode(HANDLE(_get_osfhandle(_fileno(file))), &mode) != 0;
#else
    return ::isatty(::fileno(file)) == 1;
#endif
}

FileOutput::FileOutput(std::FILE *file) : m_file(file), m_terminal(cli::isTerminal(file)) {
#ifdef _WIN32
    // The progress line and the colours are escape sequences, which a console takes once asked
    // (every one since Windows 10); one that refuses shows the plain text.
    if (m_terminal) {
        const HANDLE console = HANDLE(_get_osfhandle(_fileno(file)));
        DWORD mode = 0;
        m_terminal = GetConsoleMode(console, &mode) &&
                     SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
#endif
}

void FileOutput::write(const QByteArray &bytes) {
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_file) == size_t(bytes.size()) &&
        std::fflush(m_file) == 0)
        return;
    int expected = 0;
    m_error.compare_exchange_strong(expected, errno ? errno : EIO);
}

LinePrefixOutput::~LinePrefixOutput() {
    if (!m_pending.isEmpty())
        write(QByteArrayLiteral("\n"));
}

void LinePrefixOutput::write(const QByteArray &bytes) {
    m_pending += bytes;
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_target.write(m_prefix + m_pending.left(end + 1));
        m_pending.remove(0, end + 1);
    }
}

bool Streams::wantsColour() const {
    return err.isTerminal() && !qEnvironmentVariableIsSet("NO_COLOR");
}

} // namespace hzm::cli
