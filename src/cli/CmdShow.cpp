#include "CliCommon.h"

#include "model/SettingsView.h"
#include <QJsonDocument>

namespace hzm::cli {

int Runner::cmdShow() {
    MixerSettings settings;
    int status = 0;
    if (!loadFile(a.positional.at(0), settings, status))
        return status;
    if (a.options.contains(QStringLiteral("json")))
        printOut(QString::fromUtf8(QJsonDocument(SettingsJson(settings)).toJson(QJsonDocument::Indented)));
    else
        printOut(SettingsText(settings));
    return ExitSuccess;
}

} // namespace hzm::cli
