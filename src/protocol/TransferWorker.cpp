#include "TransferJob.h"

#include "link/Comms.h"
#include "model/MixerSettings.h"

#include <QMetaType>

namespace hzm {

namespace {

// Forwards the exchange's reports to the worker's signals and counts finished commands.
class SignalObserver : public ExchangeObserver {
public:
    SignalObserver(TransferWorker *worker, int planned) : m_worker(worker), m_planned(planned) {}

    void commandSent(const QString &framed) override { emit m_worker->commandSent(framed); }
    void responseReceived(const QString &reply) override { emit m_worker->responseReceived(reply); }
    void logLine(const QString &text, LogColour colour) override { emit m_worker->logLine(text, colour); }
    void commandFinished(bool) override {
        ++m_done;
        emit m_worker->progress(m_done, std::max(m_planned, m_done));
    }
    void setPlanned(int planned) {
        m_planned = planned;
        emit m_worker->progress(m_done, std::max(m_planned, m_done));
    }

private:
    TransferWorker *m_worker;
    int m_planned;
    int m_done = 0;
};

// Opens the link, runs the job, closes the link. Returns the job's result; linkOpened and
// linkError tell whether the link could be used at all.
int runOnLink(const LinkSelection &selection, JobContext &context, const TransferJob &job,
              const Comms::Sleeper &sleeper, bool &linkOpened, QString &linkError) {
    linkOpened = false;
    linkError.clear();
    std::unique_ptr<Comms> link = makeLink(selection);
    if (!link) {
        linkError = QStringLiteral("The link to %1 cannot be made.").arg(selection.describe());
        return 0;
    }
    if (sleeper)
        link->setSleeper(sleeper);
    if (!link->Open()) {
        linkError = link->errorString();
        if (linkError.isEmpty())
            linkError = QStringLiteral("Cannot open %1.").arg(link->describe());
        return 0;
    }
    linkOpened = true;
    const int result = job.run ? job.run(*link, context) : 0;
    link->Close();
    return result ? 1 : 0;
}

} // namespace

class TransferWorker::Thread : public QThread {
public:
    Thread(TransferWorker *owner, const LinkSelection &selection, MixerSettings &settings, TransferJob job)
        : m_owner(owner), m_selection(selection), m_settings(settings), m_job(std::move(job)) {}

    void run() override {
        SignalObserver observer(m_owner, m_job.plannedCommands);
        JobContext context{m_settings, &observer, {}, {}};
        TransferWorker *owner = m_owner;
        context.showMessage = [owner](const QString &text, const QString &caption) {
            emit owner->message(text, caption);
        };
        context.setPlannedCommands = [&observer](int planned) { observer.setPlanned(planned); };
        bool linkOpened = false;
        QString linkError;
        const int result = runOnLink(m_selection, context, m_job, sleeper, linkOpened, linkError);
        emit m_owner->finished(result != 0, linkOpened ? m_job.refreshTabs : 0, linkError);
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

int TransferWorker::runBlocking(const LinkSelection &selection, MixerSettings &settings,
                                const TransferJob &job, ExchangeObserver *observer, bool *linkOpened,
                                QString *linkError,
                                std::function<void(const QString &, const QString &)> showMessage,
                                Comms::Sleeper sleeper, std::function<void(int)> plannedChanged) {
    JobContext context{settings, observer, std::move(showMessage), std::move(plannedChanged)};
    bool opened = false;
    QString error;
    const int result = runOnLink(selection, context, job, sleeper, opened, error);
    if (linkOpened)
        *linkOpened = opened;
    if (linkError)
        *linkError = error;
    return result;
}

} // namespace hzm
