#pragma once

// A transfer job: one conversation with the mixer, run by a TransferWorker (TransferWorker.h) over
// a freshly opened link.

#include "link/CommandExchange.h"
#include "link/Comms.h"
#include "link/LinkSelection.h"
#include "model/SettingsCheck.h"

#include <QMetaType>
#include <QString>

#include <functional>

namespace hzm {

class Comms;
struct MixerSettings;

// What a running job may use besides its link.
struct JobContext {
    MixerSettings &settings;
    ExchangeObserver *observer = nullptr; // receives every report of every exchange
    // Shows a message from the worker thread (the version error); the GUI forwards it to a box.
    std::function<void(const QString &text, const QString &caption)> showMessage;
    // Tells the progress display a better command count once the job knows it (Read all, after
    // it has asked the mixer's version); may be empty.
    std::function<void(int planned)> setPlannedCommands;

    void message(const QString &text, const QString &caption) const {
        if (showMessage)
            showMessage(text, caption);
    }
    void replan(int planned) const {
        if (setPlannedCommands)
            setPlannedCommands(planned);
    }
};

// The job: 1 success, 0 failure.
using JobFunction = std::function<int(Comms &link, JobContext &context)>;

struct TransferJob {
    JobFunction run;
    int refreshTabs = 0;     // 1: the main window reloads its pages afterwards, success or not
    int plannedCommands = 0; // commands the job expects to send (progress); 0 when unknown
    QString title;           // for progress lines ("Read all", "Send output 3", ...)
    // A send job's check of what it is about to send, made before the link is opened: a value
    // outside its field's range refuses the whole job, so that nothing reaches the mixer. Empty
    // for jobs that send no settings.
    std::function<QList<FieldProblem>(const MixerSettings &settings)> outOfRange;
};

} // namespace hzm

Q_DECLARE_METATYPE(hzm::LogColour)
