#include "CliCommon.h"

#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"
#include <QRegularExpression>

namespace hzm::cli {

int Runner::cmdVersion() {
    MixerSettings settings;
    const TransferResult outcome = transfer(settings, GetVersionJob());
    if (!outcome.success)
        return transferFailed(outcome);
    printVersion(settings.softwareVersion);
    return ExitSuccess;
}

// Prints the version as the mixer gave it; one that is not digits and a point ("1.05") also gets
// a warning on stderr, so that a script notices an odd mixer or line.
void Runner::printVersion(const QString &version) {
    const QString shown = escapedForDisplay(version);
    printOut(shown + QLatin1Char('\n'));
    static const QRegularExpression digitsAndPoint(QStringLiteral("^[0-9]+\\.[0-9]+$"));
    if (!digitsAndPoint.match(version).hasMatch())
        printErr(
            QStringLiteral("hzmctl version: warning: the mixer's version \"%1\" is not digits and a point\n")
                .arg(shown));
}

} // namespace hzm::cli
