#include "Cli.h"

#include "SettingsView.h"
#include "TransferRunner.h"

#include "discovery/Discovery.h"
#include "discovery/DiscoveryModel.h"
#include "files/SettingsFile.h"
#include "files/TextExport.h"
#include "link/LinkSelection.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"
#include "model/MixerSettings.h"
#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace hzm::cli {

namespace {

// ---- Output

int g_outputError = 0; // errno of the first failed write to standard output

void printOut(const QString &text) {
    if ((std::fputs(text.toUtf8().constData(), stdout) < 0 || std::fflush(stdout) != 0) && !g_outputError)
        g_outputError = errno ? errno : EIO;
}

void printErr(const QString &text) {
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

// ---- Help

const char kToolHelp[] = R"(Usage: hzmctl [LINK] COMMAND [ARGS]

Reads, sends, checks and finds HZM-1 / HZM-1e mixers from the shell, through the same
code as the desktop program.

Link (for the commands that talk to a mixer):
  --tcp HOST[:PORT]   TCP link, port 4999 unless given
  --serial PORT       serial link: COM1..COM10 or a device path (/dev/ttyUSB0, a pty)
  --baud RATE         19200, 9600, 4800, 2400, 1200 or 300; without it the rate is
                      detected as the desktop program does, falling back to 9600
  --log               print every command and reply to standard error, as the log
                      window shows them (the installer key masked)

Commands:
  version                  print the mixer's software version
  read FILE [--partial]    Read all, then save the settings file FILE
  send FILE [--only PART]  load the settings file, then Send all (or only PART:
                           outputs, inputs, system, output N (1..12), input N (1..8))
  set-defaults             the mixer restores its factory defaults
  reset                    the mixer restarts
  key OLD NEW              change the installer key (four digits 1 to 8 each)
  detect                   (serial) print the detected baud rate
  discover [--timeout MS] [--broadcast ADDR] [--interface ADDR]
           [--discovery-port N] [--json]
                           list the mixers answering the UDP discovery
  new FILE                 write a settings file of factory defaults
  export FILE OUT          write the text export of settings file FILE to OUT
  show FILE [--json]       print a settings file readably, or as JSON
  verify FILE              Read all and list the fields that differ from FILE

"hzmctl COMMAND --help" describes one command.

Exit status: 0 success; 1 the transfer or operation failed ("Transfer failed." and
the reason on standard error), or verify found differences; 2 bad usage or
unreadable input (the message names the file, port or address).
Long transfers show a progress line (commands done/planned) on standard error when
it is a terminal. Nothing else is printed on success beyond the result.
)";

struct CommandInfo {
    const char *name;
    const char *usage;
    const char *help;
    int minArgs;
    int maxArgs;
    bool needsLink;
    QStringList options; // command options besides the link options
};

const char kShowJsonHelp[] = R"(
JSON (format "hzm-settings", format_version 1; members are only ever added):
  {"format": "hzm-settings", "format_version": 1,
   "outputs": [ {"kind": "zone"|"group", "number": N, "name": TEXT,
                 "stereo": BOOL (zones 1 and 2 only), "select_input": 1..8 | "off",
                 "level_db": -61..0 | "mute",
                 "max_level_db": -62..0, "min_level_db": -61..0 | "mute"   (zones),
                 "mic_inputs": [MIC...], "mic_priority": [MIC...], "line_inputs": [LINE...],
                 "priority_input": 1..8 | "none",
                 "treble_db", "mid_db", "bass_db": -14..14, "page_priority":
                 "OFF"|"VOX"|"ACCESS"   (zones),
                 "members": [ZONE...], "enabled": BOOL   (groups)} ... 12 entries,
                 zones 1-8 then groups 1-4 ],
   "inputs": [ {"number": N, "name": TEXT, "gain_db": -12..12} ... 8 entries ],
   "system": {"power_up_mode": "Factory"|"Default"|"Last", "remote_zone_offset": 0..120,
              "paging_mic_offset": 0..15, "access_contacts": "Input"|"Output",
              "paging_priority_attenuation_db": -46..0, "paging_priority_hold_s": 1..12,
              "paging_priority_release_s": 1..12, "mic_priority_attenuation_db": -46..0,
              "mic_priority_hold_s": 1..12, "mic_priority_release_s": 1..12,
              "mic_gates": [MIC...], "line_priority_hold_s": 1..12,
              "line_priority_release_s": 1..12, "mute_contacts": "N/O"|"N/C",
              "mute_source": "OFF"|"Input N"|"Mic N", "mute_level_db": -69..0}}
  Lists hold the numbers that are on. A value outside its range in the file is null.
)";

