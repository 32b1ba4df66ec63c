#include "MainWindow.h"

#include "AboutDialog.h"
#include "BaudRateDialog.h"
#include "CompareDialog.h"
#include "EditHistory.h"
#include "HelpDialog.h"
#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "LiveSender.h"
#include "LogWindow.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"
#include "SystemPage.h"
#include "TcpSettingsDialog.h"
#include "TransferDialog.h"
#include "VenueWindow.h"

#include "files/SettingsFile.h"
#include "files/TextExport.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"
#include "link/SerialPermission.h"
#include "model/SettingsView.h"
#include "protocol/ChangesJob.h"
#include "protocol/MixerJobs.h"
#include "protocol/ReplyText.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace hzm {

namespace {

// Names and filters used in several places.
const QString kConfigName = QStringLiteral("Config.hzc");
const QString kExportName = QStringLiteral("Export.txt");
QString configFilter() {
    return QCoreApplication::translate("hzm::MainWindow", "HZM Config Files (*.hzc)");
}
QString exportFilter() {
    return QCoreApplication::translate("hzm::MainWindow", "HZM Exported Text (*.txt)");
}

// The first items of a list for a message box, one a line, with how many more there are.
QString listedForBox(const QStringList &items) {
    constexpr int kShown = 8;
    QStringList lines = items.mid(0, kShown);
    if (items.size() > kShown)
        lines << QCoreApplication::translate("hzm::MainWindow", "(%1 more)").arg(items.size() - kShown);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

MainWindow::MainWindow(MessageBoxes &boxes, QWidget *parent) : QMainWindow(parent), m_boxes(boxes) {
    ensureResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(AboutDialog::appIcon());
    // The settings start at the factory defaults; nobody listens yet.
    LoadFactoryDefaults(m_settings, m_modified);
    setWindowTitle(titleStem());

    buildPages();
    buildMenus();
    buildLive();
    refreshPages({kOutputsTab, kInputsTab, kSystemTab});
    EnableTransferButtons(false);
    m_modified.setListener([this](int value) { setTitleModified(value); });
    // Nothing to save yet: "Save" and its Ctrl+S stay inactive until the first change.
    updateMenuMarks();
    // Like the dialog it stands for, the window keeps the size its contents need.
    setFixedSize(sizeHint());
    m_tabs->currentWidget()->setFocus();

    // At every start the user is asked to choose a port first.
    QMetaObject::invokeMethod(this, &MainWindow::choosePortPrompt, Qt::QueuedConnection);
}

MainWindow::~MainWindow() {
    m_modified.setListener({});
    // Gone before the settings and the baseline they work on.
    delete m_history;
    delete m_live;  // waits for a send that runs
    delete m_venue; // stops an action that runs
    delete m_log;
}

QString MainWindow::titleStem() const {
    return m_demo ? baseTitle() + tr("Demo ") : baseTitle();
}

QAction *MainWindow::addMenuEntry(QMenu *menu, const QString &text, const QString &name,
                                  void (MainWindow::*slot)(), const QKeySequence &keys) {
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    // The menu shows the key beside the text.
    action->setShortcut(keys);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    return action;
}

// The Port menu: one radio mark for the port in use.
QMenu *MainWindow::buildPortMenu() {
    QMenu *port = menuBar()->addMenu(tr("&Port"));
    m_portGroup = new QActionGroup(this);
    m_portGroup->setExclusive(true);
    for (int n = 1; n <= 10; ++n) {
        const QString text = n < 10 ? tr("Com &%1").arg(n) : tr("Com 1&0");
        QAction *action = addMenuEntry(port, text, QStringLiteral("actionCom%1").arg(n));
        // The device the entry stands for on this system (/dev/ttyS0, COM1, ...).
        action->setToolTip(comPortName(n));
        connect(action, &QAction::triggered, this, [this, n] { selectComPort(n); });
        m_actionCom[n - 1] = action;
    }
    port->setToolTipsVisible(true);
    m_actionEthernet = addMenuEntry(port, tr("Ethernet"), "actionEthernet", &MainWindow::selectEthernet);
    port->addSeparator();
    m_actionOtherPort = port->addAction(tr("Other Serial Port..."));
    m_actionOtherPort->setObjectName(QStringLiteral("actionOtherPort"));
    connect(m_actionOtherPort, &QAction::triggered, this, &MainWindow::chooseOtherSerialPort);
    for (QAction *action : m_actionCom)
        m_portGroup->addAction(action);
    m_portGroup->addAction(m_actionEthernet);
    m_portGroup->addAction(m_actionOtherPort);
    for (QAction *action : m_portGroup->actions())
        action->setCheckable(true);
    // A click marks its entry at once; the mark follows the port actually in use once the choice
    // has ended (a cancelled dialog or a busy port keeps the previous one).
    connect(m_portGroup, &QActionGroup::triggered, this, &MainWindow::updateMenuMarks);
    return port;
}

void MainWindow::buildMenus() {
    QMenu *file = menuBar()->addMenu(tr("&File"));
    m_actionNew =
        addMenuEntry(file, tr("&New"), "actionNew", &MainWindow::fileNew, QKeySequence(Qt::CTRL | Qt::Key_N));
    m_actionOpen = addMenuEntry(file, tr("&Open"), "actionOpen", &MainWindow::fileOpen,
                                QKeySequence(Qt::CTRL | Qt::Key_O));
    m_actionExport = addMenuEntry(file, tr("&Export Text"), "actionExport", &MainWindow::fileExport);
    m_actionExportAs =
        addMenuEntry(file, tr("Ex&port Text As..."), "actionExportAs", &MainWindow::fileExportAs);
    // Enabled only while something has changed, and with it Ctrl+S.
    m_actionSave = addMenuEntry(file, tr("&Save"), "actionSave", &MainWindow::fileSave,
                                QKeySequence(Qt::CTRL | Qt::Key_S));
    m_actionSaveAs = addMenuEntry(file, tr("Save &As..."), "actionSaveAs", &MainWindow::fileSaveAs);
    file->addSeparator();
    m_actionExit = addMenuEntry(file, tr("E&xit"), "actionExit", &MainWindow::fileExit);

    // Undo and Redo of the pages' edits; Cut, Copy and Paste are there for the look of the menu
    // and do nothing. An edit box with the focus takes all their keys first.
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(m_history->undoAction());
    edit->addAction(m_history->redoAction());
    edit->addSeparator();
    m_actionCut = addMenuEntry(edit, tr("Cu&t"), "actionCut", nullptr, QKeySequence(Qt::CTRL | Qt::Key_X));
    m_actionCopy = addMenuEntry(edit, tr("&Copy"), "actionCopy", nullptr, QKeySequence(Qt::CTRL | Qt::Key_C));
    m_actionPaste =
        addMenuEntry(edit, tr("&Paste"), "actionPaste", nullptr, QKeySequence(Qt::CTRL | Qt::Key_V));

    QMenu *view = menuBar()->addMenu(tr("&View"));
    m_actionLogOnTop =
        addMenuEntry(view, tr("&Log Window On Top"), "actionLogOnTop", &MainWindow::toggleLogWindowOnTop);
    m_actionLogOnTop->setCheckable(true);
    m_actionLog = addMenuEntry(view, tr("L&og Window"), "actionLog", &MainWindow::toggleLogWindow);
    m_actionLog->setCheckable(true);

    QMenu *port = buildPortMenu();

    // Commands the original menus do not have: a menu of their own, before Help, enabled with the
    // transfer buttons.
    QMenu *mixer = menuBar()->addMenu(tr("&Mixer"));
    mixer->setObjectName(QStringLiteral("menuMixer"));
    m_actionCompare = mixer->addAction(tr("&Compare with HZM1..."), this, &MainWindow::compareWithMixer);
    m_actionCompare->setObjectName(QStringLiteral("actionCompare"));
    m_actionSendChanges = mixer->addAction(tr("&Send Changes"), this, &MainWindow::sendChanges);
    m_actionSendChanges->setObjectName(QStringLiteral("actionSendChanges"));
    mixer->addSeparator();
    m_actionLive =
        addMenuEntry(mixer, tr("&Live"), "actionLive", nullptr, QKeySequence(Qt::CTRL | Qt::Key_L));
    m_actionLive->setCheckable(true);
    connect(m_actionLive, &QAction::triggered, this, &MainWindow::setLive);
    mixer->addSeparator();
    // Every mixer of a site at once; not tied to the port, so never greyed.
    m_actionVenue = mixer->addAction(tr("&Venue..."), this, [this] { showVenue(); });
    m_actionVenue->setObjectName(QStringLiteral("actionVenue"));

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    m_actionHelp = addMenuEntry(help, tr("&Help..."), "actionHelp", &MainWindow::showHelp);
    m_actionAbout = addMenuEntry(help, tr("&About ..."), "actionAbout", &MainWindow::showAbout);
    // The about box also comes with Alt+/ and Alt+?, keys that its menu entry does not show.
    m_actionAboutKeys = new QAction(this);
    m_actionAboutKeys->setObjectName(QStringLiteral("actionAboutKeys"));
    m_actionAboutKeys->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Slash), QKeySequence(Qt::ALT | Qt::Key_Question)});
    connect(m_actionAboutKeys, &QAction::triggered, this, &MainWindow::showAbout);
    QMainWindow::addAction(m_actionAboutKeys);

    for (QMenu *menu : {file, edit, view, port, help})
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateMenuMarks);
}

