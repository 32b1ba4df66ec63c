#include "PtyPair.h"
#include "RecordingObserver.h"
#include "RecordingSleeper.h"

#include "link/CommandExchange.h"
#include "link/FileComms.h"
#include "link/SerialComms.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace hzm;
using namespace hzm::test;

Q_DECLARE_METATYPE(hzm::LogColour)

namespace {

constexpr LogColour Black = LogColour::Command;
constexpr LogColour Green = LogColour::GoodReply;
constexpr LogColour Red = LogColour::Failure;

// A mixer on the master side of a pty: reads each framed command and answers with reply.
class PtyMixer {
public:
    PtyMixer(PtyPair &pty, QByteArray reply) : m_pty(pty), m_reply(std::move(reply)) {
        m_thread = std::thread([this] {
            while (!m_stop) {
                const QByteArray command = m_pty.readUntil("/>", 50);
                if (command.isEmpty())
                    continue;
                m_commands += command;
                m_pty.write(m_reply);
            }
        });
    }
    ~PtyMixer() { stop(); }
    // Stops the mixer; afterwards commands() holds everything it read.
    void stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    QByteArray commands() const { return m_commands; }

private:
    PtyPair &m_pty;
    QByteArray m_reply;
    QByteArray m_commands;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    void refusedFourTimes();
    void closedLinkIsNoResponse();
    void replyJudged_data();
    void replyJudged();
    void replyBufferTruncated();
    void replyBufferUntouchedWithoutSize();
    void shownBodyOnlyInReports();
    void writeOnlyToFile();
    void writeOnlyOnClosedLink();
    void otherModeSendsNothing();
    void overlongCommandRefused();
    void chunkedWrite_data();
    void chunkedWrite();
    void realPacing();
};

void TestExchange::refusedFourTimes() {
    NullComms link;
    link.Open();
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    QString reply = QStringLiteral("stale");
    QVERIFY(!CommandExchange(QStringLiteral("SY,VQ"), Exchange, link, &observer, &reply, 256));

    QCOMPARE(observer.sent(), QStringList(4, QStringLiteral("<SY,VQ/>")));
    QCOMPARE(observer.responses(), QStringList(4, QStringLiteral("<!/>")));
    QCOMPARE(observer.logColours(), (QList<LogColour>{Black, Red, Black, Red, Black, Red, Black, Red}));
    QCOMPARE(observer.logTexts(),
             (QStringList{"<SY,VQ/>", "<!/>", "<SY,VQ/>", "<!/>", "<SY,VQ/>", "<!/>", "<SY,VQ/>", "<!/>"}));
    QCOMPARE(observer.finished(), QList<bool>{false});
    QCOMPARE(pauses.milliseconds(), (QList<int>{500, 500, 500, 500}));
    QCOMPARE(pauses.count(Pause::BetweenCommands), 4);
    QCOMPARE(reply, QStringLiteral("<!/>"));
}

void TestExchange::closedLinkIsNoResponse() {
    NullComms link; // never opened: nothing is written, nothing comes back
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    QString reply = QStringLiteral("stale");
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!CommandExchange(QStringLiteral("ZN,1,VQ"), Exchange, link, &observer, &reply, 64));
    QVERIFY(timer.elapsed() < 500);
    QCOMPARE(observer.logTexts(), (QStringList{"<ZN,1,VQ/>", "No Response", "<ZN,1,VQ/>", "No Response",
                                               "<ZN,1,VQ/>", "No Response", "<ZN,1,VQ/>", "No Response"}));
    QCOMPARE(observer.logColours(), (QList<LogColour>{Black, Red, Black, Red, Black, Red, Black, Red}));
    QVERIFY(observer.responses().isEmpty());
    QCOMPARE(pauses.milliseconds(), (QList<int>{500, 500, 500, 500}));
    QCOMPARE(reply, QString()); // emptied at entry, nothing arrived
}

void TestExchange::replyJudged_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");

    QTest::newRow("good reply") << QByteArray("<sy,vq 1.05/>") << 1 << "<sy,vq 1.05/>";
    QTest::newRow("refusal") << QByteArray("<!/>") << 0 << "<!/>";
    QTest::newRow("refusal in the middle") << QByteArray("<sy,vq <! busy/>") << 0 << "<sy,vq <! busy/>";
    QTest::newRow("refusal at the end") << QByteArray("<sy,vq<!/>") << 0 << "<sy,vq<!/>";
    QTest::newRow("first byte forced to <") << QByteArray("x!/>") << 0 << "<!/>";
    QTest::newRow("UTF-8 label") << QByteArray("<zn,1,lb,Caf\xC3\xA9/>") << 1
                                 << QString::fromUtf8("<zn,1,lb,Caf\xC3\xA9/>");
    QTest::newRow("a NUL kept") << QByteArray("<sy,vq\0 1.05/>", 14) << 1
                                << QString::fromLatin1("<sy,vq\0 1.05/>", 14);
    QTest::newRow("invalid UTF-8 replaced") << QByteArray("<zn,1,lb,\xFF\xC3/>") << 1
                                            << QString("<zn,1,lb,") + QChar(0xFFFD) + QChar(0xFFFD) + "/>";
}

