#include "PtyPair.h"

#include <QElapsedTimer>

#include <algorithm>

#ifdef Q_OS_WIN

// No pseudo-terminals here: every pair is invalid, and the tests that need one are skipped by name
// (scripts/test-windows).
namespace hzm::test {

PtyPair::PtyPair() : m_error(QStringLiteral("pseudo-terminals exist on POSIX systems only")) {}
PtyPair::~PtyPair() = default;
PtyPair::LineSettings PtyPair::lineSettings() const {
    return {};
}
bool PtyPair::write(const QByteArray &) {
    return false;
}
QByteArray PtyPair::readOnce(int) {
    return {};
}

#else

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace hzm::test {

namespace {

int speedToBaud(speed_t speed) {
    switch (speed) {
    case B300:
        return 300;
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

} // namespace

PtyPair::PtyPair() {
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    // The master never blocks the test: reads wait in poll() with a time-out instead.
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Start raw, so that what the test writes reaches the client unchanged even before it
    // configures the line.
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
}

PtyPair::~PtyPair() {
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

PtyPair::LineSettings PtyPair::lineSettings() const {
    LineSettings s;
    termios t{};
    if (m_master < 0 || ::tcgetattr(m_master, &t) != 0)
        return s;
    const int in = speedToBaud(::cfgetispeed(&t));
    const int out = speedToBaud(::cfgetospeed(&t));
    s.baud = in == out ? out : 0;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
        break;
    }
    s.parity = (t.c_cflag & PARENB) != 0;
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    s.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
    s.softwareFlow = (t.c_iflag & (IXON | IXOFF)) != 0;
    s.raw = !(t.c_lflag & (ICANON | ECHO)) && !(t.c_oflag & OPOST);
    return s;
}

bool PtyPair::write(const QByteArray &bytes) {
    qsizetype done = 0;
    QElapsedTimer timer;
    timer.start();
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR) && timer.elapsed() < 5000) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        } else {
            return false;
        }
    }
    return true;
}

QByteArray PtyPair::readOnce(int timeoutMs) {
    if (m_master < 0)
        return {};
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
        return {};
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}

#endif

QByteArray PtyPair::readFor(int quietMs, int maxMs) {
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const int left = int(maxMs - timer.elapsed());
        const QByteArray piece = readOnce(std::max(0, std::min(quietMs, left)));
        if (piece.isEmpty())
            return data;
        data += piece;
        if (timer.elapsed() >= maxMs)
            return data;
    }
}

QByteArray PtyPair::readExactly(int count, int timeoutMs) {
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (data.size() < count) {
        const int left = int(timeoutMs - timer.elapsed());
        if (left <= 0)
            break;
        data += readOnce(left);
    }
    return data;
}

QByteArray PtyPair::readUntil(const QByteArray &marker, int timeoutMs) {
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (!data.endsWith(marker)) {
        const int left = int(timeoutMs - timer.elapsed());
        if (left <= 0)
            break;
        data += readOnce(std::min(left, 20));
    }
    return data;
}

} // namespace hzm::test
