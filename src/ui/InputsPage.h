#pragma once

// The Inputs tab: one line input at a time, chosen in "Line Input:", with its name and gain
// edited in place in the settings record, and the two input send buttons.

#include "PageLayout.h"

namespace hzm {

class InputsPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls; their object names are the keys with a small first letter.
    enum class Control { InputSelector, SendInput, SendAllInputs, InputName, InputGain };
    Q_ENUM(Control)

    // The shown input's fields.
    static const BindingTable<InputSettings, Control> &bindings();

    InputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

private slots:
    void sendInput();
    void sendAllInputs();
};

} // namespace hzm
