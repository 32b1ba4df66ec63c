#include "VenueModel.h"

#include "Contrast.h"

#include "model/TextHelpers.h"
#include "protocol/VenueTasks.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QPalette>

#include <algorithm>

namespace hzm {

namespace {

bool running(VenueState state) {
    return state == VenueState::Checking || state == VenueState::Applying || state == VenueState::BackingUp;
}

QString timeText(const QDateTime &time) {
    if (!time.isValid())
        return QString();
    const QLocale locale;
    return time.date() == QDate::currentDate() ? locale.toString(time.time(), QLocale::ShortFormat)
                                               : locale.toString(time, QLocale::ShortFormat);
}

QString csvField(QString text) {
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n'))) {
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

VenueModel::VenueModel(QObject *parent) : QAbstractTableModel(parent) {}

int VenueModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_venue.mixers.size());
}

int VenueModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant VenueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Mixer");
    case LinkColumn:
        return tr("Link");
    case SettingsColumn:
        return tr("Settings file");
    case VersionColumn:
        return tr("Software");
    case StateColumn:
        return tr("State");
    case CheckedColumn:
        return tr("Last checked");
    default:
        return {};
    }
}

QVariant VenueModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const VenueMixer &mixer = m_venue.mixers.at(index.row());
    const VenueMixerStatus &status = m_status.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case NameColumn:
            return escapedForDisplay(mixer.name); // a discovered mixer names itself
        case LinkColumn:
            return mixer.link;
        case SettingsColumn:
            return QDir::toNativeSeparators(mixer.settings);
        case VersionColumn:
            return status.softwareVersion;
        case StateColumn:
            return stateText(status);
        case CheckedColumn:
            return timeText(status.lastChecked);
        }
    } else if (role == Qt::ForegroundRole && index.column() == StateColumn) {
        return stateColour(status.state, QApplication::palette());
    } else if (role == Qt::ToolTipRole && index.column() == StateColumn) {
        if (running(status.state) && status.planned > 0)
            return tr("%1 of %2 commands done").arg(status.done).arg(status.planned);
        if (!status.differences.isEmpty()) {
            QStringList lines;
            for (const FieldDifference &d : status.differences)
                lines << differenceText(d);
            return lines.join(QLatin1Char('\n'));
        }
        return status.reason.isEmpty() ? QVariant() : QVariant(status.reason);
    } else if (role == Qt::ToolTipRole && index.column() == CheckedColumn && status.lastChecked.isValid()) {
        return QLocale().toString(status.lastChecked, QLocale::LongFormat);
    }
    return {};
}

QString VenueModel::failureWord(const VenueMixerStatus &status) {
    switch (status.failure) {
    case TransferFailure::CannotConnect:
        return tr("cannot connect");
    case TransferFailure::NoReply:
        return tr("no reply");
    case TransferFailure::Refused:
        return tr("refused");
    case TransferFailure::UnreadableReply:
        return tr("unreadable reply");
    case TransferFailure::RepliesOutOfStep:
        return tr("replies out of step");
    case TransferFailure::None:
    case TransferFailure::Other:
        break;
    }
    return status.reason;
}

QString VenueModel::stateText(const VenueMixerStatus &status) {
    switch (status.state) {
    case VenueState::NotChecked:
        break;
    case VenueState::Checking:
        return tr("Checking…");
    case VenueState::InStep:
        return tr("In step");
    case VenueState::Differs: {
        const int n = int(readableCount(status.differences));
        return n == 1 ? tr("1 field differs") : tr("%1 fields differ").arg(n);
    }
    case VenueState::Applying:
        return tr("Applying…");
    case VenueState::BackingUp:
        return tr("Backing up…");
    case VenueState::Failed:
        return tr("Failed: %1").arg(failureWord(status));
    case VenueState::Unreadable:
        return tr("Unreadable file");
    case VenueState::Stopped:
        return tr("Stopped: %1").arg(status.reason);
    }
    return tr("Not checked");
}

QColor VenueModel::stateColour(VenueState state, const QPalette &palette) {
    QColor colour;
    switch (state) {
    case VenueState::InStep:
        colour = QColor(0, 0x80, 0);
        break;
    case VenueState::Differs:
    case VenueState::Stopped:
        colour = QColor(0xA0, 0x58, 0);
        break;
    case VenueState::Failed:
    case VenueState::Unreadable:
        colour = QColor(0xC0, 0, 0);
        break;
    case VenueState::Checking:
    case VenueState::Applying:
    case VenueState::BackingUp:
        colour = QColor(0, 0x50, 0xC0);
        break;
    case VenueState::NotChecked:
        return palette.color(QPalette::Text);
    }
    // Rows alternate between two backgrounds: readable on both.
    return readableColour(readableColour(colour, palette.color(QPalette::Base)),
                          palette.color(QPalette::AlternateBase));
}

