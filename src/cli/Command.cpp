#include "Command.h"

#include "Cli.h"

#include <algorithm>
#include <vector>

namespace hzm::cli {

namespace {

constexpr int kWidth = 90;        // the help's lines end before this column
constexpr int kOptionColumn = 22; // where an option's description starts

std::vector<std::unique_ptr<Command>> &registry() {
    static std::vector<std::unique_ptr<Command>> commands;
    return commands;
}

// text broken into lines of at most width characters at spaces; its own line ends kept.
QStringList wrapped(const QString &text, int width) {
    QStringList lines;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString &word : paragraph.split(QLatin1Char(' '))) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines;
}

// "  left      text" with text wrapped at the column; a long left gets a line of its own.
QString columns(const QString &left, const QString &text, int column = kOptionColumn) {
    const QStringList lines = wrapped(text, kWidth - column);
    QString out = QStringLiteral("  ") + left;
    if (out.size() + 1 > column)
        out += QLatin1Char('\n') + QString(column, QLatin1Char(' '));
    else
        out = out.leftJustified(column);
    return out + lines.join(QLatin1Char('\n') + QString(column, QLatin1Char(' '))) + QLatin1Char('\n');
}

QString optionName(const QCommandLineOption &option) {
    QString text = QStringLiteral("--") + option.names().last();
    if (!option.valueName().isEmpty())
        text += QLatin1Char(' ') + option.valueName();
    return text;
}

QString optionList(const QList<QCommandLineOption> &options) {
    QString text;
    for (const QCommandLineOption &option : options)
        text += columns(optionName(option), option.description());
    return text;
}

QString exitLine(const QList<ExitMeaning> &meanings) {
    QStringList parts;
    for (const ExitMeaning &m : meanings)
        parts << QStringLiteral("%1 %2").arg(m.status).arg(m.meaning);
    return wrapped(QStringLiteral("Exit status: ") + parts.join(QStringLiteral("; ")) + QLatin1Char('.'),
                   kWidth)
               .join(QLatin1Char('\n')) +
           QLatin1Char('\n');
}

} // namespace

QList<ExitMeaning> Command::defaultExitStatuses() {
    return {{ExitSuccess, MixerOutcome::Succeeded, QStringLiteral("success")},
            {ExitFailed, MixerOutcome::Failed, QStringLiteral("failed")},
            {ExitUsage, MixerOutcome::BadInput, QStringLiteral("bad usage or unreadable input")}};
}

QList<ExitMeaning> Command::mixerExitStatuses() {
    return defaultExitStatuses()
           << ExitMeaning{ExitTransferFailed, MixerOutcome::Failed,
                          QStringLiteral("the mixer's replies stopped matching the commands (a reply came that "
                                         "no command was owed): it may hold part of what was sent")};
}

QString Command::usage() const {
    QStringList parts{name};
    bool inOptional = false;
    for (const Argument &a : arguments) {
        if (!a.ofOption.isEmpty())
            continue;
        if (a.optional && !inOptional)
            parts << QLatin1Char('[') + a.name;
        else
            parts << a.name;
        inOptional = a.optional;
    }
    if (inOptional)
        parts.last() += QLatin1Char(']');
    for (const QCommandLineOption &option : options)
        parts << QLatin1Char('[') + optionName(option) + QLatin1Char(']');
    return parts.join(QLatin1Char(' '));
}

QString Command::help() const {
    QString text = QStringLiteral("Usage: hzmctl %1%2\n\n")
                       .arg(link != LinkUse::None ? QStringLiteral("LINK ") : QString(), usage());
    text += description;
    if (!arguments.isEmpty()) {
        text += QStringLiteral("\nArguments:\n");
        for (const Argument &a : arguments)
            text += columns(a.ofOption.isEmpty() ? a.name : QStringLiteral("%1 (%2)").arg(a.name, a.ofOption),
                            a.description);
    }
    if (!options.isEmpty())
        text += QStringLiteral("\nOptions:\n") + optionList(options);
    if (link != LinkUse::None)
        text += QStringLiteral(
            "\nLINK: --tcp HOST[:PORT] | --serial PORT [--baud RATE], and --log to print every\n"
            "command and reply on standard error, --log-file FILE to keep them in FILE\n"
            "(see hzmctl --help).\n");
    if (severalMixers)
        text +=
            QStringLiteral("Several mixers at once: repeat --tcp and --serial, or give --targets FILE or\n"
                           "--discovered; --json then prints the summary as JSON (see hzmctl --help).\n");
    return text + QLatin1Char('\n') + exitLine(exitStatuses);
}

bool Command::takesOption(const QString &optionName) const {
    return option(optionName) != nullptr;
}

const QCommandLineOption *Command::option(const QString &optionName) const {
    for (const QCommandLineOption &o : options)
        if (o.names().contains(optionName))
            return &o;
    return nullptr;
}

int Command::minArguments() const {
    return int(
        std::count_if(arguments.begin(), arguments.end(), [](const Argument &a) { return !a.optional; }));
}

int Command::maxArguments() const {
    return int(arguments.size());
}

MixerOutcome Command::outcome(int status) const {
    for (const ExitMeaning &m : exitStatuses)
        if (m.status == status)
            return m.outcome;
    return MixerOutcome::Failed;
}

