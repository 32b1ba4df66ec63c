#pragma once

// What is done to one mixer of a venue, against its settings file: check, apply, back up, ask its
// version. The Venue window runs them on many mixers at once (venueBatch); hzmctl's verify,
// apply, read --venue and version run the same functions over their own transfers, one mixer at a
// time or several at once. Each hands back a MixerResult: the outcome, a reason on one line, and
// what the mixer told (its software version, the fields that differ, the commands apply sends).

#include "protocol/MixerBatch.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace hzm {

struct MixerSettings;
struct VenueMixer;

// Runs one transfer job on the task's mixer: the batch's link (MixerTaskContext::transfer), or
// hzmctl's with its log and progress line.
using MixerTransfer = std::function<TransferResult(MixerSettings &settings, const TransferJob &job)>;

// "1 field differs", "3 fields differ"; with still, "1 field still differs".
QString fieldsDiffer(qsizetype count, bool still = false);
// How many of differences the mixer reported (those an older mixer cannot report left out).
qsizetype readableCount(const QList<FieldDifference> &differences);

// Reads the whole configuration without writing anything and compares it with file. The read
// starts from file, so what a mixer of software V1.04 or lower does not report (names, mic gates,
// paging-priority attenuation) is listed as not readable, not as a difference. Succeeded (in step),
// Differs ("3 fields differ") or Failed; fills softwareVersion, differences, and changes with what
// applyToMixer would send.
MixerResult checkMixer(const MixerSettings &file, const MixerTransfer &transfer);

struct ApplyOptions {
    bool check = true;   // read again, writing nothing, and compare (else Succeeded once sent)
    bool dryRun = false; // read without writing, and only list the changes; nothing reaches the mixer
};

// Brings the mixer to file, sending only what differs: Read all starting from file (a mixer of
// software V1.04 or lower is given file's paging-priority attenuation; its names and mic gates are
// always sent), the commands whose values differ (changes) in Send all's order and pauses, then
// checkMixer. BadInput when file holds values outside their ranges (nothing is sent); Failed with
// what the mixer may hold in the reason; after the check as checkMixer, the reason then "after
// sending, 1 field still differs".
MixerResult applyToMixer(const MixerSettings &file, const MixerTransfer &transfer, ApplyOptions options = {});

// Where a backup keeps the settings file it replaces: "lobby.hzc.bak" for "lobby.hzc".
QString backupPath(const QString &settingsPath);

// Reads the whole configuration into the settings file at path, writing nothing to the mixer: the
// read starts from the file there when it is readable, so that what an older mixer does not report
// stays as the file had it. The file it replaces is kept byte for byte as backupPath(path), and
// each is replaced only once complete; a missing folder is made. Nothing is written when the read
// fails (Failed) or path cannot be written (BadInput).
MixerResult backUpMixer(const QString &path, const MixerTransfer &transfer);

// For each of the venue's mixers, in order, why backing it up would lose a file: empty, or that
// its settings file is an earlier mixer's as well (a backup of both into it keeps only one).
QStringList backUpConflicts(const QString &venuePath, const QList<VenueMixer> &mixers);

// Asks the mixer's software version ("SY,VQ"): softwareVersion as the mixer gave it.
MixerResult askVersion(const MixerTransfer &transfer);

// Loads the settings file of a mixer for checking or applying: false with why when it cannot be
// read, holds lines that are no settings lines (a text export, a log) or is damaged.
bool loadMixerSettings(const QString &path, MixerSettings &settings, QString &why);

enum class VenueAction { Check, Apply, BackUp, Version };

// A batch (not started) that runs action on mixers of the venue file at venuePath, each against
// its settings file (venueSettingsPath), named by its venue name. Each mixer's link is read from
// its text and made ready (a host name looked up, a serial rate detected) on the mixer's own
// worker thread, where it blocks no window. A settings file that cannot be read is
// UnreadableFile (Check, Apply); a link text that is no link, or a backup with a conflict
// (backUpConflicts), BadInput.
std::unique_ptr<MixerBatch> venueBatch(VenueAction action, const QString &venuePath,
                                       const QList<VenueMixer> &mixers, QObject *parent = nullptr);

} // namespace hzm
