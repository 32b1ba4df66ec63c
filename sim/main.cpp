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

// The command line: its options, each with what --help says of it.
struct CommandLine {
    QCommandLineParser parser;
    const QCommandLineOption bindOpt{QStringLiteral("bind"),
                                     QStringLiteral("Address to listen on, for TCP and discovery (default "
                                                    "127.0.0.1; 0.0.0.0 for every interface)."),
                                     QStringLiteral("address"), QStringLiteral("127.0.0.1")};
    const QCommandLineOption tcpOpt{QStringLiteral("tcp"),
                                    QStringLiteral("Serve TCP on this port; 0 picks a free one."),
                                    QStringLiteral("port")};
    const QCommandLineOption ptyOpt{
        QStringLiteral("pty"),
        QStringLiteral("Serve a serial line on a pseudo-terminal and print its path.")};
    const QCommandLineOption baudOpt{
        QStringLiteral("baud"),
        QStringLiteral("Line rate of the pseudo-terminal (default 9600); the mixer stays silent "
                       "while the client's line is set otherwise (8N1 required)."),
        QStringLiteral("rate"), QStringLiteral("9600")};
    const QCommandLineOption discoveryOpt{
        QStringLiteral("discovery"), QStringLiteral("Answer the UDP discovery broadcast on --bind's address "
                                                    "and its network's broadcast address.")};
    const QCommandLineOption discoveryPortOpt{
        QStringLiteral("discovery-port"),
        QStringLiteral("UDP port of the discovery responder (default 30303; 0 picks a free one)."),
        QStringLiteral("port"), QStringLiteral("30303")};
    const QCommandLineOption discoveryFromOpt{
        QStringLiteral("discovery-from"),
        QStringLiteral("Send discovery answers from this address (for example 127.0.0.2)."),
        QStringLiteral("address")};
    const QCommandLineOption nameOpt{QStringLiteral("name"), QStringLiteral("Name in the discovery answer."),
                                     QStringLiteral("name")};
    const QCommandLineOption macOpt{
        QStringLiteral("mac"), QStringLiteral("MAC address in the discovery answer."), QStringLiteral("mac")};
    const QCommandLineOption firmwareOpt{
        QStringLiteral("firmware"),
        QStringLiteral("Software version the mixer reports, four characters (default 1.05). "
                       "1.04 and lower refuse label queries."),
        QStringLiteral("x.yy"), QStringLiteral("1.05")};
    const QCommandLineOption keyOpt{QStringLiteral("key"),
                                    QStringLiteral("Installer key, four digits 1 to 8 (default 1234)."),
                                    QStringLiteral("key"), QStringLiteral("1234")};
    const QCommandLineOption stateOpt{
        QStringLiteral("state"),
        QStringLiteral("Load the mixer's configuration from a settings file (.hzc)."),
        QStringLiteral("file")};
    const QCommandLineOption demoOpt{QStringLiteral("demo-state"),
                                     QStringLiteral("Start with a built-in demonstration configuration.")};
    const QCommandLineOption refuseOpt{
        QStringLiteral("refuse"),
        QStringLiteral(
            "Refuse the next N commands matching PATTERN (\"PATTERN:N\", N default 1). Repeatable."),
        QStringLiteral("pattern[:n]")};
    const QCommandLineOption silentOpt{QStringLiteral("silent"),
                                       QStringLiteral("Never answer commands matching PATTERN. Repeatable."),
                                       QStringLiteral("pattern")};
    const QCommandLineOption lateOpt{
        QStringLiteral("late"),
        QStringLiteral(
            "Answer commands matching PATTERN 1.1 s late, just over the reply time-out. Repeatable."),
        QStringLiteral("pattern")};
    const QCommandLineOption junkOpt{
        QStringLiteral("junk"),
        QStringLiteral("Answer commands matching PATTERN with their own head and a value of a NUL and bytes "
                       "that are no UTF-8. Repeatable."),
        QStringLiteral("pattern")};
    const QCommandLineOption fragmentOpt{
        QStringLiteral("fragment"),
        QStringLiteral("Send replies in pieces of BYTES bytes with MS milliseconds between them."),
        QStringLiteral("bytes:ms")};
    const QCommandLineOption delayOpt{QStringLiteral("delay"),
                                      QStringLiteral("Wait MS milliseconds before every reply."),
                                      QStringLiteral("ms")};
    const QCommandLineOption dropOpt{QStringLiteral("drop-after"),
                                     QStringLiteral("Close the TCP connection after N commands (once)."),
                                     QStringLiteral("n")};
    const QCommandLineOption logOpt{
        QStringLiteral("log"), QStringLiteral("Append the command log to FILE instead of standard output."),
        QStringLiteral("file")};
    const QCommandLineOption quietOpt{QStringLiteral("quiet"), QStringLiteral("Do not log commands.")};

