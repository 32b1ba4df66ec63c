// The four tab pages at the platform's default font: no clipped text, no overlapping controls,
// the template's tab order. With HZM_SCREENSHOT_DIR set, each page is also saved as a PNG.

#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "OutputsPage.h"
#include "SystemPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

using namespace hzm;

namespace {

// Room the text of a control needs inside the control.
int neededWidth(QWidget *w) {
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->fontMetrics().horizontalAdvance(label->text());
    if (qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w))
        return w->sizeHint().width();
    if (auto *push = qobject_cast<QPushButton *>(w))
        return push->fontMetrics().horizontalAdvance(push->text()) + 4;
    if (auto *group = qobject_cast<QGroupBox *>(w))
        return group->fontMetrics().horizontalAdvance(group->title()) + 8;
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = qMax(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
        return widest + 20; // the arrow
    }
    return 0;
}

QString describe(QWidget *w) {
    QString text;
    if (auto *label = qobject_cast<QLabel *>(w))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        text = button->text();
    else if (auto *group = qobject_cast<QGroupBox *>(w))
        text = group->title();
    return QStringLiteral("%1 '%2' %3,%4 %5x%6")
        .arg(QString::fromLatin1(w->metaObject()->className()), text)
        .arg(w->x())
        .arg(w->y())
        .arg(w->width())
        .arg(w->height());
}

} // namespace

class PagesLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_settings = MixerSettings();
        m_modified = ModifiedFlag();
    }

    void layout_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("output");
        QTest::newRow("inputs") << "inputs" << 0;
        QTest::newRow("outputs-zone1") << "outputs" << 0;
        QTest::newRow("outputs-zone5") << "outputs" << 4;
        QTest::newRow("outputs-group2") << "outputs" << 9;
        QTest::newRow("system") << "system" << 0;
        QTest::newRow("key") << "key" << 0;
    }

    void layout() {
        QFETCH(QString, page);
        QFETCH(int, output);
        m_settings.selectedOutput = output;
        std::unique_ptr<TabPage> w;
        if (page == QLatin1String("inputs")) {
            auto *p = new InputsPage(m_settings, m_modified);
            p->refresh();
            w.reset(p);
        } else if (page == QLatin1String("outputs")) {
            auto *p = new OutputsPage(m_settings, m_modified);
            p->refresh();
            w.reset(p);
        } else if (page == QLatin1String("system")) {
            auto *p = new SystemPage(m_settings, m_modified);
            p->refresh();
            w.reset(p);
        } else {
            w.reset(new InstallerKeyPage(m_settings, m_modified));
        }
        w->resize(w->minimumSize());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));

        QList<QWidget *> shown;
        for (QObject *child : w->children()) {
            auto *c = qobject_cast<QWidget *>(child);
            if (c && c->isVisibleTo(w.get()))
                shown << c;
        }
        QVERIFY(!shown.isEmpty());
        for (QWidget *c : std::as_const(shown)) {
            QVERIFY2(c->width() >= neededWidth(c), qPrintable(QStringLiteral("clipped: ") + describe(c)));
            QVERIFY2(w->rect().contains(c->geometry()) ||
                         c->property("controlId").toInt() == InstallerKeyPage::Heading,
                     qPrintable(QStringLiteral("outside the page: ") + describe(c)));
        }
        // Controls may lie on a frame but not on each other.
        for (int i = 0; i < shown.size(); ++i) {
            for (int j = i + 1; j < shown.size(); ++j) {
                QWidget *a = shown[i];
                QWidget *b = shown[j];
                if (qobject_cast<QGroupBox *>(a) || qobject_cast<QGroupBox *>(b))
                    continue;
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(QStringLiteral("overlap: ") + describe(a) + QStringLiteral(" / ") +
                                    describe(b)));
            }
        }
        // A control inside a frame stays inside it.
        for (QWidget *frame : std::as_const(shown)) {
            if (!qobject_cast<QGroupBox *>(frame))
                continue;
            for (QWidget *c : std::as_const(shown)) {
                if (c == frame || !frame->geometry().intersects(c->geometry()))
                    continue;
                if (qobject_cast<QGroupBox *>(c) && c->geometry().contains(frame->geometry()))
                    continue; // the outer frame
                const QRect inner = frame->geometry().adjusted(1, 1, -1, -1);
                QVERIFY2(inner.contains(c->geometry()),
                         qPrintable(QStringLiteral("across a frame: ") + describe(c) + QStringLiteral(" / ") +
                                    describe(frame)));
            }
        }

        const QString dir = qEnvironmentVariable("HZM_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(QTest::currentDataTag()) +
                                   QStringLiteral(".png")));
        }
    }

    // The Tab key walks the controls in template order (labels and frames are skipped).
    void tabOrder_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("inputs") << "inputs"
                                << QList<int>{InputsPage::Selector, InputsPage::SendInput,
                                              InputsPage::SendAllInputs, InputsPage::Name, InputsPage::Gain};
        QList<int> outputs = {
            OutputsPage::Selector,      OutputsPage::SendOutput, OutputsPage::SendAllOutputs,
            OutputsPage::Name,          OutputsPage::Level,      OutputsPage::SelectInput,
            OutputsPage::PriorityInput, OutputsPage::OutputType, OutputsPage::MaxLevel,
            OutputsPage::PagePriority,  OutputsPage::MinLevel};
        for (int id = OutputsPage::Member1; id <= OutputsPage::Enabled; ++id)
            outputs << id;
        for (int id : {OutputsPage::MicInput1, OutputsPage::MicInput2, OutputsPage::MicInput3,
                       OutputsPage::MicInput4, OutputsPage::LineEnable1, OutputsPage::LineEnable2,
                       OutputsPage::LineEnable3, OutputsPage::LineEnable4, OutputsPage::LineEnable5,
                       OutputsPage::LineEnable6, OutputsPage::LineEnable7, OutputsPage::LineEnable8,
                       OutputsPage::MicPriority1, OutputsPage::MicPriority2, OutputsPage::MicPriority3,
                       OutputsPage::MicPriority4, OutputsPage::Treble, OutputsPage::Mid, OutputsPage::Bass})
            outputs << id;
        QTest::newRow("outputs") << "outputs" << outputs;
        QTest::newRow("key") << "key"
                             << QList<int>{InstallerKeyPage::OldKey, InstallerKeyPage::NewKey,
                                           InstallerKeyPage::RepeatKey, InstallerKeyPage::SendKey};
    }
    void tabOrder() {
        QFETCH(QString, page);
        QFETCH(QList<int>, ids);
        std::unique_ptr<TabPage> w;
        if (page == QLatin1String("inputs"))
            w.reset(new InputsPage(m_settings, m_modified));
        else if (page == QLatin1String("outputs"))
            w.reset(new OutputsPage(m_settings, m_modified));
        else
            w.reset(new InstallerKeyPage(m_settings, m_modified));
        QList<int> chain;
        for (QWidget *c = w->nextInFocusChain(); c && c != w.get(); c = c->nextInFocusChain()) {
            if (c->parentWidget() == w.get() && (c->focusPolicy() & Qt::TabFocus) && ControlIdOf(c))
                chain << ControlIdOf(c);
        }
        QCOMPARE(chain, ids);
    }

private:
    MixerSettings m_settings;
    ModifiedFlag m_modified;
};

QTEST_MAIN(PagesLayoutTest)
#include "tst_pages_layout.moc"
