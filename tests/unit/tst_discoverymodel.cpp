// Taking apart discovery answers and merging them into the list of mixers.
#include "discovery/DiscoveryModel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace hzm;

namespace {

QByteArray answer(const char *from, const char *name, const char *mac,
                  const char *description = "Orvane HZM1e") {
    return QByteArray(from) + "\r\n" + name + "\r\n" + mac + "\r\n" + description + "\r\n";
}

// "address|name|mac|description" per row, top first, rows joined by ";".
QString rowsText(const DiscoveryModel &model) {
    QStringList rows;
    for (const DiscoveredMixer &m : model.mixers())
        rows << QStringList{m.address, m.name, m.mac, m.description}.join(QLatin1Char('|'));
    return rows.join(QLatin1Char(';'));
}

} // namespace

class TestDiscoveryModel : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void merge_data();
    void merge();
    void signalsForViews();
    void headersAndWidths();
    void randomBytesNeverListed();
};

void TestDiscoveryModel::parse_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    QTest::newRow("mixer") << answer("10.0.0.5", "Bar", "00:1E:C0:01:02:03") << true << "Bar"
                           << "Orvane HZM1e";
    QTest::newRow("fourth payload line ignored") << answer("10.0.0.5", "Bar", "mac") + "extra\r\n"
                                                 << true << "Bar"
                                                 << "Orvane HZM1e";
    QTest::newRow("text after last line end ignored")
        << answer("10.0.0.5", "Bar", "mac") + "tail" << true << "Bar"
        << "Orvane HZM1e";
    QTest::newRow("description without line end")
        << answer("10.0.0.5", "Bar", "mac").chopped(2) << false << ""
        << "";
    QTest::newRow("another device") << answer("10.0.0.5", "Bar", "mac", "Orvane HZM2") << false << ""
                                    << "";
    QTest::newRow("prefix only") << answer("10.0.0.5", "", "", "Orvane HZM1") << true << ""
                                 << "Orvane HZM1";
    QTest::newRow("lower case prefix") << answer("10.0.0.5", "Bar", "mac", "orvane HZM1") << false << ""
                                       << "";
    QTest::newRow("empty") << QByteArray() << false << ""
                           << "";
    QTest::newRow("address only") << QByteArray("10.0.0.5\r\n") << false << ""
                                  << "";
    QTest::newRow("bare line feeds") << QByteArray("10.0.0.5\nBar\nmac\nOrvane HZM1\n") << false << ""
                                     << "";
    QTest::newRow("zero byte ends the text")
        << QByteArray("10.0.0.5\r\nBar\r\nmac\0\r\nOrvane HZM1\r\n", 34) << false << ""
        << "";
    QTest::newRow("long name cut to 127") << answer("10.0.0.5", QByteArray(300, 'n').constData(), "mac")
                                          << true << QString(127, QLatin1Char('n')) << "Orvane HZM1e";
    QTest::newRow("bytes become characters one for one")
        << answer("10.0.0.5", "Caf\xc3\xa9", "mac") << true << QString::fromLatin1("Caf\xc3\xa9")
        << "Orvane HZM1e";
    QTest::newRow("many line ends") << QByteArray(100000, '\r').replace("\r", "\r\n") << false << ""
                                    << "";
}

void TestDiscoveryModel::parse() {
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QFETCH(QString, name);
    QFETCH(QString, description);
    const auto reply = parseDiscoveryReply(text);
    QCOMPARE(reply.has_value(), accepted);
    if (accepted) {
        QCOMPARE(reply->address, QStringLiteral("10.0.0.5"));
        QCOMPARE(reply->name, name);
        QCOMPARE(reply->description, description);
    }
}

