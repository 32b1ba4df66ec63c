#pragma once

#include <QStringList>

namespace hzm::cli {

struct Streams;

// Exit statuses of hzmctl.
enum ExitStatus {
    ExitSuccess = 0,
    ExitFailed = 1,         // the transfer or operation failed (verify: 3), or verify found differences
    ExitUsage = 2,          // bad usage or unreadable input
    ExitTransferFailed = 3, // verify: the transfer failed, so nothing was compared
};

// Runs hzmctl with its arguments (without the program name), reading and writing streams.
// Needs a QCoreApplication.
int RunCli(const QStringList &arguments, Streams &streams);
// The same on the process's standard streams.
int RunCli(const QStringList &arguments);

} // namespace hzm::cli
