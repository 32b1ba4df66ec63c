#pragma once

#include <QString>

#include <array>
#include <functional>

namespace hzm {

// Room of a name field in the mixer's record: 34 UTF-16 units including the terminator.
constexpr int kNameCapacity = 34;
constexpr int kMaxNameLength = kNameCapacity - 1;
// What the pages let a user type into a name, and what the settings file has room for.
constexpr int kLabelLength = 16;

constexpr int kInputCount = 8;
constexpr int kZoneCount = 8;
constexpr int kGroupCount = 4;
constexpr int kOutputCount = kZoneCount + kGroupCount;
constexpr int kMicCount = 4;

struct InputSettings {
    QString name;
    int gain = 12; // index 0..24; dB = 12 - index

    bool operator==(const InputSettings &o) const { return name == o.name && gain == o.gain; }
    bool operator!=(const InputSettings &o) const { return !(*this == o); }
};

struct GroupSettings {
    int memberMask = 0; // bit n-1 = zone n
    int enabled = 0;

    bool operator==(const GroupSettings &o) const {
        return memberMask == o.memberMask && enabled == o.enabled;
    }
    bool operator!=(const GroupSettings &o) const { return !(*this == o); }
};

struct ZoneEq {
    int treble = 7; // index 0..14; dB = 14 - 2 * index
    int mid = 7;
    int bass = 7;

    bool operator==(const ZoneEq &o) const { return treble == o.treble && mid == o.mid && bass == o.bass; }
    bool operator!=(const ZoneEq &o) const { return !(*this == o); }
};

// One output: zones 1..8 are entries 0..7, groups 1..4 entries 8..11.
struct ZoneSettings {
    int stereo = 0;
    QString name;
    int micInputMask = 0;
    int micPriorityMask = 0;
    int priorityInput = 0; // 0 none, n = line input n
    int lineInputMask = 255;
    int pagePriority = 0; // 0 OFF, 1 VOX, 2 ACCESS
    int sourceInput = 0;  // 0..7 input 1..8, 8 off (groups only)
    int level = 61;       // 0..61 = -n dB, 62 mute
    int maxLevel = 0;     // 0..62 = -n dB
    int minLevel = 62;    // 0..61 = -n dB, 62 mute

    bool operator==(const ZoneSettings &o) const;
    bool operator!=(const ZoneSettings &o) const { return !(*this == o); }
};

// Sixteen fields, in the order of the settings file's system line.
struct SystemSettings {
    int micGateMask = 15;
    int micPriorityAttenuation = 30;
    int micPriorityHold = 2;
    int micPriorityRelease = 0;
    int pagingMicOffset = 0;
    int accessContacts = 1; // 1 Input, anything else Output
    int pagingPriorityAttenuation = 30;
    int pagingPriorityHold = 2;
    int pagingPriorityRelease = 0;
    int linePriorityHold = 2;
    int linePriorityRelease = 0;
    int powerUpMode = 2; // 0 Factory, 1 Default, 2 Last
    int remoteZoneOffset = 0;
    int muteContacts = 1; // 1 N/O, anything else N/C
    int muteLevel = 0;    // 0..69 = -n dB
    int muteSource = 0;   // 0 OFF, 1..8 line input, 9..12 mic 1..4

    static constexpr int kFieldCount = 16;
    // The fields by position (0..15), in file order.
    int &field(int index);
    int field(int index) const;

    bool operator==(const SystemSettings &o) const;
    bool operator!=(const SystemSettings &o) const { return !(*this == o); }
};

// The configuration of one mixer.
struct MixerSettings {
    int selectedOutput = 0;
    int selectedInput = 0;
    SystemSettings system;
    QString softwareVersion; // four characters from the version reply, empty until asked
    std::array<InputSettings, kInputCount> inputs;
    std::array<GroupSettings, kGroupCount> groups;
    std::array<ZoneEq, kZoneCount> zoneEq;
    std::array<ZoneSettings, kOutputCount> zones;

    MixerSettings(); // factory defaults

    // Compares the configuration a mixer holds: every field but the page selections and the version.
    bool sameConfiguration(const MixerSettings &o) const;
    bool operator==(const MixerSettings &o) const;
    bool operator!=(const MixerSettings &o) const { return !(*this == o); }
};

// Tracks unsaved changes. Every store notifies the listener, if one is set, with the new value;
// the main window sets its listener only after start-up, so the first defaults notify nobody.
class ModifiedFlag {
public:
    int value() const { return m_value; }
    explicit operator bool() const { return m_value != 0; }
    void set(int value);
    void setListener(std::function<void(int)> listener) { m_listener = std::move(listener); }

private:
    int m_value = 0;
    std::function<void(int)> m_listener;
};

// Overwrites every member with the factory defaults, clears the flag and notifies its listener.
void LoadFactoryDefaults(MixerSettings &settings, ModifiedFlag &modified);
// The same without a flag (simulated mixer, tools).
void LoadFactoryDefaults(MixerSettings &settings);

// Stores a name in a 34-unit field: at most 33 characters are kept.
QString fitName(const QString &name);

} // namespace hzm
