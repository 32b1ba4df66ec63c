#pragma once

// A transfer job: one conversation with the mixer, run on a worker thread over a freshly opened
// link. The GUI shows its reports through queued signals; the command-line tool waits for it.

#include "link/CommandExchange.h"
#include "link/Comms.h"
#include "link/LinkSelection.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

namespace hzm {

class Comms;
struct MixerSettings;

// What a running job may use besides its link.
struct JobContext {
    MixerSettings &settings;
    ExchangeObserver *observer = nullptr; // receives every report of every exchange
    // Shows a message from the worker thread (the version error); the GUI forwards it to a box.
    std::function<void(const QString &text, const QString &caption)> showMessage;
    // Tells the progress display a better command count once the job knows it (Read all, after
    // it has asked the mixer's version); may be empty.
    std::function<void(int planned)> setPlannedCommands;

    void message(const QString &text, const QString &caption) const {
        if (showMessage)
            showMessage(text, caption);
    }
    void replan(int planned) const {
        if (setPlannedCommands)
            setPlannedCommands(planned);
    }
};

// The job: 1 success, 0 failure.
using JobFunction = std::function<int(Comms &link, JobContext &context)>;

struct TransferJob {
    JobFunction run;
    int refreshTabs = 0;     // 1: the main window reloads its pages afterwards, success or not
    int plannedCommands = 0; // commands the job expects to send (progress); 0 when unknown
    QString title;           // for progress lines ("Read all", "Send output 3", ...)
};

// Runs one job on a thread of its own: builds the link from the selection, opens it, runs the
// job, closes and deletes the link, and reports. Every signal is emitted on the worker thread;
// connect with Qt::QueuedConnection (the default across threads) to reach widgets.
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

    // Runs the job on the calling thread (the command-line tool, tests). Returns 1 or 0 and
    // reports to observer directly. linkOpened tells whether the link could be opened.
    static int runBlocking(const LinkSelection &selection, MixerSettings &settings, const TransferJob &job,
                           ExchangeObserver *observer, bool *linkOpened = nullptr,
                           QString *linkError = nullptr,
                           std::function<void(const QString &, const QString &)> showMessage = {},
                           Comms::Sleeper sleeper = {}, std::function<void(int)> plannedChanged = {});

signals:
    void commandSent(const QString &framed);
    void responseReceived(const QString &reply);
    void logLine(const QString &text, hzm::LogColour colour);
    // Commands done (accepted or given up) of the planned count.
    void progress(int done, int planned);
    // A message the job wants shown (text, caption), for example the version error.
    void message(const QString &text, const QString &caption);
    // The job ended. refreshTabs is the job's flag, or 0 when the link could not be opened;
    // linkError says why the link failed, empty otherwise.
    void finished(bool success, int refreshTabs, const QString &linkError);

private:
    class Thread;
    Thread *m_thread;
};

} // namespace hzm

Q_DECLARE_METATYPE(hzm::LogColour)
