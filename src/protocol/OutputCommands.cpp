#include "DeviceCommands.h"
#include "ReplyText.h"

#include "model/MixerSettings.h"
#include "model/OptionLists.h"

namespace hzm {

namespace {

bool isZoneIndex(int index) {
    return index >= 0 && index < kZoneCount;
}

// Z1..Z8 for zones, G1..G4 for groups.
QString outputPrefix(int index) {
    return isZoneIndex(index) ? QStringLiteral("Z") + QString::number(index + 1)
                              : QStringLiteral("G") + QString::number(index - kZoneCount + 1);
}

QString number(int value) {
    return QString::number(value);
}

// The commands of one output, in the order the mixer expects them, one unit for each value.
CommandUnits outputUnits(const MixerSettings &settings, int index) {
    CommandUnits units;
    auto add = [&units](QStringList bodies, bool reportedByOlderMixers = true) {
        units.push_back({std::move(bodies), reportedByOlderMixers});
    };
    const ZoneSettings &z = settings.zones[size_t(index)];
    const bool zone = isZoneIndex(index);
    const QString p = outputPrefix(index);

    // Mixers of software 1.04 and older do not report labels.
    add({p + QStringLiteral(",L=") + nameForWire(z.name)}, false);
    add({p + QStringLiteral(".MU,S") + number(z.sourceInput < 8 ? z.sourceInput + 1 : 0)});
    if (zone) {
        add({p + QStringLiteral(".MU,MX") + number(z.maxLevel)});
        add({p + QStringLiteral(".MU,MN") + number(z.minLevel)});
    }
    add({p + QStringLiteral(".MU,L") + number(z.level)});
    for (int m = 1; m <= kMicCount; ++m)
        add({p + QStringLiteral(".M") + number(m) +
             (z.micInputMask & (1 << (m - 1)) ? QStringLiteral(",E") : QStringLiteral(",D"))});
    for (int m = 1; m <= kMicCount; ++m)
        add({p + QStringLiteral(".M") + number(m) +
             (z.micPriorityMask & (1 << (m - 1)) ? QStringLiteral(",TV") : QStringLiteral(",TO"))});
    for (int n = 1; n <= 8; ++n)
        add({p + QStringLiteral(".L") + number(n) +
             (z.lineInputMask & (1 << (n - 1)) ? QStringLiteral(",E") : QStringLiteral(",D"))});
    if (z.priorityInput != 0) {
        add({p + QStringLiteral(".L") + number(z.priorityInput) + QStringLiteral(",TV")});
    } else {
        // Line 1 takes priority and loses it at once: the output is left without a priority input.
        add({p + QStringLiteral(".L1,TV"), p + QStringLiteral(".L1,TO")});
    }
    if (zone) {
        const ZoneEq &eq = settings.zoneEq[size_t(index)];
        add({p + QStringLiteral(".MU,T") + listEntry(lists::eq(), eq.treble)});
        add({p + QStringLiteral(".MU,M") + listEntry(lists::eq(), eq.mid)});
        add({p + QStringLiteral(".MU,B") + listEntry(lists::eq(), eq.bass)});
        static const char *const pageLetters[] = {"O", "V", "A"};
        const QString letter = z.pagePriority >= 0 && z.pagePriority < 3
                                   ? QString::fromLatin1(pageLetters[z.pagePriority])
                                   : QString();
        add({p + QStringLiteral(".PM,T") + letter});
        if (index < 2)
            add({QStringLiteral("SY.Z") + number(index + 1) +
                 (z.stereo ? QStringLiteral(",S") : QStringLiteral(",M"))});
    } else {
        const GroupSettings &g = settings.groups[size_t(index - kZoneCount)];
        // The members: all removed, then the group's own added.
        QStringList members{p + QStringLiteral(",ZR12345678")};
        if (g.memberMask != 0) {
            QString digits;
            for (int n = 1; n <= 8; ++n)
                if (g.memberMask & (1 << (n - 1)))
                    digits += QString::number(n);
            members << p + QStringLiteral(",ZA") + digits;
        }
        add(members);
        add({p + (g.enabled ? QStringLiteral(",E") : QStringLiteral(",D"))});
    }
    return units;
}

// A level-like reply value: "0" (and the extra word, if given) as it is, anything else negated.
int lookUpAttenuation(const QString &value, const OptionList &list, const QString &keepAsIs = QString()) {
    if (value == QStringLiteral("0") || (!keepAsIs.isEmpty() && value == keepAsIs))
        return FindInList(value, list);
    return FindInList(QStringLiteral("-") + value, list);
}

} // namespace

bool SendOutput(const MixerSettings &settings, int index, int mode, Comms &link, ExchangeObserver *observer) {
    if (index < 0 || index >= kOutputCount)
        return false;
    for (const CommandUnit &unit : outputUnits(settings, index))
        for (const QString &body : unit.bodies)
            if (!CommandExchange(body, mode, link, observer))
                return false;
    return true;
}

CommandUnits sendOutputCommandUnits(const MixerSettings &settings, int index) {
    if (index < 0 || index >= kOutputCount)
        return {};
    return outputUnits(settings, index);
}

int sendOutputCommandCount(const MixerSettings &settings, int index) {
    if (index < 0 || index >= kOutputCount)
        return 0;
    int count = 0;
    for (const CommandUnit &unit : outputUnits(settings, index))
        count += int(unit.bodies.size());
    return count;
}

namespace {

// "t =<n>, m =<n>, b =<n>/>": treble, mid and bass.
ReadRule eqRule(ZoneEq &eq) {
    return [&eq](const QString &reply, bool store) {
        const int t = markerPos(reply, QStringLiteral("t ="));
        const int mm = markerPos(reply, QStringLiteral(", m ="));
        const int bb = markerPos(reply, QStringLiteral(", b ="));
        const int e = markerPos(reply, QStringLiteral("/>"));
        const int treble = FindInList(valueBetween(reply, t, 4, mm), lists::eq());
        const int mid = FindInList(valueBetween(reply, mm, 6, bb), lists::eq());
        const int bass = FindInList(valueBetween(reply, bb, 6, e), lists::eq());
        if (store)
            eq = ZoneEq{treble, mid, bass};
        return treble >= 0 && mid >= 0 && bass >= 0;
    };
}

// "x=<max>, n=<min>/>": the zone's level limits.
ReadRule levelLimitsRule(ZoneSettings &z) {
    return [&z](const QString &reply, bool store) {
        const int x = markerPos(reply, QStringLiteral("x="));
        const int nn = markerPos(reply, QStringLiteral(", n="));
        const int e = markerPos(reply, QStringLiteral("/>"));
        const int maxLevel = lookUpAttenuation(valueBetween(reply, x, 2, nn), lists::maxLevel());
        const int minLevel =
            lookUpAttenuation(valueBetween(reply, nn, 4, e), lists::minLevel(), QStringLiteral("mute"));
        if (store) {
            z.maxLevel = maxLevel;
            z.minLevel = minLevel;
        }
        return maxLevel >= 0 && minLevel >= 0;
    };
}

// "q=<members><e|d>/>" or "q=empty/>": the group's member zones and whether it is enabled.
void readGroupMembers(GroupSettings &g, const QString &reply) {
    const int q = markerPos(reply, QStringLiteral("q="));
    const int e = markerPos(reply, QStringLiteral("/>"));
    const QString value = valueBetween(reply, q, 2, e);
    g.memberMask = 0;
    g.enabled = 0;
    if (value == QStringLiteral("empty") || value.isEmpty())
        return;
    g.enabled = value.endsWith(QLatin1Char('e')) ? 1 : 0;
    for (int i = 0; i < value.size() - 1; ++i) {
        const QChar c = value.at(i);
        if (c >= QLatin1Char('1') && c <= QLatin1Char('8'))
            g.memberMask |= 1 << (c.unicode() - '1');
    }
}

// The output's mic and line switches ("<p>.Mm,Q", "<p>.Ln,Q"): which sources are on, and which
// have priority.
bool readSourceSwitches(const QString &p, ZoneSettings &z, Comms &link, ExchangeObserver *observer) {
    QString reply;
    auto ask = [&](const QString &body) { return queryExchange(body, link, observer, reply); };
    // "q=<e|d>, pri<3 skipped><on|off>/>": input enabled, priority on.
    auto twoValues = [&](QString &first, QString &second) {
        const int q = markerPos(reply, QStringLiteral("q="));
        const int pri = markerPos(reply, QStringLiteral(", pri"));
        const int e = markerPos(reply, QStringLiteral("/>"));
        first = valueBetween(reply, q, 2, pri);
        second = valueBetween(reply, pri, 8, e);
    };

    z.micInputMask = 0;
    z.micPriorityMask = 0;
    for (int m = 1; m <= kMicCount; ++m) {
        if (!ask(p + QStringLiteral(".M") + QString::number(m) + QStringLiteral(",Q")))
            return false;
        QString enabled, priority;
        twoValues(enabled, priority);
        if (enabled == QStringLiteral("e"))
            z.micInputMask |= 1 << (m - 1);
        if (priority == QStringLiteral("on"))
            z.micPriorityMask |= 1 << (m - 1);
    }

    z.lineInputMask = 0;
    z.priorityInput = 0;
    for (int n = 1; n <= 8; ++n) {
        if (!ask(p + QStringLiteral(".L") + QString::number(n) + QStringLiteral(",Q")))
            return false;
        QString enabled, priority;
        twoValues(enabled, priority);
        if (enabled == QStringLiteral("e"))
            z.lineInputMask |= 1 << (n - 1);
        if (priority == QStringLiteral("on"))
            z.priorityInput = n;
    }
    return true;
}

} // namespace

bool ReadOutput(MixerSettings &settings, int number, Comms &link, ExchangeObserver *observer) {
    if (number < 1 || number > kOutputCount)
        return false;
    const int index = number - 1;
    const bool zone = isZoneIndex(index);
    const QString p = outputPrefix(index);
    ZoneSettings &z = settings.zones[size_t(index)];
    QString reply;
    auto ask = [&](const QString &body) { return queryExchange(body, link, observer, reply); };
    auto read = [&](const QString &body, const ReadRule &rule) {
        return readQuery(body, link, observer, rule);
    };

    if (hasNewerSoftware(settings.softwareVersion) && !read(p + QStringLiteral(",LQ"), nameRule(z.name, 6)))
        return false;

    if (!read(p + QStringLiteral(".MU,LQ"), indexRule(z.level, [](const QString &reply) {
                  return lookUpAttenuation(valueByPosition(reply, 9), lists::level(), QStringLiteral("mute"));
              })))
        return false;

    if (!read(p + QStringLiteral(".MU,SQ"), indexRule(z.sourceInput, [](const QString &reply) {
                  const QString value = valueByPosition(reply, 9);
                  return value == QStringLiteral("0") ? 8 : FindInList(value, lists::selectInput());
              })))
        return false;

    if (!readSourceSwitches(p, z, link, observer))
        return false;

    if (zone) {
        if (index < 2) {
            if (!ask(QStringLiteral("SY.") + p + QStringLiteral(",Q")))
                return false;
            z.stereo = valueByPosition(reply, 9) == QStringLiteral("s") ? 1 : 0;
        }

        if (!read(p + QStringLiteral(".MU,EQ"), eqRule(settings.zoneEq[size_t(index)])))
            return false;

        if (!read(p + QStringLiteral(".MU,MQ"), levelLimitsRule(z)))
            return false;

        return read(p + QStringLiteral(".PM,TQ"), indexRule(z.pagePriority, [](const QString &reply) {
                        return FindInList(valueByPosition(reply, 11), lists::pagePriority());
                    }));
    }

    if (!ask(p + QStringLiteral(",Q")))
        return false;
    readGroupMembers(settings.groups[size_t(index - kZoneCount)], reply);
    return true;
}

int readOutputCommandCount(int number, const QString &softwareVersion) {
    if (number < 1 || number > kOutputCount)
        return 0;
    int count = hasNewerSoftware(softwareVersion) ? 1 : 0;
    count += 2 + kMicCount + 8; // level, select input, mics, lines
    if (number <= kZoneCount)
        count += (number <= 2 ? 1 : 0) + 3; // output type, tone, limits, page priority
    else
        count += 1; // members and enable
    return count;
}

} // namespace hzm
