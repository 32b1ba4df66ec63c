// The Mixer menu and the log's Save Log... driven as a user would: real widgets offscreen, the
// simulated mixer in-process, message boxes and file dialogs answered in advance.

#include "CompareDialog.h"
#include "InstallerKeyPage.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "PageControls.h"
#include "TcpSettingsDialog.h"

#include "SimServer.h"
#include "model/SettingsView.h"
#include "protocol/ChangesJob.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace hzm;

namespace {

const QString kUnknownBaseline =
    QStringLiteral("The program does not know what HZM-1 holds: Send Changes works after a Read HZM1, "
                   "Send All or Send Changes on this port.\n\nSend all settings to HZM-1 instead ?");

// The table's rows as "field | this file | mixer", in the order shown.
QStringList tableRows(QTableView *table) {
    QStringList rows;
    const QAbstractItemModel *model = table->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
}

} // namespace

class TestMixerChanges : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void compareChangesNothing_data();
    void compareChangesNothing();
    void sendChangesSendsOnlyTheDifference();
    void baselineForgotten_data();
    void baselineForgotten();
    void saveLog_data();
    void saveLog();
    void screenshots();

private:
    void chooseEthernet();
    QAction *action(const QString &name) const { return m_window->findChild<QAction *>(name); }
    QPushButton *button(const QString &name) const { return m_window->findChild<QPushButton *>(name); }
    // Runs Compare with HZM1... and returns the table's rows and the summary line.
    QStringList compare(QString *summary = nullptr);

    std::unique_ptr<sim::SimServer> m_sim;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

void TestMixerChanges::init() {
    m_boxes = std::make_unique<ScriptedMessageBoxes>();
    m_window = std::make_unique<MainWindow>(*m_boxes);
    m_window->setSleeper([](Pause, int) {});
    m_window->show();
    QTRY_COMPARE(m_boxes->shown().size(), 1); // the start-up prompt
    sim::SimOptions options;
    options.tcpPort = 0;
    m_sim = std::make_unique<sim::SimServer>(options);
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    m_sim->mixer().setSettings(sim::SimMixer::demoSettings());
}

void TestMixerChanges::cleanup() {
    if (m_window)
        m_window->modifiedFlag().set(0);
    m_window.reset();
    m_boxes.reset();
    m_sim.reset();
}

void TestMixerChanges::chooseEthernet() {
    m_window->setDialogHook([this](QDialog *dialog) {
        if (auto *tcp = qobject_cast<TcpSettingsDialog *>(dialog)) {
            tcp->addressEdit()->setText(QStringLiteral("127.0.0.1"));
            tcp->portEdit()->setText(QString::number(m_sim->tcpPort()));
            QTest::mouseClick(tcp->okButton(), Qt::LeftButton);
        }
    });
    action(QStringLiteral("actionEthernet"))->trigger();
    m_window->setDialogHook({});
    QVERIFY(m_window->linkSelection().tcp());
}

QStringList TestMixerChanges::compare(QString *summary) {
    QStringList rows;
    bool shown = false;
    m_window->setDialogHook([&](QDialog *dialog) {
        auto *compare = qobject_cast<CompareDialog *>(dialog);
        if (!compare)
            return;
        shown = true;
        rows = tableRows(compare->table());
        if (summary)
            *summary = compare->summary();
        // Sorted by the mixer's column, then back in the listing's order; the button copies all.
        compare->table()->sortByColumn(CompareDialog::MixerColumn, Qt::DescendingOrder);
        compare->table()->sortByColumn(CompareDialog::FieldColumn, Qt::AscendingOrder);
        compare->copyButton()->click();
        compare->table()->grab().save(QStringLiteral("/tmp/hzm-compare-table.png"));
        compare->grab().save(QStringLiteral("/tmp/hzm-compare.png"));
        compare->reject();
    });
    action(QStringLiteral("actionCompare"))->trigger();
    m_window->setDialogHook({});
    if (!shown)
        rows << QStringLiteral("(no compare dialog)");
    return rows;
}

void TestMixerChanges::compareChangesNothing_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("summary");
    const QString notReadable = NotReadableText();
    QTest::newRow("current mixer") << QStringLiteral("1.05")
                                   << QStringList{QStringLiteral("Zone 1 Name | Bar area | Bar"),
                                                  QStringLiteral("Zone 2 Level | -3 dB | -14 dB"),
                                                  QStringLiteral(
                                                      "System Paging priority attenuation | -5 dB | -25 dB")}
                                   << QStringLiteral("3 fields differ between this file and the mixer.");
    // An older mixer cannot report names, mic gates and the paging attenuation; its Read all
    // would write the file's attenuation: the compare must not.
    QTest::newRow("mixer of software 1.04")
        << QStringLiteral("1.04")
        << QStringList{QStringLiteral("Zone 1 Name | Bar area | ") + notReadable,
                       QStringLiteral("Zone 2 Level | -3 dB | -14 dB")}
        << QString();
}

