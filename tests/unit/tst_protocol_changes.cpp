// Sending only what changed: the commands for a table of edits, written out by hand, and the
// simulated mixer holding the target afterwards.

#include "RecordingObserver.h"
#include "ScriptedComms.h"
#include "SimServer.h"

#include "model/MixerSettings.h"
#include "protocol/ChangesJob.h"
#include "protocol/MixerJobs.h"
#include "protocol/TransferWorker.h"

#include <QtTest>

#include <functional>

using namespace hzm;
using namespace hzm::test;
using namespace hzm::sim;

using Edit = std::function<void(MixerSettings &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// The label commands of the factory defaults, in Send all's order.
const QStringList kDefaultLabels = {"Z1,L=Zone 1",  "Z2,L=Zone 2",  "Z3,L=Zone 3",  "Z4,L=Zone 4",
                                    "Z5,L=Zone 5",  "Z6,L=Zone 6",  "Z7,L=Zone 7",  "Z8,L=Zone 8",
                                    "G1,L=Group 1", "G2,L=Group 2", "G3,L=Group 3", "G4,L=Group 4",
                                    "L1,L=Input 1", "L2,L=Input 2", "L3,L=Input 3", "L4,L=Input 4",
                                    "L5,L=Input 5", "L6,L=Input 6", "L7,L=Input 7", "L8,L=Input 8"};

} // namespace

class TestProtocolChanges : public QObject {
    Q_OBJECT

private slots:
    // Baseline: the factory defaults with baselineEdit applied; target: the baseline with
    // targetEdit applied. pausesAfter: the number of commands sent when each 500 ms pause came.
    void changedCommands_data() {
        QTest::addColumn<Edit>("baselineEdit");
        QTest::addColumn<Edit>("targetEdit");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QList<int>>("pausesAfter");
        const Edit none = [](MixerSettings &) {};
        const QString newer = QStringLiteral("1.05");

        QTest::newRow("zone name of nine characters")
            << none << Edit([](MixerSettings &s) { s.zones[2].name = QStringLiteral("Reception"); }) << newer
            << QStringList{"Z3,L=Reception "} << QList<int>{1};
        QTest::newRow("level") << none << Edit([](MixerSettings &s) { s.zones[4].level = 20; }) << newer
                               << QStringList{"Z5.MU,L20"} << QList<int>{1};
        QTest::newRow("group member added")
            << Edit([](MixerSettings &s) { s.groups[0].memberMask = 0x05; })
            << Edit([](MixerSettings &s) { s.groups[0].memberMask = 0x45; }) << newer
            << QStringList{"G1,ZR12345678", "G1,ZA137"} << QList<int>{2};
        QTest::newRow("last group member removed")
            << Edit([](MixerSettings &s) { s.groups[1].memberMask = 0x02; })
            << Edit([](MixerSettings &s) { s.groups[1].memberMask = 0; }) << newer
            << QStringList{"G2,ZR12345678"} << QList<int>{1};
        QTest::newRow("priority input removed")
            << Edit([](MixerSettings &s) { s.zones[1].priorityInput = 5; })
            << Edit([](MixerSettings &s) { s.zones[1].priorityInput = 0; }) << newer
            << QStringList{"Z2.L1,TV", "Z2.L1,TO"} << QList<int>{2};
        QTest::newRow("priority input moved") << Edit([](MixerSettings &s) { s.zones[1].priorityInput = 5; })
                                              << Edit([](MixerSettings &s) { s.zones[1].priorityInput = 3; })
                                              << newer << QStringList{"Z2.L3,TV"} << QList<int>{1};
        QTest::newRow("input gain") << none << Edit([](MixerSettings &s) { s.inputs[6].gain = 15; }) << newer
                                    << QStringList{"L7,G-3"} << QList<int>{1};
        QTest::newRow("system setting") << none << Edit([](MixerSettings &s) { s.system.muteSource = 10; })
                                        << newer << QStringList{"SY.EM,SM2"} << QList<int>{};
        QTest::newRow("mic gate") << none << Edit([](MixerSettings &s) { s.system.micGateMask = 0x0B; })
                                  << newer << QStringList{"SY.M3,ND"} << QList<int>{};
        QTest::newRow("several at once") << none << Edit([](MixerSettings &s) {
            s.system.pagingPriorityAttenuation = 12;
            s.inputs[0].name = QStringLiteral("Bar");
            s.groups[3].enabled = 1;
            s.zones[7].micPriorityMask = 0x02;
            s.zoneEq[0].treble = 2;
            s.zones[0].maxLevel = 3;
        }) << newer << QStringList{"Z1.MU,MX3", "Z1.MU,T+10", "Z8.M2,TV", "G4,E", "L1,L=Bar", "PM,A12"}
                                         << QList<int>{2, 3, 4, 5};
        QTest::newRow("none") << none << none << newer << QStringList{} << QList<int>{};
        QTest::newRow("changes the commands do not carry") << none << Edit([](MixerSettings &s) {
            s.zones[2].stereo = 1; // only zones 1 and 2 have an output type
            s.selectedOutput = 5;
            s.softwareVersion = QStringLiteral("9.99");
        }) << newer << QStringList{} << QList<int>{};

        // Older mixers report neither labels nor mic gates to a read: those always go.
        QStringList older = kDefaultLabels;
        older.insert(5, QStringLiteral("Z5.MU,L20"));
        older << "PM,A12"
              << "SY.M1,NE"
              << "SY.M2,NE"
              << "SY.M3,NE"
              << "SY.M4,NE";
        QTest::newRow("1.04: labels and gates") << none << Edit([](MixerSettings &s) {
            s.zones[4].level = 20;
            s.system.pagingPriorityAttenuation = 12;
        }) << QStringLiteral("1.04") << older << QList<int>{1,  2,  3,  4,  6,  7,  8,  9,  10, 11,
                                                            12, 13, 14, 15, 16, 17, 18, 19, 20, 21};
        QStringList unknown = kDefaultLabels;
        unknown << "SY.M1,NE"
                << "SY.M2,NE"
                << "SY.M3,NE"
                << "SY.M4,NE";
        QList<int> everyOne;
        for (int n = 1; n <= 20; ++n)
            everyOne << n;
        QTest::newRow("no version, nothing changed") << none << none << QString() << unknown << everyOne;
    }
    // Once this program has sent an older mixer everything (Send all, Send Changes, Live), its
    // labels and gates are known: a live change of one level is one command, not twenty-five.
    void olderMixerKnownAfterOurSend() {
        MixerSettings held;
        held.softwareVersion = QStringLiteral("1.04");
        MixerSettings target = held;
        target.zones[4].level = 20;
        QCOMPARE(ChangedCommandBodies(held, target, held.softwareVersion, true), QStringList{"Z5.MU,L20"});
        QCOMPARE(SendChangesJob(MixerBaseline{held, true}, target).plannedCommands, 1);
        QCOMPARE(SendChangesJob(MixerBaseline{held, false}, target).plannedCommands, 25);
    }
    void changedCommands() {
        QFETCH(Edit, baselineEdit);
        QFETCH(Edit, targetEdit);
        QFETCH(QString, version);
        QFETCH(QStringList, expected);
        QFETCH(QList<int>, pausesAfter);

        MixerSettings baseline;
        baselineEdit(baseline);
        MixerSettings target = baseline;
        targetEdit(target);

        QCOMPARE(ChangedCommandBodies(baseline, target, version), expected);
        const TransferJob job = SendChangesJob(baseline, target, version);
        QCOMPARE(job.plannedCommands, expected.size());

        ScriptedComms link;
        QList<int> pauses;
        link.sleeper.setHook([&](Pause pause, int) {
            if (pause == Pause::BetweenCommands)
                pauses << int(link.bodies().size());
        });
        RecordingObserver observer;
        MixerSettings record;
        JobContext context{record, &observer, {}, {}};
        QCOMPARE(job.run(link, context), 1);
        QCOMPARE(link.bodies(), expected);
        QCOMPARE(pauses, pausesAfter);
        QCOMPARE(observer.logTexts().contains(NothingToSendText()), expected.isEmpty());
    }