    CommandLine() {
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
        for (const QCommandLineOption *o :
             {&bindOpt,          &tcpOpt,    &ptyOpt,    &baudOpt,     &discoveryOpt, &discoveryPortOpt,
              &discoveryFromOpt, &nameOpt,   &macOpt,    &firmwareOpt, &keyOpt,       &stateOpt,
              &demoOpt,          &refuseOpt, &silentOpt, &lateOpt,     &junkOpt,      &fragmentOpt,
              &delayOpt,         &dropOpt,   &logOpt,    &quietOpt})
            parser.addOption(*o);
    }
    bool isSet(const QCommandLineOption &o) const { return parser.isSet(o); }
    QString value(const QCommandLineOption &o) const { return parser.value(o); }
};

// Where the mixer serves: TCP, the pseudo-terminal, the discovery. An error text, or none.
QString readEndpoints(const CommandLine &c, hzm::sim::SimOptions &options) {
    options.bindAddress = QHostAddress(c.value(c.bindOpt));
    if (options.bindAddress.isNull())
        return QStringLiteral("--bind: not an address: %1").arg(c.value(c.bindOpt));
    const bool anyTransport = c.isSet(c.tcpOpt) || c.isSet(c.ptyOpt) || c.isSet(c.discoveryOpt);
    options.tcpPort = anyTransport ? -1 : hzm::sim::SimOptions::kDefaultTcpPort;
    if (c.isSet(c.tcpOpt) && !parsePort(c.value(c.tcpOpt), options.tcpPort))
        return QStringLiteral("--tcp: not a port: %1").arg(c.value(c.tcpOpt));
    options.pty = c.isSet(c.ptyOpt);
    bool ok = false;
    options.baudRate = c.value(c.baudOpt).toInt(&ok);
    if (!ok || options.baudRate <= 0)
        return QStringLiteral("--baud: not a rate: %1").arg(c.value(c.baudOpt));
    if (c.isSet(c.discoveryOpt) || c.isSet(c.discoveryPortOpt) || c.isSet(c.discoveryFromOpt)) {
        if (!parsePort(c.value(c.discoveryPortOpt), options.discoveryPort))
            return QStringLiteral("--discovery-port: not a port: %1").arg(c.value(c.discoveryPortOpt));
    }
    if (c.isSet(c.discoveryFromOpt)) {
        options.discoveryFrom = QHostAddress(c.value(c.discoveryFromOpt));
        if (options.discoveryFrom.isNull())
            return QStringLiteral("--discovery-from: not an address: %1").arg(c.value(c.discoveryFromOpt));
    }
    if (c.isSet(c.nameOpt))
        options.name = c.value(c.nameOpt);
    if (c.isSet(c.macOpt))
        options.macAddress = c.value(c.macOpt);
    return {};
}

// The faults to inject. An error text, or none.
QString readFaults(const CommandLine &c, hzm::sim::FaultSettings &faults) {
    for (const QString &text : c.parser.values(c.refuseOpt)) {
        hzm::sim::RefuseRule rule;
        if (!parseRefusal(text, rule))
            return QStringLiteral("--refuse: PATTERN or PATTERN:N expected: %1").arg(text);
        faults.refuse.append(rule);
    }
    faults.silent = c.parser.values(c.silentOpt);
    faults.late = c.parser.values(c.lateOpt);
    faults.junk = c.parser.values(c.junkOpt);
    if (c.isSet(c.fragmentOpt)) {
        const QStringList parts = c.value(c.fragmentOpt).split(QLatin1Char(':'));
        bool ok1 = false, ok2 = true;
        faults.fragmentBytes = parts.value(0).toInt(&ok1);
        if (parts.size() > 1)
            faults.fragmentDelayMs = parts.at(1).toInt(&ok2);
        if (parts.size() > 2 || !ok1 || !ok2 || faults.fragmentBytes <= 0 || faults.fragmentDelayMs < 0)
            return QStringLiteral("--fragment: BYTES:MS expected: %1").arg(c.value(c.fragmentOpt));
    }
    bool ok = false;
    if (c.isSet(c.delayOpt)) {
        faults.replyDelayMs = c.value(c.delayOpt).toInt(&ok);
        if (!ok || faults.replyDelayMs < 0)
            return QStringLiteral("--delay: milliseconds expected: %1").arg(c.value(c.delayOpt));
    }
    if (c.isSet(c.dropOpt)) {
        faults.dropAfterCommands = c.value(c.dropOpt).toInt(&ok);
        if (!ok || faults.dropAfterCommands <= 0)
            return QStringLiteral("--drop-after: a positive number expected: %1").arg(c.value(c.dropOpt));
    }
    return {};
}

