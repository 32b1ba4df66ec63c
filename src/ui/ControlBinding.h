#pragma once

// Binding tables: constant rows that tie a page's controls to the fields of a settings record.
// The tables work from control to record only; each page loads its controls in its refresh.
//
// A row names its control with the page's enum (OutputsPage::Level) and its field with a pointer
// to member of the record type, so a table over ZoneSettings cannot be handed a SystemSettings by
// mistake. A table is a constant array ended by a row whose controlId is 0; the first row of a
// control is the one that counts. TabPage::bind wires each row's control to the signal that
// only a user's action sends (ControlKind below).

#include "model/MixerSettings.h"

#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QWidget;

namespace hzm {

// The control of a row and the signal it is wired to: check boxes and radio buttons
// QAbstractButton::clicked, edit boxes QLineEdit::textEdited (typing and pasting, not a refresh's
// setText), combo boxes QComboBox::activated (a user's choice, also of the entry already shown).
enum class ControlKind : int { CheckBox = 0, RadioButton = 1, EditBox = 2, ComboBox = 3 };

enum class ValueKind : int {
    Integer = 0, // check box: on/off value; radio: onValue; combo: selected index
    Flag = 1,    // check box: 1/0; radio: onValue
    Choice = 2,  // as Integer
    Text = 3,    // edit box: the control's text
    Bits = 4,    // check box / radio: bits of the low byte under the mask
};

using TextValidator = bool (*)(const QString &text);
// Sounds the error beep of a refused text; an empty hook sounds the system's beep.
using BeepHook = std::function<void()>;

template <typename Record> struct ControlBinding {
    int controlId = 0; // the page's enum for the control; 0 ends the table
    ControlKind controlKind = ControlKind::CheckBox;
    ValueKind valueKind = ValueKind::Integer;
    int Record::*intField = nullptr;      // every value kind but Text
    QString Record::*textField = nullptr; // Text
    int offValue = 0;
    int onValue = 0;
    int maskOrMaxLength = 0; // Bits: the bits the control owns (low 8 used); Text: characters kept
    TextValidator validate = nullptr;
};

// Row builders, so the tables read as one line per control.
template <typename R>
constexpr ControlBinding<R> comboRow(int id, int R::*field, ValueKind kind = ValueKind::Integer) {
    return {id, ControlKind::ComboBox, kind, field, nullptr, 0, 0, 0, nullptr};
}
template <typename R>
constexpr ControlBinding<R> radioRow(int id, ValueKind kind, int R::*field, int offValue, int onValue) {
    return {id, ControlKind::RadioButton, kind, field, nullptr, offValue, onValue, 0, nullptr};
}
template <typename R> constexpr ControlBinding<R> bitRow(int id, int R::*field, int bit) {
    return {id, ControlKind::CheckBox, ValueKind::Bits, field, nullptr, 0, bit, bit, nullptr};
}
template <typename R> constexpr ControlBinding<R> flagRow(int id, int R::*field) {
    return {id, ControlKind::CheckBox, ValueKind::Flag, field, nullptr, 0, 1, 0, nullptr};
}
template <typename R>
constexpr ControlBinding<R> textRow(int id, QString R::*field, int maxLength, TextValidator validate) {
    return {id, ControlKind::EditBox, ValueKind::Text, nullptr, field, 0, 0, maxLength, validate};
}
template <typename R> constexpr ControlBinding<R> endRow() {
    return {};
}

// Applies the check-box rule of the row's value kind; checked is 1 ticked, 0 not.
// Returns 1 when the field changed.
template <typename R> int ApplyCheckValue(const ControlBinding<R> *row, R *record, int checked);

// Writes the control's state into the row's field. Returns 1 when the field changed, 0 otherwise
// (also when the control, the row or the record is missing). A text that the row's validator
// refuses sounds beep and shows the field's text in the control again.
template <typename R>
int UpdateBoundField(QWidget *control, const ControlBinding<R> *row, R *record, const BeepHook &beep = {});

// The first row of the control in the table, or nullptr.
template <typename R> const ControlBinding<R> *FindBinding(const ControlBinding<R> *table, int controlId) {
    for (const ControlBinding<R> *row = table; row && row->controlId != 0; ++row) {
        if (row->controlId == controlId)
            return row;
    }
    return nullptr;
}

// Adds the texts, in order, at the end of the box's items, up to the first empty text. Does not
// clear the box first.
void FillComboFromList(QComboBox *combo, const QStringList &list);

// The pages' tables, each ended by a row with controlId 0.
extern const ControlBinding<InputSettings> kInputTable[];   // Inputs page, the shown input
extern const ControlBinding<ZoneSettings> kOutputTable[];   // Outputs page, the shown output
extern const ControlBinding<ZoneEq> kToneTable[];           // Outputs page, the shown zone's tone
extern const ControlBinding<GroupSettings> kGroupTable[];   // Outputs page, the shown group
extern const ControlBinding<SystemSettings> kSystemTable[]; // System page

// The operations are instantiated in ControlBinding.cpp for the records the pages bind:
// InputSettings, ZoneSettings, ZoneEq, GroupSettings and SystemSettings.

} // namespace hzm