void MainWindow::buildPages() {
    auto *central = new QWidget(this);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    const QStringList names = {tr("Inputs"), tr("Outputs"), tr("Installer Key"), tr("System")};
    m_pages[kInputsTab] = new InputsPage(m_settings, m_modified, m_tabs);
    m_pages[kOutputsTab] = new OutputsPage(m_settings, m_modified, m_tabs);
    m_pages[kInstallerTab] = new InstallerKeyPage(m_settings, m_modified, m_tabs);
    m_pages[kSystemTab] = new SystemPage(m_settings, m_modified, m_tabs);
    m_history = new EditHistory(m_tabs, m_modified, this);
    for (int i = 0; i < 4; ++i) {
        m_pages[i]->setMessageBoxes(&m_boxes);
        m_pages[i]->setJobRunner([this](const TransferJob &job) { runJob(job); });
        m_tabs->addTab(m_pages[i], names[i]);
        if (i != kInstallerTab) // its keys are no settings
            m_history->track(m_pages[i]);
    }

    m_buttonBox = new QGroupBox(central);
    m_buttonBox->setObjectName(QStringLiteral("transferButtons"));
    auto *buttonLayout = new QHBoxLayout(m_buttonBox);
    buttonLayout->addStretch();
    const struct {
        const char *text;
        const char *name;
        void (MainWindow::*slot)();
    } buttons[] = {
        {QT_TR_NOOP("Get Version"), "getVersion", &MainWindow::getVersion},
        {QT_TR_NOOP("Send All"), "sendAll", &MainWindow::sendAll},
        {QT_TR_NOOP("Read HZM1"), "readAll", &MainWindow::readAll},
        {QT_TR_NOOP("Set Defaults"), "setDefaults", &MainWindow::setDefaults},
        {QT_TR_NOOP("Reset HZM1"), "resetMixer", &MainWindow::resetMixer},
    };
    for (const auto &b : buttons) {
        auto *button = new QPushButton(tr(b.text), m_buttonBox);
        button->setObjectName(QLatin1String(b.name));
        button->setMinimumWidth(90);
        connect(button, &QPushButton::clicked, this, b.slot);
        buttonLayout->addWidget(button);
        buttonLayout->addSpacing(12);
        m_buttons << button;
    }
    buttonLayout->addStretch();

    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_buttonBox);
    setCentralWidget(central);
}

