#include "TCPComms.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace hzm {

namespace {
#ifdef Q_OS_WIN
using SocketHandle = SOCKET;
constexpr int kShutdownSending = SD_SEND;
#else
using SocketHandle = int;
constexpr int kShutdownSending = SHUT_WR;
#endif
} // namespace

TCPComms::TCPComms(const QHostAddress &address, quint16 port) : m_address(address), m_port(port) {}

TCPComms::~TCPComms() {
    Close();
}

QString TCPComms::describe() const {
    return QStringLiteral("%1:%2").arg(m_address.toString()).arg(m_port);
}

bool TCPComms::Open() {
    if (m_isOpen)
        return false;
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->setReadBufferSize(kLinkReadBufferSize);
    m_socket->connectToHost(m_address, m_port);
    if (!m_socket->waitForConnected(kConnectTimeoutMs)) {
        m_errorString = QStringLiteral("%1: %2").arg(describe(), m_socket->errorString());
        m_socket->abort();
        m_socket.reset();
        return false;
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_isOpen = 1;
    return true;
}

bool TCPComms::Close() {
    if (!m_isOpen)
        return false;
    // Send what is left, shut down our sending side (the mixer sees a clean end of data), then
    // read and discard until the mixer closes its side, but not forever: one second in all.
    QElapsedTimer drain;
    drain.start();
    auto remaining = [&] { return int(std::max<qint64>(1, kCloseDrainMs - drain.elapsed())); };
    while (m_socket->bytesToWrite() > 0 && drain.elapsed() < kCloseDrainMs) {
        if (!m_socket->waitForBytesWritten(remaining()))
            break;
    }
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        const qintptr fd = m_socket->socketDescriptor();
        if (fd >= 0)
            ::shutdown(SocketHandle(fd), kShutdownSending);
    }
    while (m_socket->state() == QAbstractSocket::ConnectedState && drain.elapsed() < kCloseDrainMs) {
        m_socket->readAll();
        m_socket->waitForReadyRead(remaining());
    }
    m_socket->readAll();
    m_socket->abort();
    m_socket.reset();
    m_isOpen = 0;
    return true;
}

int TCPComms::Write(const char *bytes, int length) {
    if (length <= 0)
        return 0;
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    const qint64 n = m_socket->write(bytes, length);
    if (n < 0) {
        m_errorString = QStringLiteral("%1: %2").arg(describe(), m_socket->errorString());
        return -1;
    }
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(kConnectTimeoutMs))
            break;
    }
    return int(n);
}

qint64 TCPComms::discardPending(QByteArray *sample) {
    return m_isOpen && m_socket ? discardPendingOn(*m_socket, sample) : 0;
}

int TCPComms::Read(char *buffer, int size) {
    if (size <= 0)
        return 0;
    std::memset(buffer, 0, size_t(size));
    if (!m_isOpen || !m_socket)
        return 0;
    // Fifty waits of 20 ms: about one second at most, without spinning.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (m_socket->bytesAvailable() > 0) {
            const qint64 n = m_socket->read(buffer, size);
            return n > 0 ? int(n) : 0;
        }
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            QThread::msleep(10); // the mixer closed the connection: nothing more will come
            return 0;
        }
        m_socket->waitForReadyRead(20);
    }
    return 0;
}

} // namespace hzm
