#include "CommandRun.h"

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

// The mask of a local address: its interface's, or the loopback network's.
std::optional<quint32> localMask(quint32 address) {
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry &e : iface.addressEntries())
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && e.ip().toIPv4Address() == address)
                return e.netmask().toIPv4Address();
    if ((address >> 24) == 127)
        return 0xFF000000u;
    return std::nullopt;
}

// One tab-separated line per mixer. Every text came from the network: a control character
// (an escape sequence, BEL, a TAB that would add a column) is shown as a visible escape.
QString discoveryRow(const DiscoveredMixer &m) {
    QStringList fields;
    for (const QString &text : {m.address, m.name, m.mac, m.description})
        fields << escapedForDisplay(text);
    return fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

class Discover : public Command {
public:
    Discover() {
        name = QStringLiteral("discover");
        summary = QStringLiteral("list the mixers answering the UDP discovery");
        description =
            QStringLiteral(R"(Broadcasts the discovery question and lists the mixers that answer within MS
milliseconds (default 2000). By default the question goes out on every IPv4 interface
of this machine, as the desktop program does.
Output: one line per mixer, fields separated by tabs: address, name, MAC address,
description. With --json (format "hzm-discovery", format_version 1):
  {"format": "hzm-discovery", "format_version": 1,
   "mixers": [ {"address": "192.168.0.100", "name": TEXT, "mac": TEXT,
                "description": TEXT} ... ]}
The JSON list is empty when no mixer answered.
)");
        options = {
            {QStringLiteral("timeout"), QStringLiteral("wait MS milliseconds for answers (0 to 600000)"),
             QStringLiteral("MS")},
            {QStringLiteral("broadcast"),
             QStringLiteral("ask only on this broadcast address (for example 192.168.1.255 or "
                            "127.255.255.255); the system chooses the route and the sender address"),
             QStringLiteral("ADDR")},
            {QStringLiteral("interface"),
             QStringLiteral("ask only from this local address (repeatable); with --broadcast, from this "
                            "address to that broadcast address"),
             QStringLiteral("ADDR")},
            {QStringLiteral("discovery-port"),
             QStringLiteral("ask on this UDP port instead of 30303 (hzm-sim --discovery-port)"),
             QStringLiteral("N")},
            {QStringLiteral("json"), QStringLiteral("print the list as the JSON document above")}};
        repeatable = {QStringLiteral("interface")};
        group = Group::Network;
        exitStatuses = {{ExitSuccess, MixerOutcome::Succeeded, QStringLiteral("a mixer answered")},
                        {ExitFailed, MixerOutcome::Failed, QStringLiteral("no mixer answered")},
                        {ExitUsage, MixerOutcome::BadInput, QStringLiteral("bad usage")}};
    }

    int run(CommandRun &r) const override {
        int timeout = 2000;
        if (r.isSet(QStringLiteral("timeout"))) {
            bool ok = false;
            timeout = r.value(QStringLiteral("timeout")).toInt(&ok);
            if (!ok || timeout < 0 || timeout > 600000)
                return r.usage(QStringLiteral("--timeout: milliseconds from 0 to 600000 expected: %1")
                                   .arg(r.value(QStringLiteral("timeout"))));
        }
        quint16 port = kDiscoveryPort;
        if (r.isSet(QStringLiteral("discovery-port"))) {
            bool ok = false;
            const int value = r.value(QStringLiteral("discovery-port")).toInt(&ok);
            if (!ok || value < 1 || value > 65535)
                return r.usage(QStringLiteral("--discovery-port: not a UDP port: %1")
                                   .arg(r.value(QStringLiteral("discovery-port"))));
            port = quint16(value);
        }
        QList<DiscoveryInterface> table;
        int status = 0;
        if (!interfaces(r, table, status))
            return status;
        const QList<DiscoveredMixer> mixers = ask(r, table, port, timeout, status);
        if (status != ExitSuccess)
            return status;
        print(r, mixers);
        if (mixers.isEmpty())
            return r.finish(
                ExitFailed,
                QStringLiteral("no mixer answered within %1 ms (UDP port %2)").arg(timeout).arg(port));
        return ExitSuccess;
    }

private:
    // The addresses to ask from (--interface, --broadcast); empty: every interface.
    static bool interfaces(CommandRun &r, QList<DiscoveryInterface> &table, int &status) {
        std::optional<quint32> broadcast;
        if (r.isSet(QStringLiteral("broadcast"))) {
            const QString text = r.value(QStringLiteral("broadcast"));
            broadcast = parseIpv4(text);
            if (!broadcast) {
                status = r.usage(QStringLiteral("--broadcast: not an IPv4 address: %1").arg(text));
                return false;
            }
        }
        for (const QString &text : r.args.options.value(QStringLiteral("interface"))) {
            const std::optional<quint32> address = parseIpv4(text);
            if (!address) {
                status = r.usage(QStringLiteral("--interface: not an IPv4 address: %1").arg(text));
                return false;
            }
            const std::optional<quint32> mask =
                broadcast ? maskFor(*address, *broadcast) : localMask(*address);
            if (!mask) {
                status =
                    r.usage(broadcast ? QStringLiteral("--broadcast %1 is no broadcast address of %2")
                                            .arg(QHostAddress(*broadcast).toString(), text)
                                      : QStringLiteral("--interface %1 is no address of this machine; give "
                                                       "--broadcast too")
                                            .arg(text));
                return false;
            }
            if (*address == 0x7F000001u) {
                status = r.usage(QStringLiteral("--interface: 127.0.0.1 is never asked from; use another "
                                                "loopback address such as 127.0.0.2"));
                return false;
            }
            table << DiscoveryInterface{*address, *mask};
        }
        // --broadcast alone: the question goes to that address from a socket bound to no address
        // of its own; the system chooses the route and the sender address.
        if (table.isEmpty() && broadcast)
            table << DiscoveryInterface{*broadcast, 0xFFFFFFFFu};
        return true;
    }

    static QList<DiscoveredMixer> ask(CommandRun &r, const QList<DiscoveryInterface> &table, quint16 port,
                                      int timeout, int &status) {
        Discovery discovery;
        DiscoveryModel model;
        if (!table.isEmpty())
            discovery.setInterfaces(table);
        discovery.setPort(port);
        QObject::connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
        const QString error = discovery.start();
        if (!error.isEmpty()) {
            status = r.finish(ExitFailed, error);
            return {};
        }
        QEventLoop loop;
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
        discovery.stop();
        QCoreApplication::sendPostedEvents(); // answers queued while stopping
        QCoreApplication::processEvents();
        status = ExitSuccess;
        return model.mixers();
    }

    static void print(CommandRun &r, const QList<DiscoveredMixer> &mixers) {
        if (!r.isSet(QStringLiteral("json"))) {
            for (const DiscoveredMixer &m : mixers)
                r.printOut(discoveryRow(m));
            return;
        }
        QJsonArray list;
        for (const DiscoveredMixer &m : mixers)
            list.append(QJsonObject{{QStringLiteral("address"), m.address},
                                    {QStringLiteral("name"), m.name},
                                    {QStringLiteral("mac"), m.mac},
                                    {QStringLiteral("description"), m.description}});
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-discovery")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("mixers"), list}};
        r.streams.out.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    }
};

HZM_COMMAND(Discover)

} // namespace

} // namespace hzm::cli
