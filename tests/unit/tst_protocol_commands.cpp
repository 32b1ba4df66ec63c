// The command sets: what goes on the wire for a record, and what a record becomes from replies.

#include "ScriptedComms.h"

#include "link/FileComms.h"
#include "model/MixerSettings.h"
#include "protocol/DeviceCommands.h"
#include "protocol/MixerJobs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace hzm;
using hzm::test::ScriptedComms;

using Change = std::function<void(MixerSettings &)>;
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(hzm::TransferJob)

namespace {

QByteArray fixture(const QString &name) {
    QFile file(QStringLiteral(HZM_FIXTURES_DIR "/protocol/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QStringList fixtureBodies(const QString &name) {
    QStringList bodies;
    for (const QByteArray &line : fixture(name).split('\n')) {
        if (line.isEmpty())
            continue;
        const QByteArray framed = line.endsWith('\r') ? line.chopped(1) : line;
        bodies << QString::fromUtf8(framed.mid(1, framed.size() - 3));
    }
    return bodies;
}

// Runs a write-only send into a real file and returns the file's bytes.
QByteArray writeOnlyFile(const std::function<int(Comms &)> &send, int *result = nullptr) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    FileComms link(path);
    hzm::test::RecordingSleeper pauses;
    pauses.install(link);
    if (!link.Open())
        return QByteArray("cannot open");
    const int r = send(link);
    if (result)
        *result = r;
    link.Close();
    if (!pauses.pauses().isEmpty())
        return QByteArray("paused");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("no file");
    return file.readAll();
}

// The bodies one send produces, in write-only mode.
QStringList sentBodies(const MixerSettings &s, const QString &what, int index) {
    ScriptedComms link;
    if (what == QLatin1String("output"))
        SendOutput(s, index, WriteOnly, link, nullptr);
    else if (what == QLatin1String("input"))
        SendInput(s, index, WriteOnly, link, nullptr);
    else
        SendSystemSettings(s, WriteOnly, link, nullptr);
    return link.bodies();
}

// Collects what an observer is told.
class Collector : public ExchangeObserver {
public:
    void commandSent(const QString &framed) override { shown << framed; }
    void responseReceived(const QString &reply) override { shown << reply; }
    void logLine(const QString &text, LogColour) override { shown << text; }
    void commandFinished(bool accepted) override { finished << accepted; }
    QStringList shown;
    QList<bool> finished;
};

} // namespace

class TestProtocolCommands : public QObject {
    Q_OBJECT

private slots:
    // ---- Sending: the documented command streams of the factory defaults

    void writeOnlyStreamsMatchTheDocumentedExamples_data() {
        QTest::addColumn<QString>("fixtureName");
        QTest::addColumn<int>("expectedCommands");
        QTest::newRow("zone 1") << "zone1_defaults.txt" << 28;
        QTest::newRow("group 1") << "group1_defaults.txt" << 23;
        QTest::newRow("eight inputs") << "inputs_defaults.txt" << 16;
        QTest::newRow("system") << "system_defaults.txt" << 19;
        QTest::newRow("send all") << "send_all_defaults.txt" << 345;
    }
    void writeOnlyStreamsMatchTheDocumentedExamples() {
        QFETCH(QString, fixtureName);
        QFETCH(int, expectedCommands);
        const MixerSettings defaults;
        int result = 0;
        const QByteArray bytes = writeOnlyFile(
            [&](Comms &link) {
                if (fixtureName.startsWith(QLatin1String("zone1")))
                    return SendOutput(defaults, 0, WriteOnly, link, nullptr);
                if (fixtureName.startsWith(QLatin1String("group1")))
                    return SendOutput(defaults, 8, WriteOnly, link, nullptr);
                if (fixtureName.startsWith(QLatin1String("system")))
                    return SendSystemSettings(defaults, WriteOnly, link, nullptr);
                if (fixtureName.startsWith(QLatin1String("inputs"))) {
                    for (int i = 0; i < kInputCount; ++i)
                        if (!SendInput(defaults, i, WriteOnly, link, nullptr))
                            return false;
                    return true;
                }
                return SendAllCommands(defaults, WriteOnly, link, nullptr);
            },
            &result);
        QCOMPARE(result, 1);
        const QByteArray expected = fixture(fixtureName);
        QCOMPARE(expected.count('\n'), expectedCommands);
        QCOMPARE(bytes, expected); // also proves write-only mode never pauses
    }

    void sendAllInExchangeModePausesAfterEachOutputAndInput() {
        const MixerSettings defaults;
        ScriptedComms link;
        Collector observer;
        QVERIFY(SendAllCommands(defaults, Exchange, link, &observer));
        QCOMPARE(link.bodies(), fixtureBodies(QStringLiteral("send_all_defaults.txt")));
        QCOMPARE(SendAllCommandCount(defaults), 345);
        QCOMPARE(observer.finished.size(), 345);
        QCOMPARE(link.sleeper.count(Pause::BetweenCommands), 20);
        // The last pause follows the last input: nothing pauses after the system commands.
        const auto pauses = link.sleeper.pauses();
        int lastBetween = -1;
        for (int i = 0; i < pauses.size(); ++i)
            if (pauses[i].pause == Pause::BetweenCommands)
                lastBetween = i;
        QCOMPARE(pauses.size() - lastBetween - 1, 19); // one pause after each good system reply
    }

    void sendAllStopsAtTheFirstRefusal() {
        const MixerSettings defaults;
        ScriptedComms link;
        link.refuse(QStringLiteral("Z3,L=Zone 3"));
        QVERIFY(!SendAllCommands(defaults, Exchange, link, nullptr));
        const QStringList expected = fixtureBodies(QStringLiteral("send_all_defaults.txt")).mid(0, 56);
        QCOMPARE(link.bodies().mid(0, 56), expected);
        QCOMPARE(link.bodies().mid(56), QStringList(4, QStringLiteral("Z3,L=Zone 3")));
    }

    // ---- Sending: the rules for unusual values

