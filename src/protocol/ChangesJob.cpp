#include "ChangesJob.h"

#include "DeviceCommands.h"
#include "ReplyText.h"

#include "link/Comms.h"
#include "model/MixerSettings.h"

#include <QCoreApplication>

#include <vector>

namespace hzm {

namespace {

// The commands for one output, one input or the system settings, and whether Send all pauses
// after them.
struct Step {
    QStringList bodies;
    bool pauseAfter = false;
};

QStringList changedBodies(const CommandUnits &held, const CommandUnits &wanted, bool newer) {
    QStringList bodies;
    for (size_t i = 0; i < wanted.size(); ++i) {
        const CommandUnit &unit = wanted[i];
        const bool known = newer || unit.reportedByOlderMixers;
        if (!known || i >= held.size() || held[i].bodies != unit.bodies)
            bodies += unit.bodies;
    }
    return bodies;
}

// Send all's steps, each cut down to what changed; steps with nothing left are dropped.
std::vector<Step> changedSteps(const MixerSettings &baseline, const MixerSettings &target,
                               const QString &softwareVersion, bool everythingKnown) {
    const bool newer = everythingKnown || HasNewerSoftware(softwareVersion);
    std::vector<Step> steps;
    auto add = [&steps](QStringList bodies, bool pauseAfter) {
        if (!bodies.isEmpty())
            steps.push_back({std::move(bodies), pauseAfter});
    };
    for (int i = 0; i < kOutputCount; ++i)
        add(changedBodies(SendOutputCommandUnits(baseline, i), SendOutputCommandUnits(target, i), newer),
            true);
    for (int i = 0; i < kInputCount; ++i)
        add(changedBodies(SendInputCommandUnits(baseline, i), SendInputCommandUnits(target, i), newer), true);
    add(changedBodies(SendSystemCommandUnits(baseline), SendSystemCommandUnits(target), newer), false);
    return steps;
}

int sendSteps(const std::vector<Step> &steps, Comms &link, ExchangeObserver *observer) {
    if (steps.empty()) {
        if (observer)
            observer->logLine(NothingToSendText(), LogColour::Command);
        return 1;
    }
    for (const Step &step : steps) {
        for (const QString &body : step.bodies)
            if (!CommandExchange(body, Exchange, link, observer))
                return 0;
        if (step.pauseAfter)
            link.PauseBetweenCommands();
    }
    return 1;
}

int commandCount(const std::vector<Step> &steps) {
    int count = 0;
    for (const Step &step : steps)
        count += int(step.bodies.size());
    return count;
}

TransferJob changesJob(int planned, JobFunction run, const MixerSettings &target) {
    TransferJob job;
    job.run = std::move(run);
    job.plannedCommands = planned;
    job.title = QStringLiteral("Send changes");
    job.outOfRange = [target](const MixerSettings &) { return outOfRangeFields(target); };
    return job;
}

} // namespace

QStringList ChangedCommandBodies(const MixerSettings &baseline, const MixerSettings &target,
                                 const QString &softwareVersion, bool everythingKnown) {
    QStringList bodies;
    for (const Step &step : changedSteps(baseline, target, softwareVersion, everythingKnown))
        bodies += step.bodies;
    return bodies;
}

bool SendChangedCommands(const MixerSettings &baseline, const MixerSettings &target,
                         const QString &softwareVersion, Comms &link, ExchangeObserver *observer,
                         bool everythingKnown) {
    return sendSteps(changedSteps(baseline, target, softwareVersion, everythingKnown), link, observer);
}

// Shown in a message box: in the language of an installed translation (hzmctl installs none).
QString NothingToSendText() {
    return QCoreApplication::translate("hzm::ChangesJob",
                                       "Nothing to send: the mixer holds these settings already.");
}

TransferJob SendChangesJob(const MixerSettings &baseline, const MixerSettings &target,
                           const QString &softwareVersion, bool everythingKnown) {
    // Worked out once, here: the count and the commands cannot drift apart.
    std::vector<Step> steps = changedSteps(baseline, target, softwareVersion, everythingKnown);
    const int planned = commandCount(steps);
    return changesJob(
        planned,
        [steps = std::move(steps)](Comms &link, JobContext &c) { return sendSteps(steps, link, c.observer); },
        target);
}

TransferJob AskVersionAndSendChangesJob(const MixerSettings &baseline, const MixerSettings &target,
                                        bool everythingKnown) {
    const int planned =
        1 + commandCount(changedSteps(baseline, target, baseline.softwareVersion, everythingKnown));
    return changesJob(
        planned,
        [baseline, target, everythingKnown](Comms &link, JobContext &c) {
            if (!GetVersion(c.settings, link, c.observer, c.showMessage))
                return 0;
            // The mixer's own version decides what goes.
            const std::vector<Step> steps =
                changedSteps(baseline, target, c.settings.softwareVersion, everythingKnown);
            c.replan(1 + commandCount(steps));
            return sendSteps(steps, link, c.observer);
        },
        target);
}

TransferJob SendChangesJob(const MixerBaseline &baseline, const MixerSettings &target) {
    const QString &version = baseline.held.softwareVersion;
    return version.isEmpty() ? AskVersionAndSendChangesJob(baseline.held, target, baseline.everythingKnown)
                             : SendChangesJob(baseline.held, target, version, baseline.everythingKnown);
}

} // namespace hzm
