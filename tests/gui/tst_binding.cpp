// The binding tables on real widgets: every row wired to its page's control by the user's own
// signal, bit fields that keep the bits outside their mask, compare-before-write, and the name
// box's validation with the beep and the old text shown again.

#include "ControlBinding.h"
#include "InputsPage.h"
#include "OutputsPage.h"
#include "SystemPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace hzm;

class BindingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_beeps = 0; }

    void checkBoxBits_data() {
        QTest::addColumn<int>("controlId");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("state"); // Qt::CheckState
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("tick Mic 3 on 3") << int(SystemPage::MicGate3) << 3 << int(Qt::Checked) << 7 << 1;
        QTest::newRow("clear Mic 3 on 7") << int(SystemPage::MicGate3) << 7 << int(Qt::Unchecked) << 3 << 1;
        QTest::newRow("tick keeps bits 0,1,3")
            << int(SystemPage::MicGate3) << 0xFB << int(Qt::Checked) << 0xFF << 1;
        QTest::newRow("clear keeps bits 0,1,3")
            << int(SystemPage::MicGate3) << 0xFF << int(Qt::Unchecked) << 0xFB << 1;
        QTest::newRow("tick already set") << int(SystemPage::MicGate3) << 4 << int(Qt::Checked) << 4 << 0;
        QTest::newRow("indeterminate is not ticked")
            << int(SystemPage::MicGate3) << 7 << int(Qt::PartiallyChecked) << 3 << 1;
        QTest::newRow("bits above the byte kept")
            << int(SystemPage::MicGate4) << 0x108 << int(Qt::Unchecked) << 0x100 << 1;
        QTest::newRow("Mic 1 on 0") << int(SystemPage::MicGate1) << 0 << int(Qt::Checked) << 1 << 1;
        QTest::newRow("Mic 4 clear on 0") << int(SystemPage::MicGate4) << 0 << int(Qt::Unchecked) << 0 << 0;
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
        const int reported = UpdateBoundField(&box, FindBinding(kSystemTable, controlId), &sys, m_beep);
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
        QTest::newRow("Input while Input") << int(SystemPage::AccessInput) << 1 << 1 << 0;
        QTest::newRow("Input while Output") << int(SystemPage::AccessInput) << 0 << 1 << 1;
        QTest::newRow("Output while Input") << int(SystemPage::AccessOutput) << 1 << 0 << 1;
        QTest::newRow("Output while 5") << int(SystemPage::AccessOutput) << 5 << 0 << 1;
        QTest::newRow("N/O while N/C") << int(SystemPage::MuteNormallyOpen) << 0 << 1 << 1;
        QTest::newRow("N/C while N/C") << int(SystemPage::MuteNormallyClosed) << 0 << 0 << 0;
    }
    void radioButtons() {
        QFETCH(int, controlId);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        int &field = controlId < SystemPage::MicGate1 ? sys.accessContacts : sys.muteContacts;
        field = before;
        QRadioButton radio;
        radio.setChecked(false); // the state is not asked
        const int reported = UpdateBoundField(&radio, FindBinding(kSystemTable, controlId), &sys, m_beep);
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
        const int reported =
            UpdateBoundField(&combo, FindBinding(kSystemTable, SystemPage::MicPriorityHold), &sys, m_beep);
        QCOMPARE(sys.micPriorityHold, after);
        QCOMPARE(reported, changed);
    }

    // The first row of a control counts; a control in no row, or a table that ends at its first
    // row, has none.
    void findBinding_data() {
        QTest::addColumn<int>("table"); // 0 the System table, 1 one ended by its first row, 2 twice
        QTest::addColumn<int>("controlId");
        QTest::addColumn<int>("row"); // -1 none
        QTest::newRow("first row") << 0 << int(SystemPage::QpmOffset) << 0;
        QTest::newRow("last row") << 0 << int(SystemPage::MuteSource) << 20;
        QTest::newRow("send button") << 0 << int(SystemPage::SendSystem) << -1;
        QTest::newRow("an Outputs control") << 0 << int(OutputsPage::Level) << -1;
        QTest::newRow("table ended at once") << 1 << int(SystemPage::MicGate3) << -1;
        QTest::newRow("twice: the first") << 2 << int(SystemPage::MicGate3) << 0;
    }
    void findBinding() {
        QFETCH(int, table);
        QFETCH(int, controlId);
        QFETCH(int, row);
        static const ControlBinding<SystemSettings> emptyFirst[] = {
            endRow<SystemSettings>(),
            bitRow(SystemPage::MicGate3, &SystemSettings::micGateMask, 4),
            endRow<SystemSettings>(),
        };
        static const ControlBinding<SystemSettings> twice[] = {
            bitRow(SystemPage::MicGate3, &SystemSettings::micGateMask, 4),
            bitRow(SystemPage::MicGate3, &SystemSettings::micGateMask, 8),
            endRow<SystemSettings>(),
        };
        const ControlBinding<SystemSettings> *rows = table == 0   ? kSystemTable
                                                     : table == 1 ? emptyFirst
                                                                  : twice;
        const ControlBinding<SystemSettings> *found = FindBinding(rows, controlId);
        QCOMPARE(found ? int(found - rows) : -1, row);
    }

    // Every row of every page's table names a control of its kind on its page, wired to the
    // signal of a user's action: the action writes the field and marks the settings modified.
    void everyRowWired_data() {
        QTest::addColumn<int>("table"); // 0 inputs, 1 outputs, 2 tone, 3 groups, 4 system
        QTest::addColumn<int>("row");
        const char *names[] = {"input", "output", "tone", "group", "system"};
        const int counts[] = {rowCount(kInputTable), rowCount(kOutputTable), rowCount(kToneTable),
                              rowCount(kGroupTable), rowCount(kSystemTable)};
        for (int t = 0; t < 5; ++t) {
            for (int r = 0; r < counts[t]; ++r)
                QTest::addRow("%s row %d", names[t], r) << t << r;
        }
    }
    void everyRowWired() {
        QFETCH(int, table);
        QFETCH(int, row);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        MixerSettings settings;
        ModifiedFlag modified;
        settings.selectedOutput = table == 3 ? 8 : 0; // Group 1, else Zone 1
        std::unique_ptr<TabPage> page;
        if (table == 0)
            page.reset(new InputsPage(settings, modified));
        else if (table == 4)
            page.reset(new SystemPage(settings, modified));
        else
            page.reset(new OutputsPage(settings, modified));
        page->refresh();
        switch (table) {
        case 0:
            QVERIFY(actAsUser(*page, kInputTable[row], settings.inputs[0]));
            break;
        case 1:
            QVERIFY(actAsUser(*page, kOutputTable[row], settings.zones[0]));
            break;
        case 2:
            QVERIFY(actAsUser(*page, kToneTable[row], settings.zoneEq[0]));
            break;
        case 3:
            QVERIFY(actAsUser(*page, kGroupTable[row], settings.groups[0]));
            break;
        default:
            QVERIFY(actAsUser(*page, kSystemTable[row], settings.system));
            break;
        }
        QCOMPARE(modified.value(), 1);
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
        const ControlBinding<ZoneSettings> *row = FindBinding(kOutputTable, OutputsPage::Name);
        QCOMPARE(UpdateBoundField(&edit, row, &zone, m_beep), changed);
        QCOMPARE(zone.name, stored);
        QCOMPARE(m_beeps, beeps);
        QCOMPARE(edit.text(), beeps ? QStringLiteral("Old") : typed); // a refused text is replaced
        // The replaced text finds the field equal: no change, no beep.
        QCOMPARE(UpdateBoundField(&edit, row, &zone, m_beep), 0);
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
        QCOMPARE(UpdateBoundField(&edit, FindBinding(table, 7), &input, m_beep), 1);
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
        QVERIFY(!FindBinding<GroupSettings>(nullptr, OutputsPage::Member1));
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
    template <typename R> static int rowCount(const ControlBinding<R> *table) {
        int n = 0;
        while (table[n].controlId != 0)
            ++n;
        return n;
    }

    // Changes the row's control the way a user would, to a state the record does not hold yet.
    // True when the field changed.
    template <typename R> static bool actAsUser(TabPage &page, const ControlBinding<R> &row, R &record) {
        switch (row.controlKind) {
        case ControlKind::CheckBox:
        case ControlKind::RadioButton: {
            auto *button = page.control<QAbstractButton>(row.controlId);
            if (!button)
                return false;
            if (row.controlKind == ControlKind::RadioButton)
                record.*(row.intField) = 99; // selecting it writes its value
            const int before = record.*(row.intField);
            button->click();
            if (record.*(row.intField) == before)
                button->click(); // the box showed the other state than the record holds
            return record.*(row.intField) != before;
        }
        case ControlKind::ComboBox: {
            auto *combo = page.control<QComboBox>(row.controlId);
            if (!combo || combo->count() < 2)
                return false;
            const int index = record.*(row.intField) == 1 ? 0 : 1;
            combo->setCurrentIndex(index);
            emit combo->activated(index);
            return record.*(row.intField) == index;
        }
        case ControlKind::EditBox: {
            auto *edit = page.control<QLineEdit>(row.controlId);
            if (!edit)
                return false;
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("Zz"));
            return record.*(row.textField) == QStringLiteral("Zz");
        }
        }
        return false;
    }

    int m_beeps = 0;
    BeepHook m_beep = [this] { ++m_beeps; };
};

QTEST_MAIN(BindingTest)
#include "tst_binding.moc"