void TestDiscoveryModel::merge_data() {
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QList<int>>("touched");
    QTest::addColumn<QString>("rows");

    const QByteArray a = answer("10.0.0.5", "A", "MAC-A");
    const QByteArray b = answer("10.0.0.6", "B", "MAC-B");
    QTest::newRow("one mixer") << QList<QByteArray>{a} << QList<int>{0} << "10.0.0.5|A|MAC-A|Orvane HZM1e";
    QTest::newRow("same answer twice")
        << QList<QByteArray>{a, a} << QList<int>{0, 0} << "10.0.0.5|A|MAC-A|Orvane HZM1e";
    QTest::newRow("new mixer on top") << QList<QByteArray>{a, b} << QList<int>{0, 0}
                                      << "10.0.0.6|B|MAC-B|Orvane HZM1e;10.0.0.5|A|MAC-A|Orvane HZM1e";
    QTest::newRow("renamed at the same address")
        << QList<QByteArray>{a, answer("10.0.0.5", "A2", "MAC-A", "Orvane HZM1 v2")} << QList<int>{0, 0}
        << "10.0.0.5|A2|MAC-A|Orvane HZM1 v2";
    QTest::newRow("known MAC at a new address keeps the old address")
        << QList<QByteArray>{b, a, answer("10.0.0.9", "A2", "MAC-A")} << QList<int>{0, 0, 0}
        << "10.0.0.5|A2|MAC-A|Orvane HZM1e;10.0.0.6|B|MAC-B|Orvane HZM1e";
    QTest::newRow("known MAC found below")
        << QList<QByteArray>{a, b, answer("10.0.0.9", "A2", "MAC-A")} << QList<int>{0, 0, 1}
        << "10.0.0.6|B|MAC-B|Orvane HZM1e;10.0.0.5|A2|MAC-A|Orvane HZM1e";
    QTest::newRow("new MAC at a known address is a new row")
        << QList<QByteArray>{a, answer("10.0.0.5", "C", "MAC-C")} << QList<int>{0, 0}
        << "10.0.0.5|C|MAC-C|Orvane HZM1e;10.0.0.5|A|MAC-A|Orvane HZM1e";
    QTest::newRow("address taken over by a known MAC")
        << QList<QByteArray>{a, b, answer("10.0.0.5", "B2", "MAC-B")} << QList<int>{0, 0, 0}
        << "10.0.0.6|B2|MAC-B|Orvane HZM1e;10.0.0.5|A|MAC-A|Orvane HZM1e";
    QTest::newRow("dropped answers change nothing")
        << QList<QByteArray>{a, answer("10.0.0.5", "X", "MAC-A", "Other"), a.chopped(2)}
        << QList<int>{0, -1, -1} << "10.0.0.5|A|MAC-A|Orvane HZM1e";
    const QByteArray longMac(120, 'm');
    QTest::newRow("long MAC matches itself")
        << QList<QByteArray>{answer("10.0.0.5", "A", longMac), answer("10.0.0.5", "A", longMac)}
        << QList<int>{0, 0} << "10.0.0.5|A|" + QString::fromLatin1(longMac) + "|Orvane HZM1e";
}

void TestDiscoveryModel::merge() {
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QList<int>, touched);
    QFETCH(QString, rows);
    DiscoveryModel model;
    QList<int> rowsTouched;
    for (const QByteArray &reply : replies)
        rowsTouched << model.handleReply(reply);
    QCOMPARE(rowsTouched, touched);
    QCOMPARE(rowsText(model), rows);
}

void TestDiscoveryModel::signalsForViews() {
    DiscoveryModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.handleReply(answer("10.0.0.5", "A", "MAC-A"));
    model.handleReply(answer("10.0.0.5", "A2", "MAC-A"));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(model.data(model.index(0, DiscoveryModel::NameColumn)).toString(), QStringLiteral("A2"));
    QCOMPARE(model.addressAt(0), QStringLiteral("10.0.0.5"));
    QCOMPARE(model.addressAt(1), QString());
    QCOMPARE(model.addressAt(-1), QString());
    QVERIFY(!model.data(model.index(5, 0)).isValid());
    // Texts from the network are shown with their control characters escaped; kept as they came.
    model.handleReply(answer("10.0.0.6", "B\x1b[2J\a", "MAC\tB", "Orvane HZM1e\x1b]0;x"));
    QCOMPARE(model.data(model.index(0, DiscoveryModel::NameColumn)).toString(),
             QStringLiteral("B\\x1b[2J\\x07"));
    QCOMPARE(model.data(model.index(0, DiscoveryModel::MacColumn)).toString(), QStringLiteral("MAC\\x09B"));
    QCOMPARE(model.data(model.index(0, DiscoveryModel::DescriptionColumn)).toString(),
             QStringLiteral("Orvane HZM1e\\x1b]0;x"));
    QCOMPARE(model.mixers().first().name, QStringLiteral("B\x1b[2J\a"));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
}

void TestDiscoveryModel::headersAndWidths() {
    DiscoveryModel model;
    QStringList headers;
    for (int c = 0; c < model.columnCount(); ++c)
        headers << model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"IP Address", "Name", "MAC Address", "Description"}));
    QList<int> widths;
    for (int c = 0; c < DiscoveryModel::ColumnCount; ++c)
        widths << DiscoveryModel::columnWidth(c, 733);
    QCOMPARE(widths, (QList<int>{146, 146, 183, 257}));
}

void TestDiscoveryModel::randomBytesNeverListed() {
    DiscoveryModel model;
    QRandomGenerator random(1234);
    const QByteArray pieces[] = {"\r\n", "\r", "\n", QByteArray(1, '\0'), "Orvane HZM1", "x", "\xff"};
    for (int i = 0; i < 2000; ++i) {
        QByteArray text;
        const int parts = int(random.bounded(12));
        for (int p = 0; p < parts; ++p)
            text += pieces[random.bounded(int(std::size(pieces)))];
        const int row = model.handleReply(text);
        if (row >= 0)
            QVERIFY(model.mixers().at(row).description.startsWith(QLatin1String(kMixerDescriptionPrefix)));
    }
}

QTEST_GUILESS_MAIN(TestDiscoveryModel)
#include "tst_discoverymodel.moc"
