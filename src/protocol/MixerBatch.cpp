#include "MixerBatch.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace hzm {

QString outcomeWord(MixerOutcome outcome) {
    switch (outcome) {
    case MixerOutcome::Succeeded:
        return QStringLiteral("ok");
    case MixerOutcome::Differs:
        return QStringLiteral("differs");
    case MixerOutcome::Failed:
        break;
    case MixerOutcome::BadInput:
        return QStringLiteral("bad input");
    case MixerOutcome::Stopped:
        return QStringLiteral("stopped");
    }
    return QStringLiteral("failed");
}

const BatchMixer &MixerTaskContext::mixer() const {
    return m_batch.m_mixers.at(m_index);
}

bool MixerTaskContext::stopRequested() const {
    return m_batch.isStopped();
}

TransferResult MixerTaskContext::transfer(const LinkSelection &link, MixerSettings &settings,
                                          const TransferJob &job, TransferHooks hooks) {
    hooks.progress = [this, title = job.title, also = std::move(hooks.progress)](int done, int planned) {
        emit m_batch.mixerProgress(m_index, title, done, planned);
        if (also)
            also(done, planned);
    };
    hooks.stop = &m_batch.m_stop;
    if (!hooks.sleeper)
        hooks.sleeper = m_batch.m_sleeper;
    const TransferResult result = TransferWorker::runBlocking(link, settings, job, hooks);
    m_done += result.done;
    m_planned += result.planned;
    return result;
}

MixerBatch::MixerBatch(QList<BatchMixer> mixers, MixerTask task, QObject *parent)
    : QObject(parent), m_mixers(std::move(mixers)), m_task(std::move(task)),
      m_results(size_t(m_mixers.size())) {
    qRegisterMetaType<hzm::MixerResult>("hzm::MixerResult");
}

MixerBatch::~MixerBatch() {
    stop();
    wait();
}

void MixerBatch::start() {
    if (!m_threads.empty())
        return;
    const int count =
        m_maxConcurrent > 0 ? std::min(m_maxConcurrent, int(m_mixers.size())) : int(m_mixers.size());
    if (count == 0) {
        emit finished();
        return;
    }
    m_running = count;
    for (int i = 0; i < count; ++i) {
        m_threads.emplace_back(QThread::create([this] { work(); }));
        m_threads.back()->start();
    }
}

void MixerBatch::stop() {
    m_stop = true;
}

void MixerBatch::wait() {
    for (const std::unique_ptr<QThread> &thread : m_threads)
        thread->wait();
}

QList<MixerResult> MixerBatch::results() const {
    const QMutexLocker lock(&m_resultsMutex);
    return QList<MixerResult>(m_results.begin(), m_results.end());
}

// One worker thread: takes the next mixer not begun until there is none.
void MixerBatch::work() {
    for (int index = m_next++; index < m_mixers.size(); index = m_next++) {
        const MixerResult result = runOne(index);
        {
            const QMutexLocker lock(&m_resultsMutex);
            m_results[size_t(index)] = result;
        }
        emit mixerFinished(index, result);
    }
    if (--m_running == 0)
        emit finished();
}

MixerResult MixerBatch::runOne(int index) {
    if (isStopped()) {
        MixerResult stopped;
        stopped.outcome = MixerOutcome::Stopped;
        stopped.reason = QStringLiteral("stopped before it began");
        return stopped;
    }
    emit mixerStarted(index);
    QElapsedTimer clock;
    clock.start();
    MixerTaskContext context(*this, index);
    MixerResult result = m_task(context);
    if (result.outcome == MixerOutcome::Failed && isStopped())
        result.outcome = MixerOutcome::Stopped;
    result.done = context.m_done;
    result.planned = std::max(context.m_planned, context.m_done);
    result.seconds = clock.nsecsElapsed() / 1e9;
    return result;
}

} // namespace hzm
