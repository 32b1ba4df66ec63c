#pragma once

// Runs one task on each of many mixers at once, each over a link of its own on a worker thread,
// each paced exactly as on its own: hzmctl's several mixers, and a window that checks, applies
// or backs up a whole venue. A task is any sequence of transfer jobs on one mixer (read, send
// what differs, read again); it hands back one MixerResult. The batch reports each mixer's
// progress and end by signals, and can be stopped after the command under way.

#include "link/LinkSelection.h"
#include "protocol/TransferWorker.h"

#include <QList>
#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace hzm {

struct MixerSettings;

// One mixer of a batch.
struct BatchMixer {
    QString name;       // how messages and tables name it ("127.0.0.1:4001", "/dev/ttyUSB0")
    LinkSelection link; // a serial rate of 0 is for the task to find
};

// How one mixer's task ended.
enum class MixerOutcome {
    Succeeded,
    Differs,  // the task ran through, and the mixer does not hold what it should
    Failed,   // a transfer failed
    BadInput, // the task could not start: a file, a port or an argument is wrong
    Stopped,  // the batch was stopped before the task ended (or began)
};

// The word a table shows for an outcome: "ok", "differs", "failed", "bad input", "stopped".
QString outcomeWord(MixerOutcome outcome);

// What one mixer's task hands back.
struct MixerResult {
    MixerOutcome outcome = MixerOutcome::Failed;
    int exitStatus = 1; // hzmctl's exit status for this mixer
    QString reason;     // why it did not succeed, on one line; empty on success
    QString output;     // what the task produced for its reader (hzmctl: what the command printed)
    // Filled in by the batch:
    int done = 0;       // commands done over all the task's transfers
    int planned = 0;    // commands planned over all of them
    double seconds = 0; // from the task's start to its end
};

class MixerBatch;

// What a task may use, on its worker thread.
class MixerTaskContext {
public:
    int index() const { return m_index; }
    const BatchMixer &mixer() const;
    bool stopRequested() const;
    // Runs job over link (the mixer's, or a copy the task refined: a detected serial rate) on
    // this thread, as TransferWorker::runBlocking does: the batch reports its progress, and a stop
    // ends it after the command under way. hooks are called as well.
    TransferResult transfer(const LinkSelection &link, MixerSettings &settings, const TransferJob &job,
                            TransferHooks hooks = {});

private:
    friend class MixerBatch;
    MixerTaskContext(MixerBatch &batch, int index) : m_batch(batch), m_index(index) {}

    MixerBatch &m_batch;
    int m_index;
    int m_done = 0;
    int m_planned = 0;
};

using MixerTask = std::function<MixerResult(MixerTaskContext &context)>;

class MixerBatch : public QObject {
    Q_OBJECT
public:
    // task runs once per mixer, on several threads at once: it must only share what it reads.
    MixerBatch(QList<BatchMixer> mixers, MixerTask task, QObject *parent = nullptr);
    ~MixerBatch() override; // stops the tasks and waits for them

    // At most this many mixers at once, each holding a thread and a link; the others wait their
    // turn in the list's order. Set before start(); 0 (the default): all at once.
    void setMaxConcurrent(int count) { m_maxConcurrent = count; }
    // Replaces how the links sleep for their pauses (tests); set before start().
    void setSleeper(Comms::Sleeper sleeper) { m_sleeper = std::move(sleeper); }

    void start();
    // Ends every task after the command under way; mixers not begun are not begun. Any thread.
    void stop();
    bool isStopped() const { return m_stop.load(); }
    // Blocks until every task has ended.
    void wait();
    bool isRunning() const { return m_running.load() > 0; }

    const QList<BatchMixer> &mixers() const { return m_mixers; }
    // Each mixer's result, in the list's order; complete once finished() was emitted.
    QList<MixerResult> results() const;

signals:
    // All emitted on the worker threads; connect with Qt::QueuedConnection (the default across
    // threads) to reach widgets.
    void mixerStarted(int index);
    // Commands done of the planned count in the mixer's current transfer (title: "Read all").
    void mixerProgress(int index, const QString &title, int done, int planned);
    void mixerFinished(int index, const hzm::MixerResult &result);
    // Every task has ended.
    void finished();

private:
    friend class MixerTaskContext;
    void work();
    MixerResult runOne(int index);

    const QList<BatchMixer> m_mixers;
    const MixerTask m_task;
    int m_maxConcurrent = 0;
    Comms::Sleeper m_sleeper;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_next{0};
    std::atomic<int> m_running{0};
    std::vector<std::unique_ptr<QThread>> m_threads;
    mutable QMutex m_resultsMutex;
    std::vector<MixerResult> m_results;
};

} // namespace hzm

Q_DECLARE_METATYPE(hzm::MixerResult)
