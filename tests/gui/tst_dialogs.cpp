// The small dialogs: TCP/IP settings (entry rules, discovery on loopback), the progress dialog
// against the simulated mixer, the baud-rate detection window, help and about.

#include "AboutDialog.h"
#include "BaudRateDialog.h"
#include "HelpDialog.h"
#include "MessageBoxes.h"
#include "TcpSettingsDialog.h"
#include "TransferDialog.h"

#include "SimServer.h"
#include "discovery/DiscoveryModel.h"
#include "protocol/MixerJobs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <atomic>

using namespace hzm;

Q_DECLARE_METATYPE(QHostAddress)

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void tcpEntries_data();
    void tcpEntries();
    void tcpDiscoveryAndDoubleClick();
    void tcpColumnWidths();
    void transferShowsCommandsAndRefusals();
    void transferCannotBeClosed();
    void baudRateDialogWaitsForDetection();
    void helpAndAbout();
};

namespace {

DiscoveryInterface loopback() {
    return DiscoveryInterface::fromText(QStringLiteral("127.0.0.2"), QStringLiteral("255.0.0.0"));
}

} // namespace

void TestDialogs::tcpEntries_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("shownAddress"); // what the edit holds after typing
    QTest::newRow("plain") << "192.168.1.20"
                           << "4999" << true << "192.168.1.20";
    QTest::newRow("port 1") << "10.0.0.1"
                            << "1" << true << "10.0.0.1";
    QTest::newRow("port 65535") << "10.0.0.1"
                                << "65535" << true << "10.0.0.1";
    QTest::newRow("port 0") << "10.0.0.1"
                            << "0" << false << "10.0.0.1";
    QTest::newRow("port 65536 (not cut to 16 bits)") << "10.0.0.1"
                                                     << "65536" << false << "10.0.0.1";
    QTest::newRow("port empty") << "10.0.0.1"
                                << "" << false << "10.0.0.1";
    QTest::newRow("letters refused while typing") << "10.0.0.1x"
                                                  << "49x99" << true << "10.0.0.1";
    QTest::newRow("octet above 255 refused") << "10.0.0.256"
                                             << "4999" << true << "10.0.0.25";
    QTest::newRow("three octets") << "10.0.0"
                                  << "4999" << false << "10.0.0";
    QTest::newRow("host name refused") << "mixer.local"
                                       << "4999" << false << "";
}

void TestDialogs::tcpEntries() {
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(bool, accepted);
    QFETCH(QString, shownAddress);
    ScriptedMessageBoxes boxes;
    TcpSettingsDialog dialog(QHostAddress(QStringLiteral("192.168.0.100")), 4999, boxes, nullptr);
    dialog.setDiscoveryInterfaces({loopback()}, 1);
    QCOMPARE(dialog.addressEdit()->text(), QStringLiteral("192.168.0.100"));
    QCOMPARE(dialog.portEdit()->text(), QStringLiteral("4999"));
    dialog.show();
    dialog.addressEdit()->clear();
    QTest::keyClicks(dialog.addressEdit(), address);
    dialog.portEdit()->clear();
    QTest::keyClicks(dialog.portEdit(), port);
    QCOMPARE(dialog.addressEdit()->text(), shownAddress);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(dialog.result() == QDialog::Accepted && !dialog.isVisible(), accepted);
    if (accepted) {
        QCOMPARE(dialog.address(), QHostAddress(shownAddress));
        QCOMPARE(int(dialog.port()), QString(port).remove(QLatin1Char('x')).toInt());
        QVERIFY(boxes.shown().isEmpty());
    } else {
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.last()->caption, QStringLiteral("Error"));
        QVERIFY(dialog.isVisible());
        // Cancel leaves the endpoint as it was.
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.address(), QHostAddress(QStringLiteral("192.168.0.100")));
        QCOMPARE(int(dialog.port()), 4999);
    }
    QVERIFY(!dialog.discovery().isRunning());
}

