// The main window driven as a user would: real widgets offscreen, the simulated mixer in-process,
// message boxes and file dialogs answered in advance.

#include "InputsPage.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "PageControls.h"
#include "TcpSettingsDialog.h"
#include "TransferDialog.h"

#include "SimServer.h"
#include "files/SettingsFile.h"
#include "link/SerialComms.h"

#include "discovery/DiscoveryModel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace hzm;

namespace {

// The eleven transfer buttons: five on the main window, six on the tab pages.
const QStringList kTransferButtons = {"getVersion",     "sendAll",   "readAll",       "setDefaults",
                                      "resetMixer",     "sendInput", "sendAllInputs", "sendOutput",
                                      "sendAllOutputs", "sendKey",   "sendSystem"};

QList<QPushButton *> transferButtons(QWidget *window) {
    QList<QPushButton *> found;
    for (const QString &name : kTransferButtons) {
        if (auto *button = window->findChild<QPushButton *>(name))
            found << button;
    }
    return found;
}

void saveShot(QWidget *widget, const QString &name) {
    widget->grab().save(QStringLiteral("/tmp/hzm-%1.png").arg(name));
}

// Discovery asks on loopback only, where the simulated mixer answers from 127.0.0.2.
DiscoveryInterface loopback() {
    return DiscoveryInterface::fromText(QStringLiteral("127.0.0.2"), QStringLiteral("255.0.0.0"));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpAsksForAPortFirst();
    void asteriskAndSaveMarks();
    void exitWithUnsavedChanges();
    void readSaveNewOpen();
    void saveAfterOpenAsksForAName();
    void openFailure_data();
    void openFailure();
    void damagedFileWarnsAndIsNotSent();
    void fileAtStartUp_data();
    void fileAtStartUp();
    void menuEntries_data();
    void menuEntries();
    void accelerators();
    void saveFailureKeepsAsterisk_data();
    void saveFailureKeepsAsterisk();
    void failingTransfer_data();
    void failingTransfer();
    void demoStartsReady_data();
    void demoStartsReady();
    void portEntriesNameTheirDevices();
    void portRadioMark();
    void busyPortKeepsSelection();
    void logWindowToggles();
    void logFollowsWithoutLiftingBoxes_data();
    void logFollowsWithoutLiftingBoxes();
    void screenshots();

private:
    void startSim(bool pty = false, bool ownAddress = false);
    // Port > Ethernet, typing the simulated mixer's endpoint and pressing OK.
    void chooseEthernet(const QString &address, quint16 port);
    // A menu entry by its name ("actionSave").
    QAction *action(const QString &name) const { return m_window->findChild<QAction *>(name); }
    QPushButton *button(const QString &name) const { return m_window->findChild<QPushButton *>(name); }

    std::unique_ptr<sim::SimServer> m_sim;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

void TestMainWindow::init() {
    m_boxes = std::make_unique<ScriptedMessageBoxes>();
    m_window = std::make_unique<MainWindow>(*m_boxes);
    m_window->setSleeper([](Pause, int) {});
    m_window->setDiscoveryInterfaces({loopback()}, 1); // nothing answers unless a test says so
    m_window->show();
    QTRY_COMPARE(m_boxes->shown().size(), 1); // the start-up prompt
}

void TestMainWindow::cleanup() {
    if (m_window)
        m_window->modifiedFlag().set(0);
    m_window.reset();
    m_boxes.reset();
    m_sim.reset();
}

void TestMainWindow::startSim(bool pty, bool ownAddress) {
    sim::SimOptions options;
    options.tcpPort = pty ? -1 : 0;
    options.pty = pty;
    options.discoveryPort = 0;
    options.discoveryFrom = QHostAddress(QStringLiteral("127.0.0.2"));
    if (ownAddress)
        options.bindAddress = options.discoveryFrom; // as in demo mode: the listed address answers
    m_sim = std::make_unique<sim::SimServer>(options);
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    m_sim->mixer().setSettings(sim::SimMixer::demoSettings());
    m_window->setDiscoveryInterfaces({loopback()}, m_sim->discoveryPort());
}

void TestMainWindow::chooseEthernet(const QString &address, quint16 port) {
    bool driven = false;
    m_window->setDialogHook([&](QDialog *dialog) {
        auto *tcp = qobject_cast<TcpSettingsDialog *>(dialog);
        if (!tcp)
            return;
        tcp->addressEdit()->setText(address);
        tcp->portEdit()->setText(QString::number(port));
        driven = true;
        QTest::mouseClick(tcp->okButton(), Qt::LeftButton);
    });
    action("actionEthernet")->trigger();
    m_window->setDialogHook({});
    QVERIFY(driven);
}

void TestMainWindow::startUpAsksForAPortFirst() {
    const auto &first = m_boxes->shown().first();
    QCOMPARE(first.kind, MessageBoxes::Kind::Information);
    QCOMPARE(first.caption, QStringLiteral("Choose a Port"));
    QCOMPARE(first.text,
             QStringLiteral("Please choose either a COM Port, or Ethernet, from the \"Port\" menu, to "
                            "connect to the HZM-1."));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Orvane Utility Tool V2.24 "));
    const QList<QPushButton *> buttons = transferButtons(m_window.get());
    QCOMPARE(buttons.size(), 11);
    for (QPushButton *button : buttons)
        QVERIFY2(!button->isEnabled(), qPrintable(button->text()));
    QStringList tabs;
    for (int i = 0; i < m_window->tabs()->count(); ++i)
        tabs << m_window->tabs()->tabText(i);
    QCOMPARE(tabs, (QStringList{"Inputs", "Outputs", "Installer Key", "System"}));
    QCOMPARE(m_window->tabs()->currentIndex(), 0);
}

void TestMainWindow::asteriskAndSaveMarks() {
    m_window->updateMenuMarks();
    QVERIFY(!action("actionSave")->isEnabled());
    QVERIFY(!action("actionSaveAs")->isEnabled());

    // An edit on a page: one asterisk, however many edits follow.
    auto *name = test::control<QLineEdit>(*m_window->page(0), QStringLiteral("inputName"));
    name->setFocus();
    QTest::keyClicks(name, "Ab");
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Orvane Utility Tool V2.24 *"));
    m_window->updateMenuMarks();
    QVERIFY(action("actionSave")->isEnabled());
    QVERIFY(action("actionSaveAs")->isEnabled());

    // New asks first; No keeps everything.
    m_boxes->queueAnswer(false);
    action("actionNew")->trigger();
    QCOMPARE(m_boxes->last()->text, QStringLiteral("Discard current changes ?"));
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Confirm"));
    QVERIFY(m_window->settings().inputs[0].name.endsWith(QLatin1String("Ab")));
    QVERIFY(m_window->windowTitle().endsWith(QLatin1Char('*')));

    m_boxes->queueAnswer(true);
    action("actionNew")->trigger();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Orvane Utility Tool V2.24 "));
    QCOMPARE(m_window->settings(), MixerSettings());
    QCOMPARE(name->text(), MixerSettings().inputs[0].name);
    m_window->updateMenuMarks();
    QVERIFY(!action("actionSave")->isEnabled());
    QCOMPARE(m_boxes->unexpected(), 0);
}

void TestMainWindow::exitWithUnsavedChanges() {
    m_window->modifiedFlag().set(1);
    m_boxes->queueAnswer(false);
    action("actionExit")->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Question);
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Confirm"));
    QCOMPARE(m_boxes->last()->text, QStringLiteral("Close without saving changes ?"));
    QVERIFY(m_window->isVisible());

    m_boxes->queueAnswer(true);
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

void TestMainWindow::readSaveNewOpen() {
    startSim();
    chooseEthernet(QStringLiteral("127.0.0.1"), m_sim->tcpPort());
    QVERIFY(m_window->linkSelection().tcp());
    for (QPushButton *button : transferButtons(m_window.get()))
        QVERIFY2(button->isEnabled(), qPrintable(button->text()));

    // Read HZM1: the pages show the mixer's settings, the title its asterisk.
    m_boxes->clear();
    QTest::mouseClick(button(QStringLiteral("readAll")), Qt::LeftButton);
    QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Transfer complete.")});
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Success"));
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Information);
    const MixerSettings mixer = sim::SimMixer::demoSettings();
    QVERIFY(m_window->settings().sameConfiguration(mixer));
    QVERIFY(m_window->windowTitle().endsWith(QLatin1String("V2.24 *")));
    auto *inputs = static_cast<InputsPage *>(m_window->page(0));
    QCOMPARE(test::control<QLineEdit>(*inputs, QStringLiteral("inputName"))->text(),
             mixer.inputs[m_window->settings().selectedInput].name);
    for (QPushButton *button : transferButtons(m_window.get()))
        QVERIFY(button->isEnabled());

    // The log holds the conversation: the version query first, in the command colour.
    LogWindow *log = m_window->logWindow();
    QVERIFY(log);
    QVERIFY(log->lineCount() > 100);
    QCOMPARE(log->text().section(QLatin1Char('\n'), 0, 0), QStringLiteral("<SY,VQ/>"));
    QCOMPARE(log->lineColour(0), LogWindow::colourFor(LogColour::Command, log->editor()->palette()));
    QCOMPARE(log->lineColour(1), LogWindow::colourFor(LogColour::GoodReply, log->editor()->palette()));

    // Save As: the default name, the filter, the file written, the asterisk gone.
    const QString path = m_dir.filePath(QStringLiteral("mixer.hzc"));
    m_boxes->queuePath(path);
    action("actionSaveAs")->trigger();
    const FileDialogRequest saveRequest = m_boxes->last()->request;
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::SaveFile);
    QCOMPARE(saveRequest.title, QStringLiteral("Save As"));
    QCOMPARE(saveRequest.initialPath, QStringLiteral("Config.hzc"));
    QCOMPARE(saveRequest.filters, QStringList{QStringLiteral("HZM Config Files (*.hzc)")});
    QCOMPARE(saveRequest.defaultSuffix, QStringLiteral("hzc"));
    QVERIFY(saveRequest.overwritePrompt);
    QVERIFY(QFile::exists(path));
    QCOMPARE(m_window->savePath(), path);
    QVERIFY(!m_window->windowTitle().endsWith(QLatin1Char('*')));

