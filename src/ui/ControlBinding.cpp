#include "ControlBinding.h"

#include "InputsPage.h"
#include "OutputsPage.h"
#include "SystemPage.h"

#include "model/MixerSettings.h"
#include "model/OptionLists.h"
#include "model/TextHelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace hzm {

namespace {

// The longest text read back from an edit box.
constexpr int kEditBufferChars = 255;

// Stores value into field when it differs; returns 1 when it did.
int storeInt(int &field, int value) {
    if (field == value)
        return 0;
    field = value;
    return 1;
}

// Replaces the bits under mask in the field's low byte; the bits above the byte are kept.
int storeBits(int &field, int mask, int bits) {
    const int oldByte = field & 0xFF;
    const int newByte = ((oldByte & ~mask) | bits) & 0xFF;
    if (newByte == oldByte)
        return 0;
    field = (field & ~0xFF) | newByte;
    return 1;
}

bool isTicked(QWidget *control) {
    if (auto *check = qobject_cast<QCheckBox *>(control))
        return check->checkState() == Qt::Checked; // the indeterminate state is not ticked
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->isChecked();
    return false;
}

} // namespace

template <typename R> int ApplyCheckValue(const ControlBinding<R> *row, R *record, int checked) {
    if (!row || !record || !row->intField)
        return 0;
    int &field = record->*(row->intField);
    switch (row->valueKind) {
    case ValueKind::Integer:
    case ValueKind::Choice:
        return storeInt(field, checked ? row->onValue : row->offValue);
    case ValueKind::Flag:
        return storeInt(field, checked ? 1 : 0);
    case ValueKind::Bits:
        return storeBits(field, row->maskOrMaxLength & 0xFF, checked ? row->onValue : row->offValue);
    case ValueKind::Text:
        break;
    }
    return 0;
}

template <typename R>
static int updateText(QLineEdit *edit, const ControlBinding<R> *row, R *record, const BeepHook &beep) {
    if (!edit || row->valueKind != ValueKind::Text || !row->textField)
        return 0;
    const QString text = edit->text().left(kEditBufferChars);
    QString &field = record->*(row->textField);
    if (text == field)
        return 0;
    if (row->validate && !row->validate(text)) {
        if (beep)
            beep();
        else
            QApplication::beep();
        // Showing the stored text again is not a user's edit, so no further change arrives.
        edit->setText(field);
        return 0;
    }
    const QString kept = text.left(row->maskOrMaxLength);
    if (kept == field)
        return 0;
    field = kept;
    return 1;
}

template <typename R>
int UpdateBoundField(QWidget *control, const ControlBinding<R> *row, R *record, const BeepHook &beep) {
    if (!control || !row || !record)
        return 0;
    switch (row->controlKind) {
    case ControlKind::CheckBox:
        return ApplyCheckValue(row, record, isTicked(control) ? 1 : 0);
    case ControlKind::RadioButton: {
        if (!row->intField)
            return 0;
        int &field = record->*(row->intField);
        switch (row->valueKind) {
        case ValueKind::Integer:
        case ValueKind::Flag:
        case ValueKind::Choice:
            return storeInt(field, row->onValue);
        case ValueKind::Bits:
            return storeBits(field, row->maskOrMaxLength & 0xFF, row->onValue);
        case ValueKind::Text:
            return 0;
        }
        return 0;
    }
    case ControlKind::ComboBox: {
        auto *combo = qobject_cast<QComboBox *>(control);
        if (!combo || !row->intField)
            return 0;
        if (row->valueKind != ValueKind::Integer && row->valueKind != ValueKind::Choice)
            return 0;
        return storeInt(record->*(row->intField), combo->currentIndex()); // -1 with no selection
    }
    case ControlKind::EditBox:
        return updateText(qobject_cast<QLineEdit *>(control), row, record, beep);
    }
    return 0;
}

void FillComboFromList(QComboBox *combo, const QStringList &list) {
    if (!combo)
        return;
    for (const QString &text : list) {
        if (text.isEmpty())
            break;
        combo->addItem(lists::displayed(text));
    }
}

#define HZM_INSTANTIATE_BINDING(R)                                                                           \
    template int ApplyCheckValue<R>(const ControlBinding<R> *, R *, int);                                    \
    template int UpdateBoundField<R>(QWidget *, const ControlBinding<R> *, R *, const BeepHook &);

HZM_INSTANTIATE_BINDING(InputSettings)
HZM_INSTANTIATE_BINDING(ZoneSettings)
HZM_INSTANTIATE_BINDING(ZoneEq)
HZM_INSTANTIATE_BINDING(GroupSettings)
HZM_INSTANTIATE_BINDING(SystemSettings)

#undef HZM_INSTANTIATE_BINDING

// ---- The pages' tables -------------------------------------------------------------------------

static bool isValidLabel(const QString &text) {
    return IsValidLabel(text);
}

const ControlBinding<InputSettings> kInputTable[] = {
    comboRow(InputsPage::Gain, &InputSettings::gain),
    textRow(InputsPage::Name, &InputSettings::name, 17, isValidLabel),
    endRow<InputSettings>(),
};

