#include "Comms.h"

#include <QElapsedTimer>
#include <QIODevice>
#include <QThread>

#include <cstring>
#include <string_view>

namespace hzm {

int pauseMilliseconds(Pause pause) {
    switch (pause) {
    case Pause::AfterWrite:
        return 20;
    case Pause::BetweenChunks:
        return 250;
    case Pause::BetweenProbes:
        return 200;
    case Pause::BetweenCommands:
        return 500;
    case Pause::AfterGoodReply:
        return 25;
    }
    return 0;
}

Comms::~Comms() = default;

void Comms::sleep(Pause pause) {
    const int ms = pauseMilliseconds(pause);
    if (m_sleeper)
        m_sleeper(pause, ms);
    else
        QThread::msleep(ms);
}

qint64 Comms::discardPending(QByteArray *sample) {
    Q_UNUSED(sample);
    return 0;
}

qint64 Comms::discardPendingOn(QIODevice &device, QByteArray *sample) {
    qint64 total = 0;
    // Bounded: a peer that sends without end is cut off after a few buffers.
    for (int round = 0; round < 16; ++round) {
        if (device.bytesAvailable() == 0 && !device.waitForReadyRead(0))
            break;
        const QByteArray bytes = device.readAll();
        if (bytes.isEmpty())
            break;
        if (sample && sample->size() < kReplyBufferSize)
            sample->append(bytes.left(kReplyBufferSize - sample->size()));
        total += bytes.size();
    }
    return total;
}

bool ReplyFilter::answers(const QByteArray &frame) const {
    if (head.isEmpty() || frame.contains("<!"))
        return true;
    // frame[0] is the '<'.
    return frame.size() >= head.size() + 1 &&
           qstrnicmp(frame.constData() + 1, head.constData(), size_t(head.size())) == 0;
}

namespace {

// Removes from the front of the data (buffer, total bytes) what cannot be the reply the filter
// waits for: bytes before the first "<", and complete frames that do not answer. Returns the
// bytes removed.
int dropForeignFrames(char *buffer, int &total, const ReplyFilter &filter) {
    int dropped = 0;
    auto drop = [&](int count) {
        if (filter.skipped)
            filter.skipped(QByteArray(buffer, count));
        std::memmove(buffer, buffer + count, size_t(total - count));
        total -= count;
        buffer[total] = 0;
        dropped += count;
    };
    while (total > 0) {
        const std::string_view data(buffer, size_t(total));
        const size_t start = data.find('<');
        if (start == std::string_view::npos) {
            drop(total);
            break;
        }
        if (start > 0) {
            drop(int(start));
            continue;
        }
        const size_t end = data.find("/>");
        if (end == std::string_view::npos)
            break; // a frame still arriving
        const int length = int(end) + 2;
        if (filter.answers(QByteArray::fromRawData(buffer, length)))
            break;
        drop(length);
    }
    return dropped;
}

} // namespace

int Comms::ReadReply(char *buffer, const ReplyFilter &filter) {
    std::memset(buffer, 0, kReplyBufferSize);
    if (!m_isOpen)
        return 0;
    const int limit = ReplyTimeout();
    QElapsedTimer sinceLastBytes;
    sinceLastBytes.start();
    int total = 0;
    int skipped = 0;
    int skippedRuns = 0;
    while (sinceLastBytes.elapsed() < limit) {
        const int space = kReplyBufferSize - 1 - total;
        if (space <= 0)
            break; // the buffer is full; nothing more can be kept
        const int n = Read(buffer + total, space);
        if (n <= 0)
            continue;
        total += std::min(n, space);
        buffer[total] = 0;
        if (!filter.head.isEmpty()) {
            const int dropped = dropForeignFrames(buffer, total, filter);
            skipped += dropped;
            skippedRuns += dropped > 0 ? 1 : 0;
            if (skipped > kMaxSkippedReplyBytes || skippedRuns > kMaxSkippedReplyRuns)
                break; // a peer that keeps answering something else
            if (total == 0) {
                sinceLastBytes.restart();
                continue;
            }
            // The frame waited for is complete: it is the reply. What came after it belongs to
            // nothing asked so far.
            const size_t end = std::string_view(buffer, size_t(total)).find("/>");
            if (end != std::string_view::npos) {
                const int length = int(end) + 2;
                if (length < total && filter.skipped)
                    filter.skipped(QByteArray(buffer + length, total - length));
                std::memset(buffer + length, 0, size_t(total - length));
                total = length;
                break;
            }
        }
        buffer[0] = '<';
        // The reply is complete when its first "/>" stands at the very end of the data.
        const size_t end = std::string_view(buffer, size_t(total)).find("/>");
        if (end != std::string_view::npos && int(end) == total - 2)
            break;
        sinceLastBytes.restart();
    }
    return total;
}

} // namespace hzm