    // New: nothing changed since the save, so no question.
    const int shownBefore = m_boxes->shown().size();
    action("actionNew")->trigger();
    QCOMPARE(m_boxes->shown().size(), shownBefore);
    QVERIFY(m_window->settings().sameConfiguration(MixerSettings()));

    // Open: the file brings the mixer's settings back; the dialog starts at the save path.
    m_boxes->queuePath(path);
    action("actionOpen")->trigger();
    const FileDialogRequest openRequest = m_boxes->last()->request;
    QCOMPARE(openRequest.title, QStringLiteral("Open"));
    QCOMPARE(openRequest.initialPath, path);
    QCOMPARE(openRequest.filters,
             (QStringList{QStringLiteral("HZM Config Files (*.hzc)"), QStringLiteral("All files (*)")}));
    QVERIFY(openRequest.mustExist);
    QVERIFY(m_window->settings().sameConfiguration(mixer));
    QCOMPARE(test::control<QLineEdit>(*inputs, QStringLiteral("inputName"))->text(),
             mixer.inputs[m_window->settings().selectedInput].name);
    QVERIFY(!m_window->windowTitle().endsWith(QLatin1Char('*')));

    // Export Text: asks for a name first, then writes the command stream there.
    const QString exportPath = m_dir.filePath(QStringLiteral("mixer.txt"));
    m_boxes->queuePath(exportPath);
    action("actionExport")->trigger();
    const FileDialogRequest exportRequest = m_boxes->last()->request;
    QCOMPARE(exportRequest.title, QStringLiteral("Export As"));
    QCOMPARE(exportRequest.initialPath, QStringLiteral("Export.txt"));
    QCOMPARE(exportRequest.filters, QStringList{QStringLiteral("HZM Exported Text (*.txt)")});
    QCOMPARE(exportRequest.defaultSuffix, QStringLiteral("txt"));
    QFile exported(exportPath);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QVERIFY(exported.readAll().contains("<Z1.M1,"));
    exported.close(); // Windows removes no file that is open
    // A second Export goes straight to the same file.
    const int dialogs = m_boxes->shown().size();
    QVERIFY(QFile::remove(exportPath));
    action("actionExport")->trigger();
    QCOMPARE(m_boxes->shown().size(), dialogs);
    QVERIFY(QFile::exists(exportPath));