void TestMixerChanges::compareChangesNothing() {
    QFETCH(QString, version);
    QFETCH(QStringList, rows);
    QFETCH(QString, summary);
    m_sim->mixer().setSoftwareVersion(version);
    const MixerSettings mixer = m_sim->mixer().settings();
    QVERIFY(!action(QStringLiteral("actionCompare"))->isEnabled());
    chooseEthernet();
    QVERIFY(action(QStringLiteral("actionCompare"))->isEnabled());

    MixerSettings edited = sim::SimMixer::demoSettings();
    edited.zones[0].name = QStringLiteral("Bar area");
    edited.zones[1].level = 3;
    edited.system.pagingPriorityAttenuation = 5;
    m_window->settings() = edited;
    m_boxes->clear();
    QString shownSummary;
    const QStringList shown = compare(&shownSummary);

    for (const QString &row : rows)
        QVERIFY2(shown.contains(row), qPrintable(row + QStringLiteral("\nnot in\n") + shown.join('\n')));
    if (!summary.isEmpty()) {
        QCOMPARE(shown, rows);
        QCOMPARE(shownSummary, summary);
    } else {
        QVERIFY(shown.contains(QStringLiteral("System Paging priority attenuation | -5 dB | ") +
                               NotReadableText()));
    }
    // Copied as tab-separated text with a heading.
    const QString copied = QApplication::clipboard()->text();
    QVERIFY(copied.startsWith(QStringLiteral("Field\tThis file\tMixer\n")));
    QVERIFY(copied.contains(QStringLiteral("Zone 2 Level\t-3 dB\t-14 dB\n")));

    // Nothing was sent, nothing was changed: not the mixer, not the record being edited.
    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(m_boxes->unexpected(), 0);
    QCOMPARE(m_sim->mixer().settings(), mixer);
    QCOMPARE(m_window->settings(), edited);
    QVERIFY(!m_window->windowTitle().endsWith(QLatin1Char('*')));
}

void TestMixerChanges::sendChangesSendsOnlyTheDifference() {
    chooseEthernet();
    QTest::mouseClick(button(QStringLiteral("readAll")), Qt::LeftButton);
    QVERIFY(m_window->mixerBaseline().has_value());
    const MixerSettings baseline = m_window->mixerBaseline()->held;

    // One zone renamed and one input's gain changed: two commands.
    m_window->settings().zones[2].name = QStringLiteral("Lobby East");
    m_window->settings().inputs[4].gain = 1;
    const QStringList expected = ChangedCommandBodies(baseline, m_window->settings(), QStringLiteral("1.05"));
    QCOMPARE(expected.size(), 2);
    m_sim->mixer().clearLog();
    m_boxes->clear();
    m_boxes->queueAnswer(true);
    action(QStringLiteral("actionSendChanges"))->trigger();
    QCOMPARE(m_boxes->texts(),
             (QStringList{QStringLiteral("Send the changes to HZM-1 ?\n2 commands will be sent."),
                          QStringLiteral("Transfer complete.")}));
    QCOMPARE(m_sim->mixer().receivedBodies(), expected);
    QVERIFY(m_sim->mixer().settings().sameConfiguration(m_window->settings()));

    // The mixer now holds the record: nothing more to send, and nothing goes.
    m_sim->mixer().clearLog();
    m_boxes->clear();
    action(QStringLiteral("actionSendChanges"))->trigger();
    QCOMPARE(m_boxes->texts(), QStringList{NothingToSendText()});
    QCOMPARE(m_sim->mixer().receivedBodies(), QStringList());
    QCOMPARE(m_boxes->unexpected(), 0);
}

void TestMixerChanges::baselineForgotten_data() {
    QTest::addColumn<QString>("event");
    QTest::newRow("port chosen again") << QStringLiteral("port");
    QTest::newRow("failed transfer") << QStringLiteral("failure");
    QTest::newRow("set defaults") << QStringLiteral("setDefaults");
    QTest::newRow("a page's send") << QStringLiteral("sendSystem");
}

void TestMixerChanges::baselineForgotten() {
    QFETCH(QString, event);
    chooseEthernet();
    m_boxes->queueAnswer(true);
    QTest::mouseClick(button(QStringLiteral("sendAll")), Qt::LeftButton);
    QVERIFY(m_window->mixerBaseline().has_value());
    // Get Version changes nothing on the mixer: the baseline stays.
    QTest::mouseClick(button(QStringLiteral("getVersion")), Qt::LeftButton);
    QVERIFY(m_window->mixerBaseline().has_value());

    if (event == QLatin1String("port")) {
        chooseEthernet();
    } else if (event == QLatin1String("failure")) {
        m_sim->mixer().refuseNext(QStringLiteral("*"), 1000);
        QTest::mouseClick(button(QStringLiteral("getVersion")), Qt::LeftButton);
        QCOMPARE(m_boxes->texts().last(), QStringLiteral("Transfer failed."));
        m_sim->mixer().clearFaults();
    } else {
        QTest::mouseClick(button(event), Qt::LeftButton);
        QCOMPARE(m_boxes->texts().last(), QStringLiteral("Transfer complete."));
    }
    QVERIFY(!m_window->mixerBaseline().has_value());

    // Send Changes says so and offers Send All: No sends nothing, Yes sends everything.
    m_window->settings().zones[0].name = QStringLiteral("Snug");
    m_sim->mixer().clearLog();
    m_boxes->clear();
    m_boxes->queueAnswer(false);
    action(QStringLiteral("actionSendChanges"))->trigger();
    QCOMPARE(m_boxes->texts(), QStringList{kUnknownBaseline});
    QCOMPARE(m_sim->mixer().receivedBodies(), QStringList());
    m_boxes->queueAnswer(true);
    action(QStringLiteral("actionSendChanges"))->trigger();
    QCOMPARE(m_boxes->texts().last(), QStringLiteral("Transfer complete."));
    QVERIFY(m_sim->mixer().settings().sameConfiguration(m_window->settings()));
    QVERIFY(m_window->mixerBaseline().has_value());
    QCOMPARE(m_boxes->unexpected(), 0);
}

