#include "Cli.h"

#include "TransferRunner.h"

#include "discovery/Discovery.h"
#include "discovery/DiscoveryModel.h"
#include "files/SettingsFile.h"
#include "files/TextExport.h"
#include "link/LinkSelection.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"
#include "link/SerialPermission.h"
#include "model/MixerSettings.h"
#include "model/OptionLists.h"
#include "model/SettingsView.h"
#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

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
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace hzm::cli {

namespace {

// ---- Output

// Standard output, remembering the first write that failed: a result that never reached its
// reader (a full disk behind "> file") is no success.
class StandardOutput {
public:
    void write(const QByteArray &bytes) {
        if ((std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
             std::fflush(stdout) != 0) &&
            !m_error)
            m_error = errno ? errno : EIO;
    }
    int error() const { return m_error; } // errno of the first failed write, 0 when none

private:
    int m_error = 0;
};

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
  read FILE [--partial] [--base FILE2]
                           Read all, then save the settings file FILE; a mixer of
                           V1.04 or lower is given the paging-priority attenuation of
                           FILE2, or else the factory value (-30 dB)
  send FILE [--only PART]  load the settings file, then Send all (or only PART:
                           outputs, inputs, system, output N (1..12), input N (1..8))
  set-defaults             the mixer restores its factory defaults
  reset                    the mixer restarts
  key OLD NEW              change the installer key (four digits 1 to 8 each);
                           --key-file FILE, or standard input, keeps the keys out
                           of the process list
  detect                   (serial) print the detected baud rate
  discover [--timeout MS] [--broadcast ADDR] [--interface ADDR]
           [--discovery-port N] [--json]
                           list the mixers answering the UDP discovery
  new FILE                 write a settings file of factory defaults
  export FILE OUT          write the text export of settings file FILE to OUT
                           (OUT "-": standard output)
  show FILE [--json]       print a settings file readably, or as JSON
  verify FILE [--json]     Read all (writing nothing) and list the fields that
                           differ from FILE

FILE "-" reads the settings file from standard input (show, send, verify, export).
Settings files are read as the desktop program reads them: the two header lines
are not examined. send refuses a file whose lines do not hold settings (a text
export or a log). "hzmctl COMMAND --help" describes one command; "hzmctl --version"
prints this tool's version.

Exit status: 0 success; 1 the transfer or operation failed ("Transfer failed." and
the reason on standard error), or verify found differences; 2 bad usage or
unreadable input (the message names the file, port or address); 3 verify could
not read the mixer (the transfer failed).
Colours (--log) only when standard error is a terminal and NO_COLOR is not set.
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
         "read FILE [--partial] [--base FILE2]",
         "Reads the whole configuration from the mixer (Read all) and saves it as the settings\n"
         "file FILE. When the transfer fails part-way nothing is written, unless --partial is\n"
         "given: then what was read so far (the rest at the factory defaults) is saved.\n"
         "FILE is replaced only once the new file is complete.\n"
         "Mixers with software V1.04 or lower do not report their paging-priority attenuation,\n"
         "mic gates or names: Read all writes the attenuation it holds to the mixer, as the\n"
         "desktop program does. The read starts from the factory defaults, so such a mixer's\n"
         "attenuation is set to the factory value (-30 dB; a warning says so first), unless\n"
         "  --base FILE2   starts from the settings file FILE2: its attenuation is written\n"
         "                 back, and its names and mic gates are kept in FILE.\n",
         1,
         1,
         true,
         {QStringLiteral("partial"), QStringLiteral("base")}},
        {"send",
         "send FILE [--only outputs|inputs|system|output N|input N]",
         "Loads the settings file FILE and sends it to the mixer: everything (Send all, with the\n"
         "mixer's pauses after each output and input), or only the part named by --only:\n"
         "  outputs     zones 1-8 and groups 1-4\n"
         "  inputs      inputs 1-8\n"
         "  system      the system settings\n"
         "  output N    one output, N = 1..12 (9..12 are groups 1-4)\n"
         "  input N     one input, N = 1..8\n"
         "FILE \"-\" is standard input. The file is read as the desktop program reads it, but\n"
         "a file whose hex columns do not hold hexadecimal digits (a text export, a log) is\n"
         "refused with exit status 2, naming its first line that is not a settings line.\n",
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
         "key OLD NEW | key --key-file FILE | key < FILE",
         "Changes the mixer's installer key from OLD to NEW. Each key is exactly four digits,\n"
         "each 1 to 8, checked as the Installer Key tab does before anything is sent. The keys\n"
         "are masked in the --log output.\n"
         "Keys on the command line can be seen by other users of this machine in the process\n"
         "list: --key-file FILE reads OLD and NEW from FILE instead (separated by white space\n"
         "or on two lines; FILE \"-\" is standard input), and without OLD NEW and --key-file\n"
         "the keys are read from standard input.\n",
         0,
         2,
         true,
         {QStringLiteral("key-file")}},
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
         "  --broadcast ADDR   ask only on this broadcast address (for example\n"
         "                     192.168.1.255 or 127.255.255.255); the system chooses the\n"
         "                     route and the sender address\n"
         "  --interface ADDR   ask only from this local address (repeatable); with\n"
         "                     --broadcast, from this address to that broadcast address\n"
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
         "send, one per line, exactly as the desktop program's Export Text writes it.\n"
         "OUT \"-\" writes it to standard output, FILE \"-\" reads standard input.\n",
         2,
         2,
         false,
         {}},
        {"show",
         "show FILE [--json]",
         "Prints the settings file FILE readably: every output, input and system setting with\n"
         "names, dB values and on/off; or, with --json, as the JSON document described below.\n"
         "FILE \"-\" reads standard input.\n",
         1,
         1,
         false,
         {QStringLiteral("json")}},
        {"verify",
         "verify FILE [--json]",
         "Reads the whole configuration from the mixer, writing nothing to it, and prints one\n"
         "line for every field that differs from the settings file FILE (\"-\": standard input):\n"
         "  Zone 1 Level: file -20 dB, mixer -61 dB\n"
         "Mixers with software V1.04 or lower do not report names, the paging-priority\n"
         "attenuation or the mic gates; each of these is listed as\n"
         "  Zone 1 Name: file \"Bar\", mixer not readable from software V1.04 or lower\n"
         "and counts as neither equal nor different.\n"
         "With --json (format \"hzm-verify\", format_version 1):\n"
         "  {\"format\": \"hzm-verify\", \"format_version\": 1, \"file\": FILE,\n"
         "   \"software_version\": TEXT, \"same\": BOOL,\n"
         "   \"differences\": [ {\"section\": \"Zone 1\", \"field\": \"level_db\",\n"
         "                     \"label\": \"Zone 1 Level\", \"file\": -20, \"mixer\": -61} ... ],\n"
         "   \"not_readable\": [ {... \"mixer\": null} ... ]}\n"
         "  Fields and values as in \"hzmctl show --help\".\n"
         "Exit status: 0 nothing differs; 1 something differs; 2 bad usage or unreadable\n"
         "FILE; 3 the transfer failed (nothing was compared).\n",
         1,
         1,
         true,
         {QStringLiteral("json")}},
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
    if (QLatin1String(c.name) != QLatin1String("verify"))
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
                                QStringLiteral("interface"), QStringLiteral("discovery-port"),
                                QStringLiteral("base"),      QStringLiteral("key-file")};

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
    // Loads a settings file ("-": standard input) as the desktop program does; toMixer: the file
    // goes to a mixer, so its record lines must look like settings.
    bool loadFile(const QString &path, MixerSettings &settings, int &status, bool toMixer = false) const;
    TransferResult transfer(MixerSettings &settings, const TransferJob &job,
                            RunOptions options = RunOptions()) const;

    int cmdVersion();
    void printVersion(const QString &version);
    int cmdRead();
    int cmdSend();
    int cmdSingle(const TransferJob &job);
    int cmdKey();
    bool keysGiven(QString &oldKey, QString &newKey, int &status) const;
    int cmdDetect();
    int cmdDiscover();
    int cmdNew();
    int cmdExport();
    int cmdShow();
    int cmdVerify();

    void printOut(const QString &text) { m_output.write(text.toUtf8()); }

    Arguments a;
    const CommandInfo *info = nullptr;
    LinkChoice link;
    StandardOutput m_output;

