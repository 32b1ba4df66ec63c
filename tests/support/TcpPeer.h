#pragma once

// A scripted TCP peer on 127.0.0.1 for tests of a blocking client. It runs on a thread of its
// own with plain sockets (a Qt server in the client's thread would never get to accept).
//
//   TcpPeer peer;                                  // listening on 127.0.0.1:<port()>
//   peer.start({{0, "<SY,"}, {300, "VQ 1.05/>"}}); // accept one client, then send these
//   TCPComms link(QHostAddress::LocalHost, peer.port());
//   ...
//   peer.wait();                                    // peer.received(), peer.sawEndOfData() ...
//
// After its script the peer reads until the client ends its data (or resets), then waits
// holdOpenMs before closing its side (a mixer that never closes: use a long hold).

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace hzm::test {

class TcpPeer {
public:
    struct Step {
        int delayMs;     // wait this long, then
        QByteArray data; // send this
    };

    TcpPeer();  // listens at once
    ~TcpPeer(); // stops and joins the thread

    bool isListening() const { return m_listener >= 0; }
    quint16 port() const { return m_port; }

    // Accepts one connection on a thread and plays the script.
    void start(QList<Step> script, int holdOpenMs = 0);

    // A peer that behaves badly for as long as the client stays connected (at most lifeMs).
    struct Behaviour {
        // Sent over and over, as fast as the client takes it, from the moment it connects.
        QByteArray stream;
        // The reply to each framed command "<BODY/>" the client sends; null: no reply.
        std::function<QByteArray(const QByteArray &body)> answer;
        int answerDelayMs = 0; // each reply goes out this long after its command arrived
        QByteArray stray;      // sent on its own strayAfterMs after every reply
        int strayAfterMs = 0;
        int lifeMs = 10000;
    };
    // Accepts one connection on a thread and behaves so until the client ends its data.
    void serve(Behaviour behaviour);
    // Bytes the peer got out to the client (streaming peers).
    qint64 bytesSent() const { return m_bytesSent; }
    // Waits for the thread to end (at most about 10 s).
    void wait();

    bool accepted() const { return m_accepted; }
    QByteArray received() const;
    // The client shut down or closed its side cleanly (a read returned 0).
    bool sawEndOfData() const { return m_endOfData; }
    // The client reset the connection instead of closing it.
    bool sawReset() const { return m_reset; }

private:
    void run(QList<Step> script, int holdOpenMs);
    void runBehaviour(const Behaviour &behaviour);
    qintptr acceptOne(const std::function<bool()> &stopped); // the socket, or -1

    qintptr m_listener = -1; // a socket (an int on POSIX systems, a SOCKET on Windows)
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_accepted{false};
    std::atomic<bool> m_endOfData{false};
    std::atomic<bool> m_reset{false};
    std::atomic<qint64> m_bytesSent{0};
    mutable std::mutex m_mutex;
    QByteArray m_received;
};

// A port on 127.0.0.1 where nothing listens (bound once, then released).
quint16 unusedLoopbackPort();

} // namespace hzm::test
