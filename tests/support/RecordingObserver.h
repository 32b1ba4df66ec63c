#pragma once

// Records every report of CommandExchange, in order, for tests. Safe to read from another
// thread while a worker exchanges commands.

#include "link/CommandExchange.h"

#include <QList>
#include <QMutex>
#include <QStringList>

namespace hzm::test {

class RecordingObserver : public ExchangeObserver {
public:
    struct Line {
        QString text;
        LogColour colour;
    };

    void commandSent(const QString &framed) override {
        QMutexLocker lock(&m_mutex);
        m_sent << framed;
    }
    void responseReceived(const QString &reply) override {
        QMutexLocker lock(&m_mutex);
        m_responses << reply;
    }
    void logLine(const QString &text, LogColour colour) override {
        QMutexLocker lock(&m_mutex);
        m_log.append({text, colour});
    }
    void commandFinished(bool accepted) override {
        QMutexLocker lock(&m_mutex);
        m_finished << accepted;
    }

    QStringList sent() const {
        QMutexLocker lock(&m_mutex);
        return m_sent;
    }
    QStringList responses() const {
        QMutexLocker lock(&m_mutex);
        return m_responses;
    }
    QList<Line> log() const {
        QMutexLocker lock(&m_mutex);
        return m_log;
    }
    QStringList logTexts() const {
        QStringList texts;
        for (const Line &l : log())
            texts << l.text;
        return texts;
    }
    QList<LogColour> logColours() const {
        QList<LogColour> colours;
        for (const Line &l : log())
            colours << l.colour;
        return colours;
    }
    QList<bool> finished() const {
        QMutexLocker lock(&m_mutex);
        return m_finished;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_sent;
    QStringList m_responses;
    QList<Line> m_log;
    QList<bool> m_finished;
};

} // namespace hzm::test
