#include "model/MixerSettings.h"
#include "model/OptionLists.h"
#include "model/SettingsCheck.h"

#include <QtTest>

using namespace hzm;

class TestModel : public QObject {
    Q_OBJECT

private slots:
    void factoryDefaultsOutputs();
    void factoryDefaultsInputsAndEq();
    void factoryDefaultsSystemInFileOrder();
    void defaultsOverwriteEveryEdit();
    void modifiedNotifiesOnlyOnceListening();
    void fitNameKeepsThirtyThreeCharacters();
    void optionListsEncodeIndices_data();
    void optionListsEncodeIndices();
    void outOfRangeFieldsNamedAsCompared();
};

void TestModel::factoryDefaultsOutputs() {
    MixerSettings s;
    for (int i = 0; i < kOutputCount; ++i) {
        const ZoneSettings &z = s.zones[i];
        QCOMPARE(z.name,
                 i < 8 ? QStringLiteral("Zone %1").arg(i + 1) : QStringLiteral("Group %1").arg(i - 7));
        QCOMPARE(z.stereo, i < 2 ? 1 : 0);
        QCOMPARE(z.micInputMask, i < 4 ? 1 << i : 0);
        QCOMPARE(z.micPriorityMask, 0);
        QCOMPARE(z.priorityInput, 0);
        QCOMPARE(z.lineInputMask, 255);
        QCOMPARE(z.pagePriority, 0);
        QCOMPARE(z.sourceInput, 0);
        QCOMPARE(z.level, 61);
        QCOMPARE(z.maxLevel, 0);
        QCOMPARE(z.minLevel, 62);
    }
    for (const GroupSettings &g : s.groups) {
        QCOMPARE(g.memberMask, 0);
        QCOMPARE(g.enabled, 0);
    }
}

void TestModel::factoryDefaultsInputsAndEq() {
    MixerSettings s;
    for (int i = 0; i < kInputCount; ++i) {
        QCOMPARE(s.inputs[i].name, QStringLiteral("Input %1").arg(i + 1));
        QCOMPARE(s.inputs[i].gain, 12);
    }
    for (const ZoneEq &eq : s.zoneEq) {
        QCOMPARE(eq.treble, 7);
        QCOMPARE(eq.mid, 7);
        QCOMPARE(eq.bass, 7);
    }
    QVERIFY(s.softwareVersion.isEmpty());
    QCOMPARE(s.selectedOutput, 0);
    QCOMPARE(s.selectedInput, 0);
}

void TestModel::factoryDefaultsSystemInFileOrder() {
    MixerSettings s;
    const QList<int> expected{15, 30, 2, 0, 0, 1, 30, 2, 0, 2, 0, 2, 0, 1, 0, 0};
    QList<int> actual;
    for (int i = 0; i < SystemSettings::kFieldCount; ++i)
        actual << s.system.field(i);
    QCOMPARE(actual, expected);
    // The positions name the right fields.
    QCOMPARE(&s.system.field(0), &s.system.micGateMask);
    QCOMPARE(&s.system.field(5), &s.system.accessContacts);
    QCOMPARE(&s.system.field(11), &s.system.powerUpMode);
    QCOMPARE(&s.system.field(15), &s.system.muteSource);
}

void TestModel::defaultsOverwriteEveryEdit() {
    MixerSettings s;
    const MixerSettings pristine;
    s.selectedOutput = 11;
    s.selectedInput = 7;
    s.softwareVersion = QStringLiteral("1.05");
    s.inputs[3].name = QStringLiteral("Bar");
    s.inputs[3].gain = -1; // a value a mixer's odd reply can leave behind
    s.groups[2] = {0xFF, 1};
    s.zoneEq[5].bass = 0;
    s.zones[9].sourceInput = 8;
    s.zones[0].stereo = 0;
    s.zones[6].micInputMask = 15;
    for (int i = 0; i < SystemSettings::kFieldCount; ++i)
        s.system.field(i) = -1;
    LoadFactoryDefaults(s);
    QVERIFY(s == pristine);
}

