#pragma once

#include "Comms.h"

#include <QHostAddress>

#include <memory>

class QTcpSocket;

namespace hzm {

// A TCP connection to the mixer's network port, used blocking on the thread that opens it.
class TCPComms : public Comms {
public:
    // Bound on connecting: an unreachable mixer fails like a refused connection.
    static constexpr int kConnectTimeoutMs = 5000;
    // Bound on draining the mixer's last bytes when closing.
    static constexpr int kCloseDrainMs = 1000;

    TCPComms(const QHostAddress &address, quint16 port);
    ~TCPComms() override;

    int Write(const char *bytes, int length) override;
    // Waits up to about one second for bytes to arrive.
    int Read(char *buffer, int size) override;
    bool Open() override;
    bool Close() override;
    qint64 discardPending(QByteArray *sample = nullptr) override;
    QString describe() const override;

private:
    QHostAddress m_address;
    quint16 m_port;
    std::unique_ptr<QTcpSocket> m_socket;
};

} // namespace hzm
