#pragma once

// The mixer's command sets: settings into commands (send) and replies into settings (read).
// Every operation returns true on success and false at the first command the mixer refuses or leaves
// unanswered (after the exchange's four attempts). Send operations take the exchange mode:
// Exchange (1) talks to a mixer, WriteOnly (0) writes the framed commands to a file link.
// The observer receives every report of every exchange; it may be null.

#include "link/CommandExchange.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace hzm {

class Comms;
struct MixerSettings;

// The name as it goes on the wire: up to a zero character, and a name of exactly nine characters
// followed by one space.
QString NameForWire(const QString &name);

// ---- Inputs (index 0..7 for sending, number 1..8 for reading)

// Name, then gain: "L1,L=Input 1", "L1,G0".
bool SendInput(const MixerSettings &settings, int index, int mode, Comms &link, ExchangeObserver *observer);
// Label (mixers above 1.04 only), then gain. A number outside 1..8 fails with nothing sent.
bool ReadInput(MixerSettings &settings, int number, Comms &link, ExchangeObserver *observer);

// ---- Outputs: zones 1..8 are indices 0..7 (numbers 1..8), groups 1..4 indices 8..11 (numbers 9..12)

bool SendOutput(const MixerSettings &settings, int index, int mode, Comms &link, ExchangeObserver *observer);
// A number outside 1..12 fails with nothing sent.
bool ReadOutput(MixerSettings &settings, int number, Comms &link, ExchangeObserver *observer);

// ---- System settings

// The nineteen system commands.
bool SendSystemSettings(const MixerSettings &settings, int mode, Comms &link, ExchangeObserver *observer);
// Twelve queries for mixers above 1.04, nine exchanges (one of them writes the paging attenuation)
// for older ones. With writeBack false that write is left out (eight exchanges): the attenuation
// keeps its value and the mixer is only asked, never changed.
bool ReadSystemSettings(MixerSettings &settings, Comms &link, ExchangeObserver *observer,
                        bool writeBack = true);

// ---- Whole configuration

// The twelve outputs, the eight inputs and the system settings, in the order of Send all. In
// exchange mode the link pauses 500 ms after each output and each input; in write-only mode (the
// text export) nothing pauses. Stops at the first failing command.
bool SendAllCommands(const MixerSettings &settings, int mode, Comms &link, ExchangeObserver *observer);
// The version query, twelve outputs, eight inputs and the system settings. Stops at the first
// failure, leaving everything read so far in the record. showMessage (may be empty) receives the
// version error; plannedChanged (may be empty) the command count once the version is known.
bool ReadAllCommands(MixerSettings &settings, Comms &link, ExchangeObserver *observer,
                     const std::function<void(const QString &, const QString &)> &showMessage = {},
                     const std::function<void(int)> &plannedChanged = {}, bool writeBack = true);

// ---- The send commands by value (for sending only what changed)

// The commands that set one value of the mixer: mostly one, two for a group's members (all removed,
// then its own added) and for an output without a priority input (line 1's priority on, then off).
struct CommandUnit {
    QStringList bodies;
    // false for the values a mixer of software 1.04 or older does not report to a read (labels,
    // mic gates): a record read from such a mixer does not know what it holds for them.
    bool reportedByOlderMixers = true;
};
using CommandUnits = std::vector<CommandUnit>;

// What SendOutput, SendInput and SendSystemSettings send, in the same order, unit by unit. The
// number of units depends only on which output or input it is, never on the values. An index
// out of range gives no units.
CommandUnits SendOutputCommandUnits(const MixerSettings &settings, int index);
CommandUnits SendInputCommandUnits(const MixerSettings &settings, int index);
CommandUnits SendSystemCommandUnits(const MixerSettings &settings);

// ---- Command counts (for progress)

int SendInputCommandCount();                                          // 2
int SendOutputCommandCount(const MixerSettings &settings, int index); // 22 to 28
int SendSystemCommandCount();                                         // 19
int SendAllCommandCount(const MixerSettings &settings);               // 345 for the factory defaults
int ReadInputCommandCount(const QString &softwareVersion);            // 1 or 2
int ReadOutputCommandCount(int number, const QString &softwareVersion);
int ReadSystemCommandCount(const QString &softwareVersion, bool writeBack = true); // 12 or 9 (8)
int ReadAllCommandCount(const QString &softwareVersion, bool writeBack = true);    // 239 or 216 (215)

// ---- Version, defaults, reset

// "Cannot receive version.\nCheck connection"
QString VersionErrorText();
// Asks "SY,VQ" and stores the four version characters. A reply of the wrong form shows the
// version error through showMessage (caption "Error") and fails.
bool GetVersion(MixerSettings &settings, Comms &link, ExchangeObserver *observer,
                const std::function<void(const QString &, const QString &)> &showMessage = {});

} // namespace hzm
