#pragma once

// Builds a tab page from its template: controls placed in dialog units, converted with the
// page font's metrics (horizontal unit: average character width / 4; vertical unit: character
// height / 8). A control never ends up smaller than its own size hint, so no text is clipped at
// any font; a label or check box grows to the right, a combo box or edit box to its natural height.

#include "ControlBinding.h"
#include "model/MixerSettings.h"
#include "protocol/TransferJob.h"

#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFont;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace hzm {

class DialogUnits {
public:
    explicit DialogUnits(const QFont &font);
    DialogUnits(double xUnit, double yUnit) : m_x(xUnit), m_y(yUnit) {}

    int x(double units) const;
    int y(double units) const;
    QRect rect(int x, int y, int width, int height) const;
    double xUnit() const { return m_x; }
    double yUnit() const { return m_y; }

private:
    double m_x;
    double m_y;
};

// Creates the controls of one page in template order (which is also the tab order). A control
// with an id gets the object name "c<id>" and the dynamic property "controlId".
class PageBuilder {
public:
    explicit PageBuilder(QWidget *page);

    QLabel *label(int id, const QString &text, int x, int y, int width, int height);
    QComboBox *combo(int id, int x, int y, int width, int height);
    QLineEdit *edit(int id, int x, int y, int width, int height);
    QPushButton *button(int id, const QString &text, int x, int y, int width, int height);
    QCheckBox *check(int id, const QString &text, int x, int y, int width, int height);
    // firstOfGroup starts a new set of mutually exclusive radio buttons.
    QRadioButton *radio(int id, const QString &text, int x, int y, int width, int height,
                        bool firstOfGroup = false);
    QGroupBox *group(int id, const QString &text, int x, int y, int width, int height);

    // Puts the frames behind the controls and fixes the page's minimum size to the bounding
    // box of its controls plus a margin.
    void finish(int marginUnits = 7);

    const DialogUnits &units() const { return m_units; }
    QWidget *control(int id) const { return m_byId.value(id); }
    const QHash<int, QWidget *> &controls() const { return m_byId; }

private:
    void place(QWidget *widget, int id, int x, int y, int width, int height, bool growWidth,
               bool naturalHeight);

    QWidget *m_page;
    DialogUnits m_units;
    QHash<int, QWidget *> m_byId;
    QList<QGroupBox *> m_frames;
    QButtonGroup *m_radioGroup = nullptr;
};

class MessageBoxes;

// What the four tab pages share: the record they edit, the modified flag, their transfer buttons
// and the wiring of their controls. A control's user action arrives in onCommand with the
// notification that it means (kClicked, kSelectionChanged, kEditChanged of ControlBinding.h).
class TabPage : public QWidget {
    Q_OBJECT
public:
    TabPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent);

    // Enables or disables the page's transfer buttons (with the main window's own).
    void setTransferButtonsEnabled(bool enable);
    // The control with the given id, or nullptr.
    QWidget *control(int id) const { return m_controls.value(id); }
    // Message boxes and the error beep; without them the page emits showMessage and beeps itself.
    void setMessageBoxes(MessageBoxes *boxes) { m_boxes = boxes; }

signals:
    // Run this job behind the progress dialog; returns when the job has ended.
    void startJob(hzm::TransferJob job);
    // A message for the user when no MessageBoxes are set (icon: QMessageBox::Icon).
    void showMessage(const QString &text, const QString &caption, int icon);

protected:
    // Keeps the builder's controls, connects their user actions to onCommand and makes every
    // push button with an id a transfer button.
    void adopt(const PageBuilder &builder);
    virtual void onCommand(QWidget *control, int id, int notification) = 0;
    // An edit changed the record: the settings are now modified.
    void markModified();
    void showError(const QString &text);
    // Hands a control's notification to a binding table over record; marks the settings modified
    // when the record changed. False when the table has no row for the control.
    template <typename Record>
    bool handleBound(const ControlBinding<Record> *table, Record *record, QWidget *control, int id,
                     int notification) {
        ScopedBindingBeep beep(beepHook());
        int changed = 0;
        if (!HandleBoundCommand(table, record, control, id, notification, changed))
            return false;
        if (changed)
            markModified();
        return true;
    }
    // Selects entry index of combo box id; a value that names no entry leaves it without a selection.
    void selectEntry(int id, int index);
    // Ticks or clears check box (or radio button) id.
    void setChecked(int id, bool on);
    // Ticks the count check boxes from firstId on from the low bits of mask.
    void tickBits(int firstId, int count, int mask);

    MixerSettings &m_settings;
    ModifiedFlag &m_modified;
    MessageBoxes *m_boxes = nullptr;

private:
    std::function<void()> beepHook();
    QHash<int, QWidget *> m_controls;
    QList<QWidget *> m_transferButtons;
};

// The control id of a page control (the "controlId" property), 0 for none.
int ControlIdOf(const QWidget *widget);

} // namespace hzm
