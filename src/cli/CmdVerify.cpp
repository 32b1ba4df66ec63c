#include "CliCommon.h"

#include "model/SettingsView.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace hzm::cli {

int Runner::cmdVerify() {
    MixerSettings file;
    int status = 0;
    const QString shown = shownPath(a.positional.at(0));
    if (!loadFile(a.positional.at(0), file, status))
        return status;
    // Start from the file, so that what an older mixer does not report stays as the file has it.
    // Nothing is written to the mixer: an older mixer's paging attenuation is left as it is.
    MixerSettings mixer = file;
    const TransferResult outcome = transfer(mixer, ReadAllWithoutWritingJob(mixer));
    if (!outcome.success) {
        transferFailed(outcome);
        return ExitTransferFailed;
    }
    const QList<FieldDifference> all = CompareSettings(file, mixer, !HasNewerSoftware(mixer.softwareVersion));
    int differing = 0;
    for (const FieldDifference &d : all)
        differing += d.readable ? 1 : 0;
    const int unreadable = int(all.size()) - differing;

    if (a.options.contains(QStringLiteral("json"))) {
        QJsonArray differences;
        QJsonArray notReadable;
        for (const FieldDifference &d : all)
            (d.readable ? differences : notReadable).append(DifferenceJson(d));
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-verify")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("file"), shown},
                               {QStringLiteral("software_version"), mixer.softwareVersion},
                               {QStringLiteral("same"), differing == 0},
                               {QStringLiteral("differences"), differences},
                               {QStringLiteral("not_readable"), notReadable}};
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    } else {
        for (const FieldDifference &d : all)
            printOut(DifferenceText(d) + QLatin1Char('\n'));
    }
    if (unreadable > 0)
        printErr(QStringLiteral("hzmctl verify: %1 field%2 %3 not readable from software V1.04 or lower (the "
                                "mixer reports %4)\n")
                     .arg(unreadable)
                     .arg(unreadable == 1 ? QString() : QStringLiteral("s"))
                     .arg(unreadable == 1 ? QStringLiteral("is") : QStringLiteral("are"))
                     .arg(mixer.softwareVersion));
    if (differing == 0)
        return ExitSuccess;
    printErr(QStringLiteral("hzmctl verify: %1 from %2\n").arg(fieldsDiffer(differing), shown));
    return ExitFailed;
}

} // namespace hzm::cli
