// The hzm-sim executable as a shell user runs it.
#include "files/SettingsFile.h"
#include "link/CommandExchange.h"
#include "link/TCPComms.h"
#include "model/MixerSettings.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace hzm;

namespace {

QString simPath() {
    return QStringLiteral(HZM_BUILD_DIR "/hzm-sim");
}

// Starts hzm-sim and waits for "ready"; the printed lines go to output.
bool startSim(QProcess &process, const QStringList &args, QString &output) {
    process.start(simPath(), args);
    if (!process.waitForStarted(5000))
        return false;
    while (!output.contains(QLatin1String("ready\n"))) {
        if (!process.waitForReadyRead(5000))
            return false;
        output += QString::fromUtf8(process.readAllStandardOutput());
    }
    return true;
}

quint16 tcpPortOf(const QString &output) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^tcp: 127\\.0\\.0\\.1:(\\d+)$"),
                                                         QRegularExpression::MultilineOption)
                                          .match(output);
    return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
}

QString ask(quint16 port, const QString &body) {
    TCPComms link(QHostAddress::LocalHost, port);
    link.setSleeper([](Pause, int) {});
    if (!link.Open())
        return QStringLiteral("no connection");
    QString reply;
    CommandExchange(body, Exchange, link, nullptr, &reply, 256);
    return reply;
}

void terminate(QProcess &process) {
#ifdef Q_OS_WIN
    QFAIL("SIGTERM is for POSIX systems; scripts/test-windows leaves out the tests that stop hzm-sim");
#else
    ::kill(pid_t(process.processId()), SIGTERM);
#endif
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

class TestSimCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void help() {
        QProcess p;
        p.start(simPath(), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 0);
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const char *option :
             {"--tcp", "--pty", "--baud", "--discovery", "--discovery-from", "--firmware", "--state",
              "--refuse", "--silent", "--fragment", "--delay", "--drop-after", "--log"})
            QVERIFY2(text.contains(QLatin1String(option)), option);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{"--frobnicate"};
        QTest::newRow("port text") << QStringList{"--tcp", "x"};
        QTest::newRow("port too big") << QStringList{"--tcp", "70000"};
        QTest::newRow("firmware length") << QStringList{"--tcp", "0", "--firmware", "1.5"};
        QTest::newRow("key with 9") << QStringList{"--tcp", "0", "--key", "1239"};
        QTest::newRow("refuse count 0") << QStringList{"--tcp", "0", "--refuse", "SY,VQ:0"};
        QTest::newRow("fragment") << QStringList{"--tcp", "0", "--fragment", "0:10"};
        QTest::newRow("baud") << QStringList{"--pty", "--baud", "1234"};
        QTest::newRow("missing state file") << QStringList{"--tcp", "0", "--state", "/nonexistent/x.hzc"};
        QTest::newRow("stray argument") << QStringList{"--tcp", "0", "extra"};
        // Long enough for the settings-file reader, but a command log, not a configuration.
        QFile log(m_dir.filePath(QStringLiteral("log.hzc")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        for (int i = 0; i < 40; ++i)
            log.write("12:00:00.000 tcp 127.0.0.1 <Z1.L14210,TV/>\n");
        log.close();
        QTest::newRow("state file not settings") << QStringList{"--tcp", "0", "--state", log.fileName()};
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QProcess p;
        p.start(simPath(), args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().startsWith("hzm-sim: "));
    }

    void endpointsAndLog() {
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("sim.log"));
        QProcess p;
        QString output;
        QVERIFY2(startSim(p,
                          {"--tcp", "0", "--pty", "--discovery", "--discovery-port", "0", "--discovery-from",
                           "127.0.0.2", "--firmware", "1.04", "--log", logPath},
                          output),
                 qPrintable(output + QString::fromUtf8(p.readAllStandardError())));
        const quint16 port = tcpPortOf(output);
        QVERIFY2(port != 0, qPrintable(output));
        QVERIFY2(output.contains(QRegularExpression(QStringLiteral("^pty: /dev/\\S+"),
                                                    QRegularExpression::MultilineOption)),
                 qPrintable(output));
        QVERIFY2(output.contains(QRegularExpression(QStringLiteral("^discovery: udp port \\d+"),
                                                    QRegularExpression::MultilineOption)),
                 qPrintable(output));
        QCOMPARE(ask(port, QStringLiteral("SY,VQ")), QStringLiteral("<sy,vq v: 1.04/>"));
        terminate(p);
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(
            text.contains(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} tcp .*<SY,VQ/>"),
                                             QRegularExpression::MultilineOption)),
            qPrintable(text));
    }

    void stateFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("demo.hzc"));
        MixerSettings settings;
        settings.inputs[2].name = QStringLiteral("Jukebox");
        settings.zones[4].level = 33;
        settings.system.pagingMicOffset = 9;
        ModifiedFlag modified;
        QVERIFY(SaveSettingsFile(path, settings, modified));
        QProcess p;
        QString output;
        QVERIFY2(startSim(p, {"--tcp", "0", "--state", path, "--quiet"}, output),
                 qPrintable(QString::fromUtf8(p.readAllStandardError())));
        const quint16 port = tcpPortOf(output);
        QCOMPARE(ask(port, QStringLiteral("L3,LQ")), QStringLiteral("<l3,l=Jukebox/>"));
        QCOMPARE(ask(port, QStringLiteral("Z5.MU,LQ")), QStringLiteral("<z5.mu,l=33/>"));
        QCOMPARE(ask(port, QStringLiteral("PM,ZQ")), QStringLiteral("<pm,zq offset = 9/>"));
        terminate(p);
    }

    void faultFlags() {
        QProcess p;
        QString output;
        QVERIFY2(startSim(p, {"--tcp", "0", "--quiet", "--refuse", "SY,VQ:2", "--silent", "Z1.*"}, output),
                 qPrintable(QString::fromUtf8(p.readAllStandardError())));
        const quint16 port = tcpPortOf(output);
        TCPComms link(QHostAddress::LocalHost, port);
        link.setSleeper([](Pause, int) {});
        QVERIFY(link.Open());
        char buffer[kReplyBufferSize];
        for (const char *expected : {"<!busy/>", "<!busy/>", "<sy,vq v: 1.05/>"}) {
            link.Write("<SY,VQ/>", 8);
            QCOMPARE(link.ReadReply(buffer), int(qstrlen(expected)));
            QCOMPARE(QByteArray(buffer), QByteArray(expected));
        }
        link.Write("<Z1.MU,LQ/>", 11);
        QCOMPARE(link.ReadReply(buffer), 0);
        link.Close();
        terminate(p);
    }
};

QTEST_GUILESS_MAIN(TestSimCli)
#include "tst_sim_cli.moc"
