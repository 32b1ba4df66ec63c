// Discovery over loopback only: the question goes to 127.255.255.255 from an interface entry
// 127.0.0.2/255.0.0.0, and the answers come from 127.0.0.x. Linux delivers a datagram sent to
// 127.255.255.255 only to sockets bound to that address or to the wildcard address (a socket bound
// to 127.0.0.2 never sees it), so the test responder listens on 127.255.255.255 and answers from
// sockets bound to the addresses it plays.
#include "SimServer.h"
#include "discovery/Discovery.h"
#include "discovery/DiscoveryModel.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using namespace hzm;

namespace {

const QByteArray kPayloadA = "Zone Mixer A\r\n00:1E:C0:00:00:0A\r\nOrvane HZM1e v2.24\r\n";
const QByteArray kPayloadB = "Zone Mixer B\r\n00:1E:C0:00:00:0B\r\nOrvane HZM1e v2.24\r\n";

DiscoveryInterface loopbackInterface() {
    return DiscoveryInterface::fromText(QStringLiteral("127.0.0.2"), QStringLiteral("255.0.0.0"));
}

// Answers every question with the scripted datagrams, each from its own loopback address.
class Responder : public QObject {
public:
    struct Answer {
        QString from;
        QByteArray payload;
    };

    Responder() {
        m_listen.bind(QHostAddress(QStringLiteral("127.255.255.255")), 0);
        connect(&m_listen, &QUdpSocket::readyRead, this, [this] {
            while (m_listen.hasPendingDatagrams()) {
                const QNetworkDatagram question = m_listen.receiveDatagram();
                if (question.data() != QByteArray(kDiscoveryDatagram))
                    continue;
                ++questions;
                for (const Answer &answer : std::as_const(answers))
                    socketFor(answer.from)
                        ->writeDatagram(answer.payload, question.senderAddress(),
                                        quint16(question.senderPort()));
            }
        });
    }
    quint16 port() const { return m_listen.localPort(); }

    QList<Answer> answers;
    int questions = 0;

private:
    QUdpSocket *socketFor(const QString &from) {
        auto &socket = m_senders[from];
        if (!socket) {
            socket = std::make_unique<QUdpSocket>();
            socket->bind(QHostAddress(from), 0);
        }
        return socket.get();
    }
    QUdpSocket m_listen;
    std::map<QString, std::unique_ptr<QUdpSocket>> m_senders;
};

} // namespace

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void broadcastAddress_data();
    void broadcastAddress();
    void systemTableSkipsLocalHost();
    void noInterfaces_data();
    void noInterfaces();
    void simulatedMixerListed();
    void mergeOverTheWire();
    void sameMixerOnTwoInterfaces();
    void receiveRules_data();
    void receiveRules();
    void stopIsQuick();
    void destroyWhileAnswersArrive();
};

void TestDiscovery::broadcastAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("broadcast");
    QTest::addColumn<QString>("network");
    QTest::newRow("class C") << "192.168.1.20"
                             << "255.255.255.0"
                             << "192.168.1.255"
                             << "192.168.1.0";
    QTest::newRow("odd mask") << "10.1.130.7"
                              << "255.255.192.0"
                              << "10.1.191.255"
                              << "10.1.128.0";
    QTest::newRow("loopback") << "127.0.0.2"
                              << "255.0.0.0"
                              << "127.255.255.255"
                              << "127.0.0.0";
    QTest::newRow("no mask") << "10.0.0.1"
                             << "0.0.0.0"
                             << "255.255.255.255"
                             << "0.0.0.0";
}

void TestDiscovery::broadcastAddress() {
    QFETCH(QString, address);
    QFETCH(QString, mask);
    QFETCH(QString, broadcast);
    QFETCH(QString, network);
    const DiscoveryInterface entry = DiscoveryInterface::fromText(address, mask);
    QCOMPARE(QHostAddress(entry.broadcast()).toString(), broadcast);
    QCOMPARE(QHostAddress(entry.network()).toString(), network);
}

