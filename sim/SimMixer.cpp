#include "SimMixer.h"

#include "model/OptionLists.h"
#include "model/TextHelpers.h"

#include <QMutexLocker>
#include <QRegularExpression>

#include <algorithm>

// The simulated mixer's protocol.
//
// Every command arrives as "<" + body + "/>" and gets exactly one framed reply. Bodies are
// matched case-sensitively, as the program sends them (upper-case letters).
//
// Replies to commands that change something: the body in lower case, framed, for example
// "<Z1.MU,L20/>" -> "<z1.mu,l20/>". Label commands answer "<z1,l=ok/>" (the label is not echoed,
// so that a label can never turn an acknowledgement into a refusal), the key change "<sy,k ok/>".
//
// Refusals (every one contains "<!"):
//   "<!unknown/>"  the body is no command of this mixer
//   "<!range/>"    a value outside what the field can hold (PM,Z16, Z1.MU,L63, L1,G+13, ...)
//   "<!key/>"      SY,K with a wrong old key or an invalid new key
//   "<!version/>"  a query that mixers of software 1.04 and older do not know (labels, PM,Q,
//                  the mic gates)
//   "<!busy/>"     refused on purpose by a fault rule
//
// Query replies. Positions count from the "<" (position 0); the program reads each value at a
// fixed position ("head" = characters before the value, the value ending two characters before
// the end) or after a marker text. Values shown as <...>:
//
//   SY,VQ      "<sy,vq v: <version>/>"                     version at 10..13
//   SY,IQ      "<sy,iq=<f|d|p>/>"                          letter at 7 (factory, default, last)
//   RM,ZQ      "<rm,zq offset is <0..120>/>"               head 17
//   PM,ZQ      "<pm,zq offset = <0..15>/>"                 head 16
//   PM,IQ      "<pm,iq acc = <in|out>/>"                   head 13
//   PM,Q       "<pm,q att = <dB>, hold = <s>, rel = <s>/>"    markers "att", ", hold", ", rel"
//   PM,AQ      "<pm,aq att = <dB>, hold = <s>, rel = <s>/>"   the same
//   MI,Q       "<mi,q attn = <dB>dB, hold = <s>s, rel = <s>s/>"  markers "attn", "dB, hold",
//                                                             "s, rel", "s/>"
//   LI,Q       "<li,q hold = <s>s, rel = <s>s/>"           markers "hold", "s, rel", "s/>"
//   SY.EM,Q    "<sy.em,q=<no|nc>, s=<off|l1..l8|m1..m4>, l=<0..69>/>"
//   SY.Mm,NQ   "<sy.m1,nq= <on|off>/>"                     head 11
//   Ln,LQ      "<l1,l=<label>/>"                           head 6
//   Ln,GQ      "<l1,g=<+12..0..-12>/>"                     head 6
//   P,LQ       "<z1,l=<label>/>", "<g1,l=<label>/>"        head 6
//   P.MU,LQ    "<z1.mu,l=<0..61|mute>/>"                   head 9 (dB of attenuation)
//   P.MU,SQ    "<z1.mu,s=<0..8>/>"                         head 9 (0 = off)
//   P.Mm,Q     "<z1.m1,q=<e|d>, pri = <on|off>/>"          markers "q=", ", pri" (+3)
//   P.Ln,Q     "<z1.l1,q=<e|d>, pri = <on|off>/>"          the same
//   SY.Zn,Q    "<sy.z1,q=<s|m>/>"                          head 9
//   P.MU,EQ    "<z1.mu,eq t = <eq>, m = <eq>, b = <eq>/>"  markers "t =", ", m =", ", b ="
//   P.MU,MQ    "<z1.mu,mq x=<0..62>, n=<0..61|mute>/>"     markers "x=", ", n="
//   P.PM,TQ    "<z1.pm,t = <off|vox|access>/>"             head 11
//   Gn,Q       "<g1,q=<digits><e|d>/>" or "<g1,q=empty/>"  marker "q="
//
// Levels and attenuations are replied as positive numbers of dB (index n = -n dB); the tone
// controls with their sign, as the program's EQ list writes them ("+2", "0", "-4").
//
// Other behaviour: "SY,SD" restores the factory configuration (the key stays); "SY,R" resets,
// which restores the factory configuration only when the power-up mode is Factory. Labels are
// kept without trailing blanks and cut to 33 characters.

