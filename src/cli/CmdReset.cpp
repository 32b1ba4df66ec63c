#include "CommandRun.h"

#include "protocol/MixerJobs.h"

namespace hzm::cli {

namespace {

class Reset : public Command {
public:
    Reset() {
        name = QStringLiteral("reset");
        summary = QStringLiteral("the mixer restarts");
        description = QStringLiteral("Tells the mixer to restart (\"SY,R\").\n");
        link = LinkUse::Prepared;
        exitStatuses = mixerExitStatuses();
        group = Group::Mixer;
        severalMixers = true;
    }

    int run(CommandRun &r) const override { return r.runJob(ResetJob()); }
};

HZM_COMMAND(Reset)

} // namespace

} // namespace hzm::cli
