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

bool ExportText(const QString &path, const MixerSettings &settings, QString *error) {
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("%1: is a folder").arg(path));
        return false;
    }
    FileComms link(path);
    if (!link.Open()) {
        setError(error, link.errorString());
        return false;
    }
    if (!SendAllCommands(settings, WriteOnly, link, nullptr)) {
        // Not closed: the link then drops what it wrote and the earlier file stays.
        setError(error, QStringLiteral("%1: a command could not be encoded; nothing was exported").arg(path));
        return false;
    }
    link.Close();
    if (!link.committed()) {
        setError(error, link.errorString());
        return false;
    }
    return true;
}

} // namespace hzm
