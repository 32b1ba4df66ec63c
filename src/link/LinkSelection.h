#pragma once

#include <QHostAddress>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

namespace hzm {

class Comms;

// A mixer on TCP/IP.
struct TcpEndpoint {
    static constexpr quint16 kDefaultPort = 4999;
    // What the TCP/IP Settings dialog offers first.
    static QHostAddress defaultAddress() { return QHostAddress(QStringLiteral("192.168.0.100")); }

    QHostAddress address = defaultAddress();
    quint16 port = kDefaultPort;

    bool operator==(const TcpEndpoint &other) const { return address == other.address && port == other.port; }
};

// A mixer on a serial port.
struct SerialEndpoint {
    QString device;    // what is opened: "COM3", "/dev/ttyS2", "/dev/ttyUSB0", a pty
    int baudRate = 0;  // 0: not known yet (detected as choosing the port does, else 9600)
    int comNumber = 0; // n when the port was chosen as "Com n" (1..10); 0 for any other device

    bool operator==(const SerialEndpoint &other) const {
        return device == other.device && baudRate == other.baudRate && comNumber == other.comNumber;
    }
};

// The link the user chose: a TCP endpoint, a serial endpoint, or none yet.
//
// Text form, as --targets files and venue files hold it:
//   tcp:HOST[:PORT]          tcp:127.0.0.1:4999, tcp:[::1]:4999, tcp:mixer.local (port 4999)
//   serial:DEVICE[@BAUD]     serial:/dev/ttyUSB0@9600, serial:COM3 (the rate detected)
class LinkSelection {
public:
    LinkSelection() = default; // no link: every job fails to open it
    LinkSelection(const TcpEndpoint &tcp) : m_endpoint(tcp) {}
    LinkSelection(const SerialEndpoint &serial) : m_endpoint(serial) {}

    bool isNone() const { return std::holds_alternative<std::monostate>(m_endpoint); }
    const TcpEndpoint *tcp() const { return std::get_if<TcpEndpoint>(&m_endpoint); }
    const SerialEndpoint *serial() const { return std::get_if<SerialEndpoint>(&m_endpoint); }
    SerialEndpoint *serial() { return std::get_if<SerialEndpoint>(&m_endpoint); }

    // Where the link goes, for messages: "127.0.0.1:4999", "[::1]:4999", "/dev/ttyUSB0";
    // empty for none.
    QString where() const;
    // "Ethernet 127.0.0.1:4999", "/dev/ttyS0 at 9600 baud", "no port": for titles and messages.
    QString describe() const;
    // The text form; empty for none.
    QString toText() const;
    // Reads the text form; nullopt with the reason in *error when it is none. A host name is
    // looked up, which blocks.
    static std::optional<LinkSelection> fromText(const QString &text, QString *error = nullptr);

    // Builds the link: TCP, serial (a rate not known yet is taken as 9600), or a link that
    // refuses everything.
    std::unique_ptr<Comms> makeLink() const;

    bool operator==(const LinkSelection &other) const { return m_endpoint == other.m_endpoint; }

private:
    std::variant<std::monostate, TcpEndpoint, SerialEndpoint> m_endpoint;
};

// Reads "HOST[:PORT]" ("[IPV6][:PORT]"); a host name is looked up, which blocks. nullopt with the
// reason in *error (naming text) when it is no endpoint.
std::optional<TcpEndpoint> parseTcpEndpoint(const QString &text, QString *error = nullptr);
// Reads "DEVICE[@BAUD]": COM1..COM10 are the Port menu's "Com n", anything else a device path.
std::optional<SerialEndpoint> parseSerialEndpoint(const QString &text, QString *error = nullptr);

} // namespace hzm
