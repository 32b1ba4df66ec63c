#include "Comms.h"

#include <QElapsedTimer>
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

int Comms::ReadReply(char *buffer) {
    std::memset(buffer, 0, kReplyBufferSize);
    if (!m_isOpen)
        return 0;
    const int limit = ReplyTimeout();
    QElapsedTimer sinceLastBytes;
    sinceLastBytes.start();
    int total = 0;
    while (sinceLastBytes.elapsed() < limit) {
        const int space = kReplyBufferSize - 1 - total;
        if (space <= 0)
            break; // the buffer is full; nothing more can be kept
        const int n = Read(buffer + total, space);
        if (n <= 0)
            continue;
        total += std::min(n, space);
        buffer[total] = 0;
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
