#pragma once

// A readable view of a configuration: every setting as a labelled text and a JSON value, grouped
// by output, input and the system settings. `show` prints it, `show --json` writes it as JSON and
// `verify` compares two of them field by field.

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

namespace hzm {

struct MixerSettings;

struct FieldView {
    QString key;   // JSON member name ("level_db")
    QString label; // for people ("Level")
    QString text;  // for people ("-20 dB", "Mute", "1 on, 2 off")
    QJsonValue json;
    // Why the value cannot go to a mixer ("200 is outside 0 to 62"); empty when it can.
    QString problem = {};
};

struct SectionView {
    enum Kind { Zone, Group, Input, System };
    Kind kind = System;
    int number = 0; // zone 1..8, group 1..4, input 1..8; 0 for the system settings
    QString title;  // "Zone 1", "Group 2", "Input 3", "System"
    QList<FieldView> fields;
};

// Zones 1-8, groups 1-4, inputs 1-8, then the system settings.
QList<SectionView> ViewSettings(const MixerSettings &settings);

// The readable listing `show` prints (ends with a line end).
QString SettingsText(const MixerSettings &settings);

// The JSON document `show --json` prints.
QJsonObject SettingsJson(const MixerSettings &settings);
inline constexpr int kSettingsJsonVersion = 1;

// One field where a settings file and a mixer disagree, or that the mixer cannot report.
struct FieldDifference {
    QString section; // "Zone 1"
    QString label;   // "Level"
    QString key;     // "level_db"
    QString fileText;
    QString mixerText; // empty when not readable
    QJsonValue fileJson;
    QJsonValue mixerJson; // null when not readable
    bool readable = true;
};

// "not readable from software V1.04 or lower"
QString NotReadableText();

// The fields that differ, in the order show lists them. With olderMixer (software 1.04 or lower)
// the names, the paging-priority attenuation and the mic gates, which such a mixer does not
// report, come back as not readable instead of being compared.
QList<FieldDifference> CompareSettings(const MixerSettings &file, const MixerSettings &mixer,
                                       bool olderMixer);
// "Zone 1 Level: file -20 dB, mixer -61 dB", or "Zone 1 Name: file "Bar", mixer not readable from
// software V1.04 or lower".
QString DifferenceText(const FieldDifference &difference);
// {"section": "Zone 1", "field": "level_db", "label": "Zone 1 Level", "file": -20, "mixer": -61}
QJsonObject DifferenceJson(const FieldDifference &difference);

} // namespace hzm
