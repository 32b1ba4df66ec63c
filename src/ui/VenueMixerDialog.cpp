#include "VenueMixerDialog.h"

#include "MessageBoxes.h"
#include "TcpSettingsDialog.h"

#include "discovery/DiscoveryModel.h"
#include "link/LinkSelection.h"
#include "link/PortProbe.h"
#include "link/SerialComms.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace hzm {

namespace {

// The host and port of "HOST[:PORT]" or "[IPV6][:PORT]" as written, without looking the host up.
std::pair<QString, QString> splitHostPort(const QString &text) {
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close > 0)
            return {text.mid(1, close - 1), text.mid(close + 2)};
    } else if (text.count(QLatin1Char(':')) == 1) {
        return {text.section(QLatin1Char(':'), 0, 0), text.section(QLatin1Char(':'), 1)};
    }
    return {text, QString()};
}

} // namespace

QString proposedSettingsFile(const QString &mixerName) {
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString base = mixerName.trimmed();
    base.replace(unsafe, QStringLiteral("_"));
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    return (base.isEmpty() ? QStringLiteral("mixer") : base) + QStringLiteral(".hzc");
}

// ---- Add Mixer / Edit Mixer

// The address, the TCP port and the Discovery button, in one row.
QHBoxLayout *VenueMixerDialog::buildTcpRow() {
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setPlaceholderText(QStringLiteral("192.168.0.100"));
    m_tcpPort = new QLineEdit(QString::number(TcpEndpoint::kDefaultPort), this);
    m_tcpPort->setObjectName(QStringLiteral("tcpPort"));
    m_tcpPort->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 24);
    m_discover = new QPushButton(tr("&Discovery..."), this);
    m_discover->setObjectName(QStringLiteral("discovery"));
    m_discover->setAutoDefault(false);
    m_discover->setToolTip(tr("Choose the mixer from those that answer on the network"));
    auto *tcpRow = new QHBoxLayout;
    tcpRow->addWidget(m_address, 1);
    m_tcpPortLabel = new QLabel(tr("TCP port:"), this);
    m_tcpPortLabel->setBuddy(m_tcpPort);
    tcpRow->addWidget(m_tcpPortLabel);
    tcpRow->addWidget(m_tcpPort);
    tcpRow->addWidget(m_discover);
    return tcpRow;
}

VenueMixerDialog::VenueMixerDialog(const QString &title, MessageBoxes &boxes, const QString &venueFolder,
                                   QWidget *parent)
    : QDialog(parent), m_boxes(boxes), m_folder(venueFolder) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("venueMixerDialog"));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("mixerName"));
    m_name->setMaxLength(100);

    // The Port menu's choices.
    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("portChoice"));
    for (int n = 1; n <= 10; ++n)
        m_port->addItem(tr("Com %1").arg(n));
    m_port->addItem(tr("Ethernet"));
    m_port->addItem(tr("Other serial port"));
    m_port->setCurrentIndex(kEthernetChoice);

    QHBoxLayout *tcpRow = buildTcpRow();

    m_device = new QComboBox(this);
    m_device->setObjectName(QStringLiteral("device"));
    m_device->setEditable(true);
    m_device->setInsertPolicy(QComboBox::NoInsert);
    for (const SerialPortEntry &entry : serialPortsPresent())
        m_device->addItem(entry.label, entry.device);
    m_device->setCurrentText(QString());

    m_baud = new QComboBox(this);
    m_baud->setObjectName(QStringLiteral("baudRate"));
    m_baud->addItem(tr("Detect"), 0);
    for (int rate : supportedBaudRates())
        m_baud->addItem(QString::number(rate), rate);

    m_settings = new QLineEdit(this);
    m_settings->setObjectName(QStringLiteral("settingsFile"));
    auto *browse = new QPushButton(tr("&Browse..."), this);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setAutoDefault(false);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_settings, 1);
    fileRow->addWidget(browse);

    auto *form = m_form = new QFormLayout;
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&Port:"), m_port);
    m_addressLabel = new QLabel(tr("IP &address:"), this);
    m_addressLabel->setBuddy(m_address);
    form->addRow(m_addressLabel, tcpRow);
    m_deviceLabel = new QLabel(tr("D&evice:"), this);
    m_deviceLabel->setBuddy(m_device);
    form->addRow(m_deviceLabel, m_device);
    m_baudLabel = new QLabel(tr("Baud &rate:"), this);
    m_baudLabel->setBuddy(m_baud);
    form->addRow(m_baudLabel, m_baud);
    auto *settingsLabel = new QLabel(tr("&Settings file:"), this);
    settingsLabel->setBuddy(m_settings);
    form->addRow(settingsLabel, fileRow);
    auto *fileNote = new QLabel(tr("A relative path lies in the venue file's folder."), this);
    fileNote->setWordWrap(true);
    form->addRow(QString(), fileNote);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &VenueMixerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &VenueMixerDialog::reject);
    connect(m_port, &QComboBox::currentIndexChanged, this, &VenueMixerDialog::showChoice);
    connect(m_discover, &QPushButton::clicked, this, &VenueMixerDialog::chooseFromDiscovery);
    connect(browse, &QPushButton::clicked, this, &VenueMixerDialog::browse);
    showChoice();
    setMinimumWidth(520);
}

