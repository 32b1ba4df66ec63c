#include "MixerSettings.h"

namespace hzm {

bool ZoneSettings::operator==(const ZoneSettings &o) const {
    return stereo == o.stereo && name == o.name && micInputMask == o.micInputMask &&
           micPriorityMask == o.micPriorityMask && priorityInput == o.priorityInput &&
           lineInputMask == o.lineInputMask && pagePriority == o.pagePriority && sourceInput == o.sourceInput &&
           level == o.level && maxLevel == o.maxLevel && minLevel == o.minLevel;
}

int &SystemSettings::field(int index) {
    int *fields[kFieldCount] = {&micGateMask,
                                &micPriorityAttenuation,
                                &micPriorityHold,
                                &micPriorityRelease,
                                &pagingMicOffset,
                                &accessContacts,
                                &pagingPriorityAttenuation,
                                &pagingPriorityHold,
                                &pagingPriorityRelease,
                                &linePriorityHold,
                                &linePriorityRelease,
                                &powerUpMode,
                                &remoteZoneOffset,
                                &muteContacts,
                                &muteLevel,
                                &muteSource};
    return *fields[index];
}

int SystemSettings::field(int index) const { return const_cast<SystemSettings *>(this)->field(index); }

bool SystemSettings::operator==(const SystemSettings &o) const {
    for (int i = 0; i < kFieldCount; ++i) {
        if (field(i) != o.field(i))
            return false;
    }
    return true;
}

MixerSettings::MixerSettings() { LoadFactoryDefaults(*this); }

bool MixerSettings::sameConfiguration(const MixerSettings &o) const {
    return system == o.system && inputs == o.inputs && groups == o.groups && zoneEq == o.zoneEq &&
           zones == o.zones;
}

bool MixerSettings::operator==(const MixerSettings &o) const {
    return selectedOutput == o.selectedOutput && selectedInput == o.selectedInput &&
           softwareVersion == o.softwareVersion && sameConfiguration(o);
}

void ModifiedFlag::set(int value) {
    m_value = value;
    if (m_listener)
        m_listener(value);
}

void LoadFactoryDefaults(MixerSettings &s) {
    for (int i = 0; i < kOutputCount; ++i) {
        ZoneSettings &z = s.zones[i];
        z = ZoneSettings();
        z.name = i < kZoneCount ? QStringLiteral("Zone %1").arg(i + 1)
                                : QStringLiteral("Group %1").arg(i - kZoneCount + 1);
        z.stereo = i < 2 ? 1 : 0;
        z.micInputMask = i < kMicCount ? 1 << i : 0;
    }
    s.zoneEq.fill(ZoneEq());
    s.softwareVersion.clear();
    s.groups.fill(GroupSettings());
    s.selectedOutput = 0;
    for (int i = 0; i < kInputCount; ++i) {
        s.inputs[i].gain = 12;
        s.inputs[i].name = QStringLiteral("Input %1").arg(i + 1);
    }
    s.selectedInput = 0;
    s.system = SystemSettings();
}

void LoadFactoryDefaults(MixerSettings &settings, ModifiedFlag &modified) {
    LoadFactoryDefaults(settings);
    modified.set(0);
}

QString fitName(const QString &name) {
    QString fitted = name.left(kMaxNameLength);
    // Never keep half of a character that needs two UTF-16 units.
    if (fitted.size() == kMaxNameLength && fitted.back().isHighSurrogate())
        fitted.chop(1);
    return fitted;
}

} // namespace hzm
