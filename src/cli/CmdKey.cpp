#include "CliCommon.h"

#include "model/TextHelpers.h"
#include "protocol/MixerJobs.h"
#include <QFile>
#include <QRegularExpression>

namespace hzm::cli {

namespace {

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

} // namespace

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

} // namespace hzm::cli
