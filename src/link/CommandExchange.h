#pragma once

#include <QString>

#include <functional>

namespace hzm {

class Comms;

// Colours of the communication log, as 0x00BBGGRR values; the log window maps them onto
// colours that stay readable in the current palette.
enum class LogColour : unsigned {
    Command = 0,        // black: a command that went out
    GoodReply = 0x8000, // dark green: an accepted reply
    Failure = 128,      // dark red: a refusal or "No Response"
};

// Receives the reports of every exchange. Called on the thread that runs the exchange; a GUI
// forwards them with queued signals.
class ExchangeObserver {
public:
    virtual ~ExchangeObserver() = default;
    // Before every attempt: the framed command ("Command sent:").
    virtual void commandSent(const QString &framed) { Q_UNUSED(framed); }
    // Every reply that arrived ("Response received:"), refusals included.
    virtual void responseReceived(const QString &reply) { Q_UNUSED(reply); }
    // One line of the communication log.
    virtual void logLine(const QString &text, LogColour colour) {
        Q_UNUSED(text);
        Q_UNUSED(colour);
    }
    // After each exchange-mode call: whether the command was accepted (for progress counts).
    virtual void commandFinished(bool accepted) { Q_UNUSED(accepted); }
};

enum ExchangeMode { WriteOnly = 0, Exchange = 1 };

constexpr int kMaxAttempts = 4;

struct ExchangeOptions {
    // Shown in the log and progress reports instead of the body (for example with a key masked);
    // the bytes on the wire are always the body's.
    QString shownBody;
    // The command is a query whose reply begins with the command's own head in lower case
    // (QueryReplyHead: "<z1.l8,q ..." for "Z1.L8,Q"). Complete frames with
    // another head then answer some earlier command: they are skipped (and logged) while the
    // attempt goes on collecting.
    bool replyEchoesHead = false;
    // Whether the caller can read the values it takes from a reply (as its buffer keeps it). A
    // reply it cannot read is a bad reply: logged, and retried as a refusal is.
    std::function<bool(const QString &reply)> readable;
};

// The head a query's reply begins with after its "<": the body up to and including its first
// comma and the letter after it, in lower case ("z1.l8,q" for "Z1.L8,Q", "l1,g" for "L1,GQ");
// the whole body when it has no comma.
QByteArray QueryReplyHead(const QString &body);

// Frames body as "<" + body + "/>", sends it and, in exchange mode, waits for the reply, retrying
// a refused ("<!") or missing reply up to four attempts in all. Returns true on success.
// In exchange mode a reply counts only when it holds a frame's end "/>": bytes without one are
// "No Response". Every attempt written is owed one reply, and the mixer answers in order:
// - whatever waits on the link before an attempt is thrown away (and logged), except that a good
//   reply waiting after an attempt timed out answers that attempt: the command succeeded and is
//   not sent again;
// - after success, the replies still owed to attempts that timed out are collected and set aside
//   (for at most one reply time-out), so that none passes for the next command's;
// - a reply when none is owed (one more than the attempts written, or a frame waiting before a
//   command without a head, once this link has carried a command) means the replies no longer
//   match the commands: the call fails at once and the link's exchangeRecord() says where.
// Once the link's stop flag is set an exchange sends nothing and fails.
// In write-only mode the frame and "\r\n" are written and nothing is read. Any other mode fails.
// When reply is given and replyChars > 0, it receives at most replyChars - 1 characters of the
// last reply (it is emptied first).
bool CommandExchange(const QString &body, int mode, Comms &link, ExchangeObserver *observer = nullptr,
                     QString *reply = nullptr, int replyChars = 0, const ExchangeOptions &options = {});

// Writes text over the link as the exchange does: in 16-byte chunks with the protocol's pauses
// on chunked links, in one write otherwise. Returns the bytes written.
int WriteCommandText(Comms &link, const QByteArray &text);

} // namespace hzm