const char kDiscoverJsonHelp[] = R"(
Output: one line per mixer, fields separated by tabs: address, name, MAC address,
description. With --json (format "hzm-discovery", format_version 1):
  {"format": "hzm-discovery", "format_version": 1,
   "mixers": [ {"address": "192.168.0.100", "name": TEXT, "mac": TEXT,
                "description": TEXT} ... ]}
Exit status 1 when no mixer answered (the JSON list is then empty).
)";

const QList<CommandInfo> &commands() {
    static const QList<CommandInfo> list{
        {"version",
         "version",
         "Asks the mixer for its software version and prints it (\"1.05\").\n",
         0,
         0,
         true,
         {}},
        {"read",
         "read FILE [--partial]",
         "Reads the whole configuration from the mixer (Read all) and saves it as the settings\n"
         "file FILE. When the transfer fails part-way nothing is written, unless --partial is\n"
         "given: then what was read so far (the rest at the factory defaults) is saved.\n"
         "FILE is replaced only once the new file is complete.\n",
         1,
         1,
         true,
         {QStringLiteral("partial")}},
        {"send",
         "send FILE [--only outputs|inputs|system|output N|input N]",
         "Loads the settings file FILE and sends it to the mixer: everything (Send all, with the\n"
         "mixer's pauses after each output and input), or only the part named by --only:\n"
         "  outputs     zones 1-8 and groups 1-4\n"
         "  inputs      inputs 1-8\n"
         "  system      the system settings\n"
         "  output N    one output, N = 1..12 (9..12 are groups 1-4)\n"
         "  input N     one input, N = 1..8\n",
         1,
         1,
         true,
         {QStringLiteral("only")}},
        {"set-defaults",
         "set-defaults",
         "Tells the mixer to restore its own factory defaults (\"SY,SD\").\n",
         0,
         0,
         true,
         {}},
        {"reset", "reset", "Tells the mixer to restart (\"SY,R\").\n", 0, 0, true, {}},
        {"key",
         "key OLD NEW",
         "Changes the mixer's installer key from OLD to NEW. Each key is exactly four digits,\n"
         "each 1 to 8, checked as the Installer Key tab does before anything is sent. The keys\n"
         "are masked in the --log output.\n",
         2,
         2,
         true,
         {}},
        {"detect",
         "detect",
         "Detects the baud rate of the mixer on the --serial port, as the desktop program does\n"
         "when a port is chosen, and prints it. Exit status 1 when no mixer answered at any rate\n"
         "(the desktop program then takes the port at 9600).\n",
         0,
         0,
         true,
         {}},
        {"discover",
         "discover [--timeout MS] [--broadcast ADDR] [--interface ADDR] [--discovery-port N] [--json]",
         "Broadcasts the discovery question and lists the mixers that answer within MS\n"
         "milliseconds (default 2000). By default the question goes out on every IPv4 interface\n"
         "of this machine, as the desktop program does.\n"
         "  --interface ADDR   ask only from this local address (repeatable)\n"
         "  --broadcast ADDR   ask only on this broadcast address (for example\n"
         "                     127.255.255.255 together with --interface 127.0.0.2)\n"
         "  --discovery-port N ask on this UDP port instead of 30303 (hzm-sim --discovery-port)\n",
         0,
         0,
         false,
         {QStringLiteral("timeout"), QStringLiteral("broadcast"), QStringLiteral("interface"),
          QStringLiteral("discovery-port"), QStringLiteral("json")}},
        {"new", "new FILE", "Writes a settings file holding the factory defaults.\n", 1, 1, false, {}},
        {"export",
         "export FILE OUT",
         "Writes the text export of the settings file FILE to OUT: every command Send all would\n"
         "send, one per line, exactly as the desktop program's Export Text writes it.\n",
         2,
         2,
         false,
         {}},
        {"show",
         "show FILE [--json]",
         "Prints the settings file FILE readably: every output, input and system setting with\n"
         "names, dB values and on/off; or, with --json, as the JSON document described below.\n",
         1,
         1,
         false,
         {QStringLiteral("json")}},
        {"verify",
         "verify FILE",
         "Reads the whole configuration from the mixer and prints one line for every field\n"
         "that differs from the settings file FILE:\n"
         "  Zone 1 Level: file -20 dB, mixer -61 dB\n"
         "Exit status 0 when nothing differs, 1 when something does or the transfer failed.\n"
         "Mixers of version 1.04 and older do not report names; names are then not compared.\n",
         1,
         1,
         true,
         {}},
    };
    return list;
}

