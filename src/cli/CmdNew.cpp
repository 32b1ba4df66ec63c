#include "CommandRun.h"

#include "files/SettingsFile.h"

namespace hzm::cli {

namespace {

class New : public Command {
public:
    New() {
        name = QStringLiteral("new");
        summary = QStringLiteral("write a settings file of factory defaults");
        description = QStringLiteral("Writes a settings file holding the factory defaults.\n");
        arguments = {{QStringLiteral("FILE"), QStringLiteral("the settings file to write")}};
    }

    int run(CommandRun &r) const override {
        const QString path = r.args.positional.at(0);
        QString why;
        if (!writableTarget(path, why))
            return r.fail(why);
        MixerSettings settings;
        ModifiedFlag modified;
        LoadFactoryDefaults(settings, modified);
        QString error;
        if (!SaveSettingsFile(path, settings, modified, &error))
            return r.finish(ExitFailed, QStringLiteral("cannot save %1: %2").arg(path, error));
        return ExitSuccess;
    }
};

HZM_COMMAND(New)

} // namespace

} // namespace hzm::cli
