#pragma once

// The Outputs tab: zones 1 to 8 and groups 1 to 4, one at a time, chosen in "Zone / Group:".
// A zone shows its level limits, page priority, output type and tone controls; a group shows its
// members and "Enabled" in their place, and its "Select Input:" box offers "Off".

#include "PageLayout.h"

class QComboBox;
class QGridLayout;
class QLabel;

namespace hzm {

class OutputsPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls; their object names are the keys with a small first letter. Numbered
    // controls follow each other.
    enum class Control {
        OutputSelector,
        SendOutput,
        SendAllOutputs,
        OutputName,
        OutputLevel,
        SelectInput,
        PriorityInput,
        OutputType,
        MaxLevel,
        PagePriority,
        MinLevel,
        GroupMembers,
        Member1,
        Member2,
        Member3,
        Member4,
        Member5,
        Member6,
        Member7,
        Member8,
        GroupEnabled,
        MicInput1,
        MicInput2,
        MicInput3,
        MicInput4,
        LineEnable1,
        LineEnable2,
        LineEnable3,
        LineEnable4,
        LineEnable5,
        LineEnable6,
        LineEnable7,
        LineEnable8,
        MicPriority1,
        MicPriority2,
        MicPriority3,
        MicPriority4,
        EqFrame,
        Treble,
        Mid,
        Bass,
    };
    Q_ENUM(Control)

    // The shown output's fields, its tone (zones only) and its group (groups only).
    static const BindingTable<ZoneSettings, Control> &zoneBindings();
    static const BindingTable<ZoneEq, Control> &toneBindings();
    static const BindingTable<GroupSettings, Control> &groupBindings();

    OutputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // Loads every control from the records of the selected output and shows the zone or the group
    // layout; marks nothing modified.
    void refresh() override;

private slots:
    void sendOutput();
    void sendAllOutputs();

private:
    // Creates the fields of the output's own settings, and lays them out.
    QGridLayout *addFields(PageBuilder &b);
    // Shows the controls of a zone or of a group.
    void showLayoutOf(bool group);

    QComboBox *m_selectInput;
    QLabel *m_nameCaption;
};

} // namespace hzm