void MainWindow::buildLive() {
    m_live = new LiveSender(m_selection, m_settings, m_baseline, this);
    connect(m_live, &LiveSender::logLine, this, &MainWindow::appendLog);
    connect(m_live, &LiveSender::sent, this, &MainWindow::showLiveSent);
    connect(m_live, &LiveSender::failed, this, &MainWindow::showLiveFailed);
    // Edits, and Undo and Redo, go to the mixer at once while Live is on.
    connect(m_history, &EditHistory::fieldChanged, this, [this](TabPage *page, const FieldEdit &edit) {
        if (m_live->isOn())
            m_live->send(EditHistory::changeText(*page, edit));
    });
    m_liveMark = new QLabel(tr("Live"), this);
    m_liveMark->setObjectName(QStringLiteral("liveMark"));
    QFont bold = m_liveMark->font();
    bold.setBold(true);
    m_liveMark->setFont(bold);
    m_liveMark->setToolTip(tr("Every change is sent to HZM-1 at once (Mixer > Live)."));
    m_liveMark->setContentsMargins(6, 0, 6, 0);
    m_liveMark->hide();
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addPermanentWidget(m_liveMark);
}

void MainWindow::setSleeper(Comms::Sleeper sleeper) {
    m_sleeper = sleeper;
    if (m_venue)
        m_venue->setSleeper(sleeper);
    m_live->setSleeper(std::move(sleeper));
}

TabPage *MainWindow::page(int index) const {
    return index >= 0 && index < 4 ? m_pages[index] : nullptr;
}

