#include "CommandRun.h"

#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"

#include <QRegularExpression>

namespace hzm::cli {

namespace {

class Version : public Command {
public:
    Version() {
        name = QStringLiteral("version");
        summary = QStringLiteral("print the mixer's software version");
        description = QStringLiteral("Asks the mixer for its software version and prints it (\"1.05\").\n");
        link = LinkUse::Prepared;
        exitStatuses = mixerExitStatuses();
        group = Group::Mixer;
        severalMixers = true;
    }

    int run(CommandRun &r) const override {
        MixerSettings settings;
        const TransferResult outcome = r.transfer(settings, GetVersionJob());
        if (!outcome.success)
            return r.transferFailed(outcome);
        // As the mixer gave it; one that is not digits and a point ("1.05") also gets a warning,
        // so that a script notices an odd mixer or line.
        const QString shown = escapedForDisplay(settings.softwareVersion);
        r.printOut(shown + QLatin1Char('\n'));
        static const QRegularExpression digitsAndPoint(QStringLiteral("^[0-9]+\\.[0-9]+$"));
        if (!digitsAndPoint.match(settings.softwareVersion).hasMatch())
            r.warn(
                QStringLiteral("warning: the mixer's version \"%1\" is not digits and a point").arg(shown));
        return ExitSuccess;
    }
};

HZM_COMMAND(Version)

} // namespace

} // namespace hzm::cli
