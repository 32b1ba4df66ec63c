#pragma once

// The main window: menu bar, the four tab pages, the five transfer buttons, the title's asterisk
// for unsaved changes, the port selection and the file commands.

#include "discovery/Discovery.h"
#include "link/Comms.h"
#include "link/LinkSelection.h"
#include "link/PortProbe.h"
#include "model/MixerSettings.h"
#include "protocol/ChangesJob.h"
#include "protocol/TransferJob.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;

namespace hzm {

class EditHistory;
class LiveSender;
class LogWindow;
struct TransferResult;
class MessageBoxes;
class TcpSettingsDialog;
class TabPage;
class VenueWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static QString baseTitle() { return QStringLiteral("Orvane Utility Tool V" HZM_VERSION " "); }

    // What the mixer holds after a job: unknown (it may have changed behind the baseline's back),
    // unchanged, or the record the job ran on, read from it or sent to it whole.
    enum class MixerEffect { Unknown, Unchanged, HoldsRead, HoldsSent };

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
    TabPage *page(int index) const;

    // The log window, created hidden on first use.
    LogWindow *EnsureLogWindow();
    LogWindow *logWindow() const { return m_log; }

    QString savePath() const { return m_savePath; }
    // Opens a file given on the command line once the window is shown: a settings file as File >
    // Open would once it is chosen (before the port prompt), a venue (.hzv) in the Venue window
    // (instead of the port prompt).
    void openAtStart(const QString &path) { m_startupFile = path; }
    // Loads a settings file; false (after saying so) when it could not be loaded.
    bool openFile(const QString &path);
    // The Venue window's Open: loads a mixer's settings file (after the question about unsaved
    // changes), to be saved back to it, and chooses the mixer's link as the port.
    void openMixer(const QString &path, const LinkSelection &link);
    // The Venue window, once Mixer > Venue... has opened it.
    VenueWindow *venueWindow() const;
    // The endpoint the TCP/IP Settings dialog shows, and where discovery asks.
    const TcpEndpoint &tcpEndpoint() const { return m_tcpEndpoint; }
    DiscoveryScope discoveryScope() const { return {m_discoveryInterfaces, m_discoveryPort}; }
    QString exportPath() const { return m_exportPath; }

