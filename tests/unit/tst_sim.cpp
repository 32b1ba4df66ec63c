// The simulated mixer, driven through the program's own links (TCPComms, SerialComms on its
// pseudo-terminal) and CommandExchange. Expected reply positions and marker texts are the ones
// the program's reply parsers read, written out here by hand.
#include "SimServer.h"

#include "link/CommandExchange.h"
#include "link/CommandFraming.h"
#include "link/SerialComms.h"
#include "link/TCPComms.h"
#include "model/TextHelpers.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#ifdef Q_OS_WIN
#include <winsock2.h>
#define SHUT_WR SD_SEND
#else
#include <sys/socket.h>
#endif

using namespace hzm;
using namespace hzm::sim;

namespace {

void noPauses(Comms &link) {
    link.setSleeper([](Pause, int) {});
}

// The value that stands between the head of h characters and the closing "/>".
QString byPosition(const QString &reply, int head) {
    if (reply.size() <= head + 2)
        return QString();
    return reply.mid(head, reply.size() - head - 2);
}

// The value from skip characters after marker up to endMarker (first occurrences).
QString between(const QString &reply, const QString &marker, int skip, const QString &endMarker) {
    const int a = reply.indexOf(marker);
    const int b = reply.indexOf(endMarker);
    return Mid(reply, a + skip, b - a - skip);
}

// Sends one framed command over the link and collects the raw reply (no retries).
QByteArray rawExchange(Comms &link, const QByteArray &body) {
    const QByteArray framed = "<" + body + "/>";
    link.Write(framed.constData(), int(framed.size()));
    char buffer[kReplyBufferSize];
    const int n = link.ReadReply(buffer);
    return QByteArray(buffer, n);
}

SimOptions tcpOnly() {
    SimOptions o;
    o.tcpPort = 0;
    return o;
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimServer> m_server;
    std::unique_ptr<TCPComms> m_link;

    QString ask(const QString &body) {
        QString reply;
        if (!CommandExchange(body, Exchange, *m_link, nullptr, &reply, 256))
            return QStringLiteral("FAILED: ") + reply;
        return reply;
    }

private slots:
    void initTestCase() {
        m_server = std::make_unique<SimServer>(tcpOnly());
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QVERIFY(m_server->tcpPort() != 0);
        m_link = std::make_unique<TCPComms>(QHostAddress::LocalHost, m_server->tcpPort());
        noPauses(*m_link);
        QVERIFY(m_link->Open());
    }
    void cleanupTestCase() {
        m_link.reset();
        m_server.reset();
    }
    void init() {
        m_server->mixer().setSettings(MixerSettings());
        m_server->mixer().setSoftwareVersion(QStringLiteral("1.05"));
        m_server->mixer().setInstallerKey(QStringLiteral("1234"));
        m_server->mixer().clearFaults();
        m_server->mixer().clearLog();
    }

    void versionReply_data() {
        QTest::addColumn<QString>("version");
        QTest::newRow("1.05") << "1.05";
        QTest::newRow("1.04") << "1.04";
        QTest::newRow("2.10") << "2.10";
    }
    void versionReply() {
        QFETCH(QString, version);
        m_server->mixer().setSoftwareVersion(version);
        const QString reply = ask(QStringLiteral("SY,VQ"));
        QVERIFY2(reply.startsWith(QLatin1String("<sy,vq ")), qPrintable(reply));
        QCOMPARE(reply.mid(10, 4), version);
        QVERIFY(reply.endsWith(QLatin1String("/>")));
    }

    // Set a value, then query it: the value stands where the program's parser reads it.
    // head >= 0 and no marker: the value between the head and the closing "/>";
    // marker "@": the one character at position head; otherwise the value from skip characters
    // after marker up to endMarker.
    void setThenQuery_data() {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("head");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<int>("skip");
        QTest::addColumn<QString>("endMarker");
        QTest::addColumn<QString>("expected");
        auto pos = [](const char *name, const char *set, const char *query, int head, const char *value) {
            QTest::newRow(name) << set << query << head << QString() << 0 << QString() << value;
        };
        auto mark = [](const char *name, const char *set, const char *query, const char *marker, int skip,
                       const char *end, const char *value) {
            QTest::newRow(name) << set << query << -1 << marker << skip << end << value;
        };
        pos("input label", "L2,L=Lobby", "L2,LQ", 6, "Lobby");
        pos("input label 9 chars + blank", "L4,L=Reception ", "L4,LQ", 6, "Reception");
        pos("input label empty", "L4,L=", "L4,LQ", 6, "");
        pos("input gain +12", "L2,G+12", "L2,GQ", 6, "+12");
        pos("input gain -3", "L8,G-3", "L8,GQ", 6, "-3");
        pos("zone label", "Z3,L=Bar & Grill", "Z3,LQ", 6, "Bar & Grill");
        pos("group label", "G4,L=Everywhere", "G4,LQ", 6, "Everywhere");
        pos("level 25", "Z3.MU,L25", "Z3.MU,LQ", 9, "25");
        pos("level mute", "Z8.MU,L62", "Z8.MU,LQ", 9, "mute");
        pos("group level 0", "G1.MU,L0", "G1.MU,LQ", 9, "0");
        pos("select off", "Z4.MU,S0", "Z4.MU,SQ", 9, "0");
        pos("select 3", "G2.MU,S3", "G2.MU,SQ", 9, "3");
        mark("mic enable", "Z2.M3,E", "Z2.M3,Q", "q=", 2, ", pri", "e");
        mark("mic disable", "Z1.M1,D", "Z1.M1,Q", "q=", 2, ", pri", "d");
        mark("mic priority on", "G3.M4,TV", "G3.M4,Q", ", pri", 8, "/>", "on");
        mark("mic priority off", "G3.M4,TO", "G3.M4,Q", ", pri", 8, "/>", "off");
        mark("line disable", "Z2.L6,D", "Z2.L6,Q", "q=", 2, ", pri", "d");
        mark("line priority", "Z2.L6,TV", "Z2.L6,Q", ", pri", 8, "/>", "on");
        mark("group line priority", "G1.L8,TV", "G1.L8,Q", ", pri", 8, "/>", "on");
        pos("stereo", "SY.Z2,S", "SY.Z2,Q", 9, "s");
        pos("mono", "SY.Z1,M", "SY.Z1,Q", 9, "m");
        mark("treble", "Z5.MU,T+4", "Z5.MU,EQ", "t =", 4, ", m =", "+4");
        mark("mid", "Z5.MU,M-14", "Z5.MU,EQ", ", m =", 6, ", b =", "-14");
        mark("bass", "Z5.MU,B+14", "Z5.MU,EQ", ", b =", 6, "/>", "+14");
        mark("max level", "Z6.MU,MX12", "Z6.MU,MQ", "x=", 2, ", n=", "12");
        mark("max level 62", "Z6.MU,MX62", "Z6.MU,MQ", "x=", 2, ", n=", "62");
        mark("min level mute", "Z6.MU,MN62", "Z6.MU,MQ", ", n=", 4, "/>", "mute");
        mark("min level 0", "Z6.MU,MN0", "Z6.MU,MQ", ", n=", 4, "/>", "0");
        pos("page priority access", "Z7.PM,TA", "Z7.PM,TQ", 11, "access");
        pos("page priority vox", "Z7.PM,TV", "Z7.PM,TQ", 11, "vox");
        mark("group members", "G3,ZA135", "G3,Q", "q=", 2, "/>", "135d");
        mark("group enable", "G2,E", "G2,Q", "q=", 2, "/>", "e");
        pos("power-up factory", "SY,IF", "SY,IQ", 7, "f");
        pos("power-up default", "SY,ID", "SY,IQ", 7, "d");
        pos("remote offset 104", "RM,Z104", "RM,ZQ", 17, "104");
        pos("remote offset 8", "RM,Z8", "RM,ZQ", 17, "8");
        pos("qpm offset", "PM,Z15", "PM,ZQ", 16, "15");
        pos("access output", "PM,O", "PM,IQ", 13, "out");
        pos("access input", "PM,I", "PM,IQ", 13, "in");
        mark("paging attenuation", "PM,A12", "PM,Q", "att", 6, ", hold", "12");
        mark("paging hold", "PM,H12", "PM,Q", ", hold", 9, ", rel", "12");
        mark("paging release", "PM,R4", "PM,Q", ", rel", 8, "/>", "4");
        mark("paging attenuation, old query", "PM,A7", "PM,AQ", "att", 6, ", hold", "7");
        mark("mic attenuation", "MI,A46", "MI,Q", "attn", 7, "dB, hold", "46");
        mark("mic hold", "MI,H1", "MI,Q", "dB, hold", 11, "s, rel", "1");
        mark("mic release", "MI,R12", "MI,Q", "s, rel", 9, "s/>", "12");
        mark("line hold", "LI,H9", "LI,Q", "hold", 7, "s, rel", "9");
        mark("line release", "LI,R2", "LI,Q", "s, rel", 9, "s/>", "2");
        mark("mute contacts nc", "SY.EM,NC", "SY.EM,Q", "q=", 2, ", s=", "nc");
        mark("mute source line 8", "SY.EM,SL8", "SY.EM,Q", ", s=", 4, ", l=", "l8");
        mark("mute source mic 4", "SY.EM,SM4", "SY.EM,Q", ", s=", 4, ", l=", "m4");
        mark("mute source off", "SY.EM,SO", "SY.EM,Q", ", s=", 4, ", l=", "off");
        mark("mute level", "SY.EM,L69", "SY.EM,Q", ", l=", 4, "/>", "69");
        pos("gate off", "SY.M3,ND", "SY.M3,NQ", 11, "off");
        pos("gate on", "SY.M2,NE", "SY.M2,NQ", 11, "on");
    }
    void setThenQuery() {
        QFETCH(QString, set);
        QFETCH(QString, query);
        QFETCH(int, head);
        QFETCH(QString, marker);
        QFETCH(int, skip);
        QFETCH(QString, endMarker);
        QFETCH(QString, expected);
        const QString ack = ask(set);
        QVERIFY2(!ack.startsWith(QLatin1String("FAILED")), qPrintable(set + QStringLiteral(": ") + ack));
        const QString reply = ask(query);
        QVERIFY2(!reply.startsWith(QLatin1String("FAILED")),
                 qPrintable(query + QStringLiteral(": ") + reply));
        QVERIFY2(reply.startsWith(QLatin1Char('<')) && reply.endsWith(QLatin1String("/>")),
                 qPrintable(reply));
        QString value;
        if (marker.isEmpty())
            value = byPosition(reply, head);
        else
            value = between(reply, marker, skip, endMarker);
        QCOMPARE(value, expected);
    }

    // The state record follows the commands (what a test of the program compares against).
    void setChangesState() {
        for (const char *body :
             {"L1,L=Lobby", "L1,G-12", "Z1.MU,L30", "Z1.L3,TV", "Z1.L3,TO", "Z2.L5,TV", "G1,ZA246", "G1,ZR4",
              "G1,E", "Z3.MU,S0", "SY.M1,ND", "SY.EM,SM2", "PM,H1", "RM,Z120"})
            QVERIFY2(!ask(QString::fromLatin1(body)).startsWith(QLatin1String("FAILED")), body);
        const MixerSettings s = m_server->mixer().settings();
        QCOMPARE(s.inputs[0].name, QStringLiteral("Lobby"));
        QCOMPARE(s.inputs[0].gain, 24);
        QCOMPARE(s.zones[0].level, 30);
        QCOMPARE(s.zones[0].priorityInput, 0);
        QCOMPARE(s.zones[1].priorityInput, 5);
        QCOMPARE(s.groups[0].memberMask, 0x22);
        QCOMPARE(s.groups[0].enabled, 1);
        QCOMPARE(s.zones[2].sourceInput, 8);
        QCOMPARE(s.system.micGateMask, 14);
        QCOMPARE(s.system.muteSource, 10);
        QCOMPARE(s.system.pagingPriorityHold, 0);
        QCOMPARE(s.system.remoteZoneOffset, 15);
    }

    void refusals_data() {
        QTest::addColumn<QString>("body");
        QTest::newRow("unknown") << "XY,Z";
        QTest::newRow("empty") << "";
        QTest::newRow("lower case") << "sy,vq";
        QTest::newRow("qpm offset 16") << "PM,Z16";
        QTest::newRow("negative offset") << "PM,Z-1";
        QTest::newRow("level 63") << "Z1.MU,L63";
        QTest::newRow("gain +13") << "L1,G+13";
        QTest::newRow("gain without sign") << "L1,G5";
        QTest::newRow("hold 0") << "LI,H0";
        QTest::newRow("hold 13") << "MI,H13";
        QTest::newRow("remote offset 7") << "RM,Z7";
        QTest::newRow("remote offset empty") << "RM,Z";
        QTest::newRow("group has no limits") << "G1.MU,MX0";
        QTest::newRow("group has no tone") << "G1.MU,T0";
        QTest::newRow("zone 3 has no type") << "SY.Z3,S";
        QTest::newRow("zone 9") << "Z9,LQ";
        QTest::newRow("group 5") << "G5,Q";
        QTest::newRow("zone has no members") << "Z1,ZA1";
        QTest::newRow("member 9") << "G1,ZA9";
        QTest::newRow("power-up empty") << "SY,";
        QTest::newRow("page priority empty") << "Z1.PM,T";
        QTest::newRow("eq without sign") << "Z1.MU,T4";
        QTest::newRow("mute source 13") << "SY.EM,S";
        QTest::newRow("mute level 70") << "SY.EM,L70";
        QTest::newRow("mic 5") << "Z1.M5,E";
    }
    void refusals() {
        QFETCH(QString, body);
        SimMixer mixer;
        const MixerSettings before = mixer.settings();
        const QByteArray reply = mixer.handle(body);
        QVERIFY2(reply.contains("<!"), reply.constData());
        QVERIFY(reply.startsWith('<') && reply.endsWith("/>"));
        QVERIFY(mixer.settings() == before);
    }

    void installerKey_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("keyAfter");
        QTest::newRow("change") << "SY,K12345678" << true << "5678";
        QTest::newRow("same key") << "SY,K12341234" << true << "1234";
        QTest::newRow("wrong old key") << "SY,K43215678" << false << "1234";
        QTest::newRow("new key with 9") << "SY,K12345679" << false << "1234";
        QTest::newRow("new key with 0") << "SY,K12340567" << false << "1234";
        QTest::newRow("too short") << "SY,K1234567" << false << "1234";
        QTest::newRow("too long") << "SY,K123456781" << false << "1234";
        QTest::newRow("no keys") << "SY,K" << false << "1234";
    }
    void installerKey() {
        QFETCH(QString, body);
        QFETCH(bool, accepted);
        QFETCH(QString, keyAfter);
        QCOMPARE(CommandExchange(body, Exchange, *m_link), accepted);
        QCOMPARE(m_server->mixer().installerKey(), keyAfter);
    }

