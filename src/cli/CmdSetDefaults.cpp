#include "CommandRun.h"

#include "protocol/MixerJobs.h"

namespace hzm::cli {

namespace {

class SetDefaults : public Command {
public:
    SetDefaults() {
        name = QStringLiteral("set-defaults");
        summary = QStringLiteral("the mixer restores its factory defaults");
        description = QStringLiteral("Tells the mixer to restore its own factory defaults (\"SY,SD\").\n");
        link = LinkUse::Prepared;
        exitStatuses = mixerExitStatuses();
        group = Group::Mixer;
        severalMixers = true;
    }

    int run(CommandRun &r) const override { return r.runJob(SetDefaultsJob()); }
};

HZM_COMMAND(SetDefaults)

} // namespace

} // namespace hzm::cli
