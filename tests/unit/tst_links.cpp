#include "PtyPair.h"
#include "RecordingSleeper.h"
#include "FileSizeLimit.h"
#include "TcpPeer.h"

#include "link/FileComms.h"
#include "link/LinkSelection.h"
#include "link/SerialComms.h"
#include "link/TCPComms.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>


using namespace hzm;
using namespace hzm::test;

namespace {

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestLinks : public QObject {
    Q_OBJECT

private slots:
    // NullComms
    void nullOpenCloseStates();
    void nullReadSizes();
    void nullReplyIsRefusal();

    // FileComms
    void fileWritesBytesUnchanged();
    void fileNeverAnswers();
    void fileFailedWriteKeepsOldFile();
    void fileUnfinishedKeepsOldFile();
    void fileBadDirectoryFailsOpen();

    // TCPComms
    void tcpConnectAndWrite();
    void tcpConnectRefused();
    void tcpZeroLengthWrite();
    void tcpReplyCollection_data();
    void tcpReplyCollection();
    void tcpOverlongReply();
    void tcpReplyOnClosedLink();
    void tcpCloseDrainsCleanly();
    void tcpCloseBoundedWhenMixerNeverCloses();

    // SerialComms
    void comPortNames();
    void serialBytesOnTheWire();
    void serialLineSettings_data();
    void serialLineSettings();
    void serialConfigureRates_data();
    void serialConfigureRates();
    void serialOpenStates();
    void serialMissingDeviceFailsOpen();
    void serialReplyFromMixer();

    // Making links
    void makeLinkChoosesTransport();
    void linkTextForms_data();
    void linkTextForms();
};

// ---- NullComms ---------------------------------------------------------------------------

void TestLinks::nullOpenCloseStates() {
    NullComms link;
    QVERIFY(!link.isOpen());
    QVERIFY(!link.sendInChunks());
    QVERIFY(!link.Close());
    QVERIFY(link.Open());
    QVERIFY(!link.Open());
    QVERIFY(link.isOpen());
    QVERIFY(link.Close());
    QVERIFY(!link.Close());
}

void TestLinks::nullReadSizes() {
    NullComms link;
    char buffer[kReplyBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    QCOMPARE(link.Read(buffer, 4), 0);
    QCOMPARE(buffer[0], '\0');
    QCOMPARE(link.Read(buffer, 0), 0);
    QCOMPARE(link.Read(nullptr, 100), 0);
    QCOMPARE(link.Read(buffer, 5), 4);
    QCOMPARE(QByteArray(buffer), QByteArray("<!/>"));
    QCOMPARE(link.Read(buffer, kReplyBufferSize), 4);
    QCOMPARE(QByteArray(buffer), QByteArray("<!/>"));
    QCOMPARE(link.Write("abc", 3), 3);
}

void TestLinks::nullReplyIsRefusal() {
    NullComms link;
    char buffer[kReplyBufferSize];
    QCOMPARE(link.ReadReply(buffer), 0); // closed
    QCOMPARE(buffer[0], '\0');
    link.Open();
    QCOMPARE(link.ReadReply(buffer), 4);
    QCOMPARE(QByteArray(buffer), QByteArray("<!/>"));
}

// ---- FileComms ---------------------------------------------------------------------------

void TestLinks::fileWritesBytesUnchanged() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Export.txt");
    writeFile(path, "old contents");
    FileComms link(path);
    QVERIFY(!link.sendInChunks());
    QCOMPARE(link.Write("early", 5), 0); // not open yet
    QVERIFY(link.Open());
    QVERIFY(!link.Open());
    const QByteArray bytes("<SY,VQ/>\r\n\n\r\xC3\xA9\0z", 15);
    QCOMPARE(link.Write(bytes.constData(), int(bytes.size())), 15);
    QCOMPARE(link.Write("x", 0), 0);
    QCOMPARE(readFile(path), QByteArray("old contents")); // nothing replaced before Close
    QVERIFY(link.Close());
    QVERIFY(link.committed());
    QVERIFY(!link.Close());
    QCOMPARE(readFile(path), bytes);
}

void TestLinks::fileNeverAnswers() {
    QTemporaryDir dir;
    FileComms link(dir.filePath("a.txt"));
    link.Open();
    char buffer[kReplyBufferSize];
    QCOMPARE(link.Read(buffer, sizeof buffer), 0);
    link.Close();
}

void TestLinks::fileFailedWriteKeepsOldFile() {
    // The file system refuses to store more than 64 bytes in any file (as a full disk would);
    // the export fails, the earlier file stays untouched and no temporary file is left.
    QTemporaryDir dir;
    const QString path = dir.filePath("Export.txt");
    writeFile(path, "the earlier export\r\n");

    FileComms link(path);
    QVERIFY(link.Open());
    int closed = 0;
    {
        FileSizeLimit full(64);
        const QByteArray line = QByteArray(40, 'A') + "\r\n";
        for (int i = 0; i < 400; ++i)
            link.Write(line.constData(), int(line.size()));
        closed = link.Close();
    }

    QCOMPARE(closed, 1);
    QVERIFY(!link.committed());
    QVERIFY(!link.errorString().isEmpty());
    QCOMPARE(readFile(path), QByteArray("the earlier export\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Export.txt"});
}

void TestLinks::fileUnfinishedKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Export.txt");
    writeFile(path, "keep me");
    {
        FileComms link(path);
        link.Open();
        link.Write("half an export", 14);
        // destroyed without Close: the job was abandoned
    }
    QCOMPARE(readFile(path), QByteArray("keep me"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Export.txt"});
}

void TestLinks::fileBadDirectoryFailsOpen() {
    QTemporaryDir dir;
    FileComms link(dir.filePath("no/such/dir/Export.txt"));
    QVERIFY(!link.Open());
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorString().isEmpty());
    QVERIFY(!link.Close());
}

// ---- TCPComms ----------------------------------------------------------------------------

void TestLinks::tcpConnectAndWrite() {
    TcpPeer peer;
    QVERIFY(peer.isListening());
    peer.start({});
    TCPComms link(QHostAddress::LocalHost, peer.port());
    QVERIFY(!link.sendInChunks());
    QVERIFY(link.Open());
    QVERIFY(!link.Open());
    QVERIFY(link.isOpen());
    QCOMPARE(link.Write("<SY,VQ/>", 8), 8);
    QVERIFY(link.Close());
    QVERIFY(!link.Close());
    peer.wait();
    QCOMPARE(peer.received(), QByteArray("<SY,VQ/>"));
    QVERIFY(peer.sawEndOfData());
}

void TestLinks::tcpConnectRefused() {
    TCPComms link(QHostAddress::LocalHost, unusedLoopbackPort());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link.Open());
    QVERIFY(timer.elapsed() < 3000);
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorString().isEmpty());
    QCOMPARE(link.Write("x", 1), -1);
    char buffer[kReplyBufferSize];
    QCOMPARE(link.ReadReply(buffer), 0);
    QVERIFY(!link.Close());
}

