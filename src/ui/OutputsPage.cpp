#include "OutputsPage.h"

#include "ControlBinding.h"
#include "MessageBoxes.h"
#include "model/OptionLists.h"
#include "protocol/MixerJobs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hzm {

namespace {
// Entry of "Select Input:" that only groups offer.
constexpr int kOffEntry = 8;
} // namespace

const QList<int> &OutputsPage::zoneOnlyIds() {
    static const QList<int> ids = {EqFrame,    TrebleCaption,       Treble,      MidCaption,
                                   Mid,        BassCaption,         Bass,        OutputTypeCaption,
                                   OutputType, MaxLevelCaption,     MaxLevel,    MinLevelCaption,
                                   MinLevel,   PagePriorityCaption, PagePriority};
    return ids;
}

const QList<int> &OutputsPage::groupOnlyIds() {
    static const QList<int> ids = {MembersFrame, Member1, Member2, Member3, Member4,
                                   Member5,      Member6, Member7, Member8, Enabled};
    return ids;
}

OutputsPage::OutputsPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    PageBuilder b(this);
    const auto n = [](int id, const char *name) { return ControlName{id, QLatin1String(name)}; };
    const auto numbered = [](int id, const char *name, int number) {
        return ControlName{id, QLatin1String(name) + QString::number(number)};
    };
    b.label(n(SelectorCaption, "outputSelectorCaption"), tr("Zone / Group:"), 13, 14, 46, 8);
    m_selector = b.combo(n(Selector, "outputSelector"), 60, 12, 60, 30);
    auto *sendOne = b.button(n(SendOutput, "sendOutput"), tr("Send Output"), 123, 11, 50, 14);
    auto *sendAll = b.button(n(SendAllOutputs, "sendAllOutputs"), tr("Send All Outputs"), 179, 11, 60, 14);
    b.group({}, tr("Settings"), 14, 30, 372, 200);
    m_nameCaption = b.label(n(NameCaption, "outputNameCaption"), tr("Zone Name:"), 41, 45, 66, 8);
    m_name = b.edit(n(Name, "outputName"), 39, 57, 141, 14);
    b.label({}, tr("Level (dB):"), 39, 76, 36, 8);
    QComboBox *level = b.combo(n(Level, "outputLevel"), 39, 87, 62, 30);
    b.label({}, tr("Select Input:"), 121, 76, 42, 8);
    m_selectInput = b.combo(n(SelectInput, "selectInput"), 119, 87, 62, 30);
    b.label({}, tr("Priority Input:"), 39, 108, 46, 8);
    QComboBox *priorityInput = b.combo(n(PriorityInput, "priorityInput"), 39, 119, 62, 30);
    b.label(n(OutputTypeCaption, "outputTypeCaption"), tr("Output Type:"), 121, 109, 44, 8);
    QComboBox *outputType = b.combo(n(OutputType, "outputType"), 119, 119, 62, 30);
    b.label(n(MaxLevelCaption, "maxLevelCaption"), tr("Max Level (dB):"), 39, 140, 51, 8);
    QComboBox *maxLevel = b.combo(n(MaxLevel, "maxLevel"), 39, 151, 62, 30);
    b.label(n(PagePriorityCaption, "pagePriorityCaption"), tr("Page Priority Select:"), 39, 173, 66, 8);
    QComboBox *pagePriority = b.combo(n(PagePriority, "pagePriority"), 39, 184, 62, 30);
    b.label(n(MinLevelCaption, "minLevelCaption"), tr("Min Level (dB):"), 121, 140, 48, 8);
    QComboBox *minLevel = b.combo(n(MinLevel, "minLevel"), 119, 151, 62, 30);
    b.group(n(MembersFrame, "groupMembers"), tr("Group  Members"), 39, 140, 142, 79);
    static const int memberY[] = {156, 172, 188, 205, 156, 172, 188, 204};
    for (int i = 0; i < 8; ++i)
        b.check(numbered(Member1 + i, "member", i + 1), tr("Zone %1").arg(i + 1), i < 4 ? 53 : 94, memberY[i],
                38, i == 3 ? 8 : 10);
    b.check(n(Enabled, "groupEnabled"), tr("Enabled"), 133, 156, 41, 10);
    b.group({}, tr("Mic Inputs"), 194, 46, 89, 43);
    static const int micX[] = {205, 205, 243, 243};
    static const int micY[] = {59, 72, 59, 71};
    for (int i = 0; i < 4; ++i)
        b.check(numbered(MicInput1 + i, "micInput", i + 1), tr("Mic %1").arg(i + 1), micX[i], micY[i], 32,
                10);
    b.group({}, tr("Input Enable"), 194, 100, 90, 118);
    for (int i = 0; i < 8; ++i)
        b.check(numbered(LineEnable1 + i, "lineEnable", i + 1), tr("Line %1").arg(i + 1), i < 4 ? 206 : 243,
                114 + 14 * (i % 4), 35, 10);
    b.group({}, tr("Mic Priority"), 294, 46, 83, 43);
    static const int priorityX[] = {303, 303, 340, 340};
    for (int i = 0; i < 4; ++i)
        b.check(numbered(MicPriority1 + i, "micPriority", i + 1), tr("Mic %1").arg(i + 1), priorityX[i],
                micY[i], 32, 10);
    b.group(n(EqFrame, "eqFrame"), tr("EQ"), 294, 101, 83, 117);
    b.label(n(TrebleCaption, "trebleCaption"), tr("Treble (dB):"), 305, 112, 39, 8);
    QComboBox *treble = b.combo(n(Treble, "treble"), 305, 124, 64, 30);
    b.label(n(MidCaption, "midCaption"), tr("Mid (dB):"), 305, 140, 30, 8);
    QComboBox *mid = b.combo(n(Mid, "mid"), 305, 151, 64, 30);
    b.label(n(BassCaption, "bassCaption"), tr("Bass (dB):"), 305, 168, 34, 8);
    QComboBox *bass = b.combo(n(Bass, "bass"), 305, 180, 64, 30);
    b.finish();
    adopt(b);
    bind<ZoneSettings>(kOutputTable, [this] { return shownOutput(); });
    bind<ZoneEq>(kToneTable, [this] { return shownTone(); });
    bind<GroupSettings>(kGroupTable, [this] { return shownGroup(); });
    connect(m_selector, &QComboBox::activated, this, &OutputsPage::selectOutput);
    connect(sendOne, &QPushButton::clicked, this, &OutputsPage::sendOutput);
    connect(sendAll, &QPushButton::clicked, this, &OutputsPage::sendAllOutputs);

    for (int id : groupOnlyIds())
        control(id)->hide();

    FillComboFromList(m_selector, lists::outputSelector());
    FillComboFromList(level, lists::level());
    FillComboFromList(m_selectInput, lists::selectInput());
    FillComboFromList(priorityInput, lists::priorityInput());
    FillComboFromList(outputType, lists::outputType());
    FillComboFromList(maxLevel, lists::maxLevel());
    FillComboFromList(minLevel, lists::minLevel());
    FillComboFromList(pagePriority, lists::pagePriority());
    for (QComboBox *tone : {treble, mid, bass})
        FillComboFromList(tone, lists::eq());
}

