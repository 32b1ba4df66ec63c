#include "LinkSelection.h"

#include "FileComms.h"
#include "PortProbe.h"
#include "SerialComms.h"
#include "TCPComms.h"

#include <QHostInfo>
#include <QRegularExpression>

namespace hzm {

namespace {

const QLatin1String kTcpPrefix("tcp:");
const QLatin1String kSerialPrefix("serial:");

template <typename T> std::optional<T> failed(QString *error, const QString &why) {
    if (error)
        *error = why;
    return std::nullopt;
}

// An address, or the first address of a host name (IPv4 preferred); null when there is none.
QHostAddress lookUp(const QString &host, QString &why) {
    QHostAddress address(host);
    if (!address.isNull())
        return address;
    const QHostInfo info = QHostInfo::fromName(host);
    for (const QHostAddress &candidate : info.addresses())
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol)
            return candidate;
    if (!info.addresses().isEmpty())
        return info.addresses().first();
    why = info.errorString();
    return QHostAddress();
}

} // namespace

std::optional<TcpEndpoint> parseTcpEndpoint(const QString &text, QString *error) {
    QString host = text;
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':'))))
            return failed<TcpEndpoint>(error, QStringLiteral("not an address: %1").arg(text));
        host = text.mid(1, close - 1);
        if (!rest.isEmpty())
            portText = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        portText = text.section(QLatin1Char(':'), 1);
        if (portText.isEmpty()) // "HOST:" is a port left out, not the default port
            return failed<TcpEndpoint>(error, QStringLiteral("no port after the colon in %1").arg(text));
    }
    TcpEndpoint endpoint;
    if (!portText.isNull()) {
        bool ok = false;
        const int value = portText.toInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return failed<TcpEndpoint>(error,
                                       QStringLiteral("not a TCP port: %1 (in %2)").arg(portText, text));
        endpoint.port = quint16(value);
    }
    if (host.isEmpty())
        return failed<TcpEndpoint>(error, QStringLiteral("no host in %1").arg(text));
    QString why;
    endpoint.address = lookUp(host, why);
    if (endpoint.address.isNull())
        return failed<TcpEndpoint>(error,
                                   QStringLiteral("cannot find the host %1%2")
                                       .arg(host, why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    return endpoint;
}

std::optional<SerialEndpoint> parseSerialEndpoint(const QString &text, QString *error) {
    SerialEndpoint endpoint;
    QString device = text;
    static const QRegularExpression baud(QStringLiteral("@(\\d+)$"));
    const QRegularExpressionMatch rate = baud.match(text);
    if (rate.hasMatch()) {
        endpoint.baudRate = rate.captured(1).toInt();
        if (!supportedBaudRates().contains(endpoint.baudRate))
            return failed<SerialEndpoint>(
                error, QStringLiteral("%1 is not a rate of the mixer (19200, 9600, 4800, 2400, 1200 or 300)")
                           .arg(rate.captured(1)));
        device.chop(rate.capturedLength());
    }
    if (device.isEmpty())
        return failed<SerialEndpoint>(error, QStringLiteral("no serial port in %1").arg(text));
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(device);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n < 1 || n > 10)
            return failed<SerialEndpoint>(
                error, QStringLiteral("%1: COM ports are COM1 to COM10; give any other port as a device path")
                           .arg(device));
        endpoint.comNumber = n;
        device = comPortName(n);
    }
    endpoint.device = device;
    return endpoint;
}

QString LinkSelection::where() const {
    if (const TcpEndpoint *t = tcp()) {
        const bool v6 = t->address.protocol() == QAbstractSocket::IPv6Protocol;
        return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2"))
            .arg(t->address.toString())
            .arg(t->port);
    }
    if (const SerialEndpoint *s = serial())
        return s->device;
    return QString();
}

QString LinkSelection::describe() const {
    if (tcp())
        return QStringLiteral("Ethernet %1").arg(where());
    if (const SerialEndpoint *s = serial())
        return QStringLiteral("%1 at %2 baud")
            .arg(s->device)
            .arg(s->baudRate ? s->baudRate : kFallbackBaudRate);
    return QStringLiteral("no port");
}

QString LinkSelection::toText() const {
    if (tcp())
        return kTcpPrefix + where();
    if (const SerialEndpoint *s = serial())
        return kSerialPrefix + (s->comNumber ? QStringLiteral("COM%1").arg(s->comNumber) : s->device) +
               (s->baudRate ? QStringLiteral("@%1").arg(s->baudRate) : QString());
    return QString();
}

std::optional<LinkSelection> LinkSelection::fromText(const QString &text, QString *error) {
    if (text.startsWith(kTcpPrefix)) {
        if (const auto endpoint = parseTcpEndpoint(text.mid(kTcpPrefix.size()), error))
            return LinkSelection(*endpoint);
        return std::nullopt;
    }
    if (text.startsWith(kSerialPrefix)) {
        if (const auto endpoint = parseSerialEndpoint(text.mid(kSerialPrefix.size()), error))
            return LinkSelection(*endpoint);
        return std::nullopt;
    }
    return failed<LinkSelection>(
        error, QStringLiteral("not a link: %1 (tcp:HOST[:PORT] or serial:DEVICE[@BAUD])").arg(text));
}

std::unique_ptr<Comms> LinkSelection::makeLink() const {
    if (const TcpEndpoint *t = tcp())
        return std::make_unique<TCPComms>(t->address, t->port);
    if (const SerialEndpoint *s = serial())
        return std::make_unique<SerialComms>(s->device, s->baudRate ? s->baudRate : kFallbackBaudRate);
    return std::make_unique<NullComms>();
}

} // namespace hzm