void TestModel::modifiedNotifiesOnlyOnceListening() {
    MixerSettings s;
    ModifiedFlag modified;
    QList<int> notifications;

    // Start-up: nobody listens yet, so the first defaults notify nobody.
    modified.set(1);
    LoadFactoryDefaults(s, modified);
    QCOMPARE(modified.value(), 0);
    QVERIFY(notifications.isEmpty());

    modified.setListener([&](int value) { notifications << value; });
    modified.set(1);
    QCOMPARE(notifications, QList<int>{1});
    QVERIFY(bool(modified));

    s.zones[2].level = 0;
    LoadFactoryDefaults(s, modified);
    QCOMPARE(notifications, (QList<int>{1, 0})); // exactly one notification, "unchanged"
    QCOMPARE(modified.value(), 0);
    QVERIFY(!modified);
    QCOMPARE(s.zones[2].level, 61);
}

void TestModel::fitNameKeepsThirtyThreeCharacters() {
    QCOMPARE(FitName(QString(16, QLatin1Char('x'))).size(), 16);
    QCOMPARE(FitName(QString(40, QLatin1Char('x'))).size(), kMaxNameLength);
    // A character of two units that would straddle the end of the field is left out whole.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB5");
    const QString straddling = QString(kMaxNameLength - 1, QLatin1Char('x')) + emoji;
    QCOMPARE(FitName(straddling), QString(kMaxNameLength - 1, QLatin1Char('x')));
    const QString fitting = QString(kMaxNameLength - 2, QLatin1Char('x')) + emoji;
    QCOMPARE(FitName(fitting), fitting);
    QCOMPARE(kMaxNameLength, 33);
    QVERIFY(kLabelLength + 1 <= kNameCapacity);
}

void TestModel::optionListsEncodeIndices_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    QTest::newRow("gain +12 first") << "gain" << 25 << 0 << "+12";
    QTest::newRow("gain 0 dB at 12") << "gain" << 25 << 12 << "0";
    QTest::newRow("gain -12 last") << "gain" << 25 << 24 << "-12";
    QTest::newRow("eq +14 first") << "eq" << 15 << 0 << "+14";
    QTest::newRow("eq 0 dB at 7") << "eq" << 15 << 7 << "0";
    QTest::newRow("eq -14 last") << "eq" << 15 << 14 << "-14";
    QTest::newRow("level -61 at 61") << "level" << 63 << 61 << "-61";
    QTest::newRow("level mute at 62") << "level" << 63 << 62 << "MUTE";
    QTest::newRow("max level -62 at 62") << "maxLevel" << 63 << 62 << "-62";
    QTest::newRow("min level mute at 62") << "minLevel" << 63 << 62 << "MUTE";
    QTest::newRow("select input off at 8") << "selectInput" << 9 << 8 << "Off";
    QTest::newRow("priority none at 0") << "priorityInput" << 9 << 0 << "None";
    QTest::newRow("priority line 8") << "priorityInput" << 9 << 8 << "Line 8";
    QTest::newRow("page priority access") << "pagePriority" << 3 << 2 << "ACCESS";
    QTest::newRow("hold 12 s at 11") << "seconds12" << 12 << 11 << "12";
    QTest::newRow("attenuation -46") << "attenuation" << 47 << 46 << "-46";
    QTest::newRow("remote offset 120 at 15") << "remoteZoneOffset" << 16 << 15 << "120";
    QTest::newRow("power-up last") << "powerUpMode" << 3 << 2 << "Last";
    QTest::newRow("mute level -69") << "muteLevel" << 70 << 69 << "-69";
    QTest::newRow("mute source input 8") << "muteSource" << 13 << 8 << "Input 8";
    QTest::newRow("mute source mic 4") << "muteSource" << 13 << 12 << "Mic 4";
    QTest::newRow("selector group 4") << "outputSelector" << 12 << 11 << "Group 4";
}

