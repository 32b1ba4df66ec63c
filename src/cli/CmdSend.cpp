#include "CliCommon.h"

#include "protocol/MixerJobs.h"

namespace hzm::cli {

int Runner::cmdSend() {
    MixerSettings settings;
    int status = 0;
    // Check --only before loading anything.
    const QString only = a.options.value(QStringLiteral("only")).value(0);
    enum { All, Outputs, Inputs, System, Output, Input } part = All;
    int number = 0;
    if (a.options.contains(QStringLiteral("only"))) {
        const QStringList words = only.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString word = words.value(0);
        bool ok = true;
        if (word == QLatin1String("outputs") && words.size() == 1)
            part = Outputs;
        else if (word == QLatin1String("inputs") && words.size() == 1)
            part = Inputs;
        else if (word == QLatin1String("system") && words.size() == 1)
            part = System;
        else if (word == QLatin1String("output") && words.size() == 2) {
            part = Output;
            number = words.at(1).toInt(&ok);
            if (!ok || number < 1 || number > kOutputCount)
                return usage(QStringLiteral("--only output N: N is 1 to 12, not %1").arg(words.at(1)));
        } else if (word == QLatin1String("input") && words.size() == 2) {
            part = Input;
            number = words.at(1).toInt(&ok);
            if (!ok || number < 1 || number > kInputCount)
                return usage(QStringLiteral("--only input N: N is 1 to 8, not %1").arg(words.at(1)));
        } else if (word == QLatin1String("output") || word == QLatin1String("input")) {
            return usage(QStringLiteral("--only %1 needs a number").arg(word));
        } else {
            return usage(QStringLiteral("--only: not a part: %1 (outputs, inputs, system, output N, input N)")
                             .arg(only));
        }
    }
    if (!loadFile(a.positional.at(0), settings, status, true))
        return status;
    TransferJob job;
    switch (part) {
    case All:
        job = SendAllJob(settings);
        break;
    case Outputs:
        job = SendAllOutputsJob(settings);
        break;
    case Inputs:
        job = SendAllInputsJob();
        break;
    case System:
        job = SendSystemJob();
        break;
    case Output:
        job = SendOutputJob(settings, number - 1);
        break;
    case Input:
        job = SendInputJob(settings, number - 1);
        break;
    }
    const TransferResult outcome = transfer(settings, job);
    return outcome.success ? int(ExitSuccess) : transferFailed(outcome);
}

} // namespace hzm::cli
