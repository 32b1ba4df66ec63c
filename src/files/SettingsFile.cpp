#include "SettingsFile.h"

#include "link/OutputFile.h"
#include "model/MixerSettings.h"
#include "model/TextHelpers.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace hzm {

namespace {

constexpr int kNameColumns = kLabelLength; // 16
constexpr int kSourceOff = 8;              // sourceInput: no line input selected
const QLatin1String kFlagOn("0001");
const QLatin1String kFlagOff("0000");
const QLatin1String kLongSourceOff("FFFFFFFF");
const QByteArray kByteOrderMark("\xEF\xBB\xBF");
constexpr int kOutputLineLength = 56;
constexpr int kLongOutputLine = kOutputLineLength + 4;

// Every field keeps its columns whatever the record holds, so that the reader always finds the
// next field where it belongs:
// - a hex field is written with the low 16 bits of its value: 0..65535 as they are, anything
//   else (for example -1, the mark of a reply the reader did not recognise) as its low four
//   digits; -1 thus comes back as 65535, which is just as much "no valid entry";
// - sourceInput outside 0..7 (off, or -1) is written "FFFF" and comes back as 8 (off).
QString hexField(int value) {
    return FormatHex(quint32(value) & 0xFFFFu);
}

QString flagField(int value) {
    return value == 1 ? QString(kFlagOn) : QString(kFlagOff);
}

// A name always takes exactly sixteen columns: longer names (a label read from a mixer may have
// up to 33 characters) are cut to sixteen, without splitting a surrogate pair, and control
// characters become spaces, since a line feed inside a name would break the line apart. Shorter
// names are padded with spaces, which the reader removes again.
QString nameField(const QString &name) {
    QString text = name.left(kNameColumns);
    if (text.size() == kNameColumns && text.at(kNameColumns - 1).isHighSurrogate())
        text.chop(1);
    for (QChar &c : text) {
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    }
    return text.leftJustified(kNameColumns, QLatin1Char(' '));
}

QString outputLine(const ZoneSettings &z) {
    QString line = flagField(z.stereo) + nameField(z.name);
    line += hexField(z.micInputMask);
    line += hexField(z.micPriorityMask);
    line += hexField(z.priorityInput);
    line += hexField(z.lineInputMask);
    line += hexField(z.pagePriority);
    line += (z.sourceInput >= 0 && z.sourceInput < kSourceOff) ? hexField(z.sourceInput) : hexField(0xFFFF);
    line += hexField(z.level);
    line += hexField(z.maxLevel);
    line += hexField(z.minLevel);
    return line;
}

// An output line as older versions wrote a sourceInput of -1: with eight digits, moving the
// levels along and making the line four columns longer. A line of the usual length with "FFFF"
// at 40 and at 44 is an input that is off followed by a level of 65535.
bool isLongOutputLine(const QString &line) {
    return Mid(line, 40, 8) == kLongSourceOff && line.size() >= kLongOutputLine;
}

bool readFlag(const QString &field) {
    return field == kFlagOn;
}

void readOutputLine(const QString &line, ZoneSettings &z) {
    z.stereo = readFlag(Mid(line, 0, 4)) ? 1 : 0;
    z.name = FitName(TrimRight(Mid(line, 4, kNameColumns)));
    z.micInputMask = ParseHex4(Mid(line, 20, 4));
    z.micPriorityMask = ParseHex4(Mid(line, 24, 4));
    z.priorityInput = ParseHex4(Mid(line, 28, 4));
    z.lineInputMask = ParseHex4(Mid(line, 32, 4));
    z.pagePriority = ParseHex4(Mid(line, 36, 4));
    int levels = 44;
    if (isLongOutputLine(line)) {
        z.sourceInput = kSourceOff;
        levels = 48;
    } else {
        z.sourceInput = ParseHex4(Mid(line, 40, 4));
        if (z.sourceInput == 0xFFFF)
            z.sourceInput = kSourceOff;
    }
    z.level = ParseHex4(Mid(line, levels, 4));
    z.maxLevel = ParseHex4(Mid(line, levels + 4, 4));
    z.minLevel = ParseHex4(Mid(line, levels + 8, 4));
}

bool isSystemFlag(int field) {
    return field == 5 || field == 13;
}

QString prefixed(const QString &path, const QString &text) {
    return QStringLiteral("%1: %2").arg(path, text);
}

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

} // namespace

