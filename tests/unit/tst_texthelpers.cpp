#include "model/TextHelpers.h"

#include <QBuffer>
#include <QtTest>

using namespace hzm;

namespace {

// Every line a reader hands back until the end of the data.
QStringList readAll(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    QStringList lines;
    QString line;
    while (reader.ReadLine(line))
        lines << line;
    return lines;
}

// Hands out its data a few bytes at a time, as a slow device would.
class TrickleDevice : public QIODevice {
public:
    TrickleDevice(const QByteArray &data, int step) : m_data(data), m_step(step) { open(ReadOnly); }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_pos >= m_data.size(); }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        const qint64 n = std::min<qint64>({maxSize, qint64(m_step), qint64(m_data.size() - m_pos)});
        if (n <= 0)
            return -1;
        std::memcpy(data, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    int m_step;
    qint64 m_pos = 0;
};

} // namespace

class TestTextHelpers : public QObject {
    Q_OBJECT

private slots:
    void mid_data();
    void mid();
    void trimRight_data();
    void trimRight();
    void formatHex_data();
    void formatHex();
    void parseHex4_data();
    void parseHex4();
    void parseDecimal_data();
    void parseDecimal();
    void versionComparison();
    void findInList_data();
    void findInList();
    void isValidLabel_data();
    void isValidLabel();
    void readLine_data();
    void readLine();
    void readLineSplitUtf8AcrossReads();
    void readLineLeavesTargetAtEnd();
};

void TestTextHelpers::mid_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");

    QTest::newRow("inside") << "Zone 12" << 5 << 2 << "12";
    QTest::newRow("start past end gives the last character") << "0001" << 4 << 16 << "1";
    QTest::newRow("start far past end") << "0001" << 100 << 3 << "1";
    QTest::newRow("count runs past end") << QString(22, QLatin1Char('a')) + "XY" << 22 << 4 << "XY";
    QTest::newRow("start 20 of 22 characters") << "abcdefghijklmnopqrstuv" << 20 << 4 << "uv";
    QTest::newRow("negative start counts as 0") << "abc" << -5 << 2 << "ab";
    QTest::newRow("negative count gives nothing") << "abc" << 1 << -1 << "";
    QTest::newRow("empty text") << "" << 0 << 4 << "";
    QTest::newRow("empty text, start past end") << "" << 3 << 4 << "";
    QTest::newRow("zero count") << "abc" << 1 << 0 << "";
    QTest::newRow("whole text") << "abc" << 0 << 3 << "abc";
}

void TestTextHelpers::mid() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QString, expected);
    QCOMPARE(Mid(text, start, count), expected);
    if (start == 0)
        QCOMPARE(Left(text, count), expected);
}

void TestTextHelpers::trimRight_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ten spaces") << "Zone 1" + QString(10, QLatin1Char(' ')) << "Zone 1";
    QTest::newRow("all blank") << "  "
                               << "";
    QTest::newRow("leading spaces stay") << "  a "
                                         << "  a";
    QTest::newRow("control characters") << QString("a\t\r\n") + QChar(1) << "a";
    QTest::newRow("empty") << ""
                           << "";
}

void TestTextHelpers::trimRight() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(TrimRight(text), expected);
}

void TestTextHelpers::formatHex_data() {
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0u << "0000";
    QTest::newRow("8") << 8u << "0008";
    QTest::newRow("255") << 255u << "00FF";
    QTest::newRow("4096") << 4096u << "1000";
    QTest::newRow("65535") << 65535u << "FFFF";
    QTest::newRow("65536 has five digits") << 65536u << "10000";
    QTest::newRow("0xABCDE") << 0xABCDEu << "ABCDE";
    QTest::newRow("-1") << quint32(-1) << "FFFFFFFF";
    QTest::newRow("0x80000000") << 0x80000000u << "80000000";
}

