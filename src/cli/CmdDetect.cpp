#include "CliCommon.h"

#include "link/PortProbe.h"
#include "link/SerialComms.h"

namespace hzm::cli {

int Runner::cmdDetect() {
    if (!link.selection.serial())
        return usage(QStringLiteral("needs a serial link: --serial PORT"));
    const QString port = link.selection.serial()->device;
    const PortProbeResult result = probeSerialPort(port);
    switch (result.outcome) {
    case PortProbeOutcome::Busy:
        return fail(portProblem(port, result.error));
    case PortProbeOutcome::NotFound:
        printErr(QStringLiteral("hzmctl detect: %1: %2\n").arg(port, QLatin1String(kBaudNotDetectedMessage)));
        return ExitFailed;
    case PortProbeOutcome::Found:
        break;
    }
    printOut(QString::number(result.baudRate) + QLatin1Char('\n'));
    return ExitSuccess;
}

} // namespace hzm::cli