void TestModel::optionListsEncodeIndices() {
    QFETCH(QString, list);
    QFETCH(int, size);
    QFETCH(int, index);
    QFETCH(QString, text);
    const QHash<QString, const OptionList *> byName{
        {"gain", &lists::gain()},
        {"eq", &lists::eq()},
        {"level", &lists::level()},
        {"maxLevel", &lists::maxLevel()},
        {"minLevel", &lists::minLevel()},
        {"selectInput", &lists::selectInput()},
        {"priorityInput", &lists::priorityInput()},
        {"pagePriority", &lists::pagePriority()},
        {"seconds12", &lists::seconds12()},
        {"attenuation", &lists::attenuation()},
        {"remoteZoneOffset", &lists::remoteZoneOffset()},
        {"powerUpMode", &lists::powerUpMode()},
        {"muteLevel", &lists::muteLevel()},
        {"muteSource", &lists::muteSource()},
        {"outputSelector", &lists::outputSelector()},
    };
    const OptionList &l = *byName.value(list);
    QCOMPARE(int(l.size()), size);
    QCOMPARE(l.at(index), text);
    QCOMPARE(FindInList(text.toLower(), l), index);
}

// Each value just past its field's range is named, the last one inside is not; names as show
// and verify give them.
void TestModel::outOfRangeFieldsNamedAsCompared() {
    const struct {
        std::function<void(MixerSettings &)> edit;
        QString problem; // empty: still in range
    } cases[] = {
        {[](MixerSettings &s) { s.zones[0].minLevel = 200; }, "Zone 1 Minimum level: 200 is outside 0 to 62"},
        {[](MixerSettings &s) { s.zones[0].level = 62; }, ""},
        {[](MixerSettings &s) { s.zones[7].maxLevel = 63; }, "Zone 8 Maximum level: 63 is outside 0 to 62"},
        {[](MixerSettings &s) { s.zones[8].sourceInput = -1; }, "Group 1 Select input: -1 is outside 0 to 8"},
        {[](MixerSettings &s) { s.zones[11].sourceInput = 8; }, ""},
        {[](MixerSettings &s) { s.zones[2].lineInputMask = 0x100; },
         "Zone 3 Input enable: 256 is outside 0 to 255"},
        {[](MixerSettings &s) { s.zones[3].micPriorityMask = 15; }, ""},
        {[](MixerSettings &s) { s.zones[3].micInputMask = 16; }, "Zone 4 Mic inputs: 16 is outside 0 to 15"},
        {[](MixerSettings &s) { s.zones[1].stereo = 2; }, "Zone 2 Output type: 2 is outside 0 to 1"},
        {[](MixerSettings &s) { s.zones[4].name = QStringLiteral("Hall\nB"); },
         "Zone 5 Name: holds control characters"},
        {[](MixerSettings &s) { s.zoneEq[5].bass = 15; }, "Zone 6 Bass: 15 is outside 0 to 14"},
        {[](MixerSettings &s) { s.zones[5].pagePriority = 3; }, "Zone 6 Page priority: 3 is outside 0 to 2"},
        {[](MixerSettings &s) { s.groups[3].memberMask = 0x1FF; },
         "Group 4 Member zones: 511 is outside 0 to 255"},
        {[](MixerSettings &s) { s.groups[0].enabled = 5; }, "Group 1 Enabled: 5 is outside 0 to 1"},
        {[](MixerSettings &s) { s.inputs[2].gain = 25; }, "Input 3 Gain: 25 is outside 0 to 24"},
        {[](MixerSettings &s) { s.system.muteSource = 13; },
         "System Emergency mute source: 13 is outside 0 to 12"},
        {[](MixerSettings &s) { s.system.muteLevel = 69; }, ""},
        {[](MixerSettings &s) { s.system.micGateMask = -1; }, "System Mic gates: -1 is outside 0 to 15"},
        {[](MixerSettings &s) { s.system.accessContacts = 7; }, ""}, // any value but 1 means Output
    };
    QVERIFY(outOfRangeFields(MixerSettings()).isEmpty());
    for (const auto &c : cases) {
        MixerSettings s;
        c.edit(s);
        QStringList found;
        for (const FieldProblem &p : outOfRangeFields(s))
            found << FieldProblemText(p);
        QCOMPARE(found, c.problem.isEmpty() ? QStringList() : QStringList{c.problem});
    }
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
