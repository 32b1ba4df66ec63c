#include "CliCommon.h"

#include "discovery/Discovery.h"
#include "discovery/DiscoveryModel.h"
#include "model/TextHelpers.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QTimer>

namespace hzm::cli {

namespace {

std::optional<quint32> parseIpv4(const QString &text) {
    QHostAddress address;
    if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return address.toIPv4Address();
}

// The prefix mask under which address broadcasts to broadcast, if any.
std::optional<quint32> maskFor(quint32 address, quint32 broadcast) {
    for (int prefix = 32; prefix >= 0; --prefix) {
        const quint32 mask = prefix == 0 ? 0u : ~quint32(0) << (32 - prefix);
        if (DiscoveryInterface{address, mask}.broadcast() == broadcast)
            return mask;
    }
    return std::nullopt;
}

QString dotted(quint32 address) {
    return QHostAddress(address).toString();
}

// One tab-separated line per mixer. Every text came from the network: a control character
// (an escape sequence, BEL, a TAB that would add a column) is shown as a visible escape.
QString discoveryRow(const DiscoveredMixer &m) {
    QStringList fields;
    for (const QString &text : {m.address, m.name, m.mac, m.description})
        fields << escapedForDisplay(text);
    return fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

} // namespace

int Runner::cmdDiscover() {
    int timeout = 2000;
    if (a.options.contains(QStringLiteral("timeout"))) {
        bool ok = false;
        timeout = a.options.value(QStringLiteral("timeout")).value(0).toInt(&ok);
        if (!ok || timeout < 0 || timeout > 600000)
            return usage(QStringLiteral("--timeout: milliseconds from 0 to 600000 expected: %1")
                             .arg(a.options.value(QStringLiteral("timeout")).value(0)));
    }
    quint16 port = kDiscoveryPort;
    if (a.options.contains(QStringLiteral("discovery-port"))) {
        bool ok = false;
        const int value = a.options.value(QStringLiteral("discovery-port")).value(0).toInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return usage(QStringLiteral("--discovery-port: not a UDP port: %1")
                             .arg(a.options.value(QStringLiteral("discovery-port")).value(0)));
        port = quint16(value);
    }
    std::optional<quint32> broadcast;
    if (a.options.contains(QStringLiteral("broadcast"))) {
        const QString text = a.options.value(QStringLiteral("broadcast")).value(0);
        broadcast = parseIpv4(text);
        if (!broadcast)
            return usage(QStringLiteral("--broadcast: not an IPv4 address: %1").arg(text));
    }

    QList<DiscoveryInterface> table;
    const QStringList given = a.options.value(QStringLiteral("interface"));
    if (!given.isEmpty()) {
        const QList<QNetworkAddressEntry> entries = [] {
            QList<QNetworkAddressEntry> all;
            for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
                all += iface.addressEntries();
            return all;
        }();
        for (const QString &text : given) {
            const std::optional<quint32> address = parseIpv4(text);
            if (!address)
                return usage(QStringLiteral("--interface: not an IPv4 address: %1").arg(text));
            std::optional<quint32> mask;
            if (broadcast) {
                mask = maskFor(*address, *broadcast);
                if (!mask)
                    return usage(QStringLiteral("--broadcast %1 is no broadcast address of %2")
                                     .arg(dotted(*broadcast), text));
            } else {
                for (const QNetworkAddressEntry &e : entries)
                    if (e.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                        e.ip().toIPv4Address() == *address)
                        mask = e.netmask().toIPv4Address();
                if (!mask && (*address >> 24) == 127)
                    mask = 0xFF000000u; // the loopback network
                if (!mask)
                    return usage(
                        QStringLiteral("--interface %1 is no address of this machine; give --broadcast too")
                            .arg(text));
            }
            if (*address == 0x7F000001u)
                return usage(
                    QStringLiteral("--interface: 127.0.0.1 is never asked from; use another loopback "
                                   "address such as 127.0.0.2"));
            table << DiscoveryInterface{*address, *mask};
        }
    } else if (broadcast) {
        // The question goes to that address from a socket bound to no address of its own: the
        // system chooses the route and the sender address.
        table << DiscoveryInterface{*broadcast, 0xFFFFFFFFu};
    }

    Discovery discovery;
    DiscoveryModel model;
    if (!table.isEmpty())
        discovery.setInterfaces(table);
    discovery.setPort(port);
    QObject::connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
    const QString error = discovery.start();
    if (!error.isEmpty()) {
        printErr(QStringLiteral("hzmctl discover: %1\n").arg(error));
        return ExitFailed;
    }
    QEventLoop loop;
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    discovery.stop();
    QCoreApplication::sendPostedEvents(); // answers queued while stopping
    QCoreApplication::processEvents();

    const QList<DiscoveredMixer> mixers = model.mixers();
    if (a.options.contains(QStringLiteral("json"))) {
        QJsonArray list;
        for (const DiscoveredMixer &m : mixers)
            list.append(QJsonObject{{QStringLiteral("address"), m.address},
                                    {QStringLiteral("name"), m.name},
                                    {QStringLiteral("mac"), m.mac},
                                    {QStringLiteral("description"), m.description}});
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-discovery")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("mixers"), list}};
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    } else {
        for (const DiscoveredMixer &m : mixers)
            printOut(discoveryRow(m));
    }
    if (mixers.isEmpty()) {
        printErr(QStringLiteral("hzmctl discover: no mixer answered within %1 ms (UDP port %2)\n")
                     .arg(timeout)
                     .arg(port));
        return ExitFailed;
    }
    return ExitSuccess;
}

} // namespace hzm::cli
