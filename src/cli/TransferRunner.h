#pragma once

// Runs one transfer job on the calling thread for the command-line tool: prints the log lines
// (--log) and a progress line on the error stream, and works out why a failed job failed.

#include "link/CommandExchange.h"
#include "link/LinkSelection.h"
#include "model/SettingsCheck.h"
#include "protocol/TransferJob.h"
#include "protocol/TransferWorker.h"

#include <QFile>
#include <QString>

#include <functional>

namespace hzm::cli {

class OutputStream;
struct Streams;

// The observer the tool hands to every job.
class CliObserver : public ExchangeObserver {
public:
    CliObserver(const Streams &streams, bool printLog, bool showProgress, const QString &title, int planned);
    ~CliObserver() override;

    void commandSent(const QString &framed) override;
    void responseReceived(const QString &reply) override;
    void logLine(const QString &text, LogColour colour) override;
    void commandFinished(bool accepted) override;

    void setPlanned(int planned);
    // Every log line also goes to file (uncoloured, as --log prints it), whether or not --log.
    void setLogFile(QFile *file) { m_logFile = file; }
    void note(const QString &text); // one line on the error stream, above the progress line
    void finish();                  // ends the progress line

    int done() const { return m_done; }
    int accepted() const { return m_accepted; }
    int planned() const { return m_planned; }
    QString lastCommand() const { return m_lastCommand; }
    QString lastFailure() const { return m_lastFailure; }

private:
    void clearProgress();
    void drawProgress();

    OutputStream &m_err;
    bool m_printLog;
    bool m_showProgress;
    bool m_colour;
    QString m_title;
    int m_planned;
    int m_done = 0;
    int m_accepted = 0;
    bool m_progressShown = false;
    QString m_lastCommand;
    QString m_lastFailure;
    QFile *m_logFile = nullptr;
};

struct RunOptions {
    bool printLog = false;
    bool showProgress = false;
    QFile *logFile = nullptr; // --log-file, open for appending; null for none
    // Asked once the mixer's version is known (Read all), before anything else is read; a
    // non-empty text is printed on the error stream.
    std::function<QString()> noteOnceVersionKnown;
    // Runs the job in place of TransferWorker::runBlocking (one mixer of several: its batch's).
    std::function<TransferResult(const LinkSelection &, MixerSettings &, const TransferJob &,
                                 const TransferHooks &)>
        run;
};

// Why a record with values outside their ranges was not sent, naming each field.
QString outOfRangeReason(const QList<FieldProblem> &problems);

// Runs job over the selection. settings is what the job reads or fills. A failed transfer's
// result says why in reason.
TransferResult RunTransfer(const LinkSelection &selection, MixerSettings &settings, const TransferJob &job,
                           const Streams &streams, const RunOptions &options);

} // namespace hzm::cli
