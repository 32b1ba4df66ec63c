// Send all with the link's real pauses, timed at the simulated mixer.

#include "SimServer.h"

#include "model/MixerSettings.h"
#include "protocol/MixerJobs.h"
#include "protocol/TransferWorker.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace hzm;
using namespace hzm::sim;

class TestProtocolPacing : public QObject {
    Q_OBJECT

private slots:
    // Zone 1 and zone 2 go through, zone 3's name is refused four times: about four and a half
    // seconds of real pauses.
    void sendAllPausesBetweenOutputsAndAttempts() {
        SimOptions o;
        o.tcpPort = 0;
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        server.mixer().refuseNext(QStringLiteral("Z3,L=*"), 4);
        const LinkSelection selection = TcpEndpoint{QHostAddress::LocalHost, server.tcpPort()};

        MixerSettings s;
        QElapsedTimer timer;
        timer.start();
        const TransferResult result = TransferWorker::runBlocking(selection, s, SendAllJob(s));
        const qint64 elapsed = timer.elapsed();
        QVERIFY(!result.success && result.linkOpened);

        const QList<LogEntry> log = server.mixer().log();
        QCOMPARE(log.size(), 28 + 28 + 4);
        auto gap = [&](int i) { return log[i - 1].time.msecsTo(log[i].time); };
        // Within an output every good reply is followed by 25 ms.
        for (int i = 1; i < 28; ++i)
            QVERIFY2(gap(i) >= 24, qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(gap(i))));
        // After each output, half a second more.
        QVERIFY2(gap(28) >= 500, qPrintable(QString::number(gap(28))));
        QVERIFY2(gap(56) >= 500, qPrintable(QString::number(gap(56))));
        // Every refused attempt is followed by half a second before the next.
        for (int i = 57; i < 60; ++i)
            QVERIFY2(gap(i) >= 499, qPrintable(QString::number(gap(i))));
        // 2 x 500 between outputs, 56 x 25 after good replies, 4 x 500 after refusals.
        QVERIFY2(elapsed >= 1000 + 56 * 25 + 4 * 500 - 20, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 15000, qPrintable(QString::number(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestProtocolPacing)
#include "tst_protocol_pacing.moc"
