#pragma once

// The System tab: the mixer-wide settings (paging mic, mic gates, mic and line priority,
// emergency mute, QRC zone offset, power-up mode) and "Send System".

#include "PageLayout.h"

namespace hzm {

class SystemPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls (the numbers are those of the original dialog template).
    enum Id {
        QpmOffset = 1042,
        AccessInput = 1043,
        AccessOutput = 1044,
        PagingHold = 1045,
        PagingRelease = 1046,
        PagingAttenuation = 1047,
        QrcZoneOffset = 1048,
        PowerUpMode = 1049,
        MicGate1 = 1050,
        MicGate2 = 1051,
        MicGate3 = 1052,
        MicGate4 = 1053,
        MicPriorityHold = 1054,
        MicPriorityRelease = 1055,
        MicPriorityAttenuation = 1056,
        LinePriorityHold = 1057,
        LinePriorityRelease = 1058,
        SendSystem = 1060,
        MuteNormallyOpen = 1061,
        MuteNormallyClosed = 1062,
        MuteLevel = 1063,
        MuteSource = 1064,
    };

    SystemPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

    // Loads every control from the system settings; marks nothing modified.
    void refresh() override;

private slots:
    void sendSystem();
};

} // namespace hzm
