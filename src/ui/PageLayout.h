#pragma once

// What the four tab pages share. PageBuilder creates a page's controls in tab order, names them
// after the page's Control enum and sizes them in dialog units of the page font; the page lays
// them out with Qt layouts (a QGridLayout in every group box), so that no text is clipped at any
// font, language or scale. TabPage binds the controls to the settings both ways and reports every
// edit a user makes (fieldEdited).

#include "ControlBinding.h"
#include "model/MixerSettings.h"
#include "protocol/TransferJob.h"

#include <QGridLayout>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFont;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace hzm {

// Lengths measured in the font's own units: horizontal unit = average character width / 4,
// vertical unit = character height / 8. Sizes given in them grow with the font and the scale.
class DialogUnits {
public:
    explicit DialogUnits(const QFont &font);
    DialogUnits(double xUnit, double yUnit) : m_x(xUnit), m_y(yUnit) {}

    int x(double units) const;
    int y(double units) const;
    double xUnit() const { return m_x; }
    double yUnit() const { return m_y; }

private:
    double m_x;
    double m_y;
};

// Creates the controls of one page in tab order. The overloads with a Control name the control
// after the page's enum (ControlObjectName) and make it TabPage::control's; the others are plain
// texts and frames the page never addresses. Widths are in dialog units of the page font: combo
// boxes and buttons get at least theirs, edit boxes exactly theirs. A group box comes with an
// empty grid for its controls (grid).
class PageBuilder {
public:
    explicit PageBuilder(QWidget *page);

    QLabel *label(const QString &text);
    QComboBox *combo(int widthUnits);
    QLineEdit *edit(int widthUnits);
    QPushButton *button(const QString &text, int widthUnits);
    QCheckBox *check(const QString &text);
    // firstOfGroup starts a new set of mutually exclusive radio buttons.
    QRadioButton *radio(const QString &text, bool firstOfGroup = false);
    QGroupBox *group(const QString &title);

    template <typename C> QLabel *label(C control, const QString &text) { return name(control, label(text)); }
    template <typename C> QComboBox *combo(C control, int widthUnits) {
        return name(control, combo(widthUnits));
    }
    template <typename C> QLineEdit *edit(C control, int widthUnits) {
        return name(control, edit(widthUnits));
    }
    template <typename C> QPushButton *button(C control, const QString &text, int widthUnits) {
        return name(control, button(text, widthUnits));
    }
    template <typename C> QCheckBox *check(C control, const QString &text) {
        return name(control, check(text));
    }
    template <typename C> QRadioButton *radio(C control, const QString &text, bool firstOfGroup = false) {
        return name(control, radio(text, firstOfGroup));
    }
    template <typename C> QGroupBox *group(C control, const QString &title) {
        return name(control, group(title));
    }

    // count check boxes, named first and the controls after it, with text ("Mic %1") numbered
    // from 1, filled into the group's grid column by column, rows high.
    template <typename C> void checks(QGroupBox *group, C first, int count, int rows, const QString &text) {
        for (int i = 0; i < count; ++i)
            grid(group)->addWidget(check(C(int(first) + i), text.arg(i + 1)), i % rows, i / rows);
    }

    // A caption that names control (its mnemonic, and the name a screen reader says).
    QLabel *caption(const QString &text, QWidget *control);
    // A caption over its control.
    QVBoxLayout *field(const QString &text, QWidget *control);
    // Captioned controls one under the other in the group, from the top.
    void fields(QGroupBox *group, std::initializer_list<std::pair<QString, QWidget *>> captioned);
    // The grid of a group box's controls.
    static QGridLayout *grid(QGroupBox *group);
    // The page's own grid, with the page's margins.
    QGridLayout *pageGrid();
    // The widgets side by side, left-aligned.
    QHBoxLayout *row(const QList<QWidget *> &widgets);

    // Tells a screen reader which frame every control sits in (its accessible description), and
    // gives a label or button text that repeats on the page a name that starts with its frame's
    // ("Mic Inputs Mic 1").
    void finish();

