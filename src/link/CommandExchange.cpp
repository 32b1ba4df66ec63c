#include "CommandExchange.h"

#include "Comms.h"

#include "model/TextHelpers.h"

#include <QElapsedTimer>

#include <algorithm>

namespace hzm {

namespace {

constexpr int kChunkSize = 16;

QString frame(const QString &body) { return QStringLiteral("<") + body + QStringLiteral("/>"); }

// The framed command as UTF-8, or an empty array when it does not fit the wire buffer.
QByteArray wireBytes(const QString &framed) {
    QByteArray bytes = framed.toUtf8();
    if (bytes.size() + 1 > kReplyBufferSize)
        return QByteArray();
    return bytes;
}

// Bytes that were thrown away or passed over, as one log line: escaped, and cut when long.
QString unusedBytesText(const QString &what, const QByteArray &bytes, qint64 total) {
    constexpr int kShown = 120;
    QString text = escapedForDisplay(QString::fromUtf8(bytes.left(kShown)));
    if (total > kShown)
        text += QStringLiteral("... (%1 bytes)").arg(total);
    return what + text;
}

} // namespace

QByteArray queryReplyHead(const QString &body) {
    const qsizetype comma = body.indexOf(QLatin1Char(','));
    // The letter after the comma names the query ("L1,LQ" label, "L1,GQ" gain): it belongs to
    // the head, or the late reply of one would pass for the other's.
    return (comma < 0 ? body : body.left(comma + 2)).toLower().toUtf8();
}

int writeCommandText(Comms &link, const QByteArray &text) {
    if (!link.isOpen())
        return 0;
    if (!link.sendInChunks())
        return link.Write(text.constData(), int(text.size()));
    if (text.isEmpty())
        return 0;
    int offset = 0;
    const int length = int(text.size());
    while (offset < length) {
        const int chunk = std::min(kChunkSize, length - offset);
        const int written = link.Write(text.constData() + offset, chunk);
        offset += std::max(written, 0);
        if (written != chunk || offset >= length)
            break;
        link.PauseBetweenChunks();
    }
    link.PauseAfterWrite();
    return offset;
}

namespace {

// Takes the complete frames ("<" ... "/>") off the front of data, in order, with the bytes before
// and between them; what remains is the start of a frame still arriving, or nothing.
QList<QByteArray> takeFrames(QByteArray &data) {
    QList<QByteArray> frames;
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = data.indexOf('<', from);
        const qsizetype end = start < 0 ? -1 : data.indexOf("/>", start);
        if (end < 0) {
            data.remove(0, start < 0 ? data.size() : start);
            return frames;
        }
        frames << data.mid(start, end + 2 - start);
        from = end + 2;
    }
}

bool isRefusal(const QString &text) {
    return text.contains(QStringLiteral("<!"));
}

// The attempts of one command in exchange mode, and the count of replies they are owed: every
// attempt written is owed one frame. The mixer answers in order, so a reply that comes after an
// attempt timed out answers that attempt (or an earlier one), and one more than the attempts
// written answers none of them: the count is lost, and the job must not go on as if it held.
class Attempts {
public:
    // good: whether a reply that answers is a good one (no refusal, and readable).
    Attempts(Comms &link, ExchangeObserver *observer, QString shown, ReplyFilter filter,
             std::function<bool(const QString &reply)> good)
        : m_link(link), m_observer(observer), m_shown(std::move(shown)), m_filter(std::move(filter)),
          m_good(std::move(good)) {}

    enum Outcome { Nothing, Answered, CountLost };

    // Before each attempt: throws away what waits on the link. Once an attempt has been written,
    // a good reply among it answers that attempt, which timed out: goodReply receives it.
    Outcome takeWaiting(QString &goodReply) {
        QByteArray bytes;
        const qint64 total = m_link.discardPending(&bytes);
        if (total <= 0)
            return Nothing;
        QByteArray rest = bytes;
        QList<QByteArray> answers = takeFrames(rest);
        answers.removeIf([this](const QByteArray &frame) { return !m_filter.answers(frame); });
        if (m_written == 0 && (!m_filter.head.isEmpty() || !m_link.exchangeRecord().commandSent))
            answers.clear(); // another command's reply, or left over from before this link
        if (!count(answers))
            return CountLost;
        for (const QByteArray &frame : std::as_const(answers)) {
            const QString text = QString::fromUtf8(frame);
            if (m_good(text)) {
                goodReply = text;
                return Answered;
            }
        }
        log(unusedBytesText(QStringLiteral("Discarded before sending: "), bytes, total));
        return Nothing;
    }

