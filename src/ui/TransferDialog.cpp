#include "TransferDialog.h"

#include "Contrast.h"
#include "MessageBoxes.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace hzm {

TransferDialog::TransferDialog(const LinkSelection &selection, MixerSettings &settings, TransferJob job,
                               MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_boxes(boxes) {
    setWindowTitle(tr("Transfer in progress"));
    setObjectName(QStringLiteral("transferDialog"));
    setModal(true);
    setCursor(Qt::WaitCursor);

    m_command = new QLabel(this);
    m_command->setObjectName(QStringLiteral("commandSent"));
    m_response = new QLabel(this);
    m_response->setObjectName(QStringLiteral("responseReceived"));
    for (QLabel *value : {m_command, m_response}) {
        value->setTextFormat(Qt::PlainText);
        value->setMinimumWidth(220);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    QPalette commandPalette = m_command->palette();
    commandPalette.setColor(QPalette::WindowText, commandColour());
    m_command->setPalette(commandPalette);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, job.plannedCommands > 0 ? job.plannedCommands : 0);
    m_progress->setValue(0);
    m_progress->setTextVisible(job.plannedCommands > 0);
    m_progress->setFormat(tr("%v of %m"));

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(new QLabel(tr("Command sent:"), this), 0, 0);
    grid->addWidget(m_command, 0, 1);
    grid->addWidget(new QLabel(tr("Response received:"), this), 1, 0);
    grid->addWidget(m_response, 1, 1);
    grid->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(m_progress);
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));

    m_worker = new TransferWorker(selection, settings, std::move(job), this);
    connect(m_worker, &TransferWorker::commandSent, this, &TransferDialog::showCommand);
    connect(m_worker, &TransferWorker::responseReceived, this, &TransferDialog::showResponse);
    connect(m_worker, &TransferWorker::progress, this, &TransferDialog::showProgress);
    connect(m_worker, &TransferWorker::message, this, &TransferDialog::showMessage);
    connect(m_worker, &TransferWorker::logLine, this, &TransferDialog::logLine);
    connect(m_worker, &TransferWorker::finished, this, &TransferDialog::onFinished);
}

TransferDialog::~TransferDialog() {
    if (m_worker->isRunning())
        m_worker->wait();
}

void TransferDialog::setSleeper(Comms::Sleeper sleeper) {
    m_worker->setSleeper(std::move(sleeper));
}

TransferResult TransferDialog::run() {
    emit transferStarted();
    m_worker->start();
    if (!m_done)
        exec();
    return m_result;
}

void TransferDialog::showCommand(const QString &framed) {
    m_command->setText(framed);
}

void TransferDialog::setReplyRefused(bool refused) {
    m_lastReplyRefused = refused;
    QPalette pal = m_response->palette();
    pal.setColor(QPalette::WindowText, refused ? refusalColour() : palette().color(QPalette::WindowText));
    m_response->setPalette(pal);
}

QColor TransferDialog::commandColour() const {
    return ReadableColour(QColor(0, 0x80, 0), palette().color(QPalette::Window));
}

QColor TransferDialog::refusalColour() const {
    return ReadableColour(QColor(0xC0, 0, 0), palette().color(QPalette::Window));
}

void TransferDialog::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::PaletteChange || !m_command)
        return;
    // A new palette (a switch to a dark theme): both lines in colours that suit it.
    QPalette commandPalette = m_command->palette();
    commandPalette.setColor(QPalette::WindowText, commandColour());
    m_command->setPalette(commandPalette);
    setReplyRefused(m_lastReplyRefused);
}

void TransferDialog::showResponse(const QString &reply) {
    setReplyRefused(reply.contains(QLatin1String("<!")));
    m_response->setText(reply);
}

void TransferDialog::showProgress(int done, int planned) {
    if (planned <= 0)
        return;
    if (m_progress->maximum() != planned) {
        m_progress->setRange(0, planned);
        m_progress->setTextVisible(true);
    }
    m_progress->setValue(qBound(0, done, planned));
}

void TransferDialog::showMessage(const QString &text, const QString &caption) {
    m_boxes.plain(parentWidget(), caption, text);
}

void TransferDialog::onFinished(const TransferResult &result) {
    m_worker->wait();
    m_result = result;
    m_done = true;
    if (m_progress->maximum() > 0 && result.success)
        m_progress->setValue(m_progress->maximum());
    accept();
}

void TransferDialog::closeEvent(QCloseEvent *event) {
    if (m_done)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TransferDialog::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape)
        return; // a job cannot be cancelled
    QDialog::keyPressEvent(event);
}

void TransferDialog::reject() {
    if (m_done)
        QDialog::reject();
}

} // namespace hzm