using O = OutputsPage;
const ControlBinding<ZoneSettings> kOutputTable[] = {
    textRow(O::Name, &ZoneSettings::name, 17, isValidLabel),
    comboRow(O::Level, &ZoneSettings::level),
    comboRow(O::SelectInput, &ZoneSettings::sourceInput),
    comboRow(O::PriorityInput, &ZoneSettings::priorityInput),
    comboRow(O::OutputType, &ZoneSettings::stereo),
    comboRow(O::MaxLevel, &ZoneSettings::maxLevel),
    comboRow(O::MinLevel, &ZoneSettings::minLevel),
    comboRow(O::PagePriority, &ZoneSettings::pagePriority),
    bitRow(O::MicInput1, &ZoneSettings::micInputMask, 1),
    bitRow(O::MicInput2, &ZoneSettings::micInputMask, 2),
    bitRow(O::MicInput3, &ZoneSettings::micInputMask, 4),
    bitRow(O::MicInput4, &ZoneSettings::micInputMask, 8),
    bitRow(O::LineEnable1, &ZoneSettings::lineInputMask, 1),
    bitRow(O::LineEnable2, &ZoneSettings::lineInputMask, 2),
    bitRow(O::LineEnable3, &ZoneSettings::lineInputMask, 4),
    bitRow(O::LineEnable4, &ZoneSettings::lineInputMask, 8),
    bitRow(O::LineEnable5, &ZoneSettings::lineInputMask, 16),
    bitRow(O::LineEnable6, &ZoneSettings::lineInputMask, 32),
    bitRow(O::LineEnable7, &ZoneSettings::lineInputMask, 64),
    bitRow(O::LineEnable8, &ZoneSettings::lineInputMask, 128),
    bitRow(O::MicPriority1, &ZoneSettings::micPriorityMask, 1),
    bitRow(O::MicPriority2, &ZoneSettings::micPriorityMask, 2),
    bitRow(O::MicPriority3, &ZoneSettings::micPriorityMask, 4),
    bitRow(O::MicPriority4, &ZoneSettings::micPriorityMask, 8),
    endRow<ZoneSettings>(),
};

const ControlBinding<ZoneEq> kToneTable[] = {
    comboRow(O::Treble, &ZoneEq::treble),
    comboRow(O::Mid, &ZoneEq::mid),
    comboRow(O::Bass, &ZoneEq::bass),
    endRow<ZoneEq>(),
};

const ControlBinding<GroupSettings> kGroupTable[] = {
    bitRow(O::Member1, &GroupSettings::memberMask, 1),  bitRow(O::Member2, &GroupSettings::memberMask, 2),
    bitRow(O::Member3, &GroupSettings::memberMask, 4),  bitRow(O::Member4, &GroupSettings::memberMask, 8),
    bitRow(O::Member5, &GroupSettings::memberMask, 16), bitRow(O::Member6, &GroupSettings::memberMask, 32),
    bitRow(O::Member7, &GroupSettings::memberMask, 64), bitRow(O::Member8, &GroupSettings::memberMask, 128),
    flagRow(O::Enabled, &GroupSettings::enabled),       endRow<GroupSettings>(),
};

using S = SystemPage;
const ControlBinding<SystemSettings> kSystemTable[] = {
    comboRow(S::QpmOffset, &SystemSettings::pagingMicOffset),
    radioRow(S::AccessInput, ValueKind::Flag, &SystemSettings::accessContacts, 0, 1),
    radioRow(S::AccessOutput, ValueKind::Flag, &SystemSettings::accessContacts, 1, 0),
    comboRow(S::PagingHold, &SystemSettings::pagingPriorityHold),
    comboRow(S::PagingRelease, &SystemSettings::pagingPriorityRelease),
    comboRow(S::PagingAttenuation, &SystemSettings::pagingPriorityAttenuation),
    comboRow(S::QrcZoneOffset, &SystemSettings::remoteZoneOffset),
    comboRow(S::PowerUpMode, &SystemSettings::powerUpMode),
    bitRow(S::MicGate1, &SystemSettings::micGateMask, 1),
    bitRow(S::MicGate2, &SystemSettings::micGateMask, 2),
    bitRow(S::MicGate3, &SystemSettings::micGateMask, 4),
    bitRow(S::MicGate4, &SystemSettings::micGateMask, 8),
    comboRow(S::MicPriorityHold, &SystemSettings::micPriorityHold),
    comboRow(S::MicPriorityRelease, &SystemSettings::micPriorityRelease),
    comboRow(S::MicPriorityAttenuation, &SystemSettings::micPriorityAttenuation),
    comboRow(S::LinePriorityHold, &SystemSettings::linePriorityHold),
    comboRow(S::LinePriorityRelease, &SystemSettings::linePriorityRelease),
    radioRow(S::MuteNormallyOpen, ValueKind::Choice, &SystemSettings::muteContacts, 0, 1),
    radioRow(S::MuteNormallyClosed, ValueKind::Choice, &SystemSettings::muteContacts, 1, 0),
    comboRow(S::MuteLevel, &SystemSettings::muteLevel),
    comboRow(S::MuteSource, &SystemSettings::muteSource),
    endRow<SystemSettings>(),
};

} // namespace hzm
