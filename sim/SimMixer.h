#pragma once

// The simulated HZM-1 mixer: its configuration, its installer key and software version, and the
// logic that answers one command body. No transport here (see SimServer.h).

#include "model/MixerSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

namespace hzm::sim {

// One received command, as the log shows it.
struct LogEntry {
    QDateTime time;   // when the command was complete
    QString source;   // "tcp 127.0.0.1:41000", "pty", "api"
    QString body;     // the command without "<" and "/>"
    QByteArray reply; // the framed reply, empty when the mixer stayed silent
    bool answered = true;

    // "12:00:01.250 tcp 127.0.0.1:41000  <SY,VQ/>  ->  <sy,vq v: 1.05/>"
    QString toText() const;
};

// A rule that refuses the next `remaining` commands whose body matches `pattern`.
struct RefuseRule {
    QString pattern;
    int remaining = 1;
};

// Misbehaviour on purpose, for testing the program's retries and time-outs.
// Patterns are wildcards over the whole body, case-sensitive: '*' any text, '?' one character
// ("SY,VQ", "Z1.MU,*", "*"). '[' has no special meaning.
struct FaultSettings {
    // How late a late reply comes: just over the program's reply time-out of a second.
    static constexpr int kLateReplyMs = 1100;

    QList<RefuseRule> refuse;  // refused with "<!busy/>" while their count lasts
    QStringList silent;        // never answered
    QStringList late;          // answered kLateReplyMs late (after any reply still waiting)
    QStringList junk;          // answered with their own head and a value of a NUL and bytes that
                               // are no UTF-8: "<z1.mu,lq \0\xC3(\xED\xA0\x80/>"
    int fragmentBytes = 0;     // > 0: every reply goes out in pieces of this many bytes ...
    int fragmentDelayMs = 0;   // ... with this pause between the pieces
    int replyDelayMs = 0;      // pause before every reply
    int dropAfterCommands = 0; // > 0: after this many further commands the TCP connection that
                               // carried the last one is closed (its reply is sent first); one-shot

    bool any() const;
};

// What a transport does with one command.
struct Outcome {
    QByteArray reply;      // framed reply; empty = stay silent
    int delayMs = 0;       // before the first byte
    int fragmentBytes = 0; // 0 = all at once
    int fragmentDelayMs = 0;
    bool dropAfter = false; // close the connection once the reply is out
};

class SimMixer {
public:
    static constexpr const char *kDefaultKey = "1234";
    static constexpr const char *kDefaultVersion = "1.05";

    SimMixer();

    // The reply to one command body (without frame), framed as "<...>/>" and UTF-8 encoded.
    // Pure protocol logic: no faults, no log. Changes the state for set commands.
    QByteArray handle(const QString &body);

    // What a transport calls for every received body: applies the faults, logs, then handles.
    Outcome process(const QString &body, const QString &source);

    // Logs a command that arrived but was not taken (the serial line at another rate).
    void logIgnored(const QString &body, const QString &source);

    // State. Every accessor copies under the mixer's lock.
    MixerSettings settings() const;
    void setSettings(const MixerSettings &settings);
    QString installerKey() const;
    void setInstallerKey(const QString &key);
    QString softwareVersion() const;
    void setSoftwareVersion(const QString &version); // four characters, such as "1.05"
    int resetCount() const;                          // "SY,R" commands accepted so far

    // Faults.
    FaultSettings faults() const;
    void setFaults(const FaultSettings &faults);
    void refuseNext(const QString &pattern, int count);
    void neverAnswer(const QString &pattern);
    void clearFaults();

    // Command log.
    QList<LogEntry> log() const;
    QStringList receivedBodies() const;
    void clearLog();
    // Called for every log entry, on the transport's thread, outside the mixer's lock.
    void setLogSink(std::function<void(const LogEntry &)> sink);

    // A configuration that differs from the factory defaults in every field family.
    static MixerSettings demoSettings();
    // Wildcard test of FaultSettings patterns.
    static bool matches(const QString &pattern, const QString &body);

private:
    QByteArray handleLocked(const QString &body);
    QString reply(const QString &body);
    QString systemCommand(const QString &body, const QString &ack);
    QString pagingCommand(const QString &body, const QString &ack, bool newer);
    QString priorityCommand(const QString &body, const QString &ack);
    QString muteCommand(const QString &body, const QString &ack);
    QString switchCommand(const QString &body, const QString &ack, bool newer);
    QString inputCommand(const QString &body, bool newer);
    QString outputCommand(const QString &body, bool newer);
    QString sourceCommand(ZoneSettings &z, const QString &p, const QString &rest, const QString &ack);
    QString groupCommand(GroupSettings &g, const QString &p, const QString &rest, const QString &ack);

    mutable QMutex m_mutex;
    MixerSettings m_settings;
    QString m_key = QString::fromLatin1(kDefaultKey);
    QString m_version = QString::fromLatin1(kDefaultVersion);
    int m_resets = 0;
    FaultSettings m_faults;
    int m_commandsSinceDropSet = 0;
    QList<LogEntry> m_log;
    std::function<void(const LogEntry &)> m_sink;
};

} // namespace hzm::sim