void MainWindow::refreshPages(std::initializer_list<int> order) {
    for (int index : order)
        m_pages[index]->refresh();
}

void MainWindow::EnableTransferButtons(bool enable) {
    for (QPushButton *button : std::as_const(m_buttons))
        button->setEnabled(enable);
    for (TabPage *page : m_pages)
        page->setTransferButtonsEnabled(enable);
    m_actionCompare->setEnabled(enable);
    m_actionSendChanges->setEnabled(enable);
    m_actionLive->setEnabled(enable);
}

void MainWindow::choosePortPrompt() {
    const QString file = std::exchange(m_startupFile, QString());
    // A venue brings the links of its mixers: no port to choose first.
    if (file.endsWith(QLatin1String(".hzv"), Qt::CaseInsensitive)) {
        showVenue(file);
        return;
    }
    if (!file.isEmpty())
        openFile(file);
    if (m_demo)
        return; // the simulated mixer is the port already
    m_boxes.information(this, tr("Choose a Port"),
                        tr("Please choose either a COM Port, or Ethernet, from the \"Port\" menu, to "
                           "connect to the HZM-1."));
}

void MainWindow::setTitleModified(int modified) {
    QString title = windowTitle();
    if (modified) {
        if (!title.endsWith(QLatin1Char('*')))
            title += QLatin1Char('*');
    } else if (title.endsWith(QLatin1Char('*'))) {
        title.chop(1);
    }
    setWindowTitle(title);
    // Save is only offered while something has changed; the shortcut follows the menu.
    m_actionSave->setEnabled(modified != 0);
    m_actionSaveAs->setEnabled(modified != 0);
}

void MainWindow::setDemoMixer(const QHostAddress &address, quint16 port, quint16 discoveryPort) {
    m_demo = true;
    const bool modified = windowTitle().endsWith(QLatin1Char('*'));
    setWindowTitle(titleStem() + (modified ? QStringLiteral("*") : QString()));
    m_tcpEndpoint = TcpEndpoint{address, port};
    // The simulated mixer answers discovery from its own loopback address.
    m_discoveryInterfaces = {DiscoveryInterface::fromText(address.toString(), QStringLiteral("255.0.0.0"))};
    m_discoveryPort = discoveryPort;
    // Ready from the start: a first press of "Read HZM1" reads the simulated mixer.
    m_selection = m_tcpEndpoint;
    EnableTransferButtons(true);
    updateMenuMarks();
}

void MainWindow::updateMenuMarks() {
    const bool modified = m_modified.value() != 0;
    m_actionSave->setEnabled(modified);
    m_actionSaveAs->setEnabled(modified);

    const bool shown = m_log && m_log->isVisible();
    m_actionLogOnTop->setChecked(shown && m_log->isOnTop());
    m_actionLog->setChecked(shown && !m_log->isOnTop());

    QAction *marked = nullptr;
    const SerialEndpoint *serial = m_selection.serial();
    if (m_selection.tcp())
        marked = m_actionEthernet;
    else if (serial && serial->comNumber >= 1 && serial->comNumber <= 10)
        marked = m_actionCom[serial->comNumber - 1];
    else if (serial)
        marked = m_actionOtherPort;
    if (marked)
        marked->setChecked(true); // clears the others of the group
    else if (QAction *checked = m_portGroup->checkedAction())
        checked->setChecked(false);
}

void MainWindow::showDialog(QDialog *dialog) {
    if (m_dialogHook) {
        auto hook = m_dialogHook;
        QTimer::singleShot(0, dialog, [hook, dialog] { hook(dialog); });
    }
}

// ---- File menu

bool MainWindow::confirmDiscard(const QString &question) {
    return !m_modified.value() || m_boxes.question(this, confirmCaption(), question);
}

void MainWindow::fileNew() {
    if (!confirmDiscard(tr("Discard current changes ?")))
        return;
    stopLive();
    LoadFactoryDefaults(m_settings, m_modified);
    refreshPages({kOutputsTab, kInputsTab, kSystemTab});
    m_history->reset(true);
}

void MainWindow::fileOpen() {
    if (!confirmDiscard(tr("Discard current changes ?")))
        return;
    FileDialogRequest request;
    request.title = tr("Open");
    request.filters = {configFilter(), tr("All files (*)")};
    request.defaultSuffix = QStringLiteral("hzc");
    request.initialPath = m_savePath;
    request.mustExist = true;
    const QString path = m_boxes.openFileName(this, request);
    if (!path.isEmpty())
        openFile(path);
}

