#pragma once

// The two dialogs that add mixers to a venue: "Add Mixer" / "Edit Mixer" (a name, the link chosen
// as the Port menu offers it or from the discovery list, a settings file) and "Add Discovered"
// (every mixer that answers the discovery broadcast).

#include "discovery/Discovery.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace hzm {

class DiscoveryModel;
class MessageBoxes;
struct DiscoveredMixer;

class VenueMixerDialog : public QDialog {
    Q_OBJECT
public:
    // The port choices, in the combo box's order: "Com 1" .. "Com 10", then these.
    enum { kEthernetChoice = 10, kOtherSerialChoice = 11 };

    // venueFolder: where relative settings paths lie (empty for a venue not saved yet).
    VenueMixerDialog(const QString &title, MessageBoxes &boxes, const QString &venueFolder, QWidget *parent);

    // Fills the dialog from a mixer's name, link text ("tcp:HOST:PORT", "serial:DEVICE[@BAUD]") and
    // settings path as the venue file holds it.
    void setMixer(const QString &name, const QString &link, const QString &settings);
    // Valid after OK.
    QString name() const;
    QString linkText() const;
    QString settingsPath() const;

    // Names the dialog must refuse (the venue's other mixers).
    void setTakenNames(const QStringList &names) { m_taken = names; }
    void setDiscoveryScope(const DiscoveryScope &scope) { m_scope = scope; }
    // Seam for tests: the moment the TCP/IP Settings dialog of "Discovery..." has been shown.
    void setDialogHook(std::function<void(QDialog *)> hook) { m_dialogHook = std::move(hook); }

    QLineEdit *nameEdit() const { return m_name; }
    QComboBox *portChoice() const { return m_port; }
    QLineEdit *addressEdit() const { return m_address; }
    QLineEdit *tcpPortEdit() const { return m_tcpPort; }
    QComboBox *deviceChoice() const { return m_device; }
    QComboBox *baudChoice() const { return m_baud; }
    QLineEdit *settingsEdit() const { return m_settings; }
    QPushButton *discoveryButton() const { return m_discover; }

public slots:
    void accept() override;

private:
    QHBoxLayout *buildTcpRow();
    void showChoice();
    void chooseFromDiscovery();
    void browse();
    bool refuse(QWidget *field, const QString &text);

    MessageBoxes &m_boxes;
    QString m_folder;
    QStringList m_taken;
    DiscoveryScope m_scope;
    std::function<void(QDialog *)> m_dialogHook;
    QLineEdit *m_name;
    QComboBox *m_port;
    QLabel *m_addressLabel;
    QLineEdit *m_address;
    QLabel *m_tcpPortLabel;
    QLineEdit *m_tcpPort;
    QPushButton *m_discover;
    QLabel *m_deviceLabel;
    QComboBox *m_device;
    QLabel *m_baudLabel;
    QFormLayout *m_form;
    QComboBox *m_baud;
    QLineEdit *m_settings;
};

// "Add Discovered": the mixers that answer the discovery broadcast, listed as they answer; OK
// adds every one listed, reached on the TCP port given.
class DiscoveredMixersDialog : public QDialog {
    Q_OBJECT
public:
    DiscoveredMixersDialog(quint16 tcpPort, MessageBoxes &boxes, const DiscoveryScope &scope,
                           QWidget *parent);
    ~DiscoveredMixersDialog() override; // every discovery thread has ended

    // Valid after OK.
    QList<DiscoveredMixer> mixers() const;
    quint16 tcpPort() const;

    DiscoveryModel *model() const { return m_model; }
    QLineEdit *tcpPortEdit() const { return m_tcpPort; }
    QPushButton *addButton() const { return m_add; }

public slots:
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    MessageBoxes &m_boxes;
    Discovery m_discovery;
    DiscoveryModel *m_model;
    QTreeView *m_list;
    QLineEdit *m_tcpPort;
    QLabel *m_count;
    QPushButton *m_add;
    bool m_started = false;
};

// A settings file name proposed for a mixer: its name with what a file name should not hold
// replaced by "_", and ".hzc" ("Lobby 2" -> "Lobby 2.hzc", "HZM1e/SIM" -> "HZM1e_SIM.hzc").
QString proposedSettingsFile(const QString &mixerName);

} // namespace hzm
