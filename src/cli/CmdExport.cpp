#include "CliCommon.h"

#include "files/TextExport.h"
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace hzm::cli {

int Runner::cmdExport() {
    MixerSettings settings;
    int status = 0;
    if (!loadFile(a.positional.at(0), settings, status))
        return status;
    const QString out = a.positional.at(1);
    if (out == QLatin1String("-")) {
        // Standard output: the export is made complete in a file of its own first, so that a
        // failed export prints nothing.
        QTemporaryDir dir;
        const QString temporary = dir.filePath(QStringLiteral("export.txt"));
        QString error;
        QFile file(temporary);
        if (!dir.isValid() || !ExportText(temporary, settings, &error) || !file.open(QIODevice::ReadOnly)) {
            printErr(QStringLiteral("hzmctl export: cannot write the export%1\n")
                         .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
            return ExitFailed;
        }
        m_output.write(file.readAll());
        return ExitSuccess;
    }
    QString why;
    if (!writableTarget(out, why))
        return fail(why);
    // Writing the export over the settings file itself would lose the settings.
    if (QFileInfo(out).exists() &&
        QFileInfo(out).canonicalFilePath() == QFileInfo(a.positional.at(0)).canonicalFilePath())
        return fail(
            QStringLiteral("%1 is the settings file itself; name another file for the export").arg(out));
    QString error;
    if (!ExportText(out, settings, &error)) {
        printErr(QStringLiteral("hzmctl export: cannot write %1%2\n")
                     .arg(out, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        return ExitFailed;
    }
    return ExitSuccess;
}

} // namespace hzm::cli
