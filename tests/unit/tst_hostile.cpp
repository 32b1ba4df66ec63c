// The link against peers that do not behave like a mixer: a peer that streams without end, one
// that never ends a frame, one that answers later than the reply time-out, one that sends stray
// bytes between frames. Each must end in a clear result, never in a reply taken for another
// command's, a success without a frame, or memory that grows with what the peer sends.

#include "PtyPair.h"
#include "RecordingObserver.h"
#include "SimServer.h"
#include "TcpPeer.h"

#include "link/CommandExchange.h"
#include "link/SerialComms.h"
#include "link/TCPComms.h"
#include "model/MixerSettings.h"
#include "protocol/ChangesJob.h"
#include "protocol/DeviceCommands.h"
#include "protocol/TransferWorker.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

using namespace hzm;
using namespace hzm::test;

Q_DECLARE_METATYPE(QList<hzm::test::TcpPeer::Step>)

namespace {

// What a mixer answers to the input queries: a label and a gain per input, each reply beginning
// with the query's head.
QByteArray inputReply(const QByteArray &body) {
    if (body.size() < 5 || body.at(0) != 'L')
        return "<ok/>";
    const QByteArray n = body.mid(1, 1);
    if (body.endsWith(",LQ"))
        return "<l" + n + ",l=Room " + n + "/>";
    if (body.endsWith(",GQ"))
        return "<l" + n + ",g=-" + n + "/>"; // -1 dB for input 1, -2 dB for input 2, ...
    return "<!unknown/>";
}

// Whether a log line in colour begins with start (alternatives separated by "|").
bool logHas(const RecordingObserver &observer, const QString &start, LogColour colour) {
    for (const RecordingObserver::Line &line : observer.log())
        for (const QString &s : start.split(QLatin1Char('|')))
            if (line.text.startsWith(s) && line.colour == colour)
                return true;
    return false;
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    // A read against a slow or noisy mixer comes back right (with retries) or fails; it is
    // never shifted by replies that belong to earlier commands.
    void readsAreNeverShifted_data() {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<int>("strayAfterMs");
        QTest::addColumn<QString>("logged");
        // The late reply comes before the next attempt and answers the one that timed out.
        QTest::newRow("answers 1.2 s late (time-out 1 s)") << 1200 << QByteArray() << 0 << "No Response";
        QTest::newRow("stray bytes while the next command waits")
            << 0 << QByteArray("\r\n#noise#") << 30 << "Discarded|Skipped";
        QTest::newRow("a stray frame while the next command waits")
            << 0 << QByteArray("<z9.x1,q=e/>") << 30 << "Discarded|Skipped";
        QTest::newRow("a stray frame just before the reply")
            << 60 << QByteArray("<zz,q=1/>junk") << -40 << "Skipped";
        QTest::newRow("stray bytes right after the reply")
            << 0 << QByteArray("<zz,q=1/>junk") << 0 << "Skipped";
    }
    void readsAreNeverShifted() {
        QFETCH(int, delayMs);
        QFETCH(QByteArray, stray);
        QFETCH(int, strayAfterMs);
        QFETCH(QString, logged);
        TcpPeer peer;
        QVERIFY(peer.isListening());
        TcpPeer::Behaviour b;
        b.answer = inputReply;
        b.answerDelayMs = delayMs;
        b.stray = stray;
        b.strayAfterMs = strayAfterMs;
        b.lifeMs = 30000;
        peer.serve(b);
        TCPComms link(QHostAddress::LocalHost, peer.port());
        QVERIFY(link.Open());
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        RecordingObserver observer;
        for (int n = 1; n <= 2; ++n) {
            QVERIFY(ReadInput(s, n, link, &observer));
            QCOMPARE(s.inputs[size_t(n - 1)].name, QStringLiteral("Room %1").arg(n));
            QCOMPARE(s.inputs[size_t(n - 1)].gain, 12 + n); // the gain list runs +12 .. -12
        }
        link.Close();
        QVERIFY2(logHas(observer, logged, LogColour::Failure), qPrintable(observer.logTexts().join('\n')));
    }

    // An attempt is answered only by a whole frame: bytes that never end one, or a stream that
    // fills the reply buffer, are "No Response" (and retried), not a success.
    void aReplyIsAWholeFrame_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("stream");
        QTest::newRow("a frame that never ends") << QByteArray("<z1.mu,l20") << QByteArray();
        QTest::newRow("bytes without a frame") << QByteArray("ok") << QByteArray();
        QTest::newRow("a stream without end") << QByteArray() << QByteArray(4096, 'x');
    }
    void aReplyIsAWholeFrame() {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, stream);
        TcpPeer peer;
        TcpPeer::Behaviour b;
        b.answer = [reply](const QByteArray &) { return reply; };
        b.stream = stream;
        peer.serve(b);
        TCPComms link(QHostAddress::LocalHost, peer.port());
        link.setSleeper([](Pause, int) {}); // the reply time-out stays real
        QVERIFY(link.Open());
        RecordingObserver observer;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!CommandExchange(QStringLiteral("Z1.MU,L20"), Exchange, link, &observer));
        QVERIFY(timer.elapsed() < 8000);
        QCOMPARE(observer.sent().size(), kMaxAttempts);
        QCOMPARE(observer.finished(), QList<bool>{false});
        QCOMPARE(observer.logTexts().count(QStringLiteral("No Response")), kMaxAttempts);
        QVERIFY(logHas(observer, QStringLiteral("Incomplete reply: "), LogColour::Failure));
        link.Close();
        // The link took no more than its bounded buffer from the stream: the rest stayed in
        // the system's socket buffers, held back by flow control.
        if (!stream.isEmpty())
            QVERIFY2(peer.bytesSent() < 32 * 1024 * 1024, qPrintable(QString::number(peer.bytesSent())));
    }

    // What arrived before a command was sent answers nothing: it is thrown away (and logged),
    // so that a stale "<ok/>" never passes for the reply to the command that follows.
    void waitingBytesAreThrownAway() {
        TcpPeer peer;
        peer.start({{0, QByteArray("<ok/>")}}, 0);
        TCPComms link(QHostAddress::LocalHost, peer.port());
        link.setSleeper([](Pause, int) {}); // the reply time-out stays real
        QVERIFY(link.Open());
        QThread::msleep(100); // the stale reply has arrived
        RecordingObserver observer;
        QVERIFY(!CommandExchange(QStringLiteral("SY,R"), Exchange, link, &observer));
        QCOMPARE(observer.logTexts().value(0), QStringLiteral("Discarded before sending: <ok/>"));
        QCOMPARE(observer.logColours().value(0), LogColour::Failure);
        QCOMPARE(observer.logTexts().count(QStringLiteral("No Response")), kMaxAttempts);
        link.Close();
    }

    // The same on a serial line: bytes waiting before the command are thrown away, and bytes
    // without a frame end are no reply.
    void serialLineThrowsAwayWaitingBytes() {
        PtyPair pty;
        QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
        SerialComms link(pty.slavePath(), 9600);
        link.setSleeper([](Pause, int) {});
        QVERIFY(link.Open());
        pty.write("<ok/>");
        QThread::msleep(100);
        RecordingObserver observer;
        QVERIFY(!CommandExchange(QStringLiteral("SY,R"), Exchange, link, &observer));
        QCOMPARE(observer.logTexts().value(0), QStringLiteral("Discarded before sending: <ok/>"));
        QCOMPARE(observer.logTexts().count(QStringLiteral("No Response")), kMaxAttempts);
        link.Close();
    }

    // A peer that keeps sending frames of another head cannot hold a query's attempt open.
    void endlessForeignFramesEndTheAttempt() {
        TcpPeer peer;
        TcpPeer::Behaviour b;
        b.stream = QByteArray("<zz,q=1/>");
        peer.serve(b);
        TCPComms link(QHostAddress::LocalHost, peer.port());
        link.setSleeper([](Pause, int) {});
        QVERIFY(link.Open());
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        RecordingObserver observer;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!ReadInput(s, 1, link, &observer));
        QVERIFY(timer.elapsed() < 8000);
        QCOMPARE(observer.sent().size(), kMaxAttempts);
        QCOMPARE(observer.logTexts().count(QStringLiteral("No Response")), kMaxAttempts);
        link.Close();
    }

    // Write replies carry no head, so the exchange counts them: every attempt is owed one reply.
    // A reply after a time-out answers that attempt (not sent again), replies still owed after a
    // success are set aside, and one reply more than owed fails the job at that command.
    void writeRepliesAreCounted_data() {
        QTest::addColumn<QList<TcpPeer::Step>>("script"); // from the connection on, whatever is sent
        QTest::addColumn<QList<int>>("results");          // of "Z1.MU,L20" then "Z1.MU,L21"
        QTest::addColumn<int>("attempts");                // written in all
        QTest::addColumn<QString>("logged");              // a line in the failure colour
        QTest::addColumn<QString>("countLostAt");
        // The reply comes in the pause after the first attempt's time-out.
        QTest::newRow("late, before the next attempt")
            << QList<TcpPeer::Step>{{1300, "<ok/>"}} << QList<int>{1} << 1 << "No Response"
            << "";
        // The first attempt's reply answers the second attempt; the second's is set aside.
        QTest::newRow("late, during the next attempt")
            << QList<TcpPeer::Step>{{2000, "<ok/>"}, {300, "<ok/>"}} << QList<int>{1} << 2
            << "Late reply to an earlier attempt, set aside: <ok/>"
            << "";
        QTest::newRow("two replies to one attempt")
            << QList<TcpPeer::Step>{{50, "<ok/><ok/>"}} << QList<int>{0} << 1 << "Reply to no command"
            << "<Z1.MU,L20/>";
        QTest::newRow("a reply between two commands") << QList<TcpPeer::Step>{{50, "<ok/>"}, {150, "<ok/>"}}
                                                      << QList<int>{1, 0} << 1 << "Reply to no command"
                                                      << "<Z1.MU,L21/>";
    }
    void writeRepliesAreCounted() {
        QFETCH(QList<TcpPeer::Step>, script);
        QFETCH(QList<int>, results);
        QFETCH(int, attempts);
        QFETCH(QString, logged);
        QFETCH(QString, countLostAt);
        TcpPeer peer;
        peer.start(script, 0);
        TCPComms link(QHostAddress::LocalHost, peer.port()); // real pauses: the timing is the point
        QVERIFY(link.Open());
        RecordingObserver observer;
        QList<int> got;
        for (const char *body : {"Z1.MU,L20", "Z1.MU,L21"}) {
            got << CommandExchange(QString::fromLatin1(body), Exchange, link, &observer);
            if (got.size() == results.size())
                break;
            QThread::msleep(400);
        }
        QCOMPARE(got, results);
        QCOMPARE(observer.sent().size(), attempts);
        QVERIFY2(logHas(observer, logged, LogColour::Failure), qPrintable(observer.logTexts().join('\n')));
        QCOMPARE(link.exchangeRecord().countLostAt, countLostAt);
        link.Close();
    }

    // A mixer that answers every command after 1.1 s (just over the reply time-out) ends holding
    // what was sent, each command sent once: every late reply answers its own command.
    void aSlowMixerEndsHoldingTheRecord_data() {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }
    void aSlowMixerEndsHoldingTheRecord() {
        QFETCH(bool, serial);
        sim::SimOptions options;
        options.tcpPort = serial ? -1 : 0;
        options.pty = serial;
        sim::SimServer server(options);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        sim::FaultSettings faults;
        faults.replyDelayMs = 1100;
        server.mixer().setFaults(faults);
        const LinkSelection selection =
            serial ? LinkSelection(SerialEndpoint{server.ptyPath(), options.baudRate})
                   : LinkSelection(TcpEndpoint{QHostAddress::LocalHost, server.tcpPort()});

        MixerSettings target;
        target.zones[2].level = 20;
        target.zones[8].name = QStringLiteral("Foyer");
        target.zones[8].sourceInput = 8;
        target.groups[0].memberMask = 0x05;
        target.groups[0].enabled = 1;
        const TransferJob job = SendChangesJob(MixerSettings(), target, QStringLiteral("1.05"));
        const TransferResult result = TransferWorker::runBlocking(selection, target, job);
        QVERIFY(result.success);
        QCOMPARE(server.mixer().receivedBodies().size(), job.plannedCommands);
        QVERIFY(server.mixer().settings().sameConfiguration(target));
    }

    // A refusal is a refusal whatever the query: it is never skipped as another command's reply.
    void aRefusalEndsTheQueryAttempt() {
        TcpPeer peer;
        TcpPeer::Behaviour b;
        b.answer = [](const QByteArray &) { return QByteArray("<!busy/>"); };
        peer.serve(b);
        TCPComms link(QHostAddress::LocalHost, peer.port());
        link.setSleeper([](Pause, int) {}); // the reply time-out stays real
        QVERIFY(link.Open());
        RecordingObserver observer;
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        QVERIFY(!ReadInput(s, 1, link, &observer));
        QCOMPARE(observer.responses(), QStringList(kMaxAttempts, QStringLiteral("<!busy/>")));
        link.Close();
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
