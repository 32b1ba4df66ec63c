#pragma once

// The Installer Key tab: old key, new key and the repeated new key in password boxes, checked and
// sent with "Send Key". Rejected entries are drawn in red (as dark or light as the palette needs to
// keep them readable) until the next press.

#include "PageLayout.h"

#include <QColor>

class QLineEdit;

namespace hzm {

class InstallerKeyPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls; their object names are the keys with a small first letter.
    enum class Control { KeyHeading, OldKey, NewKey, RepeatKey, SendKey };
    Q_ENUM(Control)

    InstallerKeyPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // The text colour of the old (0), new (1) and repeat (2) key boxes.
    QColor keyTextColour(int box) const;
    // The colour of a rejected key: red, readable on the key boxes' background.
    QColor rejectedColour() const;

    // Checks the three entries, marks and reports faults, and starts the key change when all is
    // well (the "Send Key" button).
    void changeInstallerKey();

protected:
    void changeEvent(QEvent *event) override;

private:
    void setKeyRejected(int box, bool rejected);

    QLineEdit *m_keys[3];
    QColor m_keyTextColours[3];
    bool m_rejected[3] = {false, false, false};
};

} // namespace hzm
