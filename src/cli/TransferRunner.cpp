#include "TransferRunner.h"

#include "link/CommandExchange.h"
#include "model/MixerSettings.h"

#include <algorithm>
#include <cstdio>
#ifdef _WIN32
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

namespace hzm::cli {

bool ErrorStream::isTerminal() {
#ifdef _WIN32
    // A console (NUL is a character device too) that takes the escape sequences of the progress
    // line and the colours, as every console since Windows 10 does once asked.
    static const bool terminal = [] {
        const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
        DWORD mode = 0;
        return GetConsoleMode(handle, &mode) &&
               SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }();
    return terminal;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

bool ErrorStream::wantsColour() {
    return isTerminal() && !qEnvironmentVariableIsSet("NO_COLOR");
}

CliObserver::CliObserver(bool printLog, bool showProgress, const QString &title, int planned)
    : m_printLog(printLog), m_showProgress(showProgress), m_colour(printLog && ErrorStream::wantsColour()),
      m_title(title), m_planned(planned) {
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
    if (m_logFile) {
        m_logFile->write(text.toUtf8() + '\n');
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
    std::fprintf(stderr, "%s%s%s\n", start, text.toUtf8().constData(), end);
    std::fflush(stderr);
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
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
    drawProgress();
}

void CliObserver::clearProgress() {
    if (!m_progressShown)
        return;
    std::fputs("\r\033[K", stderr);
    m_progressShown = false;
}

void CliObserver::drawProgress() {
    if (!m_showProgress)
        return;
    const int planned = std::max(m_planned, m_done);
    std::fprintf(stderr, "\r\033[K%s: %d/%d", m_title.toUtf8().constData(), m_done, planned);
    std::fflush(stderr);
    m_progressShown = true;
}

void CliObserver::finish() {
    clearProgress();
    std::fflush(stderr);
    m_showProgress = false;
}

TransferResult RunTransfer(const LinkSelection &selection, MixerSettings &settings, const TransferJob &job,
                           const RunOptions &options) {
    CliObserver observer(options.printLog, options.showProgress, job.title, job.plannedCommands);
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
    TransferResult outcome = TransferWorker::runBlocking(selection, settings, job, hooks);
    observer.finish();
    if (outcome.success)
        return outcome;

    const QString where = selection.ethernetSelected
                              ? QStringLiteral("%1:%2").arg(selection.address.toString()).arg(selection.port)
                              : selection.serialPortName();
    if (!outcome.linkOpened) {
        // The link's own message usually starts with the address already.
        QString linkError = outcome.linkError;
        if (linkError.startsWith(where + QStringLiteral(": ")))
            linkError.remove(0, where.size() + 2);
        outcome.reason = QStringLiteral("cannot open %1: %2")
                             .arg(where, linkError.isEmpty() ? QStringLiteral("the link failed") : linkError);
    } else if (!outcome.message.isEmpty()) {
        outcome.reason = outcome.message;
        outcome.reason.replace(QLatin1Char('\n'), QStringLiteral(": "));
        outcome.reason += QStringLiteral(" (%1)").arg(where);
    } else if (observer.lastFailure() == QLatin1String("No Response")) {
        outcome.reason = QStringLiteral("no response from %1 to %2 after %3 attempts")
                             .arg(where, observer.lastCommand())
                             .arg(kMaxAttempts);
    } else if (!observer.lastFailure().isEmpty()) {
        outcome.reason = QStringLiteral("%1 refused %2 %3 times (reply %4)")
                             .arg(where, observer.lastCommand())
                             .arg(kMaxAttempts)
                             .arg(observer.lastFailure());
    } else if (!observer.lastCommand().isEmpty()) {
        outcome.reason =
            QStringLiteral("%1 gave an unexpected reply to %2").arg(where, observer.lastCommand());
    } else {
        outcome.reason = QStringLiteral("the job ended before any command was sent to %1").arg(where);
    }
    // Only what the mixer accepted counts as done: the command that failed is not.
    if (outcome.planned > 1)
        outcome.reason +=
            QStringLiteral("; stopped after %1 of %2 commands").arg(observer.accepted()).arg(outcome.planned);
    return outcome;
}

} // namespace hzm::cli