void VenueMixerDialog::showChoice() {
    const int choice = m_port->currentIndex();
    const bool tcp = choice == kEthernetChoice;
#if QT_VERSION >= QT_VERSION_CHECK(6, 4, 0)
    // Rows hidden whole, leaving no gap where they were.
    m_form->setRowVisible(m_addressLabel, tcp);
    m_form->setRowVisible(m_deviceLabel, choice == kOtherSerialChoice);
    m_form->setRowVisible(m_baudLabel, !tcp);
#else
    for (QWidget *w : {static_cast<QWidget *>(m_addressLabel), static_cast<QWidget *>(m_address),
                       static_cast<QWidget *>(m_tcpPortLabel), static_cast<QWidget *>(m_tcpPort),
                       static_cast<QWidget *>(m_discover)})
        w->setVisible(tcp);
    m_deviceLabel->setVisible(choice == kOtherSerialChoice);
    m_device->setVisible(choice == kOtherSerialChoice);
    m_baudLabel->setVisible(!tcp);
    m_baud->setVisible(!tcp);
#endif
}

void VenueMixerDialog::setMixer(const QString &name, const QString &link, const QString &settings) {
    m_name->setText(name);
    m_settings->setText(QDir::toNativeSeparators(settings));
    if (link.startsWith(QLatin1String("tcp:"))) {
        const auto [host, port] = splitHostPort(link.mid(4));
        m_port->setCurrentIndex(kEthernetChoice);
        m_address->setText(host);
        m_tcpPort->setText(port.isEmpty() ? QString::number(TcpEndpoint::kDefaultPort) : port);
    } else if (link.startsWith(QLatin1String("serial:"))) {
        QString device = link.mid(7);
        int baud = 0;
        static const QRegularExpression rate(QStringLiteral("@(\\d+)$"));
        if (const QRegularExpressionMatch m = rate.match(device); m.hasMatch()) {
            baud = m.captured(1).toInt();
            device.chop(m.capturedLength());
        }
        static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = com.match(device);
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (n >= 1 && n <= 10) {
            m_port->setCurrentIndex(n - 1);
        } else {
            m_port->setCurrentIndex(kOtherSerialChoice);
            m_device->setCurrentText(device);
        }
        m_baud->setCurrentIndex(std::max(0, m_baud->findData(baud)));
    }
}

QString VenueMixerDialog::name() const {
    return m_name->text().trimmed();
}