void TestMixerChanges::saveLog_data() {
    QTest::addColumn<QString>("relative"); // empty: the file is written
    QTest::newRow("written") << QString();
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/log.txt");
    QTest::newRow("a folder") << QStringLiteral("folder.txt");
}

void TestMixerChanges::saveLog() {
    QFETCH(QString, relative);
    chooseEthernet();
    // A key change: the log shows the keys masked, and so must the file.
    auto *page = m_window->page(2);
    QVERIFY(page);
    test::control<QLineEdit>(*page, QStringLiteral("oldKey"))->setText(QStringLiteral("1234"));
    test::control<QLineEdit>(*page, QStringLiteral("newKey"))->setText(QStringLiteral("5678"));
    test::control<QLineEdit>(*page, QStringLiteral("repeatKey"))->setText(QStringLiteral("5678"));
    test::control<QPushButton>(*page, QStringLiteral("sendKey"))->click();
    QCOMPARE(m_sim->mixer().installerKey(), QStringLiteral("5678"));
    LogWindow *log = m_window->logWindow();
    QVERIFY(log);
    log->appendLine(QStringLiteral("Zone \u00e9t\u00e9 \u2013 caf\u00e9"), LogColour::Command); // non-ASCII
    const QString shown = log->text();
    QVERIFY(shown.contains(QStringLiteral("SY,K********")));

    const QString path = m_dir.filePath(relative.isEmpty() ? QStringLiteral("log.txt") : relative);
    QDir(m_dir.path()).mkpath(QStringLiteral("folder.txt"));
    m_boxes->clear();
    m_boxes->queuePath(path);
    QTest::mouseClick(log->saveButton(), Qt::LeftButton);
    QCOMPARE(m_boxes->shown().first().kind, MessageBoxes::Kind::SaveFile);
    QCOMPARE(m_boxes->shown().first().caption, QStringLiteral("Save Log"));
    QVERIFY(m_boxes->shown().first().request.overwritePrompt);
    if (relative.isEmpty()) {
        QCOMPARE(m_boxes->shown().size(), 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, (shown + QLatin1Char('\n')).toUtf8());
        QVERIFY(!bytes.contains("12345678"));
    } else {
        QCOMPARE(m_boxes->shown().size(), 2);
        QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Error);
        QVERIFY2(
            m_boxes->last()->text.startsWith(
                QStringLiteral("Unable to save the log to \"%1\".\n").arg(QDir::toNativeSeparators(path))),
            qPrintable(m_boxes->last()->text));
    }
    QCOMPARE(m_boxes->unexpected(), 0);
}

void TestMixerChanges::screenshots() {
    chooseEthernet();
    QTest::mouseClick(button(QStringLiteral("readAll")), Qt::LeftButton);
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("menuMixer"));
    QVERIFY(menu);
    menu->popup(m_window->mapToGlobal(QPoint(40, 0)));
    QTest::qWait(50);
    menu->grab().save(QStringLiteral("/tmp/hzm-mixer-menu.png"));
    menu->hide();
    m_window->grab().save(QStringLiteral("/tmp/hzm-main.png"));

    m_window->settings().zones[0].name = QStringLiteral("Snug");
    m_boxes->clear();
    m_boxes->queueAnswer(false);
    action(QStringLiteral("actionSendChanges"))->trigger();
    QMessageBox box(QMessageBox::Question, m_boxes->last()->caption, m_boxes->last()->text,
                    QMessageBox::Yes | QMessageBox::No);
    box.grab().save(QStringLiteral("/tmp/hzm-send-changes.png"));
    m_window->settings().zones[1].level = 3;
    m_window->settings().system.pagingPriorityAttenuation = 5;
    compare();

    LogWindow *log = m_window->EnsureLogWindow();
    log->showLog(false);
    QTest::qWait(20);
    log->grab().save(QStringLiteral("/tmp/hzm-log.png"));
}

QTEST_MAIN(TestMixerChanges)
#include "tst_mixerchanges.moc"
