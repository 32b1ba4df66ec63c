#pragma once

// One hzmctl command: all its facts in one declaration and the code that runs it. Each command
// is a class in a file of its own (Cmd*.cpp) that registers itself with HZM_COMMAND; the tool's
// help, each command's help, the parser of its arguments and the dispatch come from the
// declarations, and a test holds the bash completion and the manual to them.

#include "protocol/MixerBatch.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace hzm::cli {

class CommandRun;

// A positional argument.
struct Argument {
    QString name;        // "FILE"
    QString description; // for the command's help
    bool optional = false;
    // The argument belongs to this option's value ("--only" for "--only output N"): the help
    // lists it under the option, and the usage line leaves it out.
    QString ofOption = {};
};

// What one exit status of a command means.
struct ExitMeaning {
    int status;
    MixerOutcome outcome; // for the table of several mixers ("ok", "differs", "failed", ...)
    QString meaning;      // "something differs"
};

// The link a command needs.
enum class LinkUse {
    None,       // works on files or the network; --tcp and --serial are refused
    Prepared,   // talks to a mixer: the serial port is checked and its rate found before run()
    Unprepared, // talks to a mixer, and prepares the link itself once its own input is checked
};

// Where the tool's help lists a command.
enum class Group { Mixer, Network, Files };

class Command {
public:
    virtual ~Command() = default;
    // Runs the command; returns its exit status.
    virtual int run(CommandRun &run) const = 0;

    QString name;        // "send"
    QString summary;     // one sentence for the tool's help
    QString description; // the body of "hzmctl NAME --help": paragraphs, each line ended
    QList<Argument> arguments;
    QList<QCommandLineOption> options;
    QStringList repeatable; // options that may be given more than once
    LinkUse link = LinkUse::None;
    Group group = Group::Files;
    bool severalMixers = false; // runs on every mixer of several links at once
    QList<ExitMeaning> exitStatuses = defaultExitStatuses();

    // "FILE [--only PART]": the arguments and options, as the usage line shows them.
    QString usage() const;
    // "hzmctl NAME --help".
    QString help() const;
    bool takesOption(const QString &name) const;
    const QCommandLineOption *option(const QString &name) const;
    int minArguments() const;
    int maxArguments() const;
    MixerOutcome outcome(int status) const;

    // 0 success, 1 failed, 2 bad usage or unreadable input.
    static QList<ExitMeaning> defaultExitStatuses();
    // The same and 3: a mixer's replies lost count with the commands.
    static QList<ExitMeaning> mixerExitStatuses();

    // Every command: those talking to a mixer first, then the network, then files; by name.
    static const QList<const Command *> &all();
    static const Command *find(const QString &name);
    static void add(std::unique_ptr<Command> command);
};

// The options every command takes (the commands without a link refuse them when given), and those
// of several mixers; each command's parser holds them besides its own.
const QList<QCommandLineOption> &linkOptions();
const QList<QCommandLineOption> &severalMixerOptions();
// --json, as the summary of several mixers for a command without a --json of its own.
QCommandLineOption summaryJsonOption();

// "hzmctl --help".
QString toolHelp();

template <typename T> struct CommandRegistration {
    CommandRegistration() { Command::add(std::make_unique<T>()); }
};

} // namespace hzm::cli

// Registers the command class T once the program starts.
#define HZM_COMMAND(T) static const hzm::cli::CommandRegistration<T> registration##T;
