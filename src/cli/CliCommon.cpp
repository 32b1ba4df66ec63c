#include "CliCommon.h"

#include "files/SettingsFile.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"
#include "link/SerialPermission.h"
#include "model/OptionLists.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QRegularExpression>

#include <cstdio>

namespace hzm::cli {

void printErr(const QString &text) {
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

std::optional<UsageError> parseLink(const Arguments &a, LinkChoice &choice) {
    if (!a.tcp.isEmpty() && !a.serial.isEmpty())
        return UsageError{QStringLiteral("give either --tcp or --serial, not both")};
    int rate = 0;
    if (!a.baud.isEmpty()) {
        bool ok = false;
        rate = a.baud.toInt(&ok);
        if (!ok || !supportedBaudRates().contains(rate))
            return UsageError{
                QStringLiteral("--baud: %1 is not a rate of the mixer (19200, 9600, 4800, 2400, 1200 or 300)")
                    .arg(a.baud)};
        if (a.serial.isEmpty())
            return UsageError{QStringLiteral("--baud needs --serial")};
    }
    QString error;
    if (!a.tcp.isEmpty()) {
        const auto endpoint = parseTcpEndpoint(a.tcp, &error);
        if (!endpoint)
            return UsageError{QStringLiteral("--tcp: ") + error};
        choice.selection = *endpoint;
    }
    if (!a.serial.isEmpty()) {
        auto endpoint = parseSerialEndpoint(a.serial, &error);
        if (!endpoint)
            return UsageError{QStringLiteral("--serial: ") + error};
        if (rate)
            endpoint->baudRate = rate;
        choice.selection = *endpoint;
    }
    return std::nullopt;
}

int Runner::usage(const QString &message) const {
    const QString prefix =
        info ? QStringLiteral("hzmctl %1: ").arg(QLatin1String(info->name)) : QStringLiteral("hzmctl: ");
    printErr(prefix + message + QLatin1Char('\n'));
    if (info)
        printErr(QStringLiteral("Usage: hzmctl %1%2 (see hzmctl %3 --help)\n")
                     .arg(info->needsLink ? QStringLiteral("LINK ") : QString(), QLatin1String(info->usage),
                          QLatin1String(info->name)));
    else
        printErr(QStringLiteral("See hzmctl --help.\n"));
    return ExitUsage;
}

int Runner::fail(const QString &message) const {
    printErr(QStringLiteral("hzmctl %1: %2\n").arg(QLatin1String(info->name), message));
    return ExitUsage;
}

int Runner::transferFailed(const TransferResult &outcome, const QString &extra) const {
    QString text =
        QStringLiteral("Transfer failed.\nhzmctl %1: %2\n").arg(QLatin1String(info->name), outcome.reason);
    if (!extra.isEmpty())
        text += QStringLiteral("hzmctl %1: %2\n").arg(QLatin1String(info->name), extra);
    printErr(text);
    return ExitFailed;
}

// How a file argument is named in messages: "-" is standard input.
QString shownPath(const QString &path) {
    return path == QLatin1String("-") ? QStringLiteral("standard input") : path;
}

QString fieldsDiffer(qsizetype count, bool still) {
    const bool one = count == 1;
    return QStringLiteral("%1 %2%3 %4")
        .arg(count)
        .arg(QLatin1String(one ? "field" : "fields"), QLatin1String(still ? " still" : ""),
             QLatin1String(one ? "differs" : "differ"));
}

bool Runner::loadFile(const QString &path, MixerSettings &settings, int &status, bool toMixer) const {
    ModifiedFlag modified;
    QString error;
    QStringList lines;
    const QString shown = shownPath(path);
    if (path == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly) ||
            !ReadSettingsFile(in, settings, modified, &error, &lines)) {
            status = fail(QStringLiteral("%1 is not a readable settings file%2")
                              .arg(shown, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
            return false;
        }
    } else {
        const QFileInfo fi(path);
        if (!fi.exists()) {
            status = fail(QStringLiteral("cannot read %1: no such file").arg(path));
            return false;
        }
        if (fi.isDir()) {
            status = fail(QStringLiteral("cannot read %1: it is a folder").arg(path));
            return false;
        }
        if (!LoadSettingsFile(path, settings, modified, &error, &lines)) {
            status = fail(QStringLiteral("%1 is not a readable settings file%2")
                              .arg(path, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
            return false;
        }
    }
    // The reader takes any 35 lines of text, as the desktop program does; a log or a text export
    // given by mistake must not reach a mixer as its configuration.
    if (toMixer) {
        if (const int number = ForeignSettingsLine(lines)) {
            QString line = lines.at(number - 1);
            if (line.size() > 40)
                line = line.left(40) + QStringLiteral("...");
            status =
                fail(QStringLiteral("%1 is not a settings file: line %2 is not a settings line (\"%3\"); "
                                    "nothing was sent")
                         .arg(shown)
                         .arg(number)
                         .arg(line));
            return false;
        }
    }
    return true;
}

// A serial port that cannot be opened: the desktop program's text, the system's reason and, when
// the user lacks the permission, what to do about it.
QString portProblem(const QString &port, const QString &reason) {
    QString text =
        QStringLiteral("serial port %1: %2 (%3)").arg(port, QLatin1String(kPortBusyMessage), reason);
    const QString advice = serialPermissionAdvice(port);
    if (!advice.isEmpty())
        text += QLatin1Char('\n') + advice;
    return text;
}

// Checks the serial port and finds its rate unless --baud was given.
bool Runner::prepareLink(int &status) {
    if (link.selection.isNone()) {
        status = usage(QStringLiteral("no link given: use --tcp HOST[:PORT] or --serial PORT"));
        return false;
    }
    SerialEndpoint *serial = link.selection.serial();
    if (!serial)
        return true;
    const QString port = serial->device;
    if (serial->baudRate) {
        QString error;
        if (!checkSerialPortUsable(port, &error)) {
            status = fail(portProblem(port, error));
            return false;
        }
        return true;
    }
    const PortProbeResult result = probeSerialPort(port);
    switch (result.outcome) {
    case PortProbeOutcome::Busy:
        status = fail(portProblem(port, result.error));
        return false;
    case PortProbeOutcome::NotFound:
        printErr(QStringLiteral("hzmctl %1: %2: %3\n")
                     .arg(QLatin1String(info->name), port, QLatin1String(kBaudNotDetectedMessage)));
        break;
    case PortProbeOutcome::Found:
        break;
    }
    serial->baudRate = result.baudRate;
    return true;
}

TransferResult Runner::transfer(MixerSettings &settings, const TransferJob &job, RunOptions options) const {
    options.printLog = a.log;
    options.logFile = m_logFile.isOpen() ? &m_logFile : nullptr;
    options.showProgress = ErrorStream::isTerminal() && job.plannedCommands > 1;
    return RunTransfer(link.selection, settings, job, options);
}

// Whether a file can be created at path (its folder exists and path is no folder).
bool writableTarget(const QString &path, QString &why) {
    const QFileInfo fi(path);
    if (fi.isDir()) {
        why = QStringLiteral("%1 is a folder").arg(path);
        return false;
    }
    if (!fi.absoluteDir().exists()) {
        why = QStringLiteral("cannot write %1: the folder %2 does not exist").arg(path, fi.absolutePath());
        return false;
    }
    return true;
}

} // namespace hzm::cli
