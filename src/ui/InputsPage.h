#pragma once

// The Inputs tab: one line input at a time, chosen in "Line Input:", with its name and gain
// edited in place in the settings record, and the two input send buttons.

#include "PageLayout.h"

class QComboBox;
class QLineEdit;

namespace hzm {

class InputsPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls (the numbers are those of the original dialog template).
    enum Id {
        Selector = 1007,
        SendInput = 1008,
        SendAllInputs = 1009,
        Name = 1010,
        Gain = 1011,
    };

    InputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // Loads every control from the record of the selected input; marks nothing modified.
    void refresh() override;

private slots:
    void selectInput();
    void sendInput();
    void sendAllInputs();

private:
    InputSettings *shownInput();

    QComboBox *m_selector;
    QLineEdit *m_name;
    QComboBox *m_gain;
};

} // namespace hzm
