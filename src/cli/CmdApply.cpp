#include "CommandRun.h"

#include "model/SettingsView.h"
#include "protocol/ChangesJob.h"

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
        venueUse = QStringLiteral("brings each mixer to its settings file");
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
        const MixerResult result = applyToMixer(target, r.transfers(), {check, dryRun});
        if (dryRun && result.outcome == MixerOutcome::Succeeded) {
            for (const QString &body : result.changes)
                r.printOut(body + QLatin1Char('\n'));
            r.warn(result.changes.isEmpty()
                       ? NothingToSendText()
                       : QStringLiteral("%1 command%2 would be sent; nothing was sent")
                             .arg(result.changes.size())
                             .arg(result.changes.size() == 1 ? QString() : QStringLiteral("s")));
            return ExitSuccess;
        }
        if (result.outcome != MixerOutcome::Differs)
            return r.taskEnded(result, ExitTransferFailed);
        for (const FieldDifference &d : result.differences)
            if (d.readable)
                r.printOut(DifferenceText(d) + QLatin1Char('\n'));
        return r.finish(ExitFailed, QStringLiteral("%1 from %2").arg(result.reason, shownPath(path)));
    }
};

HZM_COMMAND(Apply)

} // namespace

} // namespace hzm::cli
