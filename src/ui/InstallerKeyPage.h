#pragma once

// The Installer Key tab: old key, new key and the repeated new key in password boxes, checked and
// sent with "Send Key". Rejected entries are drawn in red (as dark or light as the palette needs to
// keep them readable) until the next press.

#include "PageLayout.h"

#include <QColor>

class QLabel;
class QLineEdit;

namespace hzm {

class InstallerKeyPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls (the numbers are those of the original dialog template).
    enum Id { Heading = 1094, OldKey = 1095, NewKey = 1096, RepeatKey = 1097, SendKey = 1098 };

    InstallerKeyPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // The text colour of the old (0), new (1) and repeat (2) key boxes.
    QColor keyTextColour(int box) const;
    // The colour of a rejected key: red, readable on the key boxes' background.
    QColor rejectedColour() const;

    // Checks the three entries, marks and reports faults, and starts the key change when all is
    // well (the "Send Key" button).
    void changeInstallerKey();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setKeyRejected(int box, bool rejected);
    void centreHeading();

    QLabel *m_heading;
    QLineEdit *m_keys[3];
    QColor m_keyTextColours[3];
    bool m_rejected[3] = {false, false, false};
};

} // namespace hzm
