#include "InputsPage.h"

#include "ControlBinding.h"
#include "MessageBoxes.h"
#include "model/OptionLists.h"
#include "protocol/MixerJobs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace hzm {

InputsPage::InputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    PageBuilder b(this);
    b.label(0, QStringLiteral("Line Input:"), 16, 14, 36, 8);
    m_selector = b.combo(Selector, 57, 12, 68, 30);
    b.button(SendInput, QStringLiteral("Send Input"), 131, 11, 50, 14);
    b.button(SendAllInputs, QStringLiteral("Send All Inputs"), 187, 11, 70, 14);
    b.group(0, QStringLiteral("Input Settings"), 15, 31, 236, 55);
    b.label(0, QStringLiteral("Input Name:"), 30, 48, 41, 8);
    m_name = b.edit(Name, 29, 60, 124, 14);
    b.label(0, QStringLiteral("Input Gain (dB):"), 169, 48, 52, 8);
    m_gain = b.combo(Gain, 169, 60, 62, 30);
    b.finish();
    adopt(b);

    FillComboFromList(m_gain, lists::gain());
    for (int i = 1; i <= kInputCount; ++i)
        m_selector->addItem(QStringLiteral("Input %1").arg(i));
}

void InputsPage::refresh() {
    const int index = m_settings.selectedInput;
    const InputSettings *input =
        index >= 0 && index < kInputCount ? &m_settings.inputs[size_t(index)] : nullptr;
    const QString name = input ? input->name : QString();
    // Typing stops at 16 characters; a longer stored name (read from the mixer or a file) is
    // still shown whole, not cut, so that an edit cannot silently drop its end.
    m_name->setMaxLength(qMax(kLabelLength, int(name.size())));
    m_name->setText(name);
    selectEntry(Gain, input ? input->gain : -1);
    m_selector->setCurrentIndex(input ? index : -1);
}

void InputsPage::onCommand(QWidget *control, int id, int notification) {
    const int index = m_settings.selectedInput;
    if (index >= 0 && index < kInputCount) {
        if (handleBound(kInputTable, &m_settings.inputs[size_t(index)], control, id, notification))
            return;
    }
    switch (id) {
    case Selector:
        if (notification == kSelectionChanged && m_selector->currentIndex() >= 0) {
            m_settings.selectedInput = m_selector->currentIndex();
            refresh();
        }
        break;
    case SendInput:
        emit startJob(SendInputJob(m_settings));
        break;
    case SendAllInputs:
        emit startJob(SendAllInputsJob());
        break;
    default:
        break;
    }
}

} // namespace hzm