    void written() { ++m_written; }

    // Counts the frames of a reply that arrived; false when they are more than the attempts
    // written were owed.
    bool count(const QList<QByteArray> &frames) {
        if (m_answered + frames.size() > m_written) {
            lose(frames.value(m_written - m_answered));
            return false;
        }
        m_answered += int(frames.size());
        return true;
    }

    // After success: the replies still owed to earlier attempts that timed out are collected and
    // set aside, for at most one reply time-out, so that none is taken for the next command's.
    // False when more came than were owed.
    bool collectOwed() {
        const int owed = m_written - m_answered;
        if (owed <= 0)
            return true;
        QElapsedTimer timer;
        timer.start();
        QByteArray data;
        int collected = 0;
        while (collected < owed && timer.elapsed() < m_link.ReplyTimeout()) {
            char buffer[kReplyBufferSize];
            const int n = m_link.Read(buffer, kReplyBufferSize);
            if (n <= 0)
                continue;
            data.append(buffer, n);
            for (const QByteArray &frame : takeFrames(data)) {
                if (!m_filter.answers(frame)) {
                    log(unusedBytesText(QStringLiteral("Skipped, not the reply: "), frame, frame.size()));
                } else if (++collected > owed) {
                    lose(frame);
                    return false;
                } else {
                    log(unusedBytesText(QStringLiteral("Late reply to an earlier attempt, set aside: "),
                                        frame, frame.size()));
                }
            }
        }
        m_answered += collected;
        return true;
    }

private:
    void log(const QString &text) {
        if (m_observer)
            m_observer->logLine(text, LogColour::Failure);
    }
    void lose(const QByteArray &frame) {
        log(unusedBytesText(
            QStringLiteral("Reply to no command (the replies no longer match the commands): "), frame,
            frame.size()));
        m_link.exchangeRecord().countLostAt = m_shown;
    }

    Comms &m_link;
    ExchangeObserver *m_observer;
    QString m_shown;
    ReplyFilter m_filter;
    std::function<bool(const QString &reply)> m_good;
    int m_written = 0;
    int m_answered = 0;
};

// One command in exchange mode, from its first attempt to its end: what each reply does to the
// caller's buffer, the observer and the attempts' count.
class Conversation {
public:
    Conversation(const QString &body, QByteArray bytes, Comms &link, ExchangeObserver *observer,
                 QString *reply, int replyChars, const ExchangeOptions &options)
        : m_bytes(std::move(bytes)), m_link(link), m_observer(observer),
          m_reply(reply && replyChars > 0 ? reply : nullptr), m_replyChars(replyChars),
          m_readable(options.readable),
          m_shown(options.shownBody.isNull() ? frame(body) : frame(options.shownBody)),
          m_filter(filterFor(body, options, observer)),
          m_attempts(link, observer, m_shown, m_filter, [this](const QString &text) { return good(text); }) {}
    Q_DISABLE_COPY_MOVE(Conversation)

    bool run() {
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            QString text;
            Attempts::Outcome outcome = m_attempts.takeWaiting(text);
            if (outcome == Attempts::Nothing) {
                send();
                char wire[kReplyBufferSize];
                const int length = m_link.ReadReply(wire, m_filter);
                outcome = judge(QByteArray(wire, std::max(length, 0)), text);
            }
            if (outcome == Attempts::Answered)
                return succeed(text);
            if (outcome == Attempts::CountLost)
                return fail();
            m_link.PauseBetweenCommands();
        }
        return fail();
    }

private:
    static ReplyFilter filterFor(const QString &body, const ExchangeOptions &options,
                                 ExchangeObserver *observer) {
        ReplyFilter filter;
        if (!options.replyEchoesHead)
            return filter;
        filter.head = queryReplyHead(body);
        if (observer)
            filter.skipped = [observer](const QByteArray &bytes) {
                observer->logLine(
                    unusedBytesText(QStringLiteral("Skipped, not the reply: "), bytes, bytes.size()),
                    LogColour::Failure);
            };
        return filter;
    }