// The mixer itself: its software version, installer key, faults and configuration. An error
// text, or none.
QString setUpMixer(const CommandLine &c, hzm::sim::SimMixer &mixer) {
    const QString version = c.value(c.firmwareOpt);
    if (version.size() != 4)
        return QStringLiteral("--firmware: four characters such as 1.05 expected: %1").arg(version);
    const QString key = c.value(c.keyOpt);
    if (key.size() != 4 ||
        !std::all_of(key.begin(), key.end(), [](QChar ch) { return ch >= u'1' && ch <= u'8'; }))
        return QStringLiteral("--key: four digits 1 to 8 expected: %1").arg(key);
    hzm::sim::FaultSettings faults;
    const QString faultError = readFaults(c, faults);
    if (!faultError.isEmpty())
        return faultError;
    mixer.setSoftwareVersion(version);
    mixer.setInstallerKey(key);
    mixer.setFaults(faults);
    if (c.isSet(c.demoOpt))
        mixer.setSettings(hzm::sim::SimMixer::demoSettings());
    if (c.isSet(c.stateOpt)) {
        const QString path = c.value(c.stateOpt);
        hzm::MixerSettings settings;
        hzm::ModifiedFlag modified;
        QString error;
        QStringList lines;
        if (!hzm::LoadSettingsFile(path, settings, modified, &error, &lines))
            return QStringLiteral("--state: %1").arg(error.isEmpty() ? path : error);
        // The reader takes any 35 lines of text; a log or a text export is no configuration.
        if (const int line = hzm::foreignSettingsLine(lines))
            return QStringLiteral("--state: %1 is not a settings file: line %2 is not a settings line")
                .arg(path)
                .arg(line);
        mixer.setSettings(settings);
    }
    return {};
}

// "tcp: ...", "pty: ...", "discovery: ..." and "ready", for whoever started the mixer.
void printEndpoints(const hzm::sim::SimServer &server, const hzm::sim::SimOptions &options) {
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
}

} // namespace

int main(int argc, char *argv[]) {
    const hzm::StandardStreams streams;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hzm-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HZM_VERSION));

    CommandLine c;
    QCommandLineParser &parser = c.parser;
    if (!parser.parse(app.arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    hzm::sim::SimOptions options;
    QString error = readEndpoints(c, options);
    if (!error.isEmpty())
        return fail(error);
    hzm::sim::SimServer server(options);
    hzm::sim::SimMixer &mixer = server.mixer();
    error = setUpMixer(c, mixer);
    if (!error.isEmpty())
        return fail(error);

    std::FILE *logFile = stdout;
    if (c.isSet(c.logOpt)) {
        logFile = std::fopen(QFile::encodeName(c.value(c.logOpt)).constData(), "a");
        if (!logFile)
            return fail(QStringLiteral("--log: cannot open %1").arg(c.value(c.logOpt)));
    }
    if (!c.isSet(c.quietOpt)) {
        mixer.setLogSink([logFile](const hzm::sim::LogEntry &entry) {
            std::fprintf(logFile, "%s\n", entry.toText().toUtf8().constData());
            std::fflush(logFile);
        });
    }

    if (!server.start())
        return fail(server.errorString());
    printEndpoints(server, options);
    // Whoever waits for "ready" may stop the mixer at once: catch the signals before saying so.
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::printf("version %s, key %s\nready\n", qPrintable(mixer.softwareVersion()),
                qPrintable(mixer.installerKey()));
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
