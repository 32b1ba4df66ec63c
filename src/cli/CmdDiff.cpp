#include "CommandRun.h"

#include "files/SettingsFile.h"
#include "model/SettingsView.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace hzm::cli {

namespace {

QString shownValue(const FieldDifference &d, const QString &text) {
    return d.key == QLatin1String("name") ? QLatin1Char('"') + text + QLatin1Char('"') : text;
}

// Two settings files (or the factory defaults and one file), field by field, in the words and
// units of show.
class Diff : public Command {
public:
    Diff() {
        name = QStringLiteral("diff");
        summary =
            QStringLiteral("the fields that differ between two settings files, in show's words and units "
                           "(\"Zone 3 Level: -61 dB -> -20 dB\")");
        description = QStringLiteral(
            R"(Compares two settings files ("-": standard input, for one of them) and prints one line
for every field that differs, in the words and units of show:
  Zone 3 Name: "Bar" -> "Zone 3"
  Zone 3 Level: -20 dB -> -61 dB
the value in A (left) before the arrow, the one in B (right) after it.
With --json (format "hzm-diff", format_version 1):
  {"format": "hzm-diff", "format_version": 1, "left": A, "right": B, "same": BOOL,
   "differences": [ {"section": "Zone 3", "field": "level_db", "label": "Zone 3 Level",
                     "left": -20, "right": -61} ... ]}
  Fields and values as in "hzmctl show --help".
)");
        arguments = {{QStringLiteral("A"), QStringLiteral("the settings file on the left")},
                     {QStringLiteral("B"),
                      QStringLiteral("the settings file on the right (not with --defaults)"), true}};
        options = {
            {QStringLiteral("json"), QStringLiteral("print the differences as the JSON document above")},
            {QStringLiteral("defaults"),
             QStringLiteral("compare the factory defaults (on the left) with the one file A")}};
        exitStatuses = {{ExitSuccess, MixerOutcome::Succeeded, QStringLiteral("nothing differs")},
                        {ExitFailed, MixerOutcome::Differs, QStringLiteral("something differs")},
                        {ExitUsage, MixerOutcome::BadInput, QStringLiteral("bad usage or unreadable input")}};
    }

    int run(CommandRun &r) const override {
        const QStringList &files = r.args.positional;
        const bool defaults = r.isSet(QStringLiteral("defaults"));
        const int wanted = defaults ? 1 : 2;
        if (files.size() < wanted)
            return r.usage(QStringLiteral("missing argument B"));
        if (files.size() > wanted)
            return r.usage(QStringLiteral("unexpected argument %1").arg(files.at(wanted)));
        if (!defaults && files.at(0) == QLatin1String("-") && files.at(1) == QLatin1String("-"))
            return r.usage(QStringLiteral("standard input can be only one of the two files"));

        MixerSettings left;
        MixerSettings right;
        QString leftName = QStringLiteral("factory defaults");
        int status = 0;
        if (defaults) {
            ModifiedFlag modified;
            LoadFactoryDefaults(left, modified);
        } else {
            leftName = shownPath(files.at(0));
            if (!r.loadFile(files.at(0), left, status))
                return status;
        }
        const QString rightName = shownPath(files.at(wanted - 1));
        if (!r.loadFile(files.at(wanted - 1), right, status))
            return status;

        const QList<FieldDifference> all = CompareSettings(left, right, false);
        if (r.isSet(QStringLiteral("json"))) {
            QJsonArray differences;
            for (const FieldDifference &d : all)
                differences.append(
                    QJsonObject{{QStringLiteral("section"), d.section},
                                {QStringLiteral("field"), d.key},
                                {QStringLiteral("label"), d.section + QLatin1Char(' ') + d.label},
                                {QStringLiteral("left"), d.fileJson},
                                {QStringLiteral("right"), d.mixerJson}});
            const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-diff")},
                                   {QStringLiteral("format_version"), 1},
                                   {QStringLiteral("left"), leftName},
                                   {QStringLiteral("right"), rightName},
                                   {QStringLiteral("same"), all.isEmpty()},
                                   {QStringLiteral("differences"), differences}};
            r.streams.out.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
        } else {
            for (const FieldDifference &d : all)
                r.printOut(
                    QStringLiteral("%1 %2: %3 -> %4\n")
                        .arg(d.section, d.label, shownValue(d, d.fileText), shownValue(d, d.mixerText)));
        }
        if (all.isEmpty())
            return ExitSuccess;
        return r.finish(
            ExitFailed,
            QStringLiteral("%1 between %2 and %3").arg(fieldsDiffer(all.size()), leftName, rightName));
    }
};

HZM_COMMAND(Diff)

} // namespace

} // namespace hzm::cli
