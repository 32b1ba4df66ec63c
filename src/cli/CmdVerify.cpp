#include "CommandRun.h"

#include "model/SettingsView.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace hzm::cli {

namespace {

class Verify : public Command {
public:
    Verify() {
        name = QStringLiteral("verify");
        summary = QStringLiteral("Read all (writing nothing) and list the fields that differ from FILE");
        description = QStringLiteral(
            R"(Reads the whole configuration from the mixer, writing nothing to it, and prints one
line for every field that differs from the settings file FILE:
  Zone 1 Level: file -20 dB, mixer -61 dB
Mixers with software V1.04 or lower do not report names, the paging-priority
attenuation or the mic gates; each of these is listed as
  Zone 1 Name: file "Bar", mixer not readable from software V1.04 or lower
and counts as neither equal nor different.
With --json (format "hzm-verify", format_version 1):
  {"format": "hzm-verify", "format_version": 1, "file": FILE,
   "software_version": TEXT, "same": BOOL,
   "differences": [ {"section": "Zone 1", "field": "level_db",
                     "label": "Zone 1 Level", "file": -20, "mixer": -61} ... ],
   "not_readable": [ {... "mixer": null} ... ]}
  Fields and values as in "hzmctl show --help".
)");
        arguments = {{QStringLiteral("FILE"), QStringLiteral("the settings file (\"-\": standard input)")}};
        options = {{QStringLiteral("json"), QStringLiteral("print the JSON document described above")}};
        link = LinkUse::Prepared;
        group = Group::Mixer;
        severalMixers = true;
        exitStatuses = {{ExitSuccess, MixerOutcome::Succeeded, QStringLiteral("nothing differs")},
                        {ExitFailed, MixerOutcome::Differs, QStringLiteral("something differs")},
                        {ExitUsage, MixerOutcome::BadInput, QStringLiteral("bad usage or unreadable FILE")},
                        {ExitTransferFailed, MixerOutcome::Failed,
                         QStringLiteral("the transfer failed (nothing was compared)")}};
    }

    int run(CommandRun &r) const override {
        MixerSettings file;
        int status = 0;
        const QString shown = shownPath(r.args.positional.at(0));
        if (!r.loadFile(r.args.positional.at(0), file, status))
            return status;
        // Start from the file, so that what an older mixer does not report stays as the file has
        // it. Nothing is written to the mixer: an older mixer's paging attenuation stays as it is.
        MixerSettings mixer = file;
        const TransferResult outcome = r.transfer(mixer, ReadAllWithoutWritingJob(mixer));
        if (!outcome.success)
            return r.transferFailed(outcome, QString(), ExitTransferFailed);
        const QList<FieldDifference> all =
            CompareSettings(file, mixer, !HasNewerSoftware(mixer.softwareVersion));
        const int differing =
            int(std::count_if(all.begin(), all.end(), [](const FieldDifference &d) { return d.readable; }));
        const int unreadable = int(all.size()) - differing;

        if (r.isSet(QStringLiteral("json"))) {
            QJsonArray differences;
            QJsonArray notReadable;
            for (const FieldDifference &d : all)
                (d.readable ? differences : notReadable).append(DifferenceJson(d));
            const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-verify")},
                                   {QStringLiteral("format_version"), 1},
                                   {QStringLiteral("file"), shown},
                                   {QStringLiteral("software_version"), mixer.softwareVersion},
                                   {QStringLiteral("same"), differing == 0},
                                   {QStringLiteral("differences"), differences},
                                   {QStringLiteral("not_readable"), notReadable}};
            r.streams.out.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
        } else {
            for (const FieldDifference &d : all)
                r.printOut(DifferenceText(d) + QLatin1Char('\n'));
        }
        if (unreadable > 0)
            r.warn(QStringLiteral(
                       "%1 field%2 %3 not readable from software V1.04 or lower (the mixer reports %4)")
                       .arg(unreadable)
                       .arg(unreadable == 1 ? QString() : QStringLiteral("s"))
                       .arg(unreadable == 1 ? QStringLiteral("is") : QStringLiteral("are"))
                       .arg(mixer.softwareVersion));
        if (differing == 0)
            return ExitSuccess;
        return r.finish(ExitFailed, QStringLiteral("%1 from %2").arg(fieldsDiffer(differing), shown));
    }
};

HZM_COMMAND(Verify)

} // namespace

} // namespace hzm::cli
