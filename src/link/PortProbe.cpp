#include "PortProbe.h"

#include "LinkSelection.h"
#include "SerialComms.h"
#include "SerialPermission.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace hzm {

bool checkSerialPortUsable(const QString &portName, QString *error) {
    // Opening the link opens the device exclusively and configures 9600 8N1; closing it at once
    // leaves the port free for the detection thread.
    SerialComms probe(portName, kFallbackBaudRate);
    if (!probe.Open()) {
        if (error)
            *error = probe.errorString();
        return false;
    }
    probe.Close();
    return true;
}

PortProbeResult detectMixerBaudRate(SerialComms &link) {
    PortProbeResult result;
    if (link.DetectBaudRate()) {
        result.outcome = PortProbeOutcome::Found;
        result.baudRate = link.baudRate();
    } else {
        result.outcome = PortProbeOutcome::NotFound;
        result.baudRate = kFallbackBaudRate;
    }
    return result;
}

PortProbeResult detectMixerBaudRate(const QString &portName, const Comms::Sleeper &sleeper) {
    SerialComms link(portName, kFallbackBaudRate); // chunked writes, as every serial link
    if (sleeper)
        link.setSleeper(sleeper);
    return detectMixerBaudRate(link);
}

PortProbeResult probeSerialPort(const QString &portName, const Comms::Sleeper &sleeper) {
    PortProbeResult busy;
    if (!checkSerialPortUsable(portName, &busy.error))
        return busy;
    return detectMixerBaudRate(portName, sleeper);
}

bool applyProbeResult(const PortProbeResult &result, const SerialEndpoint &port, LinkSelection &selection) {
    if (result.outcome == PortProbeOutcome::Busy)
        return false;
    SerialEndpoint chosen = port;
    chosen.baudRate = result.baudRate;
    selection = chosen;
    return true;
}

QString portProblem(const QString &port, const QString &reason) {
    QString text =
        QStringLiteral("serial port %1: %2 (%3)").arg(port, QLatin1String(kPortBusyMessage), reason);
    const QString advice = serialPermissionAdvice(port);
    if (!advice.isEmpty())
        text += QLatin1Char('\n') + advice;
    return text;
}

bool prepareLink(LinkSelection &link, QString &why, QString *warning) {
    SerialEndpoint *serial = link.serial();
    if (!serial)
        return true;
    const QString port = serial->device;
    if (serial->baudRate) {
        QString error;
        if (checkSerialPortUsable(port, &error))
            return true;
        why = portProblem(port, error);
        return false;
    }
    const PortProbeResult result = probeSerialPort(port);
    if (result.outcome == PortProbeOutcome::Busy) {
        why = portProblem(port, result.error);
        return false;
    }
    if (result.outcome == PortProbeOutcome::NotFound && warning)
        *warning = QStringLiteral("%1: %2").arg(port, QLatin1String(kBaudNotDetectedMessage));
    serial->baudRate = result.baudRate;
    return true;
}

QList<SerialPortEntry> serialPortsPresent(bool includeComPorts) {
    QStringList comPorts;
    for (int n = 1; n <= 10; ++n)
        comPorts << comPortName(n);
    QList<SerialPortEntry> entries;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
#ifdef Q_OS_WIN
        const QString device = info.portName(); // "COM3", where the system location is \\.\COM3
#else
        const QString device = info.systemLocation().isEmpty() ? info.portName() : info.systemLocation();
#endif
        if (!includeComPorts && (comPorts.contains(device) || comPorts.contains(info.portName())))
            continue;
        const QString description = info.description().trimmed();
        entries.append(
            {device, description.isEmpty() ? device : QStringLiteral("%1 (%2)").arg(device, description)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const SerialPortEntry &a, const SerialPortEntry &b) { return a.device < b.device; });
    return entries;
}

BaudRateDetection::BaudRateDetection(QObject *parent) : QObject(parent) {}

BaudRateDetection::~BaudRateDetection() {
    wait();
}

bool BaudRateDetection::start(const QString &portName, const Comms::Sleeper &sleeper) {
    if (m_running.load())
        return false;
    wait(); // joins a finished earlier run
    m_running = true;
    m_thread = std::thread([this, portName, sleeper] {
        const PortProbeResult result = detectMixerBaudRate(portName, sleeper);
        m_running = false; // a new start() joins this thread before running
        // Delivered on this object's thread; dropped if the object is gone by then.
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
    });
    return true;
}

void BaudRateDetection::wait() {
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace hzm
