#include "CommandRun.h"

#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace hzm::cli {

namespace {

constexpr qint64 kMostKeyBytes = 4096;

// The words of "OLD NEW" (white space or lines between them) on device; more than a few KB
// counts as a third word.
QStringList readKeyWords(QIODevice &device) {
    const QByteArray text = device.read(kMostKeyBytes + 1);
    QStringList words = QString::fromUtf8(text.left(kMostKeyBytes))
                            .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (text.size() > kMostKeyBytes)
        words << QString();
    return words;
}

// One line typed on the terminal that is standard input, not shown as it is typed, after prompt
// on the error stream (as password prompts do).
QString readHidden(CommandRun &r, const QString &prompt) {
#ifdef _WIN32
    const HANDLE console = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool hidden = GetConsoleMode(console, &mode) && SetConsoleMode(console, mode & ~ENABLE_ECHO_INPUT);
#else
    termios shown{};
    const bool hidden = tcgetattr(STDIN_FILENO, &shown) == 0;
    if (hidden) {
        termios quiet = shown;
        quiet.c_lflag = (quiet.c_lflag & ~tcflag_t(ECHO)) | ECHONL; // the line end still shows
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
#endif
    r.printErr(prompt);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
#ifdef _WIN32
    if (hidden) {
        SetConsoleMode(console, mode);
        r.printErr(QStringLiteral("\n"));
    }
#else
    if (hidden)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
#endif
    return read ? QString::fromLocal8Bit(line).trimmed() : QString();
}

class Key : public Command {
public:
    Key() {
        name = QStringLiteral("key");
        summary =
            QStringLiteral("change the installer key (four digits 1 to 8 each); --key-file FILE, or standard "
                           "input, keeps the keys out of the process list");
        description = QStringLiteral(
            "Changes the mixer's installer key from OLD to NEW. Each key is exactly four digits,\n"
            "each 1 to 8, checked as the Installer Key tab does before anything is sent. The keys\n"
            "are masked in the --log output.\n"
            "Keys on the command line can be seen by other users of this machine in the process\n"
            "list: --key-file reads them from a file instead, and without OLD NEW and --key-file\n"
            "the keys are read from standard input: on a terminal after the prompts \"Old key: \",\n"
            "\"New key: \" and \"Repeat new key: \", not shown as they are typed.\n");
        arguments = {{QStringLiteral("OLD"), QStringLiteral("the installer key the mixer holds"), true},
                     {QStringLiteral("NEW"), QStringLiteral("the installer key it is to hold"), true}};
        options = {{QStringLiteral("key-file"),
                    QStringLiteral("read OLD and NEW from FILE (separated by white space or on two lines; "
                                   "\"-\": standard input)"),
                    QStringLiteral("FILE")}};
        link = LinkUse::Unprepared;
        exitStatuses = mixerExitStatuses();
        group = Group::Mixer;
    }

    int run(CommandRun &r) const override {
        QString oldKey;
        QString newKey;
        QString repeated;
        int status = 0;
        if (!keysGiven(r, oldKey, newKey, repeated, status))
            return status;
        // The page reads at most 31 characters of each box.
        const InstallerKeyCheck check =
            CheckInstallerKeys(oldKey.left(31), newKey.left(31), repeated.left(31));
        if (!check.ok()) {
            QString message = check.message;
            message.replace(QStringLiteral("\n "), QStringLiteral(" "))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            return r.usage(message);
        }
        if (!r.prepareLink(status))
            return status;
        return r.runJob(ChangeInstallerKeyJob(oldKey, newKey));
    }

private:
    // The two keys from the command line, --key-file, the terminal or standard input; the new
    // key once more where it was typed twice. False after a message.
    static bool keysGiven(CommandRun &r, QString &oldKey, QString &newKey, QString &repeated, int &status) {
        const bool fromFile = r.isSet(QStringLiteral("key-file"));
        const QStringList &positional = r.args.positional;
        if (positional.size() == 2) {
            if (fromFile) {
                status =
                    r.usage(QStringLiteral("give the keys either as OLD NEW or with --key-file, not both"));
                return false;
            }
            oldKey = positional.at(0);
            repeated = newKey = positional.at(1);
            return true;
        }
        if (positional.size() == 1) {
            status = r.usage(QStringLiteral("missing argument NEW"));
            return false;
        }
        const QString path = fromFile ? r.value(QStringLiteral("key-file")) : QStringLiteral("-");
        if (path == QLatin1String("-") && r.streams.inIsTerminal) {
            oldKey = readHidden(r, QStringLiteral("Old key: "));
            newKey = readHidden(r, QStringLiteral("New key: "));
            repeated = readHidden(r, QStringLiteral("Repeat new key: "));
            return true;
        }
        const QString source = shownPath(path);
        QFile file(path);
        QIODevice *device = path == QLatin1String("-") ? r.streams.in : &file;
        if (device == &file && !file.open(QIODevice::ReadOnly)) {
            status =
                r.fail(QStringLiteral("cannot read the keys from %1: %2").arg(source, file.errorString()));
            return false;
        }
        const QStringList words = device ? readKeyWords(*device) : QStringList();
        if (words.size() != 2) {
            status =
                r.fail(QStringLiteral("%1 must hold the old and the new key, separated by white space, and "
                                      "nothing more")
                           .arg(source));
            return false;
        }
        oldKey = words.at(0);
        repeated = newKey = words.at(1);
        return true;
    }
};

HZM_COMMAND(Key)

} // namespace

} // namespace hzm::cli
