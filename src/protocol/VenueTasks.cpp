#include "VenueTasks.h"

#include "files/SettingsFile.h"
#include "files/VenueFile.h"
#include "link/OutputFile.h"
#include "link/PortProbe.h"
#include "model/MixerSettings.h"
#include "model/SettingsCheck.h"
#include "protocol/ChangesJob.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace hzm {

namespace {

MixerResult ended(MixerOutcome outcome, const QString &reason = QString()) {
    MixerResult result;
    result.outcome = outcome;
    result.reason = reason;
    return result;
}

// A failed transfer ends the task: Failed with the transfer's reason and what it means for the
// mixer (after); BadInput for a record the send job refused, which reached no mixer.
MixerResult failed(MixerResult result, const TransferResult &transfer, const QString &after) {
    result.countLost = !transfer.countLostAt.isEmpty();
    if (!transfer.outOfRange.isEmpty()) {
        result.outcome = MixerOutcome::BadInput;
        result.reason = transfer.reason;
        return result;
    }
    result.outcome = MixerOutcome::Failed;
    result.reason = after.isEmpty() ? transfer.reason : transfer.reason + QStringLiteral("; ") + after;
    return result;
}

} // namespace

QString fieldsDiffer(qsizetype count, bool still) {
    const bool one = count == 1;
    return QStringLiteral("%1 %2%3 %4")
        .arg(count)
        .arg(QLatin1String(one ? "field" : "fields"), QLatin1String(still ? " still" : ""),
             QLatin1String(one ? "differs" : "differ"));
}

qsizetype readableCount(const QList<FieldDifference> &differences) {
    return std::count_if(differences.begin(), differences.end(),
                         [](const FieldDifference &d) { return d.readable; });
}

MixerResult checkMixer(const MixerSettings &file, const MixerTransfer &transfer) {
    MixerResult result;
    // Starting from the file, what an older mixer does not report stays as the file has it, and
    // nothing is written: its paging-priority attenuation stays as it is.
    MixerSettings mixer = file;
    const TransferResult read = transfer(mixer, readAllWithoutWritingJob(mixer));
    result.softwareVersion = mixer.softwareVersion;
    if (!read.success)
        return failed(result, read, QString());
    result.differences = compareSettings(file, mixer, !hasNewerSoftware(mixer.softwareVersion));
    result.changes = changedCommandBodies(mixer, file, mixer.softwareVersion);
    const qsizetype differing = readableCount(result.differences);
    result.outcome = differing == 0 ? MixerOutcome::Succeeded : MixerOutcome::Differs;
    if (differing > 0)
        result.reason = fieldsDiffer(differing);
    return result;
}

MixerResult applyToMixer(const MixerSettings &file, const MixerTransfer &transfer, ApplyOptions options) {
    // Checked before the first read, which writes the file's paging-priority attenuation to an
    // older mixer; the changes job checks again.
    if (const QList<FieldProblem> problems = outOfRangeFields(file); !problems.isEmpty())
        return ended(MixerOutcome::BadInput, outOfRangeReason(problems));

    // What the mixer holds. The read starts from the file: a mixer of software 1.04 or older is
    // given the file's paging-priority attenuation, and the labels and mic gates it does not
    // report stay the file's (the changes job sends those anyway). A dry run writes nothing at
    // all, not even that attenuation.
    MixerResult result;
    MixerSettings baseline = file;
    TransferResult outcome =
        transfer(baseline, options.dryRun ? readAllWithoutWritingJob(baseline) : ReadAllJob(baseline));
    result.softwareVersion = baseline.softwareVersion;
    if (!outcome.success)
        return failed(result, outcome, QStringLiteral("nothing was sent"));
    result.changes = changedCommandBodies(baseline, file, baseline.softwareVersion);
    if (options.dryRun) {
        result.outcome = MixerOutcome::Succeeded;
        return result;
    }
    if (!result.changes.isEmpty()) {
        MixerSettings sent = file;
        outcome = transfer(sent, sendChangesJob(baseline, file, baseline.softwareVersion));
        if (!outcome.success)
            return failed(
                result, outcome,
                QStringLiteral("the mixer may hold part of the changes; apply again once it answers"));
    }
    if (!options.check) {
        result.outcome = MixerOutcome::Succeeded;
        return result;
    }
    MixerResult check = checkMixer(file, transfer);
    check.changes = result.changes;
    if (check.outcome == MixerOutcome::Failed)
        check.reason += QStringLiteral("; the changes were sent, but the check could not read the mixer");
    else if (check.outcome == MixerOutcome::Differs)
        check.reason =
            QStringLiteral("after sending, %1").arg(fieldsDiffer(readableCount(check.differences), true));
    return check;
}

QString backupPath(const QString &settingsPath) {
    return settingsPath + QStringLiteral(".bak");
}

