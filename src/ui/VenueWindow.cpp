#include "VenueWindow.h"

#include "CompareDialog.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"

#include "discovery/DiscoveryModel.h"
#include "link/LinkSelection.h"
#include "link/OutputFile.h"
#include "protocol/MixerBatch.h"
#include "protocol/VenueTasks.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace hzm {

namespace {

QString venueFilter() {
    return VenueWindow::tr("HZM Venue Files (*.hzv)");
}
QString allFilesFilter() {
    return QCoreApplication::translate("hzm::MainWindow", "All files (*)");
}

// The state a running action shows.
VenueState runningState(VenueAction action) {
    switch (action) {
    case VenueAction::Apply:
        return VenueState::Applying;
    case VenueAction::BackUp:
        return VenueState::BackingUp;
    default:
        return VenueState::Checking;
    }
}

// Transfers an action makes on one mixer, for the venue's progress bar.
int transfersOf(VenueAction action) {
    return action == VenueAction::Apply ? 3 : 1;
}

} // namespace

VenueWindow::VenueWindow(MainWindow &main, MessageBoxes &boxes, QWidget *parent)
    : QMainWindow(parent), m_main(main), m_boxes(boxes), m_model(new VenueModel(this)) {
    setObjectName(QStringLiteral("venueWindow"));
    setWindowIcon(main.windowIcon());
    buildWidgets();
    buildMenus();
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, &VenueWindow::showProgress);
    Venue venue;
    venue.name = tr("New venue");
    m_model->setVenue(venue);
    m_name->setText(venue.name);
    setModified(false);
    updateActions();
    resize(900, 480);
    m_table->setFocus(); // the keys move through the mixers first
}

VenueWindow::~VenueWindow() {
    m_batch.reset(); // stops and waits
}

QPushButton *VenueWindow::addButton(QAction *action, const char *name) {
    auto *button = new QPushButton(action->text(), this);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(action->toolTip());
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    return button;
}

void VenueWindow::buildWidgets() {
    auto *central = new QWidget(this);
    m_name = new QLineEdit(central);
    m_name->setObjectName(QStringLiteral("venueName"));
    m_name->setMaxLength(200);
    auto *nameLabel = new QLabel(tr("Venue &name:"), central);
    nameLabel->setBuddy(m_name);
    m_file = new QLabel(central);
    m_file->setObjectName(QStringLiteral("venueFile"));
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *top = new QHBoxLayout;
    top->addWidget(nameLabel);
    top->addWidget(m_name, 1);
    top->addSpacing(12);
    top->addWidget(m_file, 2);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_model->setVenueName(text.trimmed());
        setModified(true);
    });

    m_table = new QTableView(central);
    m_table->setObjectName(QStringLiteral("venueTable"));
    m_table->setModel(m_model);
    setUpListTable(m_table);
    m_table->setAccessibleName(tr("Mixers of the venue"));
    // Each column as wide as its heading and a usual entry, in the language shown.
    VenueMixerStatus failed;
    failed.state = VenueState::Failed;
    failed.failure = TransferFailure::CannotConnect;
    const QString samples[] = {
        QStringLiteral("Conference room 12"), QStringLiteral("tcp:192.168.100.100:4999"),
        QStringLiteral("settings/lobby.hzc"), QStringLiteral("1.05"), VenueModel::stateText(failed)};
    const QFontMetrics metrics(m_table->font());
    for (int column = 0; column < VenueModel::CheckedColumn; ++column) {
        const QString header = m_model->headerData(column, Qt::Horizontal).toString();
        m_table->setColumnWidth(
            column,
            std::max(metrics.horizontalAdvance(samples[column]), metrics.horizontalAdvance(header)) + 24);
    }
    connect(m_table, &QTableView::doubleClicked, this, &VenueWindow::editMixer);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &VenueWindow::updateActions);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &VenueWindow::updateActions);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &VenueWindow::updateActions);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &VenueWindow::updateActions);
    connect(m_model, &QAbstractItemModel::modelReset, this, &VenueWindow::updateActions);

    m_scope = new QLabel(central);
    m_scope->setObjectName(QStringLiteral("actionScope"));
    m_progress = new QProgressBar(central);
    m_progress->setObjectName(QStringLiteral("venueProgress"));
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(true);
    m_progress->setAccessibleName(tr("Progress of the venue"));
    m_summary = new QLabel(central);
    m_summary->setObjectName(QStringLiteral("actionSummary"));
    m_summary->setWordWrap(true);

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(top);
    m_buildButtons = new QHBoxLayout;
    layout->addWidget(m_table, 1);
    layout->addLayout(m_buildButtons);
    m_actionButtons = new QHBoxLayout;
    layout->addLayout(m_actionButtons);
    layout->addWidget(m_progress);
    layout->addWidget(m_summary);
    setCentralWidget(central);
}

