#include "CliCommon.h"

#include "model/SettingsView.h"
#include "protocol/ChangesJob.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

namespace hzm::cli {

// Read all, send only what differs from FILE, then read again and compare.
int Runner::cmdApply() {
    const QString path = a.positional.at(0);
    const QString shown = shownPath(path);
    const bool dryRun = a.options.contains(QStringLiteral("dry-run"));
    const bool check = !a.options.contains(QStringLiteral("no-check"));
    if (dryRun && !check)
        return usage(
            QStringLiteral("--dry-run sends nothing, so there is nothing to check; leave out --no-check"));
    MixerSettings target;
    int status = 0;
    if (!loadFile(path, target, status, true))
        return status;

    // What the mixer holds. The read starts from the file, as "read --base FILE" does: a mixer
    // of software 1.04 or older is given the file's paging-priority attenuation, and the labels
    // and mic gates it does not report stay the file's (the changes job sends those anyway).
    // A dry run writes nothing at all, not even that attenuation.
    MixerSettings baseline = target;
    TransferResult outcome =
        transfer(baseline, dryRun ? ReadAllWithoutWritingJob(baseline) : ReadAllJob(baseline));
    if (!outcome.success) {
        transferFailed(outcome, QStringLiteral("nothing was sent"));
        return ExitTransferFailed;
    }
    const QString version = baseline.softwareVersion;
    const QStringList bodies = ChangedCommandBodies(baseline, target, version);
    if (dryRun) {
        for (const QString &body : bodies)
            printOut(body + QLatin1Char('\n'));
        printErr(bodies.isEmpty()
                     ? QStringLiteral("hzmctl apply: %1\n").arg(NothingToSendText())
                     : QStringLiteral("hzmctl apply: %1 command%2 would be sent; nothing was sent\n")
                           .arg(bodies.size())
                           .arg(bodies.size() == 1 ? QString() : QStringLiteral("s")));
        return ExitSuccess;
    }
    if (!bodies.isEmpty()) {
        MixerSettings sent = target;
        outcome = transfer(sent, SendChangesJob(baseline, target, version));
        if (!outcome.success) {
            transferFailed(outcome,
                           QStringLiteral("the mixer may hold part of the changes; apply again once it "
                                          "answers"));
            return ExitTransferFailed;
        }
    }
    if (!check)
        return ExitSuccess;

    // The check reads without writing anything, starting from the file like the first read.
    MixerSettings mixer = target;
    outcome = transfer(mixer, ReadAllWithoutWritingJob(mixer));
    if (!outcome.success) {
        transferFailed(outcome,
                       QStringLiteral("the changes were sent, but the check could not read the mixer"));
        return ExitTransferFailed;
    }
    const QList<FieldDifference> all =
        CompareSettings(target, mixer, !HasNewerSoftware(mixer.softwareVersion));
    int differing = 0;
    for (const FieldDifference &d : all) {
        if (!d.readable)
            continue;
        ++differing;
        printOut(DifferenceText(d) + QLatin1Char('\n'));
    }
    if (differing == 0)
        return ExitSuccess;
    printErr(QStringLiteral("hzmctl apply: after sending, %1 from %2\n")
                 .arg(fieldsDiffer(differing, true), shown));
    return ExitFailed;
}

} // namespace hzm::cli