    // Send All asks first; the mixer then holds what the utility holds.
    m_sim->mixer().setSettings(MixerSettings());
    m_boxes->queueAnswer(true);
    QTest::mouseClick(button(QStringLiteral("sendAll")), Qt::LeftButton);
    QCOMPARE(
        m_boxes->texts().mid(m_boxes->texts().size() - 2),
        (QStringList{QStringLiteral("Send all settings to HZM-1 ?"), QStringLiteral("Transfer complete.")}));
    QVERIFY(m_sim->mixer().settings().sameConfiguration(mixer));
    QCOMPARE(m_boxes->unexpected(), 0);
}

void TestMainWindow::saveAfterOpenAsksForAName() {
    const QString path = m_dir.filePath(QStringLiteral("other.hzc"));
    MixerSettings settings;
    settings.inputs[2].name = QStringLiteral("Bar");
    ModifiedFlag flag;
    QVERIFY(SaveSettingsFile(path, settings, flag));

    m_boxes->queuePath(path);
    action("actionOpen")->trigger();
    QCOMPARE(m_window->settings().inputs[2].name, QStringLiteral("Bar"));
    QVERIFY(m_window->savePath().isEmpty()); // Open does not change the save path

    m_window->modifiedFlag().set(1);
    m_boxes->queuePath(QString()); // cancelled
    action("actionSave")->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::SaveFile);
    QCOMPARE(m_boxes->last()->request.initialPath, QStringLiteral("Config.hzc"));
    QVERIFY(m_window->windowTitle().endsWith(QLatin1Char('*')));
}

void TestMainWindow::openFailure_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("opened"); // the file could be opened, so the settings were replaced
    QTest::newRow("missing file") << QStringLiteral("missing.hzc") << false;
    QTest::newRow("a folder") << QStringLiteral("folder.hzc") << false;
    QTest::newRow("headers only") << QStringLiteral("short.hzc") << true;
}

