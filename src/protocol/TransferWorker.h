#pragma once

// Runs one transfer job: builds the link from the selection, opens it, runs the job, closes and
// deletes the link, and reports how it ended in one TransferResult. The desktop program runs it
// on a thread of its own and shows its reports through queued signals; the command-line tool and
// tests run it on the calling thread.

#include "link/CommandExchange.h"
#include "link/Comms.h"
#include "link/LinkSelection.h"
#include "model/SettingsCheck.h"
#include "protocol/TransferJob.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <functional>

namespace hzm {

struct MixerSettings;

// How a finished transfer ended.
struct TransferResult {
    bool success = false;
    bool linkOpened = false;
    int refreshTabs = 0; // the job's flag; 0 when the link could not be opened
    QString linkError;   // why the link could not be made or opened; empty otherwise
    int done = 0;        // commands done (accepted or given up)
    int planned = 0;     // commands planned at the end, never fewer than done
    bool stopped = false; // the stop flag ended the job before it finished
    QString message;     // the last message the job showed (the version error); empty for none
    QString reason;      // why it failed, in words, where the runner works it out (hzmctl)
    // The command (framed) at which a reply came that no command was owed: the exchange lost
    // count of the replies, so the job failed. Empty otherwise.
    QString countLostAt;
    // A send refused before the link was opened: the values it would have sent that lie outside
    // their fields' ranges. Nothing reached the mixer.
    QList<FieldProblem> outOfRange;
};

// What a transfer run on the calling thread reports to; every member may be empty.
struct TransferHooks {
    ExchangeObserver *observer = nullptr; // every report of every exchange
    // A message the job wants shown (text, caption), for example the version error.
    std::function<void(const QString &text, const QString &caption)> showMessage;
    // Commands done of the planned count: after every command and when the job replans.
    std::function<void(int done, int planned)> progress;
    // The job's better count of its commands, once it knows it (Read all, after the version).
    std::function<void(int planned)> plannedChanged;
    Comms::Sleeper sleeper; // replaces how the link sleeps for its pauses (tests)
    // Set by another thread to stop the job after the command under way (Comms::setStopFlag);
    // set before the job starts, the link is never opened.
    const std::atomic<bool> *stop = nullptr;
};

// Runs one job on a thread of its own. Every signal is emitted on the worker thread; connect with
// Qt::QueuedConnection (the default across threads) to reach widgets.
class TransferWorker : public QObject {
    Q_OBJECT
public:
    TransferWorker(const LinkSelection &selection, MixerSettings &settings, TransferJob job,
                   QObject *parent = nullptr);
    ~TransferWorker() override; // waits for the thread

    // Replaces how the link sleeps for its pauses (tests); set before start().
    void setSleeper(Comms::Sleeper sleeper);

    void start();
    // Blocks until the job has ended.
    void wait();
    bool isRunning() const;

    // Runs the job on the calling thread and reports to hooks directly.
    static TransferResult runBlocking(const LinkSelection &selection, MixerSettings &settings,
                                      const TransferJob &job, const TransferHooks &hooks = {});

signals:
    void commandSent(const QString &framed);
    void responseReceived(const QString &reply);
    void logLine(const QString &text, hzm::LogColour colour);
    // Commands done (accepted or given up) of the planned count.
    void progress(int done, int planned);
    // A message the job wants shown (text, caption), for example the version error.
    void message(const QString &text, const QString &caption);
    // The job ended.
    void finished(const hzm::TransferResult &result);

private:
    class Thread;
    Thread *m_thread;
};

} // namespace hzm

Q_DECLARE_METATYPE(hzm::TransferResult)
