#include "CliCommon.h"

#include "protocol/MixerJobs.h"

namespace hzm::cli {

int Runner::cmdSingle(const TransferJob &job) {
    MixerSettings settings;
    const TransferResult outcome = transfer(settings, job);
    return outcome.success ? int(ExitSuccess) : transferFailed(outcome);
}

int Runner::cmdSetDefaults() {
    return cmdSingle(SetDefaultsJob());
}

int Runner::cmdReset() {
    return cmdSingle(ResetJob());
}

} // namespace hzm::cli