public:
    int outputError() const { return m_output.error(); }
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

// How a file argument is named in messages: "-" is standard input.
QString shownPath(const QString &path) {
    return path == QLatin1String("-") ? QStringLiteral("standard input") : path;
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
    link.selection.baudRate = result.baudRate;
    return true;
}

TransferResult Runner::transfer(MixerSettings &settings, const TransferJob &job, RunOptions options) const {
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
    printVersion(settings.softwareVersion);
    return ExitSuccess;
}

// Prints the version as the mixer gave it; one that is not digits and a point ("1.05") also gets
// a warning on stderr, so that a script notices an odd mixer or line.
void Runner::printVersion(const QString &version) {
    const QString shown = escapedForDisplay(version);
    printOut(shown + QLatin1Char('\n'));
    static const QRegularExpression digitsAndPoint(QStringLiteral("^[0-9]+\\.[0-9]+$"));
    if (!digitsAndPoint.match(version).hasMatch())
        printErr(
            QStringLiteral("hzmctl version: warning: the mixer's version \"%1\" is not digits and a point\n")
                .arg(shown));
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
    // Read all starts from the settings held: the factory defaults, or those of --base. An older
    // mixer does not report its paging-priority attenuation and is given the held one instead.
    MixerSettings settings;
    const bool based = a.options.contains(QStringLiteral("base"));
    int status = 0;
    if (based && !loadFile(a.options.value(QStringLiteral("base")).value(0), settings, status, true))
        return status;
    RunOptions options;
    if (!based) {
        options.noteOnceVersionKnown = [&settings]() -> QString {
            if (HasNewerSoftware(settings.softwareVersion))
                return QString();
            return QStringLiteral(
                       "hzmctl read: the mixer's software %1 is V1.04 or lower: reading sets its "
                       "paging-priority attenuation to the factory value (%2 dB); give --base FILE "
                       "to write FILE's value instead")
                .arg(settings.softwareVersion.trimmed().isEmpty() ? QStringLiteral("(unknown)")
                                                                  : settings.softwareVersion)
                .arg(ListEntry(lists::attenuation(), settings.system.pagingPriorityAttenuation));
        };
    }
    const TransferResult outcome = transfer(settings, ReadAllJob(settings), options);
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
    if (!loadFile(a.positional.at(0), settings, status, true))
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

// Reads "OLD NEW" (white space or lines between them) from a file or, for "-", standard input;
// at most a few KB, and no further than the second key. An empty list when it cannot be read.
QStringList readKeyWords(const QString &path, QString &error) {
    QFile file;
    const bool fromStdin = path == QLatin1String("-");
    const bool opened = fromStdin ? file.open(stdin, QIODevice::ReadOnly)
                                  : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = file.errorString();
        return {};
    }
    QStringList words;
    qint64 total = 0;
    while (words.size() < 2 && total < 4096) {
        const QByteArray line = file.readLine(4096 - total);
        if (line.isEmpty())
            break;
        total += line.size();
        words +=
            QString::fromUtf8(line).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    }
    return words;
}