void TestLinks::tcpZeroLengthWrite() {
    TcpPeer peer;
    peer.start({});
    TCPComms link(QHostAddress::LocalHost, peer.port());
    QCOMPARE(link.Write("x", 0), 0); // closed and zero: nothing at all
    QVERIFY(link.Open());
    QCOMPARE(link.Write("x", 0), 0);
    link.Close();
    peer.wait();
    QVERIFY(peer.received().isEmpty());
}

void TestLinks::tcpReplyCollection_data() {
    QTest::addColumn<QList<TcpPeer::Step>>("script");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("minMs"); // the collection must not end before this
    QTest::addColumn<int>("maxMs"); // nor last longer than this

    QTest::newRow("one piece") << QList<TcpPeer::Step>{{0, "<SY,VQ 1.05/>"}} << QByteArray("<SY,VQ 1.05/>")
                               << 0 << 900;
    QTest::newRow("fragments joined")
        << QList<TcpPeer::Step>{{0, "<sy"}, {100, ",vq 1"}, {100, ".05"}, {100, "/>"}}
        << QByteArray("<sy,vq 1.05/>") << 250 << 1200;
    // 700 ms between pieces, 2.1 s in all: the time-out counts from the last bytes.
    QTest::newRow("slow but steady") << QList<TcpPeer::Step>{{0, "<ZN,1"},
                                                             {700, ",LB"},
                                                             {700, ",Zone"},
                                                             {700, " 1/>"}}
                                     << QByteArray("<ZN,1,LB,Zone 1/>") << 2000 << 3200;
    QTest::newRow("first byte forced")
        << QList<TcpPeer::Step>{{0, "xy,vq/>"}} << QByteArray("<y,vq/>") << 0 << 900;
    // The first "/>" is not at the end: collected until the line falls silent.
    QTest::newRow("two replies together")
        << QList<TcpPeer::Step>{{0, "<a,1/><b,2/>"}} << QByteArray("<a,1/><b,2/>") << 950 << 2500;
    QTest::newRow("end marker inside the text")
        << QList<TcpPeer::Step>{{0, "<ZN,1,LB,a/>b"}} << QByteArray("<ZN,1,LB,a/>b") << 950 << 2500;
    // Ends in "/>" at last, but its first "/>" is elsewhere: still waits for silence.
    QTest::newRow("second reply after a pause")
        << QList<TcpPeer::Step>{{0, "<a/>x"}, {300, "<b/>"}} << QByteArray("<a/>x<b/>") << 1250 << 2500;
    QTest::newRow("invalid UTF-8 kept as bytes")
        << QList<TcpPeer::Step>{{0, "<\xFF\xFE\xC3/>"}} << QByteArray("<\xFF\xFE\xC3/>") << 0 << 900;
}

