#include "ControlBinding.h"

#include "model/MixerSettings.h"
#include "model/TextHelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace hzm {

namespace {

std::function<void()> &beepHook() {
    static std::function<void()> hook;
    return hook;
}

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

void SetBindingBeep(std::function<void()> beep) {
    beepHook() = std::move(beep);
}

ScopedBindingBeep::ScopedBindingBeep(std::function<void()> beep) : m_previous(beepHook()) {
    if (beep)
        beepHook() = std::move(beep);
}

ScopedBindingBeep::~ScopedBindingBeep() {
    beepHook() = std::move(m_previous);
}

void BindingBeep() {
    if (beepHook())
        beepHook()();
    else
        QApplication::beep();
}

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

template <typename R> static int updateText(QLineEdit *edit, const ControlBinding<R> *row, R *record) {
    if (!edit || row->valueKind != ValueKind::Text || !row->textField)
        return 0;
    const QString text = edit->text().left(kEditBufferChars);
    QString &field = record->*(row->textField);
    if (text == field)
        return 0;
    if (row->validate && !row->validate(text)) {
        BindingBeep();
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

template <typename R> int UpdateBoundField(QWidget *control, const ControlBinding<R> *row, R *record) {
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
        return updateText(qobject_cast<QLineEdit *>(control), row, record);
    }
    return 0;
}

template <typename R>
int HandleBoundCommand(const ControlBinding<R> *table, R *record, QWidget *control, int controlId,
                       int notification, int &changed) {
    if (!table)
        return 0;
    const quint16 id = quint16(controlId);
    const ControlBinding<R> *row = table;
    for (; row->controlId != 0; ++row) {
        if (quint16(row->controlId) == id)
            break;
    }
    if (row->controlId == 0)
        return 0;
    int expected = -1;
    switch (row->controlKind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        expected = kClicked;
        break;
    case ControlKind::EditBox:
        expected = kEditChanged;
        break;
    case ControlKind::ComboBox:
        expected = kSelectionChanged;
        break;
    }
    if (expected < 0 || notification != expected)
        return 0;
    changed = UpdateBoundField(control, row, record);
    return 1;
}

void FillComboFromList(QComboBox *combo, const QStringList &list) {
    if (!combo)
        return;
    for (const QString &text : list) {
        if (text.isEmpty())
            break;
        combo->addItem(text);
    }
}

#define HZM_INSTANTIATE_BINDING(R)                                                                           \
    template int ApplyCheckValue<R>(const ControlBinding<R> *, R *, int);                                    \
    template int UpdateBoundField<R>(QWidget *, const ControlBinding<R> *, R *);                             \
    template int HandleBoundCommand<R>(const ControlBinding<R> *, R *, QWidget *, int, int, int &);

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
    comboRow(1011, &InputSettings::gain),
    textRow(1010, &InputSettings::name, 17, isValidLabel),
    endRow<InputSettings>(),
};

const ControlBinding<ZoneSettings> kOutputTable[] = {
    textRow(1015, &ZoneSettings::name, 17, isValidLabel),
    comboRow(1016, &ZoneSettings::level),
    comboRow(1020, &ZoneSettings::sourceInput),
    comboRow(1017, &ZoneSettings::priorityInput),
    comboRow(1021, &ZoneSettings::stereo),
    comboRow(1018, &ZoneSettings::maxLevel),
    comboRow(1022, &ZoneSettings::minLevel),
    comboRow(1019, &ZoneSettings::pagePriority),
    bitRow(1023, &ZoneSettings::micInputMask, 1),
    bitRow(1024, &ZoneSettings::micInputMask, 2),
    bitRow(1025, &ZoneSettings::micInputMask, 4),
    bitRow(1026, &ZoneSettings::micInputMask, 8),
    bitRow(1031, &ZoneSettings::lineInputMask, 1),
    bitRow(1032, &ZoneSettings::lineInputMask, 2),
    bitRow(1033, &ZoneSettings::lineInputMask, 4),
    bitRow(1034, &ZoneSettings::lineInputMask, 8),
    bitRow(1035, &ZoneSettings::lineInputMask, 16),
    bitRow(1036, &ZoneSettings::lineInputMask, 32),
    bitRow(1037, &ZoneSettings::lineInputMask, 64),
    bitRow(1038, &ZoneSettings::lineInputMask, 128),
    bitRow(1027, &ZoneSettings::micPriorityMask, 1),
    bitRow(1028, &ZoneSettings::micPriorityMask, 2),
    bitRow(1029, &ZoneSettings::micPriorityMask, 4),
    bitRow(1030, &ZoneSettings::micPriorityMask, 8),
    endRow<ZoneSettings>(),
};

const ControlBinding<ZoneEq> kToneTable[] = {
    comboRow(1039, &ZoneEq::treble),
    comboRow(1040, &ZoneEq::mid),
    comboRow(1041, &ZoneEq::bass),
    endRow<ZoneEq>(),
};

const ControlBinding<GroupSettings> kGroupTable[] = {
    bitRow(1067, &GroupSettings::memberMask, 1),  bitRow(1068, &GroupSettings::memberMask, 2),
    bitRow(1069, &GroupSettings::memberMask, 4),  bitRow(1070, &GroupSettings::memberMask, 8),
    bitRow(1071, &GroupSettings::memberMask, 16), bitRow(1072, &GroupSettings::memberMask, 32),
    bitRow(1073, &GroupSettings::memberMask, 64), bitRow(1074, &GroupSettings::memberMask, 128),
    flagRow(1075, &GroupSettings::enabled),       endRow<GroupSettings>(),
};

const ControlBinding<SystemSettings> kSystemTable[] = {
    comboRow(1042, &SystemSettings::pagingMicOffset),
    radioRow(1043, ValueKind::Flag, &SystemSettings::accessContacts, 0, 1),
    radioRow(1044, ValueKind::Flag, &SystemSettings::accessContacts, 1, 0),
    comboRow(1045, &SystemSettings::pagingPriorityHold),
    comboRow(1046, &SystemSettings::pagingPriorityRelease),
    comboRow(1047, &SystemSettings::pagingPriorityAttenuation),
    comboRow(1048, &SystemSettings::remoteZoneOffset),
    comboRow(1049, &SystemSettings::powerUpMode),
    bitRow(1050, &SystemSettings::micGateMask, 1),
    bitRow(1051, &SystemSettings::micGateMask, 2),
    bitRow(1052, &SystemSettings::micGateMask, 4),
    bitRow(1053, &SystemSettings::micGateMask, 8),
    comboRow(1054, &SystemSettings::micPriorityHold),
    comboRow(1055, &SystemSettings::micPriorityRelease),
    comboRow(1056, &SystemSettings::micPriorityAttenuation),
    comboRow(1057, &SystemSettings::linePriorityHold),
    comboRow(1058, &SystemSettings::linePriorityRelease),
    radioRow(1061, ValueKind::Choice, &SystemSettings::muteContacts, 0, 1),
    radioRow(1062, ValueKind::Choice, &SystemSettings::muteContacts, 1, 0),
    comboRow(1063, &SystemSettings::muteLevel),
    comboRow(1064, &SystemSettings::muteSource),
    endRow<SystemSettings>(),
};

} // namespace hzm
