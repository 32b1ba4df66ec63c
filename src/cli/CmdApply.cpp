#include "CommandRun.h"

#include "model/SettingsCheck.h"
#include "model/SettingsView.h"
#include "protocol/ChangesJob.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

namespace hzm::cli {

namespace {

// Read all, send only what differs from FILE, then read again and compare.
class Apply : public Command {
public:
    Apply() {
        name = QStringLiteral("apply");
        summary = QStringLiteral(
            "Read all (starting from FILE, as read --base), send only the commands whose values "
            "differ, read again and list what still differs");
        description = QStringLiteral(
            "Brings the mixer to the settings file FILE, sending only what differs: reads the whole\n"
            "configuration (Read all), sends the commands whose values differ from FILE (in Send\n"
            "all's order and with its pauses; a command that sets several fields goes whole), then\n"
            "reads again, writing nothing, and prints the fields that still differ as verify does.\n"
            "The first read starts from FILE's settings, as \"read --base FILE\" does: a mixer of\n"
            "software V1.04 or lower is given FILE's paging-priority attenuation, and its names and\n"
            "mic gates, which it does not report, are always sent.\n"
            "A file whose lines are not settings lines is refused.\n");
        arguments = {{QStringLiteral("FILE"), QStringLiteral("the settings file (\"-\": standard input)")}};
        options = {
            {QStringLiteral("no-check"), QStringLiteral("leave out the second read")},
            {QStringLiteral("dry-run"),
             QStringLiteral("read, then print the commands that would be sent, one per line; nothing at all "
                            "is written to the mixer")}};
        link = LinkUse::Prepared;
        group = Group::Mixer;
        severalMixers = true;
        exitStatuses = {
            {ExitSuccess, MixerOutcome::Succeeded,
             QStringLiteral("the mixer matches FILE (or nothing needed sending; --dry-run: the read "
                            "worked)")},
            {ExitFailed, MixerOutcome::Differs, QStringLiteral("a field still differs after sending")},
            {ExitUsage, MixerOutcome::BadInput, QStringLiteral("bad usage or unreadable FILE")},
            {ExitTransferFailed, MixerOutcome::Failed,
             QStringLiteral("a transfer failed (the mixer may hold part of the changes)")}};
    }

    int run(CommandRun &r) const override {
        const QString path = r.args.positional.at(0);
        const bool dryRun = r.isSet(QStringLiteral("dry-run"));
        const bool check = !r.isSet(QStringLiteral("no-check"));
        if (dryRun && !check)
            return r.usage(QStringLiteral(
                "--dry-run sends nothing, so there is nothing to check; leave out --no-check"));
        MixerSettings target;
        int status = 0;
        if (!r.loadFile(path, target, status, true))
            return status;
        // Checked before the first read, which writes FILE's paging-priority attenuation to an
        // older mixer; sending the changes checks it again.
        if (const QList<FieldProblem> problems = outOfRangeFields(target); !problems.isEmpty())
            return r.fail(outOfRangeReason(problems));

        // What the mixer holds. The read starts from the file, as "read --base FILE" does: a
        // mixer of software 1.04 or older is given the file's paging-priority attenuation, and the
        // labels and mic gates it does not report stay the file's (the changes job sends those
        // anyway). A dry run writes nothing at all, not even that attenuation.
        MixerSettings baseline = target;
        TransferResult outcome =
            r.transfer(baseline, dryRun ? ReadAllWithoutWritingJob(baseline) : ReadAllJob(baseline));
        if (!outcome.success)
            return r.transferFailed(outcome, QStringLiteral("nothing was sent"), ExitTransferFailed);
        const QString version = baseline.softwareVersion;
        const QStringList bodies = ChangedCommandBodies(baseline, target, version);
        if (dryRun) {
            for (const QString &body : bodies)
                r.printOut(body + QLatin1Char('\n'));
            r.warn(bodies.isEmpty() ? NothingToSendText()
                                    : QStringLiteral("%1 command%2 would be sent; nothing was sent")
                                          .arg(bodies.size())
                                          .arg(bodies.size() == 1 ? QString() : QStringLiteral("s")));
            return ExitSuccess;
        }
        if (!bodies.isEmpty()) {
            MixerSettings sent = target;
            outcome = r.transfer(sent, SendChangesJob(baseline, target, version));
            if (!outcome.success)
                return r.transferFailed(
                    outcome,
                    QStringLiteral("the mixer may hold part of the changes; apply again once it answers"),
                    ExitTransferFailed);
        }
        if (!check)
            return ExitSuccess;

        // The check reads without writing anything, starting from the file like the first read.
        MixerSettings mixer = target;
        outcome = r.transfer(mixer, ReadAllWithoutWritingJob(mixer));
        if (!outcome.success)
            return r.transferFailed(
                outcome, QStringLiteral("the changes were sent, but the check could not read the mixer"),
                ExitTransferFailed);
        int differing = 0;
        for (const FieldDifference &d :
             CompareSettings(target, mixer, !HasNewerSoftware(mixer.softwareVersion))) {
            if (!d.readable)
                continue;
            ++differing;
            r.printOut(DifferenceText(d) + QLatin1Char('\n'));
        }
        if (differing == 0)
            return ExitSuccess;
        return r.finish(
            ExitFailed,
            QStringLiteral("after sending, %1 from %2").arg(fieldsDiffer(differing, true), shownPath(path)));
    }
};

HZM_COMMAND(Apply)

} // namespace

} // namespace hzm::cli
