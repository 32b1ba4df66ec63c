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
        m_lastCommand = framed;
        if (m_hooks.observer)
            m_hooks.observer->commandSent(framed);
    }
    void responseReceived(const QString &reply) override {
        if (m_hooks.observer)
            m_hooks.observer->responseReceived(reply);
    }
    void logLine(const QString &text, LogColour colour) override {
        if (colour == LogColour::Failure)
            m_lastFailure = text;
        if (m_hooks.observer)
            m_hooks.observer->logLine(text, colour);
    }
    void commandFinished(bool accepted) override {
        if (m_hooks.observer)
            m_hooks.observer->commandFinished(accepted);
        ++m_done;
        m_accepted += accepted ? 1 : 0;
        report();
    }
    void setPlanned(int planned) {
        m_planned = planned;
        if (m_hooks.plannedChanged)
            m_hooks.plannedChanged(planned);
        report();
    }

    int done() const { return m_done; }
    int accepted() const { return m_accepted; }
    int planned() const { return std::max(m_planned, m_done); }
    QString lastCommand() const { return m_lastCommand; }
    QString lastFailure() const { return m_lastFailure; }

private:
    void report() {
        if (m_hooks.progress)
            m_hooks.progress(m_done, planned());
    }

    const TransferHooks &m_hooks;
    int m_planned;
    int m_done = 0;
    int m_accepted = 0;
    QString m_lastCommand; // framed
    QString m_lastFailure; // the last log line in the failure colour
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

// Why a transfer failed, in one line that names where the link goes, and in one word (kind).
QString failureReason(const TransferResult &outcome, const CountingObserver &observer, const QString &where,
                      TransferFailure &kind) {
    kind = TransferFailure::Other;
    if (outcome.stopped)
        return QStringLiteral("stopped on request after %1 of %2 commands (%3)")
            .arg(observer.accepted())
            .arg(outcome.planned)
            .arg(where);
    if (!outcome.outOfRange.isEmpty())
        return outOfRangeReason(outcome.outOfRange);
    QString reason;
    if (!outcome.linkOpened) {
        kind = TransferFailure::CannotConnect;
        // The link's own message usually starts with the address already.
        QString linkError = outcome.linkError;
        if (linkError.startsWith(where + QStringLiteral(": ")))
            linkError.remove(0, where.size() + 2);
        reason = QStringLiteral("cannot open %1: %2")
                     .arg(where, linkError.isEmpty() ? QStringLiteral("the link failed") : linkError);
    } else if (!outcome.countLostAt.isEmpty()) {
        kind = TransferFailure::RepliesOutOfStep;
        reason =
            QStringLiteral("%1 sent a reply that no command was owed, at %2: its replies no longer match "
                           "the commands")
                .arg(where, outcome.countLostAt);
    } else if (!outcome.message.isEmpty()) {
        reason = outcome.message;
        reason.replace(QLatin1Char('\n'), QStringLiteral(": "));
        reason += QStringLiteral(" (%1)").arg(where);
    } else if (observer.lastFailure() == QLatin1String("No Response")) {
        kind = TransferFailure::NoReply;
        reason = QStringLiteral("no response from %1 to %2 after %3 attempts")
                     .arg(where, observer.lastCommand())
                     .arg(kMaxAttempts);
    } else if (observer.lastFailure().startsWith(QLatin1String("Unreadable reply: "))) {
        kind = TransferFailure::UnreadableReply;
        reason = QStringLiteral("%1 gave no readable reply to %2 in %3 attempts (%4)")
                     .arg(where, observer.lastCommand())
                     .arg(kMaxAttempts)
                     .arg(observer.lastFailure());
    } else if (!observer.lastFailure().isEmpty()) {
        kind = TransferFailure::Refused;
        reason = QStringLiteral("%1 refused %2 %3 times (reply %4)")
                     .arg(where, observer.lastCommand())
                     .arg(kMaxAttempts)
                     .arg(observer.lastFailure());
    } else if (!observer.lastCommand().isEmpty()) {
        reason = QStringLiteral("%1 gave an unexpected reply to %2").arg(where, observer.lastCommand());
    } else {
        reason = QStringLiteral("the job ended before any command was sent to %1").arg(where);
    }
    // Only what the mixer accepted counts as done: the command that failed is not.
    if (outcome.planned > 1)
        reason +=
            QStringLiteral("; stopped after %1 of %2 commands").arg(observer.accepted()).arg(outcome.planned);
    return reason;
}

} // namespace

QString outOfRangeReason(const QList<FieldProblem> &problems) {
    QStringList fields;
    for (const FieldProblem &problem : problems)
        fields << fieldProblemText(problem);
    return QStringLiteral("nothing was sent, since values lie outside their ranges: %1")
        .arg(fields.join(QStringLiteral("; ")));
}

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
        result.reason = failureReason(result, observer, selection.where(), result.failure);
        return result;
    }
    if (job.outOfRange)
        result.outOfRange = job.outOfRange(settings);
    result.linkOpened = result.outOfRange.isEmpty() && runOnLink(selection, context, job, hooks, result);
    result.stopped = !result.success && stopped();
    result.refreshTabs = result.linkOpened ? job.refreshTabs : 0;
    result.done = observer.done();
    result.planned = observer.planned();
    if (!result.success)
        result.reason = failureReason(result, observer, selection.where(), result.failure);
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
