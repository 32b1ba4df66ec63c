#include "CommandExchange.h"

#include "Comms.h"

#include "model/TextHelpers.h"

#include <algorithm>
#include <string_view>

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

QByteArray QueryReplyHead(const QString &body) {
    const qsizetype comma = body.indexOf(QLatin1Char(','));
    // The letter after the comma names the query ("L1,LQ" label, "L1,GQ" gain): it belongs to
    // the head, or the late reply of one would pass for the other's.
    return (comma < 0 ? body : body.left(comma + 2)).toLower().toUtf8();
}

int WriteCommandText(Comms &link, const QByteArray &text) {
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

int CommandExchange(const QString &body, int mode, Comms &link, ExchangeObserver *observer, QString *reply,
                    int replyChars, const ExchangeOptions &options) {
    if (reply && replyChars > 0)
        reply->clear();
    const QString framed = frame(body);
    if (mode != WriteOnly && mode != Exchange)
        return 0;
    const QByteArray bytes = wireBytes(framed);
    if (bytes.isEmpty()) {
        if (mode == Exchange && observer)
            observer->commandFinished(false);
        return 0;
    }

    if (mode == WriteOnly) {
        WriteCommandText(link, bytes);
        WriteCommandText(link, QByteArrayLiteral("\r\n"));
        return 1;
    }

    if (link.stopRequested())
        return 0;
    const QString shown = options.shownBody.isNull() ? framed : frame(options.shownBody);
    {
        QByteArray sample;
        const qint64 discarded = link.discardPending(&sample);
        if (discarded > 0 && observer)
            observer->logLine(
                unusedBytesText(QStringLiteral("Discarded before sending: "), sample, discarded),
                LogColour::Failure);
    }
    ReplyFilter filter;
    if (options.replyEchoesHead) {
        filter.head = QueryReplyHead(body);
        if (observer)
            filter.skipped = [observer](const QByteArray &bytes) {
                observer->logLine(
                    unusedBytesText(QStringLiteral("Skipped, not the reply: "), bytes, bytes.size()),
                    LogColour::Failure);
            };
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (observer)
            observer->commandSent(shown);
        WriteCommandText(link, bytes);
        if (observer)
            observer->logLine(shown, LogColour::Command);

        char wire[kReplyBufferSize];
        const int received = link.ReadReply(wire, filter);
        QString outcome;
        if (received <= 0) {
            outcome = QStringLiteral("No Response");
        } else if (std::string_view(wire, size_t(received)).find("/>") == std::string_view::npos) {
            // Bytes that never ended a frame (a line that fell silent or filled the buffer
            // mid-frame) answer nothing.
            if (observer)
                observer->logLine(unusedBytesText(QStringLiteral("Incomplete reply: "),
                                                  QByteArray(wire, received), received),
                                  LogColour::Failure);
            outcome = QStringLiteral("No Response");
        } else {
            const QString text = QString::fromUtf8(wire, qsizetype(qstrnlen(wire, size_t(received))));
            if (reply && replyChars > 0) {
                *reply = text.left(replyChars - 1);
                // Never keep half of a surrogate pair at the cut.
                if (reply->size() < text.size() && !reply->isEmpty() && reply->back().isHighSurrogate())
                    reply->chop(1);
            }
            if (observer)
                observer->responseReceived(text);
            if (!text.contains(QStringLiteral("<!"))) {
                if (observer) {
                    observer->logLine(text, LogColour::GoodReply);
                    observer->commandFinished(true);
                }
                link.sleep(Pause::AfterGoodReply);
                return 1;
            }
            outcome = text;
        }
        if (observer)
            observer->logLine(outcome, LogColour::Failure);
        link.PauseBetweenCommands();
    }
    if (observer)
        observer->commandFinished(false);
    return 0;
}

} // namespace hzm
