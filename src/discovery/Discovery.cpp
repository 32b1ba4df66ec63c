#include "Discovery.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <cerrno>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
// A datagram longer than the buffer fails with WSAEMSGSIZE there, so it is dropped all the same.
#define MSG_TRUNC 0
using socklen_t = int;
using NativeSocket = SOCKET;
static int pollSocket(WSAPOLLFD *fd, int timeoutMs) { return WSAPoll(fd, 1, timeoutMs); }
static void closeSocket(NativeSocket s) { closesocket(s); }
static bool validSocket(NativeSocket s) { return s != INVALID_SOCKET; }
static const NativeSocket kNoSocket = INVALID_SOCKET;
using PollFd = WSAPOLLFD;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using NativeSocket = int;
static int pollSocket(pollfd *fd, int timeoutMs) { return ::poll(fd, 1, timeoutMs); }
static void closeSocket(NativeSocket s) { ::close(s); }
static bool validSocket(NativeSocket s) { return s >= 0; }
static const NativeSocket kNoSocket = -1;
using PollFd = pollfd;
#endif

namespace hzm {

namespace {

constexpr quint32 kLocalHost = 0x7F000001; // 127.0.0.1

} // namespace

DiscoveryInterface DiscoveryInterface::fromText(const QString &address, const QString &mask) {
    bool ok = false;
    DiscoveryInterface entry;
    entry.address = QHostAddress(address).toIPv4Address(&ok);
    if (!ok)
        entry.address = 0;
    entry.mask = QHostAddress(mask).toIPv4Address(&ok);
    if (!ok)
        entry.mask = 0;
    return entry;
}

QList<DiscoveryInterface> localDiscoveryInterfaces(QString *error) {
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    QList<DiscoveryInterface> result;
    if (all.isEmpty()) {
        if (error)
            *error = QString::fromLatin1(kErrorLoadAddressTable);
        return result;
    }
    for (const QNetworkInterface &iface : all) {
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const quint32 address = entry.ip().toIPv4Address();
            if (address == kLocalHost)
                continue;
            result.append({address, entry.netmask().toIPv4Address()});
        }
    }
    if (result.isEmpty() && error)
        *error = QString::fromLatin1(kErrorNoInterfaces);
    return result;
}

// One row of the interface table.
struct Discovery::Entry {
    DiscoveryInterface iface;
    NativeSocket socket = kNoSocket;
    std::mutex lock;
    // Set while the owner's thread waits for the lock, so that the receive thread steps aside
    // instead of taking the lock straight back.
    std::atomic<int> senderWaiting{0};
    std::thread thread;
};

namespace {

// A socket asking from a loopback address (the demo's simulated mixer, tests) is bound to that
// address, so that it can be reached from this machine only. Sockets of real interfaces, and
// one that only names a broadcast address to ask (its own broadcast), stay unbound: the first
// datagram sent binds them to an ephemeral port.
bool bindLoopbackSocket(NativeSocket socket, const DiscoveryInterface &iface) {
    const quint32 address = iface.address;
    if ((address >> 24) != 127 || iface.broadcast() == address)
        return true;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address);
    local.sin_port = 0;
    return ::bind(socket, reinterpret_cast<const sockaddr *>(&local), sizeof local) == 0;
}

} // namespace

Discovery::Discovery(QObject *parent) : QObject(parent) {}

Discovery::~Discovery() {
    stop();
}

void Discovery::setInterfaces(const QList<DiscoveryInterface> &interfaces) {
    m_given = interfaces;
    m_useSystem = false;
}

void Discovery::useSystemInterfaces() {
    m_given.clear();
    m_useSystem = true;
}

QList<DiscoveryInterface> Discovery::interfaces() const {
    QList<DiscoveryInterface> list;
    for (const auto &entry : m_entries)
        list.append(entry->iface);
    return list;
}

QString Discovery::start() {
#ifdef Q_OS_WIN
    static const bool winsockStarted = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!winsockStarted)
        return QString::fromLatin1(kErrorCreateSocket);
