#include "OptionLists.h"

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
    static const OptionList list = OptionList{QStringLiteral("None")} + formatted(QStringLiteral("Line %1"), 1, 8);
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
const OptionList &minLevel() { return level(); }
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
    static const OptionList list{QStringLiteral("Factory"), QStringLiteral("Default"), QStringLiteral("Last")};
    return list;
}
const OptionList &muteLevel() {
    static const OptionList list = descending(69);
    return list;
}
const OptionList &muteSource() {
    static const OptionList list = OptionList{QStringLiteral("OFF")} + formatted(QStringLiteral("Input %1"), 1, 8) +
                                   formatted(QStringLiteral("Mic %1"), 1, 4);
    return list;
}

} // namespace hzm::lists
