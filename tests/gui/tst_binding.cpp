// The binding tables on real widgets: every row wired to its page's control by the user's own
// signal, bit fields that keep the bits outside their mask, compare-before-write, combo boxes that
// store their entry's value, and the name box's validation with the beep and the old text shown
// again.

#include "ControlBinding.h"
#include "InputsPage.h"
#include "OutputsPage.h"
#include "PageControls.h"
#include "SystemPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace hzm;

using SC = SystemPage::Control;

class BindingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_beeps = 0; }

    void checkBoxBits_data() {
        QTest::addColumn<SC>("control");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("state"); // Qt::CheckState
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("tick Mic 3 on 3") << SC::MicGate3 << 3 << int(Qt::Checked) << 7 << 1;
        QTest::newRow("clear Mic 3 on 7") << SC::MicGate3 << 7 << int(Qt::Unchecked) << 3 << 1;
        QTest::newRow("tick keeps bits 0,1,3") << SC::MicGate3 << 0xFB << int(Qt::Checked) << 0xFF << 1;
        QTest::newRow("clear keeps bits 0,1,3") << SC::MicGate3 << 0xFF << int(Qt::Unchecked) << 0xFB << 1;
        QTest::newRow("tick already set") << SC::MicGate3 << 4 << int(Qt::Checked) << 4 << 0;
        QTest::newRow("indeterminate is not ticked")
            << SC::MicGate3 << 7 << int(Qt::PartiallyChecked) << 3 << 1;
        QTest::newRow("bits above the byte kept")
            << SC::MicGate4 << 0x108 << int(Qt::Unchecked) << 0x100 << 1;
        QTest::newRow("Mic 1 on 0") << SC::MicGate1 << 0 << int(Qt::Checked) << 1 << 1;
        QTest::newRow("Mic 4 clear on 0") << SC::MicGate4 << 0 << int(Qt::Unchecked) << 0 << 0;
    }
    void checkBoxBits() {
        QFETCH(SC, control);
        QFETCH(int, before);
        QFETCH(int, state);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        sys.micGateMask = before;
        QCheckBox box;
        box.setTristate(true);
        box.setCheckState(Qt::CheckState(state));
        const int reported =
            UpdateBoundField(&box, FindBinding(SystemPage::bindings(), control), &sys, m_beep);
        QCOMPARE(sys.micGateMask, after);
        QCOMPARE(reported, changed);
        SystemSettings untouched;
        untouched.micGateMask = sys.micGateMask;
        QCOMPARE(sys, untouched); // nothing else written
    }

    void radioButtons_data() {
        QTest::addColumn<SC>("control");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("Input while Input") << SC::AccessInput << 1 << 1 << 0;
        QTest::newRow("Input while Output") << SC::AccessInput << 0 << 1 << 1;
        QTest::newRow("Output while Input") << SC::AccessOutput << 1 << 0 << 1;
        QTest::newRow("Output while 5") << SC::AccessOutput << 5 << 0 << 1;
        QTest::newRow("N/O while N/C") << SC::MuteNormallyOpen << 0 << 1 << 1;
        QTest::newRow("N/C while N/C") << SC::MuteNormallyClosed << 0 << 0 << 0;
    }
    void radioButtons() {
        QFETCH(SC, control);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        int &field = control < SC::MicGate1 ? sys.accessContacts : sys.muteContacts;
        field = before;
        QRadioButton radio;
        radio.setChecked(false); // the state is not asked
        const int reported =
            UpdateBoundField(&radio, FindBinding(SystemPage::bindings(), control), &sys, m_beep);
        QCOMPARE(field, after);
        QCOMPARE(reported, changed);
    }

    // A combo box stores the value of its entry, wherever the entry stands in the box.
    void comboBoxes_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("selection"); // the entry's place
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("changed");
        QTest::newRow("same entry again") << 2 << 2 << 2 << 0;
        QTest::newRow("another entry") << 2 << 1 << 1 << 1;
        QTest::newRow("nothing selected") << 2 << -1 << -1 << 1;
        QTest::newRow("nothing selected on -1") << -1 << -1 << -1 << 0;
        QTest::newRow("entry after -1") << -1 << 0 << 0 << 1;
        QTest::newRow("an entry after a removed one") << 2 << 3 << 4 << 1;
    }
    void comboBoxes() {
        QFETCH(int, before);
        QFETCH(int, selection);
        QFETCH(int, after);
        QFETCH(int, changed);
        SystemSettings sys;
        sys.micPriorityHold = before;
        QComboBox combo;
        FillComboFromList(&combo, {"1", "2", "3", "4", "5"});
        combo.removeItem(3); // "4"
        combo.setCurrentIndex(selection);
        const int reported =
            UpdateBoundField(&combo, FindBinding(SystemPage::bindings(), SC::MicPriorityHold), &sys, m_beep);
        QCOMPARE(sys.micPriorityHold, after);
        QCOMPARE(reported, changed);
    }

    // The first row of a control counts; a control in no row, or an empty table, has none.
    void findBinding_data() {
        QTest::addColumn<int>("table"); // 0 the System table, 1 an empty one, 2 twice the same control
        QTest::addColumn<SC>("control");
        QTest::addColumn<int>("row"); // -1 none
        QTest::newRow("first row") << 0 << SC::QpmOffset << 0;
        QTest::newRow("last row") << 0 << SC::MuteSource << 20;
        QTest::newRow("send button") << 0 << SC::SendSystem << -1;
        QTest::newRow("empty table") << 1 << SC::MicGate3 << -1;
        QTest::newRow("twice: the first") << 2 << SC::MicGate3 << 0;
    }
    void findBinding() {
        QFETCH(int, table);
        QFETCH(SC, control);
        QFETCH(int, row);
        static const BindingTable<SystemSettings, SC> empty;
        static const BindingTable<SystemSettings, SC> twice = {
            bitRow(SC::MicGate3, &SystemSettings::micGateMask, 4),
            bitRow(SC::MicGate3, &SystemSettings::micGateMask, 8),
        };
        const BindingTable<SystemSettings, SC> &rows = table == 0   ? SystemPage::bindings()
                                                       : table == 1 ? empty
                                                                    : twice;
        const ControlBinding<SystemSettings, SC> *found = FindBinding(rows, control);
        QCOMPARE(found ? int(found - rows.data()) : -1, row);
    }

    // Every row of every page's table names a control of its kind on its page, wired to the
    // signal of a user's action: the action writes the field and marks the settings modified.
    void everyRowWired_data() {
        QTest::addColumn<int>("table"); // 0 inputs, 1 outputs, 2 tone, 3 groups, 4 system
        QTest::addColumn<int>("row");
        const char *names[] = {"input", "output", "tone", "group", "system"};
        const size_t counts[] = {InputsPage::bindings().size(), OutputsPage::zoneBindings().size(),
                                 OutputsPage::toneBindings().size(), OutputsPage::groupBindings().size(),
                                 SystemPage::bindings().size()};
        for (int t = 0; t < 5; ++t) {
            for (int r = 0; r < int(counts[t]); ++r)
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
            QVERIFY(actAsUser(*page, InputsPage::bindings()[size_t(row)], settings.inputs[0]));
            break;
        case 1:
            QVERIFY(actAsUser(*page, OutputsPage::zoneBindings()[size_t(row)], settings.zones[0]));
            break;
        case 2:
            QVERIFY(actAsUser(*page, OutputsPage::toneBindings()[size_t(row)], settings.zoneEq[0]));
            break;
        case 3:
            QVERIFY(actAsUser(*page, OutputsPage::groupBindings()[size_t(row)], settings.groups[0]));
            break;
        default:
            QVERIFY(actAsUser(*page, SystemPage::bindings()[size_t(row)], settings.system));
            break;
        }
        QCOMPARE(modified.value(), 1);
    }

    // The name box bound with 16 characters and the label rule.
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
        const auto *row = FindBinding(OutputsPage::zoneBindings(), OutputsPage::Control::OutputName);
        QCOMPARE(UpdateBoundField(&edit, row, &zone, m_beep), changed);
        QCOMPARE(zone.name, stored);
        QCOMPARE(m_beeps, beeps);
        QCOMPARE(edit.text(), beeps ? QStringLiteral("Old") : typed); // a refused text is replaced
        // The replaced text finds the field equal: no change, no beep.
        QVERIFY(!UpdateBoundField(&edit, row, &zone, m_beep));
        QCOMPARE(m_beeps, beeps);
    }

    // Edit boxes read at most 255 characters and keep at most the row's length; a text row
    // without a validator keeps the first 17 characters of a longer text.
    void textKeepsMaxLength() {
        const auto row = textRow(InputsPage::Control::InputName, &InputSettings::name, 17, nullptr);
        InputSettings input;
        QLineEdit edit;
        edit.setText(QString(300, QLatin1Char('x')));
        QVERIFY(UpdateBoundField(&edit, &row, &input, m_beep));
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
        auto row = flagRow(OutputsPage::Control::GroupEnabled, &GroupSettings::enabled);
        row.valueKind = ValueKind(valueKind);
        row.offValue = 3;
        row.onValue = 9;
        GroupSettings group;
        group.enabled = 5;
        QCOMPARE(ApplyCheckValue(&row, &group, checked), changed);
        QCOMPARE(group.enabled, after);
    }

    void missingArguments() {
        GroupSettings group;
        QCheckBox box;
        const auto *member = &OutputsPage::groupBindings().front();
        const decltype(member) none = nullptr;
        QVERIFY(!UpdateBoundField(nullptr, member, &group));
        QVERIFY(!UpdateBoundField(&box, none, &group));
        QCOMPARE(UpdateBoundField<GroupSettings>(&box, member, nullptr), 0);
    }

    void fillCombo() {
        QComboBox combo;
        combo.addItem(QStringLiteral("kept"));
        FillComboFromList(&combo, {"a", "b", "", "c"});
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.itemText(0), QStringLiteral("kept"));
        QCOMPARE(combo.itemText(2), QStringLiteral("b"));
        QCOMPARE(combo.itemData(2), QVariant(1)); // the value of "b" in its list
        FillComboFromList(&combo, {"", "x"});
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.currentIndex(), 0); // filling selects nothing new
    }

private:
    // Changes the row's control the way a user would, to a state the record does not hold yet.
    // True when the field changed.
    template <typename R, typename C>
    static bool actAsUser(TabPage &page, const ControlBinding<R, C> &row, R &record) {
        const QString name = ControlObjectName(row.control);
        switch (row.controlKind) {
        case ControlKind::CheckBox:
        case ControlKind::RadioButton: {
            auto *button = page.findChild<QAbstractButton *>(name);
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
            auto *combo = page.findChild<QComboBox *>(name);
            if (!combo || combo->count() < 2)
                return false;
            const int value = record.*(row.intField) == 1 ? 0 : 1;
            test::choose(combo, value);
            return record.*(row.intField) == value;
        }
        case ControlKind::EditBox: {
            auto *edit = page.findChild<QLineEdit *>(name);
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
