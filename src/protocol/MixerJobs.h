#pragma once

// The transfer jobs behind the main window's buttons and the tab pages' send buttons. Each
// function returns a ready TransferJob (with its command count for progress) to hand to a
// TransferWorker; the job reads the settings when it runs.

#include "TransferJob.h"

#include <QString>

namespace hzm {

struct MixerSettings;

// Main window.
TransferJob GetVersionJob();                           // "SY,VQ"; refreshTabs 0
TransferJob SetDefaultsJob();                          // "SY,SD"
TransferJob ResetJob();                                // "SY,R"
// refreshTabs 1; counts 239 commands until the mixer's version says otherwise (216 up to 1.04)
// when the record holds no version yet.
TransferJob ReadAllJob(const MixerSettings &settings);
TransferJob SendAllJob(const MixerSettings &settings); // 500 ms after each output and input

// Read all that never changes the mixer: an older mixer's paging attenuation is not written back
// (it keeps the value the settings hold). refreshTabs 1.
TransferJob ReadAllWithoutWritingJob(const MixerSettings &settings);

// Tab pages (all with refreshTabs 0).
// Each sends one input (index 0-7) or output (zones 0-7, groups 8-11) of the settings the job runs
// on, whatever they have selected; the settings given here count an output's commands.
TransferJob SendInputJob(const MixerSettings &settings, int index);
TransferJob SendAllInputsJob();
TransferJob SendOutputJob(const MixerSettings &settings, int index);
TransferJob SendAllOutputsJob(const MixerSettings &settings);
TransferJob SendSystemJob();

// ---- Installer key

// Exactly four characters, each '1' to '8'.
bool IsValidInstallerKey(const QString &key);

// The outcome of checking the three key entries of the Installer Key page.
struct InstallerKeyCheck {
    bool oldFaulty = false;    // paint the old-key box red
    bool newFaulty = false;    // paint the new-key box red
    bool repeatFaulty = false; // paint the repeat box red
    QString message;           // the one message to show (caption "Error"); empty when all is well
    bool ok() const { return !oldFaulty && !newFaulty && !repeatFaulty; }
};

// Checks old key, new key and the repeated new key (each as the page reads it, at most 31
// characters). The message is the first fault in the order old key, new key, match.
InstallerKeyCheck CheckInstallerKeys(const QString &oldKey, const QString &newKey, const QString &repeatKey);

// "SY,K" + old key + new key, as it goes on the wire.
QString InstallerKeyBody(const QString &oldKey, const QString &newKey);
// The same command as the log and the progress display show it: every key character masked.
QString MaskedInstallerKeyBody(const QString &oldKey, const QString &newKey);

// Sends the key change; call only with keys that passed CheckInstallerKeys.
TransferJob ChangeInstallerKeyJob(const QString &oldKey, const QString &newKey);

} // namespace hzm
