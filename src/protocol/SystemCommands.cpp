#include "DeviceCommands.h"
#include "ReplyText.h"

#include "model/MixerSettings.h"
#include "model/OptionLists.h"

#include <algorithm>

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
    add(QStringLiteral("RM,Z") + listEntry(lists::remoteZoneOffset(), s.remoteZoneOffset));
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

// A decimal number of one to three digits from first to last, as a reply gives it; -1 for
// any other text.
int numberIn(const QString &text, int first, int last) {
    bool ok = text.size() <= 3 && !text.isEmpty() &&
              std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int value = ok ? text.toInt(&ok) : -1;
    return ok && value >= first && value <= last ? value : -1;
}

// Attenuation texts come without their sign; "0" stays as it is.
QString negated(const QString &value) {
    return value == QStringLiteral("0") ? value : QStringLiteral("-") + value;
}

} // namespace

CommandUnits sendSystemCommandUnits(const MixerSettings &settings) {
    return systemUnits(settings.system);
}

bool SendSystemSettings(const MixerSettings &settings, int mode, Comms &link, ExchangeObserver *observer) {
    for (const CommandUnit &unit : systemUnits(settings.system))
        for (const QString &body : unit.bodies)
            if (!CommandExchange(body, mode, link, observer))
                return false;
    return true;
}

int sendSystemCommandCount() {
    return 19;
}

int readSystemCommandCount(const QString &softwareVersion, bool writeBack) {
    return hasNewerSoftware(softwareVersion) ? 12 : writeBack ? 9 : 8;
}

namespace {

// "att<3 skipped><n>, hold<3 skipped><s>, rel<3 skipped><s>/>"; an older mixer reports no attenuation.
ReadRule pagingPriorityRule(SystemSettings &s, bool newer) {
    return [&s, newer](const QString &reply, bool store) {
        const int a = markerPos(reply, QStringLiteral("att"));
        const int h = markerPos(reply, QStringLiteral(", hold"));
        const int r = markerPos(reply, QStringLiteral(", rel"));
        const int e = markerPos(reply, QStringLiteral("/>"));
        const int attenuation = newer
                                    ? FindInList(negated(valueBetween(reply, a, 6, h)), lists::attenuation())
                                    : s.pagingPriorityAttenuation;
        const int hold = FindInList(valueBetween(reply, h, 9, r), lists::seconds12());
        const int release = FindInList(valueBetween(reply, r, 8, e), lists::seconds12());
        if (store) {
            s.pagingPriorityAttenuation = attenuation;
            s.pagingPriorityHold = hold;
            s.pagingPriorityRelease = release;
        }
        return (!newer || attenuation >= 0) && hold >= 0 && release >= 0;
    };
}

ReadRule micPriorityRule(SystemSettings &s) {
    return [&s](const QString &reply, bool store) {
        const int a = markerPos(reply, QStringLiteral("attn"));
        const int h = markerPos(reply, QStringLiteral("dB, hold"));
        const int r = markerPos(reply, QStringLiteral("s, rel"));
        const int e = markerPos(reply, QStringLiteral("s/>"));
        const int attenuation = FindInList(negated(valueBetween(reply, a, 7, h)), lists::attenuation());
        const int hold = FindInList(valueBetween(reply, h, 11, r), lists::seconds12());
        const int release = FindInList(valueBetween(reply, r, 9, e), lists::seconds12());
        if (store) {
            s.micPriorityAttenuation = attenuation;
            s.micPriorityHold = hold;
            s.micPriorityRelease = release;
        }
        return attenuation >= 0 && hold >= 0 && release >= 0;
    };
}

ReadRule linePriorityRule(SystemSettings &s) {
    return [&s](const QString &reply, bool store) {
        const int h = markerPos(reply, QStringLiteral("hold"));
        const int r = markerPos(reply, QStringLiteral("s, rel"));
        const int e = markerPos(reply, QStringLiteral("s/>"));
        const int hold = FindInList(valueBetween(reply, h, 7, r), lists::seconds12());
        const int release = FindInList(valueBetween(reply, r, 9, e), lists::seconds12());
        if (store) {
            s.linePriorityHold = hold;
            s.linePriorityRelease = release;
        }
        return hold >= 0 && release >= 0;
    };
}

// Contacts and a source of another word leave their fields as they are; a line or mic source
// and the level are numbers in their ranges.
ReadRule muteRule(SystemSettings &s) {
    return [&s](const QString &reply, bool store) {
        const int q = markerPos(reply, QStringLiteral("q="));
        const int sp = markerPos(reply, QStringLiteral(", s="));
        const int l = markerPos(reply, QStringLiteral(", l="));
        const int e = markerPos(reply, QStringLiteral("/>"));
        const QString contacts = valueBetween(reply, q, 2, sp);
        const QString sourceText = valueBetween(reply, sp, 4, l);
        int source = s.muteSource;
        if (sourceText == QStringLiteral("off"))
            source = 0;
        else if (sourceText.startsWith(QLatin1Char('l')))
            source = numberIn(sourceText.mid(1), 1, 8);
        else if (sourceText.startsWith(QLatin1Char('m'))) {
            const int mic = numberIn(sourceText.mid(1), 1, kMicCount);
            source = mic < 0 ? -1 : mic + 8;
        }
        const int level = numberIn(valueBetween(reply, l, 4, e), 0, int(lists::muteLevel().size()) - 1);
        if (source < 0 || level < 0)
            return false;
        if (store) {
            if (contacts == QStringLiteral("nc"))
                s.muteContacts = 0;
            else if (contacts == QStringLiteral("no"))
                s.muteContacts = 1;
            s.muteSource = source;
            s.muteLevel = level;
        }
        return true;
    };
}

} // namespace

