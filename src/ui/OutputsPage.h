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
        MicInput1 = 1023,    // .. 1026
        MicPriority1 = 1027, // .. 1030
        LineEnable1 = 1031,  // .. 1038
        Treble = 1039,
        Mid = 1040,
        Bass = 1041,
        MembersFrame = 1066,
        Member1 = 1067, // .. 1074
        Enabled = 1075,
        NameCaption = 1077,
        EqFrame = 1078,
    };

    OutputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // Loads every control from the record of the selected output and shows the zone or the group
    // layout; marks nothing modified.
    void refresh();

    // The controls shown only for zones, and only for groups.
    static const QList<int> &zoneOnlyIds();
    static const QList<int> &groupOnlyIds();

protected:
    void onCommand(QWidget *control, int id, int notification) override;

private:

    QComboBox *m_selector;
    QComboBox *m_selectInput;
    QLineEdit *m_name;
    QLabel *m_nameCaption;
};

} // namespace hzm
