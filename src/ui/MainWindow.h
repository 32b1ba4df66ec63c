#pragma once

// The main window: menu bar, the four tab pages, the five transfer buttons, the title's asterisk
// for unsaved changes, the port selection and the file commands.

#include "discovery/Discovery.h"
#include "link/Comms.h"
#include "link/LinkSelection.h"
#include "model/MixerSettings.h"
#include "protocol/TransferJob.h"

#include <QHash>
#include <QMainWindow>

#include <functional>

class QAction;
class QActionGroup;
class QGroupBox;
class QMenu;
class QPushButton;
class QTabWidget;

namespace hzm {

class LogWindow;
class MessageBoxes;
class TcpSettingsDialog;
struct TransferResult;

// Command ids of the menu entries (each action's objectName is "c" + id).
enum MenuId : int {
    kIdNew = 32771,
    kIdOpen = 32772,
    kIdExport = 32773,
    kIdExportAs = 32774,
    kIdSave = 32775,
    kIdSaveAs = 32776,
    kIdExit = 105,
    kIdCut = 32778,
    kIdCopy = 32779,
    kIdPaste = 32780,
    kIdLogOnTop = 32782,
    kIdLog = 32783,
    kIdEthernet = 32792,
    kIdHelp = 32789,
    kIdAbout = 104,
};
// "Com 1" to "Com 10".
int comMenuId(int portNumber);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static QString baseTitle() { return QStringLiteral("Orvane Utility Tool V" HZM_VERSION " "); }

    explicit MainWindow(MessageBoxes &boxes, QWidget *parent = nullptr);
    ~MainWindow() override;

    MixerSettings &settings() { return m_settings; }
    ModifiedFlag &modifiedFlag() { return m_modified; }
    const LinkSelection &linkSelection() const { return m_selection; }
    MessageBoxes &messageBoxes() { return m_boxes; }

    // Demo mode: "Demo" in the title, the Ethernet endpoint preset to the simulated mixer, and
    // discovery asking on loopback, where the simulated mixer answers on discoveryPort.
    void setDemoMixer(const QHostAddress &address, quint16 port, quint16 discoveryPort);
    bool isDemo() const { return m_demo; }

    // Enables or disables the five buttons here and the six on the tab pages together.
    void EnableTransferButtons(bool enable);
    QList<QPushButton *> transferButtons() const { return m_buttons; }
    QTabWidget *tabs() const { return m_tabs; }
    QWidget *page(int index) const;
    QAction *action(int id) const { return m_actions.value(id); }
    QAction *otherPortAction() const { return m_otherPort; }

    // The log window, created hidden on first use.
    LogWindow *EnsureLogWindow();
    LogWindow *logWindow() const { return m_log; }

    QString savePath() const { return m_savePath; }
    // Opens a settings file given on the command line as File > Open would once it is chosen;
    // done at start-up, before the port prompt.
    void openAtStart(const QString &path) { m_startupFile = path; }
    void openFile(const QString &path);
    QString exportPath() const { return m_exportPath; }

    // Seams for tests: the device behind "Com n", the pauses of probe and transfer links, the
    // interfaces discovery asks on, and the moment a modal dialog of this window has been shown
    // (to drive it).
    void setDiscoveryInterfaces(const QList<DiscoveryInterface> &interfaces, quint16 port) {
        m_discoveryInterfaces = interfaces;
        m_discoveryPort = port;
    }
    void setComPortResolver(std::function<QString(int)> resolver) { m_comResolver = std::move(resolver); }
    void setSleeper(Comms::Sleeper sleeper) { m_sleeper = std::move(sleeper); }
    void setDialogHook(std::function<void(QDialog *)> hook) { m_dialogHook = std::move(hook); }

public slots:
    // File menu.
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void fileExport();
    void fileExportAs();
    void fileExit();
    // Port menu.
    void selectComPort(int portNumber);
    void selectSerialDevice(const QString &device);
    void chooseOtherSerialPort();
    void selectEthernet();
    // View and Help menus.
    void toggleLogWindow();
    void toggleLogWindowOnTop();
    void showHelp();
    void showAbout();
    // The five buttons.
    void getVersion();
    void sendAll();
    void readAll();
    void setDefaults();
    void resetMixer();
    // Runs a job behind the "Transfer in progress" dialog and reports its result; the tab pages'
    // send buttons come here too.
    void runJob(const hzm::TransferJob &job);
    // Brings the menu marks up to date (done whenever a menu opens).
    void updateMenuMarks();
    void appendLog(const QString &text, hzm::LogColour colour);

signals:
    // After every job, with its outcome.
    void jobFinished(bool success);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Page {
        QWidget *widget = nullptr;
        std::function<void()> refresh;
        std::function<void(bool)> enableButtons;
    };
    enum PageIndex { kInputsTab = 0, kOutputsTab = 1, kInstallerTab = 2, kSystemTab = 3 };

    void buildMenus();
    void buildPages();
    QAction *addAction(QMenu *menu, const QString &text, int id, void (MainWindow::*slot)());
    void refreshPages(std::initializer_list<int> order);
    void choosePortPrompt();
    void setTitleModified(int modified);
    bool confirmDiscard(const QString &question);
    bool saveTo(const QString &path);
    bool exportTo(const QString &path);
    void selectSerial(const QString &device, int comPort);
    void showDialog(QDialog *dialog);
    QString titleStem() const;

    MessageBoxes &m_boxes;
    MixerSettings m_settings;
    ModifiedFlag m_modified;
    LinkSelection m_selection;
    QString m_savePath;
    QString m_exportPath;
    QString m_startupFile;
    bool m_demo = false;
    bool m_lastReplyRefused = false; // the transfer dialog's reply colour, from job to job

    QTabWidget *m_tabs = nullptr;
    Page m_pages[4];
    QGroupBox *m_buttonBox = nullptr;
    QList<QPushButton *> m_buttons;
    QHash<int, QAction *> m_actions;
    QAction *m_otherPort = nullptr;
    QList<QAction *> m_portActions; // Com 1 .. Com 10, Ethernet, other
    LogWindow *m_log = nullptr;
    bool m_logPlaced = false;

    std::function<QString(int)> m_comResolver;
    QList<DiscoveryInterface> m_discoveryInterfaces; // empty: the machine's own
    quint16 m_discoveryPort = kDiscoveryPort;
    Comms::Sleeper m_sleeper;
    std::function<void(QDialog *)> m_dialogHook;
};

} // namespace hzm
