#include "CommandRun.h"

#include "files/SettingsFile.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"
#include "link/SerialPermission.h"
#include "model/TextHelpers.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

namespace hzm::cli {

std::optional<LinkSelection> parseLink(const ParsedArguments &args, QString &error) {
    QString tcp;
    QString serial;
    for (const LinkArgument &link : args.links)
        (link.option == QLatin1String("tcp") ? tcp : serial) = link.value;
    if (!tcp.isEmpty() && !serial.isEmpty()) {
        error = QStringLiteral("give either --tcp or --serial, not both");
        return std::nullopt;
    }
    int rate = 0;
    if (!args.baud.isEmpty()) {
        bool ok = false;
        rate = args.baud.toInt(&ok);
        if (!ok || !supportedBaudRates().contains(rate)) {
            error =
                QStringLiteral("--baud: %1 is not a rate of the mixer (19200, 9600, 4800, 2400, 1200 or 300)")
                    .arg(args.baud);
            return std::nullopt;
        }
        if (serial.isEmpty()) {
            error = QStringLiteral("--baud needs --serial");
            return std::nullopt;
        }
    }
    if (!tcp.isEmpty()) {
        const auto endpoint = parseTcpEndpoint(tcp, &error);
        error.prepend(QStringLiteral("--tcp: "));
        return endpoint ? std::optional<LinkSelection>(*endpoint) : std::nullopt;
    }
    if (!serial.isEmpty()) {
        auto endpoint = parseSerialEndpoint(serial, &error);
        error.prepend(QStringLiteral("--serial: "));
        if (endpoint && !endpoint->baudRate)
            endpoint->baudRate = rate; // a rate in the link itself (DEVICE@BAUD) wins
        return endpoint ? std::optional<LinkSelection>(*endpoint) : std::nullopt;
    }
    return LinkSelection();
}

int CommandRun::execute() {
    QString error;
    const std::optional<LinkSelection> link = parseLink(args, error);
    if (!link)
        return usage(error);
    m_link = *link;
    return run();
}

int CommandRun::execute(MixerTaskContext &mixer) {
    m_mixer = &mixer;
    m_link = mixer.mixer().link;
    return run();
}

int CommandRun::run() {
    if (!args.logFile.isEmpty()) {
        if (command.link == LinkUse::None)
            return usage(
                QStringLiteral("works without a link, so there is nothing to log; leave out --log-file"));
        m_logFile.setFileName(args.logFile);
        if (!m_logFile.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(QStringLiteral("cannot write the log file %1: %2")
                            .arg(args.logFile, m_logFile.errorString()));
        m_logFile.unsetError(); // a device or a pipe cannot be sought to its end, and need not be
    }
    if (command.link == LinkUse::None && !m_link.isNone())
        return usage(QStringLiteral("works without a link; leave out --tcp and --serial"));
    if (args.summaryJson && !m_mixer && !command.takesOption(QStringLiteral("json")))
        return usage(
            QStringLiteral("--json prints the summary of several mixers; %1 prints no JSON of its own")
                .arg(command.name));
    int status = 0;
    if (command.link == LinkUse::Prepared && !prepareLink(status))
        return status;
    status = command.run(*this);
    // A log that could not be written (a full disk) is lost: say so, and it is no success.
    if (m_logFile.isOpen() && m_logFile.error() != QFileDevice::NoError)
        return finish(
            std::max(status, int(ExitFailed)),
            QStringLiteral("cannot write the log file %1: %2").arg(args.logFile, m_logFile.errorString()));
    return status;
}

QString shownSafely(const QString &message) {
    QStringList lines = message.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = escapedForDisplay(line);
    return lines.join(QLatin1Char('\n'));
}

int CommandRun::usage(const QString &message) {
    m_reasons << shownSafely(message);
    printErr(QStringLiteral("hzmctl %1: %2\nUsage: hzmctl %3%4 (see hzmctl %1 --help)\n")
                 .arg(command.name, shownSafely(message),
                      command.link != LinkUse::None ? QStringLiteral("LINK ") : QString(), command.usage()));
    return ExitUsage;
}

int CommandRun::finish(int status, const QString &message) {
    m_reasons << shownSafely(message);
    warn(message);
    return status;
}

void CommandRun::warn(const QString &message) {
    printErr(QStringLiteral("hzmctl %1: %2\n").arg(command.name, shownSafely(message)));
}

int CommandRun::transferFailed(const TransferResult &outcome, const QString &extra, int status) {
    if (!outcome.outOfRange.isEmpty())
        return fail(outcome.reason); // the record, not the transfer: nothing was sent
    if (!outcome.countLostAt.isEmpty())
        status = ExitTransferFailed; // the mixer may be left running commands still queued in it
    printErr(QStringLiteral("Transfer failed.\n"));
    finish(status, outcome.reason);
    if (!extra.isEmpty())
        finish(status, extra);
    return status;
}

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

namespace {

// "line 3: ...; line 9: ..." of the first few problems.
QString damageText(const QList<FileDamage> &damage) {
    constexpr int kShown = 5;
    QStringList parts;
    for (const FileDamage &d : damage.mid(0, kShown))
        parts << QStringLiteral("line %1: %2").arg(d.line).arg(d.problem);
    if (damage.size() > kShown)
        parts << QStringLiteral("and %1 more").arg(damage.size() - kShown);
    return parts.join(QStringLiteral("; "));
}

} // namespace

bool CommandRun::loadFile(const QString &path, MixerSettings &settings, int &status, bool toMixer) {
    ModifiedFlag modified;
    QString error;
    QStringList lines;
    QByteArray bytes; // the start of the file, for its damage
    const QString shown = shownPath(path);
    if (path == QLatin1String("-")) {
        bytes = streams.in ? streams.in->read(kMaxSettingsFileBytes + 1) : QByteArray();
        QBuffer buffer(&bytes);
        if (!streams.in || !buffer.open(QIODevice::ReadOnly) ||
            !ReadSettingsFile(buffer, settings, modified, &error, &lines)) {
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
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.read(kMaxSettingsFileBytes + 1);
    }
    // The reader takes any 35 lines of text, as the desktop program does, and fills in what a
    // damaged file lacks. A log or a text export given by mistake, or a damaged file, must not
    // reach a mixer as its configuration; elsewhere a warning says where the file is damaged.
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
    const QList<FileDamage> damage = settingsFileDamage(bytes);
    if (damage.isEmpty())
        return true;
    if (!toMixer) {
        warn(QStringLiteral("warning: %1 is damaged (%2); what it lacks reads 0")
                 .arg(shown, damageText(damage)));
        return true;
    }
    status = fail(QStringLiteral("%1 is damaged, so nothing was sent: %2").arg(shown, damageText(damage)));
    return false;
}

QString portProblem(const QString &port, const QString &reason) {
    QString text =
        QStringLiteral("serial port %1: %2 (%3)").arg(port, QLatin1String(kPortBusyMessage), reason);
    const QString advice = serialPermissionAdvice(port);
    if (!advice.isEmpty())
        text += QLatin1Char('\n') + advice;
    return text;
}

bool CommandRun::prepareLink(int &status) {
    if (m_link.isNone()) {
        status = usage(QStringLiteral("no link given: use --tcp HOST[:PORT] or --serial PORT"));
        return false;
    }
    SerialEndpoint *serial = m_link.serial();
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
        warn(QStringLiteral("%1: %2").arg(port, QLatin1String(kBaudNotDetectedMessage)));
        break;
    case PortProbeOutcome::Found:
        break;
    }
    serial->baudRate = result.baudRate;
    return true;
}

TransferResult CommandRun::transfer(MixerSettings &settings, const TransferJob &job, RunOptions options) {
    options.printLog = args.log;
    options.logFile = m_logFile.isOpen() ? &m_logFile : nullptr;
    options.showProgress = !m_mixer && streams.err.isTerminal() && job.plannedCommands > 1;
    if (m_mixer)
        options.run = [this](const LinkSelection &link, MixerSettings &s, const TransferJob &j,
                             const TransferHooks &hooks) { return m_mixer->transfer(link, s, j, hooks); };
    return RunTransfer(m_link, settings, job, streams, options);
}

int CommandRun::runJob(const TransferJob &job) {
    MixerSettings settings;
    const TransferResult outcome = transfer(settings, job);
    return outcome.success ? int(ExitSuccess) : transferFailed(outcome);
}

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
