#pragma once

// A link that serves the fuzzer's bytes as what the mixer sends. Each Read hands out the next
// fragment (an empty fragment is a poll on which nothing arrived); nothing ever sleeps.

#include "link/CommandFraming.h"
#include "link/Comms.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstring>

namespace hzm::fuzz {

class FuzzLink : public Comms {
public:
    FuzzLink() {
        m_isOpen = 1;
        setSleeper([](Pause, int) {});
    }

    // Replies: one per command written, in order; none left means the mixer stays silent.
    QList<QByteArray> replies;
    // Fragments for ReadReply alone: handed out by Read in order, whatever was written.
    QList<QByteArray> fragments;
    int commandsWritten = 0;

    // A short inactivity limit keeps silent replies cheap.
    int ReplyTimeout() const override { return 1; }
    int Write(const char *bytes, int length) override {
        if (length <= 0)
            return 0;
        // A command is complete with its "/>": its reply becomes readable.
        const qsizetype commands = m_splitter.feed(QByteArray(bytes, length)).size();
        for (qsizetype i = 0; i < commands; ++i) {
            ++commandsWritten;
            if (!replies.isEmpty())
                fragments.append(replies.takeFirst());
        }
        return length;
    }
    int Read(char *buffer, int size) override {
        if (size <= 0 || fragments.isEmpty())
            return 0;
        QByteArray &next = fragments.first();
        const int n = int(std::min<qsizetype>(next.size(), size));
        if (n > 0)
            std::memcpy(buffer, next.constData(), size_t(n));
        next.remove(0, n);
        if (next.isEmpty())
            fragments.removeFirst();
        return n;
    }
    bool Open() override { return !m_isOpen && (m_isOpen = 1); }
    bool Close() override {
        const int was = m_isOpen;
        m_isOpen = 0;
        return was;
    }
    QString describe() const override { return QStringLiteral("fuzz link"); }

private:
    CommandSplitter m_splitter;
};

} // namespace hzm::fuzz
