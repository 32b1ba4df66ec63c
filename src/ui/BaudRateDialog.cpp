#include "BaudRateDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>

namespace hzm {

BaudRateDialog::BaudRateDialog(std::function<bool()> detect, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_detect(std::move(detect)) {
    setWindowTitle(tr("Baud Rate"));
    setObjectName(QStringLiteral("baudRateDialog"));
    setModal(true);
    setCursor(Qt::WaitCursor);
    auto *label = new QLabel(tr("Detecting HZM1 baud rate..."), this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 28, 32, 28);
    layout->addWidget(label);
    setFixedSize(sizeHint().expandedTo(QSize(220, 90)));
}

BaudRateDialog::~BaudRateDialog() {
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

bool BaudRateDialog::run() {
    m_thread = QThread::create([this] { m_found = m_detect && m_detect(); });
    connect(m_thread, &QThread::finished, this, [this] {
        m_done = true;
        done(m_found ? 1 : 0);
    });
    m_thread->start();
    exec();
    // The thread has ended before the dialog's loop returned; wait anyway, without limit.
    m_thread->wait();
    return m_found;
}

void BaudRateDialog::closeEvent(QCloseEvent *event) {
    if (m_done)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void BaudRateDialog::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void BaudRateDialog::reject() {
    if (m_done)
        QDialog::reject();
}

} // namespace hzm
