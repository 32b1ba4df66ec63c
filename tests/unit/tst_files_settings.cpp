#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "files/SettingsFile.h"
#include "model/MixerSettings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace hzm;

Q_DECLARE_METATYPE(hzm::MixerSettings)

namespace hzm {
// Every field, for failure messages.
char *toString(const MixerSettings &s) {
    QStringList parts;
    for (const ZoneSettings &z : s.zones)
        parts << QStringLiteral("[%1 '%2' %3 %4 %5 %6 %7 %8 %9 %10 %11]")
                     .arg(z.stereo)
                     .arg(z.name)
                     .arg(z.micInputMask)
                     .arg(z.micPriorityMask)
                     .arg(z.priorityInput)
                     .arg(z.lineInputMask)
                     .arg(z.pagePriority)
                     .arg(z.sourceInput)
                     .arg(z.level)
                     .arg(z.maxLevel)
                     .arg(z.minLevel);
    for (const ZoneEq &e : s.zoneEq)
        parts << QStringLiteral("eq %1 %2 %3").arg(e.treble).arg(e.mid).arg(e.bass);
    for (const GroupSettings &g : s.groups)
        parts << QStringLiteral("group %1 %2").arg(g.memberMask).arg(g.enabled);
    for (const InputSettings &in : s.inputs)
        parts << QStringLiteral("input '%1' %2").arg(in.name).arg(in.gain);
    QStringList system;
    for (int k = 0; k < SystemSettings::kFieldCount; ++k)
        system << QString::number(s.system.field(k));
    parts << QStringLiteral("system %1").arg(system.join(QLatin1Char(' ')));
    parts << QStringLiteral("selected %1 %2 version '%3'")
                 .arg(s.selectedOutput)
                 .arg(s.selectedInput)
                 .arg(s.softwareVersion);
    return QTest::toString(parts.join(QLatin1Char('\n')));
}
} // namespace hzm

