#include "TcpPeer.h"

#include "link/CommandFraming.h"

#include <QElapsedTimer>

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hzm::test {

namespace {

sockaddr_in loopback(quint16 port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

quint16 boundPort(int fd) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length) != 0)
        return 0;
    return ntohs(a.sin_port);
}

} // namespace

TcpPeer::TcpPeer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        return;
    sockaddr_in a = loopback(0);
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(m_listener, 4) != 0) {
        ::close(m_listener);
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
        ::close(m_listener);
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

    const int fd = acceptOne(stopped);
    if (fd < 0)
        return;

    auto receiveFor = [&](int ms) {
        QElapsedTimer t;
        t.start();
        while (!m_endOfData && !m_reset && !stopped() && t.elapsed() < ms) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_received.append(buffer, int(n));
            } else if (n == 0) {
                m_endOfData = true;
            } else if (errno != EINTR && errno != EAGAIN) {
                m_reset = true;
            }
        }
    };

    for (const Step &step : script) {
        receiveFor(step.delayMs); // keeps collecting what the client sends meanwhile
        if (!step.data.isEmpty())
            ::send(fd, step.data.constData(), size_t(step.data.size()), MSG_NOSIGNAL);
    }
    receiveFor(10000);
    // A mixer that is slow to close (or never does, as far as the client can wait).
    QElapsedTimer hold;
    hold.start();
    while (hold.elapsed() < holdOpenMs && !stopped())
        ::usleep(10000);
    ::close(fd);
}

int TcpPeer::acceptOne(const std::function<bool()> &stopped) {
    int fd = -1;
    while (fd < 0 && !stopped()) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0)
            fd = ::accept(m_listener, nullptr, nullptr);
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
    const int fd = acceptOne(stopped);
    if (fd < 0)
        return;

    struct Due {
        qint64 at;
        QByteArray bytes;
    };
    QList<Due> due; // in the order they go out
    CommandSplitter splitter;
    qint64 streamOffset = 0;
    while (!m_endOfData && !m_reset && !stopped()) {
        pollfd p{fd, short(POLLIN | (b.stream.isEmpty() ? 0 : POLLOUT)), 0};
        ::poll(&p, 1, 2);
        if (p.revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
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
            } else if (errno != EINTR && errno != EAGAIN) {
                m_reset = true;
            }
        }
        std::stable_sort(due.begin(), due.end(), [](const Due &x, const Due &y) { return x.at < y.at; });
        while (!due.isEmpty() && due.first().at <= life.elapsed()) {
            const QByteArray bytes = due.takeFirst().bytes;
            if (::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) > 0)
                m_bytesSent += bytes.size();
        }
        if (!b.stream.isEmpty() && (p.revents & POLLOUT)) {
            // As much as the socket takes now; the client's flow control sets the pace.
            const qsizetype offset = qsizetype(streamOffset % b.stream.size());
            const ssize_t n = ::send(fd, b.stream.constData() + offset, size_t(b.stream.size() - offset),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                streamOffset += n;
                m_bytesSent += n;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                m_reset = true;
            }
        }
    }
    ::close(fd);
}

quint16 unusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    const quint16 port = boundPort(fd);
    ::close(fd);
    return port;
}

} // namespace hzm::test