void VenueModel::setVenue(const Venue &venue) {
    beginResetModel();
    m_venue = venue;
    m_status = QList<VenueMixerStatus>(m_venue.mixers.size());
    endResetModel();
}

void VenueModel::setMixer(int row, const VenueMixer &mixer) {
    VenueMixer &old = m_venue.mixers[row];
    if (old.link != mixer.link || old.settings != mixer.settings)
        m_status[row] = VenueMixerStatus();
    old = mixer;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void VenueModel::addMixer(const VenueMixer &mixer) {
    beginInsertRows(QModelIndex(), rowCount(), rowCount());
    m_venue.mixers.append(mixer);
    m_status.append(VenueMixerStatus());
    endInsertRows();
}

void VenueModel::removeMixers(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows)) {
        beginRemoveRows(QModelIndex(), row, row);
        m_venue.mixers.removeAt(row);
        m_status.removeAt(row);
        endRemoveRows();
    }
}

void VenueModel::setSettingsPaths(const QStringList &paths) {
    for (int row = 0; row < rowCount() && row < paths.size(); ++row)
        m_venue.mixers[row].settings = paths.at(row);
    emit dataChanged(index(0, SettingsColumn), index(rowCount() - 1, SettingsColumn));
}

QStringList VenueModel::names() const {
    QStringList names;
    for (const VenueMixer &mixer : m_venue.mixers)
        names << mixer.name;
    return names;
}

void VenueModel::setStatus(int row, const VenueMixerStatus &status) {
    m_status[row] = status;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void VenueModel::setProgress(int row, int done, int planned) {
    m_status[row].done = done;
    m_status[row].planned = planned;
}

void VenueModel::refreshProgress() {
    if (rowCount() > 0)
        emit dataChanged(index(0, StateColumn), index(rowCount() - 1, StateColumn), {Qt::ToolTipRole});
}

QString VenueModel::reportText() const {
    QString text = tr("Venue: %1").arg(m_venue.name) + QLatin1Char('\n');
    text += tr("Report of %1").arg(QLocale().toString(QDateTime::currentDateTime(), QLocale::LongFormat)) +
            QStringLiteral("\n\n");
    for (int row = 0; row < rowCount(); ++row) {
        const VenueMixer &mixer = m_venue.mixers.at(row);
        const VenueMixerStatus &status = m_status.at(row);
        text +=
            QStringLiteral("%1 (%2, %3): %4").arg(mixer.name, mixer.link, mixer.settings, stateText(status));
        if (status.state == VenueState::Unreadable && !status.reason.isEmpty())
            text += QStringLiteral(": ") + status.reason;
        else if (status.state == VenueState::Failed && failureWord(status) != status.reason)
            text += QStringLiteral(" (%1)").arg(status.reason);
        if (!status.softwareVersion.isEmpty())
            text += QLatin1String(", ") + tr("software %1").arg(status.softwareVersion);
        if (status.lastChecked.isValid())
            text += QLatin1String(", ") +
                    tr("checked %1").arg(QLocale().toString(status.lastChecked, QLocale::ShortFormat));
        text += QLatin1Char('\n');
        for (const FieldDifference &d : status.differences)
            text += QStringLiteral("    ") + differenceText(d) + QLatin1Char('\n');
    }
    return text;
}

QString VenueModel::reportCsv() const {
    QStringList lines;
    lines << QStringList{tr("Mixer"), tr("State"), tr("Differing fields"), tr("Software"), tr("Last checked")}
                 .join(QLatin1Char(','));
    for (int row = 0; row < rowCount(); ++row) {
        const VenueMixerStatus &status = m_status.at(row);
        QString state = stateText(status);
        if (status.state == VenueState::Unreadable && !status.reason.isEmpty())
            state += QStringLiteral(": ") + status.reason;
        QStringList fields;
        for (const FieldDifference &d : status.differences)
            if (d.readable)
                fields << d.section + QLatin1Char(' ') + d.label;
        lines << QStringList{csvField(m_venue.mixers.at(row).name), csvField(state),
                             csvField(fields.join(QStringLiteral("; "))), csvField(status.softwareVersion),
                             status.lastChecked.toString(Qt::ISODate)}
                     .join(QLatin1Char(','));
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace hzm