namespace {

using test::readAll;
using test::writeAll;

QByteArray fixture() {
    return readAll(QStringLiteral(HZM_FIXTURES_DIR "/files/factory-defaults.hzc"));
}

// The fixture's 35 lines, without mark and line ends.
QList<QByteArray> fixtureLines() {
    QByteArray body = fixture().mid(3);
    body.replace("\r\n", "\n");
    body.chop(1);
    return body.split('\n');
}

QByteArray joinCrLf(const QList<QByteArray> &lines) {
    QByteArray out("\xEF\xBB\xBF");
    for (const QByteArray &l : lines)
        out += l + "\r\n";
    return out;
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private:
    // A record with every stored field away from its default (and in range).
    static MixerSettings customRecord() {
        MixerSettings s;
        for (int i = 0; i < kOutputCount; ++i) {
            ZoneSettings &z = s.zones[i];
            z.stereo = i == 1 ? 0 : (i == 0 ? 1 : 0);
            z.name = QStringLiteral("Out %1").arg(i + 1);
            z.micInputMask = (i * 5) & 15;
            z.micPriorityMask = (i * 3) & 15;
            z.priorityInput = i % 9;
            z.lineInputMask = 255 - i * 7;
            z.pagePriority = i % 3;
            z.sourceInput = i < kZoneCount ? i % 8 : 8;
            z.level = 62 - i;
            z.maxLevel = i + 1;
            z.minLevel = 40 + i;
        }
        s.zones[2].name = QStringLiteral("ABCDEFGHIJKLMNOP"); // exactly sixteen
        s.zones[3].name = QStringLiteral("  Lobby");          // leading spaces stay
        s.zones[4].name = QStringLiteral("Caf\u00e9 B\u00e4r");
        s.zones[5].name = QString();
        for (int i = 0; i < kZoneCount; ++i)
            s.zoneEq[i] = ZoneEq{i, 14 - i, (i * 2) % 15};
        for (int i = 0; i < kGroupCount; ++i)
            s.groups[i] = GroupSettings{0x11 << i, i % 2};
        for (int i = 0; i < kInputCount; ++i)
            s.inputs[i] = InputSettings{QStringLiteral("Line %1").arg(i + 1), 24 - i * 3};
        s.inputs[7].name = QStringLiteral("1234567890123456");
        const int system[] = {9, 46, 11, 5, 15, 0, 12, 7, 3, 11, 1, 0, 15, 0, 69, 12};
        for (int k = 0; k < SystemSettings::kFieldCount; ++k)
            s.system.field(k) = system[k];
        return s;
    }

    // What a load of the record gives: the page selections and the version are not stored.
    static MixerSettings asLoaded(MixerSettings s) {
        s.selectedOutput = 0;
        s.selectedInput = 0;
        s.softwareVersion.clear();
        return s;
    }

    QTemporaryDir m_dir;

private slots:
    void writerMatchesHandWrittenFile() {
        const QByteArray expected = fixture();
        QCOMPARE(expected.size(), 3 + 19 + 2 + 5 + 2 + 12 * 58 + 8 * 14 + 4 * 10 + 8 * 22 + 66);
        QCOMPARE(SettingsFileBytes(MixerSettings()), expected);

        const QString path = m_dir.filePath(QStringLiteral("defaults.hzc"));
        QVERIFY(writeAll(path, QByteArray(5000, 'x'))); // a longer earlier file is replaced whole
        ModifiedFlag modified;
        modified.set(1);
        QList<int> notified;
        modified.setListener([&](int v) { notified << v; });
        QString error;
        QVERIFY(SaveSettingsFile(path, MixerSettings(), modified, &error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(readAll(path), expected);
        QCOMPARE(modified.value(), 0);
        QCOMPARE(notified, QList<int>{0});
    }

    void loadsHandWrittenFile() {
        MixerSettings s = customRecord();
        s.selectedOutput = 7;
        s.selectedInput = 3;
        s.softwareVersion = QStringLiteral("1.05");
        ModifiedFlag modified;
        modified.set(1);
        QString error;
        QCOMPARE(LoadSettingsFile(QStringLiteral(HZM_FIXTURES_DIR "/files/factory-defaults.hzc"), s, modified,
                                  &error),
                 1);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(s, MixerSettings());
        QCOMPARE(modified.value(), 0);
    }

    void roundTrip_data() {
        QTest::addColumn<MixerSettings>("record");
        QTest::newRow("factory defaults") << MixerSettings();
        MixerSettings custom = customRecord();
        custom.selectedOutput = 9;
        custom.selectedInput = 4;
        custom.softwareVersion = QStringLiteral("1.07");
        QTest::newRow("every field changed") << custom;
        MixerSettings extremes;
        for (ZoneSettings &z : extremes.zones) {
            z.micInputMask = 0xFFFF;
            z.level = 0;
            z.sourceInput = 7;
        }
        extremes.system.muteSource = 0xFFFF;
        QTest::newRow("limits of the columns") << extremes;
        // A byte order mark inside the file is a character like any other.
        MixerSettings marked;
        marked.inputs[0].name = QStringLiteral("\uFEFFDesk");
        QTest::newRow("a name that begins with a byte order mark") << marked;
    }
    void roundTrip() {
        QFETCH(MixerSettings, record);
        const QString path = m_dir.filePath(QStringLiteral("round.hzc"));
        ModifiedFlag modified;
        QVERIFY(SaveSettingsFile(path, record, modified));
        MixerSettings loaded = customRecord();
        QString error;
        QVERIFY(LoadSettingsFile(path, loaded, modified, &error));
        QCOMPARE(loaded, asLoaded(record));
        // Saving what was loaded gives the same bytes again, and they are no damaged file.
        QCOMPARE(SettingsFileBytes(loaded), readAll(path));
        QCOMPARE(settingsFileDamage(readAll(path)).size(), 0);
    }

    // Values that do not fit their columns are written so that no other field moves.
    void valuesOutsideTheColumns_data() {
        QTest::addColumn<MixerSettings>("record");
        QTest::addColumn<MixerSettings>("expected");
        const MixerSettings base = customRecord();
        auto row = [&](const char *name, auto change, auto expect) {
            MixerSettings r = base, e = base;
            change(r);
            expect(e);
            QTest::newRow(name) << r << e;
        };
        row(
            "zone name of 23 characters",
            [](MixerSettings &s) { s.zones[6].name = "ConferenceRoomNorthWing"; },
            [](MixerSettings &s) { s.zones[6].name = "ConferenceRoomNo"; });
        row(
            "input name of 33 characters",
            [](MixerSettings &s) { s.inputs[2].name = QString(33, QLatin1Char('N')); },
            [](MixerSettings &s) { s.inputs[2].name = QString(16, QLatin1Char('N')); });
        row(
            "surrogate pair across the sixteenth column",
            [](MixerSettings &s) {
                s.zones[0].name =
                    QString(15, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80") + "yy";
            },
            [](MixerSettings &s) { s.zones[0].name = QString(15, QLatin1Char('x')); });
        row(
            "line feed inside a name", [](MixerSettings &s) { s.inputs[0].name = "Hall\nB\r"; },
            [](MixerSettings &s) { s.inputs[0].name = "Hall B"; });
        row(
            "level -1", [](MixerSettings &s) { s.zones[1].level = -1; },
            [](MixerSettings &s) { s.zones[1].level = 0xFFFF; });
        row(
            "mask above 16 bits", [](MixerSettings &s) { s.zones[2].lineInputMask = 0x12345; },
            [](MixerSettings &s) { s.zones[2].lineInputMask = 0x2345; });
        row(
            "zone sourceInput -1", [](MixerSettings &s) { s.zones[3].sourceInput = -1; },
            [](MixerSettings &s) { s.zones[3].sourceInput = 8; });
        row(
            "group sourceInput 9", [](MixerSettings &s) { s.zones[10].sourceInput = 9; },
            [](MixerSettings &s) { s.zones[10].sourceInput = 8; });
        row(
            "treble -1", [](MixerSettings &s) { s.zoneEq[4].treble = -1; },
            [](MixerSettings &s) { s.zoneEq[4].treble = 0xFFFF; });
        row(
            "member mask -1", [](MixerSettings &s) { s.groups[1].memberMask = -1; },
            [](MixerSettings &s) { s.groups[1].memberMask = 0xFFFF; });
        row(
            "gain -1", [](MixerSettings &s) { s.inputs[5].gain = -1; },
            [](MixerSettings &s) { s.inputs[5].gain = 0xFFFF; });
        row(
            "system field -1", [](MixerSettings &s) { s.system.muteLevel = -1; },
            [](MixerSettings &s) { s.system.muteLevel = 0xFFFF; });
        row(
            "flags other than 1",
            [](MixerSettings &s) {
                s.zones[0].stereo = 2;
                s.groups[1].enabled = -1;
                s.system.accessContacts = 5;
                s.system.muteContacts = -1;
            },
            [](MixerSettings &s) {
                s.zones[0].stereo = 0;
                s.groups[1].enabled = 0;
                s.system.accessContacts = 0;
                s.system.muteContacts = 0;
            });
        row(
            "everything at once",
            [](MixerSettings &s) {
                for (ZoneSettings &z : s.zones) {
                    z.name = QString(20, QLatin1Char('Q'));
                    z.micInputMask = z.micPriorityMask = z.priorityInput = z.lineInputMask = z.pagePriority =
                        -1;
                    z.sourceInput = z.level = z.maxLevel = z.minLevel = -1;
                }
                for (int k = 0; k < SystemSettings::kFieldCount; ++k)
                    s.system.field(k) = -1;
            },
            [](MixerSettings &s) {
                for (ZoneSettings &z : s.zones) {
                    z.name = QString(16, QLatin1Char('Q'));
                    z.micInputMask = z.micPriorityMask = z.priorityInput = z.lineInputMask = z.pagePriority =
                        0xFFFF;
                    z.sourceInput = 8;
                    z.level = z.maxLevel = z.minLevel = 0xFFFF;
                }
                for (int k = 0; k < SystemSettings::kFieldCount; ++k)
                    s.system.field(k) = (k == 5 || k == 13) ? 0 : 0xFFFF;
            });
    }
    void valuesOutsideTheColumns() {
        QFETCH(MixerSettings, record);
        QFETCH(MixerSettings, expected);
        const QStringList lines = SettingsFileLines(record);
        QCOMPARE(lines.size(), kSettingsFileLineCount);
        for (int i = 2; i < lines.size(); ++i) {
            const int width = i < 14 ? 56 : i < 22 ? 12 : i < 26 ? 8 : i < 34 ? 20 : 64;
            QCOMPARE(lines.at(i).size(), width);
        }
        const QString path = m_dir.filePath(QStringLiteral("odd.hzc"));
        ModifiedFlag modified;
        QVERIFY(SaveSettingsFile(path, record, modified));
        MixerSettings loaded;
        QVERIFY(LoadSettingsFile(path, loaded, modified));
        QCOMPARE(loaded, asLoaded(expected));
    }

    // The exact text of single fields as written (a wrong form here could still read back alike).
    void writtenFields_data() {
        QTest::addColumn<MixerSettings>("record");
        QTest::addColumn<int>("line"); // 0-based
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        auto row = [](const char *name, auto change, int line, int column, const char *text) {
            MixerSettings s;
            change(s);
            QTest::newRow(name) << s << line << column << QString::fromLatin1(text);
        };
        row(
            "zone source index 7", [](MixerSettings &s) { s.zones[0].sourceInput = 7; }, 2, 40, "0007");
        row(
            "zone source off", [](MixerSettings &s) { s.zones[1].sourceInput = 8; }, 3, 40, "FFFF");
        row(
            "group source off", [](MixerSettings &s) { s.zones[8].sourceInput = 8; }, 10, 40, "FFFF");
        row(
            "group source 9", [](MixerSettings &s) { s.zones[11].sourceInput = 9; }, 13, 40, "FFFF");
        row(
            "source -1", [](MixerSettings &s) { s.zones[3].sourceInput = -1; }, 5, 40, "FFFF");
        row(
            "level after an off source", [](MixerSettings &s) { s.zones[3].sourceInput = -1; }, 5, 44,
            "003D");
        row(
            "upper-case hex", [](MixerSettings &s) { s.zones[0].level = 0xAB; }, 2, 44, "00AB");
        row(
            "stereo 1", [](MixerSettings &s) { s.zones[4].stereo = 1; }, 6, 0, "0001");
        row(
            "stereo 2", [](MixerSettings &s) { s.zones[0].stereo = 2; }, 2, 0, "0000");
        row(
            "group enabled", [](MixerSettings &s) { s.groups[2].enabled = 1; }, 24, 4, "0001");
        row(
            "group enabled 2", [](MixerSettings &s) { s.groups[2].enabled = 2; }, 24, 4, "0000");
        row(
            "access contacts 3", [](MixerSettings &s) { s.system.accessContacts = 3; }, 34, 20, "0000");
        row(
            "mute contacts 2", [](MixerSettings &s) { s.system.muteContacts = 2; }, 34, 52, "0000");
        row(
            "mute level 255", [](MixerSettings &s) { s.system.muteLevel = 255; }, 34, 56, "00FF");
        row(
            "short input name padded", [](MixerSettings &s) { s.inputs[0].name = "Bar"; }, 26, 0,
            "Bar             000C");
        row(
            "group member mask", [](MixerSettings &s) { s.groups[3].memberMask = 0xF0; }, 25, 0, "00F0");
    }
    void writtenFields() {
        QFETCH(MixerSettings, record);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, text);
        const QStringList lines = SettingsFileLines(record);
        QCOMPARE(lines.at(line).mid(column, text.size()), text);
    }

    void readerTolerance_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        QTest::addColumn<MixerSettings>("expected");
        const MixerSettings defaults;
        const QList<QByteArray> lines = fixtureLines();
        QCOMPARE(lines.size(), kSettingsFileLineCount);
        auto with = [&](int index, const QByteArray &text) {
            QList<QByteArray> l = lines;
            l[index] = text;
            return joinCrLf(l);
        };
        const QByteArray group1 = "0000Group 1         00000000000000FF0000";

        QTest::newRow("as written") << fixture() << 1 << defaults;
        QTest::newRow("no byte-order mark") << fixture().mid(3) << 1 << defaults;
        QTest::newRow("LF line ends") << QByteArray(fixture()).replace("\r\n", "\n") << 1 << defaults;
        QByteArray noFinalEnd = fixture();
        noFinalEnd.chop(2);
        QTest::newRow("no line end after the system line") << noFinalEnd << 1 << defaults;
        QTest::newRow("lower-case hex")
            << QByteArray(fixture()).replace("00FF", "00ff").replace("003D", "003d") << 1 << defaults;
        QList<QByteArray> other = lines;
        other[0] = "SOMEONE ELSE'S MIXER CONFIG";
        other[1] = "";
        QTest::newRow("another product's header") << joinCrLf(other) << 1 << defaults;
        QTest::newRow("only the headers") << joinCrLf(lines.mid(0, 2)) << 0 << defaults;
        QList<QByteArray> shortFile = lines.mid(0, 34);
        shortFile[2] = "0000Changed         ";
        QTest::newRow("34 lines: nothing of them stays") << joinCrLf(shortFile) << 0 << defaults;
        QList<QByteArray> longer = lines;
        for (QByteArray &l : longer)
            l += "  ignored 0001 FFFFFFFF";
        longer << "an extra line"
               << "";
        QTest::newRow("characters after the last column, extra lines") << joinCrLf(longer) << 1 << defaults;
        // Only the 35 lines are read: what follows them is never examined.
        QTest::newRow("a Latin-1 line after the system line") << fixture() + "Caf\xE9 \xFF\r\n"
                                                              << 1 << defaults;
        QTest::newRow("a megabyte of spaces after the system line")
            << fixture() + QByteArray(1024 * 1024 + 5, ' ') << 1 << defaults;
        QTest::newRow("invalid UTF-8 in a header line") << with(1, "V2\xFF") << 0 << defaults;

        MixerSettings off = defaults;
        off.zones[8].sourceInput = 8;
        off.zones[8].level = 16;
        off.zones[8].maxLevel = 1;
        off.zones[8].minLevel = 32;
        QTest::newRow("FFFF source form") << with(10, group1 + "FFFF001000010020") << 1 << off;
        QTest::newRow("ffff source form") << with(10, group1 + "ffff001000010020") << 1 << off;
        QTest::newRow("FFFFFFFF source form of older files")
            << with(10, group1 + "FFFFFFFF001000010020") << 1 << off;

        MixerSettings offThenHigh = defaults;
        offThenHigh.zones[8].sourceInput = 8;
        offThenHigh.zones[8].level = 0xFFFF;
        offThenHigh.zones[8].maxLevel = 1;
        offThenHigh.zones[8].minLevel = 32;
        QTest::newRow("FFFF source, then a level of FFFF")
            << with(10, group1 + "FFFFFFFF00010020") << 1 << offThenHigh;

        MixerSettings names = defaults;
        names.inputs[0].name = QStringLiteral("  Lobby");
        QTest::newRow("leading spaces stay, trailing go") << with(26, "  Lobby         000C") << 1 << names;
        names = defaults;
        names.zones[0].name = QStringLiteral("ABCDEFGHIJKLMNOP");
        QTest::newRow("16-character name")
            << with(2, "0001ABCDEFGHIJKLMNOP00010000000000FF00000000003D0000003E") << 1 << names;
        names = defaults;
        names.inputs[1].name = QString::fromUtf8("Caf\xC3\xA9");
        QTest::newRow("name columns count characters, not bytes")
            << with(27, "Caf\xC3\xA9            000B") << 1 << [&] {
                   MixerSettings e = names;
                   e.inputs[1].gain = 11;
                   return e;
               }();

        MixerSettings odd = defaults;
        odd.zones[0].stereo = 0;
        odd.zones[0].level = 0;
        odd.zones[0].minLevel = 200;
        odd.system.accessContacts = 0;
        QList<QByteArray> oddLines = lines;
        oddLines[2] = "0002Zone 1          0001000000000"
                      "0FF00000000"
                      "00G1000000C8";
        oddLines[34] = "000F001E000200000000 001001E0002000000020000000200000001"
                       "00000000";
        QTest::newRow("malformed hex and flags read as 0, ranges untested") << joinCrLf(oddLines) << 1 << odd;

        MixerSettings shortLine = defaults;
        shortLine.zones[1] = ZoneSettings();
        shortLine.zones[1].stereo = 1;
        shortLine.zones[1].name = QStringLiteral("Hall");
        shortLine.zones[1].lineInputMask = 0;
        shortLine.zones[1].level = 0;
        shortLine.zones[1].minLevel = 0;
        QTest::newRow("short line") << with(3, "0001Hall") << 1 << shortLine;
        MixerSettings nul = defaults;
        nul.inputs[0].name = QStringLiteral("Lob");
        nul.inputs[0].gain = 0;
        QTest::newRow("a NUL ends its line") << with(26, QByteArray("Lob\0by          000C", 20)) << 1 << nul;
    }
    void readerTolerance() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, result);
        QFETCH(MixerSettings, expected);
        MixerSettings s = customRecord();
        QString error;
        QCOMPARE(ParseSettingsFile(bytes, s, &error), result);
        QCOMPARE(error.isEmpty(), result == 1);
        QCOMPARE(s, expected);
    }

