// Edit > Undo and Redo over the pages' controls, and Mixer > Live against the simulated mixer,
// driven as a user would: real widgets offscreen, message boxes and file dialogs answered in
// advance.

#include "EditHistory.h"
#include "LiveSender.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "PageControls.h"

#include "SimServer.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace hzm;
using test::choose;

class TestUndoLive : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void undoRedo_data();
    void undoRedo();
    void modifiedFollowsTheSteps();
    void liveSession();
    void liveEnds_data();
    void liveEnds();
    void screenshots();

private:
    QAction *action(const QString &name) const { return m_window->findChild<QAction *>(name); }
    bool starred() const { return m_window->windowTitle().endsWith(QLatin1Char('*')); }
    // Makes the edit a row of undoRedo describes, on the page and record it names.
    void edit(int tab, int record, const QString &control, const QVariant &choice);
    // Reads the mixer and turns Live on.
    void startLive();
    QStringList received(const QString &prefix) const;

    std::unique_ptr<sim::SimServer> m_sim;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

void TestUndoLive::init() {
    m_boxes = std::make_unique<ScriptedMessageBoxes>();
    m_window = std::make_unique<MainWindow>(*m_boxes);
    m_window->setSleeper([](Pause, int) {});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_COMPARE(m_boxes->shown().size(), 1); // the start-up prompt
    m_boxes->clear();
    sim::SimOptions options;
    options.tcpPort = 0;
    m_sim = std::make_unique<sim::SimServer>(options);
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    m_sim->mixer().setSettings(sim::SimMixer::demoSettings());
    m_window->setDemoMixer(m_sim->tcpAddress(), m_sim->tcpPort(), m_sim->discoveryPort());
}

void TestUndoLive::cleanup() {
    if (m_window)
        m_window->modifiedFlag().set(0);
    m_window.reset();
    m_boxes.reset();
    m_sim.reset();
}

void TestUndoLive::edit(int tab, int record, const QString &control, const QVariant &choice) {
    TabPage *page = m_window->page(tab);
    m_window->tabs()->setCurrentWidget(page);
    page->showRecord(record);
    QWidget *widget = test::control(*page, control);
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        choose(combo, choice.toInt());
    } else if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        line->selectAll();
        QTest::keyClicks(line, choice.toString()); // one edit a key
        QTest::keyClick(line, Qt::Key_Return);
    } else {
        qobject_cast<QAbstractButton *>(widget)->click();
    }
}

void TestUndoLive::startLive() {
    QTest::mouseClick(m_window->findChild<QAbstractButton *>(QStringLiteral("readAll")), Qt::LeftButton);
    action(QStringLiteral("actionLive"))->trigger();
    QVERIFY(m_window->liveSender()->isOn());
    m_sim->mixer().clearLog();
    m_boxes->clear();
}

QStringList TestUndoLive::received(const QString &prefix) const {
    QStringList bodies = m_sim->mixer().receivedBodies();
    bodies.removeIf([&prefix](const QString &body) { return !body.startsWith(prefix); });
    return bodies;
}

// One step a change, of every kind of control, named after its field, record and all; Undo
// shows where it was made and puts the value back, Redo makes it again, and the title's asterisk
// follows.
void TestUndoLive::undoRedo_data() {
    QTest::addColumn<int>("tab"); // 0 Inputs, 1 Outputs, 3 System
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QVariant>("choice"); // a combo entry's value, a text to type, or a click
    QTest::addColumn<QString>("name");
    QTest::newRow("combo box") << 1 << 1 << "outputLevel" << QVariant(20) << "Zone 2 Level";
    QTest::newRow("tone") << 1 << 4 << "bass" << QVariant(3) << "Zone 5 Bass";
    QTest::newRow("member check box") << 1 << 9 << "member3" << QVariant() << "Group 2 Group Members Zone 3";
    QTest::newRow("flag check box") << 1 << 8 << "groupEnabled" << QVariant()
                                    << "Group 1 Group Members Enabled";
    QTest::newRow("radio button") << 3 << -1 << "accessOutput" << QVariant() << "Access Contacts Output";
    QTest::newRow("name typed") << 0 << 2 << "inputName" << QVariant(QStringLiteral("Lobby"))
                                << "Input 3 Name";
    QTest::newRow("zone name") << 1 << 6 << "outputName" << QVariant(QStringLiteral("Patio"))
                               << "Zone 7 Name";
    QTest::newRow("system combo") << 3 << -1 << "pagingHold" << QVariant(5) << "Paging Mic Priority Hold";
}

