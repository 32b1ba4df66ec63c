#include "CommandRun.h"

#include "files/TextExport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace hzm::cli {

namespace {

class Export : public Command {
public:
    Export() {
        name = QStringLiteral("export");
        summary = QStringLiteral("write the text export of settings file FILE to OUT");
        description = QStringLiteral(
            "Writes the text export of the settings file FILE to OUT: every command Send all would\n"
            "send, one per line, exactly as the desktop program's Export Text writes it.\n");
        arguments = {
            {QStringLiteral("FILE"), QStringLiteral("the settings file (\"-\": standard input)")},
            {QStringLiteral("OUT"), QStringLiteral("the text file to write (\"-\": standard output)")}};
    }

    int run(CommandRun &r) const override {
        MixerSettings settings;
        int status = 0;
        const QString path = r.args.positional.at(0);
        if (!r.loadFile(path, settings, status))
            return status;
        const QString out = r.args.positional.at(1);
        if (out == QLatin1String("-"))
            return toStandardOutput(r, settings);
        QString why;
        if (!writableTarget(out, why))
            return r.fail(why);
        // Writing the export over the settings file itself would lose the settings.
        if (QFileInfo(out).exists() &&
            QFileInfo(out).canonicalFilePath() == QFileInfo(path).canonicalFilePath())
            return r.fail(
                QStringLiteral("%1 is the settings file itself; name another file for the export").arg(out));
        QString error;
        if (!ExportText(out, settings, &error))
            return r.finish(ExitFailed,
                            QStringLiteral("cannot write %1%2")
                                .arg(out, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        return ExitSuccess;
    }

private:
    // The export is made complete in a file of its own first, so that a failed export prints
    // nothing.
    static int toStandardOutput(CommandRun &r, const MixerSettings &settings) {
        QTemporaryDir dir;
        const QString temporary = dir.filePath(QStringLiteral("export.txt"));
        QString error;
        QFile file(temporary);
        if (!dir.isValid() || !ExportText(temporary, settings, &error) || !file.open(QIODevice::ReadOnly))
            return r.finish(ExitFailed, QStringLiteral("cannot write the export%1")
                                            .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        r.streams.out.write(file.readAll());
        return ExitSuccess;
    }
};

HZM_COMMAND(Export)

} // namespace

} // namespace hzm::cli