    // After a read, the changes job leaves the mixer holding the target, with exactly the
    // planned number of commands; on an older mixer whose labels and gates the read could not
    // see, with its version asked by the job.
    void mixerHoldsTheTargetAfterTheJob_data() {
        QTest::addColumn<QString>("mixerVersion");
        QTest::addColumn<bool>("askVersion");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<int>("commands");
        // Z3 name, Z5 level, G1 members (two), L4 gain, mute level, one gate.
        QTest::newRow("1.05") << QStringLiteral("1.05") << false << true << 7;
        QTest::newRow("1.05, nothing changed") << QStringLiteral("1.05") << false << false << 0;
        // The version query, twenty labels, the level, the members, the gain, the mute level,
        // four gates.
        QTest::newRow("1.04, version asked") << QStringLiteral("1.04") << true << true << 30;
    }
    void mixerHoldsTheTargetAfterTheJob() {
        QFETCH(QString, mixerVersion);
        QFETCH(bool, askVersion);
        QFETCH(bool, edit);
        QFETCH(int, commands);

        SimOptions options;
        options.tcpPort = 0;
        SimServer server(options);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        server.mixer().setSoftwareVersion(mixerVersion);
        server.mixer().setSettings(SimMixer::demoSettings());
        const LinkSelection selection = TcpEndpoint{QHostAddress::LocalHost, server.tcpPort()};
        const Comms::Sleeper noPauses = [](Pause, int) {};

        MixerSettings baseline; // factory defaults: an older mixer leaves names and gates as they are
        TransferHooks hooks;
        hooks.sleeper = noPauses;
        QVERIFY(TransferWorker::runBlocking(selection, baseline, ReadAllJob(baseline), hooks).success);
        QCOMPARE(baseline.softwareVersion, mixerVersion);

        MixerSettings target = baseline;
        if (edit) {
            target.zones[2].name = QStringLiteral("Foyer");
            target.zones[4].level = 20;
            target.groups[0].memberMask ^= 0x40;
            target.inputs[3].gain = 3;
            target.system.muteLevel = 12;
            target.system.micGateMask ^= 0x08;
        }
        server.mixer().clearLog();
        const TransferJob job = askVersion ? AskVersionAndSendChangesJob(baseline, target)
                                           : SendChangesJob(baseline, target, baseline.softwareVersion);
        int planned = job.plannedCommands;
        RecordingObserver observer;
        MixerSettings record = target;
        record.softwareVersion.clear();
        hooks.observer = &observer;
        hooks.plannedChanged = [&](int p) { planned = p; };
        QVERIFY(TransferWorker::runBlocking(selection, record, job, hooks).success);
        QCOMPARE(server.mixer().receivedBodies().size(), commands);
        QCOMPARE(planned, commands);
        QVERIFY(server.mixer().settings().sameConfiguration(target));
        if (askVersion)
            QCOMPARE(record.softwareVersion, mixerVersion);
    }
};

QTEST_GUILESS_MAIN(TestProtocolChanges)
#include "tst_protocol_changes.moc"
