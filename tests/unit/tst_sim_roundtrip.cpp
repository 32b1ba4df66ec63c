// The program's Read all and Send all against the simulated mixer: two independent readings of
// the mixer's protocol must agree on every field, over TCP and over the serial line.
#include "SimServer.h"

#include "link/SerialComms.h"
#include "link/TCPComms.h"
#include "protocol/DeviceCommands.h"

#include <QTest>

using namespace hzm;
using namespace hzm::sim;

namespace {

std::unique_ptr<Comms> makeClient(const SimServer &server, bool serial) {
    std::unique_ptr<Comms> link;
    if (serial)
        link = std::make_unique<SerialComms>(server.ptyPath(), server.options().baudRate);
    else
        link = std::make_unique<TCPComms>(QHostAddress::LocalHost, server.tcpPort());
    link->setSleeper([](Pause, int) {});
    return link;
}

QString firstDifference(const MixerSettings &a, const MixerSettings &b) {
    for (int i = 0; i < kInputCount; ++i)
        if (a.inputs[i] != b.inputs[i])
            return QStringLiteral("input %1: '%2' %3 vs '%4' %5")
                .arg(i + 1)
                .arg(a.inputs[i].name)
                .arg(a.inputs[i].gain)
                .arg(b.inputs[i].name)
                .arg(b.inputs[i].gain);
    for (int i = 0; i < kOutputCount; ++i)
        if (a.zones[i] != b.zones[i])
            return QStringLiteral("output %1").arg(i + 1);
    for (int i = 0; i < kZoneCount; ++i)
        if (a.zoneEq[i] != b.zoneEq[i])
            return QStringLiteral("tone of zone %1").arg(i + 1);
    for (int i = 0; i < kGroupCount; ++i)
        if (a.groups[i] != b.groups[i])
            return QStringLiteral("group %1").arg(i + 1);
    for (int f = 0; f < SystemSettings::kFieldCount; ++f)
        if (a.system.field(f) != b.system.field(f))
            return QStringLiteral("system field %1: %2 vs %3")
                .arg(f)
                .arg(a.system.field(f))
                .arg(b.system.field(f));
    return QString();
}

} // namespace

class TestSimRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void readAll_data() {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }
    void readAll() {
        QFETCH(bool, serial);
        SimOptions o;
        o.tcpPort = serial ? -1 : 0;
        o.pty = serial;
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        server.mixer().setSettings(SimMixer::demoSettings());

        auto link = makeClient(server, serial);
        QVERIFY(link->Open());
        MixerSettings read;
        QVERIFY(ReadAllCommands(read, *link, nullptr));
        QCOMPARE(read.softwareVersion, QStringLiteral("1.05"));
        const QString diff = firstDifference(read, SimMixer::demoSettings());
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(server.mixer().receivedBodies().size(), ReadAllCommandCount(QStringLiteral("1.05")));
    }

    void sendAll_data() { readAll_data(); }
    void sendAll() {
        QFETCH(bool, serial);
        SimOptions o;
        o.tcpPort = serial ? -1 : 0;
        o.pty = serial;
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        auto link = makeClient(server, serial);
        QVERIFY(link->Open());
        const MixerSettings demo = SimMixer::demoSettings();
        QVERIFY(SendAllCommands(demo, 1, *link, nullptr));
        const QString diff = firstDifference(server.mixer().settings(), demo);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // Every command was accepted at the first attempt.
        QCOMPARE(server.mixer().receivedBodies().size(), SendAllCommandCount(demo));
    }

    // A mixer at 1.04: no label is asked, and the labels the program holds stay.
    void readAllOldMixer() {
        SimOptions o;
        o.tcpPort = 0;
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        server.mixer().setSettings(SimMixer::demoSettings());
        server.mixer().setSoftwareVersion(QStringLiteral("1.04"));
        auto link = makeClient(server, false);
        QVERIFY(link->Open());
        MixerSettings read;
        QVERIFY(ReadAllCommands(read, *link, nullptr));
        QCOMPARE(read.softwareVersion, QStringLiteral("1.04"));
        QCOMPARE(read.inputs[0].name, QStringLiteral("Input 1"));
        QCOMPARE(read.zones[0].name, QStringLiteral("Zone 1"));
        QCOMPARE(read.zones[0].level, SimMixer::demoSettings().zones[0].level);
        for (const QString &body : server.mixer().receivedBodies())
            QVERIFY2(!body.endsWith(QLatin1String(",LQ")) || body.contains(QLatin1Char('.')),
                     qPrintable(body));
        QCOMPARE(server.mixer().receivedBodies().size(), ReadAllCommandCount(QStringLiteral("1.04")));
    }
};

QTEST_GUILESS_MAIN(TestSimRoundTrip)
#include "tst_sim_roundtrip.moc"