const CommandInfo *findCommand(const QString &name) {
    for (const CommandInfo &c : commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString commandHelp(const CommandInfo &c) {
    QString text = QStringLiteral("Usage: hzmctl %1%2\n\n")
                       .arg(c.needsLink ? QStringLiteral("LINK ") : QString(), QString::fromLatin1(c.usage));
    text += QString::fromLatin1(c.help);
    if (c.needsLink)
        text += QStringLiteral(
            "\nLINK: --tcp HOST[:PORT] | --serial PORT [--baud RATE], and --log to print every\n"
            "command and reply on standard error (see hzmctl --help).\n");
    if (QLatin1String(c.name) == QLatin1String("show"))
        text += QString::fromLatin1(kShowJsonHelp);
    if (QLatin1String(c.name) == QLatin1String("discover"))
        text += QString::fromLatin1(kDiscoverJsonHelp);
    text += QStringLiteral("\nExit status: 0 success, 1 failed, 2 bad usage or unreadable input.\n");
    return text;
}

// ---- Arguments

struct UsageError {
    QString message;
};

struct Arguments {
    QString tcp;
    QString serial;
    QString baud;
    bool log = false;
    bool help = false;
    QString command;
    QStringList positional;
    QMap<QString, QStringList> options; // command options: name -> values ("" for flags)
};

const QStringList kValueOptions{QStringLiteral("tcp"),       QStringLiteral("serial"),
                                QStringLiteral("baud"),      QStringLiteral("only"),
                                QStringLiteral("timeout"),   QStringLiteral("broadcast"),
                                QStringLiteral("interface"), QStringLiteral("discovery-port")};

std::optional<UsageError> parseArguments(const QStringList &args, Arguments &out) {
    bool onlyPositional = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (onlyPositional || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (out.command.isEmpty())
                out.command = arg;
            else
                out.positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            onlyPositional = true;
            continue;
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            out.help = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")))
            return UsageError{QStringLiteral("unknown option %1").arg(arg)};
        QString name = arg.mid(2);
        std::optional<QString> value;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        const bool takesValue = kValueOptions.contains(name);
        if (takesValue && !value) {
            if (i + 1 >= args.size())
                return UsageError{QStringLiteral("--%1 needs a value").arg(name)};
            value = args.at(++i);
        }
        if (!takesValue && value)
            return UsageError{QStringLiteral("--%1 takes no value").arg(name)};
        if (name == QLatin1String("tcp"))
            out.tcp = *value;
        else if (name == QLatin1String("serial"))
            out.serial = *value;
        else if (name == QLatin1String("baud"))
            out.baud = *value;
        else if (name == QLatin1String("log"))
            out.log = true;
        else {
            const CommandInfo *command = findCommand(out.command);
            if (!command || !command->options.contains(name)) {
                if (command)
                    return UsageError{QStringLiteral("%1: unknown option --%2").arg(out.command, name)};
                return UsageError{QStringLiteral("unknown option --%1").arg(name)};
            }
            QString v = value.value_or(QString());
            // "--only output N" and "--only input N": the number is the next argument.
            if (name == QLatin1String("only") &&
                (v == QLatin1String("output") || v == QLatin1String("input")) && i + 1 < args.size() &&
                !args.at(i + 1).startsWith(QLatin1String("--")))
                v += QLatin1Char(' ') + args.at(++i);
            out.options[name] << v;
        }
    }
    return std::nullopt;
}

// ---- The link

struct LinkChoice {
    LinkSelection selection;
    bool serial = false;
    bool baudGiven = false;
};

// Parses --tcp HOST[:PORT].
std::optional<UsageError> parseTcp(const QString &text, LinkSelection &selection) {
    QString host = text;
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return UsageError{QStringLiteral("--tcp: not an address: %1").arg(text)};
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return UsageError{QStringLiteral("--tcp: not an address: %1").arg(text)};
            portText = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        portText = text.section(QLatin1Char(':'), 1);
        if (portText.isEmpty()) // "HOST:" is a port left out, not the default port
            return UsageError{QStringLiteral("--tcp: no port after the colon in %1").arg(text)};
    }
    quint16 port = LinkSelection::kDefaultTcpPort;
    if (!portText.isNull()) {
        bool ok = false;
        const int value = portText.toInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return UsageError{QStringLiteral("--tcp: not a TCP port: %1 (in %2)").arg(portText, text)};
        port = quint16(value);
    }
    if (host.isEmpty())
        return UsageError{QStringLiteral("--tcp: no host in %1").arg(text)};
    QHostAddress address(host);
    if (address.isNull()) {
        const QHostInfo info = QHostInfo::fromName(host);
        for (const QHostAddress &candidate : info.addresses()) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
                address = candidate;
                break;
            }
        }
        if (address.isNull() && !info.addresses().isEmpty())
            address = info.addresses().first();
        if (address.isNull())
            return UsageError{QStringLiteral("--tcp: cannot find the host %1%2")
                                  .arg(host, info.errorString().isEmpty()
                                                 ? QString()
                                                 : QStringLiteral(": ") + info.errorString())};
    }
    selection.ethernetSelected = true;
    selection.address = address;
    selection.port = port;
    return std::nullopt;
}

