#include "CommandExchange.h"

#include "Comms.h"

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

} // namespace

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

    const QString shown = options.shownBody.isNull() ? framed : frame(options.shownBody);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (observer)
            observer->commandSent(shown);
        WriteCommandText(link, bytes);
        if (observer)
            observer->logLine(shown, LogColour::Command);

        char wire[kReplyBufferSize];
        const int received = link.ReadReply(wire);
        QString outcome;
        if (received <= 0) {
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
