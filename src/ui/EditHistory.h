#pragma once

// Undo and Redo of the edits made on the tab pages. Every change of a bound field is one step of
// a QUndoStack; the keystrokes of a name make one step, which ends when its edit box is left or
// Enter is pressed. Undoing or redoing a step shows its page and the zone, group or input it
// belongs to, and writes the value back. The modified flag follows the stack: it is clear exactly
// at the step of the last New, Open or save.

#include "PageLayout.h"

#include <QObject>
#include <QUndoStack>

class QAction;
class QTabWidget;

namespace hzm {

class EditHistory : public QObject {
    Q_OBJECT
public:
    EditHistory(QTabWidget *tabs, ModifiedFlag &modified, QObject *parent = nullptr);
    ~EditHistory() override;

    // Records the page's edits as steps.
    void track(TabPage *page);

    // Edit > Undo and Edit > Redo, named after the step they take back or redo ("Undo Zone 2 Level").
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    const QUndoStack &steps() const { return m_stack; }

    // Forgets every step. saved: the settings are those of a file (New, Open); otherwise they
    // count as changed (a read), however far Undo would go.
    void reset(bool saved);
    // The settings have been saved: the present step is the clean one.
    void markSaved();

    // What a step is called: the field without its unit, on its zone, group or input ("Zone 2
    // Level", "Input 3 Name"). The page shows the edit's record.
    static QString changeName(const TabPage &page, const FieldEdit &edit);
    // The same with the value the field now holds, as the page shows it ("Zone 2 Level −20 dB").
    static QString changeText(const TabPage &page, const FieldEdit &edit);

signals:
    // A field took a new value and the change is complete: an edit (a name once its edit box is
    // left), an Undo or a Redo. edit.after is the value the field holds now; the page shows it.
    void fieldChanged(hzm::TabPage *page, const hzm::FieldEdit &edit);

private:
    class FieldCommand;

    void record(TabPage *page, const FieldEdit &edit);
    // Ends the step of a name being typed, and reports it.
    void finishTyping();
    // Ends it without a report.
    void forgetTyping();
    // Shows the field's page and record and writes value into it.
    void apply(TabPage *page, FieldEdit edit, const QVariant &value);

    QTabWidget *m_tabs;
    ModifiedFlag &m_modified;
    QUndoStack m_stack;
    QAction *m_undo;
    QAction *m_redo;
    int m_typingSession = 0; // steps of one session of typing merge
    TabPage *m_typingPage = nullptr;
    FieldEdit m_typing; // the name being typed (m_typingPage set)
};

} // namespace hzm
