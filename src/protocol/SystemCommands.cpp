#include "DeviceCommands.h"
#include "ReplyText.h"

#include "model/MixerSettings.h"
#include "model/OptionLists.h"

#include <algorithm>
#include <climits>

namespace hzm {

namespace {

QString number(int value) {
    return QString::number(value);
}

// The nineteen commands, each setting one value.
CommandUnits systemUnits(const SystemSettings &s) {
    CommandUnits units;
    auto add = [&units](const QString &body, bool reportedByOlderMixers = true) {
        units.push_back({{body}, reportedByOlderMixers});
    };
    static const char *const powerUp[] = {"IF", "ID", "IP"};
    add(QStringLiteral("SY,") +
        (s.powerUpMode >= 0 && s.powerUpMode < 3 ? QString::fromLatin1(powerUp[s.powerUpMode]) : QString()));
    add(QStringLiteral("RM,Z") + ListEntry(lists::remoteZoneOffset(), s.remoteZoneOffset));
    add(QStringLiteral("PM,Z") + number(s.pagingMicOffset));
    add(QStringLiteral("PM,") + (s.accessContacts == 1 ? QStringLiteral("I") : QStringLiteral("O")));
    add(QStringLiteral("PM,A") + number(s.pagingPriorityAttenuation));
    add(QStringLiteral("PM,H") + number(s.pagingPriorityHold + 1));
    add(QStringLiteral("PM,R") + number(s.pagingPriorityRelease + 1));
    add(QStringLiteral("MI,A") + number(s.micPriorityAttenuation));
    add(QStringLiteral("MI,H") + number(s.micPriorityHold + 1));
    add(QStringLiteral("MI,R") + number(s.micPriorityRelease + 1));
    // Mixers of software 1.04 and older do not report the mic gates.
    for (int m = 1; m <= kMicCount; ++m)
        add(QStringLiteral("SY.M") + number(m) +
                (s.micGateMask & (1 << (m - 1)) ? QStringLiteral(",NE") : QStringLiteral(",ND")),
            false);
    add(QStringLiteral("LI,H") + number(s.linePriorityHold + 1));
    add(QStringLiteral("LI,R") + number(s.linePriorityRelease + 1));
    add(QStringLiteral("SY.EM,N") + (s.muteContacts == 1 ? QStringLiteral("O") : QStringLiteral("C")));
    QString source;
    if (s.muteSource == 0)
        source = QStringLiteral("O");
    else if (s.muteSource >= 1 && s.muteSource <= 8)
        source = QStringLiteral("L") + number(s.muteSource);
    else if (s.muteSource >= 9 && s.muteSource <= 12)
        source = QStringLiteral("M") + number(s.muteSource - 8);
    add(QStringLiteral("SY.EM,S") + source);
    add(QStringLiteral("SY.EM,L") + number(s.muteLevel));
    return units;
}

// The value that stands from position start up to the reply's last two characters.
QString valueFrom(const QString &reply, int start) {
    return Mid(reply, start, int(reply.size()) - start - 2);
}

// Attenuation texts come without their sign; "0" stays as it is.
QString negated(const QString &value) {
    return value == QStringLiteral("0") ? value : QStringLiteral("-") + value;
}

} // namespace

CommandUnits SendSystemCommandUnits(const MixerSettings &settings) {
    return systemUnits(settings.system);
}

int SendSystemSettings(const MixerSettings &settings, int mode, Comms &link, ExchangeObserver *observer) {
    for (const CommandUnit &unit : systemUnits(settings.system))
        for (const QString &body : unit.bodies)
            if (!CommandExchange(body, mode, link, observer))
                return 0;
    return 1;
}

int SendSystemCommandCount() {
    return 19;
}

int ReadSystemCommandCount(const QString &softwareVersion, bool writeBack) {
    return HasNewerSoftware(softwareVersion) ? 12 : writeBack ? 9 : 8;
}

int ReadSystemSettings(MixerSettings &settings, Comms &link, ExchangeObserver *observer, bool writeBack) {
    SystemSettings &s = settings.system;
    const bool newer = HasNewerSoftware(settings.softwareVersion);
    QString reply;
    auto ask = [&](const QString &body) {
        return CommandExchange(body, Exchange, link, observer, &reply, kReplyChars) != 0;
    };

    // Power-up mode: the letter at position 7 ("f", "d" or "p").
    if (!ask(QStringLiteral("SY,IQ")))
        return 0;
    {
        const QString value = reply.size() > 7 ? Mid(reply, 7, 1) : reply.right(1);
        if (value == QStringLiteral("f"))
            s.powerUpMode = 0;
        else if (value == QStringLiteral("d"))
            s.powerUpMode = 1;
        else if (value == QStringLiteral("p"))
            s.powerUpMode = 2;
    }

    if (!ask(QStringLiteral("RM,ZQ")))
        return 0;
    {
        QString value = valueFrom(reply, 17);
        if (value == QStringLiteral("14"))
            value = QStringLiteral("104"); // the mixer cuts this one offset to its last two digits
        s.remoteZoneOffset = FindInList(value, lists::remoteZoneOffset());
    }

    if (!ask(QStringLiteral("PM,ZQ")))
        return 0;
    s.pagingMicOffset = FindInList(valueFrom(reply, 16), lists::offset16());

    if (!ask(QStringLiteral("PM,IQ")))
        return 0;
    {
        const QString value = valueFrom(reply, 13);
        if (value == QStringLiteral("out"))
            s.accessContacts = 0;
        else if (value == QStringLiteral("in"))
            s.accessContacts = 1;
    }

    // Paging priority: "att<3 skipped><n>, hold<3 skipped><s>, rel<3 skipped><s>/>".
    if (!ask(newer ? QStringLiteral("PM,Q") : QStringLiteral("PM,AQ")))
        return 0;
    {
        const int a = MarkerPos(reply, QStringLiteral("att"));
        const int h = MarkerPos(reply, QStringLiteral(", hold"));
        const int r = MarkerPos(reply, QStringLiteral(", rel"));
        const int e = MarkerPos(reply, QStringLiteral("/>"));
        const QString attenuation = ValueBetween(reply, a, 6, h);
        const QString hold = ValueBetween(reply, h, 9, r);
        const QString release = ValueBetween(reply, r, 8, e);
        if (newer) {
            s.pagingPriorityAttenuation = FindInList(negated(attenuation), lists::attenuation());
        } else if (writeBack) {
            // Older mixers do not report it: the utility's value is written instead.
            if (!ask(QStringLiteral("PM,A") + number(s.pagingPriorityAttenuation)))
                return 0;
        }
        s.pagingPriorityHold = FindInList(hold, lists::seconds12());
        s.pagingPriorityRelease = FindInList(release, lists::seconds12());
    }

    if (!ask(QStringLiteral("MI,Q")))
        return 0;
    {
        const int a = MarkerPos(reply, QStringLiteral("attn"));
        const int h = MarkerPos(reply, QStringLiteral("dB, hold"));
        const int r = MarkerPos(reply, QStringLiteral("s, rel"));
        const int e = MarkerPos(reply, QStringLiteral("s/>"));
        s.micPriorityAttenuation = FindInList(negated(ValueBetween(reply, a, 7, h)), lists::attenuation());
        s.micPriorityHold = FindInList(ValueBetween(reply, h, 11, r), lists::seconds12());
        s.micPriorityRelease = FindInList(ValueBetween(reply, r, 9, e), lists::seconds12());
    }

    if (!ask(QStringLiteral("LI,Q")))
        return 0;
    {
        const int h = MarkerPos(reply, QStringLiteral("hold"));
        const int r = MarkerPos(reply, QStringLiteral("s, rel"));
        const int e = MarkerPos(reply, QStringLiteral("s/>"));
        s.linePriorityHold = FindInList(ValueBetween(reply, h, 7, r), lists::seconds12());
        s.linePriorityRelease = FindInList(ValueBetween(reply, r, 9, e), lists::seconds12());
    }

    if (!ask(QStringLiteral("SY.EM,Q")))
        return 0;
    {
        const int q = MarkerPos(reply, QStringLiteral("q="));
        const int sp = MarkerPos(reply, QStringLiteral(", s="));
        const int l = MarkerPos(reply, QStringLiteral(", l="));
        const int e = MarkerPos(reply, QStringLiteral("/>"));
        const QString contacts = ValueBetween(reply, q, 2, sp);
        const QString source = ValueBetween(reply, sp, 4, l);
        const QString level = ValueBetween(reply, l, 4, e);
        if (contacts == QStringLiteral("nc"))
            s.muteContacts = 0;
        else if (contacts == QStringLiteral("no"))
            s.muteContacts = 1;
        if (source == QStringLiteral("off"))
            s.muteSource = 0;
        else if (source.startsWith(QLatin1Char('l')))
            s.muteSource = ParseInt(source.mid(1));
        else if (source.startsWith(QLatin1Char('m')))
            s.muteSource = int(std::min<qint64>(qint64(ParseInt(source.mid(1))) + 8, INT_MAX));
        s.muteLevel = ParseInt(level);
    }

    if (newer) {
        s.micGateMask = 0;
        for (int m = 1; m <= kMicCount; ++m) {
            if (!ask(QStringLiteral("SY.M") + number(m) + QStringLiteral(",NQ")))
                return 0;
            if (valueFrom(reply, 11) == QStringLiteral("on"))
                s.micGateMask |= 1 << (m - 1);
        }
    }
    return 1;
}

} // namespace hzm
