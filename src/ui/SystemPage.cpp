#include "SystemPage.h"

#include "ControlBinding.h"
#include "MessageBoxes.h"
#include "model/OptionLists.h"
#include "protocol/MixerJobs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

namespace hzm {

SystemPage::SystemPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent)
    : TabPage(settings, modified, parent) {
    PageBuilder b(this);
    const auto n = [](int id, const char *name) { return ControlName{id, QLatin1String(name)}; };
    b.group({}, tr("Paging Mic"), 16, 17, 181, 120);
    b.label({}, tr("QPM Offset:"), 25, 34, 60, 8);
    QComboBox *qpm = b.combo(n(QpmOffset, "qpmOffset"), 25, 44, 72, 30);
    b.group({}, tr("Access Contacts"), 25, 62, 72, 69);
    b.radio(n(AccessInput, "accessInput"), tr("Input"), 35, 80, 50, 10, true);
    b.radio(n(AccessOutput, "accessOutput"), tr("Output"), 35, 102, 50, 10);
    b.group({}, tr("Priority"), 107, 29, 81, 103)->setAccessibleName(tr("Paging Mic Priority"));
    b.label({}, tr("Hold (s):"), 115, 41, 64, 8);
    QComboBox *pagingHold = b.combo(n(PagingHold, "pagingHold"), 115, 51, 64, 30);
    b.label({}, tr("Release (s):"), 115, 72, 64, 8);
    QComboBox *pagingRelease = b.combo(n(PagingRelease, "pagingRelease"), 115, 82, 64, 30);
    b.label({}, tr("Attenuation (dB):"), 115, 103, 64, 8);
    QComboBox *pagingAttenuation = b.combo(n(PagingAttenuation, "pagingAttenuation"), 115, 113, 64, 30);
    b.label({}, tr("QRC Zone Offset:"), 20, 150, 70, 8);
    QComboBox *qrc = b.combo(n(QrcZoneOffset, "qrcZoneOffset"), 20, 161, 59, 30);
    b.label({}, tr("Power Up Mode:"), 107, 150, 70, 8);
    QComboBox *powerUp = b.combo(n(PowerUpMode, "powerUpMode"), 107, 161, 59, 30);
    b.group({}, tr("Mic Gates"), 205, 18, 48, 119);
    for (int i = 0; i < kMicCount; ++i)
        b.check(ControlName{MicGate1 + i, QStringLiteral("micGate%1").arg(i + 1)}, tr("Mic %1").arg(i + 1),
                214, 36 + 18 * i, 32, 10);
    b.group({}, tr("Mic Priority"), 263, 18, 77, 119);
    b.label({}, tr("Hold (s):"), 270, 30, 64, 8);
    QComboBox *micHold = b.combo(n(MicPriorityHold, "micPriorityHold"), 270, 40, 64, 30);
    b.label({}, tr("Release (s):"), 270, 61, 64, 8);
    QComboBox *micRelease = b.combo(n(MicPriorityRelease, "micPriorityRelease"), 270, 71, 64, 30);
    b.label({}, tr("Attenuation (dB):"), 270, 92, 64, 8);
    QComboBox *micAttenuation =
        b.combo(n(MicPriorityAttenuation, "micPriorityAttenuation"), 270, 102, 64, 30);
    b.group({}, tr("Line Priority"), 347, 18, 84, 119);
    b.label({}, tr("Hold (s):"), 357, 30, 64, 8);
    QComboBox *lineHold = b.combo(n(LinePriorityHold, "linePriorityHold"), 357, 40, 64, 30);
    b.label({}, tr("Release (s):"), 357, 61, 64, 8);
    QComboBox *lineRelease = b.combo(n(LinePriorityRelease, "linePriorityRelease"), 357, 71, 64, 30);
    b.group({}, tr("Emergency Mute"), 264, 143, 167, 87);
    b.group({}, tr("Mute Contacts"), 270, 158, 70, 63);
    b.radio(n(MuteNormallyOpen, "muteNormallyOpen"), tr("N/O"), 280, 176, 40, 10, true);
    b.radio(n(MuteNormallyClosed, "muteNormallyClosed"), tr("N/C"), 280, 198, 40, 10);
    b.label({}, tr("Mute Level (dB):"), 354, 158, 64, 8);
    QComboBox *muteLevel = b.combo(n(MuteLevel, "muteLevel"), 354, 168, 64, 30);
    b.label({}, tr("Source:"), 354, 190, 64, 8);
    QComboBox *muteSource = b.combo(n(MuteSource, "muteSource"), 354, 200, 64, 30);
    auto *send = b.button(n(SendSystem, "sendSystem"), tr("Send System"), 185, 233, 50, 14);
    b.finish();
    adopt(b);
    bind<SystemSettings>(kSystemTable, [this] { return &m_settings.system; });
    connect(send, &QPushButton::clicked, this, &SystemPage::sendSystem);

    FillComboFromList(qpm, lists::offset16());
    FillComboFromList(pagingHold, lists::seconds12());
    FillComboFromList(pagingRelease, lists::seconds12());
    FillComboFromList(pagingAttenuation, lists::attenuation());
    FillComboFromList(micHold, lists::seconds12());
    FillComboFromList(micRelease, lists::seconds12());
    FillComboFromList(micAttenuation, lists::attenuation());
    FillComboFromList(lineHold, lists::seconds12());
    FillComboFromList(lineRelease, lists::seconds12());
    FillComboFromList(muteLevel, lists::muteLevel());
    FillComboFromList(muteSource, lists::muteSource());
    FillComboFromList(qrc, lists::remoteZoneOffset());
    FillComboFromList(powerUp, lists::powerUpMode());
}

void SystemPage::refresh() {
    const SystemSettings &sys = m_settings.system;
    for (int n = 0; n < kMicCount; ++n)
        setChecked(MicGate1 + n, (sys.micGateMask >> n) & 1);
    selectEntry(MicPriorityAttenuation, sys.micPriorityAttenuation);
    selectEntry(MicPriorityHold, sys.micPriorityHold);
    selectEntry(MicPriorityRelease, sys.micPriorityRelease);
    selectEntry(QpmOffset, sys.pagingMicOffset);
    // Checking one radio button of an exclusive pair clears the other.
    setChecked(sys.accessContacts == 1 ? AccessInput : AccessOutput, true);
    selectEntry(PagingAttenuation, sys.pagingPriorityAttenuation);
    selectEntry(PagingHold, sys.pagingPriorityHold);
    selectEntry(PagingRelease, sys.pagingPriorityRelease);
    selectEntry(LinePriorityHold, sys.linePriorityHold);
    selectEntry(LinePriorityRelease, sys.linePriorityRelease);
    selectEntry(PowerUpMode, sys.powerUpMode);
    selectEntry(QrcZoneOffset, sys.remoteZoneOffset);
    setChecked(sys.muteContacts == 1 ? MuteNormallyOpen : MuteNormallyClosed, true);
    selectEntry(MuteLevel, sys.muteLevel);
    selectEntry(MuteSource, sys.muteSource);
}

void SystemPage::sendSystem() {
    runJob(SendSystemJob());
}

} // namespace hzm