void TestTextHelpers::formatHex() {
    QFETCH(quint32, value);
    QFETCH(QString, expected);
    QCOMPARE(FormatHex(value), expected);
}

void TestTextHelpers::parseHex4_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("00ff") << "00ff" << 255;
    QTest::newRow("FFFF") << "FFFF" << 65535;
    QTest::newRow("mixed case") << "aB0c" << 0xAB0C;
    QTest::newRow("too short") << "12" << 0;
    QTest::newRow("three digits") << "FFF" << 0;
    QTest::newRow("bad digit") << "00G1" << 0;
    QTest::newRow("bad last digit") << "000g" << 0;
    QTest::newRow("only four read") << "0012345" << 18;
    QTest::newRow("sign is no digit") << "-001" << 0;
    QTest::newRow("blank is no digit") << " 001" << 0;
    QTest::newRow("full-width digit") << QString::fromUtf8("00\xEF\xBC\x91"
                                                           "1")
                                      << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestTextHelpers::parseHex4() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(ParseHex4(text), expected);
}

void TestTextHelpers::parseDecimal_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("1.05") << "1.05" << 1.05;
    QTest::newRow("1.5") << "1.5" << 1.5;
    QTest::newRow("2") << "2" << 2.0;
    QTest::newRow("2.") << "2." << 2.0;
    QTest::newRow(".5") << ".5" << 0.5;
    QTest::newRow("leading blanks") << "  3.25" << 3.25;
    QTest::newRow("stops at a non-digit") << "1.2x" << 1.02;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("second point ignored") << "1.0.3" << 1.0;
}

void TestTextHelpers::parseDecimal() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(ParseDecimal(text), expected);
}

void TestTextHelpers::versionComparison() {
    // Labels are read only from mixers above 1.04.
    QVERIFY(ParseDecimal(QStringLiteral("1.05")) > 1.04);
    QVERIFY(!(ParseDecimal(QStringLiteral("1.04")) > 1.04));
    QVERIFY(ParseDecimal(QStringLiteral("1.10")) > 1.04);
    QVERIFY(!(ParseDecimal(QStringLiteral("1.4")) < 1.04));
}

void TestTextHelpers::findInList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << "VOX" << 1;
    QTest::newRow("ignores case") << "mute" << 3;
    QTest::newRow("mixed case") << "AcCeSs" << 2;
    QTest::newRow("first of equals") << "Off" << 0;
    QTest::newRow("not found") << "LOUD" << -1;
    QTest::newRow("empty text") << "" << -1;
    QTest::newRow("after the empty end entry") << "hidden" << -1;
    QTest::newRow("prefix is no match") << "MUT" << -1;
    QTest::newRow("trailing blank is no match") << "VOX " << -1;
}

void TestTextHelpers::findInList() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    const OptionList list{"OFF", "VOX", "ACCESS", "MUTE", "", "hidden"};
    QCOMPARE(FindInList(text, list), expected);
}

void TestTextHelpers::isValidLabel_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("Zone 1") << "Zone 1" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("16 characters") << QString(16, QLatin1Char('x')) << true;
    QTest::newRow("17 characters") << QString(17, QLatin1Char('x')) << false;
    QTest::newRow("tab") << "Zone\t1" << false;
    QTest::newRow("non-ASCII letter") << QString::fromUtf8("Zon\xC3\xA9") << false;
    QTest::newRow("DEL") << QString("a") + QChar(127) << false;
    QTest::newRow("all printable ASCII edges") << " ~!/<>" << true;
}

void TestTextHelpers::isValidLabel() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidLabel(text), valid);
}

