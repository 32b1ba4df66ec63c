#pragma once

// One run of one command: its parsed arguments, its streams, its link, and what the commands
// share (messages, loading files, running transfers). A run on several mixers makes one of these
// per mixer, each on the mixer's worker thread.

#include "Cli.h"
#include "Command.h"
#include "Streams.h"
#include "TransferRunner.h"

#include "link/LinkSelection.h"
#include "model/MixerSettings.h"
#include "protocol/TransferJob.h"

#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace hzm::cli {

// One --tcp or --serial, in the order given.
struct LinkArgument {
    QString option; // "tcp" or "serial"
    QString value;
};

// The arguments of one command, as its parser found them.
struct ParsedArguments {
    QStringList given; // as given, without the program name
    QString command;
    QStringList positional;             // the command's arguments, without its name
    QMap<QString, QStringList> options; // the command's own options: name -> values ("" for flags)
    QList<LinkArgument> links;
    QStringList targets; // --targets files
    bool discovered = false;
    bool summaryJson = false; // --json as the summary of several mixers
    QString logFile;
    QString baud;
    bool log = false;
    bool help = false;

    // Several mixers: more than one --tcp or --serial, --targets or --discovered.
    bool severalMixers() const { return links.size() > 1 || !targets.isEmpty() || discovered; }
};

class CommandRun {
public:
    CommandRun(const Command &command, ParsedArguments arguments, Streams &streams)
        : command(command), args(std::move(arguments)), streams(streams) {}

    // Checks the link options, opens the log file, prepares the link as the command declares, and
    // runs the command; returns its exit status.
    int execute();
    // The same on one mixer of several, on its worker thread: over its link, its transfers
    // reported to the batch.
    int execute(MixerTaskContext &mixer);

    const Command &command;
    const ParsedArguments args;
    Streams &streams;

    bool isSet(const QString &option) const { return args.options.contains(option); }
    QString value(const QString &option) const { return args.options.value(option).value(0); }

    void printOut(const QString &text) { streams.out.print(text); }
    void printErr(const QString &text) { streams.err.print(text); }

    // Messages on the error stream, led by "hzmctl NAME: ". All but warn() say why the command
    // did not succeed (reason()) and return the exit status: usage() 2 with the usage line,
    // fail() 2 for bad input, finish() the status given.
    int usage(const QString &message);
    int fail(const QString &message) { return finish(ExitUsage, message); }
    int finish(int status, const QString &message);
    int transferFailed(const TransferResult &outcome, const QString &extra = QString(),
                       int status = ExitFailed);
    void warn(const QString &message);
    // Why the command did not succeed: its messages, joined by "; ".
    QString reason() const { return m_reasons.join(QStringLiteral("; ")); }

    // Loads a settings file ("-": standard input) as the desktop program does. toMixer: the file
    // goes to a mixer, so it is refused when its lines are no settings or it is damaged; else a
    // damaged file gets a warning. False after a message.
    bool loadFile(const QString &path, MixerSettings &settings, int &status, bool toMixer = false);
    // Checks the serial port and finds its rate unless it is known. False after a message.
    bool prepareLink(int &status);
    const LinkSelection &link() const { return m_link; }
    TransferResult transfer(MixerSettings &settings, const TransferJob &job,
                            RunOptions options = RunOptions());
    // Runs a job that needs no settings (set-defaults, reset, key): 0, or the transfer's failure.
    int runJob(const TransferJob &job);

private:
    int run();

    LinkSelection m_link;
    MixerTaskContext *m_mixer = nullptr;
    QFile m_logFile; // --log-file, open once the command runs
    QStringList m_reasons;
};

// Reads the link options of one mixer (the last --tcp or --serial, and --baud).
std::optional<LinkSelection> parseLink(const ParsedArguments &args, QString &error);
// The same command on every mixer of several links at once (ManyMixers.cpp).
int runOnSeveralMixers(const Command &command, const ParsedArguments &args, Streams &streams);

// A message as it may reach a terminal: control characters (an escape sequence in an argument or
// a reply) shown as visible escapes, its line ends kept.
QString shownSafely(const QString &message);
// How a file argument is named in messages: "-" is standard input.
QString shownPath(const QString &path);
// "1 field differs", "3 fields differ"; with still, "1 field still differs".
QString fieldsDiffer(qsizetype count, bool still = false);
// Whether a file can be created at path (its folder exists and path is no folder).
bool writableTarget(const QString &path, QString &why);
// A serial port that cannot be opened: the desktop program's text, the system's reason and, when
// the user lacks the permission, what to do about it.
QString portProblem(const QString &port, const QString &reason);

} // namespace hzm::cli