    void sendRules_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("index");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        auto name = [](int i, QString n) { return Change([=](MixerSettings &s) { s.zones[i].name = n; }); };
        QTest::newRow("nine-character name gains a space")
            << "output" << 2 << name(2, QStringLiteral("Reception")) << QStringList{"Z3,L=Reception "}
            << QStringList{"Z3,L=Reception"};
        QTest::newRow("eight characters unchanged")
            << "output" << 2 << name(2, QStringLiteral("Receptio")) << QStringList{"Z3,L=Receptio"}
            << QStringList{"Z3,L=Receptio "};
        QTest::newRow("ten characters unchanged")
            << "output" << 2 << name(2, QStringLiteral("Receptions")) << QStringList{"Z3,L=Receptions"}
            << QStringList{"Z3,L=Receptions "};
        QTest::newRow("empty name") << "output" << 0 << name(0, QString()) << QStringList{"Z1,L="}
                                    << QStringList{};
        QTest::newRow("priority input 5")
            << "output" << 0 << Change([](MixerSettings &s) { s.zones[0].priorityInput = 5; })
            << QStringList{"Z1.L5,TV"} << QStringList{"Z1.L1,TV", "Z1.L1,TO"};
        QTest::newRow("source off sends 0")
            << "output" << 8 << Change([](MixerSettings &s) { s.zones[8].sourceInput = 8; })
            << QStringList{"G1.MU,S0"} << QStringList{};
        QTest::newRow("source -1 sends 0")
            << "output" << 8 << Change([](MixerSettings &s) { s.zones[8].sourceInput = -1; })
            << QStringList{"G1.MU,S0"} << QStringList{};
        QTest::newRow("members and enable") << "output" << 8 << Change([](MixerSettings &s) {
            s.groups[0] = {0x15, 1};
        }) << QStringList{"G1,ZR12345678", "G1,ZA135", "G1,E"}
                                            << QStringList{"G1,D"};
        QTest::newRow("all members") << "output" << 11
                                     << Change([](MixerSettings &s) { s.groups[3].memberMask = 255; })
                                     << QStringList{"G4,ZA12345678", "G4,D"} << QStringList{};
        QTest::newRow("page priority outside the list")
            << "output" << 0 << Change([](MixerSettings &s) { s.zones[0].pagePriority = 3; })
            << QStringList{"Z1.PM,T"} << QStringList{"Z1.PM,TO"};
        QTest::newRow("zone 2 mono") << "output" << 1
                                     << Change([](MixerSettings &s) { s.zones[1].stereo = 0; })
                                     << QStringList{"SY.Z2,M"} << QStringList{"SY.Z2,S"};
        QTest::newRow("zone 3 has no output type")
            << "output" << 2 << Change([](MixerSettings &s) { s.zones[2].stereo = 1; }) << QStringList{}
            << QStringList{"SY.Z3,S", "SY.Z3,M"};
        QTest::newRow("EQ outside the list sends no value") << "output" << 0 << Change([](MixerSettings &s) {
            s.zoneEq[0] = {-1, 15, 0};
        }) << QStringList{"Z1.MU,T", "Z1.MU,M", "Z1.MU,B+14"}
                                                            << QStringList{};
        QTest::newRow("level -1 as a number")
            << "output" << 0 << Change([](MixerSettings &s) { s.zones[0].level = -1; })
            << QStringList{"Z1.MU,L-1"} << QStringList{};
        QTest::newRow("input with gain +12") << "input" << 1 << Change([](MixerSettings &s) {
            s.inputs[1] = {QStringLiteral("Lobby"), 0};
        }) << QStringList{"L2,L=Lobby", "L2,G+12"}
                                             << QStringList{};
        QTest::newRow("input nine characters") << "input" << 3 << Change([](MixerSettings &s) {
            s.inputs[3].name = QStringLiteral("Reception");
        }) << QStringList{"L4,L=Reception "} << QStringList{};
        QTest::newRow("input gain outside the list sends no value")
            << "input" << 0 << Change([](MixerSettings &s) { s.inputs[0].gain = 25; }) << QStringList{"L1,G"}
            << QStringList{};
        QTest::newRow("mute source line 8")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.muteSource = 8; })
            << QStringList{"SY.EM,SL8"} << QStringList{};
        QTest::newRow("mute source mic 1")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.muteSource = 9; })
            << QStringList{"SY.EM,SM1"} << QStringList{};
        QTest::newRow("mute source mic 4")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.muteSource = 12; })
            << QStringList{"SY.EM,SM4"} << QStringList{};
        QTest::newRow("mute source 13")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.muteSource = 13; })
            << QStringList{"SY.EM,S"} << QStringList{};
        QTest::newRow("mute source -1")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.muteSource = -1; })
            << QStringList{"SY.EM,S"} << QStringList{};
        QTest::newRow("power-up 3") << "system" << 0
                                    << Change([](MixerSettings &s) { s.system.powerUpMode = 3; })
                                    << QStringList{"SY,"} << QStringList{"SY,IP"};
        QTest::newRow("values left at -1") << "system" << 0 << Change([](MixerSettings &s) {
            s.system.pagingMicOffset = -1;
            s.system.pagingPriorityHold = -1;
            s.system.remoteZoneOffset = 16;
        }) << QStringList{"PM,Z-1", "PM,H0", "RM,Z"}
                                           << QStringList{};
        QTest::newRow("remote offset index 3")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.remoteZoneOffset = 3; })
            << QStringList{"RM,Z24"} << QStringList{};
        QTest::newRow("gates beyond bit 3 ignored")
            << "system" << 0 << Change([](MixerSettings &s) { s.system.micGateMask = 0xF2; })
            << QStringList{"SY.M1,ND", "SY.M2,NE", "SY.M3,ND", "SY.M4,ND"} << QStringList{};
    }
    void sendRules() {
        QFETCH(QString, what);
        QFETCH(int, index);
        QFETCH(Change, change);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        MixerSettings s;
        change(s);
        const QStringList bodies = sentBodies(s, what, index);
        for (const QString &body : present)
            QVERIFY2(bodies.contains(body),
                     qPrintable(body + QLatin1String(" missing in ") + bodies.join('|')));
        for (const QString &body : absent)
            QVERIFY2(!bodies.contains(body), qPrintable(body + QLatin1String(" sent")));
        if (what == QLatin1String("output"))
            QCOMPARE(bodies.size(), SendOutputCommandCount(s, index));
        if (what == QLatin1String("system"))
            QCOMPARE(bodies.size(), 19);
    }

    void groupsAndZonesKeepToTheirOwnCommands() {
        const MixerSettings s;
        for (const QString &body : sentBodies(s, QStringLiteral("output"), 9)) {
            QVERIFY(!body.contains(QLatin1String(".MU,MX")) && !body.contains(QLatin1String(".MU,T")));
            QVERIFY(!body.contains(QLatin1String(".PM,")) && !body.startsWith(QLatin1String("SY.")));
        }
        for (const QString &body : sentBodies(s, QStringLiteral("output"), 4))
            QVERIFY(!body.contains(QLatin1String(",Z")) && body != QLatin1String("Z5,E") &&
                    body != QLatin1String("Z5,D"));
    }

    void aFailedNameStopsTheOutput() {
        const MixerSettings s;
        ScriptedComms link;
        link.setFallback("<!no/>");
        QVERIFY(!SendOutput(s, 0, Exchange, link, nullptr));
        QCOMPARE(link.bodies(), QStringList(4, QStringLiteral("Z1,L=Zone 1")));
        ScriptedComms link2;
        link2.setFallback("<!no/>");
        QVERIFY(!SendInput(s, 0, Exchange, link2, nullptr));
        QCOMPARE(link2.bodies(), QStringList(4, QStringLiteral("L1,L=Input 1")));
    }

    // ---- Reading outputs

    void readOutputParses_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("expected");

        QTest::newRow("level mute") << 1 << "Z1.MU,LQ" << QByteArray("<z1.mu,l:mute/>") << "level" << 62;
        QTest::newRow("level 0") << 1 << "Z1.MU,LQ" << QByteArray("<z1.mu,l:0/>") << "level" << 0;
        QTest::newRow("level 25") << 1 << "Z1.MU,LQ" << QByteArray("<z1.mu,l:25/>") << "level" << 25;
        // -1: a value that cannot be read makes a bad reply; the read fails and stores nothing.
        QTest::newRow("level MUTE") << 1 << "Z1.MU,LQ" << QByteArray("<z1.mu,l:MUTE/>") << "level" << -1;
        QTest::newRow("level short reply") << 9 << "G1.MU,LQ" << QByteArray("<g1.mu,l/>") << "level" << -1;
        QTest::newRow("select 0 is off") << 2 << "Z2.MU,SQ" << QByteArray("<z2.mu,s:0/>") << "source" << 8;
        QTest::newRow("select 3") << 2 << "Z2.MU,SQ" << QByteArray("<z2.mu,s:3/>") << "source" << 2;
        QTest::newRow("select off") << 10 << "G2.MU,SQ" << QByteArray("<g2.mu,s:off/>") << "source" << 8;
        QTest::newRow("mic enabled, priority off")
            << 1 << "Z1.M2,Q" << QByteArray("<z1.m2,q=e, pri = off/>") << "micInput" << 0x2;
        QTest::newRow("mic priority on")
            << 1 << "Z1.M2,Q" << QByteArray("<z1.m2,q=d, pri = on/>") << "micPriority" << 0x2;
        QTest::newRow("mic E in capitals")
            << 1 << "Z1.M1,Q" << QByteArray("<z1.m1,q=E, pri = on/>") << "micInput" << 0;
        QTest::newRow("line 3 enabled")
            << 1 << "Z1.L3,Q" << QByteArray("<z1.l3,q=e, pri = off/>") << "lineInput" << 0x4;
        QTest::newRow("stereo") << 2 << "SY.Z2,Q" << QByteArray("<sy.z2,q:s/>") << "stereo" << 1;
        QTest::newRow("mono") << 1 << "SY.Z1,Q" << QByteArray("<sy.z1,q:m/>") << "stereo" << 0;
        QTest::newRow("stereo in capitals") << 1 << "SY.Z1,Q" << QByteArray("<sy.z1,q:S/>") << "stereo" << 0;
        QTest::newRow("treble +2") << 1 << "Z1.MU,EQ" << QByteArray("<z1.mu,eq t = +2, m = 0, b = -4/>")
                                   << "treble" << 6;
        QTest::newRow("mid 0") << 1 << "Z1.MU,EQ" << QByteArray("<z1.mu,eq t = +2, m = 0, b = -4/>") << "mid"
                               << 7;
        QTest::newRow("bass -4") << 1 << "Z1.MU,EQ" << QByteArray("<z1.mu,eq t = +2, m = 0, b = -4/>")
                                 << "bass" << 9;
        QTest::newRow("treble +4") << 1 << "Z1.MU,EQ" << QByteArray("<z1.mu,eq t = +4, m = 0, b = -14/>")
                                   << "treble" << 5;
        QTest::newRow("bass -14") << 1 << "Z1.MU,EQ" << QByteArray("<z1.mu,eq t = +4, m = 0, b = -14/>")
                                  << "bass" << 14;
        QTest::newRow("treble without sign")
            << 1 << "Z1.MU,EQ" << QByteArray("<z1.mu,eq t = 4, m = 0, b = 0/>") << "treble" << -1;
        QTest::newRow("max 10") << 3 << "Z3.MU,MQ" << QByteArray("<z3.mu,m x=10, n=20/>") << "max" << 10;
        QTest::newRow("min 20") << 3 << "Z3.MU,MQ" << QByteArray("<z3.mu,m x=10, n=20/>") << "min" << 20;
        QTest::newRow("max mute") << 3 << "Z3.MU,MQ" << QByteArray("<z3.mu,m x=mute, n=mute/>") << "max"
                                  << -1;
        QTest::newRow("min mute") << 3 << "Z3.MU,MQ" << QByteArray("<z3.mu,m x=0, n=mute/>") << "min" << 62;
        QTest::newRow("max 0") << 3 << "Z3.MU,MQ" << QByteArray("<z3.mu,m x=0, n=0/>") << "max" << 0;
        QTest::newRow("page vox") << 4 << "Z4.PM,TQ" << QByteArray("<z4.pm,tq: vox/>") << "page" << 1;
        QTest::newRow("page ACCESS") << 4 << "Z4.PM,TQ" << QByteArray("<z4.pm,tq: ACCESS/>") << "page" << 2;
        QTest::newRow("page unknown") << 4 << "Z4.PM,TQ" << QByteArray("<z4.pm,tq: loud/>") << "page" << -1;
        QTest::newRow("group 135e members") << 9 << "G1,Q" << QByteArray("<g1,q=135e/>") << "members" << 0x15;
        QTest::newRow("group 135e enabled") << 9 << "G1,Q" << QByteArray("<g1,q=135e/>") << "enabled" << 1;
        QTest::newRow("group 135d enabled") << 9 << "G1,Q" << QByteArray("<g1,q=135d/>") << "enabled" << 0;
        QTest::newRow("group empty members") << 12 << "G4,Q" << QByteArray("<g4,q=empty/>") << "members" << 0;
        QTest::newRow("group empty enabled") << 12 << "G4,Q" << QByteArray("<g4,q=empty/>") << "enabled" << 0;
        QTest::newRow("group 9e members") << 10 << "G2,Q" << QByteArray("<g2,q=9e/>") << "members" << 0;
        QTest::newRow("group 9e enabled") << 10 << "G2,Q" << QByteArray("<g2,q=9e/>") << "enabled" << 1;
        QTest::newRow("group e enabled") << 10 << "G2,Q" << QByteArray("<g2,q=e/>") << "enabled" << 1;
    }
    void readOutputParses() {
        QFETCH(int, number);
        QFETCH(QString, query);
        QFETCH(QByteArray, reply);
        QFETCH(QString, field);
        QFETCH(int, expected);

        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        s.groups[number > 8 ? number - 9 : 0] = {0xFF, 1}; // must be replaced, not merged
        ScriptedComms link;
        MixerSettings quiet; // the other mics and lines answer "d", "off"
        for (ZoneSettings &z : quiet.zones)
            z.micInputMask = z.lineInputMask = 0;
        link.mixer().setSettings(quiet);
        link.answer(query, reply);
        const auto fieldsOf = [number](const MixerSettings &s) {
            const ZoneSettings &z = s.zones[size_t(number - 1)];
            const ZoneEq &eq = s.zoneEq[size_t(number <= 8 ? number - 1 : 0)];
            const GroupSettings &g = s.groups[size_t(number > 8 ? number - 9 : 0)];
            return QHash<QString, int>{
                {"level", z.level},
                {"source", z.sourceInput},
                {"micInput", z.micInputMask},
                {"micPriority", z.micPriorityMask},
                {"lineInput", z.lineInputMask},
                {"stereo", z.stereo},
                {"treble", eq.treble},
                {"mid", eq.mid},
                {"bass", eq.bass},
                {"max", z.maxLevel},
                {"min", z.minLevel},
                {"page", z.pagePriority},
                {"members", g.memberMask},
                {"enabled", g.enabled},
            };
        };
        const int before = fieldsOf(s).value(field);
        QCOMPARE(ReadOutput(s, number, link, nullptr), expected < 0 ? 0 : 1);
        QCOMPARE(link.bodies().count(query), expected < 0 ? kMaxAttempts : 1);
        QVERIFY(fieldsOf(s).contains(field));
        QCOMPARE(fieldsOf(s).value(field), expected < 0 ? before : expected);
    }

    void readOutputPriorityInputTakesTheHighestLine() {
        MixerSettings s;
        auto allLinesOn = [](ScriptedComms &link, int zone) {
            for (int n = 1; n <= 8; ++n)
                link.answer(QStringLiteral("Z%1.L%2,Q").arg(zone).arg(n),
                            QStringLiteral("<z%1.l%2,q=e, pri = off/>").arg(zone).arg(n).toUtf8());
        };
        ScriptedComms link;
        allLinesOn(link, 1);
        link.answer(QStringLiteral("Z1.L2,Q"), "<z1.l2,q=e, pri = on/>");
        link.answer(QStringLiteral("Z1.L6,Q"), "<z1.l6,q=e, pri = on/>");
        QVERIFY(ReadOutput(s, 1, link, nullptr));
        QCOMPARE(s.zones[0].priorityInput, 6);
        QCOMPARE(s.zones[0].lineInputMask, 255);

        ScriptedComms none;
        allLinesOn(none, 2);
        s.zones[1].priorityInput = 4;
        QVERIFY(ReadOutput(s, 2, none, nullptr));
        QCOMPARE(s.zones[1].priorityInput, 0);
    }

    void readOutputQueriesByVersion_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("queries");
        const QStringList zone1{"Z1.MU,LQ", "Z1.MU,SQ", "Z1.M1,Q", "Z1.M2,Q",  "Z1.M3,Q",  "Z1.M4,Q",
                                "Z1.L1,Q",  "Z1.L2,Q",  "Z1.L3,Q", "Z1.L4,Q",  "Z1.L5,Q",  "Z1.L6,Q",
                                "Z1.L7,Q",  "Z1.L8,Q",  "SY.Z1,Q", "Z1.MU,EQ", "Z1.MU,MQ", "Z1.PM,TQ"};
        QTest::newRow("zone 1, 1.05") << 1 << "1.05" << (QStringList{"Z1,LQ"} + zone1);
        QTest::newRow("zone 1, 1.04") << 1 << "1.04" << zone1;
        QTest::newRow("zone 1, no version") << 1 << "" << zone1;
        QStringList zone3 = zone1;
        zone3.removeAll(QStringLiteral("SY.Z1,Q"));
        zone3.replaceInStrings(QStringLiteral("Z1"), QStringLiteral("Z3"));
        QTest::newRow("zone 3, 2.00") << 3 << "2.00" << (QStringList{"Z3,LQ"} + zone3);
        const QStringList group2{"G2,LQ",   "G2.MU,LQ", "G2.MU,SQ", "G2.M1,Q", "G2.M2,Q", "G2.M3,Q",
                                 "G2.M4,Q", "G2.L1,Q",  "G2.L2,Q",  "G2.L3,Q", "G2.L4,Q", "G2.L5,Q",
                                 "G2.L6,Q", "G2.L7,Q",  "G2.L8,Q",  "G2,Q"};
        QTest::newRow("group 2, 1.05") << 10 << "1.05" << group2;
        QTest::newRow("group 2, 1.00") << 10 << "1.00" << group2.mid(1);
    }
    void readOutputQueriesByVersion() {
        QFETCH(int, number);
        QFETCH(QString, version);
        QFETCH(QStringList, queries);
        MixerSettings s;
        s.softwareVersion = version;
        ScriptedComms link;
        link.answer(QStringLiteral("Z1,LQ"), "<z1,l=Lobby/>");
        link.answer(QStringLiteral("Z3,LQ"), "<z3,l=Lobby/>");
        link.answer(QStringLiteral("G2,LQ"), "<g2,l=Lobby/>");
        const QString oldName = s.zones[size_t(number - 1)].name;
        QVERIFY(ReadOutput(s, number, link, nullptr));
        QCOMPARE(link.bodies(), queries);
        QCOMPARE(ReadOutputCommandCount(number, version), queries.size());
        const bool labels = queries.first().endsWith(QLatin1String(",LQ")) && queries.first().size() <= 5;
        QCOMPARE(s.zones[size_t(number - 1)].name, labels ? QStringLiteral("Lobby") : oldName);
    }

    void readOutputOutsideTheRangeSendsNothing() {
        MixerSettings s;
        ScriptedComms link;
        QVERIFY(!ReadOutput(s, 0, link, nullptr));
        QVERIFY(!ReadOutput(s, 13, link, nullptr));
        QVERIFY(!ReadInput(s, 0, link, nullptr));
        QVERIFY(!ReadInput(s, 9, link, nullptr));
        QVERIFY(link.bodies().isEmpty());
    }

    void aLongLabelIsCutToTheField() {
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.10");
        const QByteArray label(200, 'x');
        ScriptedComms link;
        link.answer(QStringLiteral("Z1,LQ"), "<z1,l=" + label + "/>");
        link.answer(QStringLiteral("L1,LQ"), "<l1,l=" + label + "/>");
        QVERIFY(ReadOutput(s, 1, link, nullptr));
        QVERIFY(ReadInput(s, 1, link, nullptr));
        QCOMPARE(s.zones[0].name, QString(kMaxNameLength, QLatin1Char('x')));
        QCOMPARE(s.inputs[0].name, QString(kMaxNameLength, QLatin1Char('x')));
    }

    void aFailedMicQueryLeavesTheOutputPartlyRead() {
        MixerSettings s;
        s.zones[0].level = 10;
        s.zones[0].micInputMask = 0xF;
        s.zones[0].micPriorityMask = 0xF;
        s.zones[0].lineInputMask = 0x0F;
        s.zones[0].pagePriority = 2;
        ScriptedComms link;
        link.answer(QStringLiteral("Z1.MU,LQ"), "<z1.mu,l:20/>");
        link.answer(QStringLiteral("Z1.M1,Q"), "<z1.m1,q=e, pri = on/>");
        link.answer(QStringLiteral("Z1.M2,Q"), "<z1.m2,q=d, pri = off/>");
        link.refuse(QStringLiteral("Z1.M3,Q"));
        QVERIFY(!ReadOutput(s, 1, link, nullptr));
        QCOMPARE(s.zones[0].level, 20);
        QCOMPARE(s.zones[0].micInputMask, 0x1);
        QCOMPARE(s.zones[0].micPriorityMask, 0x1);
        QCOMPARE(s.zones[0].lineInputMask, 0x0F);
        QCOMPARE(s.zones[0].pagePriority, 2);
        QCOMPARE(link.bodies().count(QStringLiteral("Z1.M3,Q")), 4);
        QVERIFY(!link.bodies().contains(QStringLiteral("Z1.M4,Q")));
    }

    void aFailedGroupQueryKeepsTheGroup() {
        MixerSettings s;
        s.groups[1] = {0x5, 1};
        ScriptedComms link;
        link.refuse(QStringLiteral("G2,Q"));
        QVERIFY(!ReadOutput(s, 10, link, nullptr));
        QCOMPARE(s.groups[1], (GroupSettings{0x5, 1}));
    }

    // ---- Reading inputs

    void readInputGain_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("expected");
        QTest::newRow("-3") << QByteArray("<l1,g=-3/>") << 15;
        QTest::newRow("+5") << QByteArray("<l1,g=+5/>") << 7;
        QTest::newRow("0") << QByteArray("<l1,g=0/>") << 12;
        // -1: no gain in the list, a bad reply; the read fails and the gain stays.
        QTest::newRow("3 without sign") << QByteArray("<l1,g=3/>") << -1;
        QTest::newRow("+13") << QByteArray("<l1,g=+13/>") << -1;
        QTest::newRow("empty") << QByteArray("<l1,g/>") << -1;
        QTest::newRow("NUL and bytes that are no UTF-8") << QByteArray("<l1,g=\0\xC3\x28/>", 12) << -1;
    }
    void readInputGain() {
        QFETCH(QByteArray, reply);
        QFETCH(int, expected);
        MixerSettings s;
        s.inputs[0].gain = 4;
        ScriptedComms link;
        link.answer(QStringLiteral("L1,GQ"), reply);
        QCOMPARE(ReadInput(s, 1, link, nullptr), expected < 0 ? 0 : 1);
        QCOMPARE(s.inputs[0].gain, expected < 0 ? 4 : expected);
    }

    void readInputLabelsByVersion_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("queries");
        QTest::addColumn<QString>("name");
        QTest::newRow("1.05") << "1.05" << QStringList{"L3,LQ", "L3,GQ"} << " lobby ";
        QTest::newRow("1.04") << "1.04" << QStringList{"L3,GQ"} << "Input 3";
        QTest::newRow("empty") << "" << QStringList{"L3,GQ"} << "Input 3";
    }
    void readInputLabelsByVersion() {
        QFETCH(QString, version);
        QFETCH(QStringList, queries);
        QFETCH(QString, name);
        MixerSettings s;
        s.softwareVersion = version;
        ScriptedComms link;
        link.answer(QStringLiteral("L3,LQ"), "<l3,l= lobby />");
        QVERIFY(ReadInput(s, 3, link, nullptr));
        QCOMPARE(link.bodies(), queries);
        QCOMPARE(ReadInputCommandCount(version), queries.size());
        QCOMPARE(s.inputs[2].name, name);
    }

    // ---- Reading the system settings

    void readSystemParses_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("expected");
        // Fields by their position in the settings file's system line.
        enum {
            Gates = 0,
            MicAtt,
            MicHold,
            MicRel,
            QpmOffset,
            Access,
            PageAtt,
            PageHold,
            PageRel,
            LineHold,
            LineRel,
            PowerUp,
            Remote,
            Contacts,
            MuteLevel,
            MuteSource
        };

        QTest::newRow("power-up factory") << "SY,IQ" << QByteArray("<sy,iq=f/>") << int(PowerUp) << 0;
        QTest::newRow("power-up default") << "SY,IQ" << QByteArray("<sy,iq=d, more/>") << int(PowerUp) << 1;
        QTest::newRow("power-up unknown") << "SY,IQ" << QByteArray("<sy,iq=x/>") << int(PowerUp) << 9;
        QTest::newRow("remote 14 is 104")
            << "RM,ZQ" << QByteArray("<rm,zq offset is 14/>") << int(Remote) << 13;
        QTest::newRow("remote 8") << "RM,ZQ" << QByteArray("<rm,zq offset is 8/>") << int(Remote) << 1;
        QTest::newRow("remote 7") << "RM,ZQ" << QByteArray("<rm,zq offset is 7/>") << int(Remote) << -1;
        QTest::newRow("qpm offset 15")
            << "PM,ZQ" << QByteArray("<pm,zq offset = 15/>") << int(QpmOffset) << 15;
        QTest::newRow("access out") << "PM,IQ" << QByteArray("<pm,iq acc = out/>") << int(Access) << 0;
        QTest::newRow("access in") << "PM,IQ" << QByteArray("<pm,iq acc = in/>") << int(Access) << 1;
        QTest::newRow("access other") << "PM,IQ" << QByteArray("<pm,iq acc = IN/>") << int(Access) << 9;
        const QByteArray paging("<pm,q att = 12, hold = 3, rel = 1/>");
        QTest::newRow("paging att 12") << "PM,Q" << paging << int(PageAtt) << 12;
        QTest::newRow("paging hold 3") << "PM,Q" << paging << int(PageHold) << 2;
        QTest::newRow("paging release 1") << "PM,Q" << paging << int(PageRel) << 0;
        QTest::newRow("paging att 0")
            << "PM,Q" << QByteArray("<pm,q att = 0, hold = 3, rel = 1/>") << int(PageAtt) << 0;
        QTest::newRow("paging att -12")
            << "PM,Q" << QByteArray("<pm,q att = -12, hold = 3, rel = 1/>") << int(PageAtt) << -1;
        QTest::newRow("paging hold 0")
            << "PM,Q" << QByteArray("<pm,q att = 0, hold = 0, rel = 13/>") << int(PageHold) << -1;
        QTest::newRow("paging release 13")
            << "PM,Q" << QByteArray("<pm,q att = 0, hold = 0, rel = 13/>") << int(PageRel) << -1;
        const QByteArray mic("<mi,q attn = 20dB, hold = 4s, rel = 12s/>");
        QTest::newRow("mic att") << "MI,Q" << mic << int(MicAtt) << 20;
        QTest::newRow("mic hold") << "MI,Q" << mic << int(MicHold) << 3;
        QTest::newRow("mic release") << "MI,Q" << mic << int(MicRel) << 11;
        const QByteArray line("<li,q hold = 5s, rel = 2s/>");
        QTest::newRow("line hold") << "LI,Q" << line << int(LineHold) << 4;
        QTest::newRow("line release") << "LI,Q" << line << int(LineRel) << 1;
        QTest::newRow("contacts nc") << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=off, l=20/>") << int(Contacts)
                                     << 0;
        QTest::newRow("contacts NO") << "SY.EM,Q" << QByteArray("<sy.em,q=NO, s=off, l=20/>") << int(Contacts)
                                     << 9;
        QTest::newRow("mute level 20")
            << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=off, l=20/>") << int(MuteLevel) << 20;
        QTest::newRow("mute level unreadable")
            << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=off, l=loud/>") << int(MuteLevel) << -1;
        QTest::newRow("mute level 70")
            << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=off, l=70/>") << int(MuteLevel) << -1;
        QTest::newRow("source off") << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=off, l=0/>") << int(MuteSource)
                                    << 0;
        QTest::newRow("source l8") << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=l8, l=0/>") << int(MuteSource)
                                   << 8;
        QTest::newRow("source m4") << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=m4, l=0/>") << int(MuteSource)
                                   << 12;
        QTest::newRow("source L8") << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=L8, l=0/>") << int(MuteSource)
                                   << 9;
        QTest::newRow("source l alone")
            << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=l, l=0/>") << int(MuteSource) << -1;
        QTest::newRow("source m alone")
            << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=m, l=0/>") << int(MuteSource) << -1;
        QTest::newRow("source m5") << "SY.EM,Q" << QByteArray("<sy.em,q=nc, s=m5, l=0/>") << int(MuteSource)
                                   << -1;
        QTest::newRow("gate 2 on") << "SY.M2,NQ" << QByteArray("<sy.m2,nq: on/>") << int(Gates) << 0x2;
        QTest::newRow("gate On") << "SY.M2,NQ" << QByteArray("<sy.m2,nq: On/>") << int(Gates) << 0;
    }
    void readSystemParses() {
        QFETCH(QString, query);
        QFETCH(QByteArray, reply);
        QFETCH(int, field);
        QFETCH(int, expected);
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        for (int i = 0; i < SystemSettings::kFieldCount; ++i)
            s.system.field(i) = 9; // a value no reply in this table leaves by accident
        ScriptedComms link;
        MixerSettings quiet; // the other gates answer "off"
        quiet.system.micGateMask = 0;
        link.mixer().setSettings(quiet);
        link.answer(query, reply);
        // -1: a value that cannot be read makes a bad reply; the read fails and stores nothing.
        QCOMPARE(ReadSystemSettings(s, link, nullptr), expected < 0 ? 0 : 1);
        QCOMPARE(link.bodies().count(query), expected < 0 ? kMaxAttempts : 1);
        QCOMPARE(s.system.field(field), expected < 0 ? 9 : expected);
    }

    void readSystemQueriesByVersion_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("queries");
        QTest::newRow("1.05") << "1.05" << QStringList{"SY,IQ",    "RM,ZQ",    "PM,ZQ",    "PM,IQ",
                                                       "PM,Q",     "MI,Q",     "LI,Q",     "SY.EM,Q",
                                                       "SY.M1,NQ", "SY.M2,NQ", "SY.M3,NQ", "SY.M4,NQ"};
        const QStringList older{"SY,IQ", "RM,ZQ", "PM,ZQ", "PM,IQ",  "PM,AQ",
                                "PM,A7", "MI,Q",  "LI,Q",  "SY.EM,Q"};
        QTest::newRow("1.04") << "1.04" << older;
        QTest::newRow("empty") << "" << older;
        QTest::newRow("not a number") << "abcd" << older;
        QStringList asked = older;
        asked.removeAll(QStringLiteral("PM,A7"));
        QTest::newRow("1.04, without writing back") << "1.04 read-only" << asked;
        QTest::newRow("1.05, without writing back")
            << "1.05 read-only"
            << QStringList{"SY,IQ", "RM,ZQ",   "PM,ZQ",    "PM,IQ",    "PM,Q",     "MI,Q",
                           "LI,Q",  "SY.EM,Q", "SY.M1,NQ", "SY.M2,NQ", "SY.M3,NQ", "SY.M4,NQ"};
    }
    void readSystemQueriesByVersion() {
        QFETCH(QString, version);
        QFETCH(QStringList, queries);
        const bool writeBack = !version.endsWith(QLatin1String(" read-only"));
        version = version.section(QLatin1Char(' '), 0, 0);
        MixerSettings s;
        s.softwareVersion = version;
        s.system.pagingPriorityAttenuation = 7;
        s.system.micGateMask = 5;
        ScriptedComms link;
        link.answer(QStringLiteral("PM,Q"), "<pm,q att = 12, hold = 3, rel = 1/>");
        link.answer(QStringLiteral("PM,AQ"), "<pm,aq att = 12, hold = 3, rel = 1/>");
        QVERIFY(ReadSystemSettings(s, link, nullptr, writeBack));
        QCOMPARE(link.bodies(), queries);
        QCOMPARE(ReadSystemCommandCount(version, writeBack), queries.size());
        const bool newer = queries.size() == 12;
        QCOMPARE(s.system.pagingPriorityAttenuation, newer ? 12 : 7);
        QCOMPARE(s.system.micGateMask, newer ? 15 : 5); // the mixer's four gates are on
        QCOMPARE(s.system.pagingPriorityHold, 2);
    }

    void aFailedMicQueryLeavesTheSystemPartlyRead() {
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        SystemSettings before;
        for (int i = 0; i < SystemSettings::kFieldCount; ++i)
            before.field(i) = 9;
        s.system = before;
        ScriptedComms link;
        link.answer(QStringLiteral("SY,IQ"), "<sy,iq=f/>");
        link.answer(QStringLiteral("PM,Q"), "<pm,q att = 12, hold = 3, rel = 1/>");
        link.refuse(QStringLiteral("MI,Q"));
        QVERIFY(!ReadSystemSettings(s, link, nullptr));
        QCOMPARE(s.system.powerUpMode, 0);
        QCOMPARE(s.system.pagingPriorityHold, 2);
        QCOMPARE(s.system.micPriorityAttenuation, 9);
        QCOMPARE(s.system.linePriorityHold, 9);
        QCOMPARE(s.system.muteSource, 9);
        QCOMPARE(s.system.micGateMask, 9);
        QVERIFY(!link.bodies().contains(QStringLiteral("LI,Q")));
    }

    void aFailedPagingWriteStopsTheOlderSet() {
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.04");
        s.system.pagingPriorityHold = 9;
        ScriptedComms link;
        link.answer(QStringLiteral("PM,AQ"), "<pm,aq att = 12, hold = 3, rel = 1/>");
        link.refuse(QStringLiteral("PM,A30"));
        QVERIFY(!ReadSystemSettings(s, link, nullptr));
        QCOMPARE(s.system.pagingPriorityHold, 9);
    }

    void aFailedGateQueryKeepsTheBitsFoundBefore() {
        MixerSettings s;
        s.softwareVersion = QStringLiteral("1.05");
        ScriptedComms link;
        link.answer(QStringLiteral("SY.M1,NQ"), "<sy.m1,nq: on/>");
        link.answer(QStringLiteral("SY.M2,NQ"), "<sy.m2,nq: on/>");
        link.refuse(QStringLiteral("SY.M3,NQ"));
        QVERIFY(!ReadSystemSettings(s, link, nullptr));
        QCOMPARE(s.system.micGateMask, 0x3);
    }

    // ---- Version, defaults, reset

    void getVersion_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("message");
        QTest::newRow("1.05") << QByteArray("<sy,vq v: 1.05/>") << 1 << "1.05" << false;
        QTest::newRow("short") << QByteArray("<sy,vq v: 1/>") << 1 << "1/>" << false;
        QTest::newRow("very short") << QByteArray("<sy,vq/>") << 1 << "" << false;
        QTest::newRow("capitals") << QByteArray("<SY,VQ v: 1.05/>") << 0 << "old!" << true;
        QTest::newRow("other reply") << QByteArray("<ok/>") << 0 << "old!" << true;
        QTest::newRow("refused") << QByteArray("<!busy/>") << 0 << "old!" << false;
    }
    void getVersion() {
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        QFETCH(QString, version);
        QFETCH(bool, message);
        MixerSettings s;
        s.softwareVersion = QStringLiteral("old!");
        ScriptedComms link;
        link.answer(QStringLiteral("SY,VQ"), reply);
        QStringList shown;
        QCOMPARE(GetVersion(s, link, nullptr,
                            [&](const QString &text, const QString &caption) { shown << text << caption; }),
                 result);
        QCOMPARE(s.softwareVersion, version);
        const QStringList expectedShown =
            message ? QStringList{"Cannot receive version.\nCheck connection", "Error"} : QStringList{};
        QCOMPARE(shown, expectedShown);
    }

    void mainWindowJobs_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("body");
        QTest::newRow("defaults") << "defaults"
                                  << "SY,SD";
        QTest::newRow("reset") << "reset"
                               << "SY,R";
    }
    void mainWindowJobs() {
        QFETCH(QString, which);
        QFETCH(QString, body);
        const TransferJob job = which == QLatin1String("reset") ? ResetJob() : SetDefaultsJob();
        QCOMPARE(job.refreshTabs, 0);
        QCOMPARE(job.plannedCommands, 1);
        MixerSettings s = SimFree();
        const MixerSettings before = s;
        ScriptedComms link;
        link.setFallback("<!no/>");
        JobContext context{s, nullptr, {}, {}};
        QCOMPARE(job.run(link, context), 0);
        QCOMPARE(link.bodies(), QStringList(4, body));
        QVERIFY(s == before);
    }

    // Only Read all makes the main window reload its pages (and mark the settings changed).
    void jobRefreshFlags_data() {
        QTest::addColumn<TransferJob>("job");
        QTest::addColumn<int>("refreshTabs");
        const MixerSettings s;
        QTest::newRow("get version") << GetVersionJob() << 0;
        QTest::newRow("send all") << SendAllJob(s) << 0;
        QTest::newRow("read all") << ReadAllJob(s) << 1;
        QTest::newRow("set defaults") << SetDefaultsJob() << 0;
        QTest::newRow("reset") << ResetJob() << 0;
        QTest::newRow("send input") << SendInputJob(s, 0) << 0;
        QTest::newRow("send all inputs") << SendAllInputsJob() << 0;
        QTest::newRow("send output") << SendOutputJob(s, 0) << 0;
        QTest::newRow("send all outputs") << SendAllOutputsJob(s) << 0;
        QTest::newRow("send system") << SendSystemJob() << 0;
        QTest::newRow("installer key")
            << ChangeInstallerKeyJob(QStringLiteral("1234"), QStringLiteral("5678")) << 0;
    }
    void jobRefreshFlags() {
        QFETCH(TransferJob, job);
        QFETCH(int, refreshTabs);
        QCOMPARE(job.refreshTabs, refreshTabs);
        QVERIFY(bool(job.run));
    }

    void jobCounts() {
        MixerSettings s;
        QCOMPARE(SendAllJob(s).plannedCommands, 345);
        QCOMPARE(ReadAllCommandCount(QStringLiteral("1.05")), 239);
        QCOMPARE(ReadAllCommandCount(QStringLiteral("1.04")), 216);
        QCOMPARE(ReadAllCommandCount(QString()), 216);
        QCOMPARE(ReadAllJob(s).refreshTabs, 1);
        QCOMPARE(SendAllOutputsJob(s).plannedCommands, 56 + 6 * 27 + 4 * 23);
        QCOMPARE(SendAllInputsJob().plannedCommands, 16);
        QCOMPARE(SendSystemJob().plannedCommands, 19);
        QCOMPARE(SendOutputJob(s, 9).plannedCommands, 23);
        s.zones[9].priorityInput = 3;
        s.groups[1].memberMask = 1;
        QCOMPARE(SendOutputJob(s, 9).plannedCommands, 23);
    }

    void tabJobsSendTheirIndex() {
        MixerSettings s;
        ScriptedComms link;
        JobContext context{s, nullptr, {}, {}};
        const TransferJob input = SendInputJob(s, 6);
        const TransferJob output = SendOutputJob(s, 10);
        s.selectedInput = 2; // the selection is no part of the job
        s.selectedOutput = 0;
        QCOMPARE(input.run(link, context), 1);
        QCOMPARE(output.run(link, context), 1);
        QCOMPARE(link.bodies().mid(0, 2), (QStringList{"L7,L=Input 7", "L7,G0"}));
        QCOMPARE(link.bodies().at(2), QStringLiteral("G3,L=Group 3"));
        QCOMPARE(link.bodies().size(), 2 + 23);
    }

    void sendAllInputsStopsAtTheFirstFailure() {
        MixerSettings s;
        ScriptedComms link;
        link.setFallback("<!no/>");
        JobContext context{s, nullptr, {}, {}};
        QCOMPARE(SendAllInputsJob().run(link, context), 0);
        QCOMPARE(link.bodies(), QStringList(4, QStringLiteral("L1,L=Input 1")));
        ScriptedComms outputs;
        outputs.setFallback("<!no/>");
        QCOMPARE(SendAllOutputsJob(s).run(outputs, context), 0);
        QCOMPARE(outputs.bodies(), QStringList(4, QStringLiteral("Z1,L=Zone 1")));
        QCOMPARE(outputs.sleeper.count(Pause::BetweenCommands), 4); // the exchange's own, no more
    }

    // ---- Installer key

    void keyCheck_data() {
        QTest::addColumn<QString>("oldKey");
        QTest::addColumn<QString>("newKey");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QString>("faulty"); // o, n, r for the red boxes
        QTest::addColumn<QString>("message");
        const QString oldMessage = QStringLiteral("Old Key invalid!\n Key must have four characters.\n"
                                                  "Only '1' to '8' allowed");
        const QString newMessage = QStringLiteral("New Key invalid!\n Key must have four characters.\n"
                                                  "Only '1' to '8' allowed");
        const QString mismatch = QStringLiteral("New key and Repeat New \n Do not match.");
        QTest::newRow("all valid") << "1234"
                                   << "8765"
                                   << "8765"
                                   << ""
                                   << "";
        QTest::newRow("old key of three") << "123"
                                          << "5678"
                                          << "5678"
                                          << "o" << oldMessage;
        QTest::newRow("new key with 9") << "1234"
                                        << "5679"
                                        << "5679"
                                        << "n" << newMessage;
        QTest::newRow("old with 0, new with 9, repeat differs") << "1230"
                                                                << "5679"
                                                                << "5678"
                                                                << "onr" << oldMessage;
        QTest::newRow("old with 0, new with 9, repeat equal") << "1230"
                                                              << "5679"
                                                              << "5679"
                                                              << "on" << oldMessage;
        QTest::newRow("repeat differs in one") << "1234"
                                               << "5678"
                                               << "5677"
                                               << "nr" << mismatch;
        QTest::newRow("invalid new, repeat differs") << "1234"
                                                     << "567"
                                                     << "5678"
                                                     << "nr" << newMessage;
        QTest::newRow("leading blank") << " 123"
                                       << "5678"
                                       << "5678"
                                       << "o" << oldMessage;
        QTest::newRow("trailing blank") << "1234"
                                        << "5678 "
                                        << "5678 "
                                        << "n" << newMessage;
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << "on" << oldMessage;
    }
    void keyCheck() {
        QFETCH(QString, oldKey);
        QFETCH(QString, newKey);
        QFETCH(QString, repeat);
        QFETCH(QString, faulty);
        QFETCH(QString, message);
        const InstallerKeyCheck check = CheckInstallerKeys(oldKey, newKey, repeat);
        QCOMPARE(check.oldFaulty, faulty.contains('o'));
        QCOMPARE(check.newFaulty, faulty.contains('n'));
        QCOMPARE(check.repeatFaulty, faulty.contains('r'));
        QCOMPARE(check.message, message);
        QCOMPARE(check.ok(), faulty.isEmpty());
    }

    void keyChangeShowsTheKeyMasked() {
        MixerSettings s;
        ScriptedComms link;
        link.answer(QStringLiteral("SY,K12348765"), "<sy,k12348765/>");
        Collector observer;
        JobContext context{s, &observer, {}, {}};
        const TransferJob job = ChangeInstallerKeyJob(QStringLiteral("1234"), QStringLiteral("8765"));
        QCOMPARE(job.refreshTabs, 0);
        QCOMPARE(job.run(link, context), 1);
        QCOMPARE(link.written(), QByteArray("<SY,K12348765/>"));
        QVERIFY(!observer.shown.isEmpty());
        for (const QString &text : observer.shown) {
            QVERIFY2(!text.contains(QLatin1String("1234")) && !text.contains(QLatin1String("8765")),
                     qPrintable(text));
        }
        QVERIFY(observer.shown.contains(QStringLiteral("<SY,K********/>")));
        QCOMPARE(observer.finished, QList<bool>{true});
    }

private:
    static MixerSettings SimFree() {
        MixerSettings s;
        s.zones[3].name = QStringLiteral("Bar");
        s.system.muteLevel = 12;
        return s;
    }
};

QTEST_GUILESS_MAIN(TestProtocolCommands)
#include "tst_protocol_commands.moc"
