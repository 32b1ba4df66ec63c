#include "CliCommon.h"

#include "files/SettingsFile.h"
#include "model/OptionLists.h"
#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

namespace hzm::cli {

int Runner::cmdRead() {
    const QString path = a.positional.at(0);
    const bool partial = a.options.contains(QStringLiteral("partial"));
    QString why;
    if (!writableTarget(path, why))
        return fail(why);
    // Read all starts from the settings held: the factory defaults, or those of --base. An older
    // mixer does not report its paging-priority attenuation and is given the held one instead.
    MixerSettings settings;
    const bool based = a.options.contains(QStringLiteral("base"));
    int status = 0;
    if (based && !loadFile(a.options.value(QStringLiteral("base")).value(0), settings, status, true))
        return status;
    RunOptions options;
    if (!based) {
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
    }
    const TransferResult outcome = transfer(settings, ReadAllJob(settings), options);
    ModifiedFlag modified;
    QString error;
    if (!outcome.success) {
        if (!outcome.linkOpened || !partial)
            return transferFailed(
                outcome,
                outcome.linkOpened
                    ? QStringLiteral("nothing written to %1 (--partial saves what was read)").arg(path)
                    : QStringLiteral("nothing written to %1").arg(path));
        if (!SaveSettingsFile(path, settings, modified, &error))
            return transferFailed(outcome, QStringLiteral("cannot save %1: %2").arg(path, error));
        return transferFailed(
            outcome, QStringLiteral("saved what was read to %1; the rest holds factory defaults").arg(path));
    }
    if (!SaveSettingsFile(path, settings, modified, &error)) {
        printErr(QStringLiteral("hzmctl read: cannot save %1: %2\n").arg(path, error));
        return ExitFailed;
    }
    return ExitSuccess;
}

} // namespace hzm::cli