std::optional<UsageError> parseLink(const Arguments &a, LinkChoice &choice) {
    if (!a.tcp.isEmpty() && !a.serial.isEmpty())
        return UsageError{QStringLiteral("give either --tcp or --serial, not both")};
    if (!a.baud.isEmpty()) {
        bool ok = false;
        const int rate = a.baud.toInt(&ok);
        if (!ok || !supportedBaudRates().contains(rate))
            return UsageError{
                QStringLiteral("--baud: %1 is not a rate of the mixer (19200, 9600, 4800, 2400, 1200 or 300)")
                    .arg(a.baud)};
        if (a.serial.isEmpty())
            return UsageError{QStringLiteral("--baud needs --serial")};
        choice.selection.baudRate = rate;
        choice.baudGiven = true;
    }
    if (!a.tcp.isEmpty())
        return parseTcp(a.tcp, choice.selection);
    if (!a.serial.isEmpty()) {
        static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = com.match(a.serial);
        if (m.hasMatch()) {
            const int n = m.captured(1).toInt();
            if (n < 1 || n > 10)
                return UsageError{
                    QStringLiteral(
                        "--serial: %1: COM ports are COM1 to COM10; give any other port as a device path")
                        .arg(a.serial)};
            choice.selection.comPort = n;
        } else {
            choice.selection.serialDevice = a.serial;
        }
        choice.selection.comSelected = true;
        choice.serial = true;
    }
    return std::nullopt;
}

// ---- Commands

class Runner {
public:
    explicit Runner(Arguments args) : a(std::move(args)) {}
    int run();

private:
    int usage(const QString &message) const;
    int fail(const QString &message) const; // exit 2 with a message
    int transferFailed(const TransferResult &outcome, const QString &extra = QString()) const;
    bool prepareLink(int &status);
    bool loadFile(const QString &path, MixerSettings &settings, int &status) const;
    TransferResult transfer(MixerSettings &settings, const TransferJob &job) const;

    int cmdVersion();
    int cmdRead();
    int cmdSend();
    int cmdSingle(const TransferJob &job);
    int cmdKey();
    int cmdDetect();
    int cmdDiscover();
    int cmdNew();
    int cmdExport();
    int cmdShow();
    int cmdVerify();

    Arguments a;
    const CommandInfo *info = nullptr;
    LinkChoice link;
};

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

