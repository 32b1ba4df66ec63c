// Transfer jobs on their worker thread against the simulated mixer, over TCP and the serial line.

#include "SimServer.h"
#include "TcpPeer.h"

#include "model/MixerSettings.h"
#include "protocol/ChangesJob.h"
#include "protocol/DeviceCommands.h"
#include "protocol/MixerBatch.h"
#include "protocol/MixerJobs.h"
#include "protocol/TransferJob.h"
#include "protocol/TransferWorker.h"

#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace hzm;
using namespace hzm::sim;

namespace {

// What a worker reported, collected on the test's thread through queued connections (as the
// progress dialog receives them).
struct Reports {
    bool ended = false;
    bool success = false;
    int refreshTabs = -1;
    QString linkError;
    QList<QPair<int, int>> progress;
    QStringList messages;
    QStringList commandsShown;
    int logLines = 0;
};

Reports runWorker(const LinkSelection &selection, MixerSettings &settings, const TransferJob &job) {
    Reports r;
    TransferWorker worker(selection, settings, job);
    worker.setSleeper([](Pause, int) {});
    QObject receiver;
    QEventLoop loop;
    QObject::connect(
        &worker, &TransferWorker::finished, &receiver,
        [&](const TransferResult &result) {
            r.ended = true;
            r.success = result.success;
            r.refreshTabs = result.refreshTabs;
            r.linkError = result.linkError;
            loop.quit();
        },
        Qt::QueuedConnection);
    QObject::connect(
        &worker, &TransferWorker::progress, &receiver,
        [&](int done, int planned) { r.progress << qMakePair(done, planned); }, Qt::QueuedConnection);
    QObject::connect(
        &worker, &TransferWorker::message, &receiver,
        [&](const QString &text, const QString &caption) { r.messages << text << caption; },
        Qt::QueuedConnection);
    QObject::connect(
        &worker, &TransferWorker::commandSent, &receiver,
        [&](const QString &framed) { r.commandsShown << framed; }, Qt::QueuedConnection);
    QObject::connect(
        &worker, &TransferWorker::logLine, &receiver, [&](const QString &, hzm::LogColour) { ++r.logLines; },
        Qt::QueuedConnection);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    worker.start();
    loop.exec();
    worker.wait();
    QCoreApplication::processEvents(); // reports queued before finished
    return r;
}

struct Mixer {
    explicit Mixer(bool serial) {
        SimOptions o;
        o.tcpPort = serial ? -1 : 0;
        o.pty = serial;
        server = std::make_unique<SimServer>(o);
        started = server->start();
        if (serial)
            selection = SerialEndpoint{server->ptyPath(), o.baudRate};
        else
            selection = TcpEndpoint{QHostAddress::LocalHost, server->tcpPort()};
    }
    SimMixer &mixer() { return server->mixer(); }
    std::unique_ptr<SimServer> server;
    bool started = false;
    LinkSelection selection;
};

QStringList fixtureBodies(const QString &name) {
    QFile file(QStringLiteral(HZM_FIXTURES_DIR "/protocol/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList bodies;
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        if (!line.isEmpty())
            bodies << QString::fromUtf8(line.mid(1, line.size() - 3));
    }
    return bodies;
}

} // namespace

class TestProtocolJobs : public QObject {
    Q_OBJECT

private slots:
    void links_data() {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }

    void sendAllThenReadAllGivesBackTheRecord_data() { links_data(); }
    void sendAllThenReadAllGivesBackTheRecord() {
        QFETCH(bool, serial);
        Mixer m(serial);
        QVERIFY2(m.started, qPrintable(m.server->errorString()));

        MixerSettings mine = SimMixer::demoSettings();
        const Reports sent = runWorker(m.selection, mine, SendAllJob(mine));
        QVERIFY(sent.ended && sent.success);
        QCOMPARE(sent.refreshTabs, 0);
        QVERIFY(m.mixer().settings().sameConfiguration(mine));
        const int commands = SendAllCommandCount(mine);
        QCOMPARE(m.mixer().receivedBodies().size(), commands); // each accepted at the first attempt
        QCOMPARE(sent.progress.last(), qMakePair(commands, commands));

        m.mixer().clearLog();
        MixerSettings readBack; // factory defaults
        const Reports read = runWorker(m.selection, readBack, ReadAllJob(readBack));
        QVERIFY(read.ended && read.success);
        QCOMPARE(read.refreshTabs, 1);
        QVERIFY(readBack.sameConfiguration(mine));
        QCOMPARE(readBack.softwareVersion, QStringLiteral("1.05"));
        QCOMPARE(read.progress.last(), qMakePair(239, 239));
        QCOMPARE(read.commandsShown.size(), 239);
        QCOMPARE(read.logLines, 2 * 239);
    }

