#pragma once

#include <QString>

namespace hzm {

// When the system refuses a serial device to this user (no read and write permission on Linux):
// what to do about it, one sentence for people. Empty when the port's trouble is another (absent,
// in use) or on other systems.
QString serialPermissionAdvice(const QString &portName);

} // namespace hzm