void TestTextHelpers::readLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    const QByteArray a1023(1023, 'a');
    const QByteArray b2000(2000, 'b');
    QTest::newRow("LF lines") << QByteArray("one\ntwo\n") << QStringList{"one", "two"};
    QTest::newRow("CRLF lines") << QByteArray("one\r\ntwo\r\n") << QStringList{"one", "two"};
    QTest::newRow("last line without end") << QByteArray("one\ntwo") << QStringList{"one", "two"};
    QTest::newRow("empty lines kept") << QByteArray("\n\nx\n") << QStringList{"", "", "x"};
    QTest::newRow("BOM consumed") << QByteArray("\xEF\xBB\xBFHZM\r\n") << QStringList{"HZM"};
    QTest::newRow("BOM only at the start") << QByteArray("a\n\xEF\xBB\xBF"
                                                         "b\n")
                                           << QStringList{"a", QString(QChar(0xFEFF)) + "b"};
    QTest::newRow("only a BOM") << QByteArray("\xEF\xBB\xBF") << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("UTF-8 text") << QByteArray("Zon\xC3\xA9 \xE2\x82\xAC\n")
                                << QStringList{QString::fromUtf8("Zon\xC3\xA9 \xE2\x82\xAC")};
    QTest::newRow("1023 characters whole") << a1023 + "\nx\n" << QStringList{QString(a1023), "x"};
    QTest::newRow("1023 characters whole with CRLF") << a1023 + "\r\nx\r\n"
                                                     << QStringList{QString(a1023), "x"};
    QTest::newRow("1024 characters in two pieces") << QByteArray(1024, 'c') + "\n"
                                                   << QStringList{QString(1023, QLatin1Char('c')), "c"};
    QTest::newRow("2000 characters in pieces")
        << b2000 + "\nend\n"
        << QStringList{QString(1023, QLatin1Char('b')), QString(977, QLatin1Char('b')), "end"};
    QTest::newRow("long line counted in characters, not bytes")
        << QByteArray("\xC3\xA9").repeated(1023) + "\n"
        << QStringList{QString(1023, QChar(0xE9))};
    QTest::newRow("piece never splits a surrogate pair")
        << QByteArray(1022, 'd') + "\xF0\x9F\x8E\xB5" + "\n"
        << QStringList{QString(1022, QLatin1Char('d')), QString::fromUtf8("\xF0\x9F\x8E\xB5")};
    QTest::newRow("invalid UTF-8 ends the reading at its line") << QByteArray("ok\na\xFF"
                                                                              "b\nnext\n")
                                                                << QStringList{"ok"};
    QTest::newRow("a piece before invalid UTF-8 in its line still comes back")
        << QByteArray("ok\n") + QByteArray(1023, 'x') + "\xFF\n"
        << QStringList{"ok", QString(1023, QLatin1Char('x'))};
}

void TestTextHelpers::readLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(readAll(bytes), lines);
}

void TestTextHelpers::readLineSplitUtf8AcrossReads() {
    // A device that hands out one, two or three bytes at a time splits every multi-byte
    // character and the byte-order mark; nothing may be lost or replaced.
    const QByteArray text = "\xEF\xBB\xBF"
                            "Gr\xC3\xBC\xC3\x9F"
                            "e \xE2\x82\xAC 5\r\n\xF0\x9F\x8E\xB5 Zone\r\n" +
                            QByteArray(1023, 'z') + "\r\nlast";
    const QStringList expected{QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                                 "e \xE2\x82\xAC 5"),
                               QString::fromUtf8("\xF0\x9F\x8E\xB5 Zone"), QString(1023, QLatin1Char('z')),
                               "last"};
    for (int step = 1; step <= 3; ++step) {
        TrickleDevice device(text, step);
        LineReader reader(device);
        QStringList lines;
        QString line;
        while (reader.ReadLine(line))
            lines << line;
        QCOMPARE(lines, expected);
    }
}

void TestTextHelpers::readLineLeavesTargetAtEnd() {
    QBuffer buffer;
    buffer.setData("only\n");
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    QString target;
    QVERIFY(reader.ReadLine(target));
    QCOMPARE(target, QStringLiteral("only"));
    QVERIFY(!reader.ReadLine(target));
    QCOMPARE(target, QStringLiteral("only"));
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