// The two keys from the command line, --key-file or standard input; false after a usage error.
bool Runner::keysGiven(QString &oldKey, QString &newKey, int &status) const {
    const bool fromFile = a.options.contains(QStringLiteral("key-file"));
    if (a.positional.size() == 2) {
        if (fromFile) {
            status = usage(QStringLiteral("give the keys either as OLD NEW or with --key-file, not both"));
            return false;
        }
        oldKey = a.positional.at(0);
        newKey = a.positional.at(1);
        return true;
    }
    if (a.positional.size() == 1) {
        status = usage(QStringLiteral("missing argument NEW"));
        return false;
    }
    const QString path =
        fromFile ? a.options.value(QStringLiteral("key-file")).value(0) : QStringLiteral("-");
    const QString source = path == QLatin1String("-") ? QStringLiteral("standard input") : path;
    QString error;
    const QStringList words = readKeyWords(path, error);
    if (!error.isEmpty()) {
        status = fail(QStringLiteral("cannot read the keys from %1: %2").arg(source, error));
        return false;
    }
    if (words.size() != 2) {
        status = fail(
            QStringLiteral("%1 must hold the old and the new key, separated by white space").arg(source));
        return false;
    }
    oldKey = words.at(0);
    newKey = words.at(1);
    return true;
}

