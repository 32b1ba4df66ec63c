// Edits made on the pages and sent with their send buttons end up in the simulated mixer.

#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"
#include "SimServer.h"
#include "SystemPage.h"
#include "protocol/TransferWorker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace hzm;

namespace {

void choose(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace

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
        choose(page.control<QComboBox>(OutputsPage::Selector), 2); // Zone 3
        QLineEdit *name = page.control<QLineEdit>(OutputsPage::Name);
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Patio"));
        choose(page.control<QComboBox>(OutputsPage::Level), 20);
        const int micInputs = m_settings.zones[2].micInputMask;
        page.control<QCheckBox>(OutputsPage::MicInput3)->click(); // Mic 3
        choose(page.control<QComboBox>(OutputsPage::Bass), 3);
        QTest::mouseClick(page.control<QPushButton>(OutputsPage::SendOutput), Qt::LeftButton);
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
        page.control<QCheckBox>(OutputsPage::Member2)->click();       // Zone 2
        page.control<QCheckBox>(OutputsPage::Member8)->click();       // Zone 8
        page.control<QCheckBox>(OutputsPage::Enabled)->click();       // Enabled
        choose(page.control<QComboBox>(OutputsPage::SelectInput), 8); // Off
        QTest::mouseClick(page.control<QPushButton>(OutputsPage::SendOutput), Qt::LeftButton);
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
        choose(system.control<QComboBox>(SystemPage::MicPriorityHold), 1); // Mic Priority hold "2"
        choose(system.control<QComboBox>(SystemPage::MuteSource), 9);      // Mic 1
        system.control<QCheckBox>(SystemPage::MicGate3)->click();
        QTest::mouseClick(system.control<QPushButton>(SystemPage::SendSystem), Qt::LeftButton);
        QCOMPARE(m_lastResult, 1);
        QVERIFY(m_server->mixer().receivedBodies().contains(QStringLiteral("MI,H2")));
        choose(inputs.control<QComboBox>(InputsPage::Selector), 3);
        choose(inputs.control<QComboBox>(InputsPage::Gain), 0);
        QTest::mouseClick(inputs.control<QPushButton>(InputsPage::SendInput), Qt::LeftButton);
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
        page.control<QLineEdit>(InstallerKeyPage::OldKey)->setText(QStringLiteral("1234"));
        page.control<QLineEdit>(InstallerKeyPage::NewKey)->setText(QStringLiteral("8765"));
        page.control<QLineEdit>(InstallerKeyPage::RepeatKey)->setText(QStringLiteral("8765"));
        QTest::mouseClick(page.control<QPushButton>(InstallerKeyPage::SendKey), Qt::LeftButton);
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
