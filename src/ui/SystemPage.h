#pragma once

// The System tab: the mixer-wide settings (paging mic, mic gates, mic and line priority,
// emergency mute, QRC zone offset, power-up mode) and "Send System".

#include "PageLayout.h"

namespace hzm {

class SystemPage : public TabPage {
    Q_OBJECT
public:
    // The page's controls; their object names are the keys with a small first letter. Numbered
    // controls follow each other.
    enum class Control {
        QpmOffset,
        AccessInput,
        AccessOutput,
        PagingHold,
        PagingRelease,
        PagingAttenuation,
        QrcZoneOffset,
        PowerUpMode,
        MicGate1,
        MicGate2,
        MicGate3,
        MicGate4,
        MicPriorityHold,
        MicPriorityRelease,
        MicPriorityAttenuation,
        LinePriorityHold,
        LinePriorityRelease,
        MuteNormallyOpen,
        MuteNormallyClosed,
        MuteLevel,
        MuteSource,
        SendSystem,
    };
    Q_ENUM(Control)

    // The system settings' fields.
    static const BindingTable<SystemSettings, Control> &bindings();

    SystemPage(MixerSettings &settings, ModifiedFlag &modified, QWidget *parent = nullptr);

private slots:
    void sendSystem();
};

} // namespace hzm
