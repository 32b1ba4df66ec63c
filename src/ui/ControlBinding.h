#pragma once

// Binding tables: constant rows that tie a page's controls to the fields of a settings record,
// both ways. LoadBoundControl shows a row's field in its control; UpdateBoundField writes the
// control's state into the field after a user's action.
//
// A row names its control with the page's Control enum (OutputsPage::Control::OutputLevel) and
// its field with a pointer to member of the record type, so a table over ZoneSettings cannot be
// handed a SystemSettings, nor a System table an Outputs control. The first row of a control is
// the one that counts. TabPage::bind wires each row's control to the signal that only a user's
// action sends (ControlKind below).

#include "model/MixerSettings.h"
#include "model/TextHelpers.h"

#include <QMetaEnum>
#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class QComboBox;
class QWidget;

namespace hzm {

// The control of a row and the signal it is wired to: check boxes and radio buttons
// QAbstractButton::clicked, edit boxes QLineEdit::textEdited (typing and pasting, not a load's
// setText), combo boxes QComboBox::activated (a user's choice, also of the entry already shown).
enum class ControlKind { CheckBox, RadioButton, EditBox, ComboBox };

// How the field is written, and shown.
enum class ValueKind {
    Integer, // check box: onValue ticked, offValue not; radio: onValue; combo: the entry's value
    Flag,    // check box: 1/0 (shown ticked for any value but 0); radio: onValue
    Choice,  // as Integer
    Text,    // edit box: the control's text
    Bits,    // check box / radio: bits of the low byte under the mask
};

using TextValidator = bool (*)(const QString &text);
// Sounds the error beep of a refused text; an empty hook sounds the system's beep.
using BeepHook = std::function<void()>;
// The option list of a combo box: entry k stands for the value k.
using OptionListFunction = const OptionList &(*)();

// What a row says about its control and field, whatever the record and the page.
struct BindingRule {
    ControlKind controlKind = ControlKind::CheckBox;
    ValueKind valueKind = ValueKind::Integer;
    int offValue = 0;
    int onValue = 0;
    int maskOrMaxLength = 0; // Bits: the bits the control owns (low 8 used); Text: characters typed and kept
    TextValidator validate = nullptr;
    OptionListFunction choices = nullptr; // combo boxes: the entries, filled when the row is bound
};

template <typename Record, typename Control> struct ControlBinding : BindingRule {
    Control control{};
    int Record::*intField = nullptr;      // every value kind but Text
    QString Record::*textField = nullptr; // Text
};

// Row builders, so the tables read as one line per control.
template <typename R, typename C>
ControlBinding<R, C> comboRow(C control, int R::*field, OptionListFunction choices) {
    return {{ControlKind::ComboBox, ValueKind::Integer, 0, 0, 0, nullptr, choices}, control, field, nullptr};
}
// A radio button selects onValue. A field that holds the value of no radio button of its table
// shows the field's last radio button selected.
template <typename R, typename C>
ControlBinding<R, C> radioRow(C control, ValueKind kind, int R::*field, int offValue, int onValue) {
    return {
        {ControlKind::RadioButton, kind, offValue, onValue, 0, nullptr, nullptr}, control, field, nullptr};
}
template <typename R, typename C> ControlBinding<R, C> bitRow(C control, int R::*field, int bit) {
    return {{ControlKind::CheckBox, ValueKind::Bits, 0, bit, bit, nullptr, nullptr}, control, field, nullptr};
}
template <typename R, typename C> ControlBinding<R, C> flagRow(C control, int R::*field) {
    return {{ControlKind::CheckBox, ValueKind::Flag, 0, 1, 0, nullptr, nullptr}, control, field, nullptr};
}
// Typing stops at maxLength characters, and no more are kept; a longer stored text is still shown
// whole, so that an edit cannot silently drop its end.
template <typename R, typename C>
ControlBinding<R, C> textRow(C control, QString R::*field, int maxLength, TextValidator validate) {
    return {
        {ControlKind::EditBox, ValueKind::Text, 0, 0, maxLength, validate, nullptr}, control, nullptr, field};
}

template <typename R, typename C> using BindingTable = std::vector<ControlBinding<R, C>>;

// The object name of a page control: its enum key with a small first letter ("outputLevel").
template <typename C> QString ControlObjectName(C control) {
    QString key = QString::fromLatin1(QMetaEnum::fromType<C>().valueToKey(int(control)));
    if (!key.isEmpty())
        key[0] = key[0].toLower();
    return key;
}

// ---- The rules, on a field of any record

// Applies the check-box rule of the row's value kind; checked is 1 ticked, 0 not. True when
// the field changed.
bool ApplyCheckValue(const BindingRule &rule, int &field, int checked);
// Writes the state of a check box, radio button or combo box into the field; true when it changed.
bool StoreIntField(QWidget *control, const BindingRule &rule, int &field);
// Writes an edit box's text into the field; true when it changed. A text that the rule's validator
// refuses sounds beep and shows the field's text in the control again.
bool StoreTextField(QWidget *control, const BindingRule &rule, QString &field, const BeepHook &beep);
// Shows the field in the control; without a field (no record shown) the control is cleared.
void ShowIntField(QWidget *control, const BindingRule &rule, const int *field);
void ShowTextField(QWidget *control, const BindingRule &rule, const QString *field);

// ---- The same on a row and its record

template <typename R, typename C>
bool ApplyCheckValue(const ControlBinding<R, C> *row, R *record, int checked) {
    if (!row || !record || !row->intField)
        return false;
    return ApplyCheckValue(*row, record->*(row->intField), checked);
}

// Writes the control's state into the row's field. True when the field changed, false otherwise
// (also when the control, the row or the record is missing).
template <typename R, typename C>
bool UpdateBoundField(QWidget *control, const ControlBinding<R, C> *row, R *record,
                      const BeepHook &beep = {}) {
    if (!control || !row || !record)
        return false;
    if (row->textField)
        return StoreTextField(control, *row, record->*(row->textField), beep);
    return row->intField ? StoreIntField(control, *row, record->*(row->intField)) : 0;
}

// Shows the row's field of the record in the control; a missing record clears the control.
template <typename R, typename C>
void LoadBoundControl(QWidget *control, const ControlBinding<R, C> &row, const R *record) {
    if (row.textField)
        ShowTextField(control, row, record ? &(record->*(row.textField)) : nullptr);
    else if (row.intField)
        ShowIntField(control, row, record ? &(record->*(row.intField)) : nullptr);
}

// The row's field of the record: an int, or a QString for text rows.
template <typename R, typename C> QVariant BoundValue(const ControlBinding<R, C> &row, const R &record) {
    return row.textField ? QVariant(record.*(row.textField)) : QVariant(record.*(row.intField));
}

// Writes value into the row's field as it is, without the row's checks; true when it changed.
template <typename R, typename C>
bool SetBoundValue(const ControlBinding<R, C> &row, R &record, const QVariant &value) {
    if (BoundValue(row, record) == value)
        return false;
    if (row.textField)
        record.*(row.textField) = value.toString();
    else
        record.*(row.intField) = value.toInt();
    return true;
}

// The first row of the control in the table, or nullptr.
template <typename R, typename C>
const ControlBinding<R, C> *FindBinding(const BindingTable<R, C> &table, C control) {
    for (const ControlBinding<R, C> &row : table) {
        if (row.control == control)
            return &row;
    }
    return nullptr;
}

// Adds the texts, in order, at the end of the box's items, up to the first empty text; the k-th
// text carries the value k as its item data. Does not clear the box first.
void FillComboFromList(QComboBox *combo, const OptionList &list);

} // namespace hzm
