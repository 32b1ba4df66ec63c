#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

namespace hzm {

// The question every mixer on the network answers: 29 ASCII bytes, no terminator.
inline constexpr char kDiscoveryDatagram[] = "Discovery: Who is out there ?";
constexpr int kDiscoveryDatagramLength = int(sizeof kDiscoveryDatagram - 1);
constexpr quint16 kDiscoveryPort = 30303;
// Longest answer taken; longer datagrams are dropped.
constexpr int kMaxDiscoveryDatagram = 1536;
// How long a receive thread waits for an answer before it looks at the stop flag again.
constexpr int kDiscoveryPollMs = 100;

// Failures of setting discovery up, each shown with caption "Error"; after any of them the
// TCP/IP settings still accept a typed address. The window shows them translated.
inline constexpr char kDiscoveryErrorCaption[] = QT_TRANSLATE_NOOP("hzm::Discovery", "Error");
inline constexpr char kErrorLoadAddressTable[] =
    QT_TRANSLATE_NOOP("hzm::Discovery", "Unable to load IP Address table");
inline constexpr char kErrorNoInterfaces[] =
    QT_TRANSLATE_NOOP("hzm::Discovery", "No network interfaces detected");
inline constexpr char kErrorAllocateTable[] =
    QT_TRANSLATE_NOOP("hzm::Discovery", "Unable to allocate interface table");
inline constexpr char kErrorAllocateMutex[] =
    QT_TRANSLATE_NOOP("hzm::Discovery", "Unable to allocate socket mutex");
inline constexpr char kErrorCreateSocket[] = QT_TRANSLATE_NOOP("hzm::Discovery", "Unable to create socket");
inline constexpr char kErrorSetBroadcast[] =
    QT_TRANSLATE_NOOP("hzm::Discovery", "Unable to set SO_BROADCAST");
inline constexpr char kErrorCreateThread[] =
    QT_TRANSLATE_NOOP("hzm::Discovery", "Unable to create receive thread");

// One local IPv4 address the question is broadcast from. Addresses in host byte order
// (as QHostAddress::toIPv4Address gives them).
struct DiscoveryInterface {
    quint32 address = 0;
    quint32 mask = 0;

    // The directed broadcast address: (NOT mask) OR (address AND mask).
    quint32 broadcast() const { return ~mask | (address & mask); }
    quint32 network() const { return address & mask; }

    // From dotted texts ("127.0.0.2", "255.0.0.0"); a text that is not IPv4 gives 0.
    static DiscoveryInterface fromText(const QString &address, const QString &mask);
    bool operator==(const DiscoveryInterface &other) const {
        return address == other.address && mask == other.mask;
    }
};

// Where discovery asks: the machine's own interfaces (an empty list) or the given ones (demo mode,
// tests), on this UDP port.
struct DiscoveryScope {
    QList<DiscoveryInterface> interfaces;
    quint16 port = kDiscoveryPort;
};

// Every IPv4 address of this machine except 127.0.0.1, in the system's order. When the system
// gives no table at all, or nothing but 127.0.0.1, *error receives the message to show.
QList<DiscoveryInterface> localDiscoveryInterfaces(QString *error = nullptr);

// Broadcasts the question on every interface and hands each answer to its owner. One UDP socket
// with broadcast enabled per interface, shared under its own lock by the owner's thread (sending)
// and that interface's receive thread. The sockets are not bound: the first question binds each to
// a free port, where the answers arrive. All threads have ended when stop() or the destructor
// returns.
class Discovery : public QObject {
    Q_OBJECT
public:
    explicit Discovery(QObject *parent = nullptr);
    ~Discovery() override;

    // Restricts discovery to these interfaces instead of the machine's own (tests and the
    // command-line tool use loopback entries). 127.0.0.1 is skipped here too.
    void setInterfaces(const QList<DiscoveryInterface> &interfaces);
    void useSystemInterfaces();
    // The UDP port the question goes to (30303 unless changed).
    void setPort(quint16 port) { m_port = port; }
    quint16 port() const { return m_port; }

    // Builds the interface table, starts one receive thread per interface and sends the
    // question once. Returns an empty text on success, else one of the set-up messages above,
    // with nothing left running. A running discovery is stopped first.
    QString start();
    // Sends the question again on every interface ("Refresh"). Returns the number of interfaces
    // it was sent on.
    int refresh();
    // Sets the stop flag, waits for every receive thread (each sees the flag within about
    // 100 ms) and closes the sockets.
    void stop();

    bool isRunning() const { return !m_entries.empty(); }
    // The interface table in use (empty when not running).
    QList<DiscoveryInterface> interfaces() const;

signals:
    // One answer, delivered on the owner's thread: the sender's dotted address, "\r\n", then the
    // datagram's payload bytes as received.
    void replyReceived(const QByteArray &text);

private:
    struct Entry;
    void receiveLoop(Entry *entry);
    void teardown();

    bool m_useSystem = true;
    QList<DiscoveryInterface> m_given;
    quint16 m_port = kDiscoveryPort;
    std::atomic<bool> m_stop{false};
    std::vector<std::unique_ptr<Entry>> m_entries;
};

} // namespace hzm