QString VenueMixerDialog::linkText() const {
    const int choice = m_port->currentIndex();
    if (choice == kEthernetChoice) {
        const QString host = m_address->text().trimmed();
        return QStringLiteral("tcp:%1:%2")
            .arg(host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host,
                 m_tcpPort->text().trimmed());
    }
    QString device = QStringLiteral("COM%1").arg(choice + 1);
    if (choice == kOtherSerialChoice) {
        // A listed port stands for its device; anything typed is taken as a device path.
        device = m_device->currentText().trimmed();
        const int listed = m_device->findText(device);
        if (listed >= 0)
            device = m_device->itemData(listed).toString();
    }
    const int baud = m_baud->currentData().toInt();
    return QStringLiteral("serial:") + device + (baud ? QStringLiteral("@%1").arg(baud) : QString());
}

QString VenueMixerDialog::settingsPath() const {
    return QDir::fromNativeSeparators(m_settings->text().trimmed());
}

bool VenueMixerDialog::refuse(QWidget *field, const QString &text) {
    m_boxes.error(this, errorCaption(), text);
    field->setFocus();
    return false;
}

void VenueMixerDialog::accept() {
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$"));
    const QString host = m_address->text().trimmed();
    bool portOk = false;
    const int port = m_tcpPort->text().trimmed().toInt(&portOk);
    if (name().isEmpty()) {
        refuse(m_name, tr("Please enter a name for the mixer."));
    } else if (m_taken.contains(name(), Qt::CaseInsensitive)) {
        refuse(m_name, tr("Another mixer of this venue is already called \"%1\".").arg(name()));
    } else if (m_port->currentIndex() == kEthernetChoice &&
               (host.isEmpty() || (QHostAddress(host).isNull() && !hostName.match(host).hasMatch()))) {
        refuse(m_address, tr("Please enter the mixer's IP address or host name."));
    } else if (m_port->currentIndex() == kEthernetChoice && (!portOk || port < 1 || port > 65535)) {
        refuse(m_tcpPort, QCoreApplication::translate("hzm::TcpSettingsDialog",
                                                      "Please enter a TCP/IP port number from 1 to 65535."));
    } else if (m_port->currentIndex() == kOtherSerialChoice && m_device->currentText().trimmed().isEmpty()) {
        refuse(m_device, tr("Please enter the serial port or device path."));
    } else if (settingsPath().isEmpty()) {
        refuse(m_settings, tr("Please enter the settings file of the mixer."));
    } else {
        QDialog::accept();
    }
}