void TestLinks::tcpReplyCollection() {
    QFETCH(QList<TcpPeer::Step>, script);
    QFETCH(QByteArray, expected);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    TcpPeer peer;
    TCPComms link(QHostAddress::LocalHost, peer.port());
    peer.start(script);
    QVERIFY(link.Open());
    char buffer[kReplyBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    QElapsedTimer timer;
    timer.start();
    const int n = link.ReadReply(buffer);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(n, int(expected.size()));
    QCOMPARE(QByteArray(buffer, n), expected);
    QCOMPARE(buffer[n], '\0');
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
    link.Close();
}

void TestLinks::tcpOverlongReply() {
    // 3000 bytes without an end: 1023 are kept, the buffer stays zero-terminated.
    TcpPeer peer;
    QByteArray big(3000, 'q');
    big[0] = '<';
    peer.start({{0, big.left(1500)}, {50, big.mid(1500)}});
    TCPComms link(QHostAddress::LocalHost, peer.port());
    QVERIFY(link.Open());
    QByteArray guarded(kReplyBufferSize + 16, '#');
    QElapsedTimer timer;
    timer.start();
    const int n = link.ReadReply(guarded.data());
    QVERIFY(timer.elapsed() < 2500);
    QCOMPARE(n, kReplyBufferSize - 1);
    QCOMPARE(guarded.left(n), big.left(n));
    QCOMPARE(guarded.at(kReplyBufferSize - 1), '\0');
    QCOMPARE(guarded.mid(kReplyBufferSize), QByteArray(16, '#')); // nothing written past the buffer
    link.Close();
}

void TestLinks::tcpReplyOnClosedLink() {
    TCPComms link(QHostAddress::LocalHost, 1);
    char buffer[kReplyBufferSize];
    std::memset(buffer, 'x', sizeof buffer);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link.ReadReply(buffer), 0);
    QVERIFY(timer.elapsed() < 100);
    QCOMPARE(QByteArray(buffer, kReplyBufferSize), QByteArray(kReplyBufferSize, '\0'));
}

void TestLinks::tcpCloseDrainsCleanly() {
    // The mixer sends something the client never reads. Closing still ends the connection
    // cleanly (the mixer sees the end of the data, not a reset).
    TcpPeer peer;
    peer.start({{100, "<late,reply/>"}});
    TCPComms link(QHostAddress::LocalHost, peer.port());
    QVERIFY(link.Open());
    QCOMPARE(link.Write("<SY,VQ/>", 8), 8);
    QThread::msleep(300); // the late reply is waiting unread
    QElapsedTimer timer;
    timer.start();
    QVERIFY(link.Close());
    QVERIFY(timer.elapsed() < 900); // the mixer closed at once
    peer.wait();
    QVERIFY(peer.sawEndOfData());
    QVERIFY(!peer.sawReset());
    QCOMPARE(peer.received(), QByteArray("<SY,VQ/>"));
}

void TestLinks::tcpCloseBoundedWhenMixerNeverCloses() {
    TcpPeer peer;
    peer.start({}, 4000); // keeps its side open for 4 s after the client's end of data
    TCPComms link(QHostAddress::LocalHost, peer.port());
    QVERIFY(link.Open());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(link.Close());
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= TCPComms::kCloseDrainMs - 50 && elapsed < TCPComms::kCloseDrainMs + 700,
             qPrintable(QString::number(elapsed)));
    QVERIFY(!link.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(peer.sawEndOfData(), 2000);
}

// ---- SerialComms -------------------------------------------------------------------------

