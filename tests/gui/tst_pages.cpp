// The four tab pages on real widgets: refreshes that load without marking anything modified,
// edits that reach the record through the binding tables, the zone and group layouts, the
// installer key checks, and the send buttons' jobs.

#include "InputsPage.h"
#include "InstallerKeyPage.h"
#include "MessageBoxes.h"
#include "OutputsPage.h"
#include "PageControls.h"
#include "SystemPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

using namespace hzm;
using test::choose;

namespace {

QStringList items(QComboBox *combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_settings = MixerSettings();
        m_modified = ModifiedFlag();
        m_notices.clear();
        m_modified.setListener([this](int v) { m_notices << v; });
    }

    // ---- Inputs ----

    void inputsSelectorShowsInput() {
        m_settings.inputs[2].name = QStringLiteral("Bar");
        m_settings.inputs[2].gain = 5;
        InputsPage page(m_settings, m_modified);
        page.refresh();
        auto *selector = combo(page, "inputSelector");
        QCOMPARE(items(selector).size(), 8);
        QCOMPARE(selector->itemText(2), QStringLiteral("Input 3"));
        QCOMPARE(selector->currentIndex(), 0);
        choose(selector, 2);
        QCOMPARE(m_settings.selectedInput, 2);
        QCOMPARE(edit(page, "inputName")->text(), QStringLiteral("Bar"));
        QCOMPARE(combo(page, "inputGain")->currentIndex(), 5);
        QCOMPARE(combo(page, "inputGain")->currentText(), QStringLiteral("+7"));
        QVERIFY(m_notices.isEmpty()); // switching inputs is no edit
    }

    void inputsNameTyping() {
        InputsPage page(m_settings, m_modified);
        page.refresh();
        QLineEdit *name = edit(page, "inputName");
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Lobby"));
        QCOMPARE(m_settings.inputs[0].name, QStringLiteral("Lobby"));
        QCOMPARE(m_modified.value(), 1);
        const int notices = m_notices.size();
        QVERIFY(notices >= 1);
        QVERIFY(m_notices.last() == 1);
        // Typing the same text back changes nothing further.
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Lobby"));
        QCOMPARE(m_settings.inputs[0].name, QStringLiteral("Lobby"));
    }

