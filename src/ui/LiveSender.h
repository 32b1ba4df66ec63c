#pragma once

// Live sending: while it is on, every change of the settings goes to the mixer at once as the
// commands that differ from what the mixer is known to hold (the Send Changes job), on a worker
// thread, with no dialog. Changes made while a send runs are not queued one by one: when it ends,
// one more send carries whatever differs then. A failed send turns Live off and forgets what the
// mixer holds.

#include "link/CommandExchange.h"
#include "link/Comms.h"
#include "link/LinkSelection.h"
#include "model/MixerSettings.h"
#include "protocol/ChangesJob.h"

#include <QObject>

#include <memory>
#include <optional>

namespace hzm {

class TransferWorker;
struct TransferResult;

class LiveSender : public QObject {
    Q_OBJECT
public:
    // The link, the record being edited and what the mixer is known to hold are the main
    // window's; a send works on copies of them.
    LiveSender(const LinkSelection &selection, const MixerSettings &settings,
               std::optional<MixerBaseline> &baseline, QObject *parent = nullptr);
    ~LiveSender() override; // waits for a send that runs

    bool isOn() const { return m_on; }
    // On only while what the mixer holds is known (false otherwise). Off waits for a send that
    // runs to end, so that the link is free when this returns.
    bool setOn(bool on);
    bool isSending() const { return m_sending; }

    // Sends what differs from what the mixer holds, now or when the send that runs has ended;
    // what names the change for the status bar ("Zone 2 Level −20 dB"). Nothing while off.
    void send(const QString &what);

    void setSleeper(Comms::Sleeper sleeper) { m_sleeper = std::move(sleeper); }

signals:
    // The mixer has taken the change (and any made while it was sent).
    void sent(const QString &what);
    // The change did not reach the mixer: Live is off, and what the mixer holds is unknown.
    // reason: why the link could not be opened, or the job's message; empty otherwise.
    void failed(const QString &what, const QString &reason);
    void logLine(const QString &text, hzm::LogColour colour);

private:
    void start();
    void finished(const hzm::TransferResult &result);

    const LinkSelection &m_selection;
    const MixerSettings &m_settings;
    std::optional<MixerBaseline> &m_baseline;
    Comms::Sleeper m_sleeper;
    bool m_on = false;
    bool m_sending = false;
    bool m_pending = false; // a change came while a send ran
    QString m_what;         // the latest change
    QString m_sentWhat;     // the change the running send carries
    bool m_askedVersion = false;
    // What the running send makes the mixer hold; the job writes the version it asks into it.
    MixerSettings m_jobRecord;
    std::unique_ptr<TransferWorker> m_worker;
};

} // namespace hzm
