#include "OutputsPage.h"

#include "model/OptionLists.h"
#include "protocol/MixerJobs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hzm {

namespace {
// The entry of "Select Input:" that only groups offer.
constexpr int kOffInput = 8;
} // namespace

const BindingTable<ZoneSettings, OutputsPage::Control> &OutputsPage::zoneBindings() {
    using C = Control;
    using Z = ZoneSettings;
    static const BindingTable<Z, C> table = {
        textRow(C::OutputName, &Z::name, kLabelLength, IsValidLabel),
        comboRow(C::OutputLevel, &Z::level, lists::level),
        comboRow(C::SelectInput, &Z::sourceInput, lists::selectInput),
        comboRow(C::PriorityInput, &Z::priorityInput, lists::priorityInput),
        comboRow(C::OutputType, &Z::stereo, lists::outputType),
        comboRow(C::MaxLevel, &Z::maxLevel, lists::maxLevel),
        comboRow(C::MinLevel, &Z::minLevel, lists::minLevel),
        comboRow(C::PagePriority, &Z::pagePriority, lists::pagePriority),
        bitRow(C::MicInput1, &Z::micInputMask, 1),
        bitRow(C::MicInput2, &Z::micInputMask, 2),
        bitRow(C::MicInput3, &Z::micInputMask, 4),
        bitRow(C::MicInput4, &Z::micInputMask, 8),
        bitRow(C::LineEnable1, &Z::lineInputMask, 1),
        bitRow(C::LineEnable2, &Z::lineInputMask, 2),
        bitRow(C::LineEnable3, &Z::lineInputMask, 4),
        bitRow(C::LineEnable4, &Z::lineInputMask, 8),
        bitRow(C::LineEnable5, &Z::lineInputMask, 16),
        bitRow(C::LineEnable6, &Z::lineInputMask, 32),
        bitRow(C::LineEnable7, &Z::lineInputMask, 64),
        bitRow(C::LineEnable8, &Z::lineInputMask, 128),
        bitRow(C::MicPriority1, &Z::micPriorityMask, 1),
        bitRow(C::MicPriority2, &Z::micPriorityMask, 2),
        bitRow(C::MicPriority3, &Z::micPriorityMask, 4),
        bitRow(C::MicPriority4, &Z::micPriorityMask, 8),
    };
    return table;
}

const BindingTable<ZoneEq, OutputsPage::Control> &OutputsPage::toneBindings() {
    static const BindingTable<ZoneEq, Control> table = {
        comboRow(Control::Treble, &ZoneEq::treble, lists::eq),
        comboRow(Control::Mid, &ZoneEq::mid, lists::eq),
        comboRow(Control::Bass, &ZoneEq::bass, lists::eq),
    };
    return table;
}

const BindingTable<GroupSettings, OutputsPage::Control> &OutputsPage::groupBindings() {
    using C = Control;
    using G = GroupSettings;
    static const BindingTable<G, C> table = {
        bitRow(C::Member1, &G::memberMask, 1),  bitRow(C::Member2, &G::memberMask, 2),
        bitRow(C::Member3, &G::memberMask, 4),  bitRow(C::Member4, &G::memberMask, 8),
        bitRow(C::Member5, &G::memberMask, 16), bitRow(C::Member6, &G::memberMask, 32),
        bitRow(C::Member7, &G::memberMask, 64), bitRow(C::Member8, &G::memberMask, 128),
        flagRow(C::GroupEnabled, &G::enabled),
    };
    return table;
}

OutputsPage::OutputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    using C = Control;
    PageBuilder b(this);
    auto *selector = b.combo(C::OutputSelector, 60);
    auto *sendOne = b.button(C::SendOutput, tr("Send Output"), 50);
    auto *sendAll = b.button(C::SendAllOutputs, tr("Send All Outputs"), 60);
    QGridLayout *fields = addFields(b);
    QGroupBox *micInputs = b.group(tr("Mic Inputs"));
    b.checks(micInputs, C::MicInput1, 4, 2, tr("Mic %1"));
    QGroupBox *lines = b.group(tr("Input Enable"));
    b.checks(lines, C::LineEnable1, 8, 4, tr("Line %1"));
    PageBuilder::grid(lines)->setRowStretch(4, 1);
    QGroupBox *micPriority = b.group(tr("Mic Priority"));
    b.checks(micPriority, C::MicPriority1, 4, 2, tr("Mic %1"));
    QGroupBox *eq = b.group(C::EqFrame, tr("EQ"));
    b.fields(eq, {{tr("Treble (dB):"), b.combo(C::Treble, 64)},
                  {tr("Mid (dB):"), b.combo(C::Mid, 64)},
                  {tr("Bass (dB):"), b.combo(C::Bass, 64)}});

    QGroupBox *output = b.group(tr("Settings"));
    QGridLayout *frames = PageBuilder::grid(output);
    frames->addLayout(fields, 0, 0, 2, 1);
    frames->addWidget(micInputs, 0, 1);
    frames->addWidget(lines, 1, 1);
    frames->addWidget(micPriority, 0, 2);
    frames->addWidget(eq, 1, 2);
    frames->setRowStretch(1, 1);
    QGridLayout *page = b.pageGrid();
    page->addLayout(b.row({b.caption(tr("Zone / Group:"), selector), selector, sendOne, sendAll}), 0, 0, 1,
                    2);
    page->addWidget(output, 1, 0);
    page->setColumnStretch(1, 1);
    page->setRowStretch(2, 1);
    b.finish();
    adopt(b);

    FillComboFromList(selector, lists::outputSelector());
    setRecordSelector(selector, &MixerSettings::selectedOutput);
    bind(zoneBindings(), [this]() -> ZoneSettings * {
        const int s = m_settings.selectedOutput;
        return s >= 0 && s < kOutputCount ? &m_settings.zones[size_t(s)] : nullptr;
    });
    bind(toneBindings(), [this]() -> ZoneEq * {
        const int s = m_settings.selectedOutput;
        return s >= 0 && s < kZoneCount ? &m_settings.zoneEq[size_t(s)] : nullptr;
    });
    bind(groupBindings(), [this]() -> GroupSettings * {
        const int s = m_settings.selectedOutput;
        return s >= kZoneCount && s < kOutputCount ? &m_settings.groups[size_t(s - kZoneCount)] : nullptr;
    });
    connect(sendOne, &QPushButton::clicked, this, &OutputsPage::sendOutput);
    connect(sendAll, &QPushButton::clicked, this, &OutputsPage::sendAllOutputs);
    showLayoutOf(false);
}