    void inputsSeventeenthCharacter() {
        m_settings.inputs[0].name = QStringLiteral("ABCDEFGHIJKLMNOP");
        InputsPage page(m_settings, m_modified);
        ScriptedMessageBoxes boxes;
        page.setMessageBoxes(&boxes);
        page.refresh();
        QLineEdit *name = edit(page, "inputName");
        QCOMPARE(name->maxLength(), 16);
        name->setCursorPosition(16);
        QTest::keyClick(name, Qt::Key_Q);
        QCOMPARE(name->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(m_settings.inputs[0].name, QStringLiteral("ABCDEFGHIJKLMNOP"));
        QVERIFY(m_notices.isEmpty());
        // A pasted text with a tab is refused with the beep and the stored name returns.
        name->setCursorPosition(3);
        name->setSelection(3, 2);
        name->insert(QStringLiteral("\t"));
        QCOMPARE(boxes.beeps(), 1);
        QCOMPARE(name->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(m_settings.inputs[0].name, QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(m_modified.value(), 0);
    }

    // A stored name longer than 16 characters is shown whole; shortening it by one character is
    // refused like any other name over 16 characters, so its end is never lost unnoticed.
    void longStoredName_data() {
        QTest::addColumn<bool>("outputs");
        QTest::newRow("input") << false;
        QTest::newRow("zone") << true;
    }
    void longStoredName() {
        QFETCH(bool, outputs);
        const QString longName = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        const QString shortName = QStringLiteral("Short");
        m_settings.inputs[0].name = longName;
        m_settings.inputs[1].name = shortName;
        m_settings.zones[0].name = longName;
        m_settings.zones[1].name = shortName;
        std::unique_ptr<TabPage> page;
        if (outputs)
            page.reset(new OutputsPage(m_settings, m_modified));
        else
            page.reset(new InputsPage(m_settings, m_modified));
        ScriptedMessageBoxes boxes;
        page->setMessageBoxes(&boxes);
        const auto refresh = [&] {
            if (outputs)
                static_cast<OutputsPage *>(page.get())->refresh();
            else
                static_cast<InputsPage *>(page.get())->refresh();
        };
        refresh();
        QLineEdit *name = edit(*page, outputs ? "outputName" : "inputName");
        QCOMPARE(name->text(), longName);
        name->setCursorPosition(longName.size());
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(boxes.beeps(), 1);
        QCOMPARE(name->text(), longName);
        QCOMPARE(outputs ? m_settings.zones[0].name : m_settings.inputs[0].name, longName);
        QVERIFY(m_notices.isEmpty());
        // The next record's name gets the usual limit again.
        (outputs ? m_settings.selectedOutput : m_settings.selectedInput) = 1;
        refresh();
        QCOMPARE(name->text(), shortName);
        QCOMPARE(name->maxLength(), 16);
    }

    void inputsGainReselect() {
        InputsPage page(m_settings, m_modified);
        page.refresh();
        QComboBox *gain = combo(page, "inputGain");
        choose(gain, m_settings.inputs[0].gain);
        QCOMPARE(m_modified.value(), 0);
        QVERIFY(m_notices.isEmpty());
        choose(gain, 0);
        QCOMPARE(m_settings.inputs[0].gain, 0);
        QCOMPARE(m_notices, QList<int>{1});
        // The keyboard is a user's choice too.
        gain->setFocus();
        QTest::keyClick(gain, Qt::Key_Down);
        QCOMPARE(m_settings.inputs[0].gain, 1);
    }

    void inputsGainOutsideList_data() {
        QTest::addColumn<int>("gain");
        QTest::newRow("-1") << -1;
        QTest::newRow("25") << 25;
    }
    void inputsGainOutsideList() {
        QFETCH(int, gain);
        m_settings.inputs[0].gain = gain;
        InputsPage page(m_settings, m_modified);
        page.refresh();
        QCOMPARE(combo(page, "inputGain")->currentIndex(), -1);
        QCOMPARE(m_settings.inputs[0].gain, gain);
    }

    void inputsSendButtons() {
        InputsPage page(m_settings, m_modified);
        page.refresh();
        QList<TransferJob> jobs;
        page.setJobRunner([&jobs](const TransferJob &job) { jobs << job; });
        page.setTransferButtonsEnabled(false);
        QTest::mouseClick(button(page, "sendInput"), Qt::LeftButton);
        QCOMPARE(jobs.size(), 0); // disabled buttons cannot be pressed
        page.setTransferButtonsEnabled(true);
        QTest::mouseClick(button(page, "sendInput"), Qt::LeftButton);
        QTest::mouseClick(button(page, "sendAllInputs"), Qt::LeftButton);
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(jobs[0].refreshTabs, 0);
        QVERIFY(jobs[1].run);
    }

    // ---- Outputs ----

    void outputsLayout_data() {
        QTest::addColumn<int>("output");
        QTest::newRow("zone 1") << 0;
        QTest::newRow("zone 4") << 3;
        QTest::newRow("group 1") << 8;
        QTest::newRow("group 2") << 9;
        QTest::newRow("group 4") << 11;
        QTest::newRow("zone 8") << 7;
    }
    void outputsLayout() {
        QFETCH(int, output);
        OutputsPage page(m_settings, m_modified);
        page.show();
        page.refresh();
        // Come from the other layout, so that every switch is exercised.
        choose(combo(page, "outputSelector"), output < 8 ? 9 : 3);
        choose(combo(page, "outputSelector"), output);
        const bool group = output >= 8;
        QCOMPARE(m_settings.selectedOutput, output);
        QCOMPARE(combo(page, "outputSelector")->currentIndex(), output);
        QCOMPARE(captionOf(page, edit(page, "outputName"))->text(),
                 group ? QStringLiteral("Group name:") : QStringLiteral("Zone name:"));
        const QStringList zoneOnly = {"outputType",   "maxLevel", "minLevel",
                                      "pagePriority", "eqFrame",  "treble"};
        for (const QString &name : zoneOnly + QStringList{"groupMembers", "member5", "groupEnabled"}) {
            QWidget *shown = test::control(page, name);
            QVERIFY2(shown->isVisible() == (zoneOnly.contains(name) != group), qPrintable(name));
            if (const QLabel *caption = captionOf(page, shown)) // the caption comes and goes with it
                QCOMPARE(caption->isVisible(), shown->isVisible());
        }
        QStringList inputs = {"1", "2", "3", "4", "5", "6", "7", "8"};
        if (group)
            inputs << QStringLiteral("Off");
        QCOMPARE(items(combo(page, "selectInput")), inputs);
        QVERIFY(m_notices.isEmpty());
    }

    void outputsSourceInputOff() {
        m_settings.zones[2].sourceInput = 8; // from a file
        m_settings.zones[9].sourceInput = 8;
        m_settings.selectedOutput = 2;
        OutputsPage page(m_settings, m_modified);
        page.refresh();
        QCOMPARE(combo(page, "selectInput")->currentText(), QStringLiteral("1"));
        QCOMPARE(m_settings.zones[2].sourceInput, 8);
        choose(combo(page, "outputSelector"), 9);
        QCOMPARE(combo(page, "selectInput")->currentText(), QStringLiteral("Off"));
        choose(combo(page, "selectInput"), 3);
        QCOMPARE(m_settings.zones[9].sourceInput, 3);
        QCOMPARE(m_modified.value(), 1);
    }

    void outputsOutputType_data() {
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("stereo");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zone 1 stereo") << 0 << 1 << true << "Stereo";
        QTest::newRow("zone 2 mono") << 1 << 0 << true << "Mono";
        QTest::newRow("zone 2 odd value") << 1 << 5 << true << "Stereo";
        QTest::newRow("zone 3 stereo") << 2 << 1 << false << "Mono";
        QTest::newRow("zone 8 stereo") << 7 << 1 << false << "Mono";
    }
    void outputsOutputType() {
        QFETCH(int, zone);
        QFETCH(int, stereo);
        QFETCH(bool, enabled);
        QFETCH(QString, shown);
        m_settings.zones[size_t(zone)].stereo = stereo;
        m_settings.selectedOutput = zone;
        OutputsPage page(m_settings, m_modified);
        page.refresh();
        QComboBox *type = combo(page, "outputType");
        QCOMPARE(type->isEnabled(), enabled);
        QCOMPARE(type->currentText(), shown);
        QCOMPARE(m_settings.zones[size_t(zone)].stereo, stereo);
        if (enabled) {
            const int other = type->currentIndex() == 1 ? 0 : 1;
            choose(type, other);
            QCOMPARE(m_settings.zones[size_t(zone)].stereo, other);
            QCOMPARE(m_modified.value(), 1);
        }
    }

    void outputsMicInputBit() {
        m_settings.zones[0].micInputMask = 0x9;
        OutputsPage page(m_settings, m_modified);
        page.refresh();
        QCheckBox *mic3 = check(page, "micInput3");
        QVERIFY(!mic3->isChecked());
        QVERIFY(check(page, "micInput1")->isChecked());
        mic3->click();
        QCOMPARE(m_settings.zones[0].micInputMask, 0xD);
        QCOMPARE(m_notices, QList<int>{1});
        mic3->click();
        QCOMPARE(m_settings.zones[0].micInputMask, 0x9);
        QCOMPARE(m_settings.zones[0].micPriorityMask, 0);
    }

    void outputsGroupMember() {
        m_settings.selectedOutput = 8;
        OutputsPage page(m_settings, m_modified);
        page.show();
        page.refresh();
        check(page, "member5")->click(); // "Zone 5"
        QCOMPARE(m_settings.groups[0].memberMask, 16);
        for (int g = 1; g < kGroupCount; ++g)
            QCOMPARE(m_settings.groups[size_t(g)].memberMask, 0);
        QCOMPARE(m_settings.zones[8].lineInputMask, 255);
        check(page, "groupEnabled")->click(); // "Enabled"
        QCOMPARE(m_settings.groups[0].enabled, 1);
        // Back on group 1 after a zone: the boxes show the record.
        choose(combo(page, "outputSelector"), 0);
        choose(combo(page, "outputSelector"), 8);
        QVERIFY(check(page, "member5")->isChecked());
        QVERIFY(check(page, "groupEnabled")->isChecked());
        QVERIFY(!check(page, "member1")->isChecked());
    }

    void outputsToneOnZoneOnly() {
        m_settings.selectedOutput = 4;
        OutputsPage page(m_settings, m_modified);
        page.refresh();
        choose(combo(page, "mid"), 0);
        QCOMPARE(m_settings.zoneEq[4].mid, 0);
        QCOMPARE(items(combo(page, "treble")).first(), QStringLiteral("+14"));
        QCOMPARE(combo(page, "treble")->count(), 15);
    }

    void outputsSameLevelAgain() {
        OutputsPage page(m_settings, m_modified);
        page.refresh();
        choose(combo(page, "outputLevel"), m_settings.zones[0].level);
        QVERIFY(m_notices.isEmpty());
        QCOMPARE(m_modified.value(), 0);
    }

    void outputsValuesOutsideLists() {
        m_settings.zones[0].level = -1;
        m_settings.zones[0].pagePriority = 3;
        m_settings.zones[0].priorityInput = -1;
        m_settings.zoneEq[0].bass = 15;
        OutputsPage page(m_settings, m_modified);
        page.refresh();
        QCOMPARE(combo(page, "outputLevel")->currentIndex(), -1);
        QCOMPARE(combo(page, "pagePriority")->currentIndex(), -1);
        QCOMPARE(combo(page, "priorityInput")->currentIndex(), -1);
        QCOMPARE(combo(page, "bass")->currentIndex(), -1);
        QCOMPARE(combo(page, "maxLevel")->currentIndex(), m_settings.zones[0].maxLevel);
        QCOMPARE(combo(page, "minLevel")->currentText(), QStringLiteral("MUTE"));
        QCOMPARE(combo(page, "treble")->currentText(), QStringLiteral("0"));
        QCOMPARE(m_settings.zones[0].level, -1);
    }

    void outputsRefreshMarksNothing() {
        for (int s = 0; s < kOutputCount; ++s)
            m_settings.zones[size_t(s)].name = QStringLiteral("Out %1").arg(s);
        OutputsPage page(m_settings, m_modified);
        for (int s = 0; s < kOutputCount; ++s) {
            m_settings.selectedOutput = s;
            page.refresh();
            QCOMPARE(edit(page, "outputName")->text(), QStringLiteral("Out %1").arg(s));
        }
        QVERIFY(m_notices.isEmpty());
    }

    // ---- Every bound field ----

    // An edit reports its field: the name the user knows it by, with the zone, group or input it
    // belongs to, and its values before and after. Setting the value before back, as Undo will,
    // shows it again and reports no edit: the same action then makes the same edit once more.
    void fieldEdits_data() {
        QTest::addColumn<int>("page");   // 0 Inputs, 1 Outputs, 3 System
        QTest::addColumn<int>("record"); // the input or output shown; -1 none
        QTest::addColumn<QString>("control");
        QTest::addColumn<QVariant>("choice"); // the value of a combo entry, a text to type, or a click
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<QVariant>("after");
        QTest::newRow("zone level") << 1 << 1 << "outputLevel" << QVariant(5) << "Zone 2 Level (dB)"
                                    << QVariant(61) << QVariant(5);
        QTest::newRow("zone tone") << 1 << 4 << "bass" << QVariant(3) << "Zone 5 Bass (dB)" << QVariant(7)
                                   << QVariant(3);
        QTest::newRow("text said twice") << 1 << 0 << "micPriority2" << QVariant()
                                         << "Zone 1 Mic Priority Mic 2" << QVariant(0) << QVariant(2);
        QTest::newRow("group member") << 1 << 9 << "member3" << QVariant() << "Group 2 Group Members Zone 3"
                                      << QVariant(0) << QVariant(4);
        QTest::newRow("group input Off")
            << 1 << 8 << "selectInput" << QVariant(8) << "Group 1 Select Input" << QVariant(0) << QVariant(8);
        QTest::newRow("input name") << 0 << 2 << "inputName" << QVariant(QStringLiteral("Lobby"))
                                    << "Input 3 Input Name" << QVariant(QStringLiteral("Input 3"))
                                    << QVariant(QStringLiteral("Lobby"));
        QTest::newRow("mic gate") << 3 << -1 << "micGate2" << QVariant() << "Mic Gates Mic 2" << QVariant(15)
                                  << QVariant(13);
        QTest::newRow("radio button") << 3 << -1 << "accessOutput" << QVariant() << "Access Contacts Output"
                                      << QVariant(1) << QVariant(0);
        QTest::newRow("paging hold") << 3 << -1 << "pagingHold" << QVariant(5)
                                     << "Paging Mic Priority Hold (s)" << QVariant(2) << QVariant(5);
    }
    void fieldEdits() {
        QFETCH(int, page);
        QFETCH(int, record);
        QFETCH(QString, control);
        QFETCH(QVariant, choice);
        QFETCH(QString, name);
        QFETCH(QVariant, before);
        QFETCH(QVariant, after);
        (page == 0 ? m_settings.selectedInput : m_settings.selectedOutput) = record;
        std::unique_ptr<TabPage> shown;
        if (page == 0)
            shown = std::make_unique<InputsPage>(m_settings, m_modified);
        else if (page == 1)
            shown = std::make_unique<OutputsPage>(m_settings, m_modified);
        else
            shown = std::make_unique<SystemPage>(m_settings, m_modified);
        shown->refresh();
        QList<FieldEdit> edits;
        connect(shown.get(), &TabPage::fieldEdited, this, [&edits](const FieldEdit &edit) { edits << edit; });
        QWidget *widget = test::control(*shown, control);
        const auto act = [&] {
            edits.clear();
            if (auto *combo = qobject_cast<QComboBox *>(widget)) {
                choose(combo, choice.toInt());
            } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
                edit->selectAll();
                QTest::keyClicks(edit, choice.toString()); // one edit a key
            } else {
                qobject_cast<QAbstractButton *>(widget)->click();
            }
        };
        for (int round = 0; round < 2; ++round) {
            act();
            QVERIFY(!edits.isEmpty());
            QCOMPARE(edits.first().before, before);
            QCOMPARE(edits.last().after, after);
            for (const FieldEdit &edit : std::as_const(edits)) {
                QCOMPARE(edit.name, name);
                QCOMPARE(edit.record, record);
                QCOMPARE(edit.control, edits.first().control);
            }
            QCOMPARE(m_modified.value(), 1);
            m_modified.set(0);
            QVERIFY(shown->setFieldValue(edits.first().control, before));
            QCOMPARE(m_modified.value(), 1);
            QVERIFY(!shown->setFieldValue(edits.first().control, before)); // nothing left to change
            QCOMPARE(edits.size(), control == QLatin1String("inputName") ? 5 : 1);
        }
    }

    // ---- System ----

    void systemLists() {
        SystemPage page(m_settings, m_modified);
        QComboBox *level = combo(page, "muteLevel");
        QCOMPARE(level->count(), 70);
        QCOMPARE(level->itemText(0), QStringLiteral("0"));
        QCOMPARE(level->itemText(69), QStringLiteral("-69"));
        const QStringList sources = {"OFF",     "Input 1", "Input 2", "Input 3", "Input 4",
                                     "Input 5", "Input 6", "Input 7", "Input 8", "Mic 1",
                                     "Mic 2",   "Mic 3",   "Mic 4"};
        QCOMPARE(items(combo(page, "muteSource")), sources);
        QCOMPARE(combo(page, "qpmOffset")->count(), 16);
        QCOMPARE(combo(page, "pagingAttenuation")->count(), 47);
        QCOMPARE(combo(page, "pagingAttenuation")->itemText(46), QStringLiteral("-46"));
        QCOMPARE(combo(page, "qrcZoneOffset")->itemText(15), QStringLiteral("120"));
        QCOMPARE(items(combo(page, "powerUpMode")), (QStringList{"Factory", "Default", "Last"}));
        for (const char *name : {"pagingHold", "pagingRelease", "micPriorityHold", "micPriorityRelease",
                                 "linePriorityHold", "linePriorityRelease"})
            QCOMPARE(items(combo(page, name)).last(), QStringLiteral("12"));
    }

    void systemEdits_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("value"); // of the combo entry to choose, or -1 to click the button
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("modified");
        QTest::newRow("mic priority hold 2") << "micPriorityHold" << 1 << 2 << 1 << true;
        QTest::newRow("mute source Mic 1") << "muteSource" << 9 << 15 << 9 << true;
        QTest::newRow("same QPM offset") << "qpmOffset" << 0 << 4 << 0 << false;
        QTest::newRow("Input while Input") << "accessInput" << -1 << 5 << 1 << false;
        QTest::newRow("Output") << "accessOutput" << -1 << 5 << 0 << true;
        QTest::newRow("N/O while N/O") << "muteNormallyOpen" << -1 << 13 << 1 << false;
        QTest::newRow("N/C") << "muteNormallyClosed" << -1 << 13 << 0 << true;
        QTest::newRow("Mic 3 gate off") << "micGate3" << -1 << 0 << 11 << true;
    }
    void systemEdits() {
        QFETCH(QString, control);
        QFETCH(int, value);
        QFETCH(int, field);
        QFETCH(int, stored);
        QFETCH(bool, modified);
        SystemPage page(m_settings, m_modified);
        page.refresh();
        if (value >= 0)
            choose(combo(page, control), value);
        else
            test::control<QAbstractButton>(page, control)->click();
        QCOMPARE(m_settings.system.field(field), stored);
        QCOMPARE(m_modified.value(), modified ? 1 : 0);
        QCOMPARE(m_notices, modified ? QList<int>{1} : QList<int>{});
    }

    void systemMicGate() {
        m_settings.system.micGateMask = 3;
        SystemPage page(m_settings, m_modified);
        page.refresh();
        QVERIFY(!check(page, "micGate3")->isChecked());
        check(page, "micGate3")->click();
        QCOMPARE(m_settings.system.micGateMask, 7);
        QCOMPARE(m_notices, QList<int>{1});
    }

    void systemRadioPairsIndependent() {
        m_settings.system.accessContacts = 1;
        m_settings.system.muteContacts = 0;
        SystemPage page(m_settings, m_modified);
        page.refresh();
        QVERIFY(radio(page, "accessInput")->isChecked());
        QVERIFY(!radio(page, "accessOutput")->isChecked());
        QVERIFY(radio(page, "muteNormallyClosed")->isChecked());
        radio(page, "muteNormallyOpen")->click();
        QVERIFY(radio(page, "accessInput")->isChecked());
        QCOMPARE(m_settings.system.accessContacts, 1);
        QCOMPARE(m_settings.system.muteContacts, 1);
        // Any value but 1 shows "Output".
        m_settings.system.accessContacts = 7;
        page.refresh();
        QVERIFY(radio(page, "accessOutput")->isChecked());
        QVERIFY(!radio(page, "accessInput")->isChecked());
    }

    void systemValuesOutsideLists() {
        m_settings.system.remoteZoneOffset = -1;
        m_settings.system.muteLevel = 70;
        SystemPage page(m_settings, m_modified);
        page.refresh();
        QCOMPARE(combo(page, "qrcZoneOffset")->currentIndex(), -1);
        QCOMPARE(combo(page, "muteLevel")->currentIndex(), -1);
        QCOMPARE(combo(page, "powerUpMode")->currentText(), QStringLiteral("Last"));
        QVERIFY(m_notices.isEmpty());
    }

    void systemSendDisabled() {
        SystemPage page(m_settings, m_modified);
        QList<TransferJob> jobs;
        page.setJobRunner([&jobs](const TransferJob &job) { jobs << job; });
        page.setTransferButtonsEnabled(false);
        QVERIFY(!button(page, "sendSystem")->isEnabled());
        QTest::mouseClick(button(page, "sendSystem"), Qt::LeftButton);
        QCOMPARE(jobs.size(), 0);
        page.setTransferButtonsEnabled(true);
        QTest::mouseClick(button(page, "sendSystem"), Qt::LeftButton);
        QCOMPARE(jobs.size(), 1);
    }

    // ---- Installer key ----

    void installerKey_data() {
        QTest::addColumn<QString>("oldKey");
        QTest::addColumn<QString>("newKey");
        QTest::addColumn<QString>("repeatKey");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("red");          // old, new, repeat: 1 = red
        QTest::addColumn<QString>("redAtMessage"); // the same while the message is shown
        const QString bad = QStringLiteral("\n Key must have four characters.\nOnly '1' to '8' allowed");
        QTest::newRow("short old key") << "123"
                                       << "5678"
                                       << "5678"
                                       << "Old Key invalid!" + bad << "100"
                                       << "100";
        QTest::newRow("9 in new key") << "1234"
                                      << "5679"
                                      << "5679"
                                      << "New Key invalid!" + bad << "010"
                                      << "010";
        QTest::newRow("both bad, differ") << "1230"
                                          << "5679"
                                          << "5678"
                                          << "Old Key invalid!" + bad << "111"
                                          << "100";
        QTest::newRow("both bad, equal") << "1230"
                                         << "5679"
                                         << "5679"
                                         << "Old Key invalid!" + bad << "110"
                                         << "100";
        QTest::newRow("mismatch") << "1234"
                                  << "5678"
                                  << "5668"
                                  << "New key and Repeat New \n Do not match."
                                  << "011"
                                  << "011";
        QTest::newRow("leading blank") << " 1234"
                                       << "5678"
                                       << "5678"
                                       << "Old Key invalid!" + bad << "100"
                                       << "100";
        QTest::newRow("trailing blank new") << "1234"
                                            << "567 "
                                            << "567 "
                                            << "New Key invalid!" + bad << "010"
                                            << "010";
        QTest::newRow("all good") << "1234"
                                  << "8765"
                                  << "8765"
                                  << ""
                                  << "000"
                                  << "";
    }
    void installerKey() {
        QFETCH(QString, oldKey);
        QFETCH(QString, newKey);
        QFETCH(QString, repeatKey);
        QFETCH(QString, message);
        QFETCH(QString, red);
        QFETCH(QString, redAtMessage);
        InstallerKeyPage page(m_settings, m_modified);
        // Records which boxes are red while the message is open.
        struct ColourBoxes : ScriptedMessageBoxes {
            InstallerKeyPage *page = nullptr;
            QStringList redAtMessage;
            void error(QWidget *parent, const QString &caption, const QString &text) override {
                QString marks;
                for (int i = 0; i < 3; ++i)
                    marks += page->keyTextColour(i) == page->rejectedColour() ? QLatin1Char('1')
                                                                              : QLatin1Char('0');
                redAtMessage << marks;
                ScriptedMessageBoxes::error(parent, caption, text);
            }
        } boxes;
        boxes.page = &page;
        page.setMessageBoxes(&boxes);
        QList<TransferJob> jobs;
        page.setJobRunner([&jobs](const TransferJob &job) { jobs << job; });
        // Red marks from an earlier press go at the next one.
        edit(page, "oldKey")->setText(QStringLiteral("x"));
        edit(page, "newKey")->setText(QStringLiteral("y"));
        button(page, "sendKey")->click();
        boxes.clear();
        boxes.redAtMessage.clear();

        edit(page, "oldKey")->setText(oldKey);
        edit(page, "newKey")->setText(newKey);
        edit(page, "repeatKey")->setText(repeatKey);
        QCOMPARE(edit(page, "oldKey")->echoMode(), QLineEdit::Password);
        button(page, "sendKey")->click();
        if (message.isEmpty()) {
            QVERIFY(boxes.shown().isEmpty());
            QCOMPARE(jobs.size(), 1);
        } else {
            QCOMPARE(boxes.shown().size(), 1);
            QCOMPARE(boxes.shown()[0].caption, QStringLiteral("Error"));
            QCOMPARE(boxes.shown()[0].kind, MessageBoxes::Kind::Error);
            QCOMPARE(boxes.shown()[0].text, message);
            QCOMPARE(boxes.redAtMessage, QStringList{redAtMessage});
            QCOMPARE(jobs.size(), 0);
        }
        const QColor normal = page.palette().color(QPalette::Text);
        const char *keyBoxes[] = {"oldKey", "newKey", "repeatKey"};
        for (int i = 0; i < 3; ++i) {
            const QColor expected = red[i] == QLatin1Char('1') ? page.rejectedColour() : normal;
            QCOMPARE(page.keyTextColour(i), expected);
            QCOMPARE(edit(page, keyBoxes[i])->palette().color(QPalette::Text), expected);
        }
        // The boxes are not cleared.
        QCOMPARE(edit(page, "oldKey")->text(), oldKey);
        QVERIFY(m_notices.isEmpty());
    }

    void installerKeyHeading() {
        InstallerKeyPage page(m_settings, m_modified);
        QLabel *heading = label(page, "keyHeading");
        QVERIFY(heading->font().bold());
        QCOMPARE(heading->font().pointSize(), 14);
        QCOMPARE(heading->alignment(), Qt::AlignLeft | Qt::AlignTop);
        const int width = heading->width();
        page.show();
        for (int pageWidth : {page.minimumWidth(), page.minimumWidth() + 200}) {
            page.resize(pageWidth, page.minimumHeight());
            QTRY_COMPARE(page.width(), pageWidth);
            const QFontMetrics metrics(heading->font());
            const int text = metrics.horizontalAdvance(heading->text() + QLatin1Char('W'));
            QCOMPARE(heading->x(), (pageWidth - text) / 2);
            QCOMPARE(heading->width(), width);
        }
    }

private:
    static QComboBox *combo(TabPage &page, const QString &name) { return find<QComboBox>(page, name); }
    static QLineEdit *edit(TabPage &page, const QString &name) { return find<QLineEdit>(page, name); }
    static QCheckBox *check(TabPage &page, const QString &name) { return find<QCheckBox>(page, name); }
    static QRadioButton *radio(TabPage &page, const QString &name) { return find<QRadioButton>(page, name); }
    static QPushButton *button(TabPage &page, const QString &name) { return find<QPushButton>(page, name); }
    static QLabel *label(TabPage &page, const QString &name) { return find<QLabel>(page, name); }
    // The control of that name, which no other widget of the page shares.
    template <typename W> static W *find(TabPage &page, const QString &name) {
        if (page.findChildren<QWidget *>(name).size() != 1)
            qFatal("%s is not the name of one control", qPrintable(name));
        return test::control<W>(page, name);
    }
    // The label that names control.
    static QLabel *captionOf(TabPage &page, const QWidget *control) {
        for (QLabel *label : page.findChildren<QLabel *>()) {
            if (label->buddy() == control)
                return label;
        }
        return nullptr;
    }

    MixerSettings m_settings;
    ModifiedFlag m_modified;
    QList<int> m_notices;
};

QTEST_MAIN(PagesTest)
#include "tst_pages.moc"
