// "--version" of the three programs: the tool's own version from the build, never the mixer's.
#include <QProcess>
#include <QTest>

class TestVersionOption : public QObject {
    Q_OBJECT

private slots:
    void printsTheBuildVersion_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("hzmctl") << QStringLiteral("hzmctl");
        // The simulated mixer once took --version for its firmware and kept running.
        QTest::newRow("hzm-sim") << QStringLiteral("hzm-sim");
        QTest::newRow("hzm-utility") << QStringLiteral("hzm-utility");
    }
    void printsTheBuildVersion() {
        QFETCH(QString, program);
        // Asked on a terminal without a display: no window system is needed to answer.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(QStringLiteral(HZM_BUILD_DIR "/") + program, {QStringLiteral("--version")});
        QVERIFY(p.waitForStarted(5000));
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished();
            QFAIL("still running after --version");
        }
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                 program + QStringLiteral(" " HZM_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(TestVersionOption)
#include "tst_version_option.moc"