void TestUndoLive::undoRedo() {
    QFETCH(int, tab);
    QFETCH(int, record);
    QFETCH(QString, control);
    QFETCH(QVariant, choice);
    QFETCH(QString, name);
    QAction *undo = action(QStringLiteral("actionUndo"));
    QAction *redo = action(QStringLiteral("actionRedo"));
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QCOMPARE(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                                     QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
    const MixerSettings before = m_window->settings();
    edit(tab, record, control, choice);
    const MixerSettings after = m_window->settings();
    QVERIFY(after != before);
    QVERIFY(starred());
    QCOMPARE(m_window->editHistory()->steps().count(), 1); // a typed name too
    QCOMPARE(undo->text(), QStringLiteral("&Undo ") + name);

    // Elsewhere, Undo brings the page and the record back and shows the old value.
    TabPage *page = m_window->page(tab);
    m_window->tabs()->setCurrentIndex(tab == 1 ? 0 : 1);
    m_window->page(1)->showRecord(record == 0 ? 3 : 0);
    undo->trigger();
    QCOMPARE(m_window->settings().sameConfiguration(before), true);
    QCOMPARE(m_window->tabs()->currentWidget(), page);
    QCOMPARE(page->shownRecord(), record);
    QCOMPARE(QApplication::focusWidget(), test::control(*page, control));
    QVERIFY(!starred());
    QVERIFY(!undo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("&Redo ") + name);

    redo->trigger();
    QCOMPARE(m_window->settings().sameConfiguration(after), true);
    QVERIFY(starred());
    QCOMPARE(undo->text(), QStringLiteral("&Undo ") + name);
    QCOMPARE(m_boxes->unexpected(), 0);
}

// The asterisk is off exactly at the step of the last New, Open or save; a read and an Open are
// not undone edit by edit.
void TestUndoLive::modifiedFollowsTheSteps() {
    QAction *undo = action(QStringLiteral("actionUndo"));
    QAction *redo = action(QStringLiteral("actionRedo"));
    edit(1, 0, QStringLiteral("outputLevel"), 10);
    m_boxes->queuePath(m_dir.filePath(QStringLiteral("saved.hzc")));
    action(QStringLiteral("actionSave"))->trigger();
    QVERIFY(!starred());
    edit(1, 0, QStringLiteral("outputLevel"), 12);
    QVERIFY(starred());
    undo->trigger();
    QVERIFY(!starred()); // as saved
    undo->trigger();
    QVERIFY(starred()); // before the save
    redo->trigger();
    QVERIFY(!starred());
    QVERIFY(!action(QStringLiteral("actionSave"))->isEnabled());

    // An Open forgets the steps; what was loaded counts as saved.
    edit(1, 0, QStringLiteral("outputLevel"), 14);
    m_boxes->queueAnswer(true); // discard
    m_boxes->queuePath(m_dir.filePath(QStringLiteral("saved.hzc")));
    action(QStringLiteral("actionOpen"))->trigger();
    QCOMPARE(m_window->settings().zones[0].level, 10);
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QVERIFY(!starred());

    // A read forgets them too, and what it read is unsaved, however far Undo goes.
    edit(1, 0, QStringLiteral("outputLevel"), 16);
    QTest::mouseClick(m_window->findChild<QAbstractButton *>(QStringLiteral("readAll")), Qt::LeftButton);
    QVERIFY(!undo->isEnabled());
    QVERIFY(starred());
    edit(1, 0, QStringLiteral("outputLevel"), 18);
    undo->trigger();
    QVERIFY(starred());

    // New: nothing to undo, nothing unsaved.
    m_boxes->queueAnswer(true);
    action(QStringLiteral("actionNew"))->trigger();
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QVERIFY(!starred());
    QCOMPARE(m_boxes->unexpected(), 0);
}

// Live needs to know what the mixer holds and offers to read it; then a zone's level, its EQ and
// a group's member reach the mixer as they are changed, without a question or a progress dialog,
// and so does what Undo puts back. Ten quick changes of one field go as two commands.
void TestUndoLive::liveSession() {
    m_boxes->queueAnswer(true); // read HZM1 first
    action(QStringLiteral("actionLive"))->trigger();
    QCOMPARE(m_boxes->texts().first(),
             QStringLiteral("Live needs to know what HZM-1 holds: it works after a Read HZM1, Send All or "
                            "Send Changes on this port.\n\nRead HZM1 now ? The settings being edited are "
                            "replaced by those of HZM-1."));
    QVERIFY(m_window->liveSender()->isOn());
    QVERIFY(action(QStringLiteral("actionLive"))->isChecked());
    m_boxes->clear();
    m_sim->mixer().clearLog();

    edit(1, 1, QStringLiteral("outputLevel"), 20);
    QTRY_COMPARE(m_sim->mixer().settings().zones[1].level, 20);
    QCOMPARE(m_sim->mixer().receivedBodies(), QStringList{QStringLiteral("Z2.MU,L20")});
    QTRY_COMPARE(m_window->statusBar()->currentMessage(),
                 QStringLiteral("Live: Zone 2 Level \u221220 dB sent"));
    edit(1, 1, QStringLiteral("bass"), 3);
    QTRY_COMPARE(m_sim->mixer().settings().zoneEq[1].bass, 3);
    const int members = m_window->settings().groups[0].memberMask;
    edit(1, 8, QStringLiteral("member5"), {});
    QTRY_COMPARE(m_sim->mixer().settings().groups[0].memberMask, members ^ 16);
    QTRY_VERIFY(!m_window->liveSender()->isSending());
    action(QStringLiteral("actionUndo"))->trigger();
    QTRY_COMPARE(m_sim->mixer().settings().groups[0].memberMask, members);
    QTRY_VERIFY(m_window->statusBar()->currentMessage().startsWith(
        QStringLiteral("Live: Group 1 Group Members Zone 5 off")));

    // Ten changes while a send runs: the first goes, then one more with the last value.
    QTRY_VERIFY(!m_window->liveSender()->isSending());
    m_sim->mixer().clearLog();
    for (int level = 30; level < 40; ++level)
        edit(1, 2, QStringLiteral("outputLevel"), level);
    QTRY_COMPARE(m_sim->mixer().settings().zones[2].level, 39);
    QTRY_VERIFY(!m_window->liveSender()->isSending());
    QCOMPARE(received(QStringLiteral("Z3.MU,L")), (QStringList{"Z3.MU,L30", "Z3.MU,L39"}));

    // Every live command is in the log; nothing asked, nothing shown.
    QVERIFY(m_window->logWindow()->text().contains(QStringLiteral("<Z3.MU,L39/>")));
    QCOMPARE(m_boxes->texts(), QStringList());
    QVERIFY(m_window->mixerBaseline()->held.sameConfiguration(m_window->settings()));
}

// A failed send turns Live off with one message and forgets what the mixer holds; choosing a
// port, New, Open and the transfer buttons turn it off too.
void TestUndoLive::liveEnds_data() {
    QTest::addColumn<QString>("event");
    QTest::newRow("failed send") << QStringLiteral("failure");
    QTest::newRow("port chosen") << QStringLiteral("port");
    QTest::newRow("New") << QStringLiteral("new");
    QTest::newRow("Open") << QStringLiteral("open");
    QTest::newRow("transfer button") << QStringLiteral("getVersion");
    QTest::newRow("turned off") << QStringLiteral("off");
}

void TestUndoLive::liveEnds() {
    QFETCH(QString, event);
    startLive();
    if (event == QLatin1String("failure")) {
        m_sim->mixer().refuseNext(QStringLiteral("*"), 1000);
        edit(1, 1, QStringLiteral("outputLevel"), 20);
        QTRY_VERIFY(!m_window->liveSender()->isOn());
        QTRY_VERIFY(!m_window->liveSender()->isSending());
        QCOMPARE(m_boxes->texts(),
                 QStringList{QStringLiteral("Live sending failed: Zone 2 Level \u221220 dB did not reach "
                                            "HZM-1.\n\nLive is off, and the program no longer knows what "
                                            "HZM-1 holds.")});
        QVERIFY(!m_window->mixerBaseline().has_value());
        // Later changes send nothing and say nothing.
        m_sim->mixer().clearFaults();
        m_sim->mixer().clearLog();
        edit(1, 1, QStringLiteral("outputLevel"), 22);
        QTest::qWait(50);
        QCOMPARE(m_sim->mixer().receivedBodies(), QStringList());
        QCOMPARE(m_boxes->texts().size(), 1);
    } else if (event == QLatin1String("port")) {
        m_window->setDialogHook([](QDialog *dialog) { dialog->accept(); }); // the same mixer
        action(QStringLiteral("actionEthernet"))->trigger();
    } else if (event == QLatin1String("new")) {
        m_boxes->queueAnswer(true); // discard what was read
        action(QStringLiteral("actionNew"))->trigger();
    } else if (event == QLatin1String("open")) {
        m_boxes->queueAnswer(true);
        m_boxes->queuePath(QStringLiteral(HZM_FIXTURES_DIR "/files/factory-defaults.hzc"));
        action(QStringLiteral("actionOpen"))->trigger();
    } else if (event == QLatin1String("off")) {
        action(QStringLiteral("actionLive"))->trigger();
    } else {
        QTest::mouseClick(m_window->findChild<QAbstractButton *>(event), Qt::LeftButton);
    }
    QVERIFY(!m_window->liveSender()->isOn());
    QVERIFY(!action(QStringLiteral("actionLive"))->isChecked());
    QVERIFY(!m_window->findChild<QWidget *>(QStringLiteral("liveMark"))->isVisible());
    QCOMPARE(m_boxes->unexpected(), 0);
}

void TestUndoLive::screenshots() {
    startLive();
    edit(1, 1, QStringLiteral("outputLevel"), 20);
    QTRY_VERIFY(m_window->statusBar()->currentMessage().endsWith(QStringLiteral(" sent")));
    edit(1, 1, QStringLiteral("bass"), 3);
    QTRY_VERIFY(!m_window->liveSender()->isSending());
    m_window->grab().save(QStringLiteral("/tmp/hzm-live.png"));
    // Undo and Redo come first in the Edit menu, set apart from the entries it always had.
    QStringList shown;
    const auto grabMenu = [&](const QString &title, const QString &file) {
        for (QAction *entry : m_window->menuBar()->actions()) {
            if (entry->text() != title)
                continue;
            QMenu *menu = entry->menu();
            shown.clear();
            for (QAction *item : menu->actions())
                shown << (item->isSeparator() ? QStringLiteral("-") : item->text());
            menu->popup(m_window->mapToGlobal(QPoint(40, 0)));
            QTest::qWait(50);
            menu->grab().save(file);
            menu->hide();
        }
    };
    grabMenu(QStringLiteral("&Edit"), QStringLiteral("/tmp/hzm-edit-menu.png"));
    QCOMPARE(shown, (QStringList{"&Undo Zone 2 Bass", "&Redo", "-", "Cu&t", "&Copy", "&Paste"}));
    grabMenu(QStringLiteral("&Mixer"), QStringLiteral("/tmp/hzm-live-menu.png"));
}

QTEST_MAIN(TestUndoLive)
#include "tst_undolive.moc"
