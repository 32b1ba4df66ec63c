#include "PageLayout.h"

#include "ControlBinding.h"
#include "MessageBoxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace hzm {

namespace {

// Average width of the Latin letters, the way dialog units are measured.
double averageCharWidth(const QFont &font) {
    const QFontMetricsF metrics(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(letters) / letters.size();
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

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    const int x0 = x(left);
    const int y0 = y(top);
    return QRect(x0, y0, x(left + width) - x0, y(top + height) - y0);
}

int ControlIdOf(const QWidget *widget) {
    return widget ? widget->property("controlId").toInt() : 0;
}

PageBuilder::PageBuilder(QWidget *page) : m_page(page), m_units(page->font()) {}

void PageBuilder::place(QWidget *widget, const ControlName &name, int x, int y, int width, int height,
                        bool growWidth, bool naturalHeight) {
    auto *label = qobject_cast<QLabel *>(widget);
    if (m_pendingLabel && (qobject_cast<QComboBox *>(widget) || qobject_cast<QLineEdit *>(widget)))
        m_pendingLabel->setBuddy(widget);
    m_pendingLabel = label;
    if (name.id > 0) {
        Q_ASSERT(!name.objectName.isEmpty() && !m_byId.contains(name.id));
        widget->setObjectName(name.objectName);
        widget->setProperty("controlId", name.id);
        m_byId.insert(name.id, widget);
    }
    QRect r = m_units.rect(x, y, width, height);
    const QSize hint = widget->sizeHint();
    if (naturalHeight) {
        // Combo boxes: the template's height includes the drop-down list.
        r.setHeight(hint.height());
    } else if (hint.height() > r.height()) {
        // Keep the control centred on its row.
        const int centre = r.center().y();
        r.setHeight(hint.height());
        r.moveTop(centre - hint.height() / 2);
    }
    if (growWidth && hint.width() > r.width())
        r.setWidth(hint.width());
    widget->setGeometry(r);
}

QLabel *PageBuilder::label(const ControlName &name, const QString &text, int x, int y, int width,
                           int height) {
    auto *w = new QLabel(text, m_page);
    place(w, name, x, y, width, height, true, false);
    return w;
}

QComboBox *PageBuilder::combo(const ControlName &name, int x, int y, int width, int height) {
    auto *w = new QComboBox(m_page);
    w->setMaxVisibleItems(12);
    place(w, name, x, y, width, height, false, true);
    return w;
}

QLineEdit *PageBuilder::edit(const ControlName &name, int x, int y, int width, int height) {
    auto *w = new QLineEdit(m_page);
    place(w, name, x, y, width, height, false, false);
    return w;
}

QPushButton *PageBuilder::button(const ControlName &name, const QString &text, int x, int y, int width,
                                 int height) {
    auto *w = new QPushButton(text, m_page);
    w->setAutoDefault(false);
    // The text must fit; the button's own margins may shrink to the template's width.
    QRect r = m_units.rect(x, y, width, height);
    const int textWidth = w->fontMetrics().horizontalAdvance(text) + m_units.x(6);
    place(w, name, x, y, width, height, false, false);
    if (textWidth > r.width())
        w->resize(textWidth, w->height());
    return w;
}

QCheckBox *PageBuilder::check(const ControlName &name, const QString &text, int x, int y, int width,
                              int height) {
    auto *w = new QCheckBox(text, m_page);
    place(w, name, x, y, width, height, true, false);
    return w;
}

QRadioButton *PageBuilder::radio(const ControlName &name, const QString &text, int x, int y, int width,
                                 int height, bool firstOfGroup) {
    auto *w = new QRadioButton(text, m_page);
    if (firstOfGroup || !m_radioGroup) {
        m_radioGroup = new QButtonGroup(m_page);
        m_radioGroup->setExclusive(true);
    }
    m_radioGroup->addButton(w);
    place(w, name, x, y, width, height, true, false);
    return w;
}

QGroupBox *PageBuilder::group(const ControlName &name, const QString &text, int x, int y, int width,
                              int height) {
    auto *w = new QGroupBox(text, m_page);
    w->setFocusPolicy(Qt::NoFocus);
    place(w, name, x, y, width, height, false, false);
    m_frames.append(w);
    return w;
}

void PageBuilder::describeControls() {
    const auto plain = [](QString text) { return text.remove(QLatin1Char('&')); };
    QHash<QString, int> uses;
    QList<QWidget *> controls;
    for (QObject *child : m_page->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || qobject_cast<QGroupBox *>(w))
            continue;
        controls << w;
        if (auto *label = qobject_cast<QLabel *>(w))
            ++uses[plain(label->text())];
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            ++uses[plain(button->text())];
    }
    for (QWidget *w : std::as_const(controls)) {
        // The innermost fixed frame around the control; frames with an id come and go.
        const QGroupBox *frame = nullptr;
        for (const QGroupBox *candidate : std::as_const(m_frames)) {
            if (ControlIdOf(candidate) == 0 && candidate->geometry().contains(w->geometry().center()) &&
                (!frame || candidate->width() * candidate->height() < frame->width() * frame->height()))
                frame = candidate;
        }
        if (!frame)
            continue;
        const QString context =
            frame->accessibleName().isEmpty() ? plain(frame->title()) : frame->accessibleName();
        auto *label = qobject_cast<QLabel *>(w);
        QWidget *buddy = label ? label->buddy() : nullptr;
        if (label && !buddy)
            continue; // plain text
        w->setAccessibleDescription(context);
        if (buddy)
            buddy->setAccessibleDescription(context);
        auto *button = qobject_cast<QAbstractButton *>(w);
        const QString text = plain(label ? label->text() : button ? button->text() : QString());
        if (uses.value(text) < 2)
            continue;
        // Said the same twice on the page: the frame's name tells them apart.
        w->setAccessibleName(context + QLatin1Char(' ') + text);
        if (buddy)
            buddy->setAccessibleName(w->accessibleName());
    }
}

void PageBuilder::finish(int marginUnits) {
    m_pendingLabel = nullptr;
    describeControls();
    for (QGroupBox *frame : m_frames)
        frame->lower();
    QRect bounds;
    for (QObject *child : m_page->children()) {
        if (auto *w = qobject_cast<QWidget *>(child))
            bounds |= w->geometry();
    }
    m_page->setMinimumSize(bounds.right() + 1 + m_units.x(marginUnits),
                           bounds.bottom() + 1 + m_units.y(marginUnits));
}

// ---- TabPage -----------------------------------------------------------------------------------

TabPage::TabPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_modified(modified) {}

void TabPage::setTransferButtonsEnabled(bool enable) {
    for (QWidget *button : std::as_const(m_transferButtons))
        button->setEnabled(enable);
}

void TabPage::adopt(const PageBuilder &builder) {
    m_controls = builder.controls();
    QList<int> ids = m_controls.keys();
    std::sort(ids.begin(), ids.end());
    for (int id : std::as_const(ids)) {
        if (auto *push = qobject_cast<QPushButton *>(m_controls.value(id)))
            m_transferButtons.append(push);
    }
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

void TabPage::runJob(const TransferJob &job) {
    if (m_jobRunner)
        m_jobRunner(job);
}

void TabPage::markModified() {
    m_modified.set(1);
}

BeepHook TabPage::beepHook() {
    if (!m_boxes)
        return {};
    return [this] { m_boxes->beep(); };
}

void TabPage::selectEntry(int id, int index) {
    if (auto *combo = qobject_cast<QComboBox *>(control(id)))
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void TabPage::setChecked(int id, bool on) {
    if (auto *button = qobject_cast<QAbstractButton *>(control(id)))
        button->setChecked(on);
}

void TabPage::tickBits(int firstId, int count, int mask) {
    for (int i = 0; i < count; ++i)
        setChecked(firstId + i, (mask >> i) & 1);
}

void TabPage::showError(const QString &text) {
    const QString caption = tr("Error");
    if (m_boxes)
        m_boxes->error(window(), caption, text);
    else
        emit showMessage(text, caption, int(QMessageBox::Critical));
}

} // namespace hzm