const QList<const Command *> &Command::all() {
    static const QList<const Command *> sorted = [] {
        QList<const Command *> list;
        for (const std::unique_ptr<Command> &c : registry())
            list << c.get();
        std::sort(list.begin(), list.end(), [](const Command *a, const Command *b) {
            return std::make_pair(int(a->group), a->name) < std::make_pair(int(b->group), b->name);
        });
        return list;
    }();
    return sorted;
}

const Command *Command::find(const QString &commandName) {
    for (const Command *c : all())
        if (c->name == commandName)
            return c;
    return nullptr;
}

void Command::add(std::unique_ptr<Command> command) {
    registry().push_back(std::move(command));
}

const QList<QCommandLineOption> &linkOptions() {
    static const QList<QCommandLineOption> options{
        {QStringLiteral("tcp"), QStringLiteral("TCP link, port 4999 unless given"),
         QStringLiteral("HOST[:PORT]")},
        {QStringLiteral("serial"),
         QStringLiteral("serial link: COM1..COM10 or a device path (/dev/ttyUSB0, a pty)"),
         QStringLiteral("PORT")},
        {QStringLiteral("baud"),
         QStringLiteral(
             "19200, 9600, 4800, 2400, 1200 or 300; without it the rate is detected as the desktop "
             "program does, falling back to 9600"),
         QStringLiteral("RATE")},
        {QStringLiteral("log"),
         QStringLiteral("print every command and reply to standard error, as the log window "
                        "shows them (the installer key masked)")},
        {QStringLiteral("log-file"),
         QStringLiteral(
             "append the same lines to FILE (with several mixers, one file each: {host}, {port} and {n} "
             "in FILE are replaced, or else \"-N\" goes before the extension: hzm.log gives hzm-1.log "
             "...)"),
         QStringLiteral("FILE")},
    };
    return options;
}

const QList<QCommandLineOption> &severalMixerOptions() {
    static const QList<QCommandLineOption> options{
        {QStringLiteral("targets"),
         QStringLiteral("adds the mixers listed in FILE, one link a line: HOST[:PORT], \"tcp HOST[:PORT]\", "
                        "\"serial PORT\", tcp:HOST[:PORT] or serial:DEVICE[@BAUD] (# starts a comment line)"),
         QStringLiteral("FILE")},
        {QStringLiteral("discovered"), QStringLiteral("adds every mixer the UDP discovery finds within 2 s")},
    };
    return options;
}

QCommandLineOption summaryJsonOption() {
    return QCommandLineOption(QStringLiteral("json"),
                              QStringLiteral("print the summary of several mixers as JSON"));
}

QString toolHelp() {
    QString text = QStringLiteral(
        "Usage: hzmctl [LINK] COMMAND [ARGS]\n\n"
        "Reads, sends, checks and finds HZM-1 / HZM-1e mixers from the shell, through the same\n"
        "code as the desktop program.\n\n"
        "Link (for the commands that talk to a mixer):\n");
    text += optionList(linkOptions());
    QStringList several;
    for (const Command *c : Command::all())
        if (c->severalMixers)
            several << c->name;
    text += QStringLiteral("\nSeveral mixers at once (%1):\n  --tcp and --serial may be repeated, and\n")
                .arg(several.join(QStringLiteral(", ")));
    text += optionList(severalMixerOptions());
    text += QStringLiteral(
        "  Each mixer gets its own link and worker and all run at once, each paced as on its\n"
        "  own. read needs {host}, {port} or {n} in FILE (venue-{n}.hzc). On a terminal one\n"
        "  progress line per mixer; at the end each mixer's output (lines led by its name)\n"
        "  and a table: mixer, result, time, reason. --json prints the summary as JSON\n"
        "  (format \"hzm-mixers\"): {\"command\", \"succeeded\", \"failed\", \"mixers\": [{\"mixer\",\n"
        "  \"link\", \"result\", \"exit_status\", \"seconds\", \"reason\", \"file\" (read), \"output\"}]}.\n"
        "  The exit status is 0 only when every mixer succeeded, else the highest of theirs.\n");
    const QStringList headings{QStringLiteral("Commands that talk to a mixer (LINK):"),
                               QStringLiteral("Finding mixers:"),
                               QStringLiteral("Commands on settings files:")};
    int group = -1;
    for (const Command *c : Command::all()) {
        if (int(c->group) != group) {
            group = int(c->group);
            text += QLatin1Char('\n') + headings.at(group) + QLatin1Char('\n');
        }
        text += columns(c->usage(), c->summary, 27);
    }
    text += QStringLiteral(
        "\nFILE \"-\" reads the settings file from standard input (show, send, verify, diff, apply,\n"
        "export). Settings files are read as the desktop program reads them: the two header lines\n"
        "are not examined. send and apply refuse a file whose lines do not hold settings (a text\n"
        "export or a log). \"hzmctl COMMAND --help\" describes one command; \"hzmctl --version\"\n"
        "prints this tool's version.\n\n"
        "Exit status: 0 success; 1 the transfer or operation failed (\"Transfer failed.\" and\n"
        "the reason on standard error), or verify, diff or apply found differences; 2 bad\n"
        "usage or unreadable input (the message names the file, port or address); 3 verify\n"
        "or apply: the transfer failed.\n"
        "Colours (--log) only when standard error is a terminal and NO_COLOR is not set.\n"
        "Long transfers show a progress line (commands done/planned) on standard error when\n"
        "it is a terminal. Nothing else is printed on success beyond the result.\n");
    return text;
}

} // namespace hzm::cli