void TestMainWindow::openFailure() {
    QFETCH(QString, relative);
    QFETCH(bool, opened);
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.hzc"));
    QFile shortFile(m_dir.filePath(QStringLiteral("short.hzc")));
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    shortFile.write("ORVANE HZM-1 CONFIG\nV2.24\n");
    shortFile.close();

    m_window->settings().inputs[1].name = QStringLiteral("Edited");
    m_window->modifiedFlag().set(1);
    m_boxes->queueAnswer(true); // discard the changes
    m_boxes->queuePath(m_dir.filePath(relative));
    action("actionOpen")->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Error);
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Error"));
    QCOMPARE(m_boxes->last()->text, QStringLiteral("Unable to load file"));
    if (opened) {
        QVERIFY(m_window->settings().sameConfiguration(MixerSettings()));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Orvane Utility Tool V2.24 "));
    } else {
        // Nothing was loaded: the edits are still there, and still marked as unsaved.
        QCOMPARE(m_window->settings().inputs[1].name, QStringLiteral("Edited"));
        QVERIFY(m_window->modifiedFlag().value());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Orvane Utility Tool V2.24 *"));
    }
    QCOMPARE(m_boxes->unexpected(), 0);
}

// A damaged file still loads (missing values read 0), with a warning naming the line; a value
// outside its range then keeps Send All from sending anything, with the field named.
void TestMainWindow::damagedFileWarnsAndIsNotSent() {
    QList<QByteArray> lines = settingsFileBytes(MixerSettings()).mid(3).split('\n');
    lines[2][7] = '\0';                      // inside zone 1's name
    lines[3] = lines[3].left(52) + "00C8\r"; // zone 2's minimum level: 200
    const QString path = m_dir.filePath(QStringLiteral("damaged.hzc"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join('\n'));
    file.close();

    m_boxes->queuePath(path);
    action("actionOpen")->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Warning);
    QCOMPARE(
        m_boxes->last()->text,
        QStringLiteral("The file \"%1\" is damaged:\nLine 3: a NUL character at column 8\n\nIt was loaded "
                       "as far as it could be read; missing values were set to 0. Check the settings "
                       "before sending them to HZM-1.")
            .arg(QDir::toNativeSeparators(path)));
    QCOMPARE(m_window->settings().zones[0].level, 0);
    QCOMPARE(m_window->settings().zones[1].minLevel, 200);

    startSim();
    chooseEthernet(QStringLiteral("127.0.0.1"), m_sim->tcpPort());
    m_boxes->clear();
    m_boxes->queueAnswer(true); // "Send all settings to HZM-1 ?"
    QTest::mouseClick(button(QStringLiteral("sendAll")), Qt::LeftButton);
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Error);
    QCOMPARE(m_boxes->last()->text,
             QStringLiteral("Nothing was sent: these values lie outside their ranges.\nZone 2 Minimum level: "
                            "200 is outside 0 to 62\n\nChoose valid values on the pages, then send again."));
    QCOMPARE(m_sim->tcpConnectionCount(), 0);
    QCOMPARE(m_boxes->unexpected(), 0);
}

// "hzm-utility FILE": the file is opened as File > Open would, before the port prompt; the title
// names the file the settings came from until they come from elsewhere.
void TestMainWindow::fileAtStartUp_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("loads");
    QTest::newRow("settings file") << QStringLiteral("venue.hzc") << true;
    QTest::newRow("missing file") << QStringLiteral("missing.hzc") << false;
    QTest::newRow("not a settings file") << QStringLiteral("notes.txt") << false;
}

