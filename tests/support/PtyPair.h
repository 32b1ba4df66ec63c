#pragma once

// A real pseudo-terminal pair for tests that play the mixer on a serial line.
//
//   PtyPair pty;                        // openpty(); QVERIFY(pty.isValid())
//   SerialComms link(pty.slavePath(), 9600);
//   link.Open();
//   ... link writes ...
//   QByteArray wire = pty.readFor(100); // what the client put on the line
//   pty.write("<SY,VQ 1.05/>");         // the mixer answers
//   PtyPair::LineSettings s = pty.lineSettings(); // s.baud == 9600, s.dataBits == 8 ...
//
// The test keeps its own slave descriptor open as long as the pair lives, so that the master
// side never sees a hang-up while the client closes and re-opens the port. Bytes pass through
// a pty immediately: the baud rate is only stored, never simulated.

#include <QByteArray>
#include <QString>

namespace hzm::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }

    // The descriptor the test (the mixer) reads and writes.
    int masterFd() const { return m_master; }
    // The device path the client opens ("/dev/pts/N").
    QString slavePath() const { return m_slavePath; }

    // The line settings as the master side sees them (the terminal's termios).
    struct LineSettings {
        int baud = 0;        // input and output speed in baud (0 when they differ or are unknown)
        int dataBits = 0;    // 5..8
        bool parity = false; // any parity enabled
        int stopBits = 0;    // 1 or 2
        bool hardwareFlow = false;
        bool softwareFlow = false;
        bool raw = false; // no canonical mode, echo or output processing
    };
    LineSettings lineSettings() const;

    // Writes all bytes to the master side; false on error.
    bool write(const QByteArray &bytes);
    // Everything that arrives until no byte has come for quietMs (at most maxMs in all).
    QByteArray readFor(int quietMs, int maxMs = 5000);
    // Reads until at least count bytes have arrived or timeoutMs has passed; returns what arrived.
    QByteArray readExactly(int count, int timeoutMs);
    // Reads until the data ends with marker (for example "/>") or timeoutMs has passed.
    QByteArray readUntil(const QByteArray &marker, int timeoutMs);
    // What is waiting right now, without blocking.
    QByteArray readAvailable() { return readFor(0, 0); }

private:
    // One read of what is there after waiting up to timeoutMs; empty on time-out.
    QByteArray readOnce(int timeoutMs);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};

} // namespace hzm::test
