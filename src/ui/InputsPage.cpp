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
    b.label({}, tr("Line Input:"), 16, 14, 36, 8);
    m_selector = b.combo({Selector, QStringLiteral("inputSelector")}, 57, 12, 68, 30);
    auto *sendOne = b.button({SendInput, QStringLiteral("sendInput")}, tr("Send Input"), 131, 11, 50, 14);
    auto *sendAll =
        b.button({SendAllInputs, QStringLiteral("sendAllInputs")}, tr("Send All Inputs"), 187, 11, 70, 14);
    b.group({}, tr("Input Settings"), 15, 31, 236, 55);
    b.label({}, tr("Input Name:"), 30, 48, 41, 8);
    m_name = b.edit({Name, QStringLiteral("inputName")}, 29, 60, 124, 14);
    b.label({}, tr("Input Gain (dB):"), 169, 48, 52, 8);
    m_gain = b.combo({Gain, QStringLiteral("inputGain")}, 169, 60, 62, 30);
    b.finish();
    adopt(b);
    bind<InputSettings>(kInputTable, [this] { return shownInput(); });
    connect(m_selector, &QComboBox::activated, this, &InputsPage::selectInput);
    connect(sendOne, &QPushButton::clicked, this, &InputsPage::sendInput);
    connect(sendAll, &QPushButton::clicked, this, &InputsPage::sendAllInputs);

    FillComboFromList(m_gain, lists::gain());
    for (int i = 1; i <= kInputCount; ++i)
        m_selector->addItem(tr("Input %1").arg(i));
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

InputSettings *InputsPage::shownInput() {
    const int index = m_settings.selectedInput;
    return index >= 0 && index < kInputCount ? &m_settings.inputs[size_t(index)] : nullptr;
}

void InputsPage::selectInput() {
    if (m_selector->currentIndex() < 0)
        return;
    m_settings.selectedInput = m_selector->currentIndex();
    refresh();
}

void InputsPage::sendInput() {
    runJob(SendInputJob(m_settings, m_settings.selectedInput));
}

void InputsPage::sendAllInputs() {
    runJob(SendAllInputsJob());
}

} // namespace hzm