#endif
    stop();
    m_stop = false;

    QList<DiscoveryInterface> rows;
    if (m_useSystem) {
        QString error;
        rows = localDiscoveryInterfaces(&error);
        if (!error.isEmpty())
            return error;
    } else {
        for (const DiscoveryInterface &iface : std::as_const(m_given)) {
            if (iface.address != kLocalHost)
                rows.append(iface);
        }
        if (rows.isEmpty())
            return QString::fromLatin1(kErrorNoInterfaces);
    }

    try {
        m_entries.reserve(size_t(rows.size()));
        for (const DiscoveryInterface &iface : std::as_const(rows)) {
            auto entry = std::make_unique<Entry>(); // its mutex cannot fail to exist
            entry->iface = iface;
            m_entries.push_back(std::move(entry));
        }
    } catch (const std::bad_alloc &) {
        teardown();
        return QString::fromLatin1(kErrorAllocateTable);
    }

    for (const auto &entry : m_entries) {
        entry->socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (!validSocket(entry->socket)) {
            teardown();
            return QString::fromLatin1(kErrorCreateSocket);
        }
        const int on = 1;
        if (::setsockopt(entry->socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&on), sizeof on) != 0) {
            teardown();
            return QString::fromLatin1(kErrorSetBroadcast);
        }
        if (!bindLoopbackSocket(entry->socket, entry->iface)) {
            teardown();
            return QString::fromLatin1(kErrorCreateSocket);
        }
    }
    for (const auto &entry : m_entries) {
        try {
            Entry *raw = entry.get();
            entry->thread = std::thread([this, raw] { receiveLoop(raw); });
        } catch (const std::system_error &) {
            teardown();
            return QString::fromLatin1(kErrorCreateThread);
        }
    }
    refresh();
    return QString();
}

int Discovery::refresh() {
    int sent = 0;
    for (const auto &entry : m_entries) {
        if (m_stop)
            break;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(m_port);
        to.sin_addr.s_addr = htonl(entry->iface.broadcast());
        ++entry->senderWaiting;
        std::lock_guard<std::mutex> guard(entry->lock);
        --entry->senderWaiting;
        const auto n = ::sendto(entry->socket, kDiscoveryDatagram, int(kDiscoveryDatagramLength), 0,
                                reinterpret_cast<const sockaddr *>(&to), sizeof to);
        if (n == kDiscoveryDatagramLength)
            ++sent;
    }
    return sent;
}

void Discovery::receiveLoop(Entry *entry) {
    // One byte more than the longest answer, to tell an oversized datagram from a full one.
    char buffer[kMaxDiscoveryDatagram + 1];
    while (!m_stop) {
        if (entry->senderWaiting > 0) {
            std::this_thread::yield();
            continue;
        }
        std::unique_lock<std::mutex> guard(entry->lock);
        PollFd pfd{entry->socket, POLLIN, 0};
        const int ready = pollSocket(&pfd, kDiscoveryPollMs);
        if (ready <= 0 || !(pfd.revents & POLLIN)) {
            guard.unlock();
            if (ready > 0) // an error condition without data: do not spin on it
                std::this_thread::sleep_for(std::chrono::milliseconds(kDiscoveryPollMs));
            continue;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC makes the call return the datagram's real length.
        const auto n = ::recvfrom(entry->socket, buffer, sizeof buffer, MSG_TRUNC,
                                  reinterpret_cast<sockaddr *>(&from), &fromLength);
        guard.unlock();
        if (n <= 0 || n > kMaxDiscoveryDatagram)
            continue;
        if (fromLength < socklen_t(sizeof from) || from.sin_family != AF_INET)
            continue;
        const quint32 sender = ntohl(from.sin_addr.s_addr);
        if (sender == kLocalHost)
            continue;
        QByteArray text = QHostAddress(sender).toString().toLatin1();
        text += "\r\n";
        text.append(buffer, int(n));
        // Delivered on the owner's thread. The owner's destructor waits for this thread first,
        // and a destroyed owner drops whatever is still queued for it.
        QMetaObject::invokeMethod(
            this, [this, text] { emit replyReceived(text); }, Qt::QueuedConnection);
    }
}

void Discovery::stop() {
    m_stop = true;
    teardown();
}

void Discovery::teardown() {
    m_stop = true;
    for (const auto &entry : m_entries) {
        if (entry->thread.joinable())
            entry->thread.join();
        if (validSocket(entry->socket))
            closeSocket(entry->socket);
        entry->socket = kNoSocket;
    }
    m_entries.clear();
}

} // namespace hzm