bool MainWindow::openFile(const QString &path) {
    stopLive();
    QString error;
    const MixerSettings before = m_settings;
    const bool loaded = LoadSettingsFile(path, m_settings, m_modified, &error);
    // A file that could be opened has replaced the settings (and cleared the changed mark),
    // whatever it held; one that could not be opened leaves both as they were.
    refreshPages({kOutputsTab, kInputsTab, kSystemTab});
    if (loaded || m_settings != before)
        m_history->reset(true); // not undone edit by edit
    if (!loaded) {
        m_boxes.error(this, errorCaption(), tr("Unable to load file"));
        return false;
    }
    // The reader fills in what a damaged file lacks: say so before anybody sends it.
    QFile file(path);
    const QByteArray bytes =
        file.open(QIODevice::ReadOnly) ? file.read(kMaxSettingsFileBytes + 1) : QByteArray();
    QStringList damage;
    for (const FileDamage &d : settingsFileDamage(bytes))
        damage << tr("Line %1: %2").arg(d.line).arg(d.problem);
    if (!damage.isEmpty())
        m_boxes.warning(this, tr("Damaged file"),
                        tr("The file \"%1\" is damaged:\n%2\n\nIt was loaded as far as it could be read; "
                           "missing values were set to 0. Check the settings before sending them to HZM-1.")
                            .arg(QDir::toNativeSeparators(path), listedForBox(damage)));
    return true;
}

void MainWindow::openMixer(const QString &path, const LinkSelection &link) {
    if (!confirmDiscard(tr("Discard current changes ?")))
        return;
    // Save writes the mixer's own file; a file that did not load leaves the settings, and the
    // path they are saved to, as they were.
    if (openFile(path))
        m_savePath = path;
    const SerialEndpoint *serial = link.serial();
    if (serial && serial->baudRate == 0) {
        selectSerial(serial->device, serial->comNumber); // finds the rate as the Port menu does
    } else {
        stopLive();
        if (const TcpEndpoint *tcp = link.tcp())
            m_tcpEndpoint = *tcp;
        m_selection = link;
        m_baseline.reset(); // another port may lead to another mixer
        EnableTransferButtons(true);
    }
    updateMenuMarks();
    activateWindow();
    raise();
}

