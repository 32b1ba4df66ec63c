#pragma once

// "TCP/IP Settings": the mixer's IPv4 address and TCP port, typed or picked from the list of
// mixers that answered the discovery broadcast.

#include <QDialog>
#include <QHostAddress>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace hzm {

class MessageBoxes;

class TcpSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TcpSettingsDialog(const QHostAddress &address, quint16 port, MessageBoxes &boxes, QWidget *parent);

    // Valid after OK.
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }

    // Takes one discovery reply: the sender's address, "\r\n", then the datagram's payload (name,
    // MAC address and description, each ended by "\r\n"). Replies from other devices are dropped;
    // a known mixer's row is updated instead of added again.
    void addDiscoveryReply(const QString &text);
    // Adds or updates a row directly (a reply already taken apart).
    void addMixer(const QString &address, const QString &name, const QString &mac, const QString &description);

    QLineEdit *addressEdit() const { return m_addressEdit; }
    QLineEdit *portEdit() const { return m_portEdit; }
    QTreeWidget *list() const { return m_list; }
    QPushButton *refreshButton() const { return m_refresh; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // Column widths for a list of client width w: 2/10, 2/10, 5/20 and the rest.
    static QList<int> columnWidths(int w);

signals:
    // "Refresh", and once when the dialog opens: send the discovery datagram again.
    void refreshRequested();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void pickRow(QTreeWidgetItem *item);
    void fitColumns();

    MessageBoxes &m_boxes;
    QHostAddress m_address;
    quint16 m_port;
    QLineEdit *m_addressEdit;
    QLineEdit *m_portEdit;
    QTreeWidget *m_list;
    QPushButton *m_refresh;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    bool m_announced = false;
};

} // namespace hzm