void TestExchange::replyJudged() {
    QFETCH(QByteArray, answer);
    QFETCH(int, result);
    QFETCH(QString, text);

    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    QVERIFY(link.Open());
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    QString reply;
    PtyMixer mixer(pty, answer);
    QCOMPARE(CommandExchange(QStringLiteral("SY,VQ"), Exchange, link, &observer, &reply, 1024), result);
    mixer.stop();
    link.Close();

    QCOMPARE(reply, text);
    if (result) {
        QCOMPARE(mixer.commands(), QByteArray("<SY,VQ/>")); // one attempt, no line end
        QCOMPARE(observer.logTexts(), (QStringList{"<SY,VQ/>", text}));
        QCOMPARE(observer.logColours(), (QList<LogColour>{Black, Green}));
        QCOMPARE(observer.responses(), QStringList{text});
        QCOMPARE(observer.finished(), QList<bool>{true});
        // Eight bytes in one chunk, 20 ms after it, 25 ms after the good reply.
        QCOMPARE(pauses.milliseconds(), (QList<int>{20, 25}));
    } else {
        QCOMPARE(mixer.commands(), QByteArray("<SY,VQ/>").repeated(4));
        QCOMPARE(observer.logColours(), (QList<LogColour>{Black, Red, Black, Red, Black, Red, Black, Red}));
        QCOMPARE(observer.logTexts().at(1), text);
        QCOMPARE(pauses.milliseconds(), (QList<int>{20, 500, 20, 500, 20, 500, 20, 500}));
    }
}

void TestExchange::replyBufferTruncated() {
    // A reply of 600 characters: a 256-character buffer keeps the first 255.
    QByteArray answer = "<zn,1,lb," + QByteArray(589, 'L') + "/>";
    QCOMPARE(answer.size(), 600);
    PtyPair pty;
    SerialComms link(pty.slavePath(), 19200);
    link.Open();
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    PtyMixer mixer(pty, answer);
    QString reply;
    QVERIFY(CommandExchange(QStringLiteral("ZN,1,LQ"), Exchange, link, &observer, &reply, 256));
    QCOMPARE(reply.size(), 255);
    QCOMPARE(reply, QString::fromLatin1(answer.left(255)));
    QCOMPARE(observer.responses(), QStringList{QString::fromLatin1(answer)}); // reports see it all

    // A cut through a character outside the basic plane keeps neither half.
    mixer.stop();
    PtyMixer emoji(pty, "<a,\xF0\x9F\x8E\xB5/>");
    QVERIFY(CommandExchange(QStringLiteral("A"), Exchange, link, nullptr, &reply, 5));
    QCOMPARE(reply, QStringLiteral("<a,"));
    emoji.stop();
    link.Close();
}

void TestExchange::replyBufferUntouchedWithoutSize() {
    NullComms link;
    link.Open();
    RecordingSleeper pauses;
    pauses.install(link);
    QString reply = QStringLiteral("untouched");
    QVERIFY(!CommandExchange(QStringLiteral("SY,VQ"), Exchange, link, nullptr, &reply, 0));
    QCOMPARE(reply, QStringLiteral("untouched"));
    QVERIFY(!CommandExchange(QStringLiteral("SY,VQ"), Exchange, link, nullptr, &reply, -5));
    QCOMPARE(reply, QStringLiteral("untouched"));
}

void TestExchange::shownBodyOnlyInReports() {
    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    link.Open();
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    PtyMixer mixer(pty, "<sy,ik/>");
    ExchangeOptions options;
    options.shownBody = QStringLiteral("SY,IK,****");
    QCOMPARE(CommandExchange(QStringLiteral("SY,IK,1234"), Exchange, link, &observer, nullptr, 0, options),
             1);
    mixer.stop();
    QCOMPARE(mixer.commands(), QByteArray("<SY,IK,1234/>"));
    QCOMPARE(observer.sent(), QStringList{"<SY,IK,****/>"});
    QCOMPARE(observer.logTexts().first(), QStringLiteral("<SY,IK,****/>"));
    link.Close();
}

void TestExchange::writeOnlyToFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Export.txt");
    FileComms link(path);
    QVERIFY(link.Open());
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    QString reply = QStringLiteral("x");
    QVERIFY(CommandExchange(QStringLiteral("SY,VQ"), WriteOnly, link, &observer));
    QCOMPARE(
        CommandExchange(QString::fromUtf8("ZN,1,LB,Caf\xC3\xA9"), WriteOnly, link, &observer, &reply, 10), 1);
    QVERIFY(CommandExchange(QString(), WriteOnly, link, &observer));
    QVERIFY(link.Close());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<SY,VQ/>\r\n<ZN,1,LB,Caf\xC3\xA9/>\r\n</>\r\n"));
    QVERIFY(observer.sent().isEmpty()); // nothing is reported, nothing is read
    QVERIFY(observer.log().isEmpty());
    QVERIFY(observer.finished().isEmpty());
    QVERIFY(pauses.pauses().isEmpty()); // a file is not written in chunks
    QCOMPARE(reply, QString());
}

