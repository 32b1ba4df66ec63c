#include "OptionLists.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace hzm::lists {

namespace {

// "0", "-1", ..., -last
OptionList descending(int last) {
    OptionList list;
    for (int v = 0; v <= last; ++v)
        list << QString::number(-v);
    return list;
}

// first .. last, in steps
OptionList counting(int first, int last, int step = 1) {
    OptionList list;
    for (int v = first; v <= last; v += step)
        list << QString::number(v);
    return list;
}

OptionList formatted(const QString &format, int first, int last) {
    OptionList list;
    for (int v = first; v <= last; ++v)
        list << format.arg(v);
    return list;
}

// "+n" for positive values, "0", "-n" for negative ones, from top down to -top in steps.
OptionList signedScale(int top, int step) {
    OptionList list;
    for (int v = top; v >= -top; v -= step)
        list << (v > 0 ? QStringLiteral("+%1").arg(v) : QString::number(v));
    return list;
}

// The lists' words for people; numbered entries keep their number. The upper-case entries
// ("OFF", "MUTE", "VOX") are the mixer's own terms and stay as they are.
const char *const kNumberedEntries[] = {
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Zone %1"), QT_TRANSLATE_NOOP("hzm::OptionLists", "Group %1"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Input %1"), QT_TRANSLATE_NOOP("hzm::OptionLists", "Line %1"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Mic %1")};
const char *const kWordEntries[] = {
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Off"),     QT_TRANSLATE_NOOP("hzm::OptionLists", "None"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Mono"),    QT_TRANSLATE_NOOP("hzm::OptionLists", "Stereo"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Factory"), QT_TRANSLATE_NOOP("hzm::OptionLists", "Default"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Last")};

} // namespace

const OptionList &gain() {
    static const OptionList list = signedScale(12, 1);
    return list;
}
const OptionList &level() {
    static const OptionList list = descending(61) << QStringLiteral("MUTE");
    return list;
}
const OptionList &selectInput() {
    static const OptionList list = counting(1, 8) << QStringLiteral("Off");
    return list;
}
const OptionList &priorityInput() {
    static const OptionList list =
        OptionList{QStringLiteral("None")} + formatted(QStringLiteral("Line %1"), 1, 8);
    return list;
}
const OptionList &outputType() {
    static const OptionList list{QStringLiteral("Mono"), QStringLiteral("Stereo")};
    return list;
}
const OptionList &maxLevel() {
    static const OptionList list = descending(62);
    return list;
}
const OptionList &minLevel() {
    return level();
}
const OptionList &pagePriority() {
    static const OptionList list{QStringLiteral("OFF"), QStringLiteral("VOX"), QStringLiteral("ACCESS")};
    return list;
}
const OptionList &eq() {
    static const OptionList list = signedScale(14, 2);
    return list;
}
const OptionList &outputSelector() {
    static const OptionList list =
        formatted(QStringLiteral("Zone %1"), 1, 8) + formatted(QStringLiteral("Group %1"), 1, 4);
    return list;
}
const OptionList &offset16() {
    static const OptionList list = counting(0, 15);
    return list;
}
const OptionList &seconds12() {
    static const OptionList list = counting(1, 12);
    return list;
}
const OptionList &attenuation() {
    static const OptionList list = descending(46);
    return list;
}
const OptionList &remoteZoneOffset() {
    static const OptionList list = counting(0, 120, 8);
    return list;
}
const OptionList &powerUpMode() {
    static const OptionList list{QStringLiteral("Factory"), QStringLiteral("Default"),
                                 QStringLiteral("Last")};
    return list;
}
const OptionList &muteLevel() {
    static const OptionList list = descending(69);
    return list;
}
const OptionList &muteSource() {
    static const OptionList list = OptionList{QStringLiteral("OFF")} +
                                   formatted(QStringLiteral("Input %1"), 1, 8) +
                                   formatted(QStringLiteral("Mic %1"), 1, 4);
    return list;
}

QString displayed(const QString &entry) {
    for (const char *word : kWordEntries) {
        if (entry == QLatin1String(word))
            return QCoreApplication::translate("hzm::OptionLists", word);
    }
    static const QRegularExpression numbered(QStringLiteral("^(\\S+) (\\d+)$"));
    const QRegularExpressionMatch match = numbered.match(entry);
    if (match.hasMatch()) {
        for (const char *format : kNumberedEntries) {
            if (match.captured(1) + QLatin1String(" %1") == QLatin1String(format))
                return QCoreApplication::translate("hzm::OptionLists", format).arg(match.captured(2));
        }
    }
    return entry;
}

} // namespace hzm::lists
