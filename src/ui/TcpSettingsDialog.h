#pragma once

// "TCP/IP Settings": the mixer's IPv4 address and TCP port, typed or picked from the list of
// mixers that answered the discovery broadcast.

#include "discovery/Discovery.h"

#include <QDialog>
#include <QHostAddress>

class QGroupBox;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace hzm {

class DiscoveryModel;
class MessageBoxes;

class TcpSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TcpSettingsDialog(const QHostAddress &address, quint16 port, MessageBoxes &boxes, QWidget *parent);
    ~TcpSettingsDialog() override; // every discovery thread has ended

    // Valid after OK.
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }

    // Discovery asks on these interfaces and this UDP port instead of the machine's own
    // interfaces and port 30303 (demo mode, tests). Call before the dialog is shown.
    void setDiscoveryInterfaces(const QList<DiscoveryInterface> &interfaces, quint16 port);

    QLineEdit *addressEdit() const { return m_addressEdit; }
    QLineEdit *portEdit() const { return m_portEdit; }
    QTreeView *list() const { return m_list; }
    DiscoveryModel *model() const { return m_model; }
    Discovery &discovery() { return m_discovery; }
    QPushButton *refreshButton() const { return m_refresh; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // Column widths for a list of client width w: 2/10, 2/10, 5/20 and the rest.
    static QList<int> columnWidths(int w);

public slots:
    void accept() override;
    void done(int result) override;
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QGroupBox *buildDiscoveryBox();
    void pickRow(const QModelIndex &index);
    void fitColumns();

    MessageBoxes &m_boxes;
    QHostAddress m_address;
    quint16 m_port;
    QLineEdit *m_addressEdit;
    QLineEdit *m_portEdit;
    QTreeView *m_list;
    DiscoveryModel *m_model;
    Discovery m_discovery;
    QPushButton *m_refresh;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    bool m_started = false;
};

} // namespace hzm
