#include "SerialPermission.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hzm {

QString serialPermissionAdvice(const QString &portName) {
#ifdef Q_OS_LINUX
    const QString path =
        portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return QString(); // absent: not a matter of permission
    if (::access(native.constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return QString();
    // Serial devices belong to the group "dialout" on Debian and Ubuntu ("uucp" elsewhere); a
    // device owned by the group root is given to no group of users, so name the usual one.
    QString group = QStringLiteral("dialout");
    if (const struct group *owner = ::getgrgid(info.st_gid);
        owner && owner->gr_name && std::strcmp(owner->gr_name, "root") != 0)
        group = QString::fromLocal8Bit(owner->gr_name);
    return QCoreApplication::translate("hzm::SerialPermission",
                                       "You may not use %1: on Linux your user belongs in the group \"%2\" "
                                       "(sudo usermod -aG %2 $USER, then log out and in again).")
        .arg(path, group);
#else
    Q_UNUSED(portName);
    return QString();
#endif
}

} // namespace hzm