bool MainWindow::saveTo(const QString &path) {
    QString error;
    if (SaveSettingsFile(path, m_settings, m_modified, &error)) {
        m_history->markSaved();
        return true;
    }
    // The settings were not stored: say so, and keep the asterisk.
    m_boxes.error(
        this, errorCaption(),
        tr("Unable to save the settings to \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

void MainWindow::fileSave() {
    if (m_savePath.isEmpty())
        fileSaveAs();
    else
        saveTo(m_savePath);
}

void MainWindow::fileSaveAs() {
    FileDialogRequest request;
    request.title = tr("Save As");
    request.filters = {configFilter()};
    request.defaultSuffix = QStringLiteral("hzc");
    request.initialPath = m_savePath.isEmpty() ? kConfigName : m_savePath;
    request.overwritePrompt = true;
    const QString path = m_boxes.saveFileName(this, request);
    if (path.isEmpty())
        return;
    m_savePath = path;
    saveTo(path);
}

bool MainWindow::exportTo(const QString &path) {
    QString error;
    if (ExportText(path, m_settings, &error))
        return true;
    m_boxes.error(
        this, errorCaption(),
        tr("Unable to export the settings to \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

void MainWindow::fileExport() {
    if (m_exportPath.isEmpty())
        fileExportAs();
    else
        exportTo(m_exportPath);
}

void MainWindow::fileExportAs() {
    FileDialogRequest request;
    request.title = tr("Export As");
    request.filters = {exportFilter()};
    request.defaultSuffix = QStringLiteral("txt");
    request.initialPath = m_exportPath.isEmpty() ? kExportName : m_exportPath;
    request.overwritePrompt = true;
    const QString path = m_boxes.saveFileName(this, request);
    if (path.isEmpty())
        return;
    m_exportPath = path;
    exportTo(path);
}

void MainWindow::fileExit() {
    close();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (m_modified.value() &&
        !m_boxes.question(this, confirmCaption(), tr("Close without saving changes ?"))) {
        event->ignore();
        return;
    }
    if (m_venue && !m_venue->mayClose()) {
        event->ignore();
        return;
    }
    delete m_venue;
    if (m_log)
        m_log->hide();
    event->accept();
}

void MainWindow::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        keepLogBehind();
}

void MainWindow::keepLogBehind() {
    // When the application comes to the front, a log window that is not on top follows the main
    // window rather than hiding behind other programs: it goes directly behind the main window.
    if (!isActiveWindow() || !m_log || !m_log->isVisible() || m_log->isOnTop())
        return;
    // A box that is open over the main window must stay over it: then nothing is restacked (the
    // main window is activated again when the box closes, and the log follows then).
    if (QApplication::activeModalWidget())
        return;
    const auto raiseWindow = [this](QWidget *window) {
        if (m_raiser)
            m_raiser(window);
        else
            window->raise();
    };
    raiseWindow(m_log);
    raiseWindow(this);
}

// ---- Port menu

void MainWindow::selectComPort(int portNumber) {
    if (portNumber < 1 || portNumber > 10)
        return;
    const QString device = m_comResolver ? m_comResolver(portNumber) : comPortName(portNumber);
    selectSerial(device, portNumber);
}

void MainWindow::selectSerialDevice(const QString &device) {
    if (!device.trimmed().isEmpty())
        selectSerial(device.trimmed(), 0);
}

void MainWindow::selectSerial(const QString &device, int comPort) {
    stopLive(); // the probe may need the port Live uses
    QString reason;
    if (!checkSerialPortUsable(device, &reason)) {
        EnableTransferButtons(!m_selection.isNone());
        // The fixed text, then the system's reason and, for a missing permission, the remedy.
        QString text = QCoreApplication::translate("hzm::PortProbe", kPortBusyMessage);
        if (!reason.isEmpty())
            text += QLatin1Char('\n') + reason;
        const QString advice = serialPermissionAdvice(device);
        if (!advice.isEmpty())
            text += QLatin1Char('\n') + advice;
        m_boxes.warning(this, QCoreApplication::translate("hzm::PortProbe", kPortBusyCaption), text);
        return;
    }
    PortProbeResult result;
    const Comms::Sleeper sleeper = m_sleeper;
    BaudRateDialog dialog(
        [&result, device, sleeper] {
            result = detectMixerBaudRate(device, sleeper);
            return result.outcome == PortProbeOutcome::Found;
        },
        this);
    showDialog(&dialog);
    if (!dialog.run()) {
        result.outcome = PortProbeOutcome::NotFound;
        result.baudRate = kFallbackBaudRate;
        m_boxes.error(this, QCoreApplication::translate("hzm::PortProbe", kBaudNotDetectedCaption),
                      QCoreApplication::translate("hzm::PortProbe", kBaudNotDetectedMessage));
    }
    applyProbeResult(result, SerialEndpoint{device, 0, comPort}, m_selection);
    m_baseline.reset(); // another port may lead to another mixer
    EnableTransferButtons(true);
}

void MainWindow::chooseOtherSerialPort() {
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Serial Port"));
    dialog.setObjectName(QStringLiteral("serialPortDialog"));
    auto *label = new QLabel(tr("Serial port or device path:"), &dialog);
    label->setObjectName(QStringLiteral("serialDeviceCaption"));
    auto *combo = new QComboBox(&dialog);
    combo->setObjectName(QStringLiteral("serialDevice"));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(320);
    label->setBuddy(combo);
    const QList<SerialPortEntry> present = m_portLister ? m_portLister() : serialPortsPresent();
    for (const SerialPortEntry &entry : present)
        combo->addItem(entry.label, entry.device);
    if (present.isEmpty()) {
#ifdef Q_OS_WIN
        const QString example = QStringLiteral("COM11");
#else
        const QString example = QStringLiteral("/dev/ttyUSB0");
#endif
        label->setText(
            tr("No other serial ports were found. Type the device path (such as %1):").arg(example));
        combo->lineEdit()->setPlaceholderText(example);
    }
    if (const SerialEndpoint *serial = m_selection.serial(); serial && !serial->comNumber)
        combo->setCurrentText(serial->device);
    else if (combo->count() == 0)
        combo->setCurrentText(QString());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(combo);
    layout->addWidget(buttons);
    showDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A listed port stands for its device; anything typed is taken as a device path.
    QString device = combo->currentText().trimmed();
    const int index = combo->findText(device);
    if (index >= 0)
        device = combo->itemData(index).toString();
    selectSerialDevice(device);
}

void MainWindow::selectEthernet() {
    TcpSettingsDialog dialog(m_tcpEndpoint.address, m_tcpEndpoint.port, m_boxes, this);
    if (!m_discoveryInterfaces.isEmpty())
        dialog.setDiscoveryInterfaces(m_discoveryInterfaces, m_discoveryPort);
    showDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    stopLive();
    m_tcpEndpoint = TcpEndpoint{dialog.address(), dialog.port()};
    m_baseline.reset(); // another port may lead to another mixer
    m_selection = m_tcpEndpoint;
    EnableTransferButtons(true);
}

// ---- View and Help menus

LogWindow *MainWindow::EnsureLogWindow() {
    if (!m_log) {
        m_log = new LogWindow(nullptr);
        m_log->setMessageBoxes(&m_boxes);
        m_log->setWindowIcon(windowIcon());
    }
    if (!m_logPlaced && isVisible()) {
        m_log->placeBeside(this);
        m_logPlaced = true;
    }
    return m_log;
}

void MainWindow::toggleLogWindow() {
    if (m_log && m_log->isVisible() && !m_log->isOnTop()) {
        m_log->hide();
        return;
    }
    EnsureLogWindow()->showLog(false);
}

void MainWindow::toggleLogWindowOnTop() {
    if (m_log && m_log->isVisible() && m_log->isOnTop()) {
        m_log->hide();
        return;
    }
    EnsureLogWindow()->showLog(true);
}

void MainWindow::appendLog(const QString &text, LogColour colour) {
    EnsureLogWindow()->appendLine(text, colour);
}

VenueWindow *MainWindow::venueWindow() const {
    return m_venue;
}

void MainWindow::showVenue(const QString &path) {
    if (!m_venue) {
        m_venue = new VenueWindow(*this, m_boxes);
        m_venue->setAttribute(Qt::WA_DeleteOnClose);
        if (m_sleeper)
            m_venue->setSleeper(m_sleeper);
    }
    if (!path.isEmpty())
        m_venue->openVenue(path);
    m_venue->show();
    m_venue->raise();
    m_venue->activateWindow();
}

void MainWindow::showHelp() {
    HelpDialog dialog(this);
    showDialog(&dialog);
    dialog.exec();
}

void MainWindow::showAbout() {
    AboutDialog dialog(this);
    showDialog(&dialog);
    dialog.exec();
}

// ---- Transfers

TransferResult MainWindow::runTransfer(MixerSettings &record, const TransferJob &job) {
    stopLive(); // every transfer turns it off
    TransferDialog dialog(m_selection, record, job, m_boxes, this);
    dialog.setReplyRefused(m_lastReplyRefused);
    if (m_sleeper)
        dialog.setSleeper(m_sleeper);
    connect(&dialog, &TransferDialog::transferStarted, this, [this] { EnableTransferButtons(false); });
    connect(&dialog, &TransferDialog::logLine, this, &MainWindow::appendLog);
    showDialog(&dialog);
    const TransferResult result = dialog.run();
    m_lastReplyRefused = dialog.lastReplyRefused();
    if (!result.linkError.isEmpty())
        appendLog(result.linkError, LogColour::Failure);
    if (!result.success)
        m_baseline.reset(); // the mixer may hold anything now
    return result;
}

void MainWindow::runJob(const TransferJob &job, MixerEffect effect) {
    // A value outside its range refuses the whole send before anything goes out (the worker
    // would refuse it too, after the progress dialog had opened).
    if (job.outOfRange) {
        QStringList fields;
        for (const FieldProblem &problem : job.outOfRange(m_settings))
            fields << fieldProblemText(problem);
        if (!fields.isEmpty()) {
            m_boxes.error(this, errorCaption(),
                          tr("Nothing was sent: these values lie outside their ranges.\n%1\n\nChoose valid "
                             "values on the pages, then send again.")
                              .arg(listedForBox(fields)));
            emit jobFinished(false);
            return;
        }
    }
    const TransferResult result = runTransfer(m_settings, job);
    if (result.success && (effect == MixerEffect::HoldsRead || effect == MixerEffect::HoldsSent))
        m_baseline = MixerBaseline{m_settings, effect == MixerEffect::HoldsSent};
    else if (effect == MixerEffect::Unknown)
        m_baseline.reset();
    if (result.refreshTabs) {
        refreshPages({kInputsTab, kOutputsTab, kSystemTab});
        m_history->reset(false); // a read is not undone edit by edit
    }
    if (result.success)
        m_boxes.information(this, tr("Success"), tr("Transfer complete."));
    else
        m_boxes.error(this, errorCaption(), tr("Transfer failed."));
    EnableTransferButtons(true);
    emit jobFinished(result.success);
}

void MainWindow::getVersion() {
    runJob(GetVersionJob(), MixerEffect::Unchanged);
}

void MainWindow::sendAll() {
    if (!m_boxes.question(this, confirmCaption(), tr("Send all settings to HZM-1 ?")))
        return;
    runJob(SendAllJob(m_settings), MixerEffect::HoldsSent);
}

void MainWindow::readAll() {
    runJob(ReadAllJob(m_settings), MixerEffect::HoldsRead);
}

void MainWindow::setDefaults() {
    runJob(SetDefaultsJob());
}

void MainWindow::resetMixer() {
    runJob(ResetJob());
}

// ---- Mixer menu

void MainWindow::compareWithMixer() {
    // Read into a copy: what an older mixer cannot report keeps this file's values, and the read
    // that never writes leaves the mixer as it is.
    MixerSettings mixer = m_settings;
    const TransferResult result = runTransfer(mixer, readAllWithoutWritingJob(mixer));
    if (!result.success)
        m_boxes.error(this, errorCaption(), tr("Transfer failed."));
    EnableTransferButtons(true);
    emit jobFinished(result.success);
    if (!result.success)
        return;
    const bool older = !hasNewerSoftware(mixer.softwareVersion);
    // A newer mixer has reported everything it holds; an older one's paging attenuation stays
    // unknown, so it leaves the baseline as it was.
    if (!older)
        m_baseline = MixerBaseline{mixer, false};
    CompareDialog dialog(compareSettings(m_settings, mixer, older), mixer.softwareVersion, this);
    showDialog(&dialog);
    dialog.exec();
}

void MainWindow::sendChanges() {
    stopLive(); // first: a live send that runs changes what the mixer is known to hold
    if (!m_baseline) {
        if (m_boxes.question(this, confirmCaption(),
                             tr("The program does not know what HZM-1 holds: Send Changes works after a "
                                "Read HZM1, Send All or Send Changes on this port.\n\nSend all settings "
                                "to HZM-1 instead ?"))) {
            runJob(SendAllJob(m_settings), MixerEffect::HoldsSent);
        }
        return;
    }
    const TransferJob job = sendChangesJob(*m_baseline, m_settings);
    if (!m_baseline->held.softwareVersion.isEmpty() && job.plannedCommands == 0) {
        m_boxes.information(this, tr("Send Changes"), nothingToSendText());
        return;
    }
    if (!m_boxes.question(
            this, confirmCaption(),
            job.plannedCommands == 1
                ? tr("Send the changes to HZM-1 ?\n1 command will be sent.")
                : tr("Send the changes to HZM-1 ?\n%1 commands will be sent.").arg(job.plannedCommands)))
        return;
    runJob(job, MixerEffect::HoldsSent);
}

// ---- Live

void MainWindow::setLive(bool on) {
    if (!on) {
        stopLive();
        return;
    }
    showLiveState(); // off until it is on
    if (!m_baseline) {
        if (!m_boxes.question(this, confirmCaption(),
                              tr("Live needs to know what HZM-1 holds: it works after a Read HZM1, Send All "
                                 "or Send Changes on this port.\n\nRead HZM1 now ? The settings being "
                                 "edited are replaced by those of HZM-1.")))
            return;
        readAll();
        if (!m_baseline)
            return; // the read failed, and said so
    }
    m_live->setOn(true);
    showLiveState();
    statusBar()->showMessage(tr("Live: on. Every change is sent to HZM-1 at once."));
    // What was changed before goes now: the mixer then holds what the pages show.
    m_live->send(tr("earlier changes"));
}

void MainWindow::stopLive() {
    const bool wasOn = m_live->isOn();
    m_live->setOn(false);
    showLiveState();
    if (wasOn)
        statusBar()->showMessage(tr("Live: off"));
}

void MainWindow::showLiveState() {
    m_actionLive->setChecked(m_live->isOn());
    m_liveMark->setVisible(m_live->isOn());
}

void MainWindow::showLiveSent(const QString &what) {
    statusBar()->showMessage(tr("Live: %1 sent").arg(what));
}

void MainWindow::showLiveFailed(const QString &what, const QString &reason) {
    showLiveState();
    if (!reason.isEmpty())
        appendLog(reason, LogColour::Failure);
    statusBar()->showMessage(tr("Live: %1 not sent").arg(what));
    QString text = tr("Live sending failed: %1 did not reach HZM-1.\n\nLive is off, and the program no "
                      "longer knows what HZM-1 holds.")
                       .arg(what);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    m_boxes.error(this, errorCaption(), text);
}

} // namespace hzm
