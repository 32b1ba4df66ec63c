#pragma once

// "Baud Rate": the small modal window shown while the mixer's baud rate is being detected. The
// detection runs on a thread of its own; the window closes itself when it has ended.

#include <QDialog>

#include <functional>

class QThread;

namespace hzm {

class BaudRateDialog : public QDialog {
    Q_OBJECT
public:
    // detect runs on the detection thread and returns true when the mixer answered.
    BaudRateDialog(std::function<bool()> detect, QWidget *parent);
    ~BaudRateDialog() override;

    // Shows the dialog until the detection has ended; true when a mixer was found.
    bool run();
    bool found() const { return m_found; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

public slots:
    void reject() override;

private:
    std::function<bool()> m_detect;
    QThread *m_thread = nullptr;
    bool m_found = false;
    bool m_done = false;
};

} // namespace hzm
