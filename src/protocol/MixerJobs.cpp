#include "MixerJobs.h"

#include "DeviceCommands.h"
#include "ReplyText.h"

#include "link/Comms.h"
#include "model/MixerSettings.h"
#include "model/SettingsView.h"

#include <QCoreApplication>

namespace hzm {

// ---- Version, defaults, reset

// The texts shown in message boxes are translated where the desktop program has installed a
// translation; hzmctl installs none and prints them as they stand.
QString VersionErrorText() {
    return QCoreApplication::translate("hzm::MixerJobs", "Cannot receive version.\nCheck connection");
}

bool GetVersion(MixerSettings &settings, Comms &link, ExchangeObserver *observer,
                const std::function<void(const QString &, const QString &)> &showMessage) {
    QString reply;
    if (!CommandExchange(QStringLiteral("SY,VQ"), Exchange, link, observer, &reply, kReplyChars))
        return false;
    if (!reply.startsWith(QStringLiteral("<sy,vq"))) {
        if (showMessage)
            showMessage(VersionErrorText(), QCoreApplication::translate("hzm::MixerJobs", "Error"));
        return false;
    }
    // Characters 10 to 13; a shorter reply gives a shorter version.
    settings.softwareVersion = reply.mid(10, 4);
    return true;
}

// ---- Whole configuration

bool SendAllCommands(const MixerSettings &settings, int mode, Comms &link, ExchangeObserver *observer) {
    for (int i = 0; i < kOutputCount; ++i) {
        if (!SendOutput(settings, i, mode, link, observer))
            return false;
        if (mode == Exchange)
            link.PauseBetweenCommands();
    }
    for (int i = 0; i < kInputCount; ++i) {
        if (!SendInput(settings, i, mode, link, observer))
            return false;
        if (mode == Exchange)
            link.PauseBetweenCommands();
    }
    return SendSystemSettings(settings, mode, link, observer);
}

int SendAllCommandCount(const MixerSettings &settings) {
    int count = 0;
    for (int i = 0; i < kOutputCount; ++i)
        count += SendOutputCommandCount(settings, i);
    return count + kInputCount * SendInputCommandCount() + SendSystemCommandCount();
}

bool ReadAllCommands(MixerSettings &settings, Comms &link, ExchangeObserver *observer,
                     const std::function<void(const QString &, const QString &)> &showMessage,
                     const std::function<void(int)> &plannedChanged, bool writeBack) {
    if (!GetVersion(settings, link, observer, showMessage))
        return false;
    // The mixer's own version decides how many queries follow.
    if (plannedChanged)
        plannedChanged(ReadAllCommandCount(settings.softwareVersion, writeBack));
    for (int k = 1; k <= kOutputCount; ++k)
        if (!ReadOutput(settings, k, link, observer))
            return false;
    for (int n = 1; n <= kInputCount; ++n)
        if (!ReadInput(settings, n, link, observer))
            return false;
    return ReadSystemSettings(settings, link, observer, writeBack);
}

int ReadAllCommandCount(const QString &softwareVersion, bool writeBack) {
    int count = 1; // version
    for (int k = 1; k <= kOutputCount; ++k)
        count += ReadOutputCommandCount(k, softwareVersion);
    return count + kInputCount * ReadInputCommandCount(softwareVersion) +
           ReadSystemCommandCount(softwareVersion, writeBack);
}

// ---- Jobs

namespace {

TransferJob makeJob(QString title, int planned, JobFunction run, int refreshTabs = 0) {
    TransferJob job;
    job.run = std::move(run);
    job.refreshTabs = refreshTabs;
    job.plannedCommands = planned;
    job.title = std::move(title);
    return job;
}

TransferJob singleCommandJob(const QString &title, const QString &body) {
    return makeJob(title, 1, [body](Comms &link, JobContext &c) {
        return CommandExchange(body, Exchange, link, c.observer);
    });
}

// The check of a send job that sends the sections (outputs, inputs, the system settings) that
// sends picks.
using SendsSection = std::function<bool(const SectionView &section)>;
TransferJob sendJob(TransferJob job, SendsSection sends) {
    job.outOfRange = [sends = std::move(sends)](const MixerSettings &s) { return outOfRangeFields(s, sends); };
    return job;
}

bool isOutput(const SectionView &section) {
    return section.kind == SectionView::Zone || section.kind == SectionView::Group;
}

// The index in zones of an output's section.
int outputIndex(const SectionView &section) {
    return section.kind == SectionView::Zone ? section.number - 1 : kZoneCount + section.number - 1;
}

TransferJob readAllJob(const MixerSettings &settings, bool writeBack) {
    // Until the mixer has told its version, count as for a current one (above 1.04): its total
    // then stands from the start; the job corrects it once the version is known.
    const QString version =
        settings.softwareVersion.isEmpty() ? QStringLiteral("1.05") : settings.softwareVersion;
    return makeJob(
        QStringLiteral("Read all"), ReadAllCommandCount(version, writeBack),
        [writeBack](Comms &link, JobContext &c) {
            return ReadAllCommands(c.settings, link, c.observer, c.showMessage, c.setPlannedCommands,
                                   writeBack);
        },
        1);
}

} // namespace

TransferJob GetVersionJob() {
    return makeJob(QStringLiteral("Get version"), 1, [](Comms &link, JobContext &c) {
        return GetVersion(c.settings, link, c.observer, c.showMessage);
    });
}

TransferJob SetDefaultsJob() {
    return singleCommandJob(QStringLiteral("Set defaults"), QStringLiteral("SY,SD"));
}

TransferJob ResetJob() {
    return singleCommandJob(QStringLiteral("Reset"), QStringLiteral("SY,R"));
}

TransferJob ReadAllJob(const MixerSettings &settings) {
    return readAllJob(settings, true);
}

TransferJob ReadAllWithoutWritingJob(const MixerSettings &settings) {
    return readAllJob(settings, false);
}

TransferJob SendAllJob(const MixerSettings &settings) {
    return sendJob(makeJob(QStringLiteral("Send all"), SendAllCommandCount(settings),
                           [](Comms &link, JobContext &c) {
                               return SendAllCommands(c.settings, Exchange, link, c.observer);
                           }),
                   [](const SectionView &) { return true; });
}

TransferJob SendInputJob(const MixerSettings &, int index) {
    return sendJob(makeJob(QStringLiteral("Send input %1").arg(index + 1), SendInputCommandCount(),
                           [index](Comms &link, JobContext &c) {
                               return SendInput(c.settings, index, Exchange, link, c.observer);
                           }),
                   [index](const SectionView &section) {
                       return section.kind == SectionView::Input && section.number == index + 1;
                   });
}

TransferJob SendAllInputsJob() {
    return sendJob(
        makeJob(QStringLiteral("Send all inputs"), kInputCount * SendInputCommandCount(),
                [](Comms &link, JobContext &c) {
                    for (int i = 0; i < kInputCount; ++i)
                        if (!SendInput(c.settings, i, Exchange, link, c.observer))
                            return 0;
                    return 1;
                }),
        [](const SectionView &section) { return section.kind == SectionView::Input; });
}

TransferJob SendOutputJob(const MixerSettings &settings, int index) {
    const QString name = index >= kZoneCount ? QStringLiteral("group %1").arg(index - kZoneCount + 1)
                                             : QStringLiteral("zone %1").arg(index + 1);
    return sendJob(makeJob(QStringLiteral("Send ") + name, SendOutputCommandCount(settings, index),
                           [index](Comms &link, JobContext &c) {
                               return SendOutput(c.settings, index, Exchange, link, c.observer);
                           }),
                   [index](const SectionView &section) {
                       return isOutput(section) && outputIndex(section) == index;
                   });
}

TransferJob SendAllOutputsJob(const MixerSettings &settings) {
    int planned = 0;
    for (int i = 0; i < kOutputCount; ++i)
        planned += SendOutputCommandCount(settings, i);
    return sendJob(makeJob(QStringLiteral("Send all outputs"), planned,
                           [](Comms &link, JobContext &c) {
                               for (int i = 0; i < kOutputCount; ++i)
                                   if (!SendOutput(c.settings, i, Exchange, link, c.observer))
                                       return 0;
                               return 1;
                           }),
                   [](const SectionView &section) { return isOutput(section); });
}

TransferJob SendSystemJob() {
    return sendJob(makeJob(QStringLiteral("Send system"), SendSystemCommandCount(),
                           [](Comms &link, JobContext &c) {
                               return SendSystemSettings(c.settings, Exchange, link, c.observer);
                           }),
                   [](const SectionView &section) {
                       return section.kind == SectionView::System;
                   });
}

// ---- Installer key

namespace {

QString keyFaultText() {
    return QCoreApplication::translate("hzm::MixerJobs",
                                       " Key must have four characters.\nOnly '1' to '8' allowed");
}

} // namespace

bool IsValidInstallerKey(const QString &key) {
    if (key.size() != 4)
        return false;
    for (const QChar c : key)
        if (c < QLatin1Char('1') || c > QLatin1Char('8'))
            return false;
    return true;
}

InstallerKeyCheck CheckInstallerKeys(const QString &oldKeyEntered, const QString &newKeyEntered,
                                     const QString &repeatKeyEntered) {
    // The page reads at most 31 characters of each box.
    const QString oldKey = oldKeyEntered.left(31);
    const QString newKey = newKeyEntered.left(31);
    const QString repeatKey = repeatKeyEntered.left(31);

    InstallerKeyCheck check;
    if (!IsValidInstallerKey(oldKey)) {
        check.oldFaulty = true;
        check.message = QCoreApplication::translate("hzm::MixerJobs", "Old Key invalid!\n") + keyFaultText();
    }
    if (!IsValidInstallerKey(newKey)) {
        check.newFaulty = true;
        if (check.message.isEmpty())
            check.message =
                QCoreApplication::translate("hzm::MixerJobs", "New Key invalid!\n") + keyFaultText();
    }
    if (newKey != repeatKey) {
        const bool keysValid = !check.oldFaulty && !check.newFaulty;
        check.newFaulty = true;
        check.repeatFaulty = true;
        if (keysValid)
            check.message =
                QCoreApplication::translate("hzm::MixerJobs", "New key and Repeat New \n Do not match.");
    }
    return check;
}

QString InstallerKeyBody(const QString &oldKey, const QString &newKey) {
    return QStringLiteral("SY,K") + oldKey + newKey;
}

QString MaskedInstallerKeyBody(const QString &oldKey, const QString &newKey) {
    return QStringLiteral("SY,K") + QString(oldKey.size() + newKey.size(), QLatin1Char('*'));
}

namespace {

// Passes the reports on with the keys masked, should the mixer repeat them in its answer.
class KeyMaskingObserver : public ExchangeObserver {
public:
    KeyMaskingObserver(ExchangeObserver *target, QString keys) : m_target(target), m_keys(std::move(keys)) {}
    void commandSent(const QString &framed) override { m_target->commandSent(mask(framed)); }
    void responseReceived(const QString &reply) override { m_target->responseReceived(mask(reply)); }
    void logLine(const QString &text, LogColour colour) override { m_target->logLine(mask(text), colour); }
    void commandFinished(bool accepted) override { m_target->commandFinished(accepted); }

private:
    QString mask(QString text) const {
        if (!m_keys.isEmpty())
            text.replace(m_keys, QString(m_keys.size(), QLatin1Char('*')));
        return text;
    }
    ExchangeObserver *m_target;
    QString m_keys;
};

} // namespace

TransferJob ChangeInstallerKeyJob(const QString &oldKey, const QString &newKey) {
    const QString body = InstallerKeyBody(oldKey, newKey);
    ExchangeOptions options;
    options.shownBody = MaskedInstallerKeyBody(oldKey, newKey);
    const QString keys = oldKey + newKey;
    return makeJob(QStringLiteral("Change installer key"), 1,
                   [body, options, keys](Comms &link, JobContext &c) {
                       if (!c.observer)
                           return CommandExchange(body, Exchange, link, nullptr, nullptr, 0, options);
                       KeyMaskingObserver masking(c.observer, keys);
                       return CommandExchange(body, Exchange, link, &masking, nullptr, 0, options);
                   });
}

} // namespace hzm