void TestMainWindow::fileAtStartUp() {
    QFETCH(QString, relative);
    QFETCH(bool, loads);
    MixerSettings stored;
    stored.inputs[2].name = QStringLiteral("Bar");
    ModifiedFlag flag;
    QVERIFY(SaveSettingsFile(m_dir.filePath(QStringLiteral("venue.hzc")), stored, flag));
    QFile notes(m_dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("Zone 3 is the bar.\n");
    notes.close();

    ScriptedMessageBoxes boxes;
    MainWindow window(boxes);
    window.openAtStart(m_dir.filePath(relative));
    window.show();
    const QString prompt =
        QStringLiteral("Please choose either a COM Port, or Ethernet, from the \"Port\" menu, "
                       "to connect to the HZM-1.");
    QTRY_VERIFY(boxes.texts().contains(prompt));
    if (loads) {
        QCOMPARE(boxes.texts(), QStringList{prompt});
        QVERIFY(window.settings().sameConfiguration(stored));
    } else {
        QCOMPARE(boxes.texts(), (QStringList{QStringLiteral("Unable to load file"), prompt}));
        QCOMPARE(boxes.shown().first().caption, QStringLiteral("Error"));
    }
    QCOMPARE(window.windowTitle(), MainWindow::baseTitle());
    QCOMPARE(boxes.unexpected(), 0);
    window.modifiedFlag().set(0);
}

void TestMainWindow::menuEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keys"); // shown beside the text
    const struct {
        const char *name;
        const char *menu;
        const char *text;
        const char *keys;
    } entries[] = {
        {"actionNew", "&File", "&New", "Ctrl+N"},
        {"actionOpen", "&File", "&Open", "Ctrl+O"},
        {"actionExport", "&File", "&Export Text", ""},
        {"actionExportAs", "&File", "Ex&port Text As...", ""},
        {"actionSave", "&File", "&Save", "Ctrl+S"},
        {"actionSaveAs", "&File", "Save &As...", ""},
        {"actionExit", "&File", "E&xit", ""},
        {"actionUndo", "&Edit", "&Undo", "Ctrl+Z"},
        {"actionRedo", "&Edit", "&Redo", "Ctrl+Y"},
        {"actionCut", "&Edit", "Cu&t", "Ctrl+X"},
        {"actionCopy", "&Edit", "&Copy", "Ctrl+C"},
        {"actionPaste", "&Edit", "&Paste", "Ctrl+V"},
        {"actionLogOnTop", "&View", "&Log Window On Top", ""},
        {"actionLog", "&View", "L&og Window", ""},
        {"actionCom1", "&Port", "Com &1", ""},
        {"actionCom4", "&Port", "Com &4", ""},
        {"actionCom5", "&Port", "Com &5", ""},
        {"actionCom9", "&Port", "Com &9", ""},
        {"actionCom10", "&Port", "Com 1&0", ""},
        {"actionEthernet", "&Port", "Ethernet", ""},
        {"actionOtherPort", "&Port", "Other Serial Port...", ""},
        {"actionLive", "&Mixer", "&Live", "Ctrl+L"},
        {"actionHelp", "&Help", "&Help...", ""},
        {"actionAbout", "&Help", "&About ...", ""},
    };
    for (const auto &e : entries)
        QTest::newRow(e.name) << QString::fromLatin1(e.name) << QString::fromLatin1(e.menu)
                              << QString::fromLatin1(e.text) << QString::fromLatin1(e.keys);
}

void TestMainWindow::menuEntries() {
    QFETCH(QString, name);
    QFETCH(QString, menu);
    QFETCH(QString, text);
    QFETCH(QString, keys);
    QAction *entry = action(name);
    QVERIFY(entry);
    QCOMPARE(entry->text(), text);
    QCOMPARE(entry->shortcut().toString(QKeySequence::PortableText), keys);
    QStringList menus;
    for (QObject *widget : entry->associatedObjects()) {
        if (auto *owner = qobject_cast<QMenu *>(widget))
            menus << owner->title();
    }
    QCOMPARE(menus, QStringList{menu});
    // The port entries carry one radio mark between them.
    QCOMPARE(entry->actionGroup() && entry->actionGroup()->isExclusive(), menu == QLatin1String("&Port"));
}

void TestMainWindow::accelerators() {
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // Nothing changed since the start: Ctrl+S, like the greyed "&Save", does nothing.
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_boxes->shown().size(), 1);
    // Ctrl+N asks before discarding.
    m_window->modifiedFlag().set(1);
    m_boxes->queueAnswer(false);
    QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(m_boxes->last()->text, QStringLiteral("Discard current changes ?"));
    // Ctrl+S without a save path asks for a name; Ctrl+O for a file.
    m_boxes->queuePath(QString());
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::SaveFile);
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Save As"));
    m_boxes->queueAnswer(true);
    m_boxes->queuePath(QString());
    QTest::keyClick(m_window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::OpenFile);
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Open"));
    // Saved or not, once nothing is changed Ctrl+S does nothing again.
    m_window->modifiedFlag().set(0);
    const int shown = m_boxes->shown().size();
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_boxes->shown().size(), shown);
    // Alt+/ shows the about box.
    QString about;
    m_window->setDialogHook([&about](QDialog *dialog) {
        about = dialog->windowTitle();
        dialog->reject();
    });
    QTest::keyClick(m_window.get(), Qt::Key_Slash, Qt::AltModifier);
    QCOMPARE(about, QStringLiteral("About HZM1 Utility Tool"));
    about.clear();
    // The closed box leaves no window active here; a window system activates the main window.
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_Question, Qt::AltModifier);
    m_window->setDialogHook({});
    QCOMPARE(about, QStringLiteral("About HZM1 Utility Tool"));
    QCOMPARE(m_boxes->unexpected(), 0);

    // The keys of the Edit entries, which do nothing, still cut, copy and paste in an edit box:
    // a paste is a user's edit of the name.
    auto *name = m_window->findChild<QLineEdit *>(QStringLiteral("inputName"));
    QVERIFY(name);
    name->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("Porch"));
    name->selectAll();
    QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("Porch"));
    QCOMPARE(m_window->settings().inputs[0].name, QStringLiteral("Porch"));
    name->selectAll();
    QTest::keyClick(name, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Porch"));
    QCOMPARE(m_window->settings().inputs[0].name, QString());
}

void TestMainWindow::saveFailureKeepsAsterisk_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/Config.hzc");
    QTest::newRow("a folder") << QStringLiteral("folder.hzc");
}

