#include "InputsPage.h"

#include "model/OptionLists.h"
#include "protocol/MixerJobs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hzm {

const BindingTable<InputSettings, InputsPage::Control> &InputsPage::bindings() {
    static const BindingTable<InputSettings, Control> table = {
        comboRow(Control::InputGain, &InputSettings::gain, lists::gain),
        textRow(Control::InputName, &InputSettings::name, kLabelLength, IsValidLabel),
    };
    return table;
}

InputsPage::InputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    using C = Control;
    PageBuilder b(this);
    auto *selector = b.combo(C::InputSelector, 68);
    auto *sendOne = b.button(C::SendInput, tr("Send Input"), 50);
    auto *sendAll = b.button(C::SendAllInputs, tr("Send All Inputs"), 70);
    QGroupBox *input = b.group(tr("Input Settings"));
    PageBuilder::grid(input)->addLayout(b.field(tr("Input Name:"), b.edit(C::InputName, 124)), 0, 0);
    PageBuilder::grid(input)->addLayout(b.field(tr("Input Gain (dB):"), b.combo(C::InputGain, 62)), 0, 1);

    QGridLayout *page = b.pageGrid();
    page->addLayout(b.row({b.caption(tr("Line Input:"), selector), selector, sendOne, sendAll}), 0, 0, 1, 2);
    page->addWidget(input, 1, 0);
    page->setColumnStretch(1, 1);
    page->setRowStretch(2, 1);
    b.finish();
    adopt(b);

    for (int i = 0; i < kInputCount; ++i)
        selector->addItem(tr("Input %1").arg(i + 1), i);
    setRecordSelector(selector, &MixerSettings::selectedInput);
    bind(bindings(), [this]() -> InputSettings * {
        const int index = m_settings.selectedInput;
        return index >= 0 && index < kInputCount ? &m_settings.inputs[size_t(index)] : nullptr;
    });
    connect(sendOne, &QPushButton::clicked, this, &InputsPage::sendInput);
    connect(sendAll, &QPushButton::clicked, this, &InputsPage::sendAllInputs);
}

void InputsPage::sendInput() {
    runJob(SendInputJob(m_settings, m_settings.selectedInput));
}

void InputsPage::sendAllInputs() {
    runJob(SendAllInputsJob());
}

} // namespace hzm
