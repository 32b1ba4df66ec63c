#include "TransferWorker.h"

#include "link/Comms.h"
#include "model/MixerSettings.h"

#include <QThread>

#include <algorithm>
#include <memory>

namespace hzm {

namespace {

// Passes every report on to the hooks and counts the finished commands.
class CountingObserver : public ExchangeObserver {
public:
    CountingObserver(const TransferHooks &hooks, int planned) : m_hooks(hooks), m_planned(planned) {}

    void commandSent(const QString &framed) override {
        if (m_hooks.observer)
            m_hooks.observer->commandSent(framed);
    }
    void responseReceived(const QString &reply) override {
        if (m_hooks.observer)
            m_hooks.observer->responseReceived(reply);
    }
    void logLine(const QString &text, LogColour colour) override {
        if (m_hooks.observer)
            m_hooks.observer->logLine(text, colour);
    }
    void commandFinished(bool accepted) override {
        if (m_hooks.observer)
            m_hooks.observer->commandFinished(accepted);
        ++m_done;
        report();
    }
    void setPlanned(int planned) {
        m_planned = planned;
        if (m_hooks.plannedChanged)
            m_hooks.plannedChanged(planned);
        report();
    }

    int done() const { return m_done; }
    int planned() const { return std::max(m_planned, m_done); }

private:
    void report() {
        if (m_hooks.progress)
            m_hooks.progress(m_done, planned());
    }

    const TransferHooks &m_hooks;
    int m_planned;
    int m_done = 0;
};

// Opens the link, runs the job, closes the link. False when the link could not be made or opened
// (result.linkError says why); otherwise result.success is the job's own.
bool runOnLink(const LinkSelection &selection, JobContext &context, const TransferJob &job,
               const TransferHooks &hooks, TransferResult &result) {
    std::unique_ptr<Comms> link = selection.makeLink();
    if (!link) {
        result.linkError = QStringLiteral("The link to %1 cannot be made.").arg(selection.describe());
        return false;
    }
    if (hooks.sleeper)
        link->setSleeper(hooks.sleeper);
    link->setStopFlag(hooks.stop);
    if (!link->Open()) {
        result.linkError = link->errorString();
        if (result.linkError.isEmpty())
            result.linkError = QStringLiteral("Cannot open %1.").arg(link->describe());
        return false;
    }
    result.success = job.run && job.run(*link, context) != 0;
    result.countLostAt = link->exchangeRecord().countLostAt;
    link->Close();
    return true;
}

} // namespace

TransferResult TransferWorker::runBlocking(const LinkSelection &selection, MixerSettings &settings,
                                           const TransferJob &job, const TransferHooks &hooks) {
    CountingObserver observer(hooks, job.plannedCommands);
    TransferResult result;
    JobContext context{settings, &observer, {}, {}};
    context.showMessage = [&hooks, &result](const QString &text, const QString &caption) {
        result.message = text;
        if (hooks.showMessage)
            hooks.showMessage(text, caption);
    };
    context.setPlannedCommands = [&observer](int planned) { observer.setPlanned(planned); };

    const auto stopped = [&hooks] { return hooks.stop && hooks.stop->load(); };
    if (stopped()) {
        result.stopped = true;
        return result;
    }
    if (job.outOfRange)
        result.outOfRange = job.outOfRange(settings);
    result.linkOpened = result.outOfRange.isEmpty() && runOnLink(selection, context, job, hooks, result);
    result.stopped = !result.success && stopped();
    result.refreshTabs = result.linkOpened ? job.refreshTabs : 0;
    result.done = observer.done();
    result.planned = observer.planned();
    return result;
}

// ---- TransferWorker ----------------------------------------------------------------------------

namespace {

// Turns the reports of a job into the worker's signals.
class SignalObserver : public ExchangeObserver {
public:
    explicit SignalObserver(TransferWorker *worker) : m_worker(worker) {}

    void commandSent(const QString &framed) override { emit m_worker->commandSent(framed); }
    void responseReceived(const QString &reply) override { emit m_worker->responseReceived(reply); }
    void logLine(const QString &text, LogColour colour) override { emit m_worker->logLine(text, colour); }

private:
    TransferWorker *m_worker;
};

} // namespace

class TransferWorker::Thread : public QThread {
public:
    Thread(TransferWorker *owner, const LinkSelection &selection, MixerSettings &settings, TransferJob job)
        : m_owner(owner), m_selection(selection), m_settings(settings), m_job(std::move(job)) {}

    void run() override {
        TransferWorker *owner = m_owner;
        SignalObserver observer(owner);
        TransferHooks hooks;
        hooks.observer = &observer;
        hooks.showMessage = [owner](const QString &text, const QString &caption) {
            emit owner->message(text, caption);
        };
        hooks.progress = [owner](int done, int planned) { emit owner->progress(done, planned); };
        hooks.sleeper = sleeper;
        emit owner->finished(runBlocking(m_selection, m_settings, m_job, hooks));
    }

    Comms::Sleeper sleeper;

private:
    TransferWorker *m_owner;
    LinkSelection m_selection;
    MixerSettings &m_settings;
    TransferJob m_job;
};

TransferWorker::TransferWorker(const LinkSelection &selection, MixerSettings &settings, TransferJob job,
                               QObject *parent)
    : QObject(parent), m_thread(new Thread(this, selection, settings, std::move(job))) {
    qRegisterMetaType<hzm::LogColour>("hzm::LogColour");
    qRegisterMetaType<hzm::TransferResult>("hzm::TransferResult");
}

TransferWorker::~TransferWorker() {
    m_thread->wait();
    delete m_thread;
}

void TransferWorker::setSleeper(Comms::Sleeper sleeper) {
    m_thread->sleeper = std::move(sleeper);
}

void TransferWorker::start() {
    m_thread->start();
}

void TransferWorker::wait() {
    m_thread->wait();
}

bool TransferWorker::isRunning() const {
    return m_thread->isRunning();
}

} // namespace hzm