void TestMainWindow::saveFailureKeepsAsterisk() {
    QFETCH(QString, relative);
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.hzc"));
    const QString path = m_dir.filePath(relative);
    m_window->modifiedFlag().set(1);
    m_boxes->queuePath(path);
    action("actionSaveAs")->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Error);
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Error"));
    QVERIFY2(m_boxes->last()->text.contains(QDir::toNativeSeparators(path)),
             qPrintable(m_boxes->last()->text));
    QVERIFY(m_window->windowTitle().endsWith(QLatin1Char('*')));
    // Save goes to the remembered path again, and fails again the same way.
    action("actionSave")->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Error);
    QVERIFY(m_window->windowTitle().endsWith(QLatin1Char('*')));
}

void TestMainWindow::failingTransfer_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("button");
    QTest::newRow("connection refused") << QStringLiteral("closed") << QStringLiteral("getVersion");
    QTest::newRow("mixer refuses") << QStringLiteral("refuse") << QStringLiteral("getVersion");
    QTest::newRow("read all, refused part-way")
        << QStringLiteral("refuse-later") << QStringLiteral("readAll");
}

void TestMainWindow::failingTransfer() {
    QFETCH(QString, fault);
    QFETCH(QString, button);
    startSim();
    quint16 port = m_sim->tcpPort();
    if (fault == QLatin1String("closed")) {
        m_sim.reset();
    } else if (fault == QLatin1String("refuse")) {
        m_sim->mixer().refuseNext(QStringLiteral("*"), 1000);
    } else {
        m_sim->mixer().refuseNext(QStringLiteral("L3,*"), 1000);
    }
    chooseEthernet(QStringLiteral("127.0.0.1"), port);
    m_boxes->clear();
    const MixerSettings before = m_window->settings();
    QTest::mouseClick(this->button(button), Qt::LeftButton);
    QCOMPARE(m_boxes->texts(), QStringList{QStringLiteral("Transfer failed.")});
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Error"));
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Error);
    for (QPushButton *b : transferButtons(m_window.get()))
        QVERIFY(b->isEnabled());
    if (fault == QLatin1String("refuse-later")) {
        // What was read before the refusal is shown and marked as changed.
        QVERIFY(m_window->windowTitle().endsWith(QLatin1Char('*')));
        QVERIFY(m_window->settings() != before);
    } else {
        QVERIFY(!m_window->windowTitle().endsWith(QLatin1Char('*')));
        QCOMPARE(m_window->settings(), before);
    }
    if (fault == QLatin1String("refuse")) {
        LogWindow *log = m_window->logWindow();
        QVERIFY(log);
        QCOMPARE(log->lineColour(1), LogWindow::colourFor(LogColour::Failure, log->editor()->palette()));
    }
}

void TestMainWindow::demoStartsReady_data() {
    QTest::addColumn<bool>("withFile");
    QTest::newRow("plain") << false;
    QTest::newRow("file at start") << true;
}

void TestMainWindow::demoStartsReady() {
    QFETCH(bool, withFile);
    startSim(false, true);
    MixerSettings stored;
    stored.inputs[2].name = QStringLiteral("Bar");
    ModifiedFlag flag;
    const QString path = m_dir.filePath(QStringLiteral("demo.hzc"));
    QVERIFY(SaveSettingsFile(path, stored, flag));

    ScriptedMessageBoxes boxes;
    MainWindow window(boxes);
    window.setSleeper([](Pause, int) {});
    window.setDemoMixer(QHostAddress(QStringLiteral("127.0.0.2")), m_sim->tcpPort(), m_sim->discoveryPort());
    if (withFile)
        window.openAtStart(path);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join(QLatin1Char('\n'))));
    QCOMPARE(window.settings().inputs[2].name == QLatin1String("Bar"), withFile);
    const LinkSelection &link = window.linkSelection();
    QCOMPARE(link, LinkSelection(TcpEndpoint{QHostAddress(QStringLiteral("127.0.0.2")), m_sim->tcpPort()}));
    for (QPushButton *b : transferButtons(&window))
        QVERIFY2(b->isEnabled(), qPrintable(b->text()));
    QVERIFY(window.findChild<QAction *>(QStringLiteral("actionEthernet"))->isChecked());

    // One press reads the simulated mixer.
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("readAll")), Qt::LeftButton);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Transfer complete.")});
    window.modifiedFlag().set(0);
}

