#pragma once

// The simulated mixer's transports: a TCP server, a serial line on a pseudo-terminal and the UDP
// discovery responder, all served on one thread of their own, so that a client may block on the
// thread that started them (tests, the command-line tool, the desktop program's demo mode).

#include "SimMixer.h"

#include <QHostAddress>
#include <QString>

#include <atomic>
#include <memory>

namespace hzm::sim {

struct SimOptions {
    static constexpr int kDefaultTcpPort = 4999;
    static constexpr int kDefaultDiscoveryPort = 30303;

    // TCP: -1 = no TCP server, 0 = any free port, else that port.
    int tcpPort = kDefaultTcpPort;
    QHostAddress bindAddress = QHostAddress(QHostAddress::LocalHost);

    // Serial line on a pseudo-terminal. The mixer answers only while the line is set to this rate
    // with 8 data bits, no parity and one stop bit.
    bool pty = false;
    int baudRate = 9600;

    // UDP discovery: -1 = off, 0 = any free port, else that port (the program asks on 30303).
    int discoveryPort = -1;
    // The address the answers come from (for example 127.0.0.2); null = the listening socket's.
    QHostAddress discoveryFrom;
    // Answer only askers on 127.0.0.0/8. Cleared automatically when bindAddress is not loopback.
    bool discoveryLoopbackOnly = true;
    // The three lines of the discovery answer.
    QString name = QStringLiteral("HZM1e-SIM");
    QString macAddress = QStringLiteral("00:1E:C0:5A:11:E5");
    QString description = QStringLiteral("Orvane HZM1e simulated mixer");
};

// The discovery question and the answer payload for the given lines ("\r\n" after each).
QByteArray discoveryQuestion(); // "Discovery: Who is out there ?" (29 bytes)
QByteArray discoveryAnswer(const SimOptions &options);

class SimWorker;

class SimServer {
public:
    explicit SimServer(const SimOptions &options = SimOptions());
    ~SimServer(); // stops
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Starts the I/O thread and opens the transports. False (with errorString) when one cannot
    // be opened; nothing then runs.
    bool start();
    void stop();
    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }

    // Endpoints, valid after a successful start (0 / empty when that transport is off).
    QHostAddress tcpAddress() const { return m_options.bindAddress; }
    quint16 tcpPort() const { return m_tcpPort; }
    QString ptyPath() const { return m_ptyPath; }
    quint16 discoveryPort() const { return m_discoveryPort; }
    const SimOptions &options() const { return m_options; }

    // The mixer behind every transport: its state, faults and command log.
    SimMixer &mixer() { return m_mixer; }
    const SimMixer &mixer() const { return m_mixer; }

    // Number of TCP connections accepted so far.
    int tcpConnectionCount() const;

private:
    SimOptions m_options;
    SimMixer m_mixer;
    std::unique_ptr<class QThread> m_thread;
    SimWorker *m_worker = nullptr; // lives on m_thread
    bool m_running = false;
    QString m_error;
    quint16 m_tcpPort = 0;
    QString m_ptyPath;
    quint16 m_discoveryPort = 0;
    std::atomic<int> m_connections{0};
};

} // namespace hzm::sim