namespace hzm::sim {

namespace {

QString framed(const QString &text) {
    return QLatin1Char('<') + text + QStringLiteral("/>");
}

const QString kUnknown = QStringLiteral("<!unknown/>");
const QString kRange = QStringLiteral("<!range/>");
const QString kBadKey = QStringLiteral("<!key/>");
const QString kOldVersion = QStringLiteral("<!version/>");
const QString kBusy = QStringLiteral("<!busy/>");

// A plain unsigned decimal number of at most three digits.
bool parseNumber(const QString &text, int &value) {
    if (text.isEmpty() || text.size() > 3)
        return false;
    int v = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
    }
    value = v;
    return true;
}

bool parseInRange(const QString &text, int low, int high, int &value) {
    int v;
    if (!parseNumber(text, v) || v < low || v > high)
        return false;
    value = v;
    return true;
}

// A single digit in low..high, as in "Z3", "M2", "L8".
bool parseDigit(QChar c, int low, int high, int &value) {
    const int v = c.unicode() - '0';
    if (v < low || v > high)
        return false;
    value = v;
    return true;
}

QString storedLabel(const QString &text) {
    return fitName(TrimRight(text));
}

bool isKey(const QString &key) {
    if (key.size() != 4)
        return false;
    for (QChar c : key)
        if (c < QLatin1Char('1') || c > QLatin1Char('8'))
            return false;
    return true;
}

// Level-like values are replied as positive dB; the mute entry as "mute".
QString levelText(int index, int muteIndex) {
    if (muteIndex >= 0 && index == muteIndex)
        return QStringLiteral("mute");
    return QString::number(index);
}

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}
QString enabledText(bool on) {
    return on ? QStringLiteral("e") : QStringLiteral("d");
}

} // namespace

QString LogEntry::toText() const {
    const QString replyText = answered ? QString::fromUtf8(reply) : QStringLiteral("(no reply)");
    return QStringLiteral("%1 %2  <%3/>  ->  %4")
        .arg(time.toString(QStringLiteral("HH:mm:ss.zzz")), source, body, replyText);
}

bool FaultSettings::any() const {
    return !refuse.isEmpty() || !silent.isEmpty() || !late.isEmpty() || !junk.isEmpty() ||
           fragmentBytes > 0 || replyDelayMs > 0 || dropAfterCommands > 0;
}

SimMixer::SimMixer() = default;

