#include "CliCommon.h"

#include "files/SettingsFile.h"

namespace hzm::cli {

int Runner::cmdNew() {
    const QString path = a.positional.at(0);
    QString why;
    if (!writableTarget(path, why))
        return fail(why);
    MixerSettings settings;
    ModifiedFlag modified;
    LoadFactoryDefaults(settings, modified);
    QString error;
    if (!SaveSettingsFile(path, settings, modified, &error)) {
        printErr(QStringLiteral("hzmctl new: cannot save %1: %2\n").arg(path, error));
        return ExitFailed;
    }
    return ExitSuccess;
}

} // namespace hzm::cli