void TestMainWindow::portEntriesNameTheirDevices() {
    QStringList tips;
    for (int n = 1; n <= 10; ++n) {
        QAction *com = action(QStringLiteral("actionCom%1").arg(n));
        QCOMPARE(com->toolTip(), comPortName(n));
        QVERIFY(com->toolTip() != com->iconText());
        tips << com->toolTip();
        QVERIFY(com->associatedObjects().size() > 0);
        if (auto *menu = qobject_cast<QMenu *>(com->associatedObjects().value(0)))
            QVERIFY(menu->toolTipsVisible());
    }
    tips.removeDuplicates();
    QCOMPARE(tips.size(), 10);
#ifndef Q_OS_WIN
    QCOMPARE(tips.first(), QStringLiteral("/dev/ttyS0"));
#endif

    // No other port present: the dialog says so and asks for a path.
    m_window->setSerialPortLister([] { return QList<SerialPortEntry>{}; });
    QString caption;
    QString buddy; // the dialog is gone once the action returns
    m_window->setDialogHook([&](QDialog *dialog) {
        if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("serialDeviceCaption"))) {
            caption = label->text();
            buddy = label->buddy() ? label->buddy()->objectName() : QString();
        }
        dialog->reject();
    });
    action(QStringLiteral("actionOtherPort"))->trigger();
    m_window->setDialogHook({});
    QVERIFY2(caption.startsWith(QLatin1String("No other serial ports were found.")), qPrintable(caption));
    QVERIFY(caption.contains(QLatin1String("device path")));
    QCOMPARE(buddy, QStringLiteral("serialDevice"));
}

void TestMainWindow::portRadioMark() {
    startSim(true);
    const QString pty = m_sim->ptyPath();
    m_window->setComPortResolver(
        [pty](int n) { return n == 10 ? pty : QStringLiteral("/dev/null-no-port"); });
    action(QStringLiteral("actionCom10"))->trigger();
    QCOMPARE(m_boxes->shown().size(), 1); // nothing but the start-up prompt: the mixer was found
    QCOMPARE(m_window->linkSelection(), LinkSelection(SerialEndpoint{pty, 9600, 10}));
    m_window->updateMenuMarks();
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(action(QStringLiteral("actionCom%1").arg(n))->isChecked(), n == 10);
    QVERIFY(!action("actionEthernet")->isChecked());
    for (QPushButton *b : transferButtons(m_window.get()))
        QVERIFY(b->isEnabled());
    QCOMPARE(action(QStringLiteral("actionCom10"))->text(), QStringLiteral("Com 1&0"));
    QCOMPARE(action(QStringLiteral("actionCom1"))->text(), QStringLiteral("Com &1"));

    chooseEthernet(QStringLiteral("127.0.0.1"), 4999);
    m_window->updateMenuMarks();
    QVERIFY(action("actionEthernet")->isChecked());
    QVERIFY(!action(QStringLiteral("actionCom10"))->isChecked());

    // Any device path: the extra entry carries the mark.
    m_window->selectSerialDevice(pty);
    m_window->updateMenuMarks();
    QVERIFY(action("actionOtherPort")->isChecked());
    QVERIFY(!action("actionEthernet")->isChecked());
    QCOMPARE(m_window->linkSelection(), LinkSelection(SerialEndpoint{pty, 9600, 0}));
}

void TestMainWindow::busyPortKeepsSelection() {
    m_window->setComPortResolver([](int) { return QStringLiteral("/dev/hzm-no-such-port"); });
    action(QStringLiteral("actionCom3"))->trigger();
    QCOMPARE(m_boxes->last()->kind, MessageBoxes::Kind::Warning);
    QCOMPARE(m_boxes->last()->caption, QStringLiteral("Warning"));
    // The fixed text, then the system's reason on a line of its own.
    const QStringList lines = m_boxes->last()->text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QStringLiteral("The COM port is currently in use or is not present. Please "
                                         "check your system before selecting this port."));
    QVERIFY2(lines.at(1).startsWith(QLatin1String("/dev/hzm-no-such-port: ")), qPrintable(lines.at(1)));
    QVERIFY(m_window->linkSelection().isNone());
    for (QPushButton *b : transferButtons(m_window.get()))
        QVERIFY(!b->isEnabled());
    // The click's mark goes again: no port is in use.
    QVERIFY(!action(QStringLiteral("actionCom3"))->actionGroup()->checkedAction());

    // With Ethernet chosen before, it stays chosen, keeps the mark, and the buttons stay usable.
    chooseEthernet(QStringLiteral("127.0.0.1"), 4999);
    action(QStringLiteral("actionCom3"))->trigger();
    QVERIFY(m_window->linkSelection().tcp());
    QCOMPARE(action(QStringLiteral("actionCom3"))->actionGroup()->checkedAction(), action("actionEthernet"));
    for (QPushButton *b : transferButtons(m_window.get()))
        QVERIFY(b->isEnabled());
}

void TestMainWindow::logWindowToggles() {
    QAction *log = action("actionLog");
    QAction *onTop = action("actionLogOnTop");
    log->trigger();
    LogWindow *window = m_window->logWindow();
    QVERIFY(window && window->isVisible() && !window->isOnTop());
    m_window->updateMenuMarks();
    QVERIFY(log->isChecked() && !onTop->isChecked());
    // Placed right of the main window, level with its top.
    QCOMPARE(window->pos().y(), m_window->frameGeometry().top());
    QVERIFY(window->pos().x() > m_window->frameGeometry().right());

    onTop->trigger(); // shown normally: moves on top instead of hiding
    QVERIFY(window->isVisible() && window->isOnTop());
    m_window->updateMenuMarks();
    QVERIFY(!log->isChecked() && onTop->isChecked());

    onTop->trigger();
    QVERIFY(!window->isVisible());
    log->trigger();
    log->trigger();
    QVERIFY(!window->isVisible());
    m_window->updateMenuMarks();
    QVERIFY(!log->isChecked() && !onTop->isChecked());
}

