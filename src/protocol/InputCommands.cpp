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
QString nameForWire(const QString &name) {
    const qsizetype zero = name.indexOf(QChar(0));
    const QString text = zero >= 0 ? name.left(zero) : name;
    return text.size() == 9 ? text + QLatin1Char(' ') : text;
}

CommandUnits sendInputCommandUnits(const MixerSettings &settings, int index) {
    if (index < 0 || index >= kInputCount)
        return {};
    const InputSettings &input = settings.inputs[size_t(index)];
    const QString p = inputPrefix(index + 1);
    // Mixers of software 1.04 and older do not report labels. A gain outside the list sends no
    // value rather than reading past it.
    return {{{p + QStringLiteral(",L=") + nameForWire(input.name)}, false},
            {{p + QStringLiteral(",G") + listEntry(lists::gain(), input.gain)}, true}};
}

bool SendInput(const MixerSettings &settings, int index, int mode, Comms &link, ExchangeObserver *observer) {
    if (index < 0 || index >= kInputCount)
        return false;
    for (const CommandUnit &unit : sendInputCommandUnits(settings, index))
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
    if (hasNewerSoftware(settings.softwareVersion) &&
        !readQuery(p + QStringLiteral(",LQ"), link, observer, nameRule(input.name, 6)))
        return false;
    return readQuery(p + QStringLiteral(",GQ"), link, observer,
                     indexRule(input.gain, [](const QString &reply) {
                         return findExactInList(valueByPosition(reply, 6), lists::gain());
                     }));
}

int sendInputCommandCount() {
    return 2;
}

int readInputCommandCount(const QString &softwareVersion) {
    return hasNewerSoftware(softwareVersion) ? 2 : 1;
}

} // namespace hzm
