// Several mixers at once: every mixer gets a process of hzmctl of its own, with its own link and
// worker, all running at the same time; each mixer's commands are paced exactly as with one.
// This process only starts them, shows one progress line per mixer on a terminal, and sums up.

#include "CliCommon.h"

#include "discovery/Discovery.h"
#include "discovery/DiscoveryModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTimer>

#include <memory>
#include <vector>

namespace hzm::cli {

namespace {

struct Mixer {
    LinkArgument link;
    QString name; // "127.0.0.1:4999", "/dev/ttyUSB0"
    QString host;
    QString port;
    QString file;    // read: the file written for this mixer
    QString logFile; // --log-file for this mixer
    std::unique_ptr<QProcess> process;
    QElapsedTimer clock;
    double seconds = 0;
    bool finished = false;
    int exitStatus = -1;
    QByteArray out;
    QByteArray err;
    QByteArray pendingErr; // --log: the part of a line not forwarded yet
    QString reason;
};

// "{host}", "{port}" and "{n}" in a file name.
QString expanded(QString pattern, const Mixer &m, int n) {
    QString host = m.host;
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    return pattern.replace(QStringLiteral("{host}"), host)
        .replace(QStringLiteral("{port}"), m.port)
        .replace(QStringLiteral("{n}"), QString::number(n));
}

bool hasPlaceholder(const QString &pattern) {
    return pattern.contains(QStringLiteral("{host}")) || pattern.contains(QStringLiteral("{port}")) ||
           pattern.contains(QStringLiteral("{n}"));
}

// A log file per mixer: the pattern's placeholders, or else "-N" before the extension
// (hzm.log: hzm-1.log, hzm-2.log ...).
QString logFileFor(const QString &given, const Mixer &m, int n) {
    if (hasPlaceholder(given))
        return expanded(given, m, n);
    const QFileInfo fi(given);
    const QString suffix = fi.suffix();
    const QString base = suffix.isEmpty() ? given : given.left(given.size() - suffix.size() - 1);
    return base + QStringLiteral("-%1").arg(n) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

// One line of a --targets file: "HOST[:PORT]", "tcp HOST[:PORT]" or "serial PORT" ("--tcp" and
// "--serial" too); empty lines and lines starting with "#" are skipped.
std::optional<LinkArgument> targetLine(const QString &text, QString &error) {
    const QString line = text.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return std::nullopt;
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0)
        return LinkArgument{QStringLiteral("tcp"), line};
    QString kind = line.left(space);
    if (kind.startsWith(QLatin1String("--")))
        kind = kind.mid(2);
    const QString value = line.mid(space + 1).trimmed();
    if (kind != QLatin1String("tcp") && kind != QLatin1String("serial")) {
        error = QStringLiteral("not a link: %1 (HOST[:PORT], tcp HOST[:PORT] or serial PORT)").arg(line);
        return std::nullopt;
    }
    return LinkArgument{kind, value};
}

QString resultWord(const QString &command, int status) {
    switch (status) {
    case ExitSuccess:
        return QStringLiteral("ok");
    case ExitFailed:
        return command == QLatin1String("verify") || command == QLatin1String("apply")
                   ? QStringLiteral("differs")
                   : QStringLiteral("failed");
    case ExitUsage:
        return QStringLiteral("bad input");
    case ExitTransferFailed:
        return QStringLiteral("failed");
    default:
        return QStringLiteral("crashed");
    }
}

} // namespace

int Runner::runMany() {
    const QString command = QLatin1String(info->name);
    static const QStringList allowed{QStringLiteral("read"),    QStringLiteral("send"),
                                     QStringLiteral("apply"),   QStringLiteral("verify"),
                                     QStringLiteral("version"), QStringLiteral("set-defaults"),
                                     QStringLiteral("reset")};
    if (!allowed.contains(command))
        return usage(QStringLiteral("works with one mixer only; give one --tcp or --serial"));

    // The mixers: the link options in their order, then the --targets files, then discovery.
    QList<LinkArgument> links = a.links;
    for (const QString &path : a.targets) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return fail(QStringLiteral("cannot read the targets file %1: %2").arg(path, file.errorString()));
        int number = 0;
        while (!file.atEnd()) {
            ++number;
            QString error;
            const QString text = QString::fromUtf8(file.readLine(4096));
            if (const auto link = targetLine(text, error))
                links << *link;
            else if (!error.isEmpty())
                return fail(QStringLiteral("%1 line %2: %3").arg(path).arg(number).arg(error));
        }
    }
    if (a.discovered) {
        Discovery discovery;
        DiscoveryModel model;
        QObject::connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
        const QString error = discovery.start();
        if (!error.isEmpty()) {
            printErr(QStringLiteral("hzmctl %1: discovery: %2\n").arg(command, error));
            return ExitFailed;
        }
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        discovery.stop();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        for (const DiscoveredMixer &m : model.mixers())
            links << LinkArgument{QStringLiteral("tcp"), m.address};
        if (model.mixers().isEmpty() && links.isEmpty()) {
            printErr(
                QStringLiteral("hzmctl %1: no mixer answered the discovery within 2000 ms\n").arg(command));
            return ExitFailed;
        }
    }
    if (links.isEmpty())
        return usage(QStringLiteral("the targets name no mixer"));

