#include "DeviceCommands.h"
#include "ReplyText.h"

#include "model/MixerSettings.h"
#include "model/OptionLists.h"

namespace hzm {

namespace {

QString inputPrefix(int number) {
    return QStringLiteral("L") + QString::number(number);
}

} // namespace

// A name of exactly nine characters is followed by one space; the mixer expects ten then.
QString NameForWire(const QString &name) {
    const qsizetype zero = name.indexOf(QChar(0));
    const QString text = zero >= 0 ? name.left(zero) : name;
    return text.size() == 9 ? text + QLatin1Char(' ') : text;
}

CommandUnits SendInputCommandUnits(const MixerSettings &settings, int index) {
    if (index < 0 || index >= kInputCount)
        return {};
    const InputSettings &input = settings.inputs[size_t(index)];
    const QString p = inputPrefix(index + 1);
    // Mixers of software 1.04 and older do not report labels. A gain outside the list sends no
    // value rather than reading past it.
    return {{{p + QStringLiteral(",L=") + NameForWire(input.name)}, false},
            {{p + QStringLiteral(",G") + ListEntry(lists::gain(), input.gain)}, true}};
}

bool SendInput(const MixerSettings &settings, int index, int mode, Comms &link, ExchangeObserver *observer) {
    if (index < 0 || index >= kInputCount)
        return false;
    for (const CommandUnit &unit : SendInputCommandUnits(settings, index))
        for (const QString &body : unit.bodies)
            if (!CommandExchange(body, mode, link, observer))
                return false;
    return true;
}

bool ReadInput(MixerSettings &settings, int number, Comms &link, ExchangeObserver *observer) {
    if (number < 1 || number > kInputCount)
        return false;
    InputSettings &input = settings.inputs[size_t(number - 1)];
    const QString p = inputPrefix(number);
    if (HasNewerSoftware(settings.softwareVersion) &&
        !ReadQuery(p + QStringLiteral(",LQ"), link, observer, NameRule(input.name, 6)))
        return false;
    return ReadQuery(p + QStringLiteral(",GQ"), link, observer,
                     IndexRule(input.gain, [](const QString &reply) {
                         return FindExactInList(ValueByPosition(reply, 6), lists::gain());
                     }));
}

int SendInputCommandCount() {
    return 2;
}

int ReadInputCommandCount(const QString &softwareVersion) {
    return HasNewerSoftware(softwareVersion) ? 2 : 1;
}

} // namespace hzm
