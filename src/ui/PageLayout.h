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

// Who a control is: the page's enum value for it, kept as the dynamic property "controlId" (the
// number of the control in the original dialog template), and its object name. A control that
// the page never addresses has neither ({}).
struct ControlName {
    int id = 0;
    QString objectName;
};

// Creates the controls of one page in template order (which is also the tab order). A label
// becomes the buddy of the combo box or edit box that directly follows it (its mnemonic and the
// screen reader's "labelled by"); finish() tells a screen reader which frame a control sits in.
class PageBuilder {
public:
    explicit PageBuilder(QWidget *page);

    QLabel *label(const ControlName &name, const QString &text, int x, int y, int width, int height);
    QComboBox *combo(const ControlName &name, int x, int y, int width, int height);
    QLineEdit *edit(const ControlName &name, int x, int y, int width, int height);
    QPushButton *button(const ControlName &name, const QString &text, int x, int y, int width, int height);
    QCheckBox *check(const ControlName &name, const QString &text, int x, int y, int width, int height);
    // firstOfGroup starts a new set of mutually exclusive radio buttons.
    QRadioButton *radio(const ControlName &name, const QString &text, int x, int y, int width, int height,
                        bool firstOfGroup = false);
    QGroupBox *group(const ControlName &name, const QString &text, int x, int y, int width, int height);

    // Puts the frames behind the controls and fixes the page's minimum size to the bounding
    // box of its controls plus a margin. Every control inside a fixed frame (one without an id)
    // gets the frame's accessible name (its title unless set) as its description, and a label or
    // button text that repeats on the page gets a name that starts with it ("Mic Inputs Mic 1").
    void finish(int marginUnits = 7);

    const DialogUnits &units() const { return m_units; }
    QWidget *control(int id) const { return m_byId.value(id); }
    const QHash<int, QWidget *> &controls() const { return m_byId; }

private:
    void place(QWidget *widget, const ControlName &name, int x, int y, int width, int height, bool growWidth,
               bool naturalHeight);
    void describeControls();

    QWidget *m_page;
    DialogUnits m_units;
    QHash<int, QWidget *> m_byId;
    QList<QGroupBox *> m_frames;
    QButtonGroup *m_radioGroup = nullptr;
    QLabel *m_pendingLabel = nullptr; // the label waiting for its control
};

class MessageBoxes;

// What the four tab pages share: the record they edit, the modified flag, their transfer buttons,
// the wiring of their bound controls and the way they start a job.
class TabPage : public QWidget {
    Q_OBJECT
public:
    // Runs a job behind the progress dialog and reports its result; returns when it has ended.
    using JobRunner = std::function<void(const TransferJob &job)>;

    TabPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent);

    // Loads the page's controls from the settings; marks nothing modified.
    virtual void refresh() {}

    // Enables or disables the page's transfer buttons (with the main window's own).
    void setTransferButtonsEnabled(bool enable);
    // The control the page's enum names, or nullptr (also when it is not a T).
    template <typename T = QWidget> T *control(int id) const {
        return qobject_cast<T *>(m_controls.value(id));
    }
    // Message boxes and the error beep; without them the page emits showMessage and beeps itself.
    void setMessageBoxes(MessageBoxes *boxes) { m_boxes = boxes; }
    // Who runs the jobs of the page's send buttons; without one they start nothing.
    void setJobRunner(JobRunner runner) { m_jobRunner = std::move(runner); }

signals:
    // A message for the user when no MessageBoxes are set (icon: QMessageBox::Icon).
    void showMessage(const QString &text, const QString &caption, int icon);

protected:
    // Keeps the builder's controls and makes every push button with an id a transfer button.
    void adopt(const PageBuilder &builder);
    // Wires the control of every row to its user-only signal (see ControlKind): the control's new
    // state is written into the record that record() returns at that moment (none: nothing is
    // written), and a changed field marks the settings modified.
    template <typename Record>
    void bind(const ControlBinding<Record> *table, std::function<Record *()> record) {
        QList<int> bound;
        for (const ControlBinding<Record> *row = table; row->controlId != 0; ++row) {
            if (bound.contains(row->controlId))
                continue; // the first row of a control is the one that counts
            bound << row->controlId;
            QWidget *widget = control(row->controlId);
            connectUserAction(widget, row->controlKind, [this, widget, row, record] {
                Record *current = record();
                if (current && UpdateBoundField(widget, row, current, beepHook()))
                    markModified();
            });
        }
    }
    void runJob(const TransferJob &job);
    // An edit changed the record: the settings are now modified.
    void markModified();
    void showError(const QString &text);
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
    // Connects the signal that only a user's action sends for a control of this kind. A missing
    // control, or one of another kind, is a fault of the page: it is reported and left unbound.
    void connectUserAction(QWidget *control, ControlKind kind, std::function<void()> action);
    BeepHook beepHook();

    QHash<int, QWidget *> m_controls;
    QList<QWidget *> m_transferButtons;
    JobRunner m_jobRunner;
};

// The control id of a page control (the "controlId" property), 0 for none.
int ControlIdOf(const QWidget *widget);

} // namespace hzm
