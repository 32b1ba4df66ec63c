#pragma once

#include "Comms.h"

#include <QList>

#include <memory>

class QSerialPort;

namespace hzm {

// The rates a mixer's serial port can run at, in the order the detection probes them.
const QList<int> &supportedBaudRates();

// The platform's name for "Com n" (n = 1..10): COMn on Windows, /dev/ttyS(n-1) elsewhere.
QString comPortName(int portNumber);

// A serial line, 8 data bits, no parity, one stop bit, no flow control. Used blocking on the
// thread that opens it; every Read returns after about 10 ms with whatever has arrived.
class SerialComms : public Comms {
public:
    // portName: a platform port name or a device path ("COM3", "/dev/ttyUSB0", a pty).
    SerialComms(const QString &portName, int baudRate);
    ~SerialComms() override;

    int Write(const char *bytes, int length) override;
    int Read(char *buffer, int size) override;
    bool Open() override;
    bool Close() override;
    qint64 discardPending(QByteArray *sample = nullptr) override;
    QString describe() const override { return m_portName; }

    // Applies a supported rate to the open port; false for any other rate or a closed port.
    bool Configure(int rate);
    // Probes the supported rates for a mixer; true when found (baudRate() holds the rate).
    bool DetectBaudRate();

    int baudRate() const { return m_baudRate; }
    void setBaudRate(int rate) { m_baudRate = rate; }
    QString portName() const { return m_portName; }

private:
    QString m_portName;
    int m_baudRate;
    std::unique_ptr<QSerialPort> m_port;
};

} // namespace hzm
