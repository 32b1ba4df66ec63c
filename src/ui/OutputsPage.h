#pragma once

// The Outputs tab: zones 1 to 8 and groups 1 to 4, one at a time, chosen in "Zone / Group:".
// A zone shows its level limits, page priority, output type and tone controls; a group shows its
// members and "Enabled" in their place, and its "Select Input:" box offers "Off".

#include "PageLayout.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace hzm {

class OutputsPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls (the numbers are those of the original dialog template).
    enum Id {
        Selector = 1012,
        SendOutput = 1013,
        SendAllOutputs = 1014,
        Name = 1015,
        Level = 1016,
        PriorityInput = 1017,
        MaxLevel = 1018,
        PagePriority = 1019,
        SelectInput = 1020,
        OutputType = 1021,
        MinLevel = 1022,
        MicInput1 = 1023,
        MicInput2 = 1024,
        MicInput3 = 1025,
        MicInput4 = 1026,
        MicPriority1 = 1027,
        MicPriority2 = 1028,
        MicPriority3 = 1029,
        MicPriority4 = 1030,
        LineEnable1 = 1031,
        LineEnable2 = 1032,
        LineEnable3 = 1033,
        LineEnable4 = 1034,
        LineEnable5 = 1035,
        LineEnable6 = 1036,
        LineEnable7 = 1037,
        LineEnable8 = 1038,
        Treble = 1039,
        Mid = 1040,
        Bass = 1041,
        MembersFrame = 1066,
        Member1 = 1067,
        Member2 = 1068,
        Member3 = 1069,
        Member4 = 1070,
        Member5 = 1071,
        Member6 = 1072,
        Member7 = 1073,
        Member8 = 1074,
        Enabled = 1075,
        SelectorCaption = 1076,
        NameCaption = 1077,
        EqFrame = 1078,
        TrebleCaption = 1079,
        MidCaption = 1080,
        BassCaption = 1081,
        OutputTypeCaption = 1082,
        MinLevelCaption = 1083,
        MaxLevelCaption = 1084,
        PagePriorityCaption = 1085,
    };

    OutputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // Loads every control from the record of the selected output and shows the zone or the group
    // layout; marks nothing modified.
    void refresh() override;

    // The controls shown only for zones, and only for groups.
    static const QList<int> &zoneOnlyIds();
    static const QList<int> &groupOnlyIds();

private slots:
    void selectOutput();
    void sendOutput();
    void sendAllOutputs();

private:
    // The records of the selected output; nullptr where it has none (a zone has no group record).
    ZoneSettings *shownOutput();
    ZoneEq *shownTone();
    GroupSettings *shownGroup();

    QComboBox *m_selector;
    QComboBox *m_selectInput;
    QLineEdit *m_name;
    QLabel *m_nameCaption;
};

} // namespace hzm