void VenueWindow::buildMenus() {
    const auto make = [this](QMenu *menu, const QString &text, const char *name, void (VenueWindow::*slot)(),
                             const QKeySequence &keys = {}) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu *venue = menuBar()->addMenu(tr("&Venue"));
    m_actNew = make(venue, tr("&New Venue"), "actionNewVenue", &VenueWindow::newVenue, QKeySequence::New);
    m_actOpen =
        make(venue, tr("&Open Venue..."), "actionOpenVenue", &VenueWindow::chooseVenue, QKeySequence::Open);
    m_actSave = venue->addAction(tr("&Save Venue"), this, &VenueWindow::saveVenue);
    m_actSave->setObjectName(QStringLiteral("actionSaveVenue"));
    m_actSave->setShortcut(QKeySequence::Save);
    m_actSaveAs = venue->addAction(tr("Save Venue &As..."), this, &VenueWindow::saveVenueAs);
    m_actSaveAs->setObjectName(QStringLiteral("actionSaveVenueAs"));
    venue->addSeparator();
    m_actReport = make(venue, tr("Save &Report..."), "actionSaveReport", &VenueWindow::saveReport);
    QAction *log =
        venue->addAction(tr("Show &Log Window"), this, [this] { m_main.EnsureLogWindow()->showLog(false); });
    log->setObjectName(QStringLiteral("actionVenueLog"));
    venue->addSeparator();
    QAction *close = venue->addAction(tr("&Close"), this, &QWidget::close);
    close->setShortcut(QKeySequence::Close);

    QMenu *mixers = menuBar()->addMenu(tr("&Mixers"));
    m_actAdd = make(mixers, tr("&Add..."), "actionAddMixer", &VenueWindow::addMixer);
    m_actAdd->setToolTip(tr("Add a mixer: its name, link and settings file"));
    m_actAddDiscovered =
        make(mixers, tr("Add &Discovered..."), "actionAddDiscovered", &VenueWindow::addDiscovered);
    m_actAddDiscovered->setToolTip(tr("Add every mixer that answers the discovery broadcast"));
    m_actEdit = make(mixers, tr("&Edit..."), "actionEditMixer", &VenueWindow::editMixer);
    m_actRemove = make(mixers, tr("&Remove"), "actionRemoveMixers", &VenueWindow::removeMixers);
    mixers->addSeparator();
    m_actCheck = make(mixers, tr("&Check"), "actionCheck", &VenueWindow::check);
    m_actCheck->setToolTip(tr("Read each mixer, writing nothing, and compare it with its settings file"));
    m_actApply = make(mixers, tr("A&pply..."), "actionApply", &VenueWindow::apply);
    m_actApply->setToolTip(tr("Send each mixer what differs from its settings file, then check it"));
    m_actBackUp = make(mixers, tr("&Back Up"), "actionBackUp", &VenueWindow::backUp);
    m_actBackUp->setToolTip(tr("Read each mixer into its settings file; the old file is kept as .bak"));
    mixers->addSeparator();
    m_actOpenMixer = make(mixers, tr("&Open"), "actionOpenMixer", &VenueWindow::openInMainWindow);
    m_actOpenMixer->setToolTip(
        tr("Load the mixer's settings file into the main window and choose its link as the port"));
    m_actDifferences =
        make(mixers, tr("Show Di&fferences..."), "actionShowDifferences", &VenueWindow::showDifferences);
    m_actDifferences->setToolTip(
        tr("The fields in which the mixer differed from its file at the last check"));
    mixers->addSeparator();
    m_actStop = make(mixers, tr("S&top"), "actionStop", &VenueWindow::stop);
    m_actStop->setToolTip(tr("End the action: each mixer stops after its command under way"));
    m_actRemove->setShortcut(QKeySequence::Delete);
    m_actRemove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_table->addAction(m_actRemove);
    for (QMenu *menu : {venue, mixers})
        menu->setToolTipsVisible(true);

    m_buildButtons->addWidget(addButton(m_actAdd, "add"));
    m_buildButtons->addWidget(addButton(m_actAddDiscovered, "addDiscovered"));
    m_buildButtons->addWidget(addButton(m_actEdit, "edit"));
    m_buildButtons->addWidget(addButton(m_actRemove, "remove"));
    m_buildButtons->addStretch();
    m_actionButtons->addWidget(m_scope);
    m_actionButtons->addStretch();
    for (const auto &[action, name] : {std::pair{m_actCheck, "check"},
                                       {m_actApply, "apply"},
                                       {m_actBackUp, "backUp"},
                                       {m_actOpenMixer, "open"},
                                       {m_actDifferences, "showDifferences"},
                                       {m_actStop, "stop"}})
        m_actionButtons->addWidget(addButton(action, name));
}