void TestDiscovery::systemTableSkipsLocalHost() {
    // Reads the table only; nothing is sent.
    QString error;
    const auto table = localDiscoveryInterfaces(&error);
    for (const DiscoveryInterface &entry : table)
        QVERIFY(entry.address != QHostAddress(QHostAddress::LocalHost).toIPv4Address());
    QCOMPARE(error.isEmpty(), !table.isEmpty());
    if (table.isEmpty())
        QVERIFY(error == QLatin1String(kErrorNoInterfaces) || error == QLatin1String(kErrorLoadAddressTable));
}

void TestDiscovery::noInterfaces_data() {
    QTest::addColumn<QList<DiscoveryInterface>>("table");
    QTest::newRow("empty") << QList<DiscoveryInterface>{};
    QTest::newRow("only 127.0.0.1") << QList<DiscoveryInterface>{
        DiscoveryInterface::fromText(QStringLiteral("127.0.0.1"), QStringLiteral("255.0.0.0"))};
}

void TestDiscovery::noInterfaces() {
    QFETCH(QList<DiscoveryInterface>, table);
    Discovery discovery;
    discovery.setInterfaces(table);
    QCOMPARE(discovery.start(), QString::fromLatin1("No network interfaces detected"));
    QVERIFY(!discovery.isRunning());
    QCOMPARE(discovery.refresh(), 0);
}

void TestDiscovery::simulatedMixerListed() {
    sim::SimOptions options;
    options.tcpPort = -1;
    options.discoveryPort = 0;
    options.discoveryFrom = QHostAddress(QStringLiteral("127.0.0.2"));
    sim::SimServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    Discovery discovery;
    DiscoveryModel model;
    connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
    QSignalSpy replies(&discovery, &Discovery::replyReceived);
    discovery.setInterfaces({loopbackInterface()});
    discovery.setPort(server.discoveryPort());
    QCOMPARE(discovery.start(), QString());
    QTRY_COMPARE(model.rowCount(), 1);
    const DiscoveredMixer expected{QStringLiteral("127.0.0.2"), options.name, options.macAddress,
                                   options.description};
    QCOMPARE(model.mixers().first(), expected);

    QCOMPARE(discovery.refresh(), 1);
    QTRY_COMPARE(replies.size(), 2);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.mixers().first(), expected);
}

void TestDiscovery::mergeOverTheWire() {
    Responder responder;
    responder.answers = {{QStringLiteral("127.0.0.2"), kPayloadA}};
    Discovery discovery;
    DiscoveryModel model;
    connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
    QSignalSpy replies(&discovery, &Discovery::replyReceived);
    discovery.setInterfaces({loopbackInterface()});
    discovery.setPort(responder.port());
    QCOMPARE(discovery.start(), QString());
    QTRY_COMPARE(model.rowCount(), 1);
    QCOMPARE(model.addressAt(0), QStringLiteral("127.0.0.2"));

    // The same mixer at a new address: its row is updated and keeps the address it had.
    responder.answers = {{QStringLiteral("127.0.0.3"), QByteArray(kPayloadA).replace("Mixer A", "Mixer A2")}};
    discovery.refresh();
    QTRY_COMPARE(replies.size(), 2);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.addressAt(0), QStringLiteral("127.0.0.2"));
    QCOMPARE(model.mixers().first().name, QStringLiteral("Zone Mixer A2"));

    // Refresh keeps every row and puts a new mixer on top.
    responder.answers = {{QStringLiteral("127.0.0.4"), kPayloadB}};
    discovery.refresh();
    QTRY_COMPARE(replies.size(), 3);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.addressAt(0), QStringLiteral("127.0.0.4"));
    QCOMPARE(model.addressAt(1), QStringLiteral("127.0.0.2"));
}

// One mixer answering the question of both interfaces from the same address is listed once.
void TestDiscovery::sameMixerOnTwoInterfaces() {
    Responder responder;
    responder.answers = {{QStringLiteral("127.0.0.2"), kPayloadA}};
    Discovery discovery;
    DiscoveryModel model;
    connect(&discovery, &Discovery::replyReceived, &model, &DiscoveryModel::handleReply);
    QSignalSpy replies(&discovery, &Discovery::replyReceived);
    discovery.setInterfaces({loopbackInterface(), loopbackInterface()});
    discovery.setPort(responder.port());
    QCOMPARE(discovery.start(), QString());
    QTRY_COMPARE(replies.size(), 2);
    QCOMPARE(responder.questions, 2);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.mixers().first().name, QStringLiteral("Zone Mixer A"));
}

