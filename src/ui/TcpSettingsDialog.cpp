#include "TcpSettingsDialog.h"

#include "MessageBoxes.h"

#include "discovery/DiscoveryModel.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace hzm {

namespace {

const QString kOctet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");

} // namespace

// The list of mixers that answered the discovery, and its Refresh button.
QGroupBox *TcpSettingsDialog::buildDiscoveryBox() {
    m_model = new DiscoveryModel(this);
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("discovered"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->setUniformRowHeights(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->header()->setStretchLastSection(false);
    m_list->setMinimumSize(520, 140);

    m_refresh = new QPushButton(tr("Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("refresh"));
    m_refresh->setAutoDefault(false);
    auto *box = new QGroupBox(tr("Discovery"), this);
    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(m_list, 1);
    boxLayout->addWidget(m_refresh, 0, Qt::AlignHCenter);
    return box;
}

TcpSettingsDialog::TcpSettingsDialog(const QHostAddress &address, quint16 port, MessageBoxes &boxes,
                                     QWidget *parent)
    : QDialog(parent), m_boxes(boxes), m_address(address), m_port(port) {
    setWindowTitle(tr("TCP/IP Settings"));
    setObjectName(QStringLiteral("tcpSettingsDialog"));
    setModal(true);

    auto *intro = new QLabel(tr("Enter the IP address and TCP/IP port number which will be used to "
                                "communicate with the HZM-1e"),
                             this);
    intro->setWordWrap(true);

    m_addressEdit = new QLineEdit(this);
    m_addressEdit->setObjectName(QStringLiteral("address"));
    m_addressEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(%1\\.){3}%1").arg(kOctet)), m_addressEdit));
    m_addressEdit->setText(address.protocol() == QAbstractSocket::IPv4Protocol ? address.toString()
                                                                               : QString());
    m_addressEdit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 24);

    m_portEdit = new QLineEdit(this);
    m_portEdit->setObjectName(QStringLiteral("port"));
    m_portEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_portEdit));
    m_portEdit->setText(QString::number(port));
    m_portEdit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 24);

    auto *form = new QGridLayout;
    form->addWidget(new QLabel(tr("IP Address: "), this), 0, 0);
    form->addWidget(m_addressEdit, 0, 1, Qt::AlignLeft);
    form->addWidget(new QLabel(tr("Port:"), this), 1, 0);
    form->addWidget(m_portEdit, 1, 1, Qt::AlignLeft);
    form->setColumnStretch(2, 1);

    QGroupBox *discovery = buildDiscoveryBox();

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 12, 12);
    layout->addWidget(intro);
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(discovery, 1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &TcpSettingsDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TcpSettingsDialog::reject);
    connect(m_refresh, &QPushButton::clicked, this, &TcpSettingsDialog::refresh);
    connect(m_list, &QTreeView::clicked, this, &TcpSettingsDialog::pickRow);
    connect(m_list, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        pickRow(index);
        accept();
    });
    connect(&m_discovery, &Discovery::replyReceived, m_model, &DiscoveryModel::handleReply);

    resize(640, 400);
}

QList<int> TcpSettingsDialog::columnWidths(int w) {
    QList<int> widths;
    for (int column = 0; column < DiscoveryModel::ColumnCount; ++column)
        widths << DiscoveryModel::columnWidth(column, w);
    return widths;
}

void TcpSettingsDialog::fitColumns() {
    const QList<int> widths = columnWidths(m_list->viewport()->width());
    for (int i = 0; i < widths.size(); ++i)
        m_list->setColumnWidth(i, widths[i]);
}

void TcpSettingsDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    fitColumns();
    if (!m_started) {
        m_started = true;
        // Discovery starts with the dialog; after a set-up failure an address can still be typed.
        const QString error = m_discovery.start();
        if (!error.isEmpty())
            m_boxes.error(nullptr, QCoreApplication::translate("hzm::Discovery", kDiscoveryErrorCaption),
                          QCoreApplication::translate("hzm::Discovery", error.toUtf8().constData()));
    }
}

void TcpSettingsDialog::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    fitColumns();
}

void TcpSettingsDialog::setDiscoveryInterfaces(const QList<DiscoveryInterface> &interfaces, quint16 port) {
    m_discovery.setInterfaces(interfaces);
    m_discovery.setPort(port);
}

void TcpSettingsDialog::refresh() {
    if (m_discovery.isRunning())
        m_discovery.refresh();
}

void TcpSettingsDialog::pickRow(const QModelIndex &index) {
    if (!index.isValid())
        return;
    const QHostAddress picked(m_model->addressAt(index.row()).left(119));
    if (picked.protocol() == QAbstractSocket::IPv4Protocol)
        m_addressEdit->setText(picked.toString());
}

void TcpSettingsDialog::done(int result) {
    // Every receive thread ends before the dialog closes.
    m_discovery.stop();
    QDialog::done(result);
}

TcpSettingsDialog::~TcpSettingsDialog() {
    m_discovery.stop();
}

void TcpSettingsDialog::accept() {
    // An address that is not four numbers, or a port outside 1 to 65535, is refused here with a
    // message rather than stored (a port cut to 16 bits or read as 0 would only show later, as a
    // failing connection).
    const QHostAddress address(m_addressEdit->text());
    if (!m_addressEdit->hasAcceptableInput() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        m_boxes.error(this, tr("Error"),
                      tr("Please enter the mixer's IP address as four numbers from 0 to 255, "
                         "separated by dots."));
        m_addressEdit->setFocus();
        return;
    }
    bool ok = false;
    const int port = m_portEdit->text().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        m_boxes.error(this, tr("Error"), tr("Please enter a TCP/IP port number from 1 to 65535."));
        m_portEdit->setFocus();
        return;
    }
    m_address = address;
    m_port = quint16(port);
    QDialog::accept();
}

} // namespace hzm
