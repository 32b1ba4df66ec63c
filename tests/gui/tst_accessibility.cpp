// For users of screen readers and dark themes: every control on every page is announced by a
// name of its own, and every coloured text stands out from its background on light and dark
// palettes alike, also after a switch between them.

#include "Contrast.h"
#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "LogWindow.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"
#include "PageControls.h"
#include "SystemPage.h"
#include "TransferDialog.h"

#include "protocol/MixerJobs.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QtTest>

#include <functional>
#include <memory>

using namespace hzm;

namespace {

QPalette lightPalette() {
    return QApplication::style()->standardPalette();
}

// A dark palette as desktops set it for the Fusion style.
QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(42, 42, 42));
    p.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(53, 53, 53));
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return p;
}

// What a screen reader says a control is. On Linux a combo box is named by its current entry,
// whatever its accessible name, so only the label it is labelled by names it.
QString spokenName(QAccessibleInterface *control) {
    const auto labels = control->relations(QAccessible::Label);
    for (const auto &label : labels) {
        const QString name = label.first->text(QAccessible::Name);
        if (!name.isEmpty())
            return name;
    }
    if (qobject_cast<QComboBox *>(control->object()))
        return control->object()->property("accessibleName").toString();
    return control->text(QAccessible::Name);
}

// The visible controls under an accessible object, with what they are announced as.
void collectControls(QAccessibleInterface *node, QList<std::pair<QWidget *, QString>> &found) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        auto *widget = qobject_cast<QWidget *>(child->object());
        if (qobject_cast<QComboBox *>(widget) || qobject_cast<QLineEdit *>(widget) ||
            qobject_cast<QAbstractButton *>(widget))
            found.append({widget, spokenName(child)});
        else
            collectControls(child, found);
    }
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(lightPalette());
    }
    void cleanup() { QApplication::setPalette(lightPalette()); }

    void everyControlHasANameOfItsOwn_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("output"); // the zone or group the Outputs page shows
        QTest::newRow("Inputs") << 0 << 0;
        QTest::newRow("Outputs, zone") << 1 << 0;
        QTest::newRow("Outputs, group") << 1 << kZoneCount;
        QTest::newRow("Installer Key") << 2 << 0;
        QTest::newRow("System") << 3 << 0;
    }
    void everyControlHasANameOfItsOwn() {
        QFETCH(int, page);
        QFETCH(int, output);
        MixerSettings settings;
        ModifiedFlag modified;
        settings.selectedOutput = output;
        std::unique_ptr<TabPage> shown;
        switch (page) {
        case 0:
            shown = std::make_unique<InputsPage>(settings, modified);
            break;
        case 1:
            shown = std::make_unique<OutputsPage>(settings, modified);
            break;
        case 2:
            shown = std::make_unique<InstallerKeyPage>(settings, modified);
            break;
        default:
            shown = std::make_unique<SystemPage>(settings, modified);
        }
        shown->refresh();
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));

        QList<std::pair<QWidget *, QString>> controls;
        collectControls(QAccessible::queryAccessibleInterface(shown.get()), controls);
        QVERIFY(controls.size() >= 4);
        QHash<QString, QString> said; // announcement -> object name
        for (const auto &[widget, name] : controls) {
            QVERIFY2(!name.isEmpty(), qPrintable(widget->objectName() + QLatin1String(" has no name")));
            QVERIFY2(!said.contains(name),
                     qPrintable(QStringLiteral("%1 and %2 are both announced as \"%3\"")
                                    .arg(said.value(name), widget->objectName(), name)));
            said.insert(name, widget->objectName());
        }
    }

    // Each coloured text measured against the background it is drawn on. The widgets are made
    // under the other palette first, so the colours must also follow a switch of theme.
    void colouredTextIsReadable_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void colouredTextIsReadable() {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? lightPalette() : darkPalette());
        MixerSettings settings;
        ModifiedFlag modified;
        ScriptedMessageBoxes boxes;
        TransferDialog transfer(LinkSelection(), settings, GetVersionJob(), boxes, nullptr);
        transfer.commandLabel()->setText(QStringLiteral("<SY,VQ/>"));
        transfer.responseLabel()->setText(QStringLiteral("<!/>"));
        transfer.setReplyRefused(true);
        InstallerKeyPage keys(settings, modified);
        keys.setMessageBoxes(&boxes);
        test::control<QLineEdit>(keys, "oldKey")->setText(QStringLiteral("0"));
        test::control<QLineEdit>(keys, "newKey")->setText(QStringLiteral("9"));
        test::control<QLineEdit>(keys, "repeatKey")->setText(QStringLiteral("9"));
        test::control<QPushButton>(keys, "sendKey")->click();
        LogWindow log;
        log.appendLine(QStringLiteral("<SY,VQ/>"), LogColour::Command);
        log.appendLine(QStringLiteral("<sy,vq,1.05/>"), LogColour::GoodReply);
        log.appendLine(QStringLiteral("No Response"), LogColour::Failure);
        log.flush();

        QApplication::setPalette(dark ? darkPalette() : lightPalette());
        QCoreApplication::processEvents();
        const QPalette logPalette = log.editor()->palette();
        const struct {
            const char *what;
            QColor text;
            QColor background;
        } measured[] = {
            {"command sent", transfer.commandLabel()->palette().color(QPalette::WindowText),
             transfer.commandLabel()->palette().color(QPalette::Window)},
            {"refusal", transfer.responseLabel()->palette().color(QPalette::WindowText),
             transfer.responseLabel()->palette().color(QPalette::Window)},
            {"old key", test::control<QLineEdit>(keys, "oldKey")->palette().color(QPalette::Text),
             test::control<QLineEdit>(keys, "oldKey")->palette().color(QPalette::Base)},
            {"new key", test::control<QLineEdit>(keys, "newKey")->palette().color(QPalette::Text),
             test::control<QLineEdit>(keys, "newKey")->palette().color(QPalette::Base)},
            {"log command", log.lineColour(0), logPalette.color(QPalette::Base)},
            {"log good reply", log.lineColour(1), logPalette.color(QPalette::Base)},
            {"log failure", log.lineColour(2), logPalette.color(QPalette::Base)},
        };
        for (const auto &m : measured) {
            const double ratio = ContrastRatio(m.text, m.background);
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2 on %3, %4:1")
                                                  .arg(QLatin1String(m.what), m.text.name(),
                                                       m.background.name(), QString::number(ratio, 'f', 2))));
        }
        // The colours keep their meaning: green commands, red refusals and rejected keys.
        QVERIFY(measured[0].text.greenF() > measured[0].text.redF());
        for (int i : {1, 2, 3})
            QVERIFY2(measured[i].text.redF() > measured[i].text.greenF(), measured[i].what);
        QCOMPARE(keys.keyTextColour(0), keys.rejectedColour());
        QCOMPARE(keys.keyTextColour(2), QApplication::palette().color(QPalette::Text));

        const QString shot = QStringLiteral("/tmp/hzm-%1-%2.png").arg(QLatin1String(dark ? "dark" : "light"));
        transfer.grab().save(shot.arg(QStringLiteral("transfer")));
        keys.grab().save(shot.arg(QStringLiteral("installer-key")));
        log.grab().save(shot.arg(QStringLiteral("log")));
        MainWindow window(boxes);
        for (int i = 0; i < window.tabs()->count(); ++i) {
            window.tabs()->setCurrentIndex(i);
            window.grab().save(shot.arg(QStringLiteral("tab%1").arg(i)));
        }
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
