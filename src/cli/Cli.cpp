#include "Cli.h"

#include "CliCommon.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstring>

namespace hzm::cli {

namespace {

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
  --log-file FILE     append the same lines to FILE (with several mixers, one file
                      each: {host}, {port} and {n} in FILE are replaced, or else
                      "-N" goes before the extension: hzm.log gives hzm-1.log ...)

Several mixers at once (read, send, apply, verify, version, set-defaults, reset):
  --tcp and --serial may be repeated, and
  --targets FILE      adds the mixers listed in FILE, one link a line: HOST[:PORT],
                      "tcp HOST[:PORT]" or "serial PORT" (# starts a comment line)
  --discovered        adds every mixer the UDP discovery finds within 2 s
  Each mixer gets its own link and worker and all run at once, each paced as on its
  own. read needs {host}, {port} or {n} in FILE (venue-{n}.hzc). On a terminal one
  progress line per mixer; at the end each mixer's output (lines led by its name)
  and a table: mixer, result, time, reason. --json prints the summary as JSON
  (format "hzm-mixers"): {"command", "succeeded", "failed", "mixers": [{"mixer",
  "link", "result", "exit_status", "seconds", "reason", "file" (read), "output"}]}.
  The exit status is 0 only when every mixer succeeded, else the highest of theirs.

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
  diff A B [--json]        list the fields that differ between two settings files
                           (--defaults FILE: between the factory defaults and FILE)
  apply FILE [--no-check] [--dry-run]
                           Read all, send only what differs from FILE, then read
                           again and list what still differs

FILE "-" reads the settings file from standard input (show, send, verify, export).
Settings files are read as the desktop program reads them: the two header lines
are not examined. send refuses a file whose lines do not hold settings (a text
export or a log). "hzmctl COMMAND --help" describes one command; "hzmctl --version"
prints this tool's version.

Exit status: 0 success; 1 the transfer or operation failed ("Transfer failed." and
the reason on standard error), or verify, diff or apply found differences; 2 bad
usage or unreadable input (the message names the file, port or address); 3 verify
or apply: the transfer failed.
Colours (--log) only when standard error is a terminal and NO_COLOR is not set.
Long transfers show a progress line (commands done/planned) on standard error when
it is a terminal. Nothing else is printed on success beyond the result.
)";

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

} // namespace

const QList<CommandInfo> &commands() {
    static const QList<CommandInfo> list{
        {"version",
         "version",
         "Asks the mixer for its software version and prints it (\"1.05\").\n",
         0,
         0,
         true,
         {},
         &Runner::cmdVersion},
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
         {QStringLiteral("partial"), QStringLiteral("base")},
         &Runner::cmdRead},
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
         {QStringLiteral("only")},
         &Runner::cmdSend},
        {"set-defaults",
         "set-defaults",
         "Tells the mixer to restore its own factory defaults (\"SY,SD\").\n",
         0,
         0,
         true,
         {},
         &Runner::cmdSetDefaults},
        {"reset", "reset", "Tells the mixer to restart (\"SY,R\").\n", 0, 0, true, {}, &Runner::cmdReset},
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
         {QStringLiteral("key-file")},
         &Runner::cmdKey,
         true},
        {"detect",
         "detect",
         "Detects the baud rate of the mixer on the --serial port, as the desktop program does\n"
         "when a port is chosen, and prints it. Exit status 1 when no mixer answered at any rate\n"
         "(the desktop program then takes the port at 9600).\n",
         0,
         0,
         true,
         {},
         &Runner::cmdDetect,
         true},
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
          QStringLiteral("discovery-port"), QStringLiteral("json")},
         &Runner::cmdDiscover},
        {"new",
         "new FILE",
         "Writes a settings file holding the factory defaults.\n",
         1,
         1,
         false,
         {},
         &Runner::cmdNew},
        {"export",
         "export FILE OUT",
         "Writes the text export of the settings file FILE to OUT: every command Send all would\n"
         "send, one per line, exactly as the desktop program's Export Text writes it.\n"
         "OUT \"-\" writes it to standard output, FILE \"-\" reads standard input.\n",
         2,
         2,
         false,
         {},
         &Runner::cmdExport},
        {"show",
         "show FILE [--json]",
         "Prints the settings file FILE readably: every output, input and system setting with\n"
         "names, dB values and on/off; or, with --json, as the JSON document described below.\n"
         "FILE \"-\" reads standard input.\n",
         1,
         1,
         false,
         {QStringLiteral("json")},
         &Runner::cmdShow},
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
         {QStringLiteral("json")},
         &Runner::cmdVerify},
        {"diff",
         "diff A B [--json] | diff FILE --defaults [--json]",
         "Compares two settings files (\"-\": standard input, for one of them) and prints one line\n"
         "for every field that differs, in the words and units of show:\n"
         "  Zone 3 Name: \"Bar\" -> \"Zone 3\"\n"
         "  Zone 3 Level: -20 dB -> -61 dB\n"
         "the value in A (left) before the arrow, the one in B (right) after it.\n"
         "  --defaults   compare the factory defaults (left) with FILE (right)\n"
         "With --json (format \"hzm-diff\", format_version 1):\n"
         "  {\"format\": \"hzm-diff\", \"format_version\": 1, \"left\": A, \"right\": B,\n"
         "   \"same\": BOOL, \"differences\": [ {\"section\": \"Zone 3\", \"field\": \"level_db\",\n"
         "                    \"label\": \"Zone 3 Level\", \"left\": -20, \"right\": -61} ... ]}\n"
         "  Fields and values as in \"hzmctl show --help\".\n"
         "Exit status: 0 nothing differs; 1 something differs; 2 bad usage or unreadable input.\n",
         1,
         2,
         false,
         {QStringLiteral("json"), QStringLiteral("defaults")},
         &Runner::cmdDiff},
        {"apply",
         "apply FILE [--no-check] [--dry-run]",
         "Brings the mixer to the settings file FILE, sending only what differs: reads the whole\n"
         "configuration (Read all), sends the commands whose values differ from FILE (in Send\n"
         "all's order and with its pauses; a command that sets several fields goes whole), then\n"
         "reads again, writing nothing, and prints the fields that still differ as verify does.\n"
         "The first read starts from FILE's settings, as \"read --base FILE\" does: a mixer of\n"
         "software V1.04 or lower is given FILE's paging-priority attenuation, and its names and\n"
         "mic gates, which it does not report, are always sent.\n"
         "  --no-check   leave out the second read\n"
         "  --dry-run    read, then print the commands that would be sent, one per line;\n"
         "               nothing at all is written to the mixer\n"
         "FILE \"-\" is standard input; a file whose lines are not settings lines is refused.\n"
         "Exit status: 0 the mixer matches FILE (or nothing needed sending; --dry-run: the\n"
         "read worked); 1 a field still differs after sending; 2 bad usage or unreadable\n"
         "FILE; 3 a transfer failed (the mixer may hold part of the changes).\n",
         1,
         1,
         true,
         {QStringLiteral("no-check"), QStringLiteral("dry-run")},
         &Runner::cmdApply},
    };
    return list;
}