QGridLayout *OutputsPage::addFields(PageBuilder &b) {
    // Two columns of fields; a group's members take the place of a zone's level limits and page
    // priority.
    using C = Control;
    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(b.units().x(14));
    fields->setVerticalSpacing(b.units().y(4));
    auto *name = b.edit(C::OutputName, 141);
    fields->addLayout(b.field(tr("Zone Name:"), name), 0, 0, 1, 2);
    m_nameCaption = caption(name);
    fields->addLayout(b.field(tr("Level (dB):"), b.combo(C::OutputLevel, 62)), 1, 0);
    m_selectInput = b.combo(C::SelectInput, 62);
    fields->addLayout(b.field(tr("Select Input:"), m_selectInput), 1, 1);
    fields->addLayout(b.field(tr("Priority Input:"), b.combo(C::PriorityInput, 62)), 2, 0);
    fields->addLayout(b.field(tr("Output Type:"), b.combo(C::OutputType, 62)), 2, 1);
    fields->addLayout(b.field(tr("Max Level (dB):"), b.combo(C::MaxLevel, 62)), 3, 0);
    fields->addLayout(b.field(tr("Page Priority Select:"), b.combo(C::PagePriority, 62)), 5, 0, Qt::AlignTop);
    fields->addLayout(b.field(tr("Min Level (dB):"), b.combo(C::MinLevel, 62)), 3, 1);
    QGroupBox *members = b.group(C::GroupMembers, tr("Group  Members"));
    b.checks(members, C::Member1, 8, 4, tr("Zone %1"));
    PageBuilder::grid(members)->addWidget(b.check(C::GroupEnabled, tr("Enabled")), 0, 2);
    // The grid leaves no spacing between the rows that the frame spans: an empty row keeps the
    // fields apart. A frame taller than the fields in its place makes room below them.
    fields->addWidget(members, 3, 0, 3, 2, Qt::AlignTop);
    fields->setRowMinimumHeight(4, fields->verticalSpacing());
    fields->setRowStretch(5, 1);
    return fields;
}

void OutputsPage::showLayoutOf(bool group) {
    using C = Control;
    for (C zoneOnly : {C::OutputType, C::MaxLevel, C::MinLevel, C::PagePriority, C::EqFrame})
        setShown(control(zoneOnly), !group);
    setShown(control(C::GroupMembers), group);
    m_nameCaption->setText(group ? tr("Group name:") : tr("Zone name:"));
    // "Off" is an input of groups only.
    const int off = m_selectInput->findData(kOffInput);
    if (group && off < 0)
        m_selectInput->addItem(lists::displayed(lists::selectInput().value(kOffInput)), kOffInput);
    else if (!group && off >= 0)
        m_selectInput->removeItem(off);
}

void OutputsPage::refresh() {
    const int s = m_settings.selectedOutput;
    if (s < 0 || s >= kOutputCount)
        return;
    const bool group = s >= kZoneCount;
    showLayoutOf(group);
    TabPage::refresh();
    // An input the box does not offer (Off on a zone) shows the first entry; the record keeps it.
    if (m_selectInput->currentIndex() < 0)
        m_selectInput->setCurrentIndex(0);
    if (!group) {
        // Only zones 1 and 2 can be stereo; the others show "Mono", whatever the record holds.
        auto *type = control<QComboBox>(Control::OutputType);
        const bool typeEditable = s < 2;
        type->setEnabled(typeEditable);
        type->setCurrentIndex(type->findData(typeEditable && m_settings.zones[size_t(s)].stereo ? 1 : 0));
    }
}

void OutputsPage::sendOutput() {
    runJob(SendOutputJob(m_settings, m_settings.selectedOutput));
}

void OutputsPage::sendAllOutputs() {
    runJob(SendAllOutputsJob(m_settings));
}

} // namespace hzm
