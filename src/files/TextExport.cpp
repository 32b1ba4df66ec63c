#include "TextExport.h"

#include "link/CommandExchange.h"
#include "link/FileComms.h"
#include "protocol/DeviceCommands.h"

#include <QFileInfo>

namespace hzm {

namespace {

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

} // namespace

int ExportText(const QString &path, const MixerSettings &settings, QString *error) {
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("%1: is a folder").arg(path));
        return 0;
    }
    FileComms link(path);
    if (!link.Open()) {
        setError(error, link.errorString());
        return 0;
    }
    if (!SendAllCommands(settings, WriteOnly, link, nullptr)) {
        // Not closed: the link then drops what it wrote and the earlier file stays.
        setError(error, QStringLiteral("%1: a command could not be encoded; nothing was exported").arg(path));
        return 0;
    }
    link.Close();
    if (!link.committed()) {
        setError(error, link.errorString());
        return 0;
    }
    return 1;
}

} // namespace hzm