bool ReadSystemSettings(MixerSettings &settings, Comms &link, ExchangeObserver *observer, bool writeBack) {
    SystemSettings &s = settings.system;
    const bool newer = hasNewerSoftware(settings.softwareVersion);
    QString reply;
    auto ask = [&](const QString &body) { return queryExchange(body, link, observer, reply); };
    auto read = [&](const QString &body, const ReadRule &rule) {
        return readQuery(body, link, observer, rule);
    };
    // A rule for the value from position start up to the reply's last two characters, looked up
    // in list.
    auto listRule = [](int &field, int start, const OptionList &list) {
        return indexRule(field, [start, &list](const QString &reply) {
            return FindInList(valueFrom(reply, start), list);
        });
    };

    // Power-up mode: the letter at position 7 ("f", "d" or "p").
    if (!ask(QStringLiteral("SY,IQ")))
        return false;
    {
        const QString value = reply.size() > 7 ? Mid(reply, 7, 1) : reply.right(1);
        if (value == QStringLiteral("f"))
            s.powerUpMode = 0;
        else if (value == QStringLiteral("d"))
            s.powerUpMode = 1;
        else if (value == QStringLiteral("p"))
            s.powerUpMode = 2;
    }

    if (!read(QStringLiteral("RM,ZQ"), indexRule(s.remoteZoneOffset, [](const QString &reply) {
                  QString value = valueFrom(reply, 17);
                  if (value == QStringLiteral("14"))
                      value = QStringLiteral("104"); // the mixer cuts this one offset to its last two digits
                  return FindInList(value, lists::remoteZoneOffset());
              })))
        return false;

    if (!read(QStringLiteral("PM,ZQ"), listRule(s.pagingMicOffset, 16, lists::offset16())))
        return false;

    if (!ask(QStringLiteral("PM,IQ")))
        return false;
    {
        const QString value = valueFrom(reply, 13);
        if (value == QStringLiteral("out"))
            s.accessContacts = 0;
        else if (value == QStringLiteral("in"))
            s.accessContacts = 1;
    }

    const ReadRule paging = pagingPriorityRule(s, newer);
    if (!queryExchange(newer ? QStringLiteral("PM,Q") : QStringLiteral("PM,AQ"), link, observer, reply,
                       [&paging](const QString &r) { return paging(r, false); }))
        return false;
    // Older mixers do not report the attenuation: the utility's value is written instead.
    if (!newer && writeBack &&
        !CommandExchange(QStringLiteral("PM,A") + number(s.pagingPriorityAttenuation), Exchange, link,
                         observer))
        return false;
    paging(reply, true);

    if (!read(QStringLiteral("MI,Q"), micPriorityRule(s)))
        return false;

    if (!read(QStringLiteral("LI,Q"), linePriorityRule(s)))
        return false;

    if (!read(QStringLiteral("SY.EM,Q"), muteRule(s)))
        return false;

    if (newer) {
        s.micGateMask = 0;
        for (int m = 1; m <= kMicCount; ++m) {
            if (!ask(QStringLiteral("SY.M") + number(m) + QStringLiteral(",NQ")))
                return false;
            if (valueFrom(reply, 11) == QStringLiteral("on"))
                s.micGateMask |= 1 << (m - 1);
        }
    }
    return true;
}

} // namespace hzm
