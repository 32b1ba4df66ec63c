// The venue file: what a person may have typed is refused with a message that names the mixer,
// and what this version does not know survives a save.
#include "files/VenueFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace hzm;

class TestVenueFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void refusals_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray head = R"({"format": "hzm-venue", "format_version": 1, "mixers": [)";
        const QByteArray lobby =
            R"({"name": "Lobby", "link": "tcp:127.0.0.1:4999", "settings": "lobby.hzc"})";
        QTest::newRow("no JSON") << QByteArray("{\n  \"format\": \"hzm-venue\",\n  oops\n}")
                                 << "it is no JSON (unterminated object at line 3, column 4)";
        QTest::newRow("a settings file")
            << QByteArray("\xef\xbb\xbfORVANE HZM-1 CONFIG\r\n") << "it is no JSON";
        QTest::newRow("another format") << QByteArray(R"({"format": "hzm-mixers", "format_version": 1})")
                                        << R"(its "format" is not "hzm-venue")";
        QTest::newRow("a list") << QByteArray("[]") << R"(its "format" is not "hzm-venue")";
        QTest::newRow("newer") << QByteArray(R"({"format": "hzm-venue", "format_version": 2, "mixers": []})")
                               << "venue format 2, written by a newer version of this program";
        QTest::newRow("version in words")
            << QByteArray(R"({"format": "hzm-venue", "format_version": "1", "mixers": []})")
            << R"("format_version" is not a whole number)";
        QTest::newRow("no mixers") << QByteArray(R"({"format": "hzm-venue", "format_version": 1})")
                                   << R"(its "mixers" is not a list)";
        QTest::newRow("no name") << head + lobby + R"(, {"link": "tcp:127.0.0.1", "settings": "b.hzc"}]})"
                                 << R"(mixer 2: it has no "name")";
        QTest::newRow("blank name") << head + R"({"name": " ", "link": "tcp:h", "settings": "b.hzc"}]})"
                                    << R"(mixer 1: it has no "name")";
        QTest::newRow("name twice") << head + lobby + "," + lobby + "]}"
                                    << R"(mixer 2 ("Lobby"): another mixer has this name already)";
        QTest::newRow("control character in name")
            << head + "{\"name\": \"Bar\\u001b[2J\", \"link\": \"tcp:h\", \"settings\": \"b.hzc\"}]}"
            << "mixer 1: its name holds a control character";
        QTest::newRow("no link") << head + R"({"name": "Bar", "settings": "b.hzc"}]})"
                                 << R"(mixer 1 ("Bar"): it has no "link")";
        QTest::newRow("link a number") << head + R"({"name": "Bar", "link": 4999, "settings": "b.hzc"}]})"
                                       << R"(mixer 1 ("Bar"): its "link" is not text)";
        QTest::newRow("link of no kind")
            << head + R"({"name": "Bar", "link": "10.0.0.5", "settings": "b.hzc"}]})"
            << R"(mixer 1 ("Bar"): not a link: 10.0.0.5)";
        QTest::newRow("bad port") << head + R"({"name": "Bar", "link": "tcp:h:70000", "settings": "b.hzc"}]})"
                                  << R"(mixer 1 ("Bar"): not a TCP port: 70000)";
        QTest::newRow("bad rate") << head +
                                         R"({"name": "Bar", "link": "serial:COM3@1234", "settings": "b"}]})"
                                  << R"(mixer 1 ("Bar"): 1234 is not a rate of the mixer)";
        QTest::newRow("no settings") << head + R"({"name": "Bar", "link": "serial:COM3"}]})"
                                     << R"(mixer 1 ("Bar"): it has no "settings")";
    }
    void refusals() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(QStringLiteral("refused.hzv"));
        QVERIFY(test::writeAll(path, bytes));
        Venue venue;
        venue.name = QStringLiteral("untouched");
        QString error;
        QVERIFY(!readVenueFile(path, venue, error));
        QVERIFY2(error.startsWith(path + QStringLiteral(": ")) && error.contains(message), qPrintable(error));
        QCOMPARE(venue.name, QStringLiteral("untouched"));
    }

    // Keys of a later version, at both levels, survive reading and saving; the saved file reads
    // back the same and is saved to the same bytes; settings paths are taken from the venue's
    // folder; a host name is not looked up to read the file.
    void unknownKeysSurviveASave() {
        const QByteArray written = R"({
  "format": "hzm-venue", "format_version": 1, "name": "Grand Hotel \u00e9",
  "contact": {"phone": "123", "hours": [8, 18]},
  "mixers": [
    {"name": "Lobby", "link": "tcp:no-such-host.invalid:4001", "settings": "lobby.hzc", "rack": 3},
    {"name": "Bar, upstairs", "link": "serial:/dev/ttyUSB0@9600", "settings": "/srv/bar.hzc"},
    {"name": "Spa", "link": "serial:COM3", "settings": "settings/../spa.hzc"}
  ]
})";
        const QString path = m_dir.filePath(QStringLiteral("site.hzv"));
        QVERIFY(test::writeAll(path, written));
        Venue venue;
        QString error;
        QVERIFY2(readVenueFile(path, venue, error), qPrintable(error));
        QCOMPARE(venue.name, QStringLiteral("Grand Hotel \u00e9"));
        QCOMPARE(venue.mixers.size(), 3);
        QCOMPARE(venue.mixers.at(0).otherKeys.value("rack").toInt(), 3);
        QCOMPARE(venue.otherKeys.value("contact").toObject().value("hours").toArray().size(), 2);
        QCOMPARE(venueSettingsPath(path, venue.mixers.at(0)), QDir(m_dir.path()).filePath("lobby.hzc"));
#ifdef Q_OS_WIN
        // From the root of the venue file's drive.
        const QString rooted = m_dir.path().left(2) + QStringLiteral("/srv/bar.hzc");
#else
        const QString rooted = QStringLiteral("/srv/bar.hzc");
#endif
        QCOMPARE(venueSettingsPath(path, venue.mixers.at(1)), rooted);
        QCOMPARE(venueSettingsPath(path, venue.mixers.at(2)), QDir(m_dir.path()).filePath("spa.hzc"));

        const QString saved = m_dir.filePath(QStringLiteral("saved.hzv"));
        QVERIFY2(writeVenueFile(saved, venue, error), qPrintable(error));
        Venue again;
        QVERIFY2(readVenueFile(saved, again, error), qPrintable(error));
        QCOMPARE(again.name, venue.name);
        QCOMPARE(again.otherKeys, venue.otherKeys);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(again.mixers.at(i).name, venue.mixers.at(i).name);
            QCOMPARE(again.mixers.at(i).link, venue.mixers.at(i).link);
            QCOMPARE(again.mixers.at(i).settings, venue.mixers.at(i).settings);
            QCOMPARE(again.mixers.at(i).otherKeys, venue.mixers.at(i).otherKeys);
        }
        QCOMPARE(venueFileBytes(again), test::readAll(saved));
        // One mixer a line, the known keys first, for people and for diff.
        QVERIFY(test::readAll(saved).contains(
            R"(    {"name": "Lobby", "link": "tcp:no-such-host.invalid:4001", "settings": "lobby.hzc", "rack": 3},)"));

        // A save that cannot be made says where.
        QVERIFY(!writeVenueFile(m_dir.filePath(QStringLiteral("no-folder/site.hzv")), venue, error));
        QVERIFY2(error.contains(QLatin1String("no-folder/site.hzv")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestVenueFile)
#include "tst_files_venue.moc"
