#include "SystemPage.h"

#include "model/OptionLists.h"
#include "protocol/MixerJobs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace hzm {

const BindingTable<SystemSettings, SystemPage::Control> &SystemPage::bindings() {
    using C = Control;
    using S = SystemSettings;
    static const BindingTable<S, C> table = {
        comboRow(C::QpmOffset, &S::pagingMicOffset, lists::offset16),
        radioRow(C::AccessInput, ValueKind::Flag, &S::accessContacts, 0, 1),
        radioRow(C::AccessOutput, ValueKind::Flag, &S::accessContacts, 1, 0),
        comboRow(C::PagingHold, &S::pagingPriorityHold, lists::seconds12),
        comboRow(C::PagingRelease, &S::pagingPriorityRelease, lists::seconds12),
        comboRow(C::PagingAttenuation, &S::pagingPriorityAttenuation, lists::attenuation),
        comboRow(C::QrcZoneOffset, &S::remoteZoneOffset, lists::remoteZoneOffset),
        comboRow(C::PowerUpMode, &S::powerUpMode, lists::powerUpMode),
        bitRow(C::MicGate1, &S::micGateMask, 1),
        bitRow(C::MicGate2, &S::micGateMask, 2),
        bitRow(C::MicGate3, &S::micGateMask, 4),
        bitRow(C::MicGate4, &S::micGateMask, 8),
        comboRow(C::MicPriorityHold, &S::micPriorityHold, lists::seconds12),
        comboRow(C::MicPriorityRelease, &S::micPriorityRelease, lists::seconds12),
        comboRow(C::MicPriorityAttenuation, &S::micPriorityAttenuation, lists::attenuation),
        comboRow(C::LinePriorityHold, &S::linePriorityHold, lists::seconds12),
        comboRow(C::LinePriorityRelease, &S::linePriorityRelease, lists::seconds12),
        radioRow(C::MuteNormallyOpen, ValueKind::Choice, &S::muteContacts, 0, 1),
        radioRow(C::MuteNormallyClosed, ValueKind::Choice, &S::muteContacts, 1, 0),
        comboRow(C::MuteLevel, &S::muteLevel, lists::muteLevel),
        comboRow(C::MuteSource, &S::muteSource, lists::muteSource),
    };
    return table;
}

SystemPage::SystemPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    using C = Control;
    PageBuilder b(this);
    QGroupBox *pagingMic = b.group(tr("Paging Mic"));
    PageBuilder::grid(pagingMic)->addLayout(b.field(tr("QPM Offset:"), b.combo(C::QpmOffset, 72)), 0, 0);
    QGroupBox *access = b.group(tr("Access Contacts"));
    PageBuilder::grid(access)->addWidget(b.radio(C::AccessInput, tr("Input"), true), 0, 0);
    PageBuilder::grid(access)->addWidget(b.radio(C::AccessOutput, tr("Output")), 1, 0);
    PageBuilder::grid(pagingMic)->addWidget(access, 1, 0);
    QGroupBox *pagingPriority = b.group(tr("Priority"));
    pagingPriority->setAccessibleName(tr("Paging Mic Priority"));
    b.fields(pagingPriority, {{tr("Hold (s):"), b.combo(C::PagingHold, 64)},
                              {tr("Release (s):"), b.combo(C::PagingRelease, 64)},
                              {tr("Attenuation (dB):"), b.combo(C::PagingAttenuation, 64)}});
    PageBuilder::grid(pagingMic)->addWidget(pagingPriority, 0, 1, 2, 1);

    auto *startup = new QGridLayout;
    startup->setHorizontalSpacing(b.units().x(14));
    startup->addLayout(b.field(tr("QRC Zone Offset:"), b.combo(C::QrcZoneOffset, 59)), 0, 0);
    startup->addLayout(b.field(tr("Power Up Mode:"), b.combo(C::PowerUpMode, 59)), 0, 1);
    startup->setColumnStretch(2, 1);

    QGroupBox *gates = b.group(tr("Mic Gates"));
    b.checks(gates, C::MicGate1, kMicCount, kMicCount, tr("Mic %1"));
    PageBuilder::grid(gates)->setRowStretch(kMicCount, 1);
    QGroupBox *micPriority = b.group(tr("Mic Priority"));
    b.fields(micPriority, {{tr("Hold (s):"), b.combo(C::MicPriorityHold, 64)},
                           {tr("Release (s):"), b.combo(C::MicPriorityRelease, 64)},
                           {tr("Attenuation (dB):"), b.combo(C::MicPriorityAttenuation, 64)}});
    QGroupBox *linePriority = b.group(tr("Line Priority"));
    b.fields(linePriority, {{tr("Hold (s):"), b.combo(C::LinePriorityHold, 64)},
                            {tr("Release (s):"), b.combo(C::LinePriorityRelease, 64)}});

    QGroupBox *mute = b.group(tr("Emergency Mute"));
    QGroupBox *contacts = b.group(tr("Mute Contacts"));
    PageBuilder::grid(contacts)->addWidget(b.radio(C::MuteNormallyOpen, tr("N/O"), true), 0, 0);
    PageBuilder::grid(contacts)->addWidget(b.radio(C::MuteNormallyClosed, tr("N/C")), 1, 0);
    PageBuilder::grid(mute)->addWidget(contacts, 0, 0, 2, 1);
    PageBuilder::grid(mute)->addLayout(b.field(tr("Mute Level (dB):"), b.combo(C::MuteLevel, 64)), 0, 1);
    PageBuilder::grid(mute)->addLayout(b.field(tr("Source:"), b.combo(C::MuteSource, 64)), 1, 1);
    auto *send = b.button(C::SendSystem, tr("Send System"), 50);

    QGridLayout *page = b.pageGrid();
    page->addWidget(pagingMic, 0, 0);
    page->addWidget(gates, 0, 1);
    page->addWidget(micPriority, 0, 2);
    page->addWidget(linePriority, 0, 3);
    page->addLayout(startup, 1, 0, Qt::AlignTop);
    page->addWidget(mute, 1, 2, 1, 2);
    page->addWidget(send, 2, 0, 1, 4, Qt::AlignHCenter);
    page->setColumnStretch(4, 1);
    page->setRowStretch(3, 1);
    b.finish();
    adopt(b);
    bind(bindings(), [this] { return &m_settings.system; });
    connect(send, &QPushButton::clicked, this, &SystemPage::sendSystem);
}

void SystemPage::sendSystem() {
    runJob(SendSystemJob());
}

} // namespace hzm
