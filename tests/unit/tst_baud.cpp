// Baud-rate detection and the port probe against a mixer played on the master side of a
// pseudo-terminal. The mixer reads the speed the program set on the line with tcgetattr.
#include "PtyPair.h"
#include "link/LinkSelection.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"

#include <QMap>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace hzm;

namespace {

// A mixer on a pseudo-terminal. For every "<SY,VQ/>" it reads, it looks at the line's speed and
// answers with the next reply scripted for that speed (the last one repeats; "" stays silent).
class PtyMixer {
public:
    explicit PtyMixer(QMap<int, QStringList> script) : m_script(std::move(script)) {
        if (m_pty.isValid())
            m_thread = std::thread([this] { run(); });
    }
    ~PtyMixer() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool isValid() const { return m_pty.isValid(); }
    QString slaveName() const { return m_pty.slavePath(); }
    QList<int> probedRates() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_probed;
    }

private:
    void run() {
        QByteArray pending;
        while (!m_stop) {
            pollfd pfd{m_pty.masterFd(), POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN)) {
                if (pfd.revents & (POLLHUP | POLLERR))
                    QThread::msleep(10);
                continue;
            }
            char buffer[256];
            const ssize_t n = ::read(m_pty.masterFd(), buffer, sizeof buffer);
            if (n <= 0) {
                QThread::msleep(10);
                continue;
            }
            pending.append(buffer, int(n));
            int at;
            while ((at = pending.indexOf("<SY,VQ/>")) >= 0) {
                pending.remove(0, at + 8);
                const int rate = m_pty.lineSettings().baud;
                QByteArray reply;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    const int seen = int(m_probed.count(rate));
                    m_probed.append(rate);
                    const QStringList replies = m_script.value(rate);
                    if (!replies.isEmpty())
                        reply = replies.value(std::min(seen, int(replies.size()) - 1)).toLatin1();
                }
                if (!reply.isEmpty() && !m_pty.write(reply))
                    qWarning("mixer: write failed");
            }
        }
    }

    QMap<int, QStringList> m_script;
    test::PtyPair m_pty; // keeps the slave side open, so the master never sees a hang-up between probes
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QList<int> m_probed;
};

// A serial link that gives up on a silent mixer after 200 ms instead of a second.
class QuickSerialComms : public SerialComms {
public:
    using SerialComms::SerialComms;
    int ReplyTimeout() const override { return 200; }
};

QString pauseLetters(const QList<Pause> &pauses) {
    QString text;
    for (Pause p : pauses)
        text += p == Pause::AfterWrite      ? QLatin1Char('W')
                : p == Pause::BetweenProbes ? QLatin1Char('P')
                                            : QLatin1Char('?');
    return text;
}

const QString kGood = QStringLiteral("<sy,vq 1.05/>");
const QString kRefused = QStringLiteral("<!SY,VQ/>");

} // namespace

using Script = QMap<int, QStringList>;
Q_DECLARE_METATYPE(Script)

class TestBaud : public QObject {
    Q_OBJECT
private slots:
    void detection_data();
    void detection();
    void probeFindsMixerWithRealPauses();
    void absentOrBusyPort_data();
    void absentOrBusyPort();
    void detectionThreadReportsQueued();
    void applyResult_data();
    void applyResult();
};

void TestBaud::detection_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QList<int>>("probed");
    QTest::addColumn<QString>("pauses");

    const QList<int> all{19200, 9600, 4800, 2400, 1200, 300};
    QString silentSoFar;
    for (int i = 0; i < all.size(); ++i) {
        QTest::addRow("found at %d", all[i])
            << Script{{all[i], {kGood}}} << true << all[i] << all.mid(0, i + 1) << silentSoFar + "W";
        silentSoFar += "WP";
    }
    QTest::newRow("silent everywhere") << Script{} << false << 4800 << all << QString("WP").repeated(6);
    QTest::newRow("no blank after vq") << Script{{19200, {"<sy,vq1.05/>"}}, {9600, {kGood}}} << true << 9600
                                       << QList<int>{19200, 9600} << "WPW";
    QTest::newRow("comma after vq") << Script{{19200, {"<sy,vq,1.05/>"}}} << false << 4800 << all
                                    << QString("WP").repeated(6);
    QTest::newRow("upper case reply")
        << Script{{19200, {"<SY,VQ 1.05/>"}}} << false << 4800 << all << QString("WP").repeated(6);
    QTest::newRow("two refusals move on") << Script{{19200, {kRefused}}, {9600, {kGood}}} << true << 9600
                                          << QList<int>{19200, 19200, 9600} << "WPWPPW";
    QTest::newRow("answer after one refusal")
        << Script{{19200, {kRefused, kGood}}} << true << 19200 << QList<int>{19200, 19200} << "WPW";
    QTest::newRow("refused everywhere")
        << Script{{19200, {kRefused}}, {9600, {kRefused}}, {4800, {kRefused}},
                  {2400, {kRefused}},  {1200, {kRefused}}, {300, {kRefused}}}
        << false << 4800 << QList<int>{19200, 19200, 9600, 9600, 4800, 4800, 2400, 2400, 1200, 1200, 300, 300}
        << QString("WPWPP").repeated(6);
}

