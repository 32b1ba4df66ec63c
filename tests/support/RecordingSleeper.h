#pragma once

// Records a link's pauses instead of sleeping, so tests see the pacing without waiting for it.
//
//   RecordingSleeper pauses;
//   pauses.install(link);           // link.setSleeper(...)
//   CommandExchange(...);
//   QCOMPARE(pauses.milliseconds(), (QList<int>{20, 25}));
//
// An optional hook runs at every pause, on the thread that pauses (for example to look at what
// has reached the wire so far). Safe to read from another thread while a worker pauses.

#include "link/Comms.h"

#include <QList>
#include <QMutex>

#include <functional>

namespace hzm::test {

struct RecordedPause {
    Pause pause;
    int milliseconds;
};

class RecordingSleeper {
public:
    using Hook = std::function<void(Pause pause, int milliseconds)>;

    // Makes the link record into this object (which must outlive the link's use).
    void install(Comms &link) {
        link.setSleeper([this](Pause pause, int ms) { record(pause, ms); });
    }
    void setHook(Hook hook) { m_hook = std::move(hook); }

    QList<RecordedPause> pauses() const {
        QMutexLocker lock(&m_mutex);
        return m_pauses;
    }
    // The durations in the order they were asked for.
    QList<int> milliseconds() const {
        QList<int> result;
        for (const RecordedPause &p : pauses())
            result << p.milliseconds;
        return result;
    }
    int count(Pause kind) const {
        int n = 0;
        for (const RecordedPause &p : pauses())
            n += p.pause == kind ? 1 : 0;
        return n;
    }
    int totalMilliseconds() const {
        int total = 0;
        for (const RecordedPause &p : pauses())
            total += p.milliseconds;
        return total;
    }
    void clear() {
        QMutexLocker lock(&m_mutex);
        m_pauses.clear();
    }

private:
    void record(Pause pause, int ms) {
        {
            QMutexLocker lock(&m_mutex);
            m_pauses.append({pause, ms});
        }
        if (m_hook)
            m_hook(pause, ms);
    }

    mutable QMutex m_mutex;
    QList<RecordedPause> m_pauses;
    Hook m_hook;
};

} // namespace hzm::test
