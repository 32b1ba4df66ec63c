#pragma once

// How the mixer's replies are taken apart: by fixed positions and by marker texts. Every
// position counts from the reply's first character ("<"), and every cut is clamped as Mid clamps.

#include "link/CommandExchange.h"
#include "model/MixerSettings.h"
#include "model/TextHelpers.h"

#include <QString>

#include <functional>

namespace hzm {

// Characters of a reply the exchange hands back: a reply buffer of 256 UTF-16 units.
constexpr int kReplyChars = 256;

// One query of a read job. Its reply begins with the query's own head, so frames that answer an
// earlier command (a slow mixer's late reply, stray bytes) are skipped instead of being read as
// this query's values. A reply that readable (if given) rejects is a bad reply, retried as a
// refusal is. 1 success, 0 failure, as CommandExchange.
inline bool QueryExchange(const QString &body, Comms &link, ExchangeObserver *observer, QString &reply,
                          std::function<bool(const QString &reply)> readable = {}) {
    ExchangeOptions options;
    options.replyEchoesHead = true;
    options.readable = std::move(readable);
    return CommandExchange(body, Exchange, link, observer, &reply, kReplyChars, options);
}

// The reply without its first head characters and its closing two ("/>"); empty when the reply
// has head + 2 characters or fewer.
inline QString ValueByPosition(const QString &reply, int head) {
    const int length = int(reply.size());
    if (length <= head + 2)
        return QString();
    return Mid(reply, head, length - head - 2);
}

// Position of the first occurrence of marker (case-sensitive), -1 when it does not occur.
inline int MarkerPos(const QString &reply, const QString &marker) {
    return int(reply.indexOf(marker, 0, Qt::CaseSensitive));
}

// The characters that begin skip characters after the marker at from and end at to.
inline QString ValueBetween(const QString &reply, int from, int skip, int to) {
    return Mid(reply, from + skip, to - from - skip);
}

// True when the mixer's software asks for labels and the newer system queries (above 1.04).
inline bool HasNewerSoftware(const QString &softwareVersion) {
    return ParseDecimal(softwareVersion) > 1.04;
}

// How a read operation takes values from a reply: called with store false, it says whether it can
// read every value it needs; with store true (only on a reply it can read), it stores them.
using ReadRule = std::function<bool(const QString &reply, bool store)>;

// A query whose reply the rule reads: a reply with a value the rule cannot read is a bad reply
// and nothing of it is stored. 1 success, 0 failure.
inline bool ReadQuery(const QString &body, Comms &link, ExchangeObserver *observer, const ReadRule &rule) {
    QString reply;
    if (!QueryExchange(body, link, observer, reply, [&rule](const QString &r) { return rule(r, false); }))
        return false;
    rule(reply, true);
    return true;
}

// A rule for one index field: index gives it from the reply, -1 when the reply holds none.
inline ReadRule IndexRule(int &field, std::function<int(const QString &reply)> index) {
    return [&field, index = std::move(index)](const QString &reply, bool store) {
        const int value = index(reply);
        if (value >= 0 && store)
            field = value;
        return value >= 0;
    };
}

// A text (a name, the version) as a reply gives it: control characters, or characters that were
// no UTF-8, make it unreadable.
inline bool IsReadableText(const QString &text) {
    return !HasControlCharacters(text) && !text.contains(QChar::ReplacementCharacter);
}

// A rule for a label: the value by position with the given head, cut to the field.
inline ReadRule NameRule(QString &field, int head) {
    return [&field, head](const QString &reply, bool store) {
        const QString name = ValueByPosition(reply, head);
        if (IsReadableText(name) && store)
            field = FitName(name);
        return IsReadableText(name);
    };
}

} // namespace hzm
