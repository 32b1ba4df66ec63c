#include "EditHistory.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>

#include <utility>

namespace hzm {

namespace {

// The unit at the end of a field's name: "Level (dB)".
const QRegularExpression &unitSuffix() {
    static const QRegularExpression unit(QStringLiteral("\\s*\\(([^()]*)\\)$"));
    return unit;
}

bool isText(const FieldEdit &edit) {
    return edit.after.typeId() == QMetaType::QString;
}

} // namespace

// One change of one field. The page has made it already when the step is pushed; the steps of a
// name typed in one go merge into one.
class EditHistory::FieldCommand : public QUndoCommand {
public:
    FieldCommand(EditHistory &history, TabPage *page, const FieldEdit &edit, int session)
        : QUndoCommand(changeName(*page, edit)), m_history(history), m_page(page), m_edit(edit),
          m_session(session) {}

    int id() const override { return isText(m_edit) ? 1 : -1; }

    bool mergeWith(const QUndoCommand *other) override {
        const auto *next = static_cast<const FieldCommand *>(other);
        if (next->m_session != m_session || next->m_page != m_page ||
            next->m_edit.control != m_edit.control || next->m_edit.record != m_edit.record)
            return false;
        m_edit.after = next->m_edit.after;
        setObsolete(m_edit.after == m_edit.before); // typed back to what it was
        return true;
    }

    void undo() override { m_history.apply(m_page, m_edit, m_edit.before); }
    void redo() override {
        if (std::exchange(m_pushed, false))
            return; // done by the page
        m_history.apply(m_page, m_edit, m_edit.after);
    }

private:
    EditHistory &m_history;
    TabPage *m_page;
    FieldEdit m_edit;
    int m_session;
    bool m_pushed = true;
};

EditHistory::EditHistory(QTabWidget *tabs, ModifiedFlag &modified, QObject *parent)
    : QObject(parent), m_tabs(tabs), m_modified(modified), m_undo(new QAction(this)),
      m_redo(new QAction(this)) {
    m_undo->setObjectName(QStringLiteral("actionUndo"));
    m_undo->setShortcuts(QKeySequence::Undo);
    m_redo->setObjectName(QStringLiteral("actionRedo"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(m_undo, &QAction::triggered, &m_stack, &QUndoStack::undo);
    connect(m_redo, &QAction::triggered, &m_stack, &QUndoStack::redo);
    const auto updateActions = [this] {
        m_undo->setEnabled(m_stack.canUndo());
        m_undo->setText(m_stack.canUndo() ? tr("&Undo %1").arg(m_stack.undoText()) : tr("&Undo"));
        m_redo->setEnabled(m_stack.canRedo());
        m_redo->setText(m_stack.canRedo() ? tr("&Redo %1").arg(m_stack.redoText()) : tr("&Redo"));
    };
    connect(&m_stack, &QUndoStack::indexChanged, this, updateActions);
    updateActions();
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this](bool clean) { m_modified.set(clean ? 0 : 1); });
}

EditHistory::~EditHistory() {
    // The stack empties itself as it goes: nothing here is to hear of it.
    m_stack.disconnect(this);
}

void EditHistory::track(TabPage *page) {
    connect(page, &TabPage::fieldEdited, this, [this, page](const FieldEdit &edit) { record(page, edit); });
    for (QLineEdit *edit : page->findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::editingFinished, this, &EditHistory::finishTyping);
}

void EditHistory::record(TabPage *page, const FieldEdit &edit) {
    const bool text = isText(edit);
    if (m_typingPage &&
        (!text || m_typingPage != page || m_typing.control != edit.control || m_typing.record != edit.record))
        finishTyping();
    m_stack.push(new FieldCommand(*this, page, edit, m_typingSession));
    if (!text) {
        emit fieldChanged(page, edit);
        return;
    }
    if (!m_typingPage)
        m_typing = edit;
    m_typing.after = edit.after;
    m_typingPage = page;
}

void EditHistory::finishTyping() {
    TabPage *page = m_typingPage;
    forgetTyping();
    if (page)
        emit fieldChanged(page, m_typing);
}

void EditHistory::forgetTyping() {
    ++m_typingSession;
    m_typingPage = nullptr;
}

void EditHistory::apply(TabPage *page, FieldEdit edit, const QVariant &value) {
    // Undo and Redo end the typing of a name; the step they take back or redo is complete.
    forgetTyping();
    m_tabs->setCurrentWidget(page);
    page->showRecord(edit.record);
    page->setFieldValue(edit.control, value);
    if (QWidget *control = page->controlWidget(edit.control))
        control->setFocus();
    edit.after = value;
    emit fieldChanged(page, edit);
}

void EditHistory::reset(bool saved) {
    forgetTyping();
    m_stack.clear();
    if (!saved)
        m_stack.resetClean();
    m_modified.set(saved ? 0 : 1);
}

void EditHistory::markSaved() {
    m_stack.setClean();
}

QString EditHistory::changeName(const TabPage &page, const FieldEdit &edit) {
    // A name's box is captioned "Zone name:", "Input Name:": the record says what it names.
    if (isText(edit) && !page.recordTitle().isEmpty())
        return page.recordTitle() + QLatin1Char(' ') + tr("Name");
    return QString(edit.name).remove(unitSuffix());
}

QString EditHistory::changeText(const TabPage &page, const FieldEdit &edit) {
    QString value;
    QWidget *control = page.controlWidget(edit.control);
    if (auto *combo = qobject_cast<QComboBox *>(control))
        value = combo->itemText(combo->findData(edit.after));
    else if (auto *box = qobject_cast<QCheckBox *>(control))
        value = box->isChecked() ? tr("on") : tr("off");
    else if (isText(edit))
        value = tr("\"%1\"", "a name in the status bar").arg(edit.after.toString());
    // A radio button's name says its choice.

    static const QRegularExpression number(QStringLiteral("^[+-]?\\d+$"));
    if (number.match(value).hasMatch()) {
        if (value.startsWith(QLatin1Char('-')))
            value[0] = QChar(0x2212); // the minus sign
        const QRegularExpressionMatch unit = unitSuffix().match(edit.name);
        if (unit.hasMatch())
            value += QLatin1Char(' ') + unit.captured(1);
    }
    const QString name = changeName(page, edit);
    return value.isEmpty() ? name : name + QLatin1Char(' ') + value;
}

} // namespace hzm
