// hzmctl's arguments: a parser made from the declarations of the command they name, then the
// dispatch to that command on one mixer or on several.

#include "Cli.h"

#include "CommandRun.h"

#include <QCommandLineParser>
#include <QFile>

#include <cstring>

namespace hzm::cli {

namespace {

const QCommandLineOption kHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")});

// A parser for command: the link options, those of several mixers and the command's own; for
// no command, every option of every command, to find the command word wherever options stand.
// An option several commands declare counts once.
void prepare(QCommandLineParser &parser, const Command *command) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QList<QCommandLineOption> options{kHelp};
    options += linkOptions();
    options += severalMixerOptions();
    for (const Command *c : Command::all())
        if (!command || c == command)
            options += c->options;
    if (!command || command->severalMixers)
        options << summaryJsonOption();
    QStringList names;
    for (const QCommandLineOption &option : options) {
        if (names.contains(option.names().first()))
            continue;
        names += option.names();
        parser.addOption(option);
    }
}

// The arguments as the parser found them: every occurrence of an option, in order, with its value.
ParsedArguments parsed(const QCommandLineParser &parser, const Command &command, const QStringList &given) {
    ParsedArguments args;
    args.given = given;
    args.command = command.name;
    args.help = parser.isSet(kHelp);
    args.positional = parser.positionalArguments().mid(1);
    QMap<QString, int> seen;
    for (const QString &name : parser.optionNames()) {
        if (kHelp.names().contains(name))
            continue;
        const QString value = parser.values(name).value(seen[name]++);
        if (name == QLatin1String("tcp") || name == QLatin1String("serial"))
            args.links << LinkArgument{name, value};
        else if (name == QLatin1String("targets"))
            args.targets << value;
        else if (name == QLatin1String("discovered"))
            args.discovered = true;
        else if (name == QLatin1String("log-file"))
            args.logFile = value;
        else if (name == QLatin1String("baud"))
            args.baud = value;
        else if (name == QLatin1String("log"))
            args.log = true;
        else if (name == QLatin1String("json") && !command.takesOption(name))
            args.summaryJson = true;
        else
            args.options[name] << value;
    }
    if (args.options.contains(QStringLiteral("json")))
        args.summaryJson = true; // verify --json: its own, and the summary's with several mixers
    return args;
}

int toolUsage(Streams &streams, const QString &message) {
    streams.err.print(QStringLiteral("hzmctl: %1\nSee hzmctl --help.\n").arg(shownSafely(message)));
    return ExitUsage;
}

// The checks every command's arguments pass before it runs; nullopt when they pass.
std::optional<QString> argumentProblem(const Command &command, const ParsedArguments &args) {
    if (args.positional.size() < command.minArguments())
        return QStringLiteral("missing argument %1").arg(command.arguments.at(args.positional.size()).name);
    if (args.positional.size() > command.maxArguments())
        return QStringLiteral("unexpected argument %1").arg(args.positional.at(command.maxArguments()));
    for (auto it = args.options.cbegin(); it != args.options.cend(); ++it)
        if (it.value().size() > 1 && !command.repeatable.contains(it.key()))
            return QStringLiteral("--%1 given twice").arg(it.key());
    if (args.severalMixers()) {
        if (command.link == LinkUse::None)
            return QStringLiteral(
                "works without a link; leave out --tcp, --serial, --targets and --discovered");
        if (!command.severalMixers)
            return QStringLiteral("works with one mixer only; give one --tcp or --serial");
    }
    return std::nullopt;
}

} // namespace

int RunCli(const QStringList &arguments, Streams &streams) {
    // This tool's own version; the "version" command asks the mixer for its own.
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--version")) {
        streams.out.write(QByteArrayLiteral("hzmctl " HZM_VERSION "\n"));
        return ExitSuccess;
    }
    const QStringList withProgram = QStringList{QStringLiteral("hzmctl")} + arguments;
    QCommandLineParser finder;
    prepare(finder, nullptr);
    const bool understood = finder.parse(withProgram);
    const QString name = finder.positionalArguments().value(0);
    if (name.isEmpty()) {
        if (!understood)
            return toolUsage(streams, finder.errorText());
        if (finder.isSet(kHelp)) {
            streams.out.print(toolHelp());
            return ExitSuccess;
        }
        return toolUsage(streams, QStringLiteral("no command given"));
    }
    const Command *command = Command::find(name);
    if (!command)
        return toolUsage(streams, QStringLiteral("unknown command %1").arg(name));

    QCommandLineParser parser;
    prepare(parser, command);
    const bool ok = parser.parse(withProgram);
    ParsedArguments args = parsed(parser, *command, arguments);
    CommandRun run(*command, args, streams);
    if (!ok)
        return run.usage(parser.errorText());
    if (args.help) {
        streams.out.print(command->help());
        return ExitSuccess;
    }
    if (const std::optional<QString> problem = argumentProblem(*command, args))
        return run.usage(*problem);
    if (args.severalMixers())
        return runOnSeveralMixers(*command, args, streams);
    return run.execute();
}

int RunCli(const QStringList &arguments) {
    FileOutput out(stdout);
    FileOutput err(stderr);
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    Streams streams{out, err, &in, isTerminal(stdin)};
    const int status = RunCli(arguments, streams);
    // A result that never reached its reader (a full disk behind "> file") is no success.
    if (out.error() && status == ExitSuccess) {
        err.print(QStringLiteral("hzmctl: cannot write the result to standard output: %1\n")
                      .arg(QString::fromLocal8Bit(std::strerror(out.error()))));
        return ExitFailed;
    }
    return status;
}

} // namespace hzm::cli
