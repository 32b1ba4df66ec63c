#pragma once

// What the commands of hzmctl share: the parsed arguments, the link, the output streams and the
// Runner each command is a member of. Each command lives in a file of its own (Cmd*.cpp); the
// table of commands, the argument parser and the dispatch are in Cli.cpp.

#include "Cli.h"
#include "TransferRunner.h"

#include "link/LinkSelection.h"
#include "model/MixerSettings.h"
#include "protocol/TransferJob.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace hzm::cli {

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

void printErr(const QString &text);

struct UsageError {
    QString message;
};

// One --tcp or --serial, in the order given.
struct LinkArgument {
    QString option; // "tcp" or "serial"
    QString value;
};

struct Arguments {
    QString tcp;    // the last --tcp
    QString serial; // the last --serial
    QList<LinkArgument> links;
    QStringList targets; // --targets files
    bool discovered = false;
    bool summaryJson = false; // --json where the command has none of its own: the summary of several mixers
    QString logFile;
    QString baud;
    bool log = false;
    bool help = false;
    QString command;
    QStringList positional;
    QMap<QString, QStringList> options; // command options: name -> values ("" for flags)
};

struct LinkChoice {
    LinkSelection selection; // a serial rate of 0 is detected before the command runs
};

// Several mixers: more than one --tcp or --serial, --targets or --discovered.
inline bool manyMixers(const Arguments &a) {
    return a.links.size() > 1 || !a.targets.isEmpty() || a.discovered;
}

// Whether the option takes a value (the others are flags).
bool takesValue(const QString &name);

std::optional<UsageError> parseLink(const Arguments &a, LinkChoice &choice);

class Runner;

// One entry of the table of commands (Cli.cpp).
struct CommandInfo {
    const char *name;
    const char *usage;
    const char *help;
    int minArgs;
    int maxArgs;
    bool needsLink;
    QStringList options; // command options besides the link options
    int (Runner::*run)();
    bool checksLinkItself = false; // the command prepares the link itself (or needs no prepared one)
};

const QList<CommandInfo> &commands();
const CommandInfo *findCommand(const QString &name);

// How a file argument is named in messages: "-" is standard input.
QString shownPath(const QString &path);
// "1 field differs", "3 fields differ"; with still, "1 field still differs".
QString fieldsDiffer(qsizetype count, bool still = false);
// Whether a file can be created at path (its folder exists and path is no folder).
bool writableTarget(const QString &path, QString &why);
// A serial port that cannot be opened: the desktop program's text, the system's reason and, when
// the user lacks the permission, what to do about it.
QString portProblem(const QString &port, const QString &reason);

class Runner {
public:
    explicit Runner(Arguments args) : a(std::move(args)) {}
    int run();
    int outputError() const { return m_output.error(); }

    // The same command on every mixer of several links (CliMany.cpp).
    int runMany();

    int cmdVersion();
    int cmdRead();
    int cmdSend();
    int cmdSetDefaults();
    int cmdReset();
    int cmdKey();
    int cmdDetect();
    int cmdDiscover();
    int cmdNew();
    int cmdExport();
    int cmdShow();
    int cmdVerify();
    int cmdDiff();
    int cmdApply();

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

    void printVersion(const QString &version);
    int cmdSingle(const TransferJob &job);
    bool keysGiven(QString &oldKey, QString &newKey, int &status) const;

    void printOut(const QString &text) { m_output.write(text.toUtf8()); }

    Arguments a;
    const CommandInfo *info = nullptr;
    LinkChoice link;
    StandardOutput m_output;
    mutable QFile m_logFile; // --log-file, open once a command runs
};

} // namespace hzm::cli