bool Runner::loadFile(const QString &path, MixerSettings &settings, int &status) const {
    ModifiedFlag modified;
    QString error;
    const QFileInfo fi(path);
    if (!fi.exists()) {
        status = fail(QStringLiteral("cannot read %1: no such file").arg(path));
        return false;
    }
    if (fi.isDir()) {
        status = fail(QStringLiteral("cannot read %1: it is a folder").arg(path));
        return false;
    }
    if (!LoadSettingsFile(path, settings, modified, &error)) {
        status = fail(QStringLiteral("%1 is not a readable settings file%2")
                          .arg(path, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        return false;
    }
    // The reader takes any 35 lines of text; a log or a text export given by mistake would be sent
    // to the mixer as settings. A settings file starts with its header line.
    QFile file(path);
    QByteArray first;
    if (file.open(QIODevice::ReadOnly))
        first = file.readLine(256);
    if (first.startsWith("\xEF\xBB\xBF"))
        first.remove(0, 3);
    if (QString::fromUtf8(first).trimmed() != SettingsFileHeader()) {
        status = fail(QStringLiteral("%1 is not a settings file: its first line is not \"%2\"")
                          .arg(path, SettingsFileHeader()));
        return false;
    }
    return true;
}

// Checks the serial port and finds its rate unless --baud was given.
bool Runner::prepareLink(int &status) {
    if (!link.selection.anySelected()) {
        status = usage(QStringLiteral("no link given: use --tcp HOST[:PORT] or --serial PORT"));
        return false;
    }
    if (!link.serial)
        return true;
    const QString port = link.selection.serialPortName();
    if (link.baudGiven) {
        QString error;
        if (!checkSerialPortUsable(port, &error)) {
            status = fail(
                QStringLiteral("serial port %1: %2 (%3)").arg(port, QLatin1String(kPortBusyMessage), error));
            return false;
        }
        return true;
    }
    const PortProbeResult result = probeSerialPort(port);
    switch (result.outcome) {
    case PortProbeOutcome::Busy:
        status = fail(QStringLiteral("serial port %1: %2 (%3)")
                          .arg(port, QLatin1String(kPortBusyMessage), result.error));
        return false;
    case PortProbeOutcome::NotFound:
        printErr(QStringLiteral("hzmctl %1: %2: %3\n")
                     .arg(QLatin1String(info->name), port, QLatin1String(kBaudNotDetectedMessage)));
        break;
    case PortProbeOutcome::Found:
        break;
    }
    link.selection.baudRate = result.baudRate;
    return true;
}

TransferResult Runner::transfer(MixerSettings &settings, const TransferJob &job) const {
    RunOptions options;
    options.printLog = a.log;
    options.showProgress = ErrorStream::isTerminal() && job.plannedCommands > 1;
    return RunTransfer(link.selection, settings, job, options);
}

int Runner::run() {
    if (a.command.isEmpty()) {
        if (a.help) {
            printOut(QString::fromLatin1(kToolHelp));
            return ExitSuccess;
        }
        return usage(QStringLiteral("no command given"));
    }
    info = findCommand(a.command);
    if (!info)
        return usage(QStringLiteral("unknown command %1").arg(a.command));
    if (a.help) {
        printOut(commandHelp(*info));
        return ExitSuccess;
    }
    if (a.positional.size() < info->minArgs)
        return usage(QStringLiteral("missing argument"));
    if (a.positional.size() > info->maxArgs)
        return usage(QStringLiteral("unexpected argument %1").arg(a.positional.at(info->maxArgs)));
    for (auto it = a.options.cbegin(); it != a.options.cend(); ++it)
        if (it.value().size() > 1 && it.key() != QLatin1String("interface"))
            return usage(QStringLiteral("--%1 given twice").arg(it.key()));
    if (const auto error = parseLink(a, link))
        return usage(error->message);
    if (!info->needsLink && link.selection.anySelected())
        return usage(QStringLiteral("works without a link; leave out --tcp and --serial"));
    if (info->needsLink && QLatin1String(info->name) != QLatin1String("detect") &&
        QLatin1String(info->name) != QLatin1String("key")) {
        int status = 0;
        if (!prepareLink(status))
            return status;
    }

    const QString name = QLatin1String(info->name);
    if (name == QLatin1String("version"))
        return cmdVersion();
    if (name == QLatin1String("read"))
        return cmdRead();
    if (name == QLatin1String("send"))
        return cmdSend();
    if (name == QLatin1String("set-defaults"))
        return cmdSingle(SetDefaultsJob());
    if (name == QLatin1String("reset"))
        return cmdSingle(ResetJob());
    if (name == QLatin1String("key"))
        return cmdKey();
    if (name == QLatin1String("detect"))
        return cmdDetect();
    if (name == QLatin1String("discover"))
        return cmdDiscover();
    if (name == QLatin1String("new"))
        return cmdNew();
    if (name == QLatin1String("export"))
        return cmdExport();
    if (name == QLatin1String("show"))
        return cmdShow();
    return cmdVerify();
}

int Runner::cmdVersion() {
    MixerSettings settings;
    const TransferResult outcome = transfer(settings, GetVersionJob());
    if (!outcome.success)
        return transferFailed(outcome);
    printOut(settings.softwareVersion + QLatin1Char('\n'));
    return ExitSuccess;
}

int Runner::cmdSingle(const TransferJob &job) {
    MixerSettings settings;
    const TransferResult outcome = transfer(settings, job);
    return outcome.success ? int(ExitSuccess) : transferFailed(outcome);
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

int Runner::cmdRead() {
    const QString path = a.positional.at(0);
    const bool partial = a.options.contains(QStringLiteral("partial"));
    QString why;
    if (!writableTarget(path, why))
        return fail(why);
    MixerSettings settings;
    const TransferResult outcome = transfer(settings, ReadAllJob(settings));
    ModifiedFlag modified;
    QString error;
    if (!outcome.success) {
        if (!outcome.linkOpened || !partial)
            return transferFailed(
                outcome,
                outcome.linkOpened
                    ? QStringLiteral("nothing written to %1 (--partial saves what was read)").arg(path)
                    : QStringLiteral("nothing written to %1").arg(path));
        if (!SaveSettingsFile(path, settings, modified, &error))
            return transferFailed(outcome, QStringLiteral("cannot save %1: %2").arg(path, error));
        return transferFailed(
            outcome, QStringLiteral("saved what was read to %1; the rest holds factory defaults").arg(path));
    }
    if (!SaveSettingsFile(path, settings, modified, &error)) {
        printErr(QStringLiteral("hzmctl read: cannot save %1: %2\n").arg(path, error));
        return ExitFailed;
    }
    return ExitSuccess;
}

int Runner::cmdSend() {
    MixerSettings settings;
    int status = 0;
    // Check --only before loading anything.
    const QString only = a.options.value(QStringLiteral("only")).value(0);
    enum { All, Outputs, Inputs, System, Output, Input } part = All;
    int number = 0;
    if (a.options.contains(QStringLiteral("only"))) {
        const QStringList words = only.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString word = words.value(0);
        bool ok = true;
        if (word == QLatin1String("outputs") && words.size() == 1)
            part = Outputs;
        else if (word == QLatin1String("inputs") && words.size() == 1)
            part = Inputs;
        else if (word == QLatin1String("system") && words.size() == 1)
            part = System;
        else if (word == QLatin1String("output") && words.size() == 2) {
            part = Output;
            number = words.at(1).toInt(&ok);
            if (!ok || number < 1 || number > kOutputCount)
                return usage(QStringLiteral("--only output N: N is 1 to 12, not %1").arg(words.at(1)));
        } else if (word == QLatin1String("input") && words.size() == 2) {
            part = Input;
            number = words.at(1).toInt(&ok);
            if (!ok || number < 1 || number > kInputCount)
                return usage(QStringLiteral("--only input N: N is 1 to 8, not %1").arg(words.at(1)));
        } else if (word == QLatin1String("output") || word == QLatin1String("input")) {
            return usage(QStringLiteral("--only %1 needs a number").arg(word));
        } else {
            return usage(QStringLiteral("--only: not a part: %1 (outputs, inputs, system, output N, input N)")
                             .arg(only));
        }
    }
    if (!loadFile(a.positional.at(0), settings, status))
        return status;
    TransferJob job;
    switch (part) {
    case All:
        job = SendAllJob(settings);
        break;
    case Outputs:
        job = SendAllOutputsJob(settings);
        break;
    case Inputs:
        job = SendAllInputsJob();
        break;
    case System:
        job = SendSystemJob();
        break;
    case Output:
        settings.selectedOutput = number - 1;
        job = SendOutputJob(settings);
        break;
    case Input:
        settings.selectedInput = number - 1;
        job = SendInputJob(settings);
        break;
    }
    const TransferResult outcome = transfer(settings, job);
    return outcome.success ? int(ExitSuccess) : transferFailed(outcome);
}

int Runner::cmdKey() {
    const QString oldKey = a.positional.at(0);
    const QString newKey = a.positional.at(1);
    // The page reads at most 31 characters of each box.
    const InstallerKeyCheck check = CheckInstallerKeys(oldKey.left(31), newKey.left(31), newKey.left(31));
    if (!check.ok()) {
        QString message = check.message;
        message.replace(QStringLiteral("\n "), QStringLiteral(" "))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        return usage(message);
    }
    int status = 0;
    if (!prepareLink(status))
        return status;
    return cmdSingle(ChangeInstallerKeyJob(oldKey, newKey));
}

int Runner::cmdDetect() {
    if (!link.serial)
        return usage(QStringLiteral("needs a serial link: --serial PORT"));
    const QString port = link.selection.serialPortName();
    const PortProbeResult result = probeSerialPort(port);
    switch (result.outcome) {
    case PortProbeOutcome::Busy:
        return fail(QStringLiteral("serial port %1: %2 (%3)")
                        .arg(port, QLatin1String(kPortBusyMessage), result.error));
    case PortProbeOutcome::NotFound:
        printErr(QStringLiteral("hzmctl detect: %1: %2\n").arg(port, QLatin1String(kBaudNotDetectedMessage)));
        return ExitFailed;
    case PortProbeOutcome::Found:
        break;
    }
    printOut(QString::number(result.baudRate) + QLatin1Char('\n'));
    return ExitSuccess;
}

std::optional<quint32> parseIpv4(const QString &text) {
    QHostAddress address;
    if (!address.setAddress(text) || address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return address.toIPv4Address();
}

// The prefix mask under which address broadcasts to broadcast, if any.
std::optional<quint32> maskFor(quint32 address, quint32 broadcast) {
    for (int prefix = 32; prefix >= 0; --prefix) {
        const quint32 mask = prefix == 0 ? 0u : ~quint32(0) << (32 - prefix);
        if (DiscoveryInterface{address, mask}.broadcast() == broadcast)
            return mask;
    }
    return std::nullopt;
}

QString dotted(quint32 address) {
    return QHostAddress(address).toString();
}

int Runner::cmdDiscover() {
    int timeout = 2000;
    if (a.options.contains(QStringLiteral("timeout"))) {
        bool ok = false;
        timeout = a.options.value(QStringLiteral("timeout")).value(0).toInt(&ok);
        if (!ok || timeout < 0 || timeout > 600000)
            return usage(QStringLiteral("--timeout: milliseconds from 0 to 600000 expected: %1")
                             .arg(a.options.value(QStringLiteral("timeout")).value(0)));
    }
    quint16 port = kDiscoveryPort;
    if (a.options.contains(QStringLiteral("discovery-port"))) {
        bool ok = false;
        const int value = a.options.value(QStringLiteral("discovery-port")).value(0).toInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return usage(QStringLiteral("--discovery-port: not a UDP port: %1")
                             .arg(a.options.value(QStringLiteral("discovery-port")).value(0)));
        port = quint16(value);
    }
    std::optional<quint32> broadcast;
    if (a.options.contains(QStringLiteral("broadcast"))) {
        const QString text = a.options.value(QStringLiteral("broadcast")).value(0);
        broadcast = parseIpv4(text);
        if (!broadcast)
            return usage(QStringLiteral("--broadcast: not an IPv4 address: %1").arg(text));
    }

    QList<DiscoveryInterface> table;
    const QStringList given = a.options.value(QStringLiteral("interface"));
    if (!given.isEmpty()) {
        const QList<QNetworkAddressEntry> entries = [] {
            QList<QNetworkAddressEntry> all;
            for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
                all += iface.addressEntries();
            return all;
        }();
        for (const QString &text : given) {
            const std::optional<quint32> address = parseIpv4(text);
            if (!address)
                return usage(QStringLiteral("--interface: not an IPv4 address: %1").arg(text));
            std::optional<quint32> mask;
            if (broadcast) {
                mask = maskFor(*address, *broadcast);
                if (!mask)
                    return usage(QStringLiteral("--broadcast %1 is no broadcast address of %2")
                                     .arg(dotted(*broadcast), text));
            } else {
                for (const QNetworkAddressEntry &e : entries)
                    if (e.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                        e.ip().toIPv4Address() == *address)
                        mask = e.netmask().toIPv4Address();
                if (!mask && (*address >> 24) == 127)
                    mask = 0xFF000000u; // the loopback network
                if (!mask)
                    return usage(
                        QStringLiteral("--interface %1 is no address of this machine; give --broadcast too")
                            .arg(text));
            }
            if (*address == 0x7F000001u)
                return usage(
                    QStringLiteral("--interface: 127.0.0.1 is never asked from; use another loopback "
                                   "address such as 127.0.0.2"));
            table << DiscoveryInterface{*address, *mask};
        }
    } else if (broadcast) {
        QString error;
        for (const DiscoveryInterface &entry : localDiscoveryInterfaces(&error)) {
            if (entry.broadcast() == *broadcast)
                table << entry;
            else if (const auto mask = maskFor(entry.address, *broadcast); mask && *broadcast == 0xFFFFFFFFu)
                table << DiscoveryInterface{entry.address, *mask};
        }
        if (table.isEmpty())
            return usage(
                QStringLiteral("--broadcast %1 is the broadcast address of no interface of this machine; "
                               "give --interface too")
                    .arg(dotted(*broadcast)));
    }

    Discovery discovery;
    DiscoveryModel model;
    if (!table.isEmpty())
        discovery.setInterfaces(table);
    discovery.setPort(port);
    QObject::connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
    const QString error = discovery.start();
    if (!error.isEmpty()) {
        printErr(QStringLiteral("hzmctl discover: %1\n").arg(error));
        return ExitFailed;
    }
    QEventLoop loop;
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    discovery.stop();
    QCoreApplication::sendPostedEvents(); // answers queued while stopping
    QCoreApplication::processEvents();

    const QList<DiscoveredMixer> mixers = model.mixers();
    if (a.options.contains(QStringLiteral("json"))) {
        QJsonArray list;
        for (const DiscoveredMixer &m : mixers)
            list.append(QJsonObject{{QStringLiteral("address"), m.address},
                                    {QStringLiteral("name"), m.name},
                                    {QStringLiteral("mac"), m.mac},
                                    {QStringLiteral("description"), m.description}});
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-discovery")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("mixers"), list}};
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    } else {
        for (const DiscoveredMixer &m : mixers)
            printOut(QStringList{m.address, m.name, m.mac, m.description}.join(QLatin1Char('\t')) +
                     QLatin1Char('\n'));
    }
    if (mixers.isEmpty()) {
        printErr(QStringLiteral("hzmctl discover: no mixer answered within %1 ms (UDP port %2)\n")
                     .arg(timeout)
                     .arg(port));
        return ExitFailed;
    }
    return ExitSuccess;
}

int Runner::cmdNew() {
    const QString path = a.positional.at(0);
    QString why;
    if (!writableTarget(path, why))
        return fail(why);
    MixerSettings settings;
    ModifiedFlag modified;
    LoadFactoryDefaults(settings, modified);
    QString error;
    if (!SaveSettingsFile(path, settings, modified, &error)) {
        printErr(QStringLiteral("hzmctl new: cannot save %1: %2\n").arg(path, error));
        return ExitFailed;
    }
    return ExitSuccess;
}

int Runner::cmdExport() {
    MixerSettings settings;
    int status = 0;
    if (!loadFile(a.positional.at(0), settings, status))
        return status;
    const QString out = a.positional.at(1);
    QString why;
    if (!writableTarget(out, why))
        return fail(why);
    // Writing the export over the settings file itself would lose the settings.
    if (QFileInfo(out).exists() &&
        QFileInfo(out).canonicalFilePath() == QFileInfo(a.positional.at(0)).canonicalFilePath())
        return fail(
            QStringLiteral("%1 is the settings file itself; name another file for the export").arg(out));
    QString error;
    if (!ExportText(out, settings, &error)) {
        printErr(QStringLiteral("hzmctl export: cannot write %1%2\n")
                     .arg(out, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        return ExitFailed;
    }
    return ExitSuccess;
}

int Runner::cmdShow() {
    MixerSettings settings;
    int status = 0;
    if (!loadFile(a.positional.at(0), settings, status))
        return status;
    if (a.options.contains(QStringLiteral("json")))
        printOut(QString::fromUtf8(QJsonDocument(SettingsJson(settings)).toJson(QJsonDocument::Indented)));
    else
        printOut(SettingsText(settings));
    return ExitSuccess;
}

int Runner::cmdVerify() {
    MixerSettings file;
    int status = 0;
    if (!loadFile(a.positional.at(0), file, status))
        return status;
    // Start from the file, so that names an older mixer does not report stay equal.
    MixerSettings mixer = file;
    const TransferResult outcome = transfer(mixer, ReadAllJob(mixer));
    if (!outcome.success)
        return transferFailed(outcome);
    const bool namesRead = ParseDecimal(mixer.softwareVersion) > 1.04;
    const QStringList differences = SettingsDifferences(file, mixer, !namesRead);
    if (differences.isEmpty())
        return ExitSuccess;
    printOut(differences.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    printErr(QStringLiteral("hzmctl verify: %1 field%2 differ%3 from %4\n")
                 .arg(differences.size())
                 .arg(differences.size() == 1 ? QString() : QStringLiteral("s"))
                 .arg(differences.size() == 1 ? QStringLiteral("s") : QString())
                 .arg(a.positional.at(0)));
    return ExitFailed;
}

} // namespace

int RunCli(const QStringList &arguments) {
    Arguments args;
    if (const auto error = parseArguments(arguments, args)) {
        // A usage error before the command is known: name the command when there is one.
        const CommandInfo *command = findCommand(args.command);
        QString message = QStringLiteral("hzmctl: %1\n").arg(error->message);
        message += command ? QStringLiteral("See hzmctl %1 --help.\n").arg(QLatin1String(command->name))
                           : QStringLiteral("See hzmctl --help.\n");
        printErr(message);
        return ExitUsage;
    }
    Runner runner(std::move(args));
    const int status = runner.run();
    // A result that never reached its reader (a full disk behind "> file") is no success.
    if (g_outputError && status == ExitSuccess) {
        printErr(QStringLiteral("hzmctl: cannot write the result to standard output: %1\n")
                     .arg(QString::fromLocal8Bit(std::strerror(g_outputError))));
        return ExitFailed;
    }
    return status;
}

} // namespace hzm::cli
