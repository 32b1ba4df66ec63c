#pragma once

// The communication log: every command and reply since start-up or the last "Clear", coloured by
// kind. Modeless, created hidden; lines arrive whether it is shown or not and are never trimmed.

#include "link/CommandExchange.h"
#include "protocol/TransferJob.h" // declares LogColour as a meta type

#include <QDialog>
#include <QList>
#include <QPair>

class QPlainTextEdit;
class QPushButton;
class QPalette;

namespace hzm {

class MessageBoxes;

class LogWindow : public QDialog {
    Q_OBJECT
public:
    explicit LogWindow(QWidget *parent = nullptr);

    // The colour a line of this kind is drawn in: black, dark green and dark red on a light
    // background, lighter shades of the same hues on a dark one.
    static QColor colourFor(LogColour colour, const QPalette &palette);

    // Places the window 10 pixels right of the main window, level with its top.
    void placeBeside(const QWidget *mainWindow);

    bool isOnTop() const;
    // Shows the window, on top of all others or not, with the end of the log in view.
    void showLog(bool onTop);

    // Everything in the log (pending lines included), lines separated by "\n".
    QString text();
    int lineCount();
    // The colour the given line (0 = first) is drawn in.
    QColor lineColour(int line);

    QPlainTextEdit *editor() const { return m_edit; }
    QPushButton *clearButton() const { return m_clear; }
    QPushButton *copySelectedButton() const { return m_copySelected; }
    QPushButton *copyAllButton() const { return m_copyAll; }
    QPushButton *saveButton() const { return m_save; }

    // "Save Log...": the file dialog and the error box go through these boxes.
    void setMessageBoxes(MessageBoxes *boxes) { m_boxes = boxes; }
    // Writes the whole log as UTF-8 text, replacing path only once all of it is written.
    bool saveTo(const QString &path, QString *error);

public slots:
    void appendLine(const QString &text, hzm::LogColour colour);
    void clearLog();
    void copySelected();
    void copyAll();
    void saveLog();
    // Writes the lines that arrived since the last flush into the editor.
    void flush();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void scrollToEnd();

    QPlainTextEdit *m_edit;
    QPushButton *m_clear;
    QPushButton *m_copySelected;
    QPushButton *m_copyAll;
    QPushButton *m_save;
    MessageBoxes *m_boxes = nullptr;
    QString m_savePath;
    QList<QPair<QString, LogColour>> m_pending;
    bool m_flushScheduled = false;
    bool m_empty = true;
};

} // namespace hzm
