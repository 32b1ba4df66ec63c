#include "ControlBinding.h"

#include "model/OptionLists.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace hzm {

namespace {

// The longest text read back from an edit box.
constexpr int kEditBufferChars = 255;

// Stores value into field when it differs; true when it did.
bool storeInt(int &field, int value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

// Replaces the bits under mask in the field's low byte; the bits above the byte are kept.
bool storeBits(int &field, int mask, int bits) {
    const int oldByte = field & 0xFF;
    const int newByte = ((oldByte & ~mask) | bits) & 0xFF;
    if (newByte == oldByte)
        return false;
    field = (field & ~0xFF) | newByte;
    return true;
}

bool isTicked(QWidget *control) {
    if (auto *check = qobject_cast<QCheckBox *>(control))
        return check->checkState() == Qt::Checked; // the indeterminate state is not ticked
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->isChecked();
    return false;
}

// Whether a check box shows the field ticked: the reverse of ApplyCheckValue.
bool showsTicked(const BindingRule &rule, int field) {
    switch (rule.valueKind) {
    case ValueKind::Flag:
        return field != 0;
    case ValueKind::Bits: {
        const int mask = rule.maskOrMaxLength & 0xFF;
        return (field & mask) == (rule.onValue & mask);
    }
    case ValueKind::Integer:
    case ValueKind::Choice:
    case ValueKind::Text:
        break;
    }
    return field == rule.onValue;
}

} // namespace

bool ApplyCheckValue(const BindingRule &rule, int &field, int checked) {
    switch (rule.valueKind) {
    case ValueKind::Integer:
    case ValueKind::Choice:
        return storeInt(field, checked ? rule.onValue : rule.offValue);
    case ValueKind::Flag:
        return storeInt(field, checked ? 1 : 0);
    case ValueKind::Bits:
        return storeBits(field, rule.maskOrMaxLength & 0xFF, checked ? rule.onValue : rule.offValue);
    case ValueKind::Text:
        break;
    }
    return false;
}

bool StoreIntField(QWidget *control, const BindingRule &rule, int &field) {
    switch (rule.controlKind) {
    case ControlKind::CheckBox:
        return ApplyCheckValue(rule, field, isTicked(control) ? 1 : 0);
    case ControlKind::RadioButton:
        // The check state is not asked: a click on a radio button selects it.
        if (rule.valueKind == ValueKind::Bits)
            return storeBits(field, rule.maskOrMaxLength & 0xFF, rule.onValue);
        return rule.valueKind == ValueKind::Text ? 0 : storeInt(field, rule.onValue);
    case ControlKind::ComboBox: {
        auto *combo = qobject_cast<QComboBox *>(control);
        if (!combo || (rule.valueKind != ValueKind::Integer && rule.valueKind != ValueKind::Choice))
            return false;
        // The entry's value, whatever its place in the box; -1 with no selection.
        return storeInt(field, combo->currentIndex() < 0 ? -1 : combo->currentData().toInt());
    }
    case ControlKind::EditBox:
        break;
    }
    return false;
}

bool StoreTextField(QWidget *control, const BindingRule &rule, QString &field, const BeepHook &beep) {
    auto *edit = qobject_cast<QLineEdit *>(control);
    if (!edit || rule.valueKind != ValueKind::Text)
        return false;
    const QString text = edit->text().left(kEditBufferChars);
    if (text == field)
        return false;
    if (rule.validate && !rule.validate(text)) {
        if (beep)
            beep();
        else
            QApplication::beep();
        // Showing the stored text again is not a user's edit, so no further change arrives.
        edit->setText(field);
        return false;
    }
    const QString kept = text.left(rule.maskOrMaxLength);
    if (kept == field)
        return false;
    field = kept;
    return true;
}

void ShowIntField(QWidget *control, const BindingRule &rule, const int *field) {
    switch (rule.controlKind) {
    case ControlKind::CheckBox:
        if (auto *check = qobject_cast<QAbstractButton *>(control))
            check->setChecked(field && showsTicked(rule, *field));
        return;
    case ControlKind::RadioButton:
        // Checking one button of an exclusive group clears the others; the table picks the
        // button of a value that no button stands for.
        if (auto *radio = qobject_cast<QAbstractButton *>(control); radio && field && *field == rule.onValue)
            radio->setChecked(true);
        return;
    case ControlKind::ComboBox:
        // A value that names no entry leaves the box without a selection.
        if (auto *combo = qobject_cast<QComboBox *>(control))
            combo->setCurrentIndex(field ? combo->findData(*field) : -1);
        return;
    case ControlKind::EditBox:
        break;
    }
}

void ShowTextField(QWidget *control, const BindingRule &rule, const QString *field) {
    auto *edit = qobject_cast<QLineEdit *>(control);
    if (!edit)
        return;
    const QString text = field ? *field : QString();
    edit->setMaxLength(qMax(rule.maskOrMaxLength, int(text.size())));
    edit->setText(text);
}

void FillComboFromList(QComboBox *combo, const OptionList &list) {
    if (!combo)
        return;
    for (int value = 0; value < list.size() && !list.at(value).isEmpty(); ++value)
        combo->addItem(lists::displayed(list.at(value)), value);
}

} // namespace hzm
