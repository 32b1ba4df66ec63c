#include "TcpPeer.h"

#include "link/CommandFraming.h"

#include <QElapsedTimer>

#include <algorithm>

#include <cerrno>
#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#define MSG_NOSIGNAL 0
#define MSG_DONTWAIT 0 // the accepted socket is made non-blocking instead
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace hzm::test {

namespace {

#ifdef Q_OS_WIN
using SocketLength = int;
int pollOne(qintptr fd, short events, int timeoutMs, short *revents = nullptr) {
    WSAPOLLFD p{SOCKET(fd), events, 0};
    const int ready = ::WSAPoll(&p, 1, timeoutMs);
    if (revents)
        *revents = p.revents;
    return ready;
}
void closeSocket(qintptr fd) {
    ::closesocket(SOCKET(fd));
}
// Whether a failed call only found nothing to do (the socket would block, or a signal came).
bool onlyWouldBlock() {
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}
qintptr newSocket() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const SOCKET s = started ? ::socket(AF_INET, SOCK_STREAM, 0) : INVALID_SOCKET;
    return s == INVALID_SOCKET ? -1 : qintptr(s);
}
void sleepMs(int ms) {
    ::Sleep(DWORD(ms));
}
#else
using SocketLength = socklen_t;
int pollOne(qintptr fd, short events, int timeoutMs, short *revents = nullptr) {
    pollfd p{int(fd), events, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (revents)
        *revents = p.revents;
    return ready;
}
void closeSocket(qintptr fd) {
    ::close(int(fd));
}
bool onlyWouldBlock() {
    return errno == EINTR || errno == EAGAIN;
}
qintptr newSocket() {
    return ::socket(AF_INET, SOCK_STREAM, 0);
}
void sleepMs(int ms) {
    ::usleep(useconds_t(ms) * 1000);
}
#endif

sockaddr_in loopback(quint16 port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

quint16 boundPort(qintptr fd) {
    sockaddr_in a{};
    SocketLength length = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length) != 0)
        return 0;
    return ntohs(a.sin_port);
}

} // namespace

TcpPeer::TcpPeer() {
    m_listener = newSocket();
    if (m_listener < 0)
        return;
    sockaddr_in a = loopback(0);
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(m_listener, 4) != 0) {
        closeSocket(m_listener);
        m_listener = -1;
        return;
    }
    m_port = boundPort(m_listener);
}

TcpPeer::~TcpPeer() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        closeSocket(m_listener);
}

void TcpPeer::start(QList<Step> script, int holdOpenMs) {
    m_thread = std::thread([this, script, holdOpenMs] { run(script, holdOpenMs); });
}

void TcpPeer::wait() {
    if (m_thread.joinable())
        m_thread.join();
}

QByteArray TcpPeer::received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void TcpPeer::run(QList<Step> script, int holdOpenMs) {
    QElapsedTimer life;
    life.start();
    auto stopped = [&] { return m_stop || life.elapsed() > 10000; };

    const qintptr fd = acceptOne(stopped);
    if (fd < 0)
        return;

    auto receiveFor = [&](int ms) {
        QElapsedTimer t;
        t.start();
        while (!m_endOfData && !m_reset && !stopped() && t.elapsed() < ms) {
            if (pollOne(fd, POLLIN, 10) <= 0)
                continue;
            char buffer[4096];
            const auto n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_received.append(buffer, int(n));
            } else if (n == 0) {
                m_endOfData = true;
            } else if (!onlyWouldBlock()) {
                m_reset = true;
            }
        }
    };

    for (const Step &step : script) {
        receiveFor(step.delayMs); // keeps collecting what the client sends meanwhile
        if (!step.data.isEmpty())
            ::send(fd, step.data.constData(), int(step.data.size()), MSG_NOSIGNAL);
    }
    receiveFor(10000);
    // A mixer that is slow to close (or never does, as far as the client can wait).
    QElapsedTimer hold;
    hold.start();
    while (hold.elapsed() < holdOpenMs && !stopped())
        sleepMs(10);
    closeSocket(fd);
}

qintptr TcpPeer::acceptOne(const std::function<bool()> &stopped) {
    qintptr fd = -1;
    while (fd < 0 && !stopped()) {
        if (pollOne(m_listener, POLLIN, 20) > 0) {
#ifdef Q_OS_WIN
            const SOCKET s = ::accept(SOCKET(m_listener), nullptr, nullptr);
            fd = s == INVALID_SOCKET ? -1 : qintptr(s);
#else
            fd = ::accept(int(m_listener), nullptr, nullptr);
#endif
        }
    }
    if (fd >= 0)
        m_accepted = true;
    return fd;
}

void TcpPeer::serve(Behaviour behaviour) {
    m_thread = std::thread([this, behaviour] { runBehaviour(behaviour); });
}

void TcpPeer::runBehaviour(const Behaviour &b) {
    QElapsedTimer life;
    life.start();
    auto stopped = [&] { return m_stop || life.elapsed() > b.lifeMs; };
    const qintptr fd = acceptOne(stopped);
    if (fd < 0)
        return;
#ifdef Q_OS_WIN
    u_long nonBlocking = 1;
    ::ioctlsocket(SOCKET(fd), FIONBIO, &nonBlocking);
#endif

    struct Due {
        qint64 at;
        QByteArray bytes;
    };
    QList<Due> due; // in the order they go out
    CommandSplitter splitter;
    qint64 streamOffset = 0;
    while (!m_endOfData && !m_reset && !stopped()) {
        short revents = 0;
        pollOne(fd, short(POLLIN | (b.stream.isEmpty() ? 0 : POLLOUT)), 2, &revents);
        if (revents & POLLIN) {
            char buffer[4096];
            const auto n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_received.append(buffer, int(n));
                }
                for (const QByteArray &body : splitter.feed(QByteArray(buffer, int(n)))) {
                    const QByteArray reply = b.answer ? b.answer(body) : QByteArray();
                    if (reply.isEmpty())
                        continue;
                    const qint64 at = life.elapsed() + b.answerDelayMs;
                    due.append({at, reply});
                    if (!b.stray.isEmpty())
                        due.append({at + b.strayAfterMs, b.stray});
                }
            } else if (n == 0) {
                m_endOfData = true;
            } else if (!onlyWouldBlock()) {
                m_reset = true;
            }
        }
        std::stable_sort(due.begin(), due.end(), [](const Due &x, const Due &y) { return x.at < y.at; });
        while (!due.isEmpty() && due.first().at <= life.elapsed()) {
            const QByteArray bytes = due.takeFirst().bytes;
            if (::send(fd, bytes.constData(), int(bytes.size()), MSG_NOSIGNAL) > 0)
                m_bytesSent += bytes.size();
        }
        if (!b.stream.isEmpty() && (revents & POLLOUT)) {
            // As much as the socket takes now; the client's flow control sets the pace.
            const qsizetype offset = qsizetype(streamOffset % b.stream.size());
            const auto n = ::send(fd, b.stream.constData() + offset, int(b.stream.size() - offset),
                                  MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                streamOffset += n;
                m_bytesSent += n;
            } else if (n < 0 && !onlyWouldBlock()) {
                m_reset = true;
            }
        }
    }
    closeSocket(fd);
}

quint16 unusedLoopbackPort() {
    const qintptr fd = newSocket();
    sockaddr_in a = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    const quint16 port = boundPort(fd);
    closeSocket(fd);
    return port;
}

} // namespace hzm::test
