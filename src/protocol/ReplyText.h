#pragma once

// How the mixer's replies are taken apart: by fixed positions and by marker texts. Every
// position counts from the reply's first character ("<"), and every cut is clamped as Mid clamps.

#include "link/CommandExchange.h"
#include "model/TextHelpers.h"

#include <QString>

namespace hzm {

// Characters of a reply the exchange hands back: a reply buffer of 256 UTF-16 units.
constexpr int kReplyChars = 256;

// One query of a read job. Its reply begins with the query's own head, so frames that answer an
// earlier command (a slow mixer's late reply, stray bytes) are skipped instead of being read as
// this query's values. 1 success, 0 failure, as CommandExchange.
inline int QueryExchange(const QString &body, Comms &link, ExchangeObserver *observer, QString &reply) {
    ExchangeOptions options;
    options.replyEchoesHead = true;
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

} // namespace hzm
