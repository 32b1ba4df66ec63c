#pragma once

#include <QHostAddress>
#include <QString>

#include <memory>

namespace hzm {

class Comms;

// The port the user chose. Ethernet wins when both kinds are marked.
struct LinkSelection {
    static constexpr quint16 kDefaultTcpPort = 4999;
    static QHostAddress defaultAddress() { return QHostAddress(QStringLiteral("192.168.0.100")); }

    bool ethernetSelected = false;
    QHostAddress address = defaultAddress();
    quint16 port = kDefaultTcpPort;

    bool comSelected = false;
    int comPort = 1;      // "Com n", 1..10
    QString serialDevice; // any other serial device (USB adapter, pty); overrides comPort when set
    int baudRate = 9600;

    bool anySelected() const { return ethernetSelected || comSelected; }
    // The device the serial link opens.
    QString serialPortName() const;
    // "Ethernet 127.0.0.1:4999", "COM1 at 9600 baud", "no port": for titles and messages.
    QString describe() const;
};

// Builds the link for a selection: TCP, else serial, else a link that refuses everything.
std::unique_ptr<Comms> makeLink(const LinkSelection &selection);

} // namespace hzm
