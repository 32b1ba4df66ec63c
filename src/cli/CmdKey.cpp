#include "CommandRun.h"

#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"

#include <QFile>
#include <QRegularExpression>

namespace hzm::cli {

namespace {

// Reads "OLD NEW" (white space or lines between them) from device: at most a few KB, and no
// further than the second key.
QStringList readKeyWords(QIODevice &device) {
    QStringList words;
    qint64 total = 0;
    while (words.size() < 2 && total < 4096) {
        const QByteArray line = device.readLine(4096 - total);
        if (line.isEmpty())
            break;
        total += line.size();
        words += QString::fromUtf8(line).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    }
    return words;
}

class Key : public Command {
public:
    Key() {
        name = QStringLiteral("key");
        summary = QStringLiteral("change the installer key (four digits 1 to 8 each); --key-file FILE, or standard "
                                 "input, keeps the keys out of the process list");
        description = QStringLiteral(
            "Changes the mixer's installer key from OLD to NEW. Each key is exactly four digits,\n"
            "each 1 to 8, checked as the Installer Key tab does before anything is sent. The keys\n"
            "are masked in the --log output.\n"
            "Keys on the command line can be seen by other users of this machine in the process\n"
            "list: --key-file reads them from a file instead, and without OLD NEW and --key-file\n"
            "the keys are read from standard input.\n");
        arguments = {{QStringLiteral("OLD"), QStringLiteral("the installer key the mixer holds"), true},
                     {QStringLiteral("NEW"), QStringLiteral("the installer key it is to hold"), true}};
        options = {{QStringLiteral("key-file"),
                    QStringLiteral("read OLD and NEW from FILE (separated by white space or on two lines; "
                                   "\"-\": standard input)"),
                    QStringLiteral("FILE")}};
        link = LinkUse::Unprepared;
        group = Group::Mixer;
    }

    int run(CommandRun &r) const override {
        QString oldKey;
        QString newKey;
        int status = 0;
        if (!keysGiven(r, oldKey, newKey, status))
            return status;
        // The page reads at most 31 characters of each box.
        const InstallerKeyCheck check = CheckInstallerKeys(oldKey.left(31), newKey.left(31), newKey.left(31));
        if (!check.ok()) {
            QString message = check.message;
            message.replace(QStringLiteral("\n "), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
            return r.usage(message);
        }
        if (!r.prepareLink(status))
            return status;
        return r.runJob(ChangeInstallerKeyJob(oldKey, newKey));
    }

private:
    // The two keys from the command line, --key-file or standard input; false after a message.
    static bool keysGiven(CommandRun &r, QString &oldKey, QString &newKey, int &status) {
        const bool fromFile = r.isSet(QStringLiteral("key-file"));
        const QStringList &positional = r.args.positional;
        if (positional.size() == 2) {
            if (fromFile) {
                status = r.usage(QStringLiteral("give the keys either as OLD NEW or with --key-file, not both"));
                return false;
            }
            oldKey = positional.at(0);
            newKey = positional.at(1);
            return true;
        }
        if (positional.size() == 1) {
            status = r.usage(QStringLiteral("missing argument NEW"));
            return false;
        }
        const QString path = fromFile ? r.value(QStringLiteral("key-file")) : QStringLiteral("-");
        const QString source = shownPath(path);
        QFile file(path);
        QIODevice *device = path == QLatin1String("-") ? r.streams.in : &file;
        if (device == &file && !file.open(QIODevice::ReadOnly)) {
            status = r.fail(QStringLiteral("cannot read the keys from %1: %2").arg(source, file.errorString()));
            return false;
        }
        const QStringList words = device ? readKeyWords(*device) : QStringList();
        if (words.size() != 2) {
            status = r.fail(QStringLiteral("%1 must hold the old and the new key, separated by white space").arg(source));
            return false;
        }
        oldKey = words.at(0);
        newKey = words.at(1);
        return true;
    }
};

HZM_COMMAND(Key)

} // namespace

} // namespace hzm::cli
