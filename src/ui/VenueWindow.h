#pragma once

// Mixer > Venue...: every mixer of a site in one table, each with its own link and settings file.
// Check, Apply and Back Up run on the selected mixers (all when none is selected) at once, each on
// a worker thread and link of its own; the window stays usable, and Stop ends the action after
// each mixer's command under way. Open hands one mixer to the main window; Show Differences shows
// what the last check found. Not modal: the main window stays usable beside it.

#include "VenueMixerDialog.h"
#include "VenueModel.h"

#include "link/CommandExchange.h"
#include "link/Comms.h"
#include "protocol/VenueTasks.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <memory>

class QAction;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace hzm {

class MainWindow;
class MessageBoxes;
class MixerBatch;
struct MixerResult;

class VenueWindow : public QMainWindow {
    Q_OBJECT
public:
    VenueWindow(MainWindow &main, MessageBoxes &boxes, QWidget *parent = nullptr);
    ~VenueWindow() override; // stops a running action and waits for it

    VenueModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    QProgressBar *progressBar() const { return m_progress; }
    QString venuePath() const { return m_path; }
    bool isModified() const { return isWindowModified(); }
    bool isRunning() const { return m_batch != nullptr; }

    // Opens a venue file; false (after saying why) when it cannot be read.
    bool openVenue(const QString &path);
    // Asks about unsaved changes and a running action; false when the user keeps the window.
    bool mayClose();

    // Seams for tests: how the links pause, the moment a dialog of this window has been shown.
    void setSleeper(Comms::Sleeper sleeper) { m_sleeper = std::move(sleeper); }
    void setDialogHook(std::function<void(QDialog *)> hook) { m_dialogHook = std::move(hook); }

public slots:
    void newVenue();
    void chooseVenue();
    bool saveVenue();
    bool saveVenueAs();
    void saveReport();
    void addMixer();
    void addDiscovered();
    void editMixer();
    void removeMixers();
    void check();
    void apply();
    void backUp();
    void openInMainWindow();
    void showDifferences();
    void stop();

signals:
    // An action has ended (after finished() of its batch and the last row's state).
    void actionFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    void buildMenus();
    QPushButton *addButton(QAction *action, const char *name);
    void updateActions();
    void updateTitle();
    void setModified(bool modified);
    void showDialog(QDialog *dialog);
    // The rows an action acts on: the selected ones, or all.
    QList<int> targetRows() const;
    // The row Edit, Open and Show Differences act on: the one selected; -1 unless exactly one is.
    int selectedRow() const;
    // The folder relative settings paths lie in; empty for a venue not saved yet.
    QString venueFolder() const;
    // A mixer's settings file as a path to open; empty when it is relative and the venue has no
    // folder yet.
    QString settingsFile(int row) const;
    // Before an action: a venue not saved yet is saved (its settings files lie beside it).
    bool haveFolder();
    bool writeVenue(const QString &path);
    bool confirmDiscard();

    void run(VenueAction action, const QList<int> &rows);
    // Apply's question: how many mixers, and the commands the last check found.
    bool confirmApply(const QList<int> &rows);
    static QString actionName(VenueAction action);
    static QString mixersText(int count);
    static QString commandsText(int count);
    static QString actionText(VenueAction action, int mixers);
    void mixerProgress(int index, int done, int planned);
    void mixerFinished(int index, const MixerResult &result);
    void batchFinished();
    void showProgress();
    void log(int index, const QString &text, LogColour colour);

    MainWindow &m_main;
    MessageBoxes &m_boxes;
    Comms::Sleeper m_sleeper;
    std::function<void(QDialog *)> m_dialogHook;

    VenueModel *m_model;
    QTableView *m_table = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_file = nullptr;
    QLabel *m_scope = nullptr;
    QLabel *m_summary = nullptr;
    QProgressBar *m_progress = nullptr;
    QHBoxLayout *m_buildButtons = nullptr;
    QHBoxLayout *m_actionButtons = nullptr;
    QString m_path;

    QAction *m_actNew = nullptr;
    QAction *m_actOpen = nullptr;
    QAction *m_actSave = nullptr;
    QAction *m_actSaveAs = nullptr;
    QAction *m_actReport = nullptr;
    QAction *m_actAdd = nullptr;
    QAction *m_actAddDiscovered = nullptr;
    QAction *m_actEdit = nullptr;
    QAction *m_actRemove = nullptr;
    QAction *m_actCheck = nullptr;
    QAction *m_actApply = nullptr;
    QAction *m_actBackUp = nullptr;
    QAction *m_actOpenMixer = nullptr;
    QAction *m_actDifferences = nullptr;
    QAction *m_actStop = nullptr;

    // The action under way.
    std::unique_ptr<MixerBatch> m_batch;
    VenueAction m_action = VenueAction::Check;
    QList<int> m_rows;     // the batch's mixers as rows of the table
    QList<int> m_phase;    // each mixer's transfer under way (0: the first)
    QList<int> m_lastDone; // each mixer's commands done in it
    int m_finished = 0;    // mixers that have ended
    QTimer m_progressTimer;
    QElapsedTimer m_clock;
    QString m_reportPath;
};

} // namespace hzm