    std::vector<Mixer> mixers;
    QSet<QString> names;
    for (const LinkArgument &link : links) {
        Arguments one;
        (link.option == QLatin1String("tcp") ? one.tcp : one.serial) = link.value;
        if (link.option == QLatin1String("serial"))
            one.baud = a.baud;
        LinkChoice choice;
        if (const auto error = parseLink(one, choice))
            return usage(error->message);
        Mixer m;
        m.link = link;
        m.name = choice.selection.where();
        if (const TcpEndpoint *tcp = choice.selection.tcp()) {
            m.host = tcp->address.toString();
            m.port = QString::number(tcp->port);
        } else {
            m.host = QFileInfo(m.name).fileName();
        }
        if (names.contains(m.name))
            return usage(QStringLiteral("%1 is named twice").arg(m.name));
        names.insert(m.name);
        mixers.push_back(std::move(m));
    }
    if (!a.baud.isEmpty() && std::none_of(mixers.begin(), mixers.end(), [](const Mixer &m) {
            return m.link.option == QLatin1String("serial");
        }))
        return usage(QStringLiteral("--baud needs --serial"));

    for (const QString &positional : a.positional)
        if (positional == QLatin1String("-"))
            return usage(QStringLiteral("standard input cannot feed several mixers; name a file"));
    QSet<QString> files;
    for (size_t i = 0; i < mixers.size(); ++i) {
        Mixer &m = mixers[i];
        if (command == QLatin1String("read")) {
            const QString pattern = a.positional.at(0);
            if (!hasPlaceholder(pattern))
                return usage(
                    QStringLiteral("with several mixers FILE needs {host}, {port} or {n} in its name "
                                   "(venue-{n}.hzc)"));
            m.file = expanded(pattern, m, int(i) + 1);
            if (files.contains(m.file))
                return usage(
                    QStringLiteral("%1 would be written for two mixers; use {n} or {host} and {port}")
                        .arg(m.file));
            files.insert(m.file);
        }
        if (!a.logFile.isEmpty())
            m.logFile = logFileFor(a.logFile, m, int(i) + 1);
    }

    // Each mixer's own command line: its link, then this one's options and arguments.
    const auto argumentsFor = [&](const Mixer &m) {
        QStringList args{QStringLiteral("--") + m.link.option, m.link.value};
        if (!m.logFile.isEmpty())
            args << QStringLiteral("--log-file") << m.logFile;
        if (a.log)
            args << QStringLiteral("--log");
        if (m.link.option == QLatin1String("serial") && !a.baud.isEmpty())
            args << QStringLiteral("--baud") << a.baud;
        args << command;
        for (auto it = a.options.cbegin(); it != a.options.cend(); ++it)
            for (const QString &value : it.value())
                args << (takesValue(it.key()) ? QStringLiteral("--%1=%2").arg(it.key(), value)
                                              : QStringLiteral("--%1").arg(it.key()));
        args << QStringLiteral("--");
        for (int j = 0; j < a.positional.size(); ++j)
            args << (j == 0 && !m.file.isEmpty() ? m.file : a.positional.at(j));
        return args;
    };