    const DialogUnits &units() const { return m_units; }
    const QHash<int, QWidget *> &controls() const { return m_named; }

private:
    template <typename C, typename W> W *name(C control, W *widget) {
        Q_ASSERT(!m_named.contains(int(control)));
        widget->setObjectName(ControlObjectName(control));
        m_named.insert(int(control), widget);
        return widget;
    }

    QWidget *m_page;
    DialogUnits m_units;
    QHash<int, QWidget *> m_named;
    QButtonGroup *m_radioGroup = nullptr;
};

// One change of a settings field by a user's action on a page control.
struct FieldEdit {
    int control = -1; // the page's Control
    int record = -1;  // the input or output shown then (TabPage::shownRecord); -1 on the System page
    QString name;     // as the user knows it: "Zone 2 Level (dB)", "Mic Gates Mic 3"
    QVariant before;  // the field's value before and after the edit: an int, or a QString for names
    QVariant after;
};

class MessageBoxes;

// A binding table tied to the record a page shows (TabPage::bind).
class BoundRecord {
public:
    virtual ~BoundRecord() = default;
    // Shows every field of the table in its control (cleared without a record).
    virtual void load() const = 0;
    // Writes value into the field of control without the row's checks, and shows it; false when
    // the table does not bind control, no record is shown or the field held value already.
    virtual bool setValue(int control, const QVariant &value) const = 0;
};

// What the four tab pages share: the record they edit, the modified flag, their transfer buttons,
// their bound controls, the record selector of the Inputs and Outputs pages and the way they
// start a job.
class TabPage : public QWidget {
    Q_OBJECT
public:
    // Runs a job behind the progress dialog and reports its result; returns when it has ended.
    using JobRunner = std::function<void(const TransferJob &job)>;

    TabPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent);
    ~TabPage() override;

    // Loads the page's controls from the settings; marks nothing modified.
    virtual void refresh();

    // The input or output shown (selectedInput, selectedOutput); -1 on a page of one record.
    int shownRecord() const;
    // Shows another input or output, as a choice in the page's selector does.
    void showRecord(int record);
    // Writes value (an int, or a QString for names) into the field of the shown record that
    // control is bound to, as an edit would but without its checks and without fieldEdited; shows
    // it and marks the settings modified. False when nothing changed. Undo and redo come here.
    bool setFieldValue(int control, const QVariant &value);
    // What the user calls the field behind control on the shown record ("Zone 2 Level (dB)").
    QString fieldName(const QWidget *control) const;
    // The shown input or output as the selector names it ("Zone 2"); empty on a page of one record.
    QString recordTitle() const;
    // The page's control (a Control value), or nullptr.
    QWidget *controlWidget(int control) const { return m_controls.value(control); }

    // Enables or disables the page's transfer buttons (with the main window's own).
    void setTransferButtonsEnabled(bool enable);
    // Message boxes and the error beep; without them the page emits showMessage and beeps itself.
    void setMessageBoxes(MessageBoxes *boxes) { m_boxes = boxes; }
    // Who runs the jobs of the page's send buttons; without one they start nothing.
    void setJobRunner(JobRunner runner) { m_jobRunner = std::move(runner); }

signals:
    // A message for the user when no MessageBoxes are set (icon: QMessageBox::Icon).
    void showMessage(const QString &text, const QString &caption, int icon);
    // A user's action on a bound control changed a field of the settings (already marked modified).
    void fieldEdited(const hzm::FieldEdit &edit);