    void readAllExchangesByVersion_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("exchanges");
        QTest::newRow("1.05") << "1.05" << 239;
        QTest::newRow("1.10") << "1.10" << 239;
        QTest::newRow("1.04") << "1.04" << 216;
        QTest::newRow("1.00") << "1.00" << 216;
    }
    void readAllExchangesByVersion() {
        QFETCH(QString, version);
        QFETCH(int, exchanges);
        Mixer m(false);
        QVERIFY(m.started);
        m.mixer().setSoftwareVersion(version);
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05"); // what the record held before: the mixer's wins
        const TransferJob job = ReadAllJob(s);
        QCOMPARE(job.plannedCommands, 239);
        const Reports r = runWorker(m.selection, s, job);
        QVERIFY(r.success);
        QCOMPARE(s.softwareVersion, version);
        QCOMPARE(m.mixer().receivedBodies().size(), exchanges);
        QCOMPARE(r.progress.last(), qMakePair(exchanges, exchanges));
    }

    void aRefusedThirdOutputStopsSendAll_data() { links_data(); }
    void aRefusedThirdOutputStopsSendAll() {
        QFETCH(bool, serial);
        Mixer m(serial);
        QVERIFY(m.started);
        m.mixer().refuseNext(QStringLiteral("Z3,L=*"), 4);
        MixerSettings s;
        const Reports r = runWorker(m.selection, s, SendAllJob(s));
        QVERIFY(r.ended && !r.success);
        QCOMPARE(r.refreshTabs, 0);
        QVERIFY(r.linkError.isEmpty());
        const QStringList expected = fixtureBodies(QStringLiteral("send_all_defaults.txt")).mid(0, 56) +
                                     QStringList(4, QStringLiteral("Z3,L=Zone 3"));
        QCOMPARE(m.mixer().receivedBodies(), expected);
    }

    void aReadFailingPartWayLeavesTheRecordPartlyUpdated() {
        Mixer m(false);
        QVERIFY(m.started);
        const MixerSettings demo = SimMixer::demoSettings();
        m.mixer().setSettings(demo);
        m.mixer().refuseNext(QStringLiteral("Z2.M3,Q"), 4);
        MixerSettings s;
        const MixerSettings before = s;
        const Reports r = runWorker(m.selection, s, ReadAllJob(s));
        QVERIFY(r.ended && !r.success);
        QCOMPARE(r.refreshTabs, 1); // the pages show what was read
        QCOMPARE(s.zones[0], demo.zones[0]);
        QCOMPARE(s.zoneEq[0], demo.zoneEq[0]);
        QCOMPARE(s.zones[1].name, demo.zones[1].name);
        QCOMPARE(s.zones[1].level, demo.zones[1].level);
        QCOMPARE(s.zones[1].sourceInput, demo.zones[1].sourceInput);
        QCOMPARE(s.zones[1].micInputMask, demo.zones[1].micInputMask & 0x3);
        QCOMPARE(s.zones[1].micPriorityMask, demo.zones[1].micPriorityMask & 0x3);
        QCOMPARE(s.zones[1].lineInputMask, before.zones[1].lineInputMask);
        QCOMPARE(s.zoneEq[1], before.zoneEq[1]);
        for (int i = 2; i < kOutputCount; ++i)
            QCOMPARE(s.zones[size_t(i)], before.zones[size_t(i)]);
        QVERIFY(s.inputs == before.inputs);
        QVERIFY(s.system == before.system);
    }

    void getVersionWithAWrongReplyFails() {
        hzm::test::TcpPeer peer;
        QVERIFY(peer.isListening());
        // Answered once the command is out (bytes waiting before it are thrown away).
        peer.start({{150, QByteArray("<SY,VQ v: 1.05/>")}}, 200);
        const LinkSelection selection = TcpEndpoint{QHostAddress::LocalHost, peer.port()};
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.03");
        const Reports r = runWorker(selection, s, GetVersionJob());
        peer.wait();
        QVERIFY(r.ended && !r.success);
        QCOMPARE(r.messages, (QStringList{"Cannot receive version.\nCheck connection", "Error"}));
        QCOMPARE(s.softwareVersion, QStringLiteral("1.03"));
        QCOMPARE(peer.received(), QByteArray("<SY,VQ/>"));
    }

    void getVersionDefaultsAndReset_data() { links_data(); }
    void getVersionDefaultsAndReset() {
        QFETCH(bool, serial);
        Mixer m(serial);
        QVERIFY(m.started);
        m.mixer().setSoftwareVersion(QStringLiteral("1.07"));
        MixerSettings s;
        s.zones[0].name = QStringLiteral("Kept");
        QVERIFY(runWorker(m.selection, s, GetVersionJob()).success);
        QCOMPARE(s.softwareVersion, QStringLiteral("1.07"));
        QVERIFY(runWorker(m.selection, s, SetDefaultsJob()).success);
        QVERIFY(runWorker(m.selection, s, ResetJob()).success);
        QCOMPARE(m.mixer().receivedBodies(), (QStringList{"SY,VQ", "SY,SD", "SY,R"}));
        QCOMPARE(s.zones[0].name, QStringLiteral("Kept"));
    }

