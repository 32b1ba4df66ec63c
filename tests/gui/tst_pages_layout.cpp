// The four tab pages in English, in German and at a large font: no clipped text, no control on
// another or beyond the frame it sits in, the pages' tab order. With HZM_SCREENSHOT_DIR set,
// each page is also saved as a PNG.

#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "OutputsPage.h"
#include "SystemPage.h"
#include "Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
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

    void cleanup() {
        QApplication::setFont(m_font);
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void layout_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("output");
        QTest::addColumn<QString>("variant"); // "", "German" or "large font"
        for (const char *variant : {"", "German", "large font"}) {
            const auto row = [variant](const char *name) {
                return &QTest::addRow("%s%s%s", name, *variant ? " " : "", variant);
            };
            *row("inputs") << "inputs" << 0 << variant;
            *row("outputs-zone1") << "outputs" << 0 << variant;
            *row("outputs-zone5") << "outputs" << 4 << variant;
            *row("outputs-group2") << "outputs" << 9 << variant;
            *row("system") << "system" << 0 << variant;
            *row("key") << "key" << 0 << variant;
        }
    }

    void layout() {
        QFETCH(QString, page);
        QFETCH(int, output);
        QFETCH(QString, variant);
        if (variant == QLatin1String("German"))
            QVERIFY(!installTranslations(qApp, QLocale(QStringLiteral("de_DE"))).isEmpty());
        if (variant == QLatin1String("large font")) {
            QFont large = m_font;
            large.setPointSizeF(m_font.pointSizeF() * 1.8);
            QApplication::setFont(large);
        }
        m_settings.selectedOutput = output;
        std::unique_ptr<TabPage> w;
        if (page == QLatin1String("inputs"))
            w = std::make_unique<InputsPage>(m_settings, m_modified);
        else if (page == QLatin1String("outputs"))
            w = std::make_unique<OutputsPage>(m_settings, m_modified);
        else if (page == QLatin1String("system"))
            w = std::make_unique<SystemPage>(m_settings, m_modified);
        else
            w = std::make_unique<InstallerKeyPage>(m_settings, m_modified);
        w->refresh();
        w->resize(w->minimumSizeHint());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));

        QList<QWidget *> shown;
        for (QWidget *c : w->findChildren<QWidget *>()) {
            if (c->isVisibleTo(w.get()) && (qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c) ||
                                            qobject_cast<QComboBox *>(c) || qobject_cast<QLineEdit *>(c) ||
                                            qobject_cast<QGroupBox *>(c)))
                shown << c;
        }
        QVERIFY(shown.size() >= 4);
        for (QWidget *c : std::as_const(shown)) {
            QVERIFY2(c->width() >= neededWidth(c) && c->height() >= c->minimumSizeHint().height(),
                     qPrintable(QStringLiteral("clipped: ") + describe(c)));
            // What leaves its frame or the page is cut off there.
            QVERIFY2(c->parentWidget()->rect().contains(c->geometry()),
                     qPrintable(QStringLiteral("beyond its frame: ") + describe(c)));
            for (QWidget *other : std::as_const(shown)) {
                QVERIFY2(other == c || other->parentWidget() != c->parentWidget() ||
                             !other->geometry().intersects(c->geometry()),
                         qPrintable(QStringLiteral("overlap: ") + describe(c) + QStringLiteral(" / ") +
                                    describe(other)));
            }
        }

        const QString dir = qEnvironmentVariable("HZM_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(QTest::currentDataTag()) +
                                   QStringLiteral(".png")));
        }
    }

    // The Tab key walks the controls in the order they have always had (labels and frames are skipped).
    void tabOrder_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("inputs") << "inputs"
                                << QStringList{"inputSelector", "sendInput", "sendAllInputs", "inputName",
                                               "inputGain"};
        QStringList outputs = {"outputSelector", "sendOutput",   "sendAllOutputs", "outputName",
                               "outputLevel",    "selectInput",  "priorityInput",  "outputType",
                               "maxLevel",       "pagePriority", "minLevel"};
        for (int i = 1; i <= 8; ++i)
            outputs << QStringLiteral("member%1").arg(i);
        outputs << QStringLiteral("groupEnabled");
        for (const char *name : {"micInput", "lineEnable", "micPriority"}) {
            for (int i = 1; i <= (name[0] == 'l' ? 8 : 4); ++i)
                outputs << QLatin1String(name) + QString::number(i);
        }
        outputs << QStringLiteral("treble") << QStringLiteral("mid") << QStringLiteral("bass");
        QTest::newRow("outputs") << "outputs" << outputs;
        QTest::newRow("key") << "key" << QStringList{"oldKey", "newKey", "repeatKey", "sendKey"};
    }
    void tabOrder() {
        QFETCH(QString, page);
        QFETCH(QStringList, names);
        std::unique_ptr<TabPage> w;
        if (page == QLatin1String("inputs"))
            w.reset(new InputsPage(m_settings, m_modified));
        else if (page == QLatin1String("outputs"))
            w.reset(new OutputsPage(m_settings, m_modified));
        else
            w.reset(new InstallerKeyPage(m_settings, m_modified));
        QStringList chain;
        for (QWidget *c = w->nextInFocusChain(); c && c != w.get(); c = c->nextInFocusChain()) {
            if (w->isAncestorOf(c) && (c->focusPolicy() & Qt::TabFocus) && !c->objectName().isEmpty())
                chain << c->objectName();
        }
        QCOMPARE(chain, names);
    }

private:
    MixerSettings m_settings;
    ModifiedFlag m_modified;
    const QFont m_font = QApplication::font();
};

QTEST_MAIN(PagesLayoutTest)
#include "tst_pages_layout.moc"
