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

void CliObserver::commandSent(const QString &) {}

void CliObserver::responseReceived(const QString &) {}

void CliObserver::logLine(const QString &text, LogColour colour) {
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

void CliObserver::commandFinished(bool) {
    ++m_done;
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
    return outcome;
}

} // namespace hzm::cli