void TestDiscovery::receiveRules_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<bool>("listed");
    QTest::newRow("mixer") << "127.0.0.2" << kPayloadA << true << true;
    QTest::newRow("from 127.0.0.1") << "127.0.0.1" << kPayloadA << false << false;
    QTest::newRow("empty datagram") << "127.0.0.2" << QByteArray() << false << false;
    QTest::newRow("another device") << "127.0.0.2" << QByteArray("Printer\r\n00:11:22:33:44:55\r\nLaser\r\n")
                                    << true << false;
    QTest::newRow("no final line end") << "127.0.0.2" << kPayloadA.chopped(2) << true << false;
    QByteArray longest = kPayloadA;
    longest.append(kMaxDiscoveryDatagram - longest.size(), 'x');
    QTest::newRow("1536 bytes") << "127.0.0.2" << longest << true << true;
    QTest::newRow("1537 bytes") << "127.0.0.2" << longest + 'x' << false << false;
}

void TestDiscovery::receiveRules() {
    QFETCH(QString, from);
    QFETCH(QByteArray, payload);
    QFETCH(bool, delivered);
    QFETCH(bool, listed);

    // The datagram under test goes first, then a marker mixer; once the marker is in, the first
    // datagram has had its chance (loopback keeps the order).
    const QByteArray marker = "Marker\r\n00:1E:C0:FF:FF:FF\r\nOrvane HZM1 marker\r\n";
    Responder responder;
    responder.answers = {{from, payload}, {QStringLiteral("127.0.0.9"), marker}};
    Discovery discovery;
    DiscoveryModel model;
    QList<QByteArray> texts;
    connect(&discovery, &Discovery::replyReceived, this, [&](const QByteArray &text) {
        texts.append(text);
        model.handleReply(text);
    });
    discovery.setInterfaces({loopbackInterface()});
    discovery.setPort(responder.port());
    QCOMPARE(discovery.start(), QString());
    QTRY_VERIFY(!model.mixers().isEmpty() && model.mixers().first().name == QLatin1String("Marker"));
    QCOMPARE(texts.size(), delivered ? 2 : 1);
    if (delivered)
        QCOMPARE(texts.first(), from.toLatin1() + "\r\n" + payload);
    QCOMPARE(model.rowCount(), listed ? 2 : 1);
}

void TestDiscovery::stopIsQuick() {
    Responder responder;
    Discovery discovery;
    discovery.setInterfaces({loopbackInterface(), loopbackInterface()});
    discovery.setPort(responder.port());
    QCOMPARE(discovery.start(), QString());
    QCOMPARE(discovery.interfaces().size(), 2);
    QTRY_COMPARE(responder.questions, 2);
    QTest::qWait(50);
    QElapsedTimer timer;
    timer.start();
    discovery.stop();
    QVERIFY2(timer.elapsed() < 400, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!discovery.isRunning());
    // It can start again afterwards.
    QCOMPARE(discovery.start(), QString());
    QTRY_COMPARE(responder.questions, 4);
}

void TestDiscovery::destroyWhileAnswersArrive() {
    Responder responder;
    for (int i = 0; i < 50; ++i)
        responder.answers.append({QStringLiteral("127.0.0.2"), kPayloadA});
    auto discovery = std::make_unique<Discovery>();
    int received = 0;
    connect(discovery.get(), &Discovery::replyReceived, this, [&] { ++received; });
    discovery->setInterfaces({loopbackInterface()});
    discovery->setPort(responder.port());
    QCOMPARE(discovery->start(), QString());
    QTRY_VERIFY(responder.questions > 0);
    QTest::qWait(20);
    discovery.reset(); // answers still queued for it are dropped with it
    QTest::qWait(50);
    QVERIFY(received <= 50);
}

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
