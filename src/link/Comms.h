#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

class QIODevice;

namespace hzm {

// The protocol's fixed pauses. Tests may replace how a link sleeps (see setSleeper).
enum class Pause {
    AfterWrite,      // 20 ms after the last chunk of a chunked write
    BetweenChunks,   // 250 ms between two 16-byte chunks
    BetweenProbes,   // 200 ms between baud-rate probes
    BetweenCommands, // 500 ms after a failed attempt, and after each output/input of Send all
    AfterGoodReply,  // 25 ms after every good reply
};
int pauseMilliseconds(Pause pause);

// Size of the buffer ReadReply fills: at most 1023 data bytes and a terminating zero.
constexpr int kReplyBufferSize = 1024;
// What a link keeps of unread incoming bytes: a peer that sends without end fills this much and
// is then held back by the transport's own flow control, so memory stays flat.
constexpr int kLinkReadBufferSize = 4 * kReplyBufferSize;
// What ReadReply may pass over in one call while it waits for the frame it expects (frames
// answering another command, stray bytes): so many bytes or so many runs of them; past either
// the call ends without a reply, so that a peer talking without end cannot hold an attempt.
constexpr int kMaxSkippedReplyBytes = 8 * kReplyBufferSize;
constexpr int kMaxSkippedReplyRuns = 16;

// Narrows what ReadReply accepts as the reply: with a head, complete frames that begin with
// another head (and bytes before a frame's "<") answer something else and are passed over.
struct ReplyFilter {
    // The head a reply must begin with after its "<", compared without regard to case ("z1.l8,");
    // empty: any frame is the reply.
    QByteArray head;
    // Told about every frame or run of stray bytes passed over; may be empty.
    std::function<void(const QByteArray &skipped)> skipped;

    // Whether a complete frame ("<" ... "/>") can answer the command waited for: without a head
    // every frame can; with one, a frame that begins with it, or a refusal ("<!"), which answers
    // the command whatever it says.
    bool answers(const QByteArray &frame) const;
};

// The link to a mixer (or to an export file). One link object serves one job, on one thread.
class Comms {
public:
    using Sleeper = std::function<void(Pause pause, int milliseconds)>;

    virtual ~Comms();

    virtual int ReplyTimeout() const { return 1000; }
    // Bytes written, 0 (or a negative value from a socket) on failure. A length of 0 writes nothing.
    virtual int Write(const char *bytes, int length) = 0;
    // Bytes read into buffer (at most size); 0 when nothing arrived within the link's short poll.
    virtual int Read(char *buffer, int size) = 0;
    // True when opened; false when it failed or was already open.
    virtual bool Open() = 0;
    // True when closed; false when it was not open.
    virtual bool Close() = 0;

    void PauseAfterWrite() { sleep(Pause::AfterWrite); }
    void PauseBetweenChunks() { sleep(Pause::BetweenChunks); }
    void PauseBetweenProbes() { sleep(Pause::BetweenProbes); }
    void PauseBetweenCommands() { sleep(Pause::BetweenCommands); }
    void sleep(Pause pause);

    // Collects one framed reply into buffer (kReplyBufferSize bytes, zeroed first) and returns
    // the number of bytes received. Collection ends when the data ends with the first "/>", when
    // the buffer is full, or after ReplyTimeout() milliseconds without new bytes. The first byte
    // is always '<'. With a filter head, what the filter passes over is not counted, the reply
    // ends with the first whole frame that has the head (bytes after it in the same read are
    // passed over too), and the call gives up (returning what it holds) after
    // kMaxSkippedReplyBytes or kMaxSkippedReplyRuns passed over.
    int ReadReply(char *buffer, const ReplyFilter &filter = {});

    // Throws away whatever has already arrived and waits unread, without waiting for more.
    // Returns the number of bytes thrown away; sample (if given) receives the first
    // kReplyBufferSize of them.
    virtual qint64 discardPending(QByteArray *sample = nullptr);

protected:
    // discardPending for a link that reads from a Qt device (a socket or a serial port).
    static qint64 discardPendingOn(QIODevice &device, QByteArray *sample);

public:
    // What the exchanges over this link know beyond one command (CommandExchange keeps it).
    struct ExchangeRecord {
        // A command has gone out over this link: from then on a reply that waits before the
        // next command is one too many, not something left over from before this link.
        bool commandSent = false;
        // The command (framed, as shown) at which a reply came that no attempt was owed: the
        // replies no longer match the commands. Empty while they do.
        QString countLostAt;
    };
    ExchangeRecord &exchangeRecord() { return m_exchangeRecord; }
    const ExchangeRecord &exchangeRecord() const { return m_exchangeRecord; }

    bool isOpen() const { return m_isOpen != 0; }
    bool sendInChunks() const { return m_sendInChunks != 0; }

    // Replaces how this link sleeps for its pauses (tests record them instead of waiting).
    void setSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }
    // A flag another thread sets to stop the job after the command under way: the next exchange
    // then sends nothing and fails. None (the default): never stopped.
    void setStopFlag(const std::atomic<bool> *flag) { m_stop = flag; }
    bool stopRequested() const { return m_stop && m_stop->load(); }
    // A description of the last failure of Open, Write or Close, for messages.
    QString errorString() const { return m_errorString; }
    // Where this link leads, for messages ("127.0.0.1:4999", "/dev/ttyUSB0", a file name).
    virtual QString describe() const = 0;

protected:
    int m_isOpen = 0;
    int m_sendInChunks = 0;
    QString m_errorString;

private:
    Sleeper m_sleeper;
    const std::atomic<bool> *m_stop = nullptr;
    ExchangeRecord m_exchangeRecord;
};

} // namespace hzm
