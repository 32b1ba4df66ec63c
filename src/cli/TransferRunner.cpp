#include "TransferRunner.h"

#include "link/CommandExchange.h"
#include "model/MixerSettings.h"
#include "model/TextHelpers.h"

#include "Streams.h"

#include <algorithm>

namespace hzm::cli {

CliObserver::CliObserver(const Streams &streams, bool printLog, bool showProgress, const QString &title,
                         int planned)
    : m_err(streams.err), m_printLog(printLog), m_showProgress(showProgress),
      m_colour(printLog && streams.wantsColour()), m_title(title), m_planned(planned) {
    drawProgress();
}

CliObserver::~CliObserver() {
    finish();
}

void CliObserver::commandSent(const QString &framed) {
    m_lastCommand = framed;
}

void CliObserver::responseReceived(const QString &) {}

void CliObserver::logLine(const QString &text, LogColour colour) {
    if (colour == LogColour::Failure)
        m_lastFailure = text;
    // A mixer's bytes never reach a terminal raw: they could rewrite the screen.
    const QByteArray line = escapedForDisplay(text).toUtf8();
    if (m_logFile) {
        m_logFile->write(line + '\n');
        m_logFile->flush();
    }
    if (!m_printLog)
        return;
    clearProgress();
    // The log window's colours: black commands, green good replies, red refusals and time-outs.
    const char *start = "";
    const char *end = "";
    if (m_colour && colour != LogColour::Command) {
        start = colour == LogColour::GoodReply ? "\033[32m" : "\033[31m";
        end = "\033[0m";
    }
    m_err.write(start + line + end + '\n');
    drawProgress();
}

void CliObserver::commandFinished(bool accepted) {
    ++m_done;
    if (accepted)
        ++m_accepted;
    drawProgress();
}

void CliObserver::setPlanned(int planned) {
    m_planned = planned;
    drawProgress();
}

void CliObserver::note(const QString &text) {
    clearProgress();
    m_err.print(text + QLatin1Char('\n'));
    drawProgress();
}

void CliObserver::clearProgress() {
    if (!m_progressShown)
        return;
    m_err.write("\r\033[K");
    m_progressShown = false;
}

void CliObserver::drawProgress() {
    if (!m_showProgress)
        return;
    const int planned = std::max(m_planned, m_done);
    m_err.print(QStringLiteral("\r\033[K%1: %2/%3").arg(m_title).arg(m_done).arg(planned));
    m_progressShown = true;
}

void CliObserver::finish() {
    clearProgress();
    m_showProgress = false;
}

QString outOfRangeReason(const QList<FieldProblem> &problems) {
    QStringList fields;
    for (const FieldProblem &problem : problems)
        fields << FieldProblemText(problem);
    return QStringLiteral("nothing was sent, since values lie outside their ranges: %1")
        .arg(fields.join(QStringLiteral("; ")));
}

namespace {

// Why a transfer failed, in one line that names where the link goes.
QString failureReason(const TransferResult &outcome, const CliObserver &observer, const QString &where) {
    if (outcome.stopped)
        return QStringLiteral("stopped on request after %1 of %2 commands (%3)")
            .arg(observer.accepted())
            .arg(outcome.planned)
            .arg(where);
    if (!outcome.outOfRange.isEmpty())
        return outOfRangeReason(outcome.outOfRange);
    QString reason;
    if (!outcome.linkOpened) {
        // The link's own message usually starts with the address already.
        QString linkError = outcome.linkError;
        if (linkError.startsWith(where + QStringLiteral(": ")))
            linkError.remove(0, where.size() + 2);
        reason = QStringLiteral("cannot open %1: %2")
                     .arg(where, linkError.isEmpty() ? QStringLiteral("the link failed") : linkError);
    } else if (!outcome.countLostAt.isEmpty()) {
        reason =
            QStringLiteral("%1 sent a reply that no command was owed, at %2: its replies no longer match "
                           "the commands")
                .arg(where, outcome.countLostAt);
    } else if (!outcome.message.isEmpty()) {
        reason = outcome.message;
        reason.replace(QLatin1Char('\n'), QStringLiteral(": "));
        reason += QStringLiteral(" (%1)").arg(where);
    } else if (observer.lastFailure() == QLatin1String("No Response")) {
        reason = QStringLiteral("no response from %1 to %2 after %3 attempts")
                     .arg(where, observer.lastCommand())
                     .arg(kMaxAttempts);
    } else if (observer.lastFailure().startsWith(QLatin1String("Unreadable reply: "))) {
        reason = QStringLiteral("%1 gave no readable reply to %2 in %3 attempts (%4)")
                     .arg(where, observer.lastCommand())
                     .arg(kMaxAttempts)
                     .arg(observer.lastFailure());
    } else if (!observer.lastFailure().isEmpty()) {
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

TransferResult RunTransfer(const LinkSelection &selection, MixerSettings &settings, const TransferJob &job,
                           const Streams &streams, const RunOptions &options) {
    CliObserver observer(streams, options.printLog, options.showProgress, job.title, job.plannedCommands);
    observer.setLogFile(options.logFile);
    TransferHooks hooks;
    hooks.observer = &observer;
    hooks.plannedChanged = [&observer, &options, noted = false](int planned) mutable {
        observer.setPlanned(planned);
        if (!noted && options.noteOnceVersionKnown) {
            noted = true;
            const QString text = options.noteOnceVersionKnown();
            if (!text.isEmpty())
                observer.note(text);
        }
    };
    TransferResult outcome = options.run ? options.run(selection, settings, job, hooks)
                                         : TransferWorker::runBlocking(selection, settings, job, hooks);
    observer.finish();
    if (!outcome.success)
        outcome.reason = failureReason(outcome, observer, selection.where());
    return outcome;
}

} // namespace hzm::cli
