// The binding tables on real widgets: which notification counts for which control kind, bit
// fields that keep the bits outside their mask, compare-before-write, and the name box's
// validation with the beep and the old text shown again.

#include "ControlBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

using namespace hzm;

class BindingTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_beeps = 0;
        SetBindingBeep([this] { ++m_beeps; });
    }
    void cleanup() { SetBindingBeep({}); }

    void checkBoxBits_data() {
        QTest::addColumn<int>("controlId");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("state"); // Qt::CheckState
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("tick Mic 3 on 3") << 1052 << 3 << int(Qt::Checked) << 7 << 1;
        QTest::newRow("clear Mic 3 on 7") << 1052 << 7 << int(Qt::Unchecked) << 3 << 1;
        QTest::newRow("tick keeps bits 0,1,3") << 1052 << 0xFB << int(Qt::Checked) << 0xFF << 1;
        QTest::newRow("clear keeps bits 0,1,3") << 1052 << 0xFF << int(Qt::Unchecked) << 0xFB << 1;
        QTest::newRow("tick already set") << 1052 << 4 << int(Qt::Checked) << 4 << 0;
        QTest::newRow("indeterminate is not ticked") << 1052 << 7 << int(Qt::PartiallyChecked) << 3 << 1;
        QTest::newRow("bits above the byte kept") << 1053 << 0x108 << int(Qt::Unchecked) << 0x100 << 1;
        QTest::newRow("Mic 1 on 0") << 1050 << 0 << int(Qt::Checked) << 1 << 1;
        QTest::newRow("Mic 4 clear on 0") << 1053 << 0 << int(Qt::Unchecked) << 0 << 0;
    }
    void checkBoxBits() {
        QFETCH(int, controlId);
        QFETCH(int, before);
        QFETCH(int, state);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        sys.micGateMask = before;
        QCheckBox box;
        box.setTristate(true);
        box.setCheckState(Qt::CheckState(state));
        int reported = 42;
        QCOMPARE(HandleBoundCommand(kSystemTable, &sys, &box, controlId, kClicked, reported), 1);
        QCOMPARE(sys.micGateMask, after);
        QCOMPARE(reported, changed);
        SystemSettings untouched;
        untouched.micGateMask = sys.micGateMask;
        QCOMPARE(sys, untouched); // nothing else written
    }

    void radioButtons_data() {
        QTest::addColumn<int>("controlId");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("Input while Input") << 1043 << 1 << 1 << 0;
        QTest::newRow("Input while Output") << 1043 << 0 << 1 << 1;
        QTest::newRow("Output while Input") << 1044 << 1 << 0 << 1;
        QTest::newRow("Output while 5") << 1044 << 5 << 0 << 1;
        QTest::newRow("N/O while N/C") << 1061 << 0 << 1 << 1;
        QTest::newRow("N/C while N/C") << 1062 << 0 << 0 << 0;
    }
    void radioButtons() {
        QFETCH(int, controlId);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        int &field = controlId < 1050 ? sys.accessContacts : sys.muteContacts;
        field = before;
        QRadioButton radio;
        radio.setChecked(false); // the state is not asked
        int reported = 42;
        QCOMPARE(HandleBoundCommand(kSystemTable, &sys, &radio, controlId, kClicked, reported), 1);
        QCOMPARE(field, after);
        QCOMPARE(reported, changed);
    }

    void comboBoxes_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("selection");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("same entry again") << 2 << 2 << 2 << 0;
        QTest::newRow("another entry") << 2 << 1 << 1 << 1;
        QTest::newRow("nothing selected") << 2 << -1 << -1 << 1;
        QTest::newRow("nothing selected on -1") << -1 << -1 << -1 << 0;
        QTest::newRow("entry after -1") << -1 << 0 << 0 << 1;
    }
    void comboBoxes() {
        QFETCH(int, before);
        QFETCH(int, selection);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        sys.micPriorityHold = before;
        QComboBox combo;
        FillComboFromList(&combo, {"1", "2", "3", "4"});
        combo.setCurrentIndex(selection);
        int reported = 42;
        QCOMPARE(HandleBoundCommand(kSystemTable, &sys, &combo, 1054, kSelectionChanged, reported), 1);
        QCOMPARE(sys.micPriorityHold, after);
        QCOMPARE(reported, changed);
    }

    // A notification that is not the change notification of the control's kind, a control that
    // is in no row, or an empty table: not handled, and changed is left alone.
    void notHandled_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("controlId");
        QTest::addColumn<int>("notification");
        QTest::newRow("selection change from a check box") << "check" << 1052 << int(kSelectionChanged);
        QTest::newRow("click from a combo box") << "combo" << 1054 << int(kClicked);
        QTest::newRow("edit change from a combo box") << "combo" << 1054 << int(kEditChanged);
        QTest::newRow("click from a radio with another code") << "radio" << 1043 << 5;
        QTest::newRow("unknown control") << "check" << 1059 << int(kClicked);
        QTest::newRow("send button") << "check" << 1060 << int(kClicked);
        QTest::newRow("empty table") << "empty" << 1052 << int(kClicked);
    }
    void notHandled() {
        QFETCH(QString, kind);
        QFETCH(int, controlId);
        QFETCH(int, notification);
        SystemSettings sys;
        sys.micGateMask = 0;
        const SystemSettings before = sys;
        QCheckBox check;
        check.setChecked(true);
        QComboBox combo;
        FillComboFromList(&combo, {"1", "2", "3"});
        combo.setCurrentIndex(0);
        QRadioButton radio;
        QWidget *control = kind == QLatin1String("combo")   ? static_cast<QWidget *>(&combo)
                           : kind == QLatin1String("radio") ? static_cast<QWidget *>(&radio)
                                                            : static_cast<QWidget *>(&check);
        static const ControlBinding<SystemSettings> emptyFirst[] = {
            endRow<SystemSettings>(),
            bitRow(1052, &SystemSettings::micGateMask, 4),
            endRow<SystemSettings>(),
        };
        const ControlBinding<SystemSettings> *table =
            kind == QLatin1String("empty") ? emptyFirst : kSystemTable;
        int reported = 42;
        QCOMPARE(HandleBoundCommand(table, &sys, control, controlId, notification, reported), 0);
        QCOMPARE(reported, 42);
        QCOMPARE(sys, before);
    }

    void idComparedAs16Bits() {
        SystemSettings sys;
        sys.micGateMask = 0;
        QCheckBox box;
        box.setChecked(true);
        int reported = 0;
        QCOMPARE(HandleBoundCommand(kSystemTable, &sys, &box, 0x10000 + 1051, kClicked, reported), 1);
        QCOMPARE(sys.micGateMask, 2);
    }

    // The name box bound with 17 characters and the label rule.
    void nameEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("beeps");
        QTest::newRow("sixteen printable") << "ABCDEFGHIJKLMNO~"
                                           << "ABCDEFGHIJKLMNO~" << 1 << 0;
        QTest::newRow("seventeenth character") << "ABCDEFGHIJKLMNOPQ"
                                               << "Old" << 0 << 1;
        QTest::newRow("a tab") << "Lobby\tBar"
                               << "Old" << 0 << 1;
        QTest::newRow("non-ASCII") << QString::fromUtf8("Caf\xc3\xa9") << "Old" << 0 << 1;
        QTest::newRow("same text") << "Old"
                                   << "Old" << 0 << 0;
        QTest::newRow("empty") << ""
                               << "" << 1 << 0;
        QTest::newRow("blank and tilde") << " ~"
                                         << " ~" << 1 << 0;
    }
    void nameEdit() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(int, changed);
        QFETCH(int, beeps);
        ZoneSettings zone;
        zone.name = QStringLiteral("Old");
        QLineEdit edit;
        edit.setText(typed);
        int reported = 42;
        QCOMPARE(HandleBoundCommand(kOutputTable, &zone, &edit, 1015, kEditChanged, reported), 1);
        QCOMPARE(zone.name, stored);
        QCOMPARE(reported, changed);
        QCOMPARE(m_beeps, beeps);
        QCOMPARE(edit.text(), beeps ? QStringLiteral("Old") : typed); // a refused text is replaced
        // The replaced text finds the field equal: no change, no beep.
        QCOMPARE(HandleBoundCommand(kOutputTable, &zone, &edit, 1015, kEditChanged, reported), 1);
        QCOMPARE(reported, 0);
        QCOMPARE(m_beeps, beeps);
    }

    // Edit boxes read at most 255 characters and keep at most the row's length; a text row
    // without a validator keeps the first 17 characters of a longer text.
    void textKeepsMaxLength() {
        static const ControlBinding<InputSettings> table[] = {
            textRow(7, &InputSettings::name, 17, nullptr),
            endRow<InputSettings>(),
        };
        InputSettings input;
        QLineEdit edit;
        edit.setText(QString(300, QLatin1Char('x')));
        int reported = 0;
        QCOMPARE(HandleBoundCommand(table, &input, &edit, 7, kEditChanged, reported), 1);
        QCOMPARE(reported, 1);
        QCOMPARE(input.name, QString(17, QLatin1Char('x')));
    }

    void applyCheckValue_data() {
        QTest::addColumn<int>("valueKind");
        QTest::addColumn<int>("checked");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("integer ticked") << int(ValueKind::Integer) << 1 << 9 << 1;
        QTest::newRow("integer clear") << int(ValueKind::Integer) << 0 << 3 << 1;
        QTest::newRow("choice ticked") << int(ValueKind::Choice) << 1 << 9 << 1;
        QTest::newRow("flag ticked") << int(ValueKind::Flag) << 1 << 1 << 1;
        QTest::newRow("flag clear") << int(ValueKind::Flag) << 0 << 0 << 1;
        QTest::newRow("text does nothing") << int(ValueKind::Text) << 1 << 5 << 0;
    }
    void applyCheckValue() {
        QFETCH(int, valueKind);
        QFETCH(int, checked);
        QFETCH(int, after);
        QFETCH(int, changed);
        const ControlBinding<GroupSettings> row = {
            1,      ControlKind::CheckBox, ValueKind(valueKind), &GroupSettings::enabled, nullptr, 3, 9, 0,
            nullptr};
        GroupSettings group;
        group.enabled = 5;
        QCOMPARE(ApplyCheckValue(&row, &group, checked), changed);
        QCOMPARE(group.enabled, after);
    }

    void missingArguments() {
        GroupSettings group;
        QCheckBox box;
        QCOMPARE(UpdateBoundField<GroupSettings>(nullptr, &kGroupTable[0], &group), 0);
        QCOMPARE(UpdateBoundField<GroupSettings>(&box, nullptr, &group), 0);
        QCOMPARE(UpdateBoundField<GroupSettings>(&box, &kGroupTable[0], nullptr), 0);
        int reported = 42;
        QCOMPARE(HandleBoundCommand<GroupSettings>(nullptr, &group, &box, 1067, kClicked, reported), 0);
        QCOMPARE(reported, 42);
    }

    void fillCombo() {
        QComboBox combo;
        combo.addItem(QStringLiteral("kept"));
        FillComboFromList(&combo, {"a", "b", "", "c"});
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.itemText(0), QStringLiteral("kept"));
        QCOMPARE(combo.itemText(2), QStringLiteral("b"));
        FillComboFromList(&combo, {"", "x"});
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.currentIndex(), 0); // filling selects nothing new
    }

private:
    int m_beeps = 0;
};

QTEST_MAIN(BindingTest)
#include "tst_binding.moc"