// When the application comes to the front, a log window shown but not on top goes directly behind
// the main window; the main window is never lifted over a box that is open over it.
void TestMainWindow::logFollowsWithoutLiftingBoxes_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("restacked");
    QTest::newRow("log shown") << QStringLiteral("shown") << true;
    QTest::newRow("a box open") << QStringLiteral("box") << false;
    QTest::newRow("log on top") << QStringLiteral("on top") << false;
    QTest::newRow("log hidden") << QStringLiteral("hidden") << false;
}

void TestMainWindow::logFollowsWithoutLiftingBoxes() {
    QFETCH(QString, state);
    QFETCH(bool, restacked);
    action(state == QLatin1String("on top") ? QStringLiteral("actionLogOnTop") : QStringLiteral("actionLog"))
        ->trigger();
    if (state == QLatin1String("hidden"))
        m_window->logWindow()->hide();
    QDialog box(m_window.get());
    box.setModal(true);
    if (state == QLatin1String("box")) {
        box.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &box);
    }
    QList<QWidget *> raised;
    m_window->setWindowRaiser([&raised](QWidget *window) { raised << window; });
    // The window system reports the main window active (with the box open too, as a bare X
    // server may when the box opens from a click).
    QApplication::setActiveWindow(m_window.get());
    QTRY_VERIFY(m_window->isActiveWindow());
    raised.clear();
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(m_window.get(), &activation);
    const QList<QWidget *> expected = {m_window->logWindow(), m_window.get()};
    QCOMPARE(raised, restacked ? expected : QList<QWidget *>{});
    m_window->setWindowRaiser({});
}

void TestMainWindow::screenshots() {
    startSim(false, true);
    m_window->setDemoMixer(QHostAddress(QStringLiteral("127.0.0.2")), m_sim->tcpPort(),
                           m_sim->discoveryPort());
    QVERIFY(m_window->windowTitle().contains(QLatin1String("Demo")));
    for (int i = 0; i < 4; ++i) {
        m_window->tabs()->setCurrentIndex(i);
        QTest::qWait(20);
        saveShot(m_window.get(), QStringLiteral("main-tab%1").arg(i));
    }
    m_window->tabs()->setCurrentIndex(0);

    // The TCP/IP settings find the simulated mixer; double-clicking it takes its address.
    bool listed = false;
    m_window->setDialogHook([&](QDialog *dialog) {
        auto *tcp = qobject_cast<TcpSettingsDialog *>(dialog);
        if (!tcp)
            return;
        QTRY_COMPARE_WITH_TIMEOUT(tcp->model()->rowCount(), 1, 3000);
        listed = true;
        saveShot(tcp, QStringLiteral("tcp-settings"));
        const QModelIndex index = tcp->model()->index(0, 0);
        const QRect rect = tcp->list()->visualRect(index);
        QTest::mouseDClick(tcp->list()->viewport(), Qt::LeftButton, {}, rect.center());
        if (tcp->isVisible())
            tcp->accept();
    });
    action("actionEthernet")->trigger();
    QVERIFY(listed);
    QVERIFY(m_window->linkSelection().tcp());
    QCOMPARE(m_window->linkSelection().tcp()->address, QHostAddress(QStringLiteral("127.0.0.2")));

    bool progressShown = false;
    m_window->setDialogHook([&](QDialog *dialog) {
        if (auto *transfer = qobject_cast<TransferDialog *>(dialog)) {
            QTRY_VERIFY(!transfer->commandLabel()->text().isEmpty());
            saveShot(transfer, QStringLiteral("transfer"));
            progressShown = true;
        }
    });
    m_sim->mixer().setFaults({});
    QTest::mouseClick(button(QStringLiteral("readAll")), Qt::LeftButton);
    QVERIFY(progressShown);
    QCOMPARE(m_boxes->last()->text, QStringLiteral("Transfer complete."));
    m_window->setDialogHook({});
    saveShot(m_window.get(), QStringLiteral("main-after-read"));

    action("actionLog")->trigger();
    QTest::qWait(20);
    saveShot(m_window->logWindow(), QStringLiteral("log"));

    for (const QString &name : {QStringLiteral("help"), QStringLiteral("about")}) {
        m_window->setDialogHook([name](QDialog *dialog) {
            saveShot(dialog, name);
            dialog->accept();
        });
        action(QStringLiteral("action") + name.at(0).toUpper() + name.mid(1))->trigger();
    }
    m_window->setDialogHook({});
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
