#pragma once

// "Transfer in progress": the modal window shown while one job runs on its worker thread. It has
// no buttons and cannot be closed; it ends by itself when the worker reports.

#include "protocol/TransferJob.h"
#include "protocol/TransferWorker.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace hzm {

class MessageBoxes;
struct MixerSettings;

class TransferDialog : public QDialog {
    Q_OBJECT
public:
    TransferDialog(const LinkSelection &selection, MixerSettings &settings, TransferJob job,
                   MessageBoxes &boxes, QWidget *parent);
    ~TransferDialog() override;

    // Replaces how the job's link sleeps for its pauses (tests); call before run().
    void setSleeper(Comms::Sleeper sleeper);
    // The reply colour lasts from one job to the next: the owner passes on how the last job's
    // last reply left it (call before run()) and reads it back afterwards.
    void setReplyRefused(bool refused);
    bool lastReplyRefused() const { return m_lastReplyRefused; }
    // Starts the worker, shows the dialog modally until the job has ended, returns its result.
    TransferResult run();

    QLabel *commandLabel() const { return m_command; }
    QLabel *responseLabel() const { return m_response; }
    QProgressBar *progressBar() const { return m_progress; }

    // The colours of the command line (green) and of a refusal in "Response received:" (red),
    // made readable on the dialog's palette.
    QColor commandColour() const;
    QColor refusalColour() const;

signals:
    void transferStarted();
    void logLine(const QString &text, hzm::LogColour colour);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

public slots:
    void reject() override;

private slots:
    void showCommand(const QString &framed);
    void showResponse(const QString &reply);
    void showProgress(int done, int planned);
    void showMessage(const QString &text, const QString &caption);
    void onFinished(const hzm::TransferResult &result);

private:
    TransferWorker *m_worker;
    MessageBoxes &m_boxes;
    QLabel *m_command = nullptr;
    QLabel *m_response = nullptr;
    QProgressBar *m_progress;
    TransferResult m_result;
    bool m_done = false;
    bool m_lastReplyRefused = false;
};

} // namespace hzm
