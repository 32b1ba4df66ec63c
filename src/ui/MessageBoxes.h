#pragma once

// Every message box and file dialog of the desktop program goes through this interface, so that
// tests can answer them in advance and check their exact texts and captions.

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

class QWidget;

namespace hzm {

// What a file dialog is asked to show.
struct FileDialogRequest {
    QString title;          // "Open", "Save As", "Export As"
    QStringList filters;    // "HZM Config Files (*.hzc)", "All files (*)"
    QString defaultSuffix;  // "hzc", "txt"
    QString initialPath;    // the remembered path or the default name
    bool mustExist = false; // open: the file has to exist
    bool overwritePrompt = false;
};

// The captions of the program's questions and errors, in the user's language.
QString confirmCaption();
QString errorCaption();

class MessageBoxes {
public:
    enum class Kind { Information, Warning, Error, Question, Plain, OpenFile, SaveFile };

    virtual ~MessageBoxes();

    // Yes/No box with a question icon; true for Yes.
    virtual bool question(QWidget *parent, const QString &caption, const QString &text) = 0;
    virtual void information(QWidget *parent, const QString &caption, const QString &text) = 0;
    virtual void warning(QWidget *parent, const QString &caption, const QString &text) = 0;
    virtual void error(QWidget *parent, const QString &caption, const QString &text) = 0;
    // An OK box without an icon.
    virtual void plain(QWidget *parent, const QString &caption, const QString &text) = 0;
    // The chosen path, or an empty text when the user cancelled.
    virtual QString openFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString saveFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    // The error beep of a refused entry.
    virtual void beep();
};

// The real boxes: QMessageBox and QFileDialog.
class WidgetMessageBoxes : public MessageBoxes {
public:
    bool question(QWidget *parent, const QString &caption, const QString &text) override;
    void information(QWidget *parent, const QString &caption, const QString &text) override;
    void warning(QWidget *parent, const QString &caption, const QString &text) override;
    void error(QWidget *parent, const QString &caption, const QString &text) override;
    void plain(QWidget *parent, const QString &caption, const QString &text) override;
    QString openFileName(QWidget *parent, const FileDialogRequest &request) override;
    QString saveFileName(QWidget *parent, const FileDialogRequest &request) override;
};

// Answers queued in advance; records everything that was shown. A question without a queued
// answer is answered No, a file dialog without a queued path is cancelled; both count as
// unexpected.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        Kind kind;
        QString caption; // the title of a file dialog
        QString text;    // empty for file dialogs
        FileDialogRequest request;
    };

    void queueAnswer(bool yes) { m_answers.enqueue(yes); }
    // An empty path cancels the dialog.
    void queuePath(const QString &path) { m_paths.enqueue(path); }

    const QList<Shown> &shown() const { return m_shown; }
    const Shown *last() const { return m_shown.isEmpty() ? nullptr : &m_shown.last(); }
    // Texts of the boxes (not file dialogs) in order.
    QStringList texts() const;
    void clear() { m_shown.clear(); }
    int unexpected() const { return m_unexpected; }
    int beeps() const { return m_beeps; }
    int pendingAnswers() const { return int(m_answers.size()); }
    int pendingPaths() const { return int(m_paths.size()); }

    bool question(QWidget *parent, const QString &caption, const QString &text) override;
    void information(QWidget *parent, const QString &caption, const QString &text) override;
    void warning(QWidget *parent, const QString &caption, const QString &text) override;
    void error(QWidget *parent, const QString &caption, const QString &text) override;
    void plain(QWidget *parent, const QString &caption, const QString &text) override;
    QString openFileName(QWidget *parent, const FileDialogRequest &request) override;
    QString saveFileName(QWidget *parent, const FileDialogRequest &request) override;
    void beep() override { ++m_beeps; }

private:
    QString nextPath(Kind kind, const FileDialogRequest &request);
    void record(Kind kind, const QString &caption, const QString &text);

    QQueue<bool> m_answers;
    QQueue<QString> m_paths;
    QList<Shown> m_shown;
    int m_unexpected = 0;
    int m_beeps = 0;
};

} // namespace hzm