void VenueMixerDialog::chooseFromDiscovery() {
    // The TCP/IP Settings of Port > Ethernet, with its discovery list.
    const QHostAddress typed(m_address->text().trimmed());
    TcpSettingsDialog dialog(typed.isNull() ? TcpEndpoint::defaultAddress() : typed,
                             quint16(m_tcpPort->text().toUInt()), m_boxes, this);
    if (!m_scope.interfaces.isEmpty())
        dialog.setDiscoveryInterfaces(m_scope.interfaces, m_scope.port);
    if (m_dialogHook)
        QTimer::singleShot(0, &dialog, [this, &dialog] { m_dialogHook(&dialog); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_address->setText(dialog.address().toString());
    m_tcpPort->setText(QString::number(dialog.port()));
    // A name not given yet is taken from the mixer's answer.
    if (name().isEmpty()) {
        for (const DiscoveredMixer &mixer : dialog.model()->mixers())
            if (QHostAddress(mixer.address) == dialog.address())
                m_name->setText(mixer.name);
    }
    if (m_settings->text().trimmed().isEmpty() && !name().isEmpty())
        m_settings->setText(proposedSettingsFile(name()));
}

void VenueMixerDialog::browse() {
    FileDialogRequest request;
    request.title = tr("Settings File");
    request.filters = {QCoreApplication::translate("hzm::MainWindow", "HZM Config Files (*.hzc)"),
                       QCoreApplication::translate("hzm::MainWindow", "All files (*)")};
    request.defaultSuffix = QStringLiteral("hzc");
    const QString given = settingsPath();
    request.initialPath = given.isEmpty() ? proposedSettingsFile(name()) : given;
    if (!m_folder.isEmpty())
        request.initialPath = QDir(m_folder).absoluteFilePath(request.initialPath);
    // The file may not exist yet: Back Up writes it.
    const QString path = m_boxes.saveFileName(this, request);
    if (path.isEmpty())
        return;
    const QString shown = m_folder.isEmpty() ? path : QDir(m_folder).relativeFilePath(path);
    m_settings->setText(QDir::toNativeSeparators(shown));
}

// ---- Add Discovered

DiscoveredMixersDialog::DiscoveredMixersDialog(quint16 tcpPort, MessageBoxes &boxes,
                                               const DiscoveryScope &scope, QWidget *parent)
    : QDialog(parent), m_boxes(boxes) {
    setWindowTitle(tr("Add Discovered Mixers"));
    setObjectName(QStringLiteral("discoveredMixersDialog"));
    if (!scope.interfaces.isEmpty())
        m_discovery.setInterfaces(scope.interfaces);
    m_discovery.setPort(scope.port);

    auto *intro = new QLabel(tr("These mixers answered the discovery broadcast. Each is added with its "
                                "device name and a settings file named after it."),
                             this);
    intro->setWordWrap(true);
    m_model = new DiscoveryModel(this);
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("discovered"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setUniformRowHeights(true);
    m_list->setAccessibleName(tr("Mixers found"));
    m_list->setMinimumSize(560, 160);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("foundCount"));

    m_tcpPort = new QLineEdit(QString::number(tcpPort), this);
    m_tcpPort->setObjectName(QStringLiteral("tcpPort"));
    m_tcpPort->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 24);
    auto *portLabel = new QLabel(tr("TCP &port of the mixers:"), this);
    portLabel->setBuddy(m_tcpPort);
    auto *refresh = new QPushButton(tr("&Refresh"), this);
    refresh->setObjectName(QStringLiteral("refresh"));
    refresh->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addWidget(portLabel);
    row->addWidget(m_tcpPort);
    row->addStretch();
    row->addWidget(refresh);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_add = buttons->addButton(tr("&Add"), QDialogButtonBox::AcceptRole);
    m_add->setObjectName(QStringLiteral("add"));
    m_add->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_count);
    layout->addLayout(row);
    layout->addWidget(buttons);

    const auto counted = [this] {
        const int n = m_model->rowCount();
        m_count->setText(n == 1 ? tr("1 mixer found.") : tr("%1 mixers found.").arg(n));
        m_add->setEnabled(n > 0);
        for (int column = 0; column < DiscoveryModel::ColumnCount; ++column)
            m_list->resizeColumnToContents(column);
    };
    counted();
    connect(&m_discovery, &Discovery::replyReceived, m_model, &DiscoveryModel::handleReply);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, counted);
    connect(m_model, &QAbstractItemModel::modelReset, this, counted);
    connect(refresh, &QPushButton::clicked, this, [this] {
        if (m_discovery.isRunning())
            m_discovery.refresh();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &DiscoveredMixersDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DiscoveredMixersDialog::reject);
}

DiscoveredMixersDialog::~DiscoveredMixersDialog() {
    m_discovery.stop();
}

void DiscoveredMixersDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    const QString error = m_discovery.start();
    if (!error.isEmpty())
        m_boxes.error(this, QCoreApplication::translate("hzm::Discovery", kDiscoveryErrorCaption),
                      QCoreApplication::translate("hzm::Discovery", error.toUtf8().constData()));
}

QList<DiscoveredMixer> DiscoveredMixersDialog::mixers() const {
    return m_model->mixers();
}

quint16 DiscoveredMixersDialog::tcpPort() const {
    return quint16(m_tcpPort->text().trimmed().toUInt());
}

void DiscoveredMixersDialog::accept() {
    bool ok = false;
    const int port = m_tcpPort->text().trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        m_boxes.error(this, errorCaption(),
                      QCoreApplication::translate("hzm::TcpSettingsDialog",
                                                  "Please enter a TCP/IP port number from 1 to 65535."));
        m_tcpPort->setFocus();
        return;
    }
    QDialog::accept();
}

void DiscoveredMixersDialog::done(int result) {
    // Every receive thread ends before the dialog closes.
    m_discovery.stop();
    QDialog::done(result);
}

} // namespace hzm
