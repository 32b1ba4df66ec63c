#pragma once

// A link for reply-parsing tests: it records every framed command written to it and answers
// each one from a script of reply texts. It never sleeps (its pauses are recorded instead).
//
//   ScriptedComms link;
//   link.answer("Z1.MU,LQ", "<z1.mu,l:mute/>");     // this body gets this reply (every time)
//   link.refuse("Z1.M3,Q");                          // "<!busy/>" to every attempt
//   ReadOutput(settings, 1, link, nullptr);
//   link.bodies();                                   // every body received, attempts included
//
// Bodies without a reply of their own get the fallback (by default "<ok/>", and for a query what
// the simulated mixer with the factory settings answers, "<z1.mu,l=61/>" for "Z1.MU,LQ"). An
// empty reply text means silence: the exchange then waits out the link's short reply time-out.

#include "RecordingSleeper.h"
#include "SimMixer.h"

#include "link/CommandExchange.h"
#include "link/CommandFraming.h"
#include "link/Comms.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace hzm::test {

class ScriptedComms : public Comms {
public:
    ScriptedComms() {
        m_isOpen = 1;
        sleeper.install(*this);
    }

    void answer(const QString &body, const QByteArray &reply) { m_replies.insert(body, reply); }
    void refuse(const QString &body) { answer(body, QByteArrayLiteral("<!busy/>")); }
    void setFallback(const QByteArray &reply) {
        m_fallback = reply;
        m_fallbackSet = true;
    }

    // The mixer that answers the queries without a reply of their own.
    sim::SimMixer &mixer() { return m_mixer; }
    QStringList bodies() const { return m_bodies; }
    QByteArray written() const { return m_written; }

    int ReplyTimeout() const override { return 15; }
    int Write(const char *bytes, int length) override {
        if (length <= 0)
            return 0;
        m_written.append(bytes, length);
        for (const QByteArray &bytesOfBody : m_splitter.feed(QByteArray(bytes, length))) {
            const QString body = QString::fromUtf8(bytesOfBody);
            m_bodies << body;
            m_pending += m_replies.value(body, fallbackFor(body));
        }
        return length;
    }
    int Read(char *buffer, int size) override {
        const int n = std::min(int(m_pending.size()), size);
        if (n > 0) {
            std::memcpy(buffer, m_pending.constData(), size_t(n));
            m_pending.remove(0, n);
        }
        return n;
    }
    bool Open() override { return !m_isOpen && (m_isOpen = 1); }
    bool Close() override {
        const int was = m_isOpen;
        m_isOpen = 0;
        return was;
    }
    QString describe() const override { return QStringLiteral("scripted link"); }

    RecordingSleeper sleeper;

private:
    QByteArray fallbackFor(const QString &body) {
        if (m_fallbackSet || !body.endsWith(QLatin1Char('Q')))
            return m_fallback;
        return m_mixer.handle(body);
    }

    sim::SimMixer m_mixer;
    QHash<QString, QByteArray> m_replies;
    QByteArray m_fallback = QByteArrayLiteral("<ok/>");
    bool m_fallbackSet = false;
    QStringList m_bodies;
    QByteArray m_written;
    CommandSplitter m_splitter;
    QByteArray m_pending;
};

} // namespace hzm::test