    void theKeyChangeMasksTheKey() {
        Mixer m(false);
        QVERIFY(m.started);
        MixerSettings s;
        const Reports r =
            runWorker(m.selection, s, ChangeInstallerKeyJob(QStringLiteral("1234"), QStringLiteral("5678")));
        QVERIFY(r.success);
        QCOMPARE(m.mixer().installerKey(), QStringLiteral("5678"));
        QCOMPARE(r.commandsShown, QStringList{QStringLiteral("<SY,K********/>")});
        // A wrong old key is refused: four attempts, then failure.
        const Reports refused =
            runWorker(m.selection, s, ChangeInstallerKeyJob(QStringLiteral("1111"), QStringLiteral("2222")));
        QVERIFY(!refused.success);
        QCOMPARE(m.mixer().installerKey(), QStringLiteral("5678"));
    }

    void aLinkThatCannotOpenSendsNothing() {
        const LinkSelection selection = TcpEndpoint{QHostAddress::LocalHost, hzm::test::unusedLoopbackPort()};
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        const MixerSettings before = s;
        const Reports r = runWorker(selection, s, ReadAllJob(s));
        QVERIFY(r.ended && !r.success);
        QCOMPARE(r.refreshTabs, 0); // no link: the pages are not reloaded
        QVERIFY(!r.linkError.isEmpty());
        QVERIFY(r.commandsShown.isEmpty());
        QVERIFY(s == before);

        const LinkSelection gone = SerialEndpoint{QStringLiteral("/dev/hzm-no-such-port")};
        const Reports serial = runWorker(gone, s, GetVersionJob());
        QVERIFY(!serial.success && !serial.linkError.isEmpty());
        QCOMPARE(serial.refreshTabs, 0);
        QVERIFY(s == before);
    }

    void noPortSelectedFailsEveryCommand() {
        MixerSettings s;
        const Reports r = runWorker(LinkSelection(), s, ReadAllJob(s));
        QVERIFY(r.ended && !r.success);
        QCOMPARE(r.refreshTabs, 1);
        QCOMPARE(r.commandsShown, QStringList(4, QStringLiteral("<SY,VQ/>")));
    }

    // A selection is one port: choosing another replaces it, choosing back finds the mixer again.
    void theLastChosenPortIsTheLink() {
        Mixer m(false);
        QVERIFY(m.started);
        LinkSelection chosen = m.selection;
        chosen = SerialEndpoint{QStringLiteral("/dev/hzm-no-such-port")};
        MixerSettings s;
        QVERIFY(!runWorker(chosen, s, GetVersionJob()).success);
        chosen = *m.selection.tcp();
        QVERIFY(runWorker(chosen, s, GetVersionJob()).success);
        QCOMPARE(s.softwareVersion, QStringLiteral("1.05"));
    }

    // Several mixers at once: each hands back its own result and a silent one fails alone; a stop
    // ends the task under way after its current command, and begins no other.
    void aBatchRunsEachMixerOnItsOwnAndStops() {
        std::vector<std::unique_ptr<Mixer>> sims;
        QList<BatchMixer> mixers;
        for (int i = 0; i < 3; ++i) {
            sims.push_back(std::make_unique<Mixer>(false));
            QVERIFY(sims.back()->started);
            mixers << BatchMixer{QString::number(i), sims.back()->selection};
        }
        sims[1]->mixer().neverAnswer(QStringLiteral("Z3*"));
        const auto task = [](bool send) {
            return [send](MixerTaskContext &c) {
                MixerSettings s;
                const TransferResult r = c.transfer(c.mixer().link, s, send ? SendAllJob(s) : ReadAllJob(s));
                MixerResult result;
                result.outcome = r.success ? MixerOutcome::Succeeded : MixerOutcome::Failed;
                result.exitStatus = r.success ? 0 : 1;
                return result;
            };
        };
        {
            MixerBatch batch(mixers, task(false));
            batch.setSleeper([](Pause, int) {});
            QSignalSpy finished(&batch, &MixerBatch::mixerFinished);
            QSignalSpy ended(&batch, &MixerBatch::finished);
            batch.start();
            QVERIFY(ended.wait(60000));
            QCOMPARE(finished.size(), 3);
            const QList<MixerResult> results = batch.results();
            for (int i : {0, 2}) {
                QCOMPARE(results.at(i).outcome, MixerOutcome::Succeeded);
                QVERIFY(results.at(i).done > 200 && results.at(i).done == results.at(i).planned);
            }
            QCOMPARE(results.at(1).outcome, MixerOutcome::Failed);
            QVERIFY(results.at(1).done < results.at(1).planned);
        }

        // One at a time, stopped (from its worker thread) once the first has done three commands.
        sims[0]->mixer().clearLog();
        sims[2]->mixer().clearLog();
        MixerBatch batch({mixers.at(0), mixers.at(2)}, task(true));
        batch.setSleeper([](Pause, int) {});
        batch.setMaxConcurrent(1);
        QObject::connect(
            &batch, &MixerBatch::mixerProgress, &batch,
            [&batch](int, const QString &, int done, int) {
                if (done == 3)
                    batch.stop();
            },
            Qt::DirectConnection);
        QSignalSpy ended(&batch, &MixerBatch::finished);
        batch.start();
        QVERIFY(ended.wait(60000));
        const QList<MixerResult> results = batch.results();
        QCOMPARE(results.at(0).outcome, MixerOutcome::Stopped);
        QCOMPARE(results.at(0).done, 3);
        QCOMPARE(sims[0]->mixer().receivedBodies().size(), 3); // nothing after the stop
        QCOMPARE(results.at(1).outcome, MixerOutcome::Stopped);
        QVERIFY(sims[2]->mixer().receivedBodies().isEmpty());
    }