    void log(const QString &text, LogColour colour) {
        if (m_observer)
            m_observer->logLine(text, colour);
    }

    // What the caller's buffer keeps of a reply.
    QString kept(const QString &text) const {
        if (!m_reply)
            return text;
        QString cut = text.left(m_replyChars - 1);
        // Never keep half of a surrogate pair at the cut.
        if (cut.size() < text.size() && !cut.isEmpty() && cut.back().isHighSurrogate())
            cut.chop(1);
        return cut;
    }

    bool good(const QString &text) const {
        return !isRefusal(text) && (!m_readable || m_readable(kept(text)));
    }

    void send() {
        if (m_observer)
            m_observer->commandSent(m_shown);
        writeCommandText(m_link, m_bytes);
        m_attempts.written();
        m_link.exchangeRecord().commandSent = true;
        log(m_shown, LogColour::Command);
    }

    // The reply to an attempt: Answered by a good one (handed back in text), Nothing when it is
    // bad or missing (logged with why), or CountLost.
    Attempts::Outcome judge(const QByteArray &arrived, QString &text) {
        QString why = QStringLiteral("No Response");
        if (!arrived.isEmpty() && !arrived.contains("/>")) {
            // Bytes that never ended a frame (a line that fell silent or filled the buffer
            // mid-frame) answer nothing.
            log(unusedBytesText(QStringLiteral("Incomplete reply: "), arrived, arrived.size()),
                LogColour::Failure);
        } else if (!arrived.isEmpty()) {
            QByteArray frames = arrived;
            if (!m_attempts.count(takeFrames(frames)))
                return Attempts::CountLost;
            // Every byte that came, a NUL included: a value holding one is no value.
            text = QString::fromUtf8(arrived.constData(), arrived.size());
            if (good(text))
                return Attempts::Answered;
            received(text);
            why = isRefusal(text)
                      ? text
                      : unusedBytesText(QStringLiteral("Unreadable reply: "), arrived, arrived.size());
        }
        log(why, LogColour::Failure);
        return Attempts::Nothing;
    }

    // Every reply that came: into the caller's buffer and the progress display.
    void received(const QString &text) {
        if (m_reply)
            *m_reply = kept(text);
        if (m_observer)
            m_observer->responseReceived(text);
    }

    bool succeed(const QString &text) {
        received(text);
        log(text, LogColour::GoodReply);
        if (!m_attempts.collectOwed())
            return fail();
        if (m_observer)
            m_observer->commandFinished(true);
        m_link.sleep(Pause::AfterGoodReply);
        return true;
    }

    bool fail() {
        if (m_observer)
            m_observer->commandFinished(false);
        return false;
    }

    const QByteArray m_bytes;
    Comms &m_link;
    ExchangeObserver *m_observer;
    QString *m_reply; // null when the caller keeps no reply
    int m_replyChars;
    std::function<bool(const QString &reply)> m_readable;
    const QString m_shown;
    const ReplyFilter m_filter;
    Attempts m_attempts;
};

} // namespace

bool CommandExchange(const QString &body, int mode, Comms &link, ExchangeObserver *observer, QString *reply,
                     int replyChars, const ExchangeOptions &options) {
    if (reply && replyChars > 0)
        reply->clear();
    if (mode != WriteOnly && mode != Exchange)
        return false;
    const QByteArray bytes = wireBytes(frame(body));
    if (bytes.isEmpty()) {
        if (mode == Exchange && observer)
            observer->commandFinished(false);
        return false;
    }
    if (mode == WriteOnly) {
        writeCommandText(link, bytes);
        writeCommandText(link, QByteArrayLiteral("\r\n"));
        return true;
    }
    if (link.stopRequested())
        return false;
    return Conversation(body, bytes, link, observer, reply, replyChars, options).run();
}

} // namespace hzm