    // Seams for tests: the device behind "Com n", the pauses of probe and transfer links, the
    // interfaces discovery asks on, and the moment a modal dialog of this window has been shown
    // (to drive it).
    void setDiscoveryInterfaces(const QList<DiscoveryInterface> &interfaces, quint16 port) {
        m_discoveryInterfaces = interfaces;
        m_discoveryPort = port;
    }
    void setComPortResolver(std::function<QString(int)> resolver) { m_comResolver = std::move(resolver); }
    // Replaces the list of serial ports "Other Serial Port..." offers (tests).
    void setSerialPortLister(std::function<QList<SerialPortEntry>()> lister) {
        m_portLister = std::move(lister);
    }
    void setSleeper(Comms::Sleeper sleeper);
    void setDialogHook(std::function<void(QDialog *)> hook) { m_dialogHook = std::move(hook); }
    // How a window is brought to the front (QWidget::raise unless replaced; tests record it).
    void setWindowRaiser(std::function<void(QWidget *)> raiser) { m_raiser = std::move(raiser); }

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
    // Mixer > Venue...: shows the Venue window (made on first use); with a path, opens that venue.
    void showVenue(const QString &path = QString());
    void showHelp();
    void showAbout();
    // The five buttons.
    void getVersion();
    void sendAll();
    void readAll();
    void setDefaults();
    void resetMixer();
    // Runs a job behind the "Transfer in progress" dialog and reports its result; the tab pages'
    // send buttons come here too. effect: what the mixer holds once the job has succeeded.
    void runJob(const hzm::TransferJob &job, MixerEffect effect = MixerEffect::Unknown);
    // Mixer menu: the mixer's settings against the record being edited, and sending only what
    // differs from what the mixer is known to hold.
    void compareWithMixer();
    void sendChanges();
    // Mixer > Live: on, every change is sent at once; it needs to know what the mixer holds and
    // offers to read it first.
    void setLive(bool on);
    // Brings the menu marks up to date (done whenever a menu opens).
    void updateMenuMarks();
    void appendLog(const QString &text, hzm::LogColour colour);

signals:
    // After every job, with its outcome.
    void jobFinished(bool success);

public:
    // What the mixer is known to hold (after a successful Read HZM1, Send All or Send Changes on
    // this port); empty when unknown.
    const std::optional<MixerBaseline> &mixerBaseline() const { return m_baseline; }
    EditHistory *editHistory() const { return m_history; }
    LiveSender *liveSender() const { return m_live; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    enum PageIndex { kInputsTab = 0, kOutputsTab = 1, kInstallerTab = 2, kSystemTab = 3 };

    void buildMenus();
    QMenu *buildPortMenu();
    void buildPages();
    void buildLive();
    QAction *addMenuEntry(QMenu *menu, const QString &text, const QString &name,
                          void (MainWindow::*slot)() = nullptr, const QKeySequence &keys = {});
    // A log window that is shown but not on top stays directly behind the main window.
    void keepLogBehind();
    void refreshPages(std::initializer_list<int> order);
    void choosePortPrompt();
    void setTitleModified(int modified);
    bool confirmDiscard(const QString &question);
    bool saveTo(const QString &path);
    bool exportTo(const QString &path);
    void selectSerial(const QString &device, int comPort);
    void showDialog(QDialog *dialog);
    // Turns Live off, once a send that runs has ended.
    void stopLive();
    // The menu's tick and the status bar's "Live" as Live is.
    void showLiveState();
    void showLiveSent(const QString &what);
    void showLiveFailed(const QString &what, const QString &reason);
    QString titleStem() const;
    // Runs a job on the given record behind the transfer dialog; a failure forgets the baseline.
    TransferResult runTransfer(MixerSettings &record, const TransferJob &job);

    MessageBoxes &m_boxes;
    MixerSettings m_settings;
    ModifiedFlag m_modified;
    LinkSelection m_selection;
    TcpEndpoint m_tcpEndpoint; // what the TCP/IP Settings dialog shows: the last one chosen
    QString m_savePath;
    QString m_exportPath;
    QString m_startupFile;
    bool m_demo = false;
    bool m_lastReplyRefused = false; // the transfer dialog's reply colour, from job to job

    QTabWidget *m_tabs = nullptr;
    TabPage *m_pages[4] = {};
    QGroupBox *m_buttonBox = nullptr;
    QList<QPushButton *> m_buttons;

    QAction *m_actionNew = nullptr;
    QAction *m_actionOpen = nullptr;
    QAction *m_actionExport = nullptr;
    QAction *m_actionExportAs = nullptr;
    QAction *m_actionSave = nullptr;
    QAction *m_actionSaveAs = nullptr;
    QAction *m_actionExit = nullptr;
    QAction *m_actionCut = nullptr;
    QAction *m_actionCopy = nullptr;
    QAction *m_actionPaste = nullptr;
    QAction *m_actionLogOnTop = nullptr;
    QAction *m_actionLog = nullptr;
    QAction *m_actionCom[10] = {};
    QAction *m_actionEthernet = nullptr;
    QAction *m_actionOtherPort = nullptr;
    QActionGroup *m_portGroup = nullptr; // Com 1 .. Com 10, Ethernet, other: one radio mark
    QAction *m_actionHelp = nullptr;
    QAction *m_actionAbout = nullptr;
    QAction *m_actionAboutKeys = nullptr; // Alt+/ and Alt+?, which the menu entry does not show
    LogWindow *m_log = nullptr;
    QAction *m_actionCompare = nullptr;
    QAction *m_actionSendChanges = nullptr;
    QAction *m_actionLive = nullptr;
    QAction *m_actionVenue = nullptr;
    QPointer<VenueWindow> m_venue;
    QLabel *m_liveMark = nullptr; // "Live" in the status bar while it is on
    EditHistory *m_history = nullptr;
    LiveSender *m_live = nullptr;
    std::optional<MixerBaseline> m_baseline; // what the mixer holds, when known
    bool m_logPlaced = false;

    std::function<QString(int)> m_comResolver;
    std::function<QList<SerialPortEntry>()> m_portLister;
    QList<DiscoveryInterface> m_discoveryInterfaces; // empty: the machine's own
    quint16 m_discoveryPort = kDiscoveryPort;
    Comms::Sleeper m_sleeper;
    std::function<void(QDialog *)> m_dialogHook;
    std::function<void(QWidget *)> m_raiser;
};

} // namespace hzm