// ---- State of the window

void VenueWindow::setModified(bool modified) {
    setWindowModified(modified);
    updateTitle();
}

void VenueWindow::updateTitle() {
    const QString name = m_model->venue().name.isEmpty() ? tr("Untitled") : m_model->venue().name;
    setWindowTitle(tr("%1[*] - Venue").arg(name));
    m_file->setText(m_path.isEmpty() ? tr("Not saved yet") : QDir::toNativeSeparators(m_path));
}

QList<int> VenueWindow::targetRows() const {
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < m_model->rowCount(); ++row)
            rows << row;
    }
    return rows;
}

int VenueWindow::selectedRow() const {
    const QModelIndexList selected = m_table->selectionModel()->selectedRows();
    return selected.size() == 1 ? selected.first().row() : -1;
}

void VenueWindow::updateActions() {
    const bool running = isRunning();
    const int count = m_model->rowCount();
    const int selected = int(m_table->selectionModel()->selectedRows().size());
    const int row = selectedRow();
    for (QAction *action : {m_actNew, m_actOpen, m_actAdd, m_actAddDiscovered})
        action->setEnabled(!running);
    m_actEdit->setEnabled(!running && row >= 0);
    m_actRemove->setEnabled(!running && selected > 0);
    for (QAction *action : {m_actCheck, m_actApply, m_actBackUp})
        action->setEnabled(!running && count > 0);
    m_actOpenMixer->setEnabled(!running && row >= 0);
    const VenueState state = row >= 0 ? m_model->status(row).state : VenueState::NotChecked;
    m_actDifferences->setEnabled(row >= 0 && (state == VenueState::Differs || state == VenueState::InStep));
    m_actStop->setEnabled(running && !m_batch->isStopped());
    if (count == 0)
        m_scope->setText(tr("No mixers yet: add them with Add or Add Discovered."));
    else if (selected == 0)
        m_scope->setText(count == 1 ? tr("Actions act on the venue's mixer.")
                                    : tr("Actions act on all %1 mixers.").arg(count));
    else
        m_scope->setText(tr("Actions act on %1 of %2 mixers (the selected ones).").arg(selected).arg(count));
}

