// The settings-file reader on arbitrary bytes. A file it rejects leaves the factory defaults; a
// file it accepts saves to bytes that read back and save again to the very same bytes (a damaged
// field, such as a source input out of range, is normalised by the first save and stays so) and
// that are no damaged file.

#include "files/SettingsFile.h"
#include "model/MixerSettings.h"

#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace hzm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    MixerSettings settings;
    QString error;
    if (!ParseSettingsFile(bytes, settings, &error)) {
        if (settings != MixerSettings() || error.isEmpty())
            std::abort();
        return 0;
    }
    const QByteArray saved = SettingsFileBytes(settings);
    const QList<FileDamage> damage = settingsFileDamage(saved);
    if (!damage.isEmpty()) { // what the program writes is never a damaged file
        std::fprintf(stderr, "saved as a damaged file: line %d: %s\n", damage.first().line,
                     qPrintable(damage.first().problem));
        std::abort();
    }
    MixerSettings again;
    if (!ParseSettingsFile(saved, again))
        std::abort();
    if (SettingsFileBytes(again) != saved) {
        const QStringList first = SettingsFileLines(settings), second = SettingsFileLines(again);
        for (int i = 0; i < first.size(); ++i)
            if (first.value(i) != second.value(i))
                std::fprintf(stderr, "line %d saved as\n  %s\nsaves again as\n  %s\n", i + 1,
                             qPrintable(first.value(i)), qPrintable(second.value(i)));
        std::abort();
    }
    return 0;
}
