#include "SimServer.h"

#include "link/CommandFraming.h"

#include <QList>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#if defined(Q_OS_MACOS)
#include <util.h>
#else
#include <pty.h>
#endif
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#ifndef MSG_NOSIGNAL
#define MSG_NOSIGNAL 0 // macOS: SO_NOSIGPIPE on the descriptor instead
#endif
#endif

namespace hzm::sim {

QByteArray discoveryQuestion() {
    return QByteArrayLiteral("Discovery: Who is out there ?");
}

QByteArray discoveryAnswer(const SimOptions &options) {
    return options.name.toLatin1() + "\r\n" + options.macAddress.toLatin1() + "\r\n" +
           options.description.toLatin1() + "\r\n";
}

namespace {

// Longest stretch of bytes kept while waiting for a frame's "/>"; more is line noise.
constexpr int kMaxPendingBytes = 4096;

// One conversation (a TCP connection or the pty): collects frames, hands their bodies to the
// mixer and sends the replies, paced as the faults ask.
class Channel : public QObject {
public:
    struct Piece {
        QByteArray bytes;
        int delayMs = 0;
        bool closeAfter = false;
    };

    Channel(SimMixer &mixer, QString source, QObject *parent)
        : QObject(parent), m_mixer(mixer), m_source(std::move(source)) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer); // coarse timers may fire 5% early
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { sendNext(); });
    }

    std::function<void(const QByteArray &)> write;
    std::function<void()> close;        // empty: the channel cannot be closed (pty)
    std::function<QString()> lineFault; // non-empty text: the line settings do not match

    void feed(const QByteArray &data) {
        for (const QByteArray &bytes : m_splitter.feed(data)) {
            const QString body = QString::fromUtf8(bytes);
            if (lineFault) {
                const QString fault = lineFault();
                if (!fault.isEmpty()) {
                    // A real line at another rate would garble the bytes: say nothing.
                    m_mixer.logIgnored(body, m_source + QStringLiteral(" (") + fault + QLatin1Char(')'));
                    m_splitter.clear();
                    return;
                }
            }
            answer(m_mixer.process(body, m_source));
        }
    }

    // The client has finished sending (a TCP half-close): every command received so far is
    // answered now, on the spare descriptor, since the socket itself is already closed. Pauses the
    // faults ask for are cut short; the connection ends after the last reply.
    void finishNow() {
        m_timer.stop();
#ifdef Q_OS_UNIX
        for (const Piece &piece : std::as_const(m_queue)) {
            if (!piece.bytes.isEmpty() && m_spare >= 0)
                ::send(m_spare, piece.bytes.constData(), size_t(piece.bytes.size()), MSG_NOSIGNAL);
            if (piece.closeAfter)
                break;
        }
#endif
        m_queue.clear();
        closeSpareDescriptor();
    }

    // A second descriptor of a TCP connection (Unix), which keeps it open for finishNow().
    void setSpareDescriptor(qintptr socket) {
#ifdef Q_OS_UNIX
        m_spare = socket >= 0 ? ::dup(int(socket)) : -1;
#ifdef SO_NOSIGPIPE
        const int on = 1;
        if (m_spare >= 0)
            ::setsockopt(m_spare, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
#else
        Q_UNUSED(socket);
#endif
    }
    void closeSpareDescriptor() {
#ifdef Q_OS_UNIX
        if (m_spare >= 0)
            ::close(m_spare);
#endif
        m_spare = -1;
    }
    ~Channel() override {
        closeSpareDescriptor();
    }

private:
    void answer(const Outcome &out) {
        QList<Piece> pieces;
        if (out.fragmentBytes > 0) {
            for (int i = 0; i < out.reply.size(); i += out.fragmentBytes)
                pieces.append(
                    Piece{out.reply.mid(i, out.fragmentBytes), i == 0 ? out.delayMs : out.fragmentDelayMs});
        } else if (!out.reply.isEmpty()) {
            pieces.append(Piece{out.reply, out.delayMs});
        }
        if (out.dropAfter) {
            if (pieces.isEmpty())
                pieces.append(Piece{{}, out.delayMs});
            pieces.last().closeAfter = true;
        }
        m_queue += pieces;
        if (!m_timer.isActive() && !m_queue.isEmpty())
            m_timer.start(m_queue.first().delayMs);
    }

    void sendNext() {
        if (m_queue.isEmpty())
            return;
        const Piece piece = m_queue.takeFirst();
        if (!piece.bytes.isEmpty() && write)
            write(piece.bytes);
        if (piece.closeAfter && close) {
            m_queue.clear();
            close();
            return;
        }
        if (!m_queue.isEmpty())
            m_timer.start(m_queue.first().delayMs);
    }

    SimMixer &m_mixer;
    QString m_source;
    CommandSplitter m_splitter{kMaxPendingBytes};
    QList<Piece> m_queue;
    int m_spare = -1;
    QTimer m_timer;
};