void VenueWindow::showDialog(QDialog *dialog) {
    if (m_dialogHook) {
        auto hook = m_dialogHook;
        QTimer::singleShot(0, dialog, [hook, dialog] { hook(dialog); });
    }
}

// ---- Venue files

QString VenueWindow::venueFolder() const {
    return m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
}

QString VenueWindow::settingsFile(int row) const {
    const QString path = m_model->mixer(row).settings;
    if (QDir::isAbsolutePath(path))
        return path;
    return m_path.isEmpty() ? QString() : venueSettingsPath(m_path, m_model->mixer(row));
}

bool VenueWindow::confirmDiscard() {
    return !isModified() ||
           m_boxes.question(this, confirmCaption(), tr("Discard the changes to the venue ?"));
}

void VenueWindow::newVenue() {
    if (!confirmDiscard())
        return;
    Venue venue;
    venue.name = tr("New venue");
    m_model->setVenue(venue);
    m_name->setText(venue.name);
    m_path.clear();
    m_summary->clear();
    m_progress->setValue(0);
    setModified(false);
}

void VenueWindow::chooseVenue() {
    if (!confirmDiscard())
        return;
    FileDialogRequest request;
    request.title = tr("Open Venue");
    request.filters = {venueFilter(), allFilesFilter()};
    request.defaultSuffix = QStringLiteral("hzv");
    request.initialPath = m_path;
    request.mustExist = true;
    const QString path = m_boxes.openFileName(this, request);
    if (!path.isEmpty())
        openVenue(path);
}

