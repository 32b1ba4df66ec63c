#include "OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#endif

namespace hzm {

#ifdef Q_OS_WIN
namespace {

// The device path for a name Windows keeps for a device in every folder (NUL, C:\out\COM3 are
// devices, not files), or a path that already names one (\\.\COM12); empty for any other path.
QString windowsDevicePath(const QString &path) {
    const QString native = QDir::toNativeSeparators(path);
    if (native.startsWith(QLatin1String("\\\\.\\")))
        return native;
    static const QRegularExpression reserved(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QString name = QFileInfo(path).fileName();
    return reserved.match(name).hasMatch() ? QStringLiteral("\\\\.\\") + name.toUpper() : QString();
}

} // namespace
#endif

OutputFile::OutputFile(const QString &path) : m_path(path) {}

bool OutputFile::writeAll(const QString &path, const QByteArray &bytes, QString *error) {
    OutputFile file(path);
    bool ok = file.open();
    if (ok && file.write(bytes.constData(), bytes.size()) != bytes.size()) {
        file.cancel();
        ok = false;
    }
    ok = ok && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

OutputFile::~OutputFile() {
    cancel();
}

bool OutputFile::open() {
    m_error.clear();
    const QFileInfo info(m_path);
    if (info.isDir()) {
        m_error = QStringLiteral("is a folder");
        return false;
    }
#ifdef Q_OS_UNIX
    struct stat st {};
    const QByteArray native = QFile::encodeName(m_path);
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISSOCK(st.st_mode)) {
            m_error = QStringLiteral("is a socket; nothing is written to it");
            return false;
        }
        if (S_ISBLK(st.st_mode)) {
            m_error = QStringLiteral("is a block device (a disk); nothing is written to it");
            return false;
        }
        // Not blocking on the open: a pipe without a reader fails at once instead of waiting.
        const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            m_error = S_ISFIFO(st.st_mode) && error == ENXIO
                          ? QStringLiteral("is a pipe that no program reads from")
                          : QString::fromLocal8Bit(std::strerror(error));
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_direct = std::make_unique<QFile>();
        if (!m_direct->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            m_error = m_direct->errorString();
            m_direct.reset();
            ::close(fd);
            return false;
        }
        return true;
    }
#elif defined(Q_OS_WIN)
    const QString device = windowsDevicePath(m_path);
    if (!device.isEmpty()) {
        // Opened as a device is (a port only "existing"), and never truncated.
        const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()), GENERIC_WRITE,
                                            0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            m_error = qt_error_string();
            return false;
        }
        const int fd = ::_open_osfhandle(intptr_t(handle), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            m_error = qt_error_string();
            ::CloseHandle(handle);
            return false;
        }
        m_direct = std::make_unique<QFile>();
        if (!m_direct->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            m_error = m_direct->errorString();
            m_direct.reset();
            ::_close(fd);
            return false;
        }
        return true;
    }
#endif
    m_save = std::make_unique<QSaveFile>(m_path);
    // Unbuffered, so that a write that stops short (a full disk) shows in write()'s result: a
    // buffered QSaveFile would only meet the error while committing, which does not report it.
    if (!m_save->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = m_save->errorString();
        m_save.reset();
        return false;
    }
    return true;
}

qint64 OutputFile::write(const char *bytes, qint64 length) {
    QFileDevice *device = m_direct ? static_cast<QFileDevice *>(m_direct.get()) : m_save.get();
    if (!device)
        return -1;
    const qint64 n = device->write(bytes, length);
    if (n != length)
        m_error = device->errorString();
    return n;
}

bool OutputFile::commit() {
    if (m_direct) {
        const bool ok = m_direct->flush() && m_direct->error() == QFileDevice::NoError;
        if (!ok)
            m_error = m_direct->errorString();
        m_direct->close();
        m_direct.reset();
        return ok;
    }
    if (!m_save)
        return false;
    // Nothing stands at path until the temporary file is complete and renamed into place.
    const bool ok = m_save->commit();
    if (!ok)
        m_error = m_save->errorString();
    m_save.reset();
    return ok;
}

void OutputFile::cancel() {
    if (m_save)
        m_save->cancelWriting();
    m_save.reset();
    if (m_direct)
        m_direct->close();
    m_direct.reset();
}

} // namespace hzm
