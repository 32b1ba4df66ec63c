#include "CommandRun.h"

#include "files/SettingsFile.h"
#include "model/OptionLists.h"
#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

namespace hzm::cli {

namespace {

class Read : public Command {
public:
    Read() {
        name = QStringLiteral("read");
        summary = QStringLiteral(
            "Read all, then save the settings file FILE; a mixer of V1.04 or lower is given the "
            "paging-priority attenuation of FILE2, or else the factory value (-30 dB)");
        description = QStringLiteral(
            "Reads the whole configuration from the mixer (Read all) and saves it as the settings\n"
            "file FILE. When the transfer fails part-way nothing is written, unless --partial is\n"
            "given. FILE is replaced only once the new file is complete.\n"
            "Mixers with software V1.04 or lower do not report their paging-priority attenuation,\n"
            "mic gates or names: Read all writes the attenuation it holds to the mixer, as the\n"
            "desktop program does. The read starts from the factory defaults, so such a mixer's\n"
            "attenuation is set to the factory value (-30 dB; a warning says so first), unless\n"
            "--base is given.\n");
        arguments = {
            {QStringLiteral("FILE"),
             QStringLiteral("the settings file to write; with several mixers it needs {host}, {port} or "
                            "{n} (venue-{n}.hzc)")}};
        options = {
            {QStringLiteral("partial"),
             QStringLiteral("when the transfer fails part-way, save what was read so far (the rest at the "
                            "factory defaults)")},
            {QStringLiteral("base"),
             QStringLiteral("start from the settings file FILE2: its attenuation is written back to an older "
                            "mixer, and its names and mic gates are kept in FILE"),
             QStringLiteral("FILE2")}};
        link = LinkUse::Prepared;
        exitStatuses = mixerExitStatuses();
        group = Group::Mixer;
        severalMixers = true;
    }

    int run(CommandRun &r) const override {
        const QString path = r.args.positional.at(0);
        QString why;
        if (!writableTarget(path, why))
            return r.fail(why);
        // Read all starts from the settings held: the factory defaults, or those of --base. An
        // older mixer does not report its paging-priority attenuation and is given the held one.
        MixerSettings settings;
        const bool based = r.isSet(QStringLiteral("base"));
        int status = 0;
        if (based && !r.loadFile(r.value(QStringLiteral("base")), settings, status, true))
            return status;
        RunOptions options;
        if (!based)
            options.noteOnceVersionKnown = [&settings]() -> QString {
                if (HasNewerSoftware(settings.softwareVersion))
                    return QString();
                return QStringLiteral(
                           "hzmctl read: the mixer's software %1 is V1.04 or lower: reading sets its "
                           "paging-priority attenuation to the factory value (%2 dB); give --base FILE "
                           "to write FILE's value instead")
                    .arg(settings.softwareVersion.trimmed().isEmpty() ? QStringLiteral("(unknown)")
                                                                      : settings.softwareVersion)
                    .arg(ListEntry(lists::attenuation(), settings.system.pagingPriorityAttenuation));
            };
        const TransferResult outcome = r.transfer(settings, ReadAllJob(settings), options);
        ModifiedFlag modified;
        QString error;
        if (!outcome.success) {
            if (!outcome.linkOpened || !r.isSet(QStringLiteral("partial")))
                return r.transferFailed(
                    outcome,
                    outcome.linkOpened
                        ? QStringLiteral("nothing written to %1 (--partial saves what was read)").arg(path)
                        : QStringLiteral("nothing written to %1").arg(path));
            if (!SaveSettingsFile(path, settings, modified, &error))
                return r.transferFailed(outcome, QStringLiteral("cannot save %1: %2").arg(path, error));
            return r.transferFailed(
                outcome,
                QStringLiteral("saved what was read to %1; the rest holds factory defaults").arg(path));
        }
        if (!SaveSettingsFile(path, settings, modified, &error))
            return r.finish(ExitFailed, QStringLiteral("cannot save %1: %2").arg(path, error));
        return ExitSuccess;
    }
};

HZM_COMMAND(Read)

} // namespace

} // namespace hzm::cli