int Runner::cmdKey() {
    QString oldKey;
    QString newKey;
    int keyStatus = 0;
    if (!keysGiven(oldKey, newKey, keyStatus))
        return keyStatus;
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
        return fail(portProblem(port, result.error));
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

// One tab-separated line per mixer. Every text came from the network: a control character
// (an escape sequence, BEL, a TAB that would add a column) is shown as a visible escape.
QString discoveryRow(const DiscoveredMixer &m) {
    QStringList fields;
    for (const QString &text : {m.address, m.name, m.mac, m.description})
        fields << escapedForDisplay(text);
    return fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
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
        // The question goes to that address from a socket bound to no address of its own: the
        // system chooses the route and the sender address.
        table << DiscoveryInterface{*broadcast, 0xFFFFFFFFu};
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
            printOut(discoveryRow(m));
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
    if (out == QLatin1String("-")) {
        // Standard output: the export is made complete in a file of its own first, so that a
        // failed export prints nothing.
        QTemporaryDir dir;
        const QString temporary = dir.filePath(QStringLiteral("export.txt"));
        QString error;
        QFile file(temporary);
        if (!dir.isValid() || !ExportText(temporary, settings, &error) || !file.open(QIODevice::ReadOnly)) {
            printErr(QStringLiteral("hzmctl export: cannot write the export%1\n")
                         .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
            return ExitFailed;
        }
        m_output.write(file.readAll());
        return ExitSuccess;
    }
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
    const QString shown = shownPath(a.positional.at(0));
    if (!loadFile(a.positional.at(0), file, status))
        return status;
    // Start from the file, so that what an older mixer does not report stays as the file has it.
    // Nothing is written to the mixer: an older mixer's paging attenuation is left as it is.
    MixerSettings mixer = file;
    const TransferResult outcome = transfer(mixer, ReadAllWithoutWritingJob(mixer));
    if (!outcome.success) {
        transferFailed(outcome);
        return ExitTransferFailed;
    }
    const QList<FieldDifference> all = CompareSettings(file, mixer, !HasNewerSoftware(mixer.softwareVersion));
    int differing = 0;
    for (const FieldDifference &d : all)
        differing += d.readable ? 1 : 0;
    const int unreadable = int(all.size()) - differing;

    if (a.options.contains(QStringLiteral("json"))) {
        QJsonArray differences;
        QJsonArray notReadable;
        for (const FieldDifference &d : all)
            (d.readable ? differences : notReadable).append(DifferenceJson(d));
        const QJsonObject root{{QStringLiteral("format"), QStringLiteral("hzm-verify")},
                               {QStringLiteral("format_version"), 1},
                               {QStringLiteral("file"), shown},
                               {QStringLiteral("software_version"), mixer.softwareVersion},
                               {QStringLiteral("same"), differing == 0},
                               {QStringLiteral("differences"), differences},
                               {QStringLiteral("not_readable"), notReadable}};
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)));
    } else {
        for (const FieldDifference &d : all)
            printOut(DifferenceText(d) + QLatin1Char('\n'));
    }
    if (unreadable > 0)
        printErr(QStringLiteral("hzmctl verify: %1 field%2 %3 not readable from software V1.04 or lower (the "
                                "mixer reports %4)\n")
                     .arg(unreadable)
                     .arg(unreadable == 1 ? QString() : QStringLiteral("s"))
                     .arg(unreadable == 1 ? QStringLiteral("is") : QStringLiteral("are"))
                     .arg(mixer.softwareVersion));
    if (differing == 0)
        return ExitSuccess;
    printErr(QStringLiteral("hzmctl verify: %1 field%2 differ%3 from %4\n")
                 .arg(differing)
                 .arg(differing == 1 ? QString() : QStringLiteral("s"))
                 .arg(differing == 1 ? QStringLiteral("s") : QString())
                 .arg(shown));
    return ExitFailed;
}

} // namespace

int RunCli(const QStringList &arguments) {
    // This tool's own version; the "version" command asks the mixer for its own.
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--version")) {
        StandardOutput out;
        out.write(QByteArrayLiteral("hzmctl " HZM_VERSION "\n"));
        return out.error() ? ExitFailed : ExitSuccess;
    }
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
    if (runner.outputError() && status == ExitSuccess) {
        printErr(QStringLiteral("hzmctl: cannot write the result to standard output: %1\n")
                     .arg(QString::fromLocal8Bit(std::strerror(runner.outputError()))));
        return ExitFailed;
    }
    return status;
}

} // namespace hzm::cli
