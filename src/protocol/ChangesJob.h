#pragma once

// Sending only what changed: from a record of what the mixer is known to hold (the baseline) to
// the record it should hold (the target), the commands of Send all whose text differs, in Send
// all's order, with Send all's 500 ms pause after each output and each input that had anything
// sent (none after the system settings). A unit of commands that sets one value together (a
// group's members, no priority input) goes out whole when any of its commands differs.
//
// The mixer's software version decides what a baseline can know. A read from a mixer of software
// 1.04 or older (or of unknown version: an empty text) leaves labels and mic gates as the record
// held them, so for such a version those commands always go out, as Send all sends them. Above
// 1.04 only the differences go. The paging attenuation that an older mixer's read writes is the
// baseline's own, so it counts as known. A baseline this program sent whole (Send all, Send
// Changes, a live send) is known whatever the version: everythingKnown.
//
//   const QString version = baseline.softwareVersion;            // as the read of the baseline found it
//   ChangedCommandBodies(baseline, target, version);             // for a dry run or a confirmation box
//   TransferJob job = SendChangesJob(baseline, target, version); // job.plannedCommands is exact
//   TransferJob job = AskVersionAndSendChangesJob(baseline, target); // version asked first

#include "TransferJob.h"

#include "model/MixerSettings.h"

#include <QString>
#include <QStringList>

namespace hzm {

class Comms;
class ExchangeObserver;

// What a mixer is known to hold, and whether all of it is known (see above).
struct MixerBaseline {
    MixerSettings held;
    bool everythingKnown = false;
};

// The bodies the changes job sends, in order; empty when the mixer holds the target already.
QStringList ChangedCommandBodies(const MixerSettings &baseline, const MixerSettings &target,
                                 const QString &softwareVersion, bool everythingKnown = false);

// Sends them in exchange mode with Send all's pauses. 1 when every command was accepted (also when
// there was nothing to send), 0 at the first that failed; what went before it is not undone.
bool SendChangedCommands(const MixerSettings &baseline, const MixerSettings &target,
                         const QString &softwareVersion, Comms &link, ExchangeObserver *observer,
                         bool everythingKnown = false);

// "Nothing to send: the mixer holds these settings already."
QString NothingToSendText();

// The job (refreshTabs 0). It works on copies of both records made here; the record it is run
// with is not used. plannedCommands is the exact number of commands; 0 means there is nothing
// to send: the job then sends nothing, logs NothingToSendText() and succeeds.
TransferJob SendChangesJob(const MixerSettings &baseline, const MixerSettings &target,
                           const QString &softwareVersion, bool everythingKnown = false);

// The same for a mixer whose version is not known: the job first asks it ("SY,VQ", stored in the
// record the job is run with, as Get Version does), then sends the changes for that version and
// corrects the planned count. plannedCommands counts the version query and, until the answer
// comes, the changes for the baseline's softwareVersion.
TransferJob AskVersionAndSendChangesJob(const MixerSettings &baseline, const MixerSettings &target,
                                        bool everythingKnown = false);

// The job from what the mixer is known to hold: the version asked first when the baseline has none.
TransferJob SendChangesJob(const MixerBaseline &baseline, const MixerSettings &target);

} // namespace hzm
