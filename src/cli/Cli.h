#pragma once

#include <QStringList>

namespace hzm::cli {

// Exit statuses of hzmctl.
enum ExitStatus {
    ExitSuccess = 0,
    ExitFailed = 1, // the transfer or operation failed, or verify found differences
    ExitUsage = 2,  // bad usage or unreadable input
};

// Runs hzmctl with its arguments (without the program name). Needs a QCoreApplication.
int RunCli(const QStringList &arguments);

} // namespace hzm::cli