    const bool terminal = ErrorStream::isTerminal() && !a.log;
    QEventLoop loop;
    int running = 0;
    for (size_t i = 0; i < mixers.size(); ++i) {
        Mixer &m = mixers[i];
        const QStringList args = argumentsFor(m);
        m.process = std::make_unique<QProcess>();
        m.process->setProgram(QCoreApplication::applicationFilePath());
        m.process->setArguments(args);
        m.process->setStandardInputFile(QProcess::nullDevice());
        QProcess *process = m.process.get();
        QObject::connect(process, &QProcess::readyReadStandardError, process, [this, &m]() {
            const QByteArray bytes = m.process->readAllStandardError();
            m.err += bytes;
            if (!a.log)
                return;
            // --log: every mixer's lines as they come, each named by its mixer.
            m.pendingErr += bytes;
            qsizetype end;
            while ((end = m.pendingErr.indexOf('\n')) >= 0) {
                printErr(QStringLiteral("%1: %2\n").arg(m.name, QString::fromUtf8(m.pendingErr.left(end))));
                m.pendingErr.remove(0, end + 1);
            }
        });
        QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                         [&m]() { m.out += m.process->readAllStandardOutput(); });
        QObject::connect(process, &QProcess::finished, process,
                         [&m, &running, &loop](int code, QProcess::ExitStatus status) {
                             m.seconds = m.clock.nsecsElapsed() / 1e9;
                             m.out += m.process->readAllStandardOutput();
                             m.err += m.process->readAllStandardError();
                             m.exitStatus = status == QProcess::NormalExit ? code : -1;
                             m.finished = true;
                             if (--running == 0)
                                 loop.quit();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [&m, &running, &loop](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart || m.finished)
                                 return;
                             m.err += m.process->errorString().toUtf8();
                             m.exitStatus = -1;
                             m.finished = true;
                             if (--running == 0)
                                 loop.quit();
                         });
        m.clock.start();
        ++running;
        m.process->start();
    }

    // One line per mixer, redrawn in place on a terminal.
    int width = 0;
    for (const Mixer &m : mixers)
        width = std::max(width, int(m.name.size()));
    bool drawn = false;
    const auto draw = [&]() {
        if (!terminal)
            return;
        QString text;
        if (drawn)
            text += QStringLiteral("\033[%1A").arg(mixers.size());
        for (const Mixer &m : mixers) {
            const double seconds = m.finished ? m.seconds : m.clock.nsecsElapsed() / 1e9;
            text += QStringLiteral("\r\033[K%1  %2 %3 s\n")
                        .arg(m.name.leftJustified(width),
                             m.finished ? resultWord(command, m.exitStatus) : QStringLiteral("running"))
                        .arg(seconds, 0, 'f', 1);
        }
        printErr(text);
        drawn = true;
    };
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &loop, draw);
    if (terminal) {
        draw();
        ticker.start(500);
    }
    if (running > 0)
        loop.exec();
    ticker.stop();
    draw();

    // Why each failed: the child's own messages, without "Transfer failed." and its name.
    const QString prefix = QStringLiteral("hzmctl %1: ").arg(command);
    int worst = ExitSuccess;
    int succeeded = 0;
    for (Mixer &m : mixers) {
        if (m.process->state() != QProcess::NotRunning)
            m.process->waitForFinished();
        QStringList reasons;
        for (const QString &line : QString::fromUtf8(m.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (line.startsWith(prefix))
                reasons << line.mid(prefix.size());
        m.reason = m.exitStatus == ExitSuccess ? QString() : reasons.join(QStringLiteral("; "));
        if (m.exitStatus == -1 && m.reason.isEmpty())
            m.reason = QStringLiteral("hzmctl ended abnormally");
        if (m.exitStatus == ExitSuccess)
            ++succeeded;
        worst = std::max(worst, m.exitStatus < 0 ? int(ExitFailed) : m.exitStatus);
    }

    // verify --json: each mixer's document goes into the summary as its output.
    if (a.summaryJson || a.options.contains(QStringLiteral("json"))) {
        QJsonArray list;
        for (const Mixer &m : mixers) {
            QJsonObject entry{{QStringLiteral("mixer"), m.name},
                              {QStringLiteral("link"), m.link.option},
                              {QStringLiteral("result"), resultWord(command, m.exitStatus)},
                              {QStringLiteral("exit_status"), m.exitStatus},
                              {QStringLiteral("seconds"), qRound(m.seconds * 1000) / 1000.0},
                              {QStringLiteral("reason"), m.reason}};
            if (!m.file.isEmpty())
                entry.insert(QStringLiteral("file"), m.file);
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(m.out, &error);
            if (error.error == QJsonParseError::NoError && document.isObject())
                entry.insert(QStringLiteral("output"), document.object());
            else
                entry.insert(QStringLiteral("output"), QString::fromUtf8(m.out));
            list.append(entry);
        }
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-mixers")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("command"), command},
                               {QStringLiteral("succeeded"), succeeded},
                               {QStringLiteral("failed"), int(mixers.size()) - succeeded},
                               {QStringLiteral("mixers"), list}};
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    } else {
        for (const Mixer &m : mixers)
            for (const QString &line : QString::fromUtf8(m.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                printOut(QStringLiteral("%1: %2\n").arg(m.name, line));
        const int nameWidth = std::max(width, 5);
        printOut(QStringLiteral("%1  %2  %3  %4\n")
                     .arg(QStringLiteral("MIXER").leftJustified(nameWidth), QStringLiteral("RESULT   "),
                          QStringLiteral("TIME     "), QStringLiteral("REASON")));
        for (const Mixer &m : mixers)
            printOut(QStringLiteral("%1  %2  %3  %4")
                         .arg(m.name.leftJustified(nameWidth),
                              resultWord(command, m.exitStatus).leftJustified(9),
                              QStringLiteral("%1 s").arg(m.seconds, 0, 'f', 1).leftJustified(9), m.reason)
                         .trimmed() +
                     QLatin1Char('\n'));
    }
    if (worst != ExitSuccess)
        printErr(QStringLiteral("hzmctl %1: %2 of %3 mixers failed\n")
                     .arg(command)
                     .arg(int(mixers.size()) - succeeded)
                     .arg(mixers.size()));
    return worst;
}

} // namespace hzm::cli