protected:
    // Keeps the builder's named controls and makes every named push button a transfer button.
    void adopt(const PageBuilder &builder);
    // The page's control, or nullptr (also when it is not a T).
    template <typename T = QWidget, typename C> T *control(C c) const {
        return qobject_cast<T *>(m_controls.value(int(c)));
    }
    // Binds the rows of table (which outlives the page) to the record that record() returns at
    // the moment (none: the controls are cleared and edits write nothing). A combo box gets the
    // entries of its row. A user's action on a control writes its field, marks the settings
    // modified and emits fieldEdited when the field changed.
    template <typename R, typename C, typename F> void bind(const BindingTable<R, C> &table, F record);
    // The selector of the record the page shows: its entries carry the record numbers; a choice
    // shows that record, and a refresh shows the selection of the settings in it.
    void setRecordSelector(QComboBox *selector, int MixerSettings::*selection);
    // Shows or hides control together with the caption that names it; hidden, they keep their
    // place, so that nothing else on the page moves.
    void setShown(QWidget *control, bool shown);
    // The label that names control, or nullptr.
    QLabel *caption(const QWidget *control) const;
    void runJob(const TransferJob &job);
    void showError(const QString &text);

    MixerSettings &m_settings;
    ModifiedFlag &m_modified;
    MessageBoxes *m_boxes = nullptr;

private:
    template <typename R, typename C> class TableBinding;

    // Connects the signal that only a user's action sends for a control of this kind. A missing
    // control, or one of another kind, is a fault of the page: it is reported and left unbound.
    void connectUserAction(QWidget *control, ControlKind kind, std::function<void()> action);
    void reportEdit(int control, const QWidget *widget, const QVariant &before, const QVariant &after);
    BeepHook beepHook();

    QHash<int, QWidget *> m_controls;
    std::vector<std::unique_ptr<BoundRecord>> m_bound;
    QList<QWidget *> m_transferButtons;
    QComboBox *m_selector = nullptr;
    int MixerSettings::*m_selection = nullptr;
    JobRunner m_jobRunner;
};

template <typename R, typename C> class TabPage::TableBinding final : public BoundRecord {
public:
    TableBinding(const BindingTable<R, C> &table, std::function<R *()> record,
                 const QHash<int, QWidget *> &controls)
        : m_table(table), m_record(std::move(record)), m_controls(controls) {}

    void load() const override {
        const R *record = m_record();
        for (const ControlBinding<R, C> &row : m_table)
            LoadBoundControl(m_controls.value(int(row.control)), row, record);
        if (record)
            selectUnclaimedRadios(*record);
    }

    bool setValue(int control, const QVariant &value) const override {
        const ControlBinding<R, C> *row = FindBinding(m_table, C(control));
        R *record = m_record();
        if (!row || !record || !SetBoundValue(*row, *record, value))
            return false;
        load();
        return true;
    }

private:
    // A field that holds the value of none of its radio buttons shows its last one.
    void selectUnclaimedRadios(const R &record) const {
        for (auto row = m_table.begin(); row != m_table.end(); ++row) {
            if (row->controlKind != ControlKind::RadioButton)
                continue;
            const auto sameField = [&](const ControlBinding<R, C> &other) {
                return other.controlKind == ControlKind::RadioButton && other.intField == row->intField;
            };
            const auto claims = [&](const ControlBinding<R, C> &other) {
                return sameField(other) && record.*(other.intField) == other.onValue;
            };
            if (std::none_of(m_table.begin(), m_table.end(), claims) &&
                std::none_of(row + 1, m_table.end(), sameField))
                ShowIntField(m_controls.value(int(row->control)), *row, &row->onValue);
        }
    }

    const BindingTable<R, C> &m_table;
    std::function<R *()> m_record;
    const QHash<int, QWidget *> &m_controls;
};

template <typename R, typename C, typename F> void TabPage::bind(const BindingTable<R, C> &table, F record) {
    m_bound.push_back(std::make_unique<TableBinding<R, C>>(table, record, m_controls));
    QList<C> bound;
    for (const ControlBinding<R, C> &row : table) {
        if (bound.contains(row.control))
            continue; // the first row of a control is the one that counts
        bound << row.control;
        QWidget *widget = control(row.control);
        if (row.choices)
            FillComboFromList(qobject_cast<QComboBox *>(widget), row.choices());
        connectUserAction(widget, row.controlKind, [this, widget, row = &row, record] {
            R *current = record();
            if (!current)
                return;
            const QVariant before = BoundValue(*row, *current);
            if (UpdateBoundField(widget, row, current, beepHook()))
                reportEdit(int(row->control), widget, before, BoundValue(*row, *current));
        });
    }
}

} // namespace hzm
