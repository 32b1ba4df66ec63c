#include "CommandRun.h"

#include "link/PortProbe.h"

namespace hzm::cli {

namespace {

class Detect : public Command {
public:
    Detect() {
        name = QStringLiteral("detect");
        summary = QStringLiteral("(serial) print the detected baud rate");
        description = QStringLiteral(
            "Detects the baud rate of the mixer on the --serial port, as the desktop program does\n"
            "when a port is chosen, and prints it.\n");
        link = LinkUse::Unprepared;
        group = Group::Mixer;
        exitStatuses = {
            {ExitSuccess, MixerOutcome::Succeeded, QStringLiteral("the rate was found")},
            {ExitFailed, MixerOutcome::Failed,
             QStringLiteral("no mixer answered at any rate (the desktop program then takes the port "
                            "at 9600)")},
            {ExitUsage, MixerOutcome::BadInput, QStringLiteral("bad usage, or the port cannot be opened")}};
    }

    int run(CommandRun &r) const override {
        if (!r.link().serial())
            return r.usage(QStringLiteral("needs a serial link: --serial PORT"));
        const QString port = r.link().serial()->device;
        const PortProbeResult result = probeSerialPort(port);
        switch (result.outcome) {
        case PortProbeOutcome::Busy:
            return r.fail(portProblem(port, result.error));
        case PortProbeOutcome::NotFound:
            return r.finish(ExitFailed,
                            QStringLiteral("%1: %2").arg(port, QLatin1String(kBaudNotDetectedMessage)));
        case PortProbeOutcome::Found:
            break;
        }
        r.printOut(QString::number(result.baudRate) + QLatin1Char('\n'));
        return ExitSuccess;
    }
};

HZM_COMMAND(Detect)

} // namespace

} // namespace hzm::cli