void TestDialogs::tcpDiscoveryAndDoubleClick() {
    sim::SimOptions options;
    options.tcpPort = -1;
    options.discoveryPort = 0;
    options.discoveryFrom = QHostAddress(QStringLiteral("127.0.0.2"));
    sim::SimServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    ScriptedMessageBoxes boxes;
    TcpSettingsDialog dialog(QHostAddress(QStringLiteral("192.168.0.100")), 4321, boxes, nullptr);
    dialog.setDiscoveryInterfaces({loopback()}, server.discoveryPort());
    dialog.show();
    QVERIFY(dialog.discovery().isRunning());
    QTRY_COMPARE(dialog.model()->rowCount(), 1);
    QCOMPARE(dialog.model()->mixers().first().name, options.name);

    // Refresh keeps the row; the same mixer answering again adds none.
    QTest::mouseClick(dialog.refreshButton(), Qt::LeftButton);
    QTest::qWait(300);
    QCOMPARE(dialog.model()->rowCount(), 1);

    // A click fills the address; a double click also confirms, keeping the typed port.
    const QRect rect = dialog.list()->visualRect(dialog.model()->index(0, 1));
    QTest::mouseClick(dialog.list()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(dialog.addressEdit()->text(), QStringLiteral("127.0.0.2"));
    QVERIFY(dialog.isVisible());
    dialog.addressEdit()->setText(QStringLiteral("10.1.1.1"));
    QTest::mouseDClick(dialog.list()->viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.address(), QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(int(dialog.port()), 4321);
    QVERIFY(!dialog.discovery().isRunning()); // every thread ended with the dialog
    QVERIFY(boxes.shown().isEmpty());
}

void TestDialogs::tcpColumnWidths() {
    QCOMPARE(TcpSettingsDialog::columnWidths(600), (QList<int>{120, 120, 150, 210}));
    QCOMPARE(TcpSettingsDialog::columnWidths(537), (QList<int>{107, 107, 134, 188}));
    ScriptedMessageBoxes boxes;
    TcpSettingsDialog dialog(QHostAddress(QStringLiteral("192.168.0.100")), 4999, boxes, nullptr);
    dialog.setDiscoveryInterfaces({loopback()}, 1);
    dialog.show();
    const QList<int> expected = TcpSettingsDialog::columnWidths(dialog.list()->viewport()->width());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(dialog.list()->columnWidth(i), expected[i]);
    dialog.reject();
}

void TestDialogs::transferShowsCommandsAndRefusals() {
    sim::SimOptions options;
    options.tcpPort = 0;
    sim::SimServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    server.mixer().refuseNext(QStringLiteral("SY,VQ"), 1); // refused once, then answered

    const LinkSelection selection = TcpEndpoint{QHostAddress::LocalHost, server.tcpPort()};
    MixerSettings settings;
    ScriptedMessageBoxes boxes;
    QStringList responses;
    QList<QColor> responseColours;
    QList<LogColour> logColours;
    QColor refusal;
    {
        TransferDialog dialog(selection, settings, GetVersionJob(), boxes, nullptr);
        refusal = dialog.refusalColour();
        dialog.setSleeper([](Pause, int) {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Transfer in progress"));
        QVERIFY(dialog.findChildren<QPushButton *>().isEmpty());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dialog.commandLabel()->palette().color(QPalette::WindowText), dialog.commandColour());
        connect(&dialog, &TransferDialog::logLine, this,
                [&](const QString &, LogColour colour) { logColours << colour; });
        // Watch every reply the dialog shows, with the colour it shows it in.
        auto *watch = new QTimer(&dialog);
        connect(watch, &QTimer::timeout, &dialog, [&] {
            const QString text = dialog.responseLabel()->text();
            if (!text.isEmpty() && (responses.isEmpty() || responses.last() != text)) {
                responses << text;
                responseColours << dialog.responseLabel()->palette().color(QPalette::WindowText);
            }
        });
        server.mixer().setFaults([] {
            sim::FaultSettings faults;
            faults.refuse = {{QStringLiteral("SY,VQ"), 1}};
            faults.replyDelayMs = 60;
            return faults;
        }());
        watch->start(5);
        const TransferResult result = dialog.run();
        QVERIFY(result.success);
        QCOMPARE(result.refreshTabs, 0);
        QCOMPARE(dialog.commandLabel()->text(), QStringLiteral("<SY,VQ/>"));
        QCOMPARE(dialog.progressBar()->value(), dialog.progressBar()->maximum());
        // The last reply, as the dialog showed it when it closed.
        if (responses.last() != dialog.responseLabel()->text()) {
            responses << dialog.responseLabel()->text();
            responseColours << dialog.responseLabel()->palette().color(QPalette::WindowText);
        }
    }
    QCOMPARE(settings.softwareVersion, QStringLiteral("1.05"));
    QCOMPARE(responses.size(), 2);
    QVERIFY(responses[0].contains(QLatin1String("<!")));
    QVERIFY(responses[1].startsWith(QLatin1String("<sy,vq")));
    QCOMPARE(responseColours[0], refusal);
    QVERIFY(responseColours[1] != refusal);
    QCOMPARE(logColours, (QList<LogColour>{LogColour::Command, LogColour::Failure, LogColour::Command,
                                           LogColour::GoodReply}));
}

void TestDialogs::transferCannotBeClosed() {
    sim::SimOptions options;
    options.tcpPort = 0;
    sim::SimServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    sim::FaultSettings faults;
    faults.replyDelayMs = 300;
    server.mixer().setFaults(faults);
    const LinkSelection selection = TcpEndpoint{QHostAddress::LocalHost, server.tcpPort()};
    MixerSettings settings;
    ScriptedMessageBoxes boxes;
    TransferDialog dialog(selection, settings, ResetJob(), boxes, nullptr);
    bool stillOpen = false;
    QTimer::singleShot(50, &dialog, [&] {
        dialog.close();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        stillOpen = dialog.isVisible();
        dialog.grab().save(QStringLiteral("/tmp/hzm-transfer-running.png"));
    });
    const TransferResult result = dialog.run();
    QVERIFY(stillOpen);
    QVERIFY(result.success);
    QVERIFY(!dialog.isVisible());
}

void TestDialogs::baudRateDialogWaitsForDetection() {
    std::atomic<bool> ended{false};
    BaudRateDialog dialog(
        [&ended] {
            QThread::msleep(200);
            ended = true;
            return true;
        },
        nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Baud Rate"));
    QCOMPARE(dialog.findChild<QLabel *>()->text(), QStringLiteral("Detecting HZM1 baud rate..."));
    bool stillOpen = false;
    QTimer::singleShot(50, &dialog, [&] {
        dialog.close();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        stillOpen = dialog.isVisible();
        dialog.grab().save(QStringLiteral("/tmp/hzm-baud.png"));
    });
    QCOMPARE(dialog.run(), 1);
    QVERIFY(stillOpen);
    QVERIFY(ended);
    QVERIFY(dialog.found());

    BaudRateDialog silent([] { return false; }, nullptr);
    QVERIFY(!silent.run());
}

void TestDialogs::helpAndAbout() {
    const QString help = HelpDialog::helpText();
    for (const char *topic : {"9600", "9-pin", "straight-through", "RS232 Baud Rate", "RS232 Flow", "No Flow",
                              "\"Port\"", "COM1", "Log Window", "\"View\"", "installer key"})
        QVERIFY2(help.contains(QLatin1String(topic)), topic);
    HelpDialog dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Help"));
    QCOMPARE(dialog.textEdit()->toPlainText(), help);
    QVERIFY(dialog.textEdit()->isReadOnly());

    AboutDialog about(nullptr);
    QCOMPARE(about.windowTitle(), QStringLiteral("About HZM1 Utility Tool"));
    QStringList texts;
    for (QLabel *label : about.findChildren<QLabel *>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("HZM-1 / HZM-1e Utility Tool")));
    QVERIFY(texts.contains(
        QStringLiteral("This software works best with HZM-1 software V1.05 and above.\nIf your "
                       "HZM-1 has a lower version you should upgrade it.\n\nBefore upgrading use "
                       "this tool to back up the existing settings on the HZM-1.")));
    QVERIFY(texts.contains(
        QStringLiteral("This tool cannot read labels from a HZM-1 with software V1.04 or lower.")));
    QVERIFY(texts.contains(QStringLiteral("Version " HZM_VERSION ". Free software under the MIT License.")));
    QVERIFY(!AboutDialog::appIcon().isNull());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
