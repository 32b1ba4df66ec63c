#include "LiveSender.h"

#include "protocol/ChangesJob.h"
#include "protocol/TransferWorker.h"

#include <QCoreApplication>

#include <utility>

namespace hzm {

LiveSender::LiveSender(const LinkSelection &selection, const MixerSettings &settings,
                       std::optional<MixerBaseline> &baseline, QObject *parent)
    : QObject(parent), m_selection(selection), m_settings(settings), m_baseline(baseline) {}

LiveSender::~LiveSender() = default;

bool LiveSender::setOn(bool on) {
    m_on = on && m_baseline.has_value();
    if (!m_on) {
        m_pending = false;
        // The window stays painted; the user's clicks wait.
        while (m_sending)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::WaitForMoreEvents);
    }
    return m_on;
}

void LiveSender::send(const QString &what) {
    if (!m_on)
        return;
    m_what = what;
    if (m_sending)
        m_pending = true;
    else
        start();
}

void LiveSender::start() {
    if (!m_baseline) {
        m_on = false;
        return;
    }
    m_askedVersion = m_baseline->held.softwareVersion.isEmpty();
    const TransferJob job = SendChangesJob(*m_baseline, m_settings);
    if (job.plannedCommands == 0)
        return;       // the mixer holds it already
    m_worker.reset(); // the last send's, which has ended
    m_jobRecord = m_settings;
    m_sentWhat = m_what;
    m_sending = true;
    m_worker = std::make_unique<TransferWorker>(m_selection, m_jobRecord, job);
    if (m_sleeper)
        m_worker->setSleeper(m_sleeper);
    connect(m_worker.get(), &TransferWorker::logLine, this, &LiveSender::logLine);
    connect(m_worker.get(), &TransferWorker::finished, this, &LiveSender::finished);
    m_worker->start();
}

void LiveSender::finished(const TransferResult &result) {
    m_sending = false;
    if (!result.success) {
        m_on = false;
        m_pending = false;
        m_baseline.reset(); // the mixer may hold anything now
        emit failed(m_sentWhat, result.linkError.isEmpty() ? result.message : result.linkError);
        return;
    }
    if (m_baseline) {
        // The mixer holds what was sent, all of it known: even what an older mixer cannot report.
        const QString version =
            m_askedVersion ? m_jobRecord.softwareVersion : m_baseline->held.softwareVersion;
        m_baseline = MixerBaseline{m_jobRecord, true};
        m_baseline->held.softwareVersion = version;
    }
    emit sent(m_sentWhat);
    // The next send starts from the event loop, once this worker's report has been handled.
    if (std::exchange(m_pending, false))
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_on && !m_sending)
                    start();
            },
            Qt::QueuedConnection);
}

} // namespace hzm