#ifdef Q_OS_UNIX
speed_t speedConstant(int baud) {
    switch (baud) {
    case 300:
        return B300;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

int baudOf(speed_t speed) {
    for (int baud : {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        if (speedConstant(baud) == speed)
            return baud;
    return 0;
}
#endif

} // namespace

// Owns every socket; lives on the server's thread.
class SimWorker : public QObject {
public:
    SimWorker(const SimOptions &options, SimMixer &mixer, std::atomic<int> &connections)
        : m_options(options), m_mixer(mixer), m_connections(connections) {}
    ~SimWorker() override { closePty(); }

    bool open(QString &error, quint16 &tcpPort, QString &ptyPath, quint16 &discoveryPort) {
        if (m_options.tcpPort >= 0 && !openTcp(error, tcpPort))
            return false;
        if (m_options.pty && !openPty(error, ptyPath))
            return false;
        if (m_options.discoveryPort >= 0 && !openDiscovery(error, discoveryPort))
            return false;
        return true;
    }

private:
    bool openTcp(QString &error, quint16 &port) {
        m_server = new QTcpServer(this);
        if (!m_server->listen(m_options.bindAddress, quint16(m_options.tcpPort))) {
            error = QStringLiteral("cannot listen on %1:%2: %3")
                        .arg(m_options.bindAddress.toString())
                        .arg(m_options.tcpPort)
                        .arg(m_server->errorString());
            return false;
        }
        port = m_server->serverPort();
        QObject::connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                ++m_connections;
                const QString source =
                    QStringLiteral("tcp %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
                auto *channel = new Channel(m_mixer, source, socket);
                QPointer<QTcpSocket> guard(socket);
                // Written through at once: a reply left in the socket's buffer is lost when the
                // client's half-close arrives before the event loop flushes it.
                channel->write = [guard](const QByteArray &bytes) {
                    if (guard) {
                        guard->write(bytes);
                        guard->flush();
                    }
                };
                channel->close = [guard, channel] {
                    channel->closeSpareDescriptor();
                    if (guard) {
                        guard->flush();
                        guard->disconnectFromHost();
                    }
                };
                QObject::connect(socket, &QTcpSocket::readyRead, channel,
                                 [socket, channel] { channel->feed(socket->readAll()); });
                // The client's end of sending (a half-close) makes the socket close at once, so
                // the replies still owed go out on a second descriptor of the connection.
                channel->setSpareDescriptor(socket->socketDescriptor());
                QObject::connect(socket, &QTcpSocket::errorOccurred, channel,
                                 [channel](QAbstractSocket::SocketError error) {
                                     if (error == QAbstractSocket::RemoteHostClosedError)
                                         channel->finishNow();
                                 });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return true;
    }

    bool openPty(QString &error, QString &path) {
#ifdef Q_OS_UNIX
        const speed_t speed = speedConstant(m_options.baudRate);
        if (speed == B0) {
            error = QStringLiteral("unsupported baud rate %1").arg(m_options.baudRate);
            return false;
        }
        int master = -1;
        int slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            error = QStringLiteral("cannot open a pseudo-terminal: %1")
                        .arg(QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        m_master = master;
        m_slave = slave; // kept open, so the line stays up between clients
        const char *name = ::ptsname(master);
        path = name ? QString::fromLocal8Bit(name) : QString();
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
        ::tcsetattr(slave, TCSANOW, &t);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

        m_ptyChannel = new Channel(m_mixer, QStringLiteral("pty"), this);
        m_ptyChannel->write = [this](const QByteArray &bytes) {
            qint64 done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break; // the client's input queue is full: the rest is lost, as on a real line
                done += n;
            }
        };
        m_ptyChannel->lineFault = [this]() -> QString {
            termios now{};
            if (::tcgetattr(m_slave, &now) != 0)
                return QStringLiteral("line settings unreadable");
            const speed_t want = speedConstant(m_options.baudRate);
            const bool frame8N1 =
                (now.c_cflag & CSIZE) == CS8 && !(now.c_cflag & PARENB) && !(now.c_cflag & CSTOPB);
            if (::cfgetospeed(&now) == want && ::cfgetispeed(&now) == want && frame8N1)
                return {};
            return QStringLiteral("line at %1 baud%2, mixer at %3 baud 8N1: ignored")
                .arg(baudOf(::cfgetospeed(&now)))
                .arg(frame8N1 ? QStringLiteral(" 8N1") : QStringLiteral(", not 8N1"))
                .arg(m_options.baudRate);
        };
        m_notifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
        QObject::connect(m_notifier, &QSocketNotifier::activated, this, [this] { readPty(); });
        return true;
#else
        Q_UNUSED(path);
        error = QStringLiteral("pseudo-terminals are not available on this system");
        return false;
#endif
    }

    void readPty() {
#ifdef Q_OS_UNIX
        char buffer[1024];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                m_ptyChannel->feed(QByteArray(buffer, int(n)));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EIO) {
                // No client has the line open; wait a little instead of spinning.
                m_notifier->setEnabled(false);
                QTimer::singleShot(50, this, [this] {
                    if (m_notifier)
                        m_notifier->setEnabled(true);
                });
            }
            return;
        }
#endif
    }

    void closePty() {
#ifdef Q_OS_UNIX
        delete m_notifier;
        m_notifier = nullptr;
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
#endif
    }

    // The broadcast address that reaches a socket bound to address: 127.255.255.255 for loopback,
    // else the broadcast of the interface holding it (null when it has none).
    static QHostAddress broadcastFor(const QHostAddress &address) {
        if (address.isLoopback())
            return QHostAddress(QStringLiteral("127.255.255.255"));
        for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
            for (const QNetworkAddressEntry &entry : iface.addressEntries())
                if (entry.ip() == address)
                    return entry.broadcast();
        return QHostAddress();
    }

    // Listens where --bind says (loopback by default): the address itself and its network's
    // broadcast, so that a simulator on loopback never hears, nor answers, the real network.
    bool openDiscovery(QString &error, quint16 &port) {
        const QHostAddress address = m_options.bindAddress == QHostAddress(QHostAddress::Any)
                                         ? QHostAddress(QHostAddress::AnyIPv4)
                                         : m_options.bindAddress;
        const auto listen = [&](QUdpSocket *socket, const QHostAddress &at, quint16 atPort) {
            if (socket->bind(at, atPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
                return true;
            error = QStringLiteral("cannot listen for discovery on %1 UDP port %2: %3")
                        .arg(at.toString())
                        .arg(atPort)
                        .arg(socket->errorString());
            return false;
        };
        m_udp = new QUdpSocket(this);
        if (!listen(m_udp, address, quint16(m_options.discoveryPort)))
            return false;
        port = m_udp->localPort();
        QList<QUdpSocket *> listeners{m_udp};
        const QHostAddress broadcast =
            address == QHostAddress(QHostAddress::AnyIPv4) ? QHostAddress() : broadcastFor(address);
        if (!broadcast.isNull() && broadcast != address) {
            auto *socket = new QUdpSocket(this);
            if (listen(socket, broadcast, port)) {
                listeners << socket;
            } else {
#ifndef Q_OS_WIN
                return false;
#endif
                // Windows lets no socket bind a broadcast address; it hands a broadcast to the
                // socket bound to the receiving interface's own address.
                error.clear();
            }
        }
        m_answerSocket = m_udp;
        if (!m_options.discoveryFrom.isNull()) {
            m_answerSocket = new QUdpSocket(this);
            if (!m_answerSocket->bind(m_options.discoveryFrom, 0)) {
                error = QStringLiteral("cannot answer discovery from %1: %2")
                            .arg(m_options.discoveryFrom.toString(), m_answerSocket->errorString());
                return false;
            }
        }
        const bool loopbackOnly = m_options.discoveryLoopbackOnly && m_options.bindAddress.isLoopback();
        for (QUdpSocket *listener : listeners) {
            QObject::connect(listener, &QUdpSocket::readyRead, this, [this, listener, loopbackOnly] {
                while (listener->hasPendingDatagrams()) {
                    const QNetworkDatagram datagram = listener->receiveDatagram(2048);
                    if (datagram.data() != discoveryQuestion())
                        continue;
                    if (loopbackOnly && !datagram.senderAddress().isLoopback())
                        continue;
                    m_answerSocket->writeDatagram(discoveryAnswer(m_options), datagram.senderAddress(),
                                                  quint16(datagram.senderPort()));
                }
            });
        }
        return true;
    }

    SimOptions m_options;
    SimMixer &m_mixer;
    std::atomic<int> &m_connections;
    QTcpServer *m_server = nullptr;
    QUdpSocket *m_udp = nullptr;
    QUdpSocket *m_answerSocket = nullptr;
    Channel *m_ptyChannel = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    int m_master = -1;
    int m_slave = -1;
};

SimServer::SimServer(const SimOptions &options) : m_options(options) {}

SimServer::~SimServer() {
    stop();
}

bool SimServer::start() {
    if (m_running)
        return true;
    m_error.clear();
    m_connections = 0;
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("hzm-sim I/O"));
    m_worker = new SimWorker(m_options, m_mixer, m_connections);
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
    bool ok = false;
    QString error;
    quint16 tcpPort = 0;
    quint16 discoveryPort = 0;
    QString ptyPath;
    QMetaObject::invokeMethod(
        m_worker, [&] { ok = m_worker->open(error, tcpPort, ptyPath, discoveryPort); },
        Qt::BlockingQueuedConnection);
    m_running = true; // so that stop() tears down what was opened
    if (!ok) {
        stop();
        m_error = error;
        return false;
    }
    m_tcpPort = tcpPort;
    m_ptyPath = ptyPath;
    m_discoveryPort = discoveryPort;
    return true;
}

void SimServer::stop() {
    if (!m_running)
        return;
    SimWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_worker = nullptr;
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
    m_running = false;
    m_tcpPort = 0;
    m_ptyPath.clear();
    m_discoveryPort = 0;
}

int SimServer::tcpConnectionCount() const {
    return m_connections;
}

} // namespace hzm::sim
