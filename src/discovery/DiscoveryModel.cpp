#include "DiscoveryModel.h"

#include "model/TextHelpers.h"

namespace hzm {

std::optional<DiscoveredMixer> parseDiscoveryReply(const QByteArray &raw) {
    // The answer travels as a zero-ended text: nothing after a zero byte counts.
    const int zero = raw.indexOf('\0');
    const QByteArray text = zero >= 0 ? raw.left(zero) : raw;

    QString lines[4];
    qsizetype from = 0;
    for (QString &line : lines) {
        const qsizetype end = text.indexOf("\r\n", from);
        if (end < 0)
            break;
        line = QString::fromLatin1(text.constData() + from,
                                   std::min<qsizetype>(end - from, kMaxDiscoveryLineChars));
        from = end + 2;
    }
    if (!lines[3].startsWith(QLatin1String(kMixerDescriptionPrefix)))
        return std::nullopt;
    return DiscoveredMixer{lines[0], lines[1], lines[2], lines[3]};
}

DiscoveryModel::DiscoveryModel(QObject *parent) : QAbstractTableModel(parent) {}

int DiscoveryModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DiscoveryModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DiscoveryModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size() || role != Qt::DisplayRole)
        return QVariant();
    // Every text came from the network: control characters (escape sequences, BEL, line breaks)
    // are shown as visible escapes.
    const DiscoveredMixer &mixer = m_rows.at(index.row());
    switch (index.column()) {
    case AddressColumn:
        return escapedForDisplay(mixer.address);
    case NameColumn:
        return escapedForDisplay(mixer.name);
    case MacColumn:
        return escapedForDisplay(mixer.mac);
    case DescriptionColumn:
        return escapedForDisplay(mixer.description);
    default:
        return QVariant();
    }
}

QVariant DiscoveryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case AddressColumn:
        return tr("IP Address");
    case NameColumn:
        return tr("Name");
    case MacColumn:
        return tr("MAC Address");
    case DescriptionColumn:
        return tr("Description");
    default:
        return QVariant();
    }
}

QString DiscoveryModel::addressAt(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).address : QString();
}

void DiscoveryModel::clear() {
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int DiscoveryModel::columnWidth(int column, int w) {
    switch (column) {
    case AddressColumn:
    case NameColumn:
        return w * 2 / 10;
    case MacColumn:
        return w * 5 / 20;
    case DescriptionColumn:
        return w - w * 13 / 20;
    default:
        return 0;
    }
}

int DiscoveryModel::handleReply(const QByteArray &text) {
    const std::optional<DiscoveredMixer> reply = parseDiscoveryReply(text);
    if (!reply)
        return -1;

    // MAC addresses are compared whole: cutting the listed one to 32 characters first would never
    // match an answer with a longer MAC line and add a duplicate row for each of its answers.
    int row = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).address == reply->address) {
            if (m_rows.at(i).mac == reply->mac)
                row = i;
            break; // only the first row with the address is looked at
        }
    }
    if (row < 0) {
        for (int i = 0; i < m_rows.size(); ++i) {
            if (m_rows.at(i).mac == reply->mac) {
                row = i;
                break;
            }
        }
    }
    if (row < 0) {
        beginInsertRows(QModelIndex(), 0, 0);
        m_rows.prepend(*reply);
        endInsertRows();
        return 0;
    }
    DiscoveredMixer &mixer = m_rows[row];
    mixer.name = reply->name;
    mixer.mac = reply->mac;
    mixer.description = reply->description;
    emit dataChanged(index(row, NameColumn), index(row, DescriptionColumn));
    return row;
}

} // namespace hzm