bool SimMixer::matches(const QString &pattern, const QString &body) {
    QString rx;
    for (QChar c : pattern) {
        if (c == QLatin1Char('*'))
            rx += QStringLiteral(".*");
        else if (c == QLatin1Char('?'))
            rx += QLatin1Char('.');
        else
            rx += QRegularExpression::escape(QString(c));
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(rx),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(body).hasMatch();
}

QByteArray SimMixer::handle(const QString &body) {
    QMutexLocker lock(&m_mutex);
    return handleLocked(body);
}

QByteArray SimMixer::handleLocked(const QString &body) {
    return reply(body).toUtf8();
}

Outcome SimMixer::process(const QString &body, const QString &source) {
    Outcome out;
    LogEntry entry;
    std::function<void(const LogEntry &)> sink;
    {
        QMutexLocker lock(&m_mutex);
        entry.time = QDateTime::currentDateTime();
        entry.source = source;
        entry.body = body;

        const auto anyMatches = [&body](const QStringList &patterns) {
            return std::any_of(patterns.cbegin(), patterns.cend(),
                               [&body](const QString &pattern) { return matches(pattern, body); });
        };
        const bool silent = anyMatches(m_faults.silent);
        bool refused = false;
        if (!silent) {
            for (int i = 0; i < m_faults.refuse.size(); ++i) {
                RefuseRule &rule = m_faults.refuse[i];
                if (rule.remaining > 0 && matches(rule.pattern, body)) {
                    refused = true;
                    if (--rule.remaining <= 0)
                        m_faults.refuse.removeAt(i);
                    break;
                }
            }
        }
        if (silent)
            out.reply.clear();
        else if (refused)
            out.reply = kBusy.toUtf8();
        else if (anyMatches(m_faults.junk))
            out.reply = "<" + body.toLower().toUtf8() + QByteArray(" \0\xC3(\xED\xA0\x80/>", 9);
        else
            out.reply = handleLocked(body);

        out.delayMs = anyMatches(m_faults.late) ? FaultSettings::kLateReplyMs : m_faults.replyDelayMs;
        out.fragmentBytes = m_faults.fragmentBytes;
        out.fragmentDelayMs = m_faults.fragmentDelayMs;
        if (m_faults.dropAfterCommands > 0 && ++m_commandsSinceDropSet >= m_faults.dropAfterCommands) {
            out.dropAfter = true;
            m_faults.dropAfterCommands = 0;
            m_commandsSinceDropSet = 0;
        }

        entry.reply = out.reply;
        entry.answered = !out.reply.isEmpty();
        m_log.append(entry);
        sink = m_sink;
    }
    if (sink)
        sink(entry);
    return out;
}

void SimMixer::logIgnored(const QString &body, const QString &source) {
    LogEntry entry;
    entry.time = QDateTime::currentDateTime();
    entry.source = source;
    entry.body = body;
    entry.answered = false;
    std::function<void(const LogEntry &)> sink;
    {
        QMutexLocker lock(&m_mutex);
        m_log.append(entry);
        sink = m_sink;
    }
    if (sink)
        sink(entry);
}

MixerSettings SimMixer::settings() const {
    QMutexLocker lock(&m_mutex);
    return m_settings;
}

void SimMixer::setSettings(const MixerSettings &settings) {
    QMutexLocker lock(&m_mutex);
    m_settings = settings;
}

QString SimMixer::installerKey() const {
    QMutexLocker lock(&m_mutex);
    return m_key;
}

void SimMixer::setInstallerKey(const QString &key) {
    QMutexLocker lock(&m_mutex);
    m_key = key;
}

QString SimMixer::softwareVersion() const {
    QMutexLocker lock(&m_mutex);
    return m_version;
}

void SimMixer::setSoftwareVersion(const QString &version) {
    QMutexLocker lock(&m_mutex);
    m_version = version;
}

int SimMixer::resetCount() const {
    QMutexLocker lock(&m_mutex);
    return m_resets;
}

FaultSettings SimMixer::faults() const {
    QMutexLocker lock(&m_mutex);
    return m_faults;
}

void SimMixer::setFaults(const FaultSettings &faults) {
    QMutexLocker lock(&m_mutex);
    m_faults = faults;
    m_commandsSinceDropSet = 0;
}

void SimMixer::refuseNext(const QString &pattern, int count) {
    QMutexLocker lock(&m_mutex);
    if (count > 0)
        m_faults.refuse.append(RefuseRule{pattern, count});
}

void SimMixer::neverAnswer(const QString &pattern) {
    QMutexLocker lock(&m_mutex);
    m_faults.silent.append(pattern);
}

void SimMixer::clearFaults() {
    setFaults(FaultSettings());
}

QList<LogEntry> SimMixer::log() const {
    QMutexLocker lock(&m_mutex);
    return m_log;
}

QStringList SimMixer::receivedBodies() const {
    QMutexLocker lock(&m_mutex);
    QStringList bodies;
    for (const LogEntry &e : m_log)
        bodies.append(e.body);
    return bodies;
}

void SimMixer::clearLog() {
    QMutexLocker lock(&m_mutex);
    m_log.clear();
}

void SimMixer::setLogSink(std::function<void(const LogEntry &)> sink) {
    QMutexLocker lock(&m_mutex);
    m_sink = std::move(sink);
}

MixerSettings SimMixer::demoSettings() {
    MixerSettings s;
    const char *inputNames[kInputCount] = {"CD Player", "Tuner", "Jukebox", "Background",
                                           "DJ Desk",   "Stage", "TV",      "Spare"};
    for (int i = 0; i < kInputCount; ++i) {
        s.inputs[i].name = QString::fromLatin1(inputNames[i]);
        s.inputs[i].gain = (i * 3) % 25;
    }
    const char *zoneNames[kOutputCount] = {"Bar",     "Restaurant",  "Lobby",   "Terrace",
                                           "Kitchen", "Toilets",     "Office",  "Garden",
                                           "Ground",  "First Floor", "Outside", "All Areas"};
    for (int i = 0; i < kOutputCount; ++i) {
        ZoneSettings &z = s.zones[i];
        z.name = QString::fromLatin1(zoneNames[i]);
        z.stereo = i == 0 ? 1 : 0;
        z.micInputMask = (i + 3) % 16;
        z.micPriorityMask = i % 3 == 0 ? 1 : 0;
        z.priorityInput = i % 9;
        z.lineInputMask = 0xFF & ~(1 << (i % 8));
        z.sourceInput = i < kZoneCount ? (i + 2) % 8 : (i == 11 ? 8 : i - 8);
        z.level = 10 + i * 4;
        if (i < kZoneCount) {
            z.pagePriority = i % 3;
            z.maxLevel = i;
            z.minLevel = i == 7 ? 62 : 40 + i;
        }
    }
    s.zones[6].level = 62; // Office muted
    for (int z = 0; z < kZoneCount; ++z) {
        s.zoneEq[z].treble = (z + 5) % 15;
        s.zoneEq[z].mid = (z + 7) % 15;
        s.zoneEq[z].bass = (14 - z) % 15;
    }
    s.groups[0] = GroupSettings{0x03, 1}; // Bar and Restaurant
    s.groups[1] = GroupSettings{0x1C, 1};
    s.groups[2] = GroupSettings{0x88, 0};
    s.groups[3] = GroupSettings{0xFF, 1};
    SystemSettings &y = s.system;
    y.micGateMask = 0x5;
    y.micPriorityAttenuation = 20;
    y.micPriorityHold = 4;
    y.micPriorityRelease = 1;
    y.pagingMicOffset = 3;
    y.accessContacts = 0;
    y.pagingPriorityAttenuation = 25;
    y.pagingPriorityHold = 5;
    y.pagingPriorityRelease = 2;
    y.linePriorityHold = 6;
    y.linePriorityRelease = 3;
    y.powerUpMode = 1;
    y.remoteZoneOffset = 2;
    y.muteContacts = 0;
    y.muteLevel = 20;
    y.muteSource = 10;
    return s;
}

// ---------------------------------------------------------------------------------------------
// The command set. Called with the lock held; returns the framed reply text.

QString SimMixer::reply(const QString &body) {
    const bool newer = ParseDecimal(m_version) > 1.04;
    const QString ack = framed(body.toLower());
    if (body.startsWith(QLatin1String("SY,")) || body.startsWith(QLatin1String("RM,")))
        return systemCommand(body, ack);
    if (body.startsWith(QLatin1String("PM,")))
        return pagingCommand(body, ack, newer);
    if (body.startsWith(QLatin1String("MI,")) || body.startsWith(QLatin1String("LI,")))
        return priorityCommand(body, ack);
    if (body.startsWith(QLatin1String("SY.EM,")))
        return muteCommand(body, ack);
    if (body.startsWith(QLatin1String("SY.M")) || body.startsWith(QLatin1String("SY.Z")))
        return switchCommand(body, ack, newer);
    if (body.size() >= 3 && body.at(0) == QLatin1Char('L') && body.at(2) == QLatin1Char(','))
        return inputCommand(body, newer);
    if (body.size() >= 3 && (body.at(0) == QLatin1Char('Z') || body.at(0) == QLatin1Char('G')) &&
        (body.at(2) == QLatin1Char(',') || body.at(2) == QLatin1Char('.')))
        return outputCommand(body, newer);
    return kUnknown;
}

// SY,... and RM,...: the version, the factory settings, the reset, the installer key, the power-up
// mode and the remote zone offset.
QString SimMixer::systemCommand(const QString &body, const QString &ack) {
    MixerSettings &s = m_settings;
    SystemSettings &y = s.system;
    if (body == QLatin1String("SY,VQ"))
        return framed(QStringLiteral("sy,vq v: ") + m_version);
    if (body == QLatin1String("SY,SD")) {
        LoadFactoryDefaults(s);
        return ack;
    }
    if (body == QLatin1String("SY,R")) {
        ++m_resets;
        if (y.powerUpMode == 0)
            LoadFactoryDefaults(s);
        return ack;
    }
    if (body.startsWith(QLatin1String("SY,K"))) {
        const QString keys = body.mid(4);
        if (keys.size() != 8 || keys.left(4) != m_key || !isKey(keys.mid(4)))
            return kBadKey;
        m_key = keys.mid(4);
        return framed(QStringLiteral("sy,k ok"));
    }
    if (body == QLatin1String("SY,IQ")) {
        static const char letters[] = "fdp";
        const QChar letter =
            y.powerUpMode >= 0 && y.powerUpMode <= 2 ? QLatin1Char(letters[y.powerUpMode]) : QLatin1Char('?');
        return framed(QStringLiteral("sy,iq=") + letter);
    }
    if (body == QLatin1String("SY,IF") || body == QLatin1String("SY,ID") || body == QLatin1String("SY,IP")) {
        y.powerUpMode = QStringLiteral("FDP").indexOf(body.at(4));
        return ack;
    }
    if (body == QLatin1String("RM,ZQ"))
        return framed(QStringLiteral("rm,zq offset is ") +
                      listEntry(lists::remoteZoneOffset(), y.remoteZoneOffset));
    if (body.startsWith(QLatin1String("RM,Z"))) {
        const int index = findExactInList(body.mid(4), lists::remoteZoneOffset());
        if (index < 0)
            return kRange;
        y.remoteZoneOffset = index;
        return ack;
    }
    return kUnknown;
}

// PM,...: the paging mic.
QString SimMixer::pagingCommand(const QString &body, const QString &ack, bool newer) {
    SystemSettings &y = m_settings.system;
    const QString rest = body.mid(3);
    if (rest == QLatin1String("ZQ"))
        return framed(QStringLiteral("pm,zq offset = ") + QString::number(y.pagingMicOffset));
    if (rest == QLatin1String("IQ"))
        return framed(QStringLiteral("pm,iq acc = ") +
                      (y.accessContacts == 1 ? QStringLiteral("in") : QStringLiteral("out")));
    if (rest == QLatin1String("Q") || rest == QLatin1String("AQ")) {
        if (rest == QLatin1String("Q") && !newer)
            return kOldVersion;
        return framed(QStringLiteral("pm,%1 att = %2, hold = %3, rel = %4")
                          .arg(rest.toLower())
                          .arg(y.pagingPriorityAttenuation)
                          .arg(y.pagingPriorityHold + 1)
                          .arg(y.pagingPriorityRelease + 1));
    }
    if (rest == QLatin1String("I") || rest == QLatin1String("O")) {
        y.accessContacts = rest == QLatin1String("I") ? 1 : 0;
        return ack;
    }
    if (rest.isEmpty())
        return kUnknown;
    const QChar what = rest.at(0);
    const QString value = rest.mid(1);
    int v;
    if (what == QLatin1Char('Z')) {
        if (!parseInRange(value, 0, 15, v))
            return kRange;
        y.pagingMicOffset = v;
        return ack;
    }
    if (what == QLatin1Char('A')) {
        if (!parseInRange(value, 0, 46, v))
            return kRange;
        y.pagingPriorityAttenuation = v;
        return ack;
    }
    if (what == QLatin1Char('H') || what == QLatin1Char('R')) {
        if (!parseInRange(value, 1, 12, v))
            return kRange;
        (what == QLatin1Char('H') ? y.pagingPriorityHold : y.pagingPriorityRelease) = v - 1;
        return ack;
    }
    return kUnknown;
}

// MI,... and LI,...: mic and line priority.
QString SimMixer::priorityCommand(const QString &body, const QString &ack) {
    SystemSettings &y = m_settings.system;
    if (body.startsWith(QLatin1String("MI,"))) {
        const QString rest = body.mid(3);
        if (rest == QLatin1String("Q"))
            return framed(QStringLiteral("mi,q attn = %1dB, hold = %2s, rel = %3s")
                              .arg(y.micPriorityAttenuation)
                              .arg(y.micPriorityHold + 1)
                              .arg(y.micPriorityRelease + 1));
        if (rest.isEmpty())
            return kUnknown;
        const QChar what = rest.at(0);
        int v;
        if (what == QLatin1Char('A')) {
            if (!parseInRange(rest.mid(1), 0, 46, v))
                return kRange;
            y.micPriorityAttenuation = v;
            return ack;
        }
        if (what == QLatin1Char('H') || what == QLatin1Char('R')) {
            if (!parseInRange(rest.mid(1), 1, 12, v))
                return kRange;
            (what == QLatin1Char('H') ? y.micPriorityHold : y.micPriorityRelease) = v - 1;
            return ack;
        }
        return kUnknown;
    }
    if (body.startsWith(QLatin1String("LI,"))) {
        const QString rest = body.mid(3);
        if (rest == QLatin1String("Q"))
            return framed(QStringLiteral("li,q hold = %1s, rel = %2s")
                              .arg(y.linePriorityHold + 1)
                              .arg(y.linePriorityRelease + 1));
        if (rest.isEmpty())
            return kUnknown;
        const QChar what = rest.at(0);
        int v;
        if (what == QLatin1Char('H') || what == QLatin1Char('R')) {
            if (!parseInRange(rest.mid(1), 1, 12, v))
                return kRange;
            (what == QLatin1Char('H') ? y.linePriorityHold : y.linePriorityRelease) = v - 1;
            return ack;
        }
        return kUnknown;
    }
    return kUnknown;
}

// SY.EM,...: the emergency mute.
QString SimMixer::muteCommand(const QString &body, const QString &ack) {
    SystemSettings &y = m_settings.system;
    const QString rest = body.mid(6);
    if (rest == QLatin1String("Q")) {
        QString source;
        if (y.muteSource >= 1 && y.muteSource <= 8)
            source = QStringLiteral("l%1").arg(y.muteSource);
        else if (y.muteSource >= 9 && y.muteSource <= 12)
            source = QStringLiteral("m%1").arg(y.muteSource - 8);
        else
            source = QStringLiteral("off");
        return framed(QStringLiteral("sy.em,q=%1, s=%2, l=%3")
                          .arg(y.muteContacts == 1 ? QStringLiteral("no") : QStringLiteral("nc"), source)
                          .arg(y.muteLevel));
    }
    if (rest == QLatin1String("NO") || rest == QLatin1String("NC")) {
        y.muteContacts = rest == QLatin1String("NO") ? 1 : 0;
        return ack;
    }
    if (rest == QLatin1String("SO")) {
        y.muteSource = 0;
        return ack;
    }
    int v;
    if (rest.size() == 3 && rest.at(0) == QLatin1Char('S') && rest.at(1) == QLatin1Char('L') &&
        parseDigit(rest.at(2), 1, 8, v)) {
        y.muteSource = v;
        return ack;
    }
    if (rest.size() == 3 && rest.at(0) == QLatin1Char('S') && rest.at(1) == QLatin1Char('M') &&
        parseDigit(rest.at(2), 1, 4, v)) {
        y.muteSource = v + 8;
        return ack;
    }
    if (rest.startsWith(QLatin1Char('S')))
        return kRange;
    if (rest.startsWith(QLatin1Char('L'))) {
        if (!parseInRange(rest.mid(1), 0, 69, v))
            return kRange;
        y.muteLevel = v;
        return ack;
    }
    return kUnknown;
}

// SY.Mm,... and SY.Zn,...: the mic gates and the output type of zones 1 and 2.
QString SimMixer::switchCommand(const QString &body, const QString &ack, bool newer) {
    MixerSettings &s = m_settings;
    SystemSettings &y = s.system;
    // SY.Mm,NE / ND / NQ: the mic gates.
    if (body.size() == 8 && body.startsWith(QLatin1String("SY.M")) && body.mid(5, 2) == QLatin1String(",N")) {
        int m;
        if (!parseDigit(body.at(4), 1, kMicCount, m))
            return kUnknown;
        const int bit = 1 << (m - 1);
        const QChar what = body.at(7);
        if (what == QLatin1Char('Q')) {
            if (!newer)
                return kOldVersion;
            return framed(QStringLiteral("sy.m%1,nq= ").arg(m) + onOff(y.micGateMask & bit));
        }
        if (what == QLatin1Char('E') || what == QLatin1Char('D')) {
            y.micGateMask = what == QLatin1Char('E') ? (y.micGateMask | bit) : (y.micGateMask & ~bit);
            return ack;
        }
        return kUnknown;
    }
    // SY.Zn,S / M / Q: the output type of zones 1 and 2.
    if (body.size() == 7 && body.startsWith(QLatin1String("SY.Z")) && body.at(5) == QLatin1Char(',')) {
        int z;
        if (!parseDigit(body.at(4), 1, 2, z))
            return kUnknown;
        const QChar what = body.at(6);
        if (what == QLatin1Char('Q'))
            return framed(QStringLiteral("sy.z%1,q=").arg(z) +
                          (s.zones[z - 1].stereo ? QStringLiteral("s") : QStringLiteral("m")));
        if (what == QLatin1Char('S') || what == QLatin1Char('M')) {
            s.zones[z - 1].stereo = what == QLatin1Char('S') ? 1 : 0;
            return ack;
        }
        return kUnknown;
    }
    return kUnknown;
}

// Ln,L=label  Ln,G<gain>  Ln,LQ  Ln,GQ
QString SimMixer::inputCommand(const QString &body, bool newer) {
    int n;
    if (!parseDigit(body.at(1), 1, kInputCount, n))
        return kUnknown;
    InputSettings &in = m_settings.inputs[n - 1];
    const QString rest = body.mid(3);
    const QString head = QStringLiteral("l%1,").arg(n);
    if (rest.startsWith(QLatin1String("L="))) {
        in.name = storedLabel(rest.mid(2));
        return framed(head + QStringLiteral("l=ok"));
    }
    if (rest == QLatin1String("LQ")) {
        if (!newer)
            return kOldVersion;
        return framed(head + QStringLiteral("l=") + in.name);
    }
    if (rest == QLatin1String("GQ"))
        return framed(head + QStringLiteral("g=") + listEntry(lists::gain(), in.gain));
    if (rest.startsWith(QLatin1Char('G'))) {
        const int index = findExactInList(rest.mid(1), lists::gain());
        if (index < 0)
            return kRange;
        in.gain = index;
        return framed(body.toLower());
    }
    return kUnknown;
}

// Zone (Z1..Z8) and group (G1..G4) commands.
QString SimMixer::outputCommand(const QString &body, bool newer) {
    const bool group = body.at(0) == QLatin1Char('G');
    int k;
    if (!parseDigit(body.at(1), 1, group ? kGroupCount : kZoneCount, k))
        return kUnknown;
    const int index = group ? kZoneCount + k - 1 : k - 1;
    ZoneSettings &z = m_settings.zones[index];
    const QString p = body.left(2).toLower(); // "z1", "g2"
    const QString rest = body.mid(2);
    const QString ack = framed(body.toLower());
    int v;

    if (rest.startsWith(QLatin1String(",L="))) {
        z.name = storedLabel(rest.mid(3));
        return framed(p + QStringLiteral(",l=ok"));
    }
    if (rest == QLatin1String(",LQ")) {
        if (!newer)
            return kOldVersion;
        return framed(p + QStringLiteral(",l=") + z.name);
    }
    if (rest.startsWith(QLatin1String(".MU,"))) {
        const QString mu = rest.mid(4);
        if (mu == QLatin1String("LQ"))
            return framed(p + QStringLiteral(".mu,l=") + levelText(z.level, 62));
        if (mu == QLatin1String("SQ"))
            return framed(p + QStringLiteral(".mu,s=") +
                          QString::number(z.sourceInput >= 0 && z.sourceInput < 8 ? z.sourceInput + 1 : 0));
        if (!group && mu == QLatin1String("EQ")) {
            const ZoneEq &eq = m_settings.zoneEq[index];
            return framed(p + QStringLiteral(".mu,eq t = %1, m = %2, b = %3")
                                  .arg(listEntry(lists::eq(), eq.treble), listEntry(lists::eq(), eq.mid),
                                       listEntry(lists::eq(), eq.bass)));
        }
        if (!group && mu == QLatin1String("MQ"))
            return framed(p + QStringLiteral(".mu,mq x=%1, n=%2")
                                  .arg(levelText(z.maxLevel, -1), levelText(z.minLevel, 62)));
        if (!group && (mu.startsWith(QLatin1String("MX")) || mu.startsWith(QLatin1String("MN")))) {
            if (!parseInRange(mu.mid(2), 0, 62, v))
                return kRange;
            (mu.at(1) == QLatin1Char('X') ? z.maxLevel : z.minLevel) = v;
            return ack;
        }
        if (mu.startsWith(QLatin1Char('S'))) {
            if (!parseInRange(mu.mid(1), 0, 8, v))
                return kRange;
            z.sourceInput = v == 0 ? 8 : v - 1;
            return ack;
        }
        if (mu.startsWith(QLatin1Char('L'))) {
            if (!parseInRange(mu.mid(1), 0, 62, v))
                return kRange;
            z.level = v;
            return ack;
        }
        if (!group && (mu.startsWith(QLatin1Char('T')) || mu.startsWith(QLatin1Char('M')) ||
                       mu.startsWith(QLatin1Char('B')))) {
            const int eqIndex = findExactInList(mu.mid(1), lists::eq());
            if (eqIndex < 0)
                return kRange;
            ZoneEq &eq = m_settings.zoneEq[index];
            (mu.at(0) == QLatin1Char('T')   ? eq.treble
             : mu.at(0) == QLatin1Char('M') ? eq.mid
                                            : eq.bass) = eqIndex;
            return ack;
        }
        return kUnknown;
    }
    if (rest.size() >= 5 && rest.at(0) == QLatin1Char('.') &&
        (rest.at(1) == QLatin1Char('M') || rest.at(1) == QLatin1Char('L')) && rest.at(3) == QLatin1Char(','))
        return sourceCommand(z, p, rest, ack);
    if (!group && rest.startsWith(QLatin1String(".PM,T"))) {
        const QString what = rest.mid(5);
        if (what == QLatin1String("Q"))
            return framed(p + QStringLiteral(".pm,t = ") +
                          listEntry(lists::pagePriority(), z.pagePriority).toLower());
        const int mode = QStringLiteral("OVA").indexOf(what);
        if (what.size() != 1 || mode < 0)
            return kRange;
        z.pagePriority = mode;
        return ack;
    }
    if (group)
        return groupCommand(m_settings.groups[k - 1], p, rest, ack);
    return kUnknown;
}

// <p>.Mm,E/D/TV/TO/Q and <p>.Ln,E/D/TV/TO/Q: an output's mic and line switches (rest from ".").
QString SimMixer::sourceCommand(ZoneSettings &z, const QString &p, const QString &rest, const QString &ack) {
    const bool mic = rest.at(1) == QLatin1Char('M');
    int n;
    if (!parseDigit(rest.at(2), 1, mic ? kMicCount : kInputCount, n))
        return kUnknown;
    const int bit = 1 << (n - 1);
    const QString what = rest.mid(4);
    int &enableMask = mic ? z.micInputMask : z.lineInputMask;
    if (what == QLatin1String("Q")) {
        const bool priority = mic ? (z.micPriorityMask & bit) != 0 : z.priorityInput == n;
        return framed(p + QStringLiteral(".%1%2,q=").arg(mic ? QLatin1Char('m') : QLatin1Char('l')).arg(n) +
                      enabledText(enableMask & bit) + QStringLiteral(", pri = ") + onOff(priority));
    }
    if (what == QLatin1String("E") || what == QLatin1String("D")) {
        enableMask = what == QLatin1String("E") ? (enableMask | bit) : (enableMask & ~bit);
        return ack;
    }
    if (what == QLatin1String("TV") || what == QLatin1String("TO")) {
        const bool on = what == QLatin1String("TV");
        if (mic)
            z.micPriorityMask = on ? (z.micPriorityMask | bit) : (z.micPriorityMask & ~bit);
        else if (on)
            z.priorityInput = n;
        else if (z.priorityInput == n)
            z.priorityInput = 0;
        return ack;
    }
    return kUnknown;
}

// Gn,Q / E / D / ZRdigits / ZAdigits: a group's members and its switch (rest from ",").
QString SimMixer::groupCommand(GroupSettings &g, const QString &p, const QString &rest, const QString &ack) {
    if (rest == QLatin1String(",Q")) {
        QString value;
        for (int n = 1; n <= kZoneCount; ++n)
            if (g.memberMask & (1 << (n - 1)))
                value += QString::number(n);
        if (value.isEmpty() && !g.enabled)
            value = QStringLiteral("empty");
        else
            value += enabledText(g.enabled);
        return framed(p + QStringLiteral(",q=") + value);
    }
    if (rest == QLatin1String(",E") || rest == QLatin1String(",D")) {
        g.enabled = rest == QLatin1String(",E") ? 1 : 0;
        return ack;
    }
    if (rest.startsWith(QLatin1String(",ZR")) || rest.startsWith(QLatin1String(",ZA"))) {
        const QString digits = rest.mid(3);
        if (digits.isEmpty())
            return kRange;
        int mask = 0;
        for (QChar c : digits) {
            int n;
            if (!parseDigit(c, 1, kZoneCount, n))
                return kRange;
            mask |= 1 << (n - 1);
        }
        g.memberMask = rest.at(2) == QLatin1Char('A') ? (g.memberMask | mask) : (g.memberMask & ~mask);
        return ack;
    }
    return kUnknown;
}

} // namespace hzm::sim