MixerResult backUpMixer(const QString &path, const MixerTransfer &transfer) {
    const QFileInfo info(path);
    if (info.isDir())
        return ended(MixerOutcome::BadInput, QStringLiteral("cannot write %1: it is a folder").arg(path));
    // The old file is the start, where it can be read: an older mixer does not report its names,
    // mic gates and paging-priority attenuation.
    MixerSettings settings;
    QString why;
    if (info.exists() && !loadMixerSettings(path, settings, why))
        settings = MixerSettings();
    MixerResult result;
    const TransferResult read = transfer(settings, readAllWithoutWritingJob(settings));
    result.softwareVersion = settings.softwareVersion;
    if (!read.success)
        return failed(result, read, QStringLiteral("nothing written to %1").arg(path));

    const auto cannot = [&](const QString &what) {
        result.outcome = MixerOutcome::BadInput;
        result.reason = what + QStringLiteral("; nothing written to %1").arg(path);
        return result;
    };
    if (!QDir().mkpath(info.absolutePath()))
        return cannot(QStringLiteral("cannot make the folder %1").arg(info.absolutePath()));
    if (info.exists()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            return cannot(QStringLiteral("cannot read %1 to keep it: %2").arg(path, old.errorString()));
        if (!OutputFile::writeAll(backupPath(path), old.readAll(), &why))
            return cannot(QStringLiteral("cannot keep the old file as %1: %2").arg(backupPath(path), why));
    }
    ModifiedFlag modified;
    if (!SaveSettingsFile(path, settings, modified, &why))
        return cannot(QStringLiteral("cannot save %1").arg(why));
    result.outcome = MixerOutcome::Succeeded;
    return result;
}

MixerResult askVersion(const MixerTransfer &transfer) {
    MixerSettings settings;
    MixerResult result;
    const TransferResult outcome = transfer(settings, GetVersionJob());
    if (!outcome.success)
        return failed(result, outcome, QString());
    result.softwareVersion = settings.softwareVersion;
    result.outcome = MixerOutcome::Succeeded;
    return result;
}

bool loadMixerSettings(const QString &path, MixerSettings &settings, QString &why) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) {
        why =
            QStringLiteral("cannot read %1: %2")
                .arg(path, info.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("no such file"));
        return false;
    }
    ModifiedFlag modified;
    QStringList lines;
    QString error;
    if (!LoadSettingsFile(path, settings, modified, &error, &lines)) {
        why = QStringLiteral("%1 is not a readable settings file%2")
                  .arg(path, error.isEmpty() ? QString() : QStringLiteral(": ") + error);
        return false;
    }
    if (const int number = foreignSettingsLine(lines)) {
        why =
            QStringLiteral("%1 is not a settings file: line %2 is not a settings line").arg(path).arg(number);
        return false;
    }
    QFile file(path);
    const QList<FileDamage> damage = settingsFileDamage(
        file.open(QIODevice::ReadOnly) ? file.read(kMaxSettingsFileBytes + 1) : QByteArray());
    if (!damage.isEmpty()) {
        why = QStringLiteral("%1 is damaged: %2").arg(path, fileDamageText(damage));
        return false;
    }
    return true;
}

QStringList backUpConflicts(const QString &venuePath, const QList<VenueMixer> &mixers) {
    QStringList conflicts;
    QHash<QString, QString> owners; // settings file -> the first mixer that has it
    for (const VenueMixer &m : mixers) {
        const QString path = venueSettingsPath(venuePath, m);
        const QString owner = owners.value(path);
        conflicts << (owner.isEmpty() ? QString()
                                      : QStringLiteral("%1 is the settings file of %2 as well; a backup "
                                                       "would overwrite it")
                                            .arg(path, owner));
        if (owner.isEmpty())
            owners.insert(path, m.name);
    }
    return conflicts;
}

std::unique_ptr<MixerBatch> venueBatch(VenueAction action, const QString &venuePath,
                                       const QList<VenueMixer> &mixers, QObject *parent) {
    QList<BatchMixer> named;
    QStringList paths;
    QStringList linkTexts;
    for (const VenueMixer &m : mixers) {
        named << BatchMixer{m.name, LinkSelection()};
        linkTexts << m.link;
        paths << venueSettingsPath(venuePath, m);
    }
    const QStringList sharing = action == VenueAction::BackUp ? backUpConflicts(venuePath, mixers)
                                                              : QStringList(mixers.size(), QString());
    MixerTask task = [action, paths, linkTexts, sharing](MixerTaskContext &context) -> MixerResult {
        const int i = context.index();
        if (!sharing.at(i).isEmpty())
            return ended(MixerOutcome::BadInput, sharing.at(i));
        MixerSettings file;
        QString why;
        if ((action == VenueAction::Check || action == VenueAction::Apply) &&
            !loadMixerSettings(paths.at(i), file, why))
            return ended(MixerOutcome::UnreadableFile, why);
        std::optional<LinkSelection> link = LinkSelection::fromText(linkTexts.at(i), &why);
        if (!link)
            return ended(MixerOutcome::BadInput, why);
        QString warning;
        if (!prepareLink(*link, why, &warning))
            return ended(MixerOutcome::Failed, why);
        if (!warning.isEmpty())
            context.log(warning, LogColour::Failure);
        const MixerTransfer transfer = [&context, &link](MixerSettings &settings, const TransferJob &job) {
            return context.transfer(*link, settings, job);
        };
        switch (action) {
        case VenueAction::Check:
            return checkMixer(file, transfer);
        case VenueAction::Apply:
            return applyToMixer(file, transfer);
        case VenueAction::BackUp:
            return backUpMixer(paths.at(i), transfer);
        case VenueAction::Version:
            break;
        }
        return askVersion(transfer);
    };
    return std::make_unique<MixerBatch>(named, std::move(task), parent);
}

} // namespace hzm