    // A send job checks what it is about to send: a value outside its range refuses the whole
    // job before the link opens; what it does not send is not its concern.
    void sendJobsCheckWhatTheySend_data() {
        QTest::addColumn<QString>("job");
        QTest::addColumn<bool>("refused");
        QTest::newRow("Send all") << "all" << true;
        QTest::newRow("all outputs") << "outputs" << true;
        QTest::newRow("zone 2") << "zone 2" << true;
        QTest::newRow("zone 1") << "zone 1" << false;
        QTest::newRow("all inputs") << "inputs" << false;
        QTest::newRow("system") << "system" << false;
        QTest::newRow("changes") << "changes" << true;
    }
    void sendJobsCheckWhatTheySend() {
        QFETCH(QString, job);
        QFETCH(bool, refused);
        Mixer m(false);
        QVERIFY(m.started);
        MixerSettings s;
        s.zones[1].minLevel = 200;
        const QHash<QString, TransferJob> jobs{
            {"all", SendAllJob(s)},
            {"outputs", SendAllOutputsJob(s)},
            {"zone 2", SendOutputJob(s, 1)},
            {"zone 1", SendOutputJob(s, 0)},
            {"inputs", SendAllInputsJob()},
            {"system", SendSystemJob()},
            {"changes", SendChangesJob(MixerSettings(), s, QStringLiteral("1.05"))},
        };
        TransferHooks hooks;
        hooks.sleeper = [](Pause, int) {};
        const TransferResult result = TransferWorker::runBlocking(m.selection, s, jobs.value(job), hooks);
        QCOMPARE(result.success, !refused);
        QCOMPARE(result.outOfRange.size(), refused ? 1 : 0);
        if (refused) {
            QCOMPARE(FieldProblemText(result.outOfRange.first()),
                     QStringLiteral("Zone 2 Minimum level: 200 is outside 0 to 62"));
            QVERIFY(!result.linkOpened);
            QCOMPARE(m.server->tcpConnectionCount(), 0);
        }
    }

    void runBlockingReportsLikeTheWorker() {
        Mixer m(false);
        QVERIFY(m.started);
        m.mixer().setSoftwareVersion(QStringLiteral("1.04"));
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        TransferHooks hooks;
        hooks.sleeper = [](Pause, int) {};
        QList<int> planned;
        hooks.progress = [&](int, int n) {
            if (planned.isEmpty() || planned.last() != n)
                planned << n;
        };
        const TransferResult result = TransferWorker::runBlocking(m.selection, s, ReadAllJob(s), hooks);
        QVERIFY(result.success);
        QVERIFY(result.linkOpened && result.linkError.isEmpty());
        QCOMPARE(planned.last(), 216);
        QCOMPARE(result.done, 216);
        QCOMPARE(result.planned, 216);

        const LinkSelection closed = TcpEndpoint{QHostAddress::LocalHost, hzm::test::unusedLoopbackPort()};
        const TransferResult failed = TransferWorker::runBlocking(closed, s, GetVersionJob());
        QVERIFY(!failed.success && !failed.linkOpened && !failed.linkError.isEmpty());
        QCOMPARE(failed.refreshTabs, 0);
    }
};

QTEST_GUILESS_MAIN(TestProtocolJobs)
#include "tst_protocol_jobs.moc"
