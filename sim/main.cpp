// hzm-sim: a simulated HZM-1e mixer for development, demonstrations and tests.

#include "SimServer.h"

#include "files/SettingsFile.h"
#include "files/StandardStreams.h"
#include "model/MixerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) {
    g_stop = true;
}

int fail(const QString &message) {
    std::fprintf(stderr, "hzm-sim: %s\n", qPrintable(message));
    return 2;
}

bool parsePort(const QString &text, int &port) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > 65535)
        return false;
    port = value;
    return true;
}

// "PATTERN" or "PATTERN:N" (N > 0, default 1).
bool parseRefusal(const QString &text, hzm::sim::RefuseRule &rule) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    rule.pattern = text;
    rule.remaining = 1;
    if (colon > 0) {
        bool ok = false;
        const int n = text.mid(colon + 1).toInt(&ok);
        if (ok) {
            if (n <= 0)
                return false;
            rule.pattern = text.left(colon);
            rule.remaining = n;
        }
    }
    return !rule.pattern.isEmpty();
}

} // namespace

int main(int argc, char *argv[]) {
    const hzm::StandardStreams streams;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hzm-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HZM_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated HZM-1e mixer. It answers the mixer's text protocol (\"<\" + command + \"/>\")\n"
        "over TCP, over a serial line on a pseudo-terminal, and the UDP discovery broadcast.\n"
        "Without --tcp, --pty or --discovery it serves TCP on 127.0.0.1:4999.\n"
        "It prints its endpoints (\"tcp: ADDRESS:PORT\", \"pty: PATH\", \"discovery: udp port N\"),\n"
        "then \"ready\", and runs until Ctrl+C or SIGTERM. Every received command is logged with a\n"
        "time stamp on standard output, or to the --log file.\n"
        "Fault patterns are wildcards over the whole command body: * any text, ? one character."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption bindOpt(QStringLiteral("bind"),
                                     QStringLiteral("Address to listen on, for TCP and discovery (default "
                                                    "127.0.0.1; 0.0.0.0 for every interface)."),
                                     QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption tcpOpt(QStringLiteral("tcp"),
                                    QStringLiteral("Serve TCP on this port; 0 picks a free one."),
                                    QStringLiteral("port"));
    const QCommandLineOption ptyOpt(
        QStringLiteral("pty"),
        QStringLiteral("Serve a serial line on a pseudo-terminal and print its path."));
    const QCommandLineOption baudOpt(
        QStringLiteral("baud"),
        QStringLiteral("Line rate of the pseudo-terminal (default 9600); the mixer stays silent "
                       "while the client's line is set otherwise (8N1 required)."),
        QStringLiteral("rate"), QStringLiteral("9600"));
    const QCommandLineOption discoveryOpt(
        QStringLiteral("discovery"), QStringLiteral("Answer the UDP discovery broadcast on --bind's address "
                                                    "and its network's broadcast address."));
    const QCommandLineOption discoveryPortOpt(
        QStringLiteral("discovery-port"),
        QStringLiteral("UDP port of the discovery responder (default 30303; 0 picks a free one)."),
        QStringLiteral("port"), QStringLiteral("30303"));
    const QCommandLineOption discoveryFromOpt(
        QStringLiteral("discovery-from"),
        QStringLiteral("Send discovery answers from this address (for example 127.0.0.2)."),
        QStringLiteral("address"));
    const QCommandLineOption nameOpt(QStringLiteral("name"), QStringLiteral("Name in the discovery answer."),
                                     QStringLiteral("name"));
    const QCommandLineOption macOpt(
        QStringLiteral("mac"), QStringLiteral("MAC address in the discovery answer."), QStringLiteral("mac"));
    const QCommandLineOption firmwareOpt(
        QStringLiteral("firmware"),
        QStringLiteral("Software version the mixer reports, four characters (default 1.05). "
                       "1.04 and lower refuse label queries."),
        QStringLiteral("x.yy"), QStringLiteral("1.05"));
    const QCommandLineOption keyOpt(QStringLiteral("key"),
                                    QStringLiteral("Installer key, four digits 1 to 8 (default 1234)."),
                                    QStringLiteral("key"), QStringLiteral("1234"));
    const QCommandLineOption stateOpt(
        QStringLiteral("state"),
        QStringLiteral("Load the mixer's configuration from a settings file (.hzc)."),
        QStringLiteral("file"));
    const QCommandLineOption demoOpt(QStringLiteral("demo-state"),
                                     QStringLiteral("Start with a built-in demonstration configuration."));
    const QCommandLineOption refuseOpt(
        QStringLiteral("refuse"),
        QStringLiteral(
            "Refuse the next N commands matching PATTERN (\"PATTERN:N\", N default 1). Repeatable."),
        QStringLiteral("pattern[:n]"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"),
                                       QStringLiteral("Never answer commands matching PATTERN. Repeatable."),
                                       QStringLiteral("pattern"));
    const QCommandLineOption lateOpt(
        QStringLiteral("late"),
        QStringLiteral(
            "Answer commands matching PATTERN 1.1 s late, just over the reply time-out. Repeatable."),
        QStringLiteral("pattern"));
    const QCommandLineOption junkOpt(
        QStringLiteral("junk"),
        QStringLiteral("Answer commands matching PATTERN with their own head and a value of a NUL and bytes "
                       "that are no UTF-8. Repeatable."),
        QStringLiteral("pattern"));
    const QCommandLineOption fragmentOpt(
        QStringLiteral("fragment"),
        QStringLiteral("Send replies in pieces of BYTES bytes with MS milliseconds between them."),
        QStringLiteral("bytes:ms"));
    const QCommandLineOption delayOpt(QStringLiteral("delay"),
                                      QStringLiteral("Wait MS milliseconds before every reply."),
                                      QStringLiteral("ms"));
    const QCommandLineOption dropOpt(QStringLiteral("drop-after"),
                                     QStringLiteral("Close the TCP connection after N commands (once)."),
                                     QStringLiteral("n"));
    const QCommandLineOption logOpt(
        QStringLiteral("log"), QStringLiteral("Append the command log to FILE instead of standard output."),
        QStringLiteral("file"));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"), QStringLiteral("Do not log commands."));
    for (const QCommandLineOption *o :
         {&bindOpt,          &tcpOpt,    &ptyOpt,    &baudOpt,     &discoveryOpt, &discoveryPortOpt,
          &discoveryFromOpt, &nameOpt,   &macOpt,    &firmwareOpt, &keyOpt,       &stateOpt,
          &demoOpt,          &refuseOpt, &silentOpt, &lateOpt,     &junkOpt,      &fragmentOpt,
          &delayOpt,         &dropOpt,   &logOpt,    &quietOpt})
        parser.addOption(*o);
    if (!parser.parse(app.arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    hzm::sim::SimOptions options;
    options.bindAddress = QHostAddress(parser.value(bindOpt));
    if (options.bindAddress.isNull())
        return fail(QStringLiteral("--bind: not an address: %1").arg(parser.value(bindOpt)));
    const bool anyTransport = parser.isSet(tcpOpt) || parser.isSet(ptyOpt) || parser.isSet(discoveryOpt);
    options.tcpPort = anyTransport ? -1 : hzm::sim::SimOptions::kDefaultTcpPort;
    if (parser.isSet(tcpOpt) && !parsePort(parser.value(tcpOpt), options.tcpPort))
        return fail(QStringLiteral("--tcp: not a port: %1").arg(parser.value(tcpOpt)));
    options.pty = parser.isSet(ptyOpt);
    bool ok = false;
    options.baudRate = parser.value(baudOpt).toInt(&ok);
    if (!ok || options.baudRate <= 0)
        return fail(QStringLiteral("--baud: not a rate: %1").arg(parser.value(baudOpt)));
    if (parser.isSet(discoveryOpt) || parser.isSet(discoveryPortOpt) || parser.isSet(discoveryFromOpt)) {
        if (!parsePort(parser.value(discoveryPortOpt), options.discoveryPort))
            return fail(
                QStringLiteral("--discovery-port: not a port: %1").arg(parser.value(discoveryPortOpt)));
    }
    if (parser.isSet(discoveryFromOpt)) {
        options.discoveryFrom = QHostAddress(parser.value(discoveryFromOpt));
        if (options.discoveryFrom.isNull())
            return fail(
                QStringLiteral("--discovery-from: not an address: %1").arg(parser.value(discoveryFromOpt)));
    }
    if (parser.isSet(nameOpt))
        options.name = parser.value(nameOpt);
    if (parser.isSet(macOpt))
        options.macAddress = parser.value(macOpt);

    const QString version = parser.value(firmwareOpt);
    if (version.size() != 4)
        return fail(QStringLiteral("--firmware: four characters such as 1.05 expected: %1").arg(version));
    const QString key = parser.value(keyOpt);
    if (key.size() != 4 ||
        !std::all_of(key.begin(), key.end(), [](QChar c) { return c >= u'1' && c <= u'8'; }))
        return fail(QStringLiteral("--key: four digits 1 to 8 expected: %1").arg(key));

    hzm::sim::FaultSettings faults;
    for (const QString &text : parser.values(refuseOpt)) {
        hzm::sim::RefuseRule rule;
        if (!parseRefusal(text, rule))
            return fail(QStringLiteral("--refuse: PATTERN or PATTERN:N expected: %1").arg(text));
        faults.refuse.append(rule);
    }
    faults.silent = parser.values(silentOpt);
    faults.late = parser.values(lateOpt);
    faults.junk = parser.values(junkOpt);
    if (parser.isSet(fragmentOpt)) {
        const QStringList parts = parser.value(fragmentOpt).split(QLatin1Char(':'));
        bool ok1 = false, ok2 = true;
        faults.fragmentBytes = parts.value(0).toInt(&ok1);
        if (parts.size() > 1)
            faults.fragmentDelayMs = parts.at(1).toInt(&ok2);
        if (parts.size() > 2 || !ok1 || !ok2 || faults.fragmentBytes <= 0 || faults.fragmentDelayMs < 0)
            return fail(QStringLiteral("--fragment: BYTES:MS expected: %1").arg(parser.value(fragmentOpt)));
    }
    if (parser.isSet(delayOpt)) {
        faults.replyDelayMs = parser.value(delayOpt).toInt(&ok);
        if (!ok || faults.replyDelayMs < 0)
            return fail(QStringLiteral("--delay: milliseconds expected: %1").arg(parser.value(delayOpt)));
    }
    if (parser.isSet(dropOpt)) {
        faults.dropAfterCommands = parser.value(dropOpt).toInt(&ok);
        if (!ok || faults.dropAfterCommands <= 0)
            return fail(
                QStringLiteral("--drop-after: a positive number expected: %1").arg(parser.value(dropOpt)));
    }

    hzm::sim::SimServer server(options);
    hzm::sim::SimMixer &mixer = server.mixer();
    mixer.setSoftwareVersion(version);
    mixer.setInstallerKey(key);
    mixer.setFaults(faults);
    if (parser.isSet(demoOpt))
        mixer.setSettings(hzm::sim::SimMixer::demoSettings());
    if (parser.isSet(stateOpt)) {
        hzm::MixerSettings settings;
        hzm::ModifiedFlag modified;
        QString error;
        QStringList lines;
        if (!hzm::LoadSettingsFile(parser.value(stateOpt), settings, modified, &error, &lines))
            return fail(QStringLiteral("--state: %1").arg(error.isEmpty() ? parser.value(stateOpt) : error));
        // The reader takes any 35 lines of text; a log or a text export is no configuration.
        if (const int line = hzm::foreignSettingsLine(lines))
            return fail(QStringLiteral("--state: %1 is not a settings file: line %2 is not a settings line")
                            .arg(parser.value(stateOpt))
                            .arg(line));
        mixer.setSettings(settings);
    }

    std::FILE *logFile = stdout;
    if (parser.isSet(logOpt)) {
        logFile = std::fopen(QFile::encodeName(parser.value(logOpt)).constData(), "a");
        if (!logFile)
            return fail(QStringLiteral("--log: cannot open %1").arg(parser.value(logOpt)));
    }
    if (!parser.isSet(quietOpt)) {
        mixer.setLogSink([logFile](const hzm::sim::LogEntry &entry) {
            std::fprintf(logFile, "%s\n", entry.toText().toUtf8().constData());
            std::fflush(logFile);
        });
    }

    if (!server.start())
        return fail(server.errorString());
    if (server.tcpPort())
        std::printf("tcp: %s:%u\n", qPrintable(server.tcpAddress().toString()), unsigned(server.tcpPort()));
    if (!server.ptyPath().isEmpty())
        std::printf("pty: %s (%d baud, 8N1)\n", qPrintable(server.ptyPath()), options.baudRate);
    if (server.discoveryPort()) {
        std::printf("discovery: udp port %u%s\n", unsigned(server.discoveryPort()),
                    options.discoveryFrom.isNull()
                        ? ""
                        : qPrintable(QStringLiteral(", answering from ") + options.discoveryFrom.toString()));
    }
    // Whoever waits for "ready" may stop the mixer at once: catch the signals before saying so.
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::printf("version %s, key %s\nready\n", qPrintable(version), qPrintable(key));
    std::fflush(stdout);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [] {
        if (g_stop)
            QCoreApplication::quit();
    });
    poll.start(100);
    const int rc = app.exec();
    server.stop();
    if (logFile != stdout)
        std::fclose(logFile);
    return rc;
}