void TestBaud::detection() {
    QFETCH(Script, script);
    QFETCH(bool, found);
    QFETCH(int, rate);
    QFETCH(QList<int>, probed);
    QFETCH(QString, pauses);

    PtyMixer mixer(script);
    QVERIFY(mixer.isValid());
    QuickSerialComms link(mixer.slaveName(), 4800); // 4800 stands for the rate chosen earlier
    QList<Pause> slept;
    link.setSleeper([&](Pause p, int) { slept.append(p); });

    QCOMPARE(link.DetectBaudRate(), found ? 1 : 0);
    QCOMPARE(link.baudRate(), rate); // the remembered rate comes back when nothing answered
    QVERIFY(!link.isOpen());
    QCOMPARE(mixer.probedRates(), probed);
    QCOMPARE(pauseLetters(slept), pauses);
}

void TestBaud::probeFindsMixerWithRealPauses() {
    PtyMixer mixer(Script{{19200, {kGood}}});
    QVERIFY(mixer.isValid());
    QElapsedTimer timer;
    timer.start();
    const PortProbeResult result = probeSerialPort(mixer.slaveName());
    QCOMPARE(int(result.outcome), int(PortProbeOutcome::Found));
    QCOMPARE(result.baudRate, 19200);
    QVERIFY2(timer.elapsed() >= 20, "the write pause after the probe was skipped");
    QVERIFY(timer.elapsed() < 1000);

    // The port is free again afterwards.
    QVERIFY(checkSerialPortUsable(mixer.slaveName()));
}

void TestBaud::absentOrBusyPort_data() {
    QTest::addColumn<bool>("holdOpen");
    QTest::newRow("absent") << false;
    QTest::newRow("held open by another program") << true;
}

void TestBaud::absentOrBusyPort() {
    QFETCH(bool, holdOpen);
    PtyMixer mixer(Script{{19200, {kGood}}});
    QVERIFY(mixer.isValid());
    QString port = QStringLiteral("/dev/hzm-no-such-port");
    QSerialPort holder;
    if (holdOpen) {
        port = mixer.slaveName();
        holder.setPortName(port);
        QVERIFY(holder.open(QIODevice::ReadWrite));
    }
    QString error;
    QVERIFY(!checkSerialPortUsable(port, &error));
    QVERIFY(!error.isEmpty());
    const PortProbeResult result = probeSerialPort(port, [](Pause, int) {});
    QCOMPARE(int(result.outcome), int(PortProbeOutcome::Busy));
    QVERIFY(mixer.probedRates().isEmpty());
}

void TestBaud::detectionThreadReportsQueued() {
    PtyMixer mixer(Script{{9600, {kGood}}});
    QVERIFY(mixer.isValid());
    BaudRateDetection detection;
    Qt::HANDLE receivedOn = nullptr;
    PortProbeResult received;
    connect(&detection, &BaudRateDetection::finished, this, [&](const PortProbeResult &r) {
        receivedOn = QThread::currentThreadId();
        received = r;
    });
    QSignalSpy spy(&detection, &BaudRateDetection::finished);
    QVERIFY(detection.start(mixer.slaveName(), [](Pause, int) {}));
    QVERIFY(!detection.start(mixer.slaveName())); // one detection at a time
    QVERIFY(spy.wait(5000));
    QCOMPARE(receivedOn, QThread::currentThreadId());
    QCOMPARE(int(received.outcome), int(PortProbeOutcome::Found));
    QCOMPARE(received.baudRate, 9600);
    QVERIFY(!detection.isRunning());
}

void TestBaud::applyResult_data() {
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("ethernet");
    QTest::addColumn<int>("baud");
    QTest::newRow("busy keeps Ethernet") << int(PortProbeOutcome::Busy) << false << true << 9600;
    QTest::newRow("found") << int(PortProbeOutcome::Found) << true << false << 2400;
    QTest::newRow("not found") << int(PortProbeOutcome::NotFound) << true << false << 9600;
}

void TestBaud::applyResult() {
    QFETCH(int, outcome);
    QFETCH(bool, changed);
    QFETCH(bool, ethernet);
    QFETCH(int, baud);
    LinkSelection selection = TcpEndpoint();
    PortProbeResult result;
    result.outcome = PortProbeOutcome(outcome);
    result.baudRate = outcome == int(PortProbeOutcome::Found) ? 2400 : kFallbackBaudRate;
    QCOMPARE(applyProbeResult(result, SerialEndpoint{comPortName(10), 0, 10}, selection), changed);
    QCOMPARE(selection.tcp() != nullptr, ethernet);
    QCOMPARE(selection.serial() != nullptr, changed);
    if (changed)
        QCOMPARE(*selection.serial(), (SerialEndpoint{comPortName(10), baud, 10}));
}

QTEST_GUILESS_MAIN(TestBaud)
#include "tst_baud.moc"