    // Before a file goes to a mixer as its configuration: a text export or a log is refused at its
    // first line that cannot be a settings line; what the reader tolerates is no reason to refuse.
    void foreignLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        const QList<QByteArray> lines = fixtureLines();
        auto with = [&](int index, const QByteArray &text) {
            QList<QByteArray> l = lines;
            l[index] = text;
            return joinCrLf(l);
        };
        QTest::newRow("settings file") << fixture() << 0;
        QTest::newRow("any header") << with(0, "<SY,VQ/>") << 0;
        QTest::newRow("lower-case digits, text after the last column")
            << with(34, lines[34].toLower() + " notes") << 0;
        QTest::newRow("short lines") << with(3, "0001Hall") << 0;
        QTest::newRow("anything in the names") << with(26, "<L1,L=x/>       000C") << 0;
        QTest::newRow("a command in an output line") << with(2, "<Z1,N=Zone 1/>") << 3;
        QTest::newRow("a letter in a level")
            << with(13, lines[13].left(44) + "00G0" + lines[13].mid(48)) << 14;
        QTest::newRow("a space in a tone line") << with(16, "0007 0070007") << 17;
        QTest::newRow("a flag of a group") << with(23, "0000000X") << 24;
        QTest::newRow("the gain of an input") << with(30, "Input 5         +00C") << 31;
        QTest::newRow("the system line")
            << with(34, "000F001E0002000000000001001E0002000000020000000200000001000000-1") << 35;
        QTest::newRow("a NUL in a hex column") << with(20, QByteArray("0007\0"
                                                                      "0070007",
                                                                      12))
                                               << 21;
        QByteArray exported;
        for (int i = 0; i < 40; ++i)
            exported += "<Z" + QByteArray::number(i % 8 + 1) + ",N=Zone/>\n";
        QTest::newRow("a text export") << exported << 3;
    }
    void foreignLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        MixerSettings s;
        ModifiedFlag modified;
        QStringList read;
        QVERIFY(ReadSettingsFile(buffer, s, modified, nullptr, &read));
        QCOMPARE(ForeignSettingsLine(read), line);
    }

    void damageNamesTheLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("damage"); // "line: start of the problem"
        const QList<QByteArray> lines = fixtureLines();
        auto with = [&](int index, const QByteArray &text) {
            QList<QByteArray> l = lines;
            l[index] = text;
            return joinCrLf(l);
        };
        QTest::newRow("intact") << fixture() << QStringList();
        QTest::newRow("without mark, LF only, empty lines after the last")
            << QByteArray(lines.join('\n') + "\n\n\r\n") << QStringList();
        QTest::newRow("any header") << with(0, "<SY,VQ/>") << QStringList();
        QTest::newRow("a header longer than a line")
            << with(1, QByteArray(1500, 'V')) << QStringList{"2: 1500 characters, more than a line can have"};
        QTest::newRow("sourceInput written with eight digits")
            << with(2, lines[2].left(40) + "FFFFFFFF" + lines[2].mid(44)) << QStringList();
        QByteArray crOnly = fixture();
        crOnly.replace("\r\n", "\r");
        QTest::newRow("lone CR line ends")
            << crOnly
            << QStringList{"1: a carriage return without a line feed at column 20",
                           "2: missing: the file ends after line 1"};
        QTest::newRow("NUL inside a name") << with(4, lines[4].left(7) + '\0' + lines[4].mid(8))
                                           << QStringList{"5: a NUL character at column 8"};
        QTest::newRow("short output line")
            << with(3, lines[3].left(50)) << QStringList{"4: 50 characters where an output line has 56"};
        QTest::newRow("a letter in a level")
            << with(13, lines[13].left(44) + "00G0" + lines[13].mid(48))
            << QStringList{"14: \"G\" at column 47 where a hexadecimal digit belongs"};
        QTest::newRow("long system line")
            << with(34, lines[34] + "0") << QStringList{"35: 65 characters where the system line has 64"};
        QTest::newRow("not UTF-8") << with(26, "Caf\xE9            000C")
                                   << QStringList{"27: not UTF-8 text"};
        QList<QByteArray> missing = lines;
        missing.removeLast();
        QTest::newRow("34 lines") << joinCrLf(missing)
                                  << QStringList{"35: missing: the file ends after line 34"};
        QTest::newRow("a 36th line") << QByteArray(fixture() + "0000\r\n")
                                     << QStringList{"36: more than 35 lines"};
        QTest::newRow("200 kB of one line")
            << QByteArray(200 * 1024, 'A') << QStringList{"1: the file is larger"};
    }
    void damageNamesTheLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, damage);
        const QList<FileDamage> found = settingsFileDamage(bytes);
        QCOMPARE(found.size(), damage.size());
        for (int i = 0; i < damage.size(); ++i) {
            const QString text = QStringLiteral("%1: %2").arg(found.at(i).line).arg(found.at(i).problem);
            QVERIFY2(text.startsWith(damage.at(i)), qPrintable(text));
        }
    }

    // Damaged files never crash the reader; a failed read leaves the factory defaults (and the
    // file counts as damaged), and what was read saves to an intact file that reads back the same
    // after one more save.
    void damagedFiles() {
        const QByteArray original = fixture();
        quint32 x = 2024;
        auto next = [&x](quint32 bound) {
            x = x * 1664525u + 1013904223u;
            return (x >> 8) % bound;
        };
        const char alphabet[] = "0123456789abcdefABCDEF \r\n\t\x01\xC3\xA9\xFF";
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = original;
            const int edits = 1 + int(next(12));
            for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
                const int at = int(next(quint32(bytes.size())));
                switch (next(3)) {
                case 0:
                    bytes[at] = alphabet[next(sizeof alphabet - 1)];
                    break;
                case 1:
                    bytes.remove(at, int(next(40)));
                    break;
                default:
                    bytes.insert(at, QByteArray(int(next(20)), alphabet[next(sizeof alphabet - 1)]));
                }
            }
            MixerSettings s;
            s.zones[0].level = 3;
            const bool damaged = !settingsFileDamage(bytes).isEmpty();
            if (!ParseSettingsFile(bytes, s)) {
                QVERIFY(damaged);
                QCOMPARE(s, MixerSettings());
                continue;
            }
            QVERIFY(settingsFileDamage(SettingsFileBytes(s)).isEmpty());
            MixerSettings once, twice;
            QVERIFY(ParseSettingsFile(SettingsFileBytes(s), once));
            QVERIFY(ParseSettingsFile(SettingsFileBytes(once), twice));
            QCOMPARE(twice, once);
        }
    }

    void notASettingsFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("opened"); // whether the settings end at the factory defaults

        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.hzc")) << false;
        QTest::newRow("folder") << m_dir.path() << false;

        const QString empty = m_dir.filePath(QStringLiteral("empty.hzc"));
        QVERIFY(writeAll(empty, QByteArray()));
        QTest::newRow("empty") << empty << true;

        QByteArray binary;
        quint32 x = 12345;
        for (int i = 0; i < 64 * 1024; ++i) {
            x = x * 1103515245u + 12345u;
            binary += char(i % 40 == 39 ? '\n' : char(x >> 24));
        }
        const QString bin = m_dir.filePath(QStringLiteral("binary.hzc"));
        QVERIFY(writeAll(bin, binary));
        QTest::newRow("binary data") << bin << true;

        const QString utf16 = m_dir.filePath(QStringLiteral("utf16.hzc"));
        const QString text = QString::fromUtf8(fixture());
        // As an editor saves it: with the UTF-16 byte-order mark, which is no UTF-8.
        QVERIFY(writeAll(
            utf16, "\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)));
        QTest::newRow("settings saved as UTF-16") << utf16 << true;

        const QString latin1 = m_dir.filePath(QStringLiteral("latin1.hzc"));
        QList<QByteArray> lines = fixtureLines();
        lines[26] = "Caf\xE9            000C";
        QVERIFY(writeAll(latin1, joinCrLf(lines)));
        QTest::newRow("not UTF-8") << latin1 << true;

        if (QFile::exists(QStringLiteral("/dev/zero")))
            QTest::newRow("endless device") << QStringLiteral("/dev/zero") << false;
    }
    void notASettingsFile() {
        QFETCH(QString, path);
        QFETCH(bool, opened);
        const MixerSettings before = customRecord();
        MixerSettings s = before;
        ModifiedFlag modified;
        modified.set(1);
        QString error;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!LoadSettingsFile(path, s, modified, &error));
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(error.startsWith(path + QLatin1String(": ")));
        QVERIFY(error.size() > path.size() + 2);
        QCOMPARE(s, opened ? MixerSettings() : before);
        QCOMPARE(modified.value(), opened ? 0 : 1);
    }

    // A save that cannot complete loses nothing: the earlier file stays, modified stays set and
    // no temporary file is left behind.
    void failedSaveKeepsEarlierFile_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("disk full while writing") << "full";
        QTest::newRow("parent is a file") << "parent";
        QTest::newRow("folder in place of the file") << "folder";
    }
    void failedSaveKeepsEarlierFile() {
        QFETCH(QString, how);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray earlier = "the earlier settings\r\n";
        QString earlierPath = dir.filePath(QStringLiteral("Config.hzc"));
        QString target = earlierPath;
        if (how == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Config.hzc")));
            earlierPath = dir.filePath(QStringLiteral("Config.hzc/inside.hzc"));
        } else if (how == QLatin1String("parent")) {
            target = dir.filePath(QStringLiteral("Config.hzc/Config.hzc"));
        }
        QVERIFY(writeAll(earlierPath, earlier));
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        ModifiedFlag modified;
        modified.set(1);
        QString error;
        int result = -1;
        if (how == QLatin1String("full")) {
            FileSizeLimit limit(100);
            result = SaveSettingsFile(target, customRecord(), modified, &error);
        } else {
            result = SaveSettingsFile(target, customRecord(), modified, &error);
        }
        QCOMPARE(result, 0);
        QVERIFY(!error.isEmpty());
        QCOMPARE(modified.value(), 1);
        QCOMPARE(readAll(earlierPath), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);

        // With room again the same save succeeds.
        if (how == QLatin1String("full")) {
            QVERIFY(SaveSettingsFile(target, customRecord(), modified));
            QCOMPARE(readAll(target), SettingsFileBytes(customRecord()));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_files_settings.moc"
