// Edits made on the pages and sent with their send buttons end up in the simulated mixer.

#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"
#include "PageControls.h"
#include "SimServer.h"
#include "SystemPage.h"
#include "protocol/TransferWorker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace hzm;
using test::choose;
using test::control;

class PagesFlowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        sim::SimOptions options;
        options.tcpPort = 0;
        m_server = std::make_unique<sim::SimServer>(options);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        m_selection = TcpEndpoint{QHostAddress(QHostAddress::LocalHost), m_server->tcpPort()};
        m_settings = MixerSettings();
        m_modified = ModifiedFlag();
        m_jobs = 0;
    }
    void cleanup() { m_server.reset(); }

    void zoneEditSent() {
        OutputsPage page(m_settings, m_modified);
        connectJobs(page);
        page.show();
        page.refresh();
        choose(control<QComboBox>(page, "outputSelector"), 2); // Zone 3
        QLineEdit *name = control<QLineEdit>(page, "outputName");
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Patio"));
        choose(control<QComboBox>(page, "outputLevel"), 20);
        const int micInputs = m_settings.zones[2].micInputMask;
        control<QCheckBox>(page, "micInput3")->click(); // Mic 3
        choose(control<QComboBox>(page, "bass"), 3);
        QTest::mouseClick(control<QPushButton>(page, "sendOutput"), Qt::LeftButton);
        QCOMPARE(m_jobs, 1);
        QCOMPARE(m_lastResult, 1);
        const MixerSettings mixer = m_server->mixer().settings();
        QCOMPARE(mixer.zones[2].name, QStringLiteral("Patio"));
        QCOMPARE(mixer.zones[2].level, 20);
        QCOMPARE(mixer.zones[2].micInputMask, micInputs ^ 4);
        QCOMPARE(mixer.zoneEq[2].bass, 3);
        QCOMPARE(mixer.zones[2], m_settings.zones[2]);
        QCOMPARE(mixer.zones[0], MixerSettings().zones[0]); // only the shown output went out
    }

    void groupEditSent() {
        m_settings.selectedOutput = 10; // Group 3
        OutputsPage page(m_settings, m_modified);
        connectJobs(page);
        page.show();
        page.refresh();
        control<QCheckBox>(page, "member2")->click();       // Zone 2
        control<QCheckBox>(page, "member8")->click();       // Zone 8
        control<QCheckBox>(page, "groupEnabled")->click();  // Enabled
        choose(control<QComboBox>(page, "selectInput"), 8); // Off
        QTest::mouseClick(control<QPushButton>(page, "sendOutput"), Qt::LeftButton);
        QCOMPARE(m_lastResult, 1);
        const MixerSettings mixer = m_server->mixer().settings();
        QCOMPARE(mixer.groups[2].memberMask, 2 | 128);
        QCOMPARE(mixer.groups[2].enabled, 1);
        QCOMPARE(mixer.zones[10].sourceInput, 8);
    }

    void systemAndInputSent() {
        SystemPage system(m_settings, m_modified);
        InputsPage inputs(m_settings, m_modified);
        connectJobs(system);
        connectJobs(inputs);
        system.refresh();
        inputs.refresh();
        choose(control<QComboBox>(system, "micPriorityHold"), 1); // Mic Priority hold "2"
        choose(control<QComboBox>(system, "muteSource"), 9);      // Mic 1
        control<QCheckBox>(system, "micGate3")->click();
        QTest::mouseClick(control<QPushButton>(system, "sendSystem"), Qt::LeftButton);
        QCOMPARE(m_lastResult, 1);
        QVERIFY(m_server->mixer().receivedBodies().contains(QStringLiteral("MI,H2")));
        choose(control<QComboBox>(inputs, "inputSelector"), 3);
        choose(control<QComboBox>(inputs, "inputGain"), 0);
        QTest::mouseClick(control<QPushButton>(inputs, "sendInput"), Qt::LeftButton);
        QCOMPARE(m_lastResult, 1);
        const MixerSettings mixer = m_server->mixer().settings();
        QCOMPARE(mixer.system, m_settings.system);
        QCOMPARE(mixer.system.muteSource, 9);
        QCOMPARE(mixer.inputs[3].gain, 0);
    }

    void keyChangeSent() {
        InstallerKeyPage page(m_settings, m_modified);
        ScriptedMessageBoxes boxes;
        page.setMessageBoxes(&boxes);
        connectJobs(page);
        control<QLineEdit>(page, "oldKey")->setText(QStringLiteral("1234"));
        control<QLineEdit>(page, "newKey")->setText(QStringLiteral("8765"));
        control<QLineEdit>(page, "repeatKey")->setText(QStringLiteral("8765"));
        QTest::mouseClick(control<QPushButton>(page, "sendKey"), Qt::LeftButton);
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(m_lastResult, 1);
        QCOMPARE(m_server->mixer().installerKey(), QStringLiteral("8765"));
    }

private:
    void connectJobs(TabPage &page) {
        page.setJobRunner([this](const TransferJob &job) {
            ++m_jobs;
            m_lastResult = TransferWorker::runBlocking(m_selection, m_settings, job).success ? 1 : 0;
        });
    }

    std::unique_ptr<sim::SimServer> m_server;
    LinkSelection m_selection;
    MixerSettings m_settings;
    ModifiedFlag m_modified;
    int m_jobs = 0;
    int m_lastResult = -1;
};

QTEST_MAIN(PagesFlowTest)
#include "tst_pages_flow.moc"