const CommandInfo *findCommand(const QString &name) {
    for (const CommandInfo &c : commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

namespace {

QString commandHelp(const CommandInfo &c) {
    QString text = QStringLiteral("Usage: hzmctl %1%2\n\n")
                       .arg(c.needsLink ? QStringLiteral("LINK ") : QString(), QString::fromLatin1(c.usage));
    text += QString::fromLatin1(c.help);
    if (c.needsLink)
        text += QStringLiteral(
            "\nLINK: --tcp HOST[:PORT] | --serial PORT [--baud RATE], and --log to print every\n"
            "command and reply on standard error, --log-file FILE to keep them in FILE\n"
            "(see hzmctl --help).\n");
    static const QStringList many{QStringLiteral("read"),    QStringLiteral("send"),
                                  QStringLiteral("apply"),   QStringLiteral("verify"),
                                  QStringLiteral("version"), QStringLiteral("set-defaults"),
                                  QStringLiteral("reset")};
    if (many.contains(QLatin1String(c.name)))
        text +=
            QStringLiteral("Several mixers at once: repeat --tcp and --serial, or give --targets FILE or\n"
                           "--discovered; --json then prints the summary as JSON (see hzmctl --help).\n");
    if (QLatin1String(c.name) == QLatin1String("show"))
        text += QString::fromLatin1(kShowJsonHelp);
    if (QLatin1String(c.name) == QLatin1String("discover"))
        text += QString::fromLatin1(kDiscoverJsonHelp);
    if (QLatin1String(c.name) != QLatin1String("verify") && QLatin1String(c.name) != QLatin1String("diff") &&
        QLatin1String(c.name) != QLatin1String("apply"))
        text += QStringLiteral("\nExit status: 0 success, 1 failed, 2 bad usage or unreadable input.\n");
    return text;
}

const QStringList kValueOptions{
    QStringLiteral("tcp"),       QStringLiteral("serial"),         QStringLiteral("baud"),
    QStringLiteral("only"),      QStringLiteral("timeout"),        QStringLiteral("broadcast"),
    QStringLiteral("interface"), QStringLiteral("discovery-port"), QStringLiteral("base"),
    QStringLiteral("key-file"),  QStringLiteral("targets"),        QStringLiteral("log-file")};

} // namespace

bool takesValue(const QString &name) {
    return kValueOptions.contains(name);
}

namespace {

// The link options, which every command takes (the commands without a link refuse them later).
const QStringList kLinkValueOptions{QStringLiteral("tcp"), QStringLiteral("serial"), QStringLiteral("baud"),
                                    QStringLiteral("targets"), QStringLiteral("log-file")};
const QStringList kLinkFlags{QStringLiteral("log"), QStringLiteral("discovered")};

// Finds the command word: the first argument that is neither an option nor an option's value.
QString commandWord(const QStringList &args) {
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--"))
            return args.value(i + 1);
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-"))
            return arg;
        if (arg.startsWith(QLatin1String("--")) && !arg.contains(QLatin1Char('=')) && takesValue(arg.mid(2)))
            ++i;
    }
    return QString();
}

// Checks what the parser below would report in its own words, in the order given: an option
// without its value, a flag with one, an option the command does not take.
std::optional<UsageError> checkOptions(const QStringList &args, const CommandInfo *command,
                                       const QStringList &known) {
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-") || arg == QLatin1String("-h") ||
            arg == QLatin1String("--help"))
            continue;
        if (!arg.startsWith(QLatin1String("--")))
            return UsageError{QStringLiteral("unknown option %1").arg(arg)};
        QString name = arg.mid(2);
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        const bool hasValue = eq >= 0;
        if (hasValue)
            name = name.left(eq);
        if (takesValue(name) && !hasValue) {
            if (i + 1 >= args.size())
                return UsageError{QStringLiteral("--%1 needs a value").arg(name)};
            ++i;
        }
        if (!takesValue(name) && hasValue)
            return UsageError{QStringLiteral("--%1 takes no value").arg(name)};
        if (!known.contains(name)) {
            if (command)
                return UsageError{
                    QStringLiteral("%1: unknown option --%2").arg(QLatin1String(command->name), name)};
            return UsageError{QStringLiteral("unknown option --%1").arg(name)};
        }
    }
    return std::nullopt;
}