void OutputsPage::refresh() {
    const int s = m_settings.selectedOutput;
    if (s < 0 || s >= kOutputCount)
        return;
    const bool isGroup = s >= kZoneCount;
    const ZoneSettings &r = m_settings.zones[size_t(s)];

    // Typing stops at 16 characters; a longer stored name (read from the mixer or a file) is
    // still shown whole, not cut, so that an edit cannot silently drop its end.
    m_name->setMaxLength(qMax(kLabelLength, int(r.name.size())));
    m_name->setText(r.name);
    selectEntry(PagePriority, r.pagePriority);
    selectEntry(PriorityInput, r.priorityInput);

    if (!isGroup && m_selectInput->count() > kOffEntry)
        m_selectInput->removeItem(kOffEntry);
    else if (isGroup && m_selectInput->count() <= kOffEntry)
        m_selectInput->addItem(lists::displayed(lists::selectInput().value(kOffEntry)));
    // An input the box does not offer (Off on a zone) shows the first entry; the record keeps it.
    selectEntry(SelectInput, r.sourceInput);
    if (m_selectInput->currentIndex() < 0)
        m_selectInput->setCurrentIndex(0);

    selectEntry(Level, r.level);
    selectEntry(MaxLevel, r.maxLevel);
    selectEntry(MinLevel, r.minLevel);
    tickBits(MicInput1, 4, r.micInputMask);
    tickBits(MicPriority1, 4, r.micPriorityMask);
    tickBits(LineEnable1, 8, r.lineInputMask);

    for (int id : groupOnlyIds())
        control(id)->setVisible(isGroup);
    for (int id : zoneOnlyIds())
        control(id)->setVisible(!isGroup);

    if (!isGroup) {
        m_nameCaption->setText(tr("Zone name:"));
        const ZoneEq &eq = m_settings.zoneEq[size_t(s)];
        selectEntry(Treble, eq.treble);
        selectEntry(Mid, eq.mid);
        selectEntry(Bass, eq.bass);
        const bool typeEditable = s < 2;
        control(OutputType)->setEnabled(typeEditable);
        selectEntry(OutputType, typeEditable && r.stereo ? 1 : 0);
    } else {
        m_nameCaption->setText(tr("Group name:"));
        const GroupSettings &g = m_settings.groups[size_t(s - kZoneCount)];
        setChecked(Enabled, g.enabled != 0);
        tickBits(Member1, 8, g.memberMask);
    }
    m_selector->setCurrentIndex(s);
}

ZoneSettings *OutputsPage::shownOutput() {
    const int s = m_settings.selectedOutput;
    return s >= 0 && s < kOutputCount ? &m_settings.zones[size_t(s)] : nullptr;
}

ZoneEq *OutputsPage::shownTone() {
    const int s = m_settings.selectedOutput;
    return s >= 0 && s < kZoneCount ? &m_settings.zoneEq[size_t(s)] : nullptr;
}

GroupSettings *OutputsPage::shownGroup() {
    const int s = m_settings.selectedOutput;
    return s >= kZoneCount && s < kOutputCount ? &m_settings.groups[size_t(s - kZoneCount)] : nullptr;
}

void OutputsPage::selectOutput() {
    if (m_selector->currentIndex() < 0)
        return;
    m_settings.selectedOutput = m_selector->currentIndex();
    refresh();
}

void OutputsPage::sendOutput() {
    runJob(SendOutputJob(m_settings, m_settings.selectedOutput));
}

void OutputsPage::sendAllOutputs() {
    runJob(SendAllOutputsJob(m_settings));
}

} // namespace hzm
