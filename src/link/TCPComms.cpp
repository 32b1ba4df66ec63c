#include "TCPComms.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

#include <cstring>

namespace hzm {

TCPComms::TCPComms(const QHostAddress &address, quint16 port) : m_address(address), m_port(port) {}

TCPComms::~TCPComms() { Close(); }

QString TCPComms::describe() const { return QStringLiteral("%1:%2").arg(m_address.toString()).arg(m_port); }

int TCPComms::Open() {
    if (m_isOpen)
        return 0;
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(m_address, m_port);
    if (!m_socket->waitForConnected(kConnectTimeoutMs)) {
        m_errorString = QStringLiteral("%1: %2").arg(describe(), m_socket->errorString());
        m_socket->abort();
        m_socket.reset();
        return 0;
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_isOpen = 1;
    return 1;
}

int TCPComms::Close() {
    if (!m_isOpen)
        return 0;
    // Send what is left, then read and discard until the mixer closes its side, but not forever.
    m_socket->flush();
    m_socket->waitForBytesWritten(kCloseDrainMs);
    m_socket->disconnectFromHost();
    QElapsedTimer drain;
    drain.start();
    while (m_socket->state() != QAbstractSocket::UnconnectedState && drain.elapsed() < kCloseDrainMs) {
        m_socket->readAll();
        m_socket->waitForDisconnected(int(std::max<qint64>(1, kCloseDrainMs - drain.elapsed())));
    }
    m_socket->abort();
    m_socket.reset();
    m_isOpen = 0;
    return 1;
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

int TCPComms::Read(char *buffer, int size) {
    if (size <= 0)
        return 0;
    std::memset(buffer, 0, size_t(size));
    if (!m_isOpen || !m_socket)
        return 0;
    // Fifty short waits of 20 ms: about one second at most, without spinning.
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
