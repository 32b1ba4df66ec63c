#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace hzm {

// A mixer's answer begins its description line with this.
inline constexpr char kMixerDescriptionPrefix[] = "Orvane HZM1";
// Longest line kept from an answer, in characters.
constexpr int kMaxDiscoveryLineChars = 127;

// One mixer as listed: its sender address and the three lines of its answer.
struct DiscoveredMixer {
    QString address;
    QString name;
    QString mac;
    QString description;
    bool operator==(const DiscoveredMixer &other) const {
        return address == other.address && name == other.name && mac == other.mac &&
               description == other.description;
    }
};

// Takes apart an answer text (sender address, "\r\n", payload as received). The text is split at
// each "\r\n" into at most four lines (address, name, MAC address, description); a line counts
// only when a "\r\n" follows it, and anything after the last "\r\n" or a zero byte is ignored.
// Bytes become characters one for one; each line keeps at most 127. Returns nothing when the
// description does not begin with "Orvane HZM1" (another kind of device, or a cut-off answer).
std::optional<DiscoveredMixer> parseDiscoveryReply(const QByteArray &text);

// The list of mixers that answered, for the TCP/IP settings and the command-line tool.
class DiscoveryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { AddressColumn, NameColumn, MacColumn, DescriptionColumn, ColumnCount };

    explicit DiscoveryModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const QList<DiscoveredMixer> &mixers() const { return m_rows; }
    // The "IP Address" text of a row; empty for a row that does not exist.
    QString addressAt(int row) const;
    void clear();

    // The width of a column for a list whose client area is clientWidth wide.
    static int columnWidth(int column, int clientWidth);

public slots:
    // Merges one answer: a row with the sender's address and the same MAC address is updated;
    // else the first row with that MAC address is updated and keeps its address; else a new row
    // goes on top. Returns the row touched, or -1 when the answer was dropped.
    int handleReply(const QByteArray &text);

private:
    QList<DiscoveredMixer> m_rows;
};

} // namespace hzm