QString SettingsFileHeader() {
    return QStringLiteral("ORVANE HZM-1 CONFIG");
}
QString SettingsFileVersion() {
    return QStringLiteral("V2.24");
}

QStringList SettingsFileLines(const MixerSettings &settings) {
    QStringList lines;
    lines.reserve(kSettingsFileLineCount);
    lines << SettingsFileHeader() << SettingsFileVersion();
    for (const ZoneSettings &z : settings.zones)
        lines << outputLine(z);
    for (const ZoneEq &eq : settings.zoneEq)
        lines << hexField(eq.treble) + hexField(eq.mid) + hexField(eq.bass);
    for (const GroupSettings &g : settings.groups)
        lines << hexField(g.memberMask) + flagField(g.enabled);
    for (const InputSettings &in : settings.inputs)
        lines << nameField(in.name) + hexField(in.gain);
    QString system;
    for (int k = 0; k < SystemSettings::kFieldCount; ++k) {
        const int value = settings.system.field(k);
        system += isSystemFlag(k) ? flagField(value) : hexField(value);
    }
    lines << system;
    return lines;
}

QByteArray SettingsFileBytes(const MixerSettings &settings) {
    QByteArray bytes = kByteOrderMark;
    for (const QString &line : SettingsFileLines(settings)) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

bool SaveSettingsFile(const QString &path, const MixerSettings &settings, ModifiedFlag &modified,
                      QString *error) {
    if (QFileInfo(path).isDir()) {
        setError(error, prefixed(path, QStringLiteral("is a folder")));
        return false;
    }
    OutputFile file(path);
    if (!file.open()) {
        setError(error, prefixed(path, file.errorString()));
        return false;
    }
    const QByteArray bytes = SettingsFileBytes(settings);
    const qint64 written = file.write(bytes.constData(), bytes.size());
    if (written != bytes.size()) {
        setError(error, prefixed(path, QStringLiteral("writing stopped after %1 of %2 bytes (%3)")
                                           .arg(std::max<qint64>(written, 0))
                                           .arg(bytes.size())
                                           .arg(file.errorString())));
        file.cancel();
        return false;
    }
    if (!file.commit()) {
        setError(error, prefixed(path, file.errorString()));
        return false;
    }
    modified.set(0);
    return true;
}

bool ReadSettingsFile(QIODevice &device, MixerSettings &settings, ModifiedFlag &modified, QString *error,
                      QStringList *lines) {
    LoadFactoryDefaults(settings, modified);
    if (lines)
        lines->clear();

    // Exactly the 35 lines are read; whatever follows them is never looked at.
    LineReader reader(device);
    int linesRead = 0;
    QString line;
    auto next = [&]() {
        if (!reader.ReadLine(line))
            return false;
        ++linesRead;
        if (lines)
            *lines << line;
        // A NUL character ends the line's text, as it ends a line read into a character buffer.
        const qsizetype nul = line.indexOf(QChar(0));
        if (nul >= 0)
            line.truncate(nul);
        return true;
    };

    bool complete = next() && next(); // any two lines are taken as the header
    for (int k = 0; complete && k < kOutputCount; ++k) {
        complete = next();
        if (complete)
            readOutputLine(line, settings.zones[k]);
    }
    for (int k = 0; complete && k < kZoneCount; ++k) {
        complete = next();
        if (complete) {
            ZoneEq &eq = settings.zoneEq[k];
            eq.treble = ParseHex4(Mid(line, 0, 4));
            eq.mid = ParseHex4(Mid(line, 4, 4));
            eq.bass = ParseHex4(Mid(line, 8, 4));
        }
    }
    for (int k = 0; complete && k < kGroupCount; ++k) {
        complete = next();
        if (complete) {
            settings.groups[k].memberMask = ParseHex4(Mid(line, 0, 4));
            settings.groups[k].enabled = readFlag(Mid(line, 4, 4)) ? 1 : 0;
        }
    }
    for (int k = 0; complete && k < kInputCount; ++k) {
        complete = next();
        if (complete) {
            settings.inputs[k].name = FitName(TrimRight(Mid(line, 0, kNameColumns)));
            settings.inputs[k].gain = ParseHex4(Mid(line, 16, 4));
        }
    }
    complete = complete && next();
    if (complete) {
        for (int k = 0; k < SystemSettings::kFieldCount; ++k) {
            const QString field = Mid(line, 4 * k, 4);
            settings.system.field(k) = isSystemFlag(k) ? (readFlag(field) ? 1 : 0) : ParseHex4(field);
        }
    }

    if (!complete) {
        // A partly read file leaves nothing of itself behind.
        LoadFactoryDefaults(settings, modified);
        if (reader.invalidText())
            setError(error,
                     QStringLiteral("not a settings file: line %1 is not UTF-8 text").arg(linesRead + 1));
        else if (linesRead == 0)
            setError(error, QStringLiteral("the file is empty"));
        else
            setError(error, QStringLiteral("not a complete settings file (%1 of %2 lines)")
                                .arg(linesRead)
                                .arg(kSettingsFileLineCount));
        return false;
    }
    return true;
}

namespace {

// The columns of the fields written as hexadecimal digits (flags included), per record line.
struct HexColumns {
    int first;
    int last; // inclusive
};

QList<HexColumns> hexColumnsOfLine(int index) {
    if (index < 2)
        return {}; // the header
    if (index < 2 + kOutputCount)
        return {{0, 3}, {20, 55}};
    if (index < 2 + kOutputCount + kZoneCount)
        return {{0, 11}};
    if (index < 2 + kOutputCount + kZoneCount + kGroupCount)
        return {{0, 7}};
    if (index < kSettingsFileLineCount - 1)
        return {{16, 19}};
    return {{0, 63}};
}

bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

} // namespace

int ForeignSettingsLine(const QStringList &lines) {
    for (int index = 0; index < lines.size() && index < kSettingsFileLineCount; ++index) {
        const QString &line = lines.at(index);
        for (const HexColumns &columns : hexColumnsOfLine(index)) {
            for (int c = columns.first; c <= columns.last && c < line.size(); ++c) {
                if (!isHexDigit(line.at(c)))
                    return index + 1;
            }
        }
    }
    return 0;
}

namespace {

struct Tr {
    Q_DECLARE_TR_FUNCTIONS(hzm::SettingsFile)
};

// The width of record line index (from 0) and what it is called; 0 for the header.
std::pair<int, QString> recordLineForm(int index, const QString &line) {
    if (index < 2)
        return {0, QString()};
    if (index < 2 + kOutputCount)
        return {isLongOutputLine(line) ? kLongOutputLine : kOutputLineLength, Tr::tr("an output line")};
    if (index < 2 + kOutputCount + kZoneCount)
        return {12, Tr::tr("a tone line")};
    if (index < 2 + kOutputCount + kZoneCount + kGroupCount)
        return {8, Tr::tr("a group line")};
    if (index < kSettingsFileLineCount - 1)
        return {kNameColumns + 4, Tr::tr("an input line")};
    return {4 * SystemSettings::kFieldCount, Tr::tr("the system line")};
}

// What is wrong with line index (from 0) of a settings file, given without its line end;
// empty when nothing is.
QString lineDamage(int index, const QByteArray &raw) {
    // Columns are counted from 1 here, as editors count them.
    const auto column = [&raw](qsizetype at) { return QString::fromUtf8(raw.left(at)).size() + 1; };
    if (const qsizetype cr = raw.indexOf('\r'); cr >= 0)
        return Tr::tr("a carriage return without a line feed at column %1").arg(column(cr));
    // A byte order mark at the start of a record line is a character of its name, as the reader
    // takes it, not one to skip.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString line = decoder.decode(raw);
    if (decoder.hasError())
        return Tr::tr("not UTF-8 text");
    // The reader takes a longer line for several.
    if (line.size() > kMaxLineChars)
        return Tr::tr("%1 characters, more than a line can have").arg(line.size());
    if (index < 2)
        return QString(); // any two lines are the header
    if (const qsizetype nul = raw.indexOf('\0'); nul >= 0)
        return Tr::tr("a NUL character at column %1").arg(column(nul));
    const auto [width, kind] = recordLineForm(index, line);
    if (line.size() != width)
        return Tr::tr("%1 characters where %2 has %3").arg(line.size()).arg(kind).arg(width);
    for (const HexColumns &columns : hexColumnsOfLine(index))
        for (int c = columns.first; c <= columns.last; ++c)
            if (!isHexDigit(line.at(c)))
                return Tr::tr("\"%1\" at column %2 where a hexadecimal digit belongs")
                    .arg(escapedForDisplay(line.at(c)))
                    .arg(c + 1);
    return QString();
}

} // namespace

QList<FileDamage> settingsFileDamage(const QByteArray &bytes) {
    if (bytes.size() > kMaxSettingsFileBytes) {
        const int line = 1 + int(bytes.left(kMaxSettingsFileBytes).count('\n'));
        return {FileDamage{line, Tr::tr("the file is larger than a settings file can be (more than %1 bytes)")
                                     .arg(kMaxSettingsFileBytes)}};
    }
    QList<QByteArray> lines = (bytes.startsWith(kByteOrderMark) ? bytes.mid(3) : bytes).split('\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // what follows the last line end
    QList<FileDamage> damage;
    for (int index = 0; index < lines.size(); ++index) {
        QByteArray raw = lines.at(index);
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (index >= kSettingsFileLineCount) {
            if (!raw.isEmpty()) {
                damage << FileDamage{index + 1, Tr::tr("more than %1 lines").arg(kSettingsFileLineCount)};
                break;
            }
            continue;
        }
        const QString problem = lineDamage(index, raw);
        if (!problem.isEmpty())
            damage << FileDamage{index + 1, problem};
    }
    if (lines.size() < kSettingsFileLineCount)
        damage << FileDamage{int(lines.size()) + 1, Tr::tr("missing: the file ends after line %1 of %2")
                                                        .arg(lines.size())
                                                        .arg(kSettingsFileLineCount)};
    return damage;
}

bool ParseSettingsFile(const QByteArray &bytes, MixerSettings &settings, QString *error) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ModifiedFlag modified;
    return ReadSettingsFile(buffer, settings, modified, error);
}

bool LoadSettingsFile(const QString &path, MixerSettings &settings, ModifiedFlag &modified, QString *error,
                      QStringList *lines) {
    const QFileInfo info(path);
    if (info.isDir()) {
        setError(error, prefixed(path, QStringLiteral("is a folder, not a settings file")));
        return false;
    }
    // Devices and pipes are no settings files; opening a pipe could wait for a writer forever.
    if (info.exists() && !info.isFile()) {
        setError(error, prefixed(path, QStringLiteral("is not a regular file")));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, prefixed(path, file.errorString()));
        return false;
    }
    QString reason;
    const bool result = ReadSettingsFile(file, settings, modified, &reason, lines);
    if (!result)
        setError(error, prefixed(path, reason));
    return result;
}

} // namespace hzm
