// The read operations' reply parsing, fed whatever the fuzzer says the mixer answered.
//
// Input: a first line "<what> <number> <version>" (what: O output, I input, S system settings,
// V version, A read all), then one reply per line, in the order the commands go out.

#include "FuzzLink.h"

#include "model/MixerSettings.h"
#include "protocol/DeviceCommands.h"

#include <cstdint>
#include <cstdlib>

using namespace hzm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QByteArray> lines = input.split('\n');
    const QList<QByteArray> head = lines.takeFirst().split(' ');
    const char what = head.value(0).isEmpty() ? 'O' : head.value(0).at(0);
    const int number = head.value(1).toInt();
    const QString version = QString::fromLatin1(head.value(2).left(4));

    fuzz::FuzzLink link;
    link.replies = lines;
    MixerSettings settings;
    LoadFactoryDefaults(settings);
    settings.softwareVersion = version;
    int result = 0;
    switch (what) {
    case 'I':
        result = ReadInput(settings, number, link, nullptr);
        break;
    case 'S':
        result = ReadSystemSettings(settings, link, nullptr);
        break;
    case 'V':
        result = getVersion(settings, link, nullptr);
        break;
    case 'A':
        result = readAllCommands(settings, link, nullptr);
        break;
    default:
        result = ReadOutput(settings, number, link, nullptr);
        break;
    }
    if (result != 0 && result != 1)
        std::abort();
    // Whatever was read, every name still fits the record's name field.
    for (const InputSettings &input : settings.inputs)
        if (input.name.size() > kMaxNameLength)
            std::abort();
    for (const ZoneSettings &zone : settings.zones)
        if (zone.name.size() > kMaxNameLength)
            std::abort();
    if (settings.softwareVersion.size() > 4)
        std::abort();
    return 0;
}
