#include "PageLayout.h"

#include "ControlBinding.h"
#include "MessageBoxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace hzm {

namespace {

// Average width of the Latin letters, the way dialog units are measured.
double averageCharWidth(const QFont &font) {
    const QFontMetricsF metrics(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(letters) / letters.size();
}

// The text a label or button shows, without its mnemonic mark.
QString shownText(const QWidget *widget) {
    QString text;
    if (auto *label = qobject_cast<const QLabel *>(widget))
        text = label->text();
    else if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text();
    return text.remove(QLatin1Char('&'));
}

// The innermost frame around a control of page, or nullptr.
const QGroupBox *frameOf(const QWidget *control, const QWidget *page) {
    for (const QWidget *w = control->parentWidget(); w && w != page; w = w->parentWidget()) {
        if (auto *frame = qobject_cast<const QGroupBox *>(w))
            return frame;
    }
    return nullptr;
}

QString frameName(const QGroupBox *frame) {
    return frame->accessibleName().isEmpty() ? QString(frame->title()).remove(QLatin1Char('&')).simplified()
                                             : frame->accessibleName();
}

// The label that names control on page, or nullptr.
QLabel *captionOf(const QWidget *control, const QWidget *page) {
    const QList<QLabel *> labels = page->findChildren<QLabel *>();
    const auto found =
        std::find_if(labels.begin(), labels.end(), [control](QLabel *l) { return l->buddy() == control; });
    return found == labels.end() ? nullptr : *found;
}

bool isControl(const QWidget *w) {
    return qobject_cast<const QLabel *>(w) || qobject_cast<const QAbstractButton *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QLineEdit *>(w);
}

} // namespace

DialogUnits::DialogUnits(const QFont &font)
    : m_x(averageCharWidth(font) / 4.0), m_y(QFontMetricsF(font).height() / 8.0) {}

int DialogUnits::x(double units) const {
    return int(std::lround(units * m_x));
}
int DialogUnits::y(double units) const {
    return int(std::lround(units * m_y));
}

// ---- PageBuilder -------------------------------------------------------------------------------

PageBuilder::PageBuilder(QWidget *page) : m_page(page), m_units(page->font()) {}

QLabel *PageBuilder::label(const QString &text) {
    return new QLabel(text, m_page);
}

QComboBox *PageBuilder::combo(int widthUnits) {
    auto *w = new QComboBox(m_page);
    w->setMaxVisibleItems(12);
    w->setMinimumWidth(m_units.x(widthUnits));
    return w;
}

QLineEdit *PageBuilder::edit(int widthUnits) {
    auto *w = new QLineEdit(m_page);
    w->setFixedWidth(m_units.x(widthUnits));
    return w;
}

QPushButton *PageBuilder::button(const QString &text, int widthUnits) {
    auto *w = new QPushButton(text, m_page);
    w->setAutoDefault(false);
    w->setMinimumWidth(m_units.x(widthUnits));
    return w;
}

QCheckBox *PageBuilder::check(const QString &text) {
    return new QCheckBox(text, m_page);
}

QRadioButton *PageBuilder::radio(const QString &text, bool firstOfGroup) {
    auto *w = new QRadioButton(text, m_page);
    if (firstOfGroup || !m_radioGroup) {
        m_radioGroup = new QButtonGroup(m_page);
        m_radioGroup->setExclusive(true);
    }
    m_radioGroup->addButton(w);
    return w;
}

QGroupBox *PageBuilder::group(const QString &title) {
    auto *w = new QGroupBox(title, m_page);
    w->setFocusPolicy(Qt::NoFocus);
    // The controls sit on a plain widget inside the frame: a screen reader takes a group box for
    // the label of its own children and would call every box in it by the frame's title.
    auto *body = new QWidget(w);
    auto *frame = new QVBoxLayout(w);
    frame->addWidget(body);
    auto *grid = new QGridLayout(body);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(m_units.x(8));
    grid->setVerticalSpacing(m_units.y(4));
    return w;
}

QGridLayout *PageBuilder::grid(QGroupBox *group) {
    return static_cast<QGridLayout *>(group->layout()->itemAt(0)->widget()->layout());
}

void PageBuilder::fields(QGroupBox *group, std::initializer_list<std::pair<QString, QWidget *>> captioned) {
    QGridLayout *column = grid(group);
    int row = 0;
    for (const auto &[text, control] : captioned)
        column->addLayout(field(text, control), row++, 0);
    column->setRowStretch(row, 1);
}

QGridLayout *PageBuilder::pageGrid() {
    auto *grid = new QGridLayout(m_page);
    grid->setContentsMargins(m_units.x(8), m_units.y(8), m_units.x(8), m_units.y(8));
    grid->setHorizontalSpacing(m_units.x(8));
    grid->setVerticalSpacing(m_units.y(6));
    return grid;
}

QHBoxLayout *PageBuilder::row(const QList<QWidget *> &widgets) {
    auto *row = new QHBoxLayout;
    row->setSpacing(m_units.x(4));
    for (QWidget *w : widgets)
        row->addWidget(w);
    row->addStretch();
    return row;
}

QLabel *PageBuilder::caption(const QString &text, QWidget *control) {
    QLabel *w = label(text);
    w->setBuddy(control);
    return w;
}

QVBoxLayout *PageBuilder::field(const QString &text, QWidget *control) {
    auto *column = new QVBoxLayout;
    column->setSpacing(m_units.y(1.5));
    QLabel *label = caption(text, control);
    label->setSizePolicy(label->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed); // stays on its control
    column->addWidget(label);
    column->addWidget(control);
    return column;
}

void PageBuilder::finish() {
    QList<QWidget *> controls = m_page->findChildren<QWidget *>();
    controls.removeIf([](const QWidget *w) { return !isControl(w); });
    QHash<QString, int> uses;
    for (const QWidget *w : std::as_const(controls))
        ++uses[shownText(w)];
    for (QWidget *w : std::as_const(controls)) {
        const QGroupBox *frame = frameOf(w, m_page);
        auto *label = qobject_cast<QLabel *>(w);
        QWidget *buddy = label ? label->buddy() : nullptr;
        if (!frame || (label && !buddy))
            continue; // outside the frames, or plain text
        const QString context = frameName(frame);
        w->setAccessibleDescription(context);
        if (buddy)
            buddy->setAccessibleDescription(context);
        const QString text = shownText(w);
        if (text.isEmpty() || uses.value(text) < 2)
            continue;
        // Said the same twice on the page: the frame's name tells them apart.
        w->setAccessibleName(context + QLatin1Char(' ') + text);
        if (buddy)
            buddy->setAccessibleName(w->accessibleName());
    }
}

// ---- TabPage -----------------------------------------------------------------------------------

TabPage::TabPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_modified(modified) {}

TabPage::~TabPage() = default;

void TabPage::refresh() {
    for (const auto &bound : m_bound)
        bound->load();
    if (m_selector)
        m_selector->setCurrentIndex(m_selector->findData(shownRecord()));
}

int TabPage::shownRecord() const {
    return m_selection ? m_settings.*m_selection : -1;
}

void TabPage::showRecord(int record) {
    if (!m_selection || m_selector->findData(record) < 0)
        return;
    m_settings.*m_selection = record;
    refresh();
}

bool TabPage::setFieldValue(int control, const QVariant &value) {
    for (const auto &bound : m_bound) {
        if (bound->setValue(control, value)) {
            m_modified.set(1);
            return true;
        }
    }
    return false;
}

QString TabPage::fieldName(const QWidget *control) const {
    QString name = control->accessibleName();
    if (name.isEmpty()) {
        const QLabel *label = captionOf(control, this);
        name = shownText(label ? static_cast<const QWidget *>(label) : control);
    }
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    // A box or button says what it is only together with its frame ("Mic Gates Mic 3").
    const QGroupBox *frame = frameOf(control, this);
    if (frame && qobject_cast<const QAbstractButton *>(control) && !name.startsWith(frameName(frame)))
        name = frameName(frame) + QLatin1Char(' ') + name;
    if (m_selector)
        name = recordTitle() + QLatin1Char(' ') + name;
    return name.simplified();
}

QString TabPage::recordTitle() const {
    return m_selector ? m_selector->itemText(m_selector->findData(shownRecord())) : QString();
}

void TabPage::setTransferButtonsEnabled(bool enable) {
    for (QWidget *button : std::as_const(m_transferButtons))
        button->setEnabled(enable);
}

void TabPage::adopt(const PageBuilder &builder) {
    m_controls = builder.controls();
    for (QWidget *w : std::as_const(m_controls)) {
        if (qobject_cast<QPushButton *>(w))
            m_transferButtons.append(w);
    }
}

void TabPage::setRecordSelector(QComboBox *selector, int MixerSettings::*selection) {
    m_selector = selector;
    m_selection = selection;
    connect(selector, &QComboBox::activated, this, [this] {
        if (m_selector->currentIndex() >= 0)
            showRecord(m_selector->currentData().toInt());
    });
}

void TabPage::setShown(QWidget *control, bool shown) {
    for (QWidget *w : {control, static_cast<QWidget *>(caption(control))}) {
        if (!w)
            continue;
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->setVisible(shown);
    }
}

QLabel *TabPage::caption(const QWidget *control) const {
    return captionOf(control, this);
}

void TabPage::connectUserAction(QWidget *control, ControlKind kind, std::function<void()> action) {
    switch (kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        if (auto *button = qobject_cast<QAbstractButton *>(control)) {
            connect(button, &QAbstractButton::clicked, this, std::move(action));
            return;
        }
        break;
    case ControlKind::ComboBox:
        if (auto *combo = qobject_cast<QComboBox *>(control)) {
            connect(combo, &QComboBox::activated, this, std::move(action));
            return;
        }
        break;
    case ControlKind::EditBox:
        if (auto *edit = qobject_cast<QLineEdit *>(control)) {
            connect(edit, &QLineEdit::textEdited, this, std::move(action));
            return;
        }
        break;
    }
    qWarning("%s: a binding row names %s, which is no control of its kind; it stays unbound",
             metaObject()->className(),
             control ? qPrintable(control->objectName()) : "a control the page does not have");
}

void TabPage::reportEdit(int control, const QWidget *widget, const QVariant &before, const QVariant &after) {
    m_modified.set(1);
    emit fieldEdited({control, shownRecord(), fieldName(widget), before, after});
}

void TabPage::runJob(const TransferJob &job) {
    if (m_jobRunner)
        m_jobRunner(job);
}

BeepHook TabPage::beepHook() {
    if (!m_boxes)
        return {};
    return [this] { m_boxes->beep(); };
}

void TabPage::showError(const QString &text) {
    const QString caption = tr("Error");
    if (m_boxes)
        m_boxes->error(window(), caption, text);
    else
        emit showMessage(text, caption, int(QMessageBox::Critical));
}

} // namespace hzm
