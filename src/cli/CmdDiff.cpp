#include "CliCommon.h"

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

} // namespace

// Two settings files (or the factory defaults and one file), field by field, in the words and
// units of show.
int Runner::cmdDiff() {
    const bool defaults = a.options.contains(QStringLiteral("defaults"));
    const int wanted = defaults ? 1 : 2;
    if (a.positional.size() < wanted)
        return usage(QStringLiteral("missing argument"));
    if (a.positional.size() > wanted)
        return usage(QStringLiteral("unexpected argument %1").arg(a.positional.at(wanted)));
    if (!defaults && a.positional.at(0) == QLatin1String("-") && a.positional.at(1) == QLatin1String("-"))
        return usage(QStringLiteral("standard input can be only one of the two files"));

    MixerSettings left;
    MixerSettings right;
    QString leftName;
    int status = 0;
    if (defaults) {
        ModifiedFlag modified;
        LoadFactoryDefaults(left, modified);
        leftName = QStringLiteral("factory defaults");
    } else {
        leftName = shownPath(a.positional.at(0));
        if (!loadFile(a.positional.at(0), left, status))
            return status;
    }
    const QString rightPath = a.positional.at(wanted - 1);
    const QString rightName = shownPath(rightPath);
    if (!loadFile(rightPath, right, status))
        return status;

    const QList<FieldDifference> all = CompareSettings(left, right, false);
    if (a.options.contains(QStringLiteral("json"))) {
        QJsonArray differences;
        for (const FieldDifference &d : all)
            differences.append(QJsonObject{{QStringLiteral("section"), d.section},
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
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    } else {
        for (const FieldDifference &d : all)
            printOut(QStringLiteral("%1 %2: %3 -> %4\n")
                         .arg(d.section, d.label, shownValue(d, d.fileText), shownValue(d, d.mixerText)));
    }
    if (all.isEmpty())
        return ExitSuccess;
    printErr(QStringLiteral("hzmctl diff: %1 between %2 and %3\n")
                 .arg(fieldsDiffer(all.size()), leftName, rightName));
    return ExitFailed;
}

} // namespace hzm::cli
