#pragma once

// The mixer's side of the framing: bytes as they arrive on a link, cut into command bodies. A
// command is "<" + body + "/>"; bytes before its "<" are line noise and dropped. Used wherever
// something plays the mixer (the simulated mixer, test and benchmark links).

#include <QByteArray>
#include <QList>

namespace hzm {

class CommandSplitter {
public:
    // maxPending: longest stretch of bytes kept while waiting for a command's "/>"; beyond it the
    // stretch is dropped as noise (0: no limit).
    explicit CommandSplitter(qsizetype maxPending = 0) : m_maxPending(maxPending) {}

    // Adds the bytes and returns the body of every command they complete, in order (the UTF-8
    // bytes between "<" and "/>").
    QList<QByteArray> feed(const QByteArray &bytes);
    // Bytes of an unfinished command (from its "<" on).
    const QByteArray &pending() const { return m_pending; }
    void clear() { m_pending.clear(); }

private:
    QByteArray m_pending;
    qsizetype m_maxPending;
};

} // namespace hzm