// "--only output N" and "--only input N": the number is the next argument; it becomes part of
// the value.
QStringList joinOnlyNumber(const QStringList &args) {
    QStringList joined;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--")) {
            joined += args.mid(i);
            break;
        }
        QString value;
        bool separate = false;
        if (arg == QLatin1String("--only") && i + 1 < args.size()) {
            value = args.at(i + 1);
            separate = true;
        } else if (arg.startsWith(QLatin1String("--only="))) {
            value = arg.mid(7);
        } else {
            joined << arg;
            continue;
        }
        const int next = i + (separate ? 2 : 1);
        if ((value == QLatin1String("output") || value == QLatin1String("input")) && next < args.size() &&
            !args.at(next).startsWith(QLatin1String("--"))) {
            value += QLatin1Char(' ') + args.at(next);
            i = next;
        } else {
            i = next - 1;
        }
        joined << QStringLiteral("--only=") + value;
    }
    return joined;
}

// Parses the arguments with a parser made for the command they name: the link options, the
// command's own options from the table and, for a command that has no --json of its own, --json
// for the summary of several mixers.
std::optional<UsageError> parseArguments(const QStringList &args, Arguments &out) {
    out.command = commandWord(args);
    const CommandInfo *command = findCommand(out.command);
    QStringList known = kLinkValueOptions + kLinkFlags;
    if (command)
        known += command->options;
    if (command && !command->options.contains(QStringLiteral("json")))
        known << QStringLiteral("json");
    if (const auto error = checkOptions(args, command, known))
        return error;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    for (const QString &name : known)
        parser.addOption(takesValue(name) ? QCommandLineOption(name, QString(), QStringLiteral("value"))
                                          : QCommandLineOption(name));
    if (!parser.parse(QStringList{QStringLiteral("hzmctl")} + joinOnlyNumber(args)))
        return UsageError{parser.errorText()};

    out.help = parser.isSet(QStringLiteral("help"));
    QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty())
        positional.removeFirst(); // the command word
    out.positional = positional;
    // Every occurrence, in order, with its value.
    QMap<QString, int> seen;
    for (const QString &name : parser.optionNames()) {
        if (name == QLatin1String("h") || name == QLatin1String("help"))
            continue;
        const QString value = takesValue(name) ? parser.values(name).value(seen[name]++) : QString();
        if (name == QLatin1String("tcp") || name == QLatin1String("serial")) {
            (name == QLatin1String("tcp") ? out.tcp : out.serial) = value;
            out.links << LinkArgument{name, value};
        } else if (name == QLatin1String("targets")) {
            out.targets << value;
        } else if (name == QLatin1String("discovered")) {
            out.discovered = true;
        } else if (name == QLatin1String("log-file")) {
            out.logFile = value;
        } else if (name == QLatin1String("baud")) {
            out.baud = value;
        } else if (name == QLatin1String("log")) {
            out.log = true;
        } else if (name == QLatin1String("json") && !command->options.contains(name)) {
            out.summaryJson = true; // refused with one mixer (see RunCli)
        } else {
            out.options[name] << value;
        }
    }
    return std::nullopt;
}

} // namespace

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
    if (manyMixers(a)) {
        if (!info->needsLink)
            return usage(QStringLiteral(
                "works without a link; leave out --tcp, --serial, --targets and --discovered"));
        return runMany();
    }
    if (const auto error = parseLink(a, link))
        return usage(error->message);
    if (!a.logFile.isEmpty()) {
        if (!info->needsLink)
            return usage(
                QStringLiteral("works without a link, so there is nothing to log; leave out --log-file"));
        m_logFile.setFileName(a.logFile);
        if (!m_logFile.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(
                QStringLiteral("cannot write the log file %1: %2").arg(a.logFile, m_logFile.errorString()));
    }
    if (!info->needsLink && !link.selection.isNone())
        return usage(QStringLiteral("works without a link; leave out --tcp and --serial"));
    if (info->needsLink && !info->checksLinkItself) {
        int status = 0;
        if (!prepareLink(status))
            return status;
    }

    return (this->*info->run)();
}

int RunCli(const QStringList &arguments) {
    // This tool's own version; the "version" command asks the mixer for its own.
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--version")) {
        StandardOutput out;
        out.write(QByteArrayLiteral("hzmctl " HZM_VERSION "\n"));
        return out.error() ? ExitFailed : ExitSuccess;
    }
    Arguments args;
    std::optional<UsageError> parseError = parseArguments(arguments, args);
    // --json with one mixer belongs to the command, and is unknown to one that has none.
    if (!parseError && args.summaryJson && !manyMixers(args)) {
        const CommandInfo *command = findCommand(args.command);
        if (command && command->options.contains(QStringLiteral("json")))
            args.options[QStringLiteral("json")] << QString();
        else if (command)
            parseError = UsageError{QStringLiteral("%1: unknown option --json").arg(args.command)};
        else if (!args.command.isEmpty())
            parseError = UsageError{QStringLiteral("unknown option --json")};
    }
    if (const auto error = parseError) {
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
