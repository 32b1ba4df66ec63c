#pragma once

// Whether a configuration can go to a mixer as it stands: every value inside its field's range.
// A record that the pages made or a mixer reported always passes; a damaged settings file may
// not (a minimum level of 200, a name with a control character in it).

#include <QList>
#include <QString>

#include <functional>

namespace hzm {

struct MixerSettings;
struct SectionView;

struct FieldProblem {
    QString field;   // named as show and verify name it: "Zone 1 Minimum level"
    QString problem; // "200 is outside 0 to 62"
};

// Every field whose value cannot be sent, in the order show lists them.
QList<FieldProblem> outOfRangeFields(const MixerSettings &settings);
// The same for the sections (outputs, inputs, the system settings) that sends picks.
QList<FieldProblem> outOfRangeFields(const MixerSettings &settings,
                                     const std::function<bool(const SectionView &)> &sends);

// "Zone 1 Minimum level: 200 is outside 0 to 62"
QString FieldProblemText(const FieldProblem &problem);

} // namespace hzm
