#include "CommandRun.h"

#include "protocol/MixerJobs.h"

namespace hzm::cli {

namespace {

class Send : public Command {
public:
    Send() {
        name = QStringLiteral("send");
        summary =
            QStringLiteral("load the settings file, then Send all (or only PART: outputs, inputs, system, "
                           "output N (1..12), input N (1..8))");
        description = QStringLiteral(
            "Loads the settings file FILE and sends it to the mixer: everything (Send all, with the\n"
            "mixer's pauses after each output and input), or only the part named by --only.\n"
            "The file is read as the desktop program reads it, but a file whose hex columns do not\n"
            "hold hexadecimal digits (a text export, a log) is refused with exit status 2, naming\n"
            "its first line that is not a settings line.\n");
        arguments = {{QStringLiteral("FILE"), QStringLiteral("the settings file (\"-\": standard input)")},
                     {QStringLiteral("N"),
                      QStringLiteral("which output (1..12; 9..12 are groups 1-4) or input (1..8)"), true,
                      QStringLiteral("--only output N, --only input N")}};
        options = {
            {QStringLiteral("only"),
             QStringLiteral("send only PART: outputs (zones 1-8 and groups 1-4), inputs (inputs 1-8), system "
                            "(the system settings), output N or input N"),
             QStringLiteral("PART")}};
        link = LinkUse::Prepared;
        exitStatuses = mixerExitStatuses();
        group = Group::Mixer;
        severalMixers = true;
    }

    int run(CommandRun &r) const override {
        // Check --only before loading anything.
        QStringList files = r.args.positional;
        const std::optional<QString> number = takeNumber(r, files);
        enum { All, Outputs, Inputs, System, Output, Input } part = All;
        int n = 0;
        if (r.isSet(QStringLiteral("only"))) {
            const QString word = r.value(QStringLiteral("only"));
            bool ok = true;
            if (word == QLatin1String("outputs"))
                part = Outputs;
            else if (word == QLatin1String("inputs"))
                part = Inputs;
            else if (word == QLatin1String("system"))
                part = System;
            else if (word != QLatin1String("output") && word != QLatin1String("input"))
                return r.usage(
                    QStringLiteral("--only: not a part: %1 (outputs, inputs, system, output N, input N)")
                        .arg(word));
            else if (!number)
                return r.usage(QStringLiteral("--only %1 needs a number").arg(word));
            else if (word == QLatin1String("output")) {
                part = Output;
                n = number->toInt(&ok);
                if (!ok || n < 1 || n > kOutputCount)
                    return r.usage(QStringLiteral("--only output N: N is 1 to 12, not %1").arg(*number));
            } else {
                part = Input;
                n = number->toInt(&ok);
                if (!ok || n < 1 || n > kInputCount)
                    return r.usage(QStringLiteral("--only input N: N is 1 to 8, not %1").arg(*number));
            }
        }
        if (files.isEmpty())
            return r.usage(QStringLiteral("missing argument FILE"));
        if (files.size() > 1)
            return r.usage(QStringLiteral("unexpected argument %1").arg(files.at(1)));
        MixerSettings settings;
        int status = 0;
        if (!r.loadFile(files.at(0), settings, status, true))
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
            job = SendOutputJob(settings, n - 1);
            break;
        case Input:
            job = SendInputJob(settings, n - 1);
            break;
        }
        const TransferResult outcome = r.transfer(settings, job);
        return outcome.success ? int(ExitSuccess) : r.transferFailed(outcome);
    }

private:
    // "--only output N": N is the argument right after the part's name. It is taken out of the
    // positional arguments, which then hold the file alone (a file named like N is the same text).
    static std::optional<QString> takeNumber(const CommandRun &r, QStringList &positional) {
        const QString word = r.value(QStringLiteral("only"));
        if (word != QLatin1String("output") && word != QLatin1String("input"))
            return std::nullopt;
        const QStringList &given = r.args.given;
        for (qsizetype i = 0; i < given.size() && given.at(i) != QLatin1String("--"); ++i) {
            const bool apart = given.at(i) == QLatin1String("--only") && given.value(i + 1) == word;
            if (!apart && given.at(i) != QStringLiteral("--only=") + word)
                continue;
            const QString number = given.value(i + (apart ? 2 : 1));
            if (number.isEmpty() || number.startsWith(QLatin1Char('-')) || !positional.removeOne(number))
                return std::nullopt;
            return number;
        }
        return std::nullopt;
    }
};

HZM_COMMAND(Send)

} // namespace

} // namespace hzm::cli
