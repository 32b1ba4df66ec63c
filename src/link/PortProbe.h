#pragma once

#include "Comms.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

namespace hzm {

class SerialComms;
class LinkSelection;
struct SerialEndpoint;

// Texts of choosing a serial port, shown (translated) by the window that asks for the port.
inline constexpr char kPortBusyMessage[] =
    QT_TRANSLATE_NOOP("hzm::PortProbe", "The COM port is currently in use or is not present. Please check "
                                        "your system before selecting this port.");
inline constexpr char kPortBusyCaption[] = QT_TRANSLATE_NOOP("hzm::PortProbe", "Warning");
inline constexpr char kBaudNotDetectedMessage[] = QT_TRANSLATE_NOOP(
    "hzm::PortProbe",
    "Unable to auto-detect baud rate, setting to 9600.\nPlease ensure the HZM-1 is connected.");
inline constexpr char kBaudNotDetectedCaption[] = QT_TRANSLATE_NOOP("hzm::PortProbe", "Error");
inline constexpr char kBaudDialogTitle[] = "Baud Rate";
inline constexpr char kBaudDialogText[] = "Detecting HZM1 baud rate...";

// The rate a port is taken at when no mixer answers.
constexpr int kFallbackBaudRate = 9600;

enum class PortProbeOutcome {
    Busy,     // absent or opened by another program: the selection stays as it was
    Found,    // the mixer answered at baudRate
    NotFound, // no answer at any rate: the port is taken at 9600 all the same
};

struct PortProbeResult {
    PortProbeOutcome outcome = PortProbeOutcome::Busy;
    int baudRate = kFallbackBaudRate; // the rate to select (Found, NotFound)
    QString error;                    // the system's reason when Busy, for logs and the CLI
};

// The quick check before detection, on the calling thread: opens the port, sets 9600 8N1 and
// closes it again. False (with the reason in *error) when the port is absent or busy.
bool checkSerialPortUsable(const QString &portName, QString *error = nullptr);

// Probes the supported rates on an unopened link (SerialComms::DetectBaudRate). Blocks for up to
// about 7.5 seconds; run it away from the GUI thread. Never returns Busy.
PortProbeResult detectMixerBaudRate(SerialComms &link);
// The same on a new link to portName; sleeper replaces the protocol's pauses when given.
PortProbeResult detectMixerBaudRate(const QString &portName, const Comms::Sleeper &sleeper = {});

// The whole probe of choosing a port (check, then detection), blocking.
PortProbeResult probeSerialPort(const QString &portName, const Comms::Sleeper &sleeper = {});

// Records a probe's outcome in the selection: Found and NotFound select port at the result's
// rate; Busy leaves the selection alone. Returns whether the selection changed.
bool applyProbeResult(const PortProbeResult &result, const SerialEndpoint &port, LinkSelection &selection);

// A serial port present on this machine, for the Port menu's extra entries.
struct SerialPortEntry {
    QString device; // what to open: "/dev/ttyUSB0", "COM12"
    QString label;  // for the menu: the device and, when known, its description
};

// The serial ports the system reports, sorted by device. The ports already offered as
// "Com 1" to "Com 10" are left out unless includeComPorts is set. Pseudo-terminals (the simulated
// mixer's) are not reported by the system; they are chosen by typing their path.
QList<SerialPortEntry> serialPortsPresent(bool includeComPorts = false);

// Runs the detection on a thread of its own, for the "Baud Rate" dialog: finished() arrives
// queued on the thread that owns this object. The destructor waits for the thread.
class BaudRateDetection : public QObject {
    Q_OBJECT
public:
    explicit BaudRateDetection(QObject *parent = nullptr);
    ~BaudRateDetection() override;

    // Starts detecting on portName; false when a detection is still running.
    bool start(const QString &portName, const Comms::Sleeper &sleeper = {});
    bool isRunning() const { return m_running.load(); }
    // Waits for the thread to end (the dialog's close waits without limit).
    void wait();

signals:
    void finished(const hzm::PortProbeResult &result);

private:
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};

} // namespace hzm
