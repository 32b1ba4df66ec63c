#include "SerialComms.h"

#include <QRegularExpression>
#include <QSerialPort>

#include <cstring>

namespace hzm {

const QList<int> &supportedBaudRates() {
    static const QList<int> rates{19200, 9600, 4800, 2400, 1200, 300};
    return rates;
}

QString comPortName(int portNumber) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

namespace {

// The name QSerialPort opens. On Windows a COM port goes by its device path (\\.\COM12), which
// ports above 9 need; QSerialPort adds it itself only to names written "COMn" in capitals.
QString systemPortName(const QString &portName) {
#ifdef Q_OS_WIN
    static const QRegularExpression com(QStringLiteral("^COM[1-9][0-9]*$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (com.match(portName).hasMatch())
        return QStringLiteral("\\\\.\\") + portName.toUpper();
#endif
    return portName;
}

} // namespace

SerialComms::SerialComms(const QString &portName, int baudRate) : m_portName(portName), m_baudRate(baudRate) {
    m_sendInChunks = 1;
}

SerialComms::~SerialComms() {
    Close();
}

bool SerialComms::Open() {
    if (m_isOpen)
        return false;
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(systemPortName(m_portName));
    m_port->setReadBufferSize(kLinkReadBufferSize);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_errorString = QStringLiteral("%1: %2").arg(m_portName, m_port->errorString());
        m_port.reset();
        return false;
    }
    m_isOpen = 1; // Configure needs the open port
    if (!Configure(m_baudRate)) {
        if (m_errorString.isEmpty())
            m_errorString = QStringLiteral("%1: cannot set %2 baud").arg(m_portName).arg(m_baudRate);
        m_port->close();
        m_port.reset();
        m_isOpen = 0;
        return false;
    }
    return true;
}

bool SerialComms::Configure(int rate) {
    if (!supportedBaudRates().contains(rate) || !m_port || !m_port->isOpen())
        return false;
    const bool ok = m_port->setBaudRate(rate) && m_port->setDataBits(QSerialPort::Data8) &&
                    m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop) &&
                    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        m_errorString = QStringLiteral("%1: %2").arg(m_portName, m_port->errorString());
        return false;
    }
    m_baudRate = rate;
    return true;
}

bool SerialComms::Close() {
    if (!m_isOpen)
        return false;
    m_port->close();
    m_port.reset();
    m_isOpen = 0;
    return true;
}

int SerialComms::Write(const char *bytes, int length) {
    if (length <= 0 || !m_port)
        return 0;
    const qint64 n = m_port->write(bytes, length);
    if (n <= 0) {
        m_errorString = QStringLiteral("%1: %2").arg(m_portName, m_port->errorString());
        return 0;
    }
    // Synchronous: wait until the bytes have left (about 1 ms a byte at 9600 baud).
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(2000 + length * 40)) {
            m_errorString = QStringLiteral("%1: %2").arg(m_portName, m_port->errorString());
            return int(n - m_port->bytesToWrite());
        }
    }
    return int(n);
}

int SerialComms::Read(char *buffer, int size) {
    if (!m_port || size <= 0)
        return 0;
    if (m_port->bytesAvailable() == 0)
        m_port->waitForReadyRead(10);
    const qint64 n = m_port->read(buffer, size);
    return n > 0 ? int(n) : 0;
}

qint64 SerialComms::discardPending(QByteArray *sample) {
    return m_isOpen && m_port ? discardPendingOn(*m_port, sample) : 0;
}

bool SerialComms::DetectBaudRate() {
    const int remembered = m_baudRate;
    if (!Open())
        return false;
    static const char probe[] = "<SY,VQ/>";
    const int probeLength = int(sizeof probe - 1);
    auto giveUp = [&] {
        Close();
        m_baudRate = remembered;
        return false;
    };
    for (int rate : supportedBaudRates()) {
        m_baudRate = rate;
        Configure(rate);
        int refusals = 0;
        for (;;) {
            if (!m_isOpen)
                return giveUp();
            // The probe fits one chunk: one write, then the pause after a chunked write.
            const int written = Write(probe, probeLength);
            PauseAfterWrite();
            if (written < probeLength)
                return giveUp();
            char reply[kReplyBufferSize];
            ReadReply(reply);
            if (std::strncmp(reply, "<sy,vq ", 7) == 0) {
                Close();
                return true;
            }
            if (std::strstr(reply, "<!")) {
                ++refusals;
                PauseBetweenProbes();
                if (refusals < 2)
                    continue;
            }
            break;
        }
        PauseBetweenProbes();
    }
    return giveUp();
}

} // namespace hzm