void TestLinks::comPortNames() {
#ifdef Q_OS_WIN
    QCOMPARE(comPortName(1), QStringLiteral("COM1"));
    QCOMPARE(comPortName(10), QStringLiteral("COM10"));
#else
    QCOMPARE(comPortName(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(comPortName(10), QStringLiteral("/dev/ttyS9"));
#endif
    const auto com3 = parseSerialEndpoint(QStringLiteral("com3"));
    QVERIFY(com3 && com3->device == comPortName(3) && com3->comNumber == 3);
}

void TestLinks::serialBytesOnTheWire() {
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
    SerialComms link(pty.slavePath(), 9600);
    QVERIFY(link.sendInChunks());
    QCOMPARE(link.Write("x", 1), 0); // not open
    QVERIFY(link.Open());
    QCOMPARE(link.Write("x", 0), 0);
    const QByteArray bytes("<IN,1,LB,\xC3\xA9\r\n\0/>", 16);
    QCOMPARE(link.Write(bytes.constData(), int(bytes.size())), 16);
    QCOMPARE(pty.readExactly(16, 2000), bytes);
    QVERIFY(pty.readFor(50).isEmpty());
    QVERIFY(link.Close());
}

void TestLinks::serialLineSettings_data() {
    QTest::addColumn<int>("rate");
    for (int rate : supportedBaudRates())
        QTest::addRow("%d", rate) << rate;
}

void TestLinks::serialLineSettings() {
    QFETCH(int, rate);
    PtyPair pty;
    QVERIFY(pty.isValid());
    SerialComms link(pty.slavePath(), rate);
    QVERIFY(link.Open());
    const PtyPair::LineSettings s = pty.lineSettings();
    QCOMPARE(s.baud, rate);
    QCOMPARE(s.dataBits, 8);
    QVERIFY(!s.parity);
    QCOMPARE(s.stopBits, 1);
    QVERIFY(!s.hardwareFlow);
    QVERIFY(!s.softwareFlow);
    QVERIFY(s.raw);
    link.Close();
}

void TestLinks::serialConfigureRates_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("lineRate"); // what the master side sees afterwards
    QTest::newRow("300") << 300 << 1 << 300;
    QTest::newRow("19200") << 19200 << 1 << 19200;
    QTest::newRow("1200") << 1200 << 1 << 1200;
    QTest::newRow("38400 unsupported") << 38400 << 0 << 4800;
    QTest::newRow("115200 unsupported") << 115200 << 0 << 4800;
    QTest::newRow("0") << 0 << 0 << 4800;
    QTest::newRow("-9600") << -9600 << 0 << 4800;
}

void TestLinks::serialConfigureRates() {
    QFETCH(int, rate);
    QFETCH(int, result);
    QFETCH(int, lineRate);
    PtyPair pty;
    SerialComms link(pty.slavePath(), 4800);
    QVERIFY(!link.Configure(rate)); // closed port
    QVERIFY(link.Open());
    QCOMPARE(link.Configure(rate), result);
    QCOMPARE(link.baudRate(), result ? rate : 4800);
    QCOMPARE(pty.lineSettings().baud, lineRate);
    QCOMPARE(pty.lineSettings().dataBits, 8);
    link.Close();
}

void TestLinks::serialOpenStates() {
    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    QVERIFY(!link.Close());
    QVERIFY(link.Open());
    QVERIFY(!link.Open());
    QVERIFY(link.isOpen());
    QVERIFY(link.Close());
    QVERIFY(!link.Close());
    // The same port opens again (a probe, then a job).
    QVERIFY(link.Open());
    link.Write("ok", 2);
    QCOMPARE(pty.readExactly(2, 2000), QByteArray("ok"));
    link.Close();

    SerialComms badRate(pty.slavePath(), 14400);
    QVERIFY(!badRate.Open());
    QVERIFY(!badRate.isOpen());
}

void TestLinks::serialMissingDeviceFailsOpen() {
    SerialComms link(QStringLiteral("/dev/hzm-no-such-port"), 9600);
    QVERIFY(!link.Open());
    QVERIFY(!link.isOpen());
    QVERIFY(!link.errorString().isEmpty());
    char buffer[kReplyBufferSize];
    QCOMPARE(link.ReadReply(buffer), 0);
}

void TestLinks::serialReplyFromMixer() {
    PtyPair pty;
    SerialComms link(pty.slavePath(), 9600);
    QVERIFY(link.Open());
    char buffer[kReplyBufferSize];

    // Nothing arrives at first; each Read returns after a short poll.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(link.Read(buffer, 100), 0);
    QVERIFY(timer.elapsed() < 500);

    // A reply in two pieces, 400 ms apart, is joined.
    std::thread mixer([&] {
        pty.write("<sy,vq ");
        QThread::msleep(400);
        pty.write("1.05/>");
    });
    timer.restart();
    const int n = link.ReadReply(buffer);
    mixer.join();
    QCOMPARE(QByteArray(buffer, n), QByteArray("<sy,vq 1.05/>"));
    QVERIFY(timer.elapsed() >= 350 && timer.elapsed() < 1300);

    // Silence: the collection gives up after one second.
    timer.restart();
    QCOMPARE(link.ReadReply(buffer), 0);
    QVERIFY(timer.elapsed() >= 990 && timer.elapsed() < 1600);
    link.Close();
}

// ---- Making links ------------------------------------------------------------------------

void TestLinks::makeLinkChoosesTransport() {
    LinkSelection selection;
    QVERIFY(dynamic_cast<NullComms *>(selection.makeLink().get()));
    selection = SerialEndpoint{QStringLiteral("/dev/pts/99"), 2400};
    auto serial = selection.makeLink();
    auto *s = dynamic_cast<SerialComms *>(serial.get());
    QVERIFY(s);
    QCOMPARE(s->portName(), QStringLiteral("/dev/pts/99"));
    QCOMPARE(s->baudRate(), 2400);
    selection = TcpEndpoint{QHostAddress(QStringLiteral("127.0.0.1")), 5000}; // replaces the port
    QVERIFY(!selection.serial());
    auto tcp = selection.makeLink();
    QVERIFY(dynamic_cast<TCPComms *>(tcp.get()));
    QCOMPARE(tcp->describe(), QStringLiteral("127.0.0.1:5000"));
}

// The text form of a link: read, written back the same, and clear about what is wrong.
void TestLinks::linkTextForms_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written"); // empty: refused
    QTest::addColumn<QString>("error");
    QTest::newRow("tcp") << "tcp:127.0.0.1:4001" << "tcp:127.0.0.1:4001" << "";
    QTest::newRow("tcp, port left out") << "tcp:127.0.0.2" << "tcp:127.0.0.2:4999" << "";
    QTest::newRow("tcp, IPv6") << "tcp:[::1]:4001" << "tcp:[::1]:4001" << "";
    QTest::newRow("tcp, host name") << "tcp:localhost:4001" << "tcp:127.0.0.1:4001" << "";
    QTest::newRow("serial") << "serial:/dev/ttyUSB0" << "serial:/dev/ttyUSB0" << "";
    QTest::newRow("serial at a rate") << "serial:/dev/pts/7@19200" << "serial:/dev/pts/7@19200" << "";
    QTest::newRow("Com n") << "serial:com10@300" << "serial:COM10@300" << "";
    QTest::newRow("tcp, empty port") << "tcp:127.0.0.1:" << "" << "no port after the colon";
    QTest::newRow("tcp, port 0") << "tcp:127.0.0.1:0" << "" << "not a TCP port: 0";
    QTest::newRow("tcp, no host") << "tcp::4999" << "" << "no host in :4999";
    QTest::newRow("tcp, open bracket") << "tcp:[::1:4999" << "" << "not an address";
    QTest::newRow("serial, odd rate") << "serial:/dev/ttyS0@1234" << "" << "1234 is not a rate of the mixer";
    QTest::newRow("serial, rate only") << "serial:@9600" << "" << "no serial port";
    QTest::newRow("COM11") << "serial:COM11" << "" << "COM ports are COM1 to COM10";
    QTest::newRow("no kind") << "127.0.0.1:4999" << "" << "tcp:HOST[:PORT] or serial:DEVICE[@BAUD]";
}

void TestLinks::linkTextForms() {
    QFETCH(QString, text);
    QFETCH(QString, written);
    QFETCH(QString, error);
    QString why;
    const std::optional<LinkSelection> link = LinkSelection::fromText(text, &why);
    QCOMPARE(link.has_value(), !written.isEmpty());
    if (!link) {
        QVERIFY2(why.contains(error), qPrintable(why));
        return;
    }
    QCOMPARE(link->toText(), written);
    QCOMPARE(LinkSelection::fromText(written), link);
}

QTEST_GUILESS_MAIN(TestLinks)
#include "tst_links.moc"