bool VenueWindow::openVenue(const QString &path) {
    QString error;
    Venue venue;
    if (!readVenueFile(path, venue, error)) {
        m_boxes.error(this, errorCaption(),
                      tr("Unable to open the venue \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    m_model->setVenue(venue);
    m_name->setText(venue.name);
    m_path = QFileInfo(path).absoluteFilePath();
    m_summary->clear();
    m_progress->setValue(0);
    setModified(false);
    return true;
}

bool VenueWindow::writeVenue(const QString &path) {
    QString error;
    if (!writeVenueFile(path, m_model->venue(), error)) {
        m_boxes.error(
            this, errorCaption(),
            tr("Unable to save the venue to \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    m_path = QFileInfo(path).absoluteFilePath();
    setModified(false);
    return true;
}

bool VenueWindow::saveVenue() {
    return m_path.isEmpty() ? saveVenueAs() : writeVenue(m_path);
}

bool VenueWindow::saveVenueAs() {
    FileDialogRequest request;
    request.title = tr("Save Venue As");
    request.filters = {venueFilter()};
    request.defaultSuffix = QStringLiteral("hzv");
    request.initialPath = m_path.isEmpty() ? proposedSettingsFile(m_model->venue().name)
                                                 .replace(QLatin1String(".hzc"), QLatin1String(".hzv"))
                                           : m_path;
    request.overwritePrompt = true;
    const QString path = m_boxes.saveFileName(this, request);
    if (path.isEmpty())
        return false;
    // Settings files that exist stay where they are: their relative paths are rebased on the new
    // folder. Names of files not written yet stay as they are, beside the venue file.
    const QDir newFolder = QFileInfo(path).absoluteDir();
    QStringList before;
    QStringList paths;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QString settings = m_model->mixer(row).settings;
        const QString file = settingsFile(row);
        before << settings;
        paths << (!QDir::isAbsolutePath(settings) && !file.isEmpty() && QFileInfo::exists(file)
                      ? newFolder.relativeFilePath(file)
                      : settings);
    }
    m_model->setSettingsPaths(paths);
    if (writeVenue(path))
        return true;
    m_model->setSettingsPaths(before);
    return false;
}

bool VenueWindow::haveFolder() {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (settingsFile(row).isEmpty()) {
            return m_boxes.question(this, confirmCaption(),
                                    tr("The venue has not been saved yet, and its settings files lie in "
                                       "the venue file's folder.\n\nSave the venue now ?")) &&
                   saveVenueAs();
        }
    }
    return true;
}

void VenueWindow::saveReport() {
    FileDialogRequest request;
    request.title = tr("Save Report");
    request.filters = {tr("Text report (*.txt)"), tr("CSV report (*.csv)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.initialPath = m_reportPath.isEmpty()
                              ? proposedSettingsFile(tr("%1 report").arg(m_model->venue().name))
                                    .replace(QLatin1String(".hzc"), QLatin1String(".txt"))
                              : m_reportPath;
    request.overwritePrompt = true;
    const QString path = m_boxes.saveFileName(this, request);
    if (path.isEmpty())
        return;
    m_reportPath = path;
    const bool csv = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    // A spreadsheet takes the CSV as UTF-8 by its byte-order mark.
    const QByteArray bytes = csv ? QByteArrayLiteral("\xEF\xBB\xBF") + m_model->reportCsv().toUtf8()
                                 : m_model->reportText().toUtf8();
    QString error;
    if (!OutputFile::writeAll(path, bytes, &error))
        m_boxes.error(
            this, errorCaption(),
            tr("Unable to save the report to \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error));
}

// ---- Building the venue

void VenueWindow::addMixer() {
    VenueMixerDialog dialog(tr("Add Mixer"), m_boxes, venueFolder(), this);
    dialog.setTakenNames(m_model->names());
    dialog.setDiscoveryScope(m_main.discoveryScope());
    dialog.setMixer(QString(), LinkSelection(m_main.tcpEndpoint()).toText(), QString());
    showDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    VenueMixer mixer;
    mixer.name = dialog.name();
    mixer.link = dialog.linkText();
    mixer.settings = dialog.settingsPath();
    m_model->addMixer(mixer);
    setModified(true);
}

void VenueWindow::editMixer() {
    const int row = selectedRow();
    if (row < 0 || isRunning())
        return;
    VenueMixer mixer = m_model->mixer(row);
    VenueMixerDialog dialog(tr("Edit Mixer"), m_boxes, venueFolder(), this);
    QStringList others = m_model->names();
    others.removeAt(row);
    dialog.setTakenNames(others);
    dialog.setDiscoveryScope(m_main.discoveryScope());
    dialog.setMixer(mixer.name, mixer.link, mixer.settings);
    showDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    mixer.name = dialog.name();
    mixer.link = dialog.linkText();
    mixer.settings = dialog.settingsPath();
    if (mixer.name == m_model->mixer(row).name && mixer.link == m_model->mixer(row).link &&
        mixer.settings == m_model->mixer(row).settings)
        return;
    m_model->setMixer(row, mixer);
    setModified(true);
}

void VenueWindow::removeMixers() {
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() || isRunning())
        return;
    const QString question =
        rows.size() == 1 ? tr("Remove the mixer \"%1\" from the venue ?\nIts settings file stays as it is.")
                               .arg(m_model->mixer(rows.first()).name)
                         : tr("Remove %1 mixers from the venue ?\nTheir settings files stay as they are.")
                               .arg(rows.size());
    if (!m_boxes.question(this, confirmCaption(), question))
        return;
    m_model->removeMixers(rows);
    setModified(true);
}

void VenueWindow::addDiscovered() {
    DiscoveredMixersDialog dialog(m_main.tcpEndpoint().port, m_boxes, m_main.discoveryScope(), this);
    showDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QStringList names = m_model->names();
    QStringList files;
    QStringList links;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        files << m_model->mixer(row).settings;
        links << m_model->mixer(row).link;
    }
    // Each name and file once: a second "HZM1e" becomes "HZM1e 2" in "HZM1e 2.hzc".
    const auto unique = [](const QString &wanted, const QStringList &taken, auto make) {
        QString candidate = make(wanted);
        for (int n = 2; taken.contains(candidate, Qt::CaseInsensitive); ++n)
            candidate = make(QStringLiteral("%1 %2").arg(wanted).arg(n));
        return candidate;
    };
    int added = 0;
    int known = 0;
    for (const DiscoveredMixer &found : dialog.mixers()) {
        const QString link =
            LinkSelection(TcpEndpoint{QHostAddress(found.address), dialog.tcpPort()}).toText();
        if (links.contains(link)) {
            ++known;
            continue;
        }
        const QString base = found.name.trimmed().isEmpty() ? found.address : found.name.trimmed();
        VenueMixer mixer;
        mixer.name = unique(base, names, [](const QString &s) { return s; });
        mixer.link = link;
        mixer.settings = unique(mixer.name, files, [](const QString &s) { return proposedSettingsFile(s); });
        names << mixer.name;
        files << mixer.settings;
        links << link;
        m_model->addMixer(mixer);
        ++added;
    }
    if (added > 0)
        setModified(true);
    QString text = added == 1 ? tr("1 mixer added.") : tr("%1 mixers added.").arg(added);
    if (known > 0)
        text += QLatin1Char(' ') + (known == 1 ? tr("1 was in the venue already.")
                                               : tr("%1 were in the venue already.").arg(known));
    statusBar()->showMessage(text);
}

// ---- Actions

void VenueWindow::check() {
    run(VenueAction::Check, targetRows());
}

void VenueWindow::backUp() {
    run(VenueAction::BackUp, targetRows());
}

void VenueWindow::apply() {
    run(VenueAction::Apply, targetRows());
}

void VenueWindow::stop() {
    if (!m_batch || m_batch->isStopped())
        return;
    m_batch->stop();
    m_summary->setText(tr("Stopping: each mixer ends after its command under way…"));
    updateActions();
}

void VenueWindow::run(VenueAction action, const QList<int> &rows) {
    if (isRunning() || rows.isEmpty() || !haveFolder())
        return;
    if (action == VenueAction::Apply && !confirmApply(rows))
        return;
    QList<VenueMixer> mixers;
    for (int row : rows) {
        mixers << m_model->mixer(row);
        VenueMixerStatus status = m_model->status(row);
        status.state = runningState(action);
        status.reason.clear();
        status.done = status.planned = 0;
        m_model->setStatus(row, status);
    }
    m_rows = rows;
    m_action = action;
    m_phase = QList<int>(rows.size(), 0);
    m_lastDone = QList<int>(rows.size(), 0);
    m_finished = 0;
    // Each mixer's link is made ready (a host name looked up, a serial rate found) on its own
    // worker thread: nothing here waits for it.
    m_batch = venueBatch(action, m_path, mixers);
    if (m_sleeper)
        m_batch->setSleeper(m_sleeper);
    connect(
        m_batch.get(), &MixerBatch::mixerProgress, this,
        [this](int index, const QString &, int done, int planned) { mixerProgress(index, done, planned); });
    connect(m_batch.get(), &MixerBatch::mixerLogLine, this, &VenueWindow::log);
    connect(m_batch.get(), &MixerBatch::mixerFinished, this, &VenueWindow::mixerFinished);
    connect(m_batch.get(), &MixerBatch::finished, this, &VenueWindow::batchFinished);
    m_summary->setText(actionText(action, int(rows.size())));
    m_progress->setValue(0);
    m_clock.start();
    m_progressTimer.start();
    updateActions();
    for (int i = 0; i < rows.size(); ++i)
        log(i, actionText(action, 1), LogColour::Command);
    m_batch->start();
}

QString VenueWindow::actionName(VenueAction action) {
    switch (action) {
    case VenueAction::Apply:
        return tr("Apply");
    case VenueAction::BackUp:
        return tr("Back Up");
    default:
        return tr("Check");
    }
}

QString VenueWindow::actionText(VenueAction action, int mixers) {
    switch (action) {
    case VenueAction::Apply:
        return mixers == 1 ? tr("Applying the settings file…") : tr("Applying to %1 mixers…").arg(mixers);
    case VenueAction::BackUp:
        return mixers == 1 ? tr("Backing up into the settings file…")
                           : tr("Backing up %1 mixers…").arg(mixers);
    default:
        return mixers == 1 ? tr("Checking against the settings file…")
                           : tr("Checking %1 mixers…").arg(mixers);
    }
}

bool VenueWindow::confirmApply(const QList<int> &rows) {
    // What the last check found; a mixer not checked since is read first, and sent what differs.
    int commands = 0;
    int differing = 0;
    int unknown = 0;
    for (int row : rows) {
        const VenueMixerStatus &status = m_model->status(row);
        if (status.state != VenueState::InStep && status.state != VenueState::Differs) {
            ++unknown;
            continue;
        }
        commands += int(status.changes.size());
        differing += status.changes.isEmpty() ? 0 : 1;
    }
    QStringList lines;
    lines << (rows.size() == 1 ? tr("Apply the settings file to 1 mixer ?")
                               : tr("Apply the settings files to %1 mixers ?").arg(rows.size()));
    if (unknown < rows.size())
        lines << (commands == 0 ? tr("The last check found nothing to send.")
                                : tr("The last check found %1 to send to %2.")
                                      .arg(commandsText(commands), mixersText(differing)));
    if (unknown > 0)
        lines << tr("Not checked: %1. Such a mixer is read first and sent what differs.")
                     .arg(mixersText(unknown));
    return m_boxes.question(this, confirmCaption(), lines.join(QLatin1Char('\n')));
}

QString VenueWindow::mixersText(int count) {
    return count == 1 ? tr("1 mixer") : tr("%1 mixers").arg(count);
}

QString VenueWindow::commandsText(int count) {
    return count == 1 ? tr("1 command") : tr("%1 commands").arg(count);
}

void VenueWindow::log(int index, const QString &text, LogColour colour) {
    if (index < 0 || index >= m_rows.size())
        return;
    m_main.appendLog(m_model->mixer(m_rows.at(index)).name + QStringLiteral(": ") + text, colour);
}

void VenueWindow::mixerProgress(int index, int done, int planned) {
    // A transfer that starts again from 0 is the action's next one (Apply: read, send, check).
    if (done < m_lastDone.at(index))
        ++m_phase[index];
    m_lastDone[index] = done;
    m_model->setProgress(m_rows.at(index), done, planned);
}

void VenueWindow::showProgress() {
    if (!m_batch)
        return;
    const int transfers = transfersOf(m_action);
    double sum = m_finished;
    for (int i = 0; i < m_rows.size(); ++i) {
        const VenueMixerStatus &status = m_model->status(m_rows.at(i));
        if (status.state == runningState(m_action) && status.planned > 0)
            sum +=
                (std::min(m_phase.at(i), transfers - 1) + double(status.done) / status.planned) / transfers;
    }
    m_progress->setValue(int(1000 * sum / std::max<qsizetype>(1, m_rows.size())));
    m_model->refreshProgress();
}

void VenueWindow::mixerFinished(int index, const MixerResult &result) {
    const int row = m_rows.at(index);
    VenueMixerStatus status = m_model->status(row);
    ++m_finished;
    status.done = result.done;
    status.planned = result.planned;
    if (!result.softwareVersion.isEmpty())
        status.softwareVersion = result.softwareVersion;
    switch (result.outcome) {
    case MixerOutcome::Succeeded:
    case MixerOutcome::Differs:
        // A backup leaves the file as the mixer is: in step, as a check would find.
        status.differences = result.differences;
        status.changes = result.changes;
        status.state = result.outcome == MixerOutcome::Differs ? VenueState::Differs : VenueState::InStep;
        status.reason.clear();
        status.lastChecked = QDateTime::currentDateTime();
        break;
    case MixerOutcome::UnreadableFile:
        status.state = VenueState::Unreadable;
        status.reason = result.reason;
        break;
    case MixerOutcome::Stopped:
        status.state = VenueState::Stopped;
        status.reason = result.done == 0 ? tr("before it began")
                                         : tr("after %1 of %2 commands").arg(result.done).arg(result.planned);
        break;
    case MixerOutcome::Failed:
    case MixerOutcome::BadInput:
        status.state = VenueState::Failed;
        status.reason = result.reason;
        // A task that failed before its first transfer could not make its link ready.
        status.failure = result.outcome == MixerOutcome::BadInput  ? TransferFailure::Other
                         : result.failure == TransferFailure::None ? TransferFailure::CannotConnect
                                                                   : result.failure;
        break;
    }
    m_model->setStatus(row, status);
    const LogColour colour = status.state == VenueState::InStep    ? LogColour::GoodReply
                             : status.state == VenueState::Differs ? LogColour::Command
                                                                   : LogColour::Failure;
    QString line = VenueModel::stateText(status);
    if (status.state == VenueState::Unreadable)
        line += QStringLiteral(": ") + status.reason;
    else if (status.state == VenueState::Failed && VenueModel::failureWord(status) != status.reason)
        line += QStringLiteral(" (%1)").arg(status.reason);
    log(index, line, colour);
}

void VenueWindow::batchFinished() {
    m_progressTimer.stop();
    const bool stopped = m_batch->isStopped();
    m_batch->wait();
    int counts[4] = {}; // in step, differing, failed, stopped
    for (int row : std::as_const(m_rows)) {
        switch (m_model->status(row).state) {
        case VenueState::InStep:
            ++counts[0];
            break;
        case VenueState::Differs:
            ++counts[1];
            break;
        case VenueState::Stopped:
            ++counts[3];
            break;
        default:
            ++counts[2];
        }
    }
    QStringList parts;
    if (counts[0])
        parts << tr("%1 in step").arg(counts[0]);
    if (counts[1])
        parts << tr("%1 differing").arg(counts[1]);
    if (counts[2])
        parts << tr("%1 failed").arg(counts[2]);
    if (counts[3])
        parts << tr("%1 stopped").arg(counts[3]);
    m_summary->setText(tr("%1 took %2 s: %3.")
                           .arg(actionName(m_action))
                           .arg(m_clock.elapsed() / 1000.0, 0, 'f', 1)
                           .arg(parts.join(QStringLiteral(", "))));
    if (!stopped)
        m_progress->setValue(m_progress->maximum());
    m_batch.reset();
    updateActions();
    emit actionFinished();
}

// ---- One mixer

void VenueWindow::openInMainWindow() {
    const int row = selectedRow();
    if (row < 0 || !haveFolder())
        return;
    QString error;
    // A host name is looked up here, for seconds when the name server does not answer.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<LinkSelection> link = LinkSelection::fromText(m_model->mixer(row).link, &error);
    QGuiApplication::restoreOverrideCursor();
    if (!link) {
        m_boxes.error(this, errorCaption(),
                      tr("The link of \"%1\" cannot be used: %2").arg(m_model->mixer(row).name, error));
        return;
    }
    m_main.openMixer(settingsFile(row), *link);
}

void VenueWindow::showDifferences() {
    const int row = selectedRow();
    if (row < 0)
        return;
    const VenueMixerStatus &status = m_model->status(row);
    CompareDialog dialog(status.differences, status.softwareVersion, this);
    dialog.setWindowTitle(tr("Differences: %1").arg(m_model->mixer(row).name));
    showDialog(&dialog);
    dialog.exec();
}

// ---- Closing

bool VenueWindow::mayClose() {
    if (isModified() &&
        !m_boxes.question(this, confirmCaption(), tr("Close the venue without saving its changes ?")))
        return false;
    if (isRunning()) {
        if (!m_boxes.question(this, confirmCaption(),
                              tr("An action is running on the venue's mixers.\n\nStop it and close the "
                                 "venue ?")))
            return false;
        m_batch->stop();
        m_batch->wait();
    }
    return true;
}

void VenueWindow::closeEvent(QCloseEvent *event) {
    if (!mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace hzm