void TestExchange::writeOnlyOnClosedLink() {
    QTemporaryDir dir;
    FileComms link(dir.filePath("Export.txt"));
    QVERIFY(CommandExchange(QStringLiteral("SY,VQ"), WriteOnly, link));
    QVERIFY(!QFile::exists(dir.filePath("Export.txt")));
}

void TestExchange::otherModeSendsNothing() {
    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    link.Open();
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    QString reply = QStringLiteral("old");
    for (int mode : {2, -1, 7}) {
        QVERIFY(!CommandExchange(QStringLiteral("SY,VQ"), mode, link, &observer, &reply, 16));
        QCOMPARE(reply, QString()); // a caller always finds a string
    }
    QVERIFY(pty.readFor(100).isEmpty());
    QVERIFY(observer.sent().isEmpty());
    QVERIFY(observer.log().isEmpty());
    QVERIFY(pauses.pauses().isEmpty());
    link.Close();
}

void TestExchange::overlongCommandRefused() {
    // 1021 body bytes + the frame = 1024 bytes: no room for the terminator of the wire buffer.
    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    link.Open();
    RecordingSleeper pauses;
    pauses.install(link);
    RecordingObserver observer;
    const QString tooLong(1021, QLatin1Char('x'));
    QVERIFY(!CommandExchange(tooLong, Exchange, link, &observer));
    QVERIFY(!CommandExchange(tooLong, WriteOnly, link, &observer));
    // Counted in UTF-8 bytes: 511 two-byte characters do not fit either.
    QVERIFY(!CommandExchange(QString(511, QChar(0xE9)), WriteOnly, link, &observer));
    QVERIFY(pty.readFor(100).isEmpty());
    QVERIFY(observer.log().isEmpty());
    QCOMPARE(observer.finished(), QList<bool>{false});

    // One byte less fits.
    QVERIFY(CommandExchange(QString(1020, QLatin1Char('x')), WriteOnly, link, &observer));
    QCOMPARE(pty.readExactly(1025, 5000).size(), 1025);
    link.Close();
}

void TestExchange::chunkedWrite_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("chunks");
    QTest::addColumn<QList<int>>("pauses");

    QTest::newRow("8 bytes") << 8 << QList<int>{8} << QList<int>{20};
    QTest::newRow("16 bytes") << 16 << QList<int>{16} << QList<int>{20};
    QTest::newRow("17 bytes") << 17 << QList<int>{16, 1} << QList<int>{250, 20};
    QTest::newRow("40 bytes") << 40 << QList<int>{16, 16, 8} << QList<int>{250, 250, 20};
    QTest::newRow("48 bytes") << 48 << QList<int>{16, 16, 16} << QList<int>{250, 250, 20};
    QTest::newRow("empty") << 0 << QList<int>{} << QList<int>{};
}

void TestExchange::chunkedWrite() {
    QFETCH(int, length);
    QFETCH(QList<int>, chunks);
    QFETCH(QList<int>, pauses);

    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    QVERIFY(link.Open());
    RecordingSleeper sleeper;
    sleeper.install(link);
    // At every pause, what reached the wire since the last one is one chunk.
    QList<int> seen;
    QByteArray wire;
    sleeper.setHook([&](Pause, int) {
        const QByteArray chunk = pty.readFor(30, 1000);
        seen << int(chunk.size());
        wire += chunk;
    });
    QByteArray text(length, 'c');
    for (int i = 0; i < length; ++i)
        text[i] = char('A' + i % 26);
    QCOMPARE(WriteCommandText(link, text), length);
    QCOMPARE(seen, chunks);
    QCOMPARE(sleeper.milliseconds(), pauses);
    QCOMPARE(wire, text);
    link.Close();
}

void TestExchange::realPacing() {
    // The one test that really waits: a 40-byte command in write-only mode goes out as
    // 16 + 16 + 8 bytes with 250, 250 and 20 ms pauses, then "\r\n" and another 20 ms.
    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    QVERIFY(link.Open());
    const QString body = QStringLiteral("ZN,1,LB,") + QString(29, QLatin1Char('n')); // framed: 40 bytes
    QElapsedTimer timer;
    timer.start();
    QVERIFY(CommandExchange(body, WriteOnly, link));
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 535 && elapsed < 1200, qPrintable(QString::number(elapsed)));
    QCOMPARE(pty.readFor(50), QByteArray("<ZN,1,LB,") + QByteArray(29, 'n') + "/>\r\n");
    link.Close();
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