    // Mixers at 1.04 and older know no label queries, no PM,Q and no gate queries.
    void oldVersionQueries_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("answered");
        const char *newerOnly[] = {"L1,LQ", "Z1,LQ", "G4,LQ", "PM,Q", "SY.M1,NQ"};
        const char *both[] = {"L1,GQ", "Z1.MU,LQ", "PM,AQ", "MI,Q", "G4,Q"};
        for (const char *version : {"1.04", "1.00", "1.05"}) {
            const bool newer = QString::fromLatin1(version) == QLatin1String("1.05");
            for (const char *q : newerOnly)
                QTest::addRow("%s %s", version, q) << version << q << newer;
            for (const char *q : both)
                QTest::addRow("%s %s", version, q) << version << q << true;
        }
    }
    void oldVersionQueries() {
        QFETCH(QString, version);
        QFETCH(QString, query);
        QFETCH(bool, answered);
        SimMixer mixer;
        mixer.setSoftwareVersion(version);
        QCOMPARE(!mixer.handle(query).contains("<!"), answered);
    }

    void defaultsAndReset() {
        SimMixer mixer;
        mixer.setSettings(SimMixer::demoSettings());
        mixer.setInstallerKey(QStringLiteral("8765"));
        // Power-up mode Default: a reset keeps the configuration.
        QVERIFY(!mixer.handle(QStringLiteral("SY,R")).contains("<!"));
        QVERIFY(mixer.settings().sameConfiguration(SimMixer::demoSettings()));
        QCOMPARE(mixer.resetCount(), 1);
        // Defaults: the factory configuration, the key stays.
        QVERIFY(!mixer.handle(QStringLiteral("SY,SD")).contains("<!"));
        QVERIFY(mixer.settings().sameConfiguration(MixerSettings()));
        QCOMPARE(mixer.installerKey(), QStringLiteral("8765"));
        // Power-up mode Factory: a reset restores the factory configuration.
        mixer.setSettings(SimMixer::demoSettings());
        mixer.handle(QStringLiteral("SY,IF"));
        mixer.handle(QStringLiteral("SY,R"));
        QVERIFY(mixer.settings().sameConfiguration(MixerSettings()));
    }

    void demoStateDiffersEverywhere() {
        const MixerSettings demo = SimMixer::demoSettings();
        const MixerSettings factory;
        for (int i = 0; i < kInputCount; ++i)
            QVERIFY(demo.inputs[i].name != factory.inputs[i].name);
        for (int i = 0; i < kOutputCount; ++i)
            QVERIFY(demo.zones[i] != factory.zones[i]);
        for (int i = 0; i < kZoneCount; ++i)
            QVERIFY(demo.zoneEq[i] != factory.zoneEq[i]);
        for (int i = 0; i < kGroupCount; ++i)
            QVERIFY(demo.groups[i] != factory.groups[i]);
        for (int f = 0; f < SystemSettings::kFieldCount; ++f)
            QVERIFY2(demo.system.field(f) != factory.system.field(f), qPrintable(QString::number(f)));
    }

    void patterns_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("matches");
        QTest::newRow("exact") << "SY,VQ"
                               << "SY,VQ" << true;
        QTest::newRow("whole body only") << "SY,V"
                                         << "SY,VQ" << false;
        QTest::newRow("star") << "Z1.MU,*"
                              << "Z1.MU,LQ" << true;
        QTest::newRow("star other zone") << "Z1.MU,*"
                                         << "Z2.MU,LQ" << false;
        QTest::newRow("dot is literal") << "Z1.M?,Q"
                                        << "Z1.M3,Q" << true;
        QTest::newRow("dot not any") << "Z1.M1,Q"
                                     << "Z1XM1,Q" << false;
        QTest::newRow("everything") << "*"
                                    << "L1,L=a*b" << true;
        QTest::newRow("case") << "sy,vq"
                              << "SY,VQ" << false;
    }
    void patterns() {
        QFETCH(QString, pattern);
        QFETCH(QString, body);
        QFETCH(bool, matches);
        QCOMPARE(SimMixer::matches(pattern, body), matches);
    }

    // ---- faults, through the program's exchange ----

    void refuseThenAnswer() {
        m_server->mixer().refuseNext(QStringLiteral("SY,VQ"), 3);
        QString reply;
        QVERIFY(CommandExchange(QStringLiteral("SY,VQ"), Exchange, *m_link, nullptr, &reply, 256));
        QVERIFY(reply.startsWith(QLatin1String("<sy,vq ")));
        QCOMPARE(m_server->mixer().receivedBodies(), QStringList(4, QStringLiteral("SY,VQ")));
        // Other commands were never affected, and the rule is used up.
        QVERIFY(!ask(QStringLiteral("SY,VQ")).startsWith(QLatin1String("FAILED")));
        QVERIFY(m_server->mixer().faults().refuse.isEmpty());
    }
    void refuseFourTimesFails() {
        m_server->mixer().refuseNext(QStringLiteral("Z1.*"), 4);
        QVERIFY(!ask(QStringLiteral("Z2.MU,LQ")).startsWith(QLatin1String("FAILED")));
        QString reply;
        QVERIFY(!CommandExchange(QStringLiteral("Z1.MU,LQ"), Exchange, *m_link, nullptr, &reply, 256));
        QVERIFY(reply.contains(QLatin1String("<!")));
    }
    void neverAnswer() {
        m_server->mixer().neverAnswer(QStringLiteral("Z1.MU,LQ"));
        QElapsedTimer t;
        t.start();
        QCOMPARE(rawExchange(*m_link, "Z1.MU,LQ"), QByteArray());
        QVERIFY(t.elapsed() >= 900);
        QCOMPARE(rawExchange(*m_link, "Z1.MU,SQ"), QByteArray("<z1.mu,s=1/>"));
        const QList<LogEntry> log = m_server->mixer().log();
        QCOMPARE(log.size(), 2);
        QVERIFY(!log[0].answered);
        QVERIFY(log[1].answered);
    }
    void delayedReply() {
        FaultSettings f;
        f.replyDelayMs = 300;
        m_server->mixer().setFaults(f);
        QElapsedTimer t;
        t.start();
        QCOMPARE(rawExchange(*m_link, "SY,VQ"), QByteArray("<sy,vq v: 1.05/>"));
        QVERIFY(t.elapsed() >= 290);
    }
    void fragmentedReply() {
        FaultSettings f;
        f.fragmentBytes = 4;
        f.fragmentDelayMs = 60;
        m_server->mixer().setFaults(f);
        // Raw socket: the reply comes in pieces, and the pieces make the whole reply.
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->tcpPort());
        QVERIFY(socket.waitForConnected(2000));
        socket.write("<SY,VQ/>");
        QByteArray all;
        int reads = 0;
        while (!all.endsWith("/>") && socket.waitForReadyRead(1000)) {
            all += socket.readAll();
            ++reads;
        }
        QCOMPARE(all, QByteArray("<sy,vq v: 1.05/>"));
        QVERIFY(reads >= 3);
        // The program's collector puts the pieces together.
        QCOMPARE(rawExchange(*m_link, "SY,VQ"), QByteArray("<sy,vq v: 1.05/>"));
    }
    void dropConnection() {
        FaultSettings f;
        f.dropAfterCommands = 2;
        m_server->mixer().setFaults(f);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->tcpPort());
        QVERIFY(socket.waitForConnected(2000));
        socket.write("<SY,VQ/>");
        QVERIFY(socket.waitForReadyRead(2000));
        socket.readAll();
        socket.write("<L1,GQ/>");
        QByteArray second;
        while (!second.endsWith("/>") && socket.waitForReadyRead(2000))
            second += socket.readAll();
        QCOMPARE(second, QByteArray("<l1,g=0/>")); // the second reply still comes
        if (socket.state() != QAbstractSocket::UnconnectedState)
            QVERIFY(socket.waitForDisconnected(2000));
        // A new client is served as usual (the drop was one-shot).
        TCPComms again(QHostAddress::LocalHost, m_server->tcpPort());
        noPauses(again);
        QVERIFY(again.Open());
        QCOMPARE(rawExchange(again, "SY,VQ"), QByteArray("<sy,vq v: 1.05/>"));
        QCOMPARE(rawExchange(again, "SY,VQ"), QByteArray("<sy,vq v: 1.05/>"));
    }
    void severalClientsOneAfterAnother() {
        const int before = m_server->tcpConnectionCount();
        for (int i = 0; i < 3; ++i) {
            TCPComms link(QHostAddress::LocalHost, m_server->tcpPort());
            noPauses(link);
            QVERIFY(link.Open());
            QVERIFY(CommandExchange(QStringLiteral("Z%1.MU,L%2").arg(i + 1).arg(i + 10), Exchange, link));
            link.Close();
        }
        QTRY_COMPARE(m_server->tcpConnectionCount(), before + 3);
        QCOMPARE(m_server->mixer().settings().zones[2].level, 12);
    }
    // Bytes before "<" are line noise; a frame split over several writes is put together.
    void framing() {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->tcpPort());
        QVERIFY(socket.waitForConnected(2000));
        socket.write("\r\nxx<SY,");
        socket.flush();
        QTest::qWait(50);
        socket.write("VQ/><L1,GQ/>");
        QByteArray all;
        while (!all.endsWith("<l1,g=0/>") && socket.waitForReadyRead(1000))
            all += socket.readAll();
        QCOMPARE(all, QByteArray("<sy,vq v: 1.05/><l1,g=0/>"));
    }
    // The one splitter every simulated or scripted mixer uses: bytes in pieces, commands out.
    void commandSplitter_data() {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QByteArray>>("bodies");
        QTest::addColumn<QByteArray>("pending");
        QTest::newRow("noise before the frame")
            << QList<QByteArray>{"\r\nxx/><SY,VQ/>"} << QList<QByteArray>{"SY,VQ"} << QByteArray();
        QTest::newRow("split anywhere, two in one piece")
            << QList<QByteArray>{"<SY", ",VQ/", "><L1,GQ/><Z1"} << QList<QByteArray>{"SY,VQ", "L1,GQ"}
            << QByteArray("<Z1");
        QTest::newRow("empty body") << QList<QByteArray>{"</>"} << QList<QByteArray>{""} << QByteArray();
        QTest::newRow("a second '<' inside a frame belongs to it")
            << QList<QByteArray>{"<a<b/>"} << QList<QByteArray>{"a<b"} << QByteArray();
        QTest::newRow("an endless frame is dropped as noise")
            << QList<QByteArray>{"<" + QByteArray(20, 'x'), "/><SY,VQ/>"} << QList<QByteArray>{"SY,VQ"}
            << QByteArray();
    }
    void commandSplitter() {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QByteArray>, bodies);
        QFETCH(QByteArray, pending);
        CommandSplitter splitter(16);
        QList<QByteArray> got;
        for (const QByteArray &piece : pieces)
            got += splitter.feed(piece);
        QCOMPARE(got, bodies);
        QCOMPARE(splitter.pending(), pending);
    }

    // Every complete command that arrived before the client's end of sending (a TCP half-close,
    // as "printf '<SY,VQ/>' | nc HOST PORT" does) is answered, pauses or not.
    void answersBeforeHalfClose_data() {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("replies");
        QTest::newRow("one command with the end")
            << QList<QByteArray>{"<SY,VQ/>"} << 0 << QByteArray("<sy,vq v: 1.05/>");
        QTest::newRow("two commands, one split")
            << QList<QByteArray>{"<SY,VQ/><L1", ",GQ/>"} << 0 << QByteArray("<sy,vq v: 1.05/><l1,g=0/>");
        QTest::newRow("an unfinished command is no command")
            << QList<QByteArray>{"<SY,VQ/><L1,G"} << 0 << QByteArray("<sy,vq v: 1.05/>");
        QTest::newRow("replies that wait")
            << QList<QByteArray>{"<SY,VQ/><L1,GQ/>"} << 400 << QByteArray("<sy,vq v: 1.05/><l1,g=0/>");
    }
    void answersBeforeHalfClose() {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(int, delayMs);
        QFETCH(QByteArray, replies);
        FaultSettings f;
        f.replyDelayMs = delayMs;
        m_server->mixer().setFaults(f);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->tcpPort());
        QVERIFY(socket.waitForConnected(2000));
        for (const QByteArray &bytes : writes) {
            socket.write(bytes);
            QVERIFY(socket.waitForBytesWritten(1000));
        }
        QCOMPARE(::shutdown(int(socket.socketDescriptor()), SHUT_WR), 0);
        QByteArray all;
        while (all.size() < replies.size() && socket.waitForReadyRead(2000))
            all += socket.readAll();
        QCOMPARE(all, replies);
    }

    // ---- the serial line on the pseudo-terminal ----

    void ptyAnswersAtItsRateOnly() {
        SimOptions o;
        o.tcpPort = -1;
        o.pty = true;
        o.baudRate = 4800;
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.ptyPath().startsWith(QLatin1String("/dev/")));

        {
            SerialComms right(server.ptyPath(), 4800);
            noPauses(right);
            QVERIFY(right.Open());
            QString reply;
            QVERIFY(CommandExchange(QStringLiteral("SY,VQ"), Exchange, right, nullptr, &reply, 256));
            QCOMPARE(reply, QStringLiteral("<sy,vq v: 1.05/>"));
            right.Close();
        }
        {
            SerialComms wrong(server.ptyPath(), 9600);
            noPauses(wrong);
            QVERIFY(wrong.Open());
            QCOMPARE(rawExchange(wrong, "SY,VQ"), QByteArray());
            wrong.Close();
        }
        const QList<LogEntry> log = server.mixer().log();
        QCOMPARE(log.size(), 2);
        QVERIFY(!log[1].answered);
        QVERIFY2(log[1].source.contains(QLatin1String("9600")), qPrintable(log[1].source));
        // A second client at the right rate after the wrong one.
        SerialComms again(server.ptyPath(), 4800);
        noPauses(again);
        QVERIFY(again.Open());
        QCOMPARE(rawExchange(again, "L1,GQ"), QByteArray("<l1,g=0/>"));
    }
    void ptyBaudDetection() {
        SimOptions o;
        o.tcpPort = -1;
        o.pty = true;
        o.baudRate = 4800;
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        SerialComms probe(server.ptyPath(), 9600);
        noPauses(probe);
        QVERIFY(probe.DetectBaudRate()); // silent at 19200 and 9600
        QCOMPARE(probe.baudRate(), 4800);
    }

    // ---- discovery on loopback ----

    void answersTheQuestion() {
        SimOptions o;
        o.tcpPort = -1;
        o.discoveryPort = 0;
        o.discoveryFrom = QHostAddress(QStringLiteral("127.0.0.2"));
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.discoveryPort() != 0);

        QUdpSocket asker;
        QVERIFY(asker.bind(QHostAddress::LocalHost, 0));
        // Something else than the question gets no answer.
        asker.writeDatagram("Discovery: Who is out there", QHostAddress(QStringLiteral("127.255.255.255")),
                            server.discoveryPort());
        QVERIFY(!asker.waitForReadyRead(300));
        const QByteArray question("Discovery: Who is out there ?");
        QCOMPARE(question.size(), 29);
        QCOMPARE(asker.writeDatagram(question, QHostAddress(QStringLiteral("127.255.255.255")),
                                     server.discoveryPort()),
                 qint64(29));
        QVERIFY(asker.waitForReadyRead(2000));
        const QNetworkDatagram answer = asker.receiveDatagram();
        QCOMPARE(answer.senderAddress(), QHostAddress(QStringLiteral("127.0.0.2")));
        const QList<QByteArray> lines = answer.data().split('\n');
        QCOMPARE(lines.size(), 4); // three lines, each ended by "\r\n"
        QVERIFY(lines[0].endsWith('\r') && lines[1].endsWith('\r') && lines[2].endsWith('\r'));
        QVERIFY(lines[3].isEmpty());
        QCOMPARE(lines[0], QByteArray("HZM1e-SIM\r"));
        QVERIFY(lines[2].startsWith("Orvane HZM1"));
    }

    // The responder listens on --bind's address (loopback by default) and its broadcast, never on
    // every address: a question to another address of the machine goes unanswered.
    void discoveryListensOnItsAddress_data() {
        QTest::addColumn<QString>("bind");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("answered");
        QTest::newRow("its own address") << "127.0.0.1"
                                         << "127.0.0.1" << true;
        QTest::newRow("the loopback broadcast") << "127.0.0.1"
                                                << "127.255.255.255" << true;
        QTest::newRow("another address") << "127.0.0.1"
                                         << "127.0.0.3" << false;
        QTest::newRow("bound to another loopback address") << "127.0.0.3"
                                                           << "127.0.0.1" << false;
    }
    void discoveryListensOnItsAddress() {
        QFETCH(QString, bind);
        QFETCH(QString, to);
        QFETCH(bool, answered);
        SimOptions o;
        o.tcpPort = -1;
        o.discoveryPort = 0;
        o.bindAddress = QHostAddress(bind);
        o.discoveryFrom = QHostAddress(QStringLiteral("127.0.0.2"));
        SimServer server(o);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QUdpSocket asker;
        QVERIFY(asker.bind(QHostAddress::LocalHost, 0));
        asker.writeDatagram(QByteArray("Discovery: Who is out there ?"), QHostAddress(to),
                            server.discoveryPort());
        QCOMPARE(asker.waitForReadyRead(answered ? 2000 : 400), answered);
    }

    void startFailsOnBusyPort() {
        SimOptions o;
        o.tcpPort = m_server->tcpPort();
        SimServer second(o);
        QVERIFY(!second.start());
        QVERIFY(!second.errorString().isEmpty());
        QVERIFY(!second.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
