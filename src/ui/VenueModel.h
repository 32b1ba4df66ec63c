#pragma once

// The Venue window's table: one row per mixer of the venue (name, link, settings file, software
// version, state, last checked) and what the window last learnt of each mixer. A state is always
// shown in words; its colour, taken from the palette, only repeats it.

#include "files/VenueFile.h"
#include "model/SettingsView.h"
#include "protocol/TransferWorker.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QStringList>

class QPalette;

namespace hzm {

enum class VenueState {
    NotChecked,
    Checking,
    InStep,  // the mixer holds its file
    Differs, // N fields differ
    Applying,
    BackingUp,
    Failed,     // with a reason: no reply, refused, cannot connect
    Unreadable, // the settings file cannot be read
    Stopped,    // Stop ended the action on this mixer
};

// What the window knows of one mixer.
struct VenueMixerStatus {
    VenueState state = VenueState::NotChecked;
    QString reason;                                  // Failed, Unreadable, Stopped: in full
    TransferFailure failure = TransferFailure::None; // Failed: in one word, when a transfer failed
    // At the last check: the fields that differ (and those the mixer cannot report), and the
    // commands Apply would send.
    QList<FieldDifference> differences;
    QStringList changes;
    QString softwareVersion;
    QDateTime lastChecked;
    // The action under way: commands done of those planned.
    int done = 0;
    int planned = 0;
};

class VenueModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        LinkColumn,
        SettingsColumn,
        VersionColumn,
        StateColumn,
        CheckedColumn,
        ColumnCount
    };

    explicit VenueModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The venue as it is saved; replacing it forgets what was known of its mixers.
    const Venue &venue() const { return m_venue; }
    void setVenue(const Venue &venue);
    void setVenueName(const QString &name) { m_venue.name = name; }
    const VenueMixer &mixer(int row) const { return m_venue.mixers.at(row); }
    // A changed link or settings file forgets what was known of the mixer.
    void setMixer(int row, const VenueMixer &mixer);
    void addMixer(const VenueMixer &mixer);
    void removeMixers(QList<int> rows);
    // Every mixer's settings path at once (the venue saved to another folder).
    void setSettingsPaths(const QStringList &paths);
    QStringList names() const;

    const VenueMixerStatus &status(int row) const { return m_status.at(row); }
    void setStatus(int row, const VenueMixerStatus &status);
    // Progress of the action under way, shown with the next refreshProgress().
    void setProgress(int row, int done, int planned);
    void refreshProgress();

    // "In step", "2 fields differ", "Failed: no reply" ...
    static QString stateText(const VenueMixerStatus &status);
    // Why a mixer failed in a word or two ("no reply"), or the reason in full where there is none.
    static QString failureWord(const VenueMixerStatus &status);
    // The colour a state is drawn in, readable on the palette's base colours; the text colour for
    // the states that need no colour.
    static QColor stateColour(VenueState state, const QPalette &palette);

    // The venue-wide report: one line per mixer with its state, then its differing fields;
    // or CSV (mixer, state, differing fields, software version, last checked).
    QString reportText() const;
    QString reportCsv() const;

private:
    Venue m_venue;
    QList<VenueMixerStatus> m_status;
};

} // namespace hzm
