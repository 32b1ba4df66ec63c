#include "SettingsCheck.h"

#include "model/SettingsView.h"

namespace hzm {

QList<FieldProblem> outOfRangeFields(const MixerSettings &settings) {
    return outOfRangeFields(settings, [](const SectionView &) { return true; });
}

QList<FieldProblem> outOfRangeFields(const MixerSettings &settings,
                                     const std::function<bool(const SectionView &)> &sends) {
    QList<FieldProblem> problems;
    for (const SectionView &section : ViewSettings(settings)) {
        if (!sends(section))
            continue;
        for (const FieldView &field : section.fields)
            if (!field.problem.isEmpty())
                problems << FieldProblem{section.title + QLatin1Char(' ') + field.label, field.problem};
    }
    return problems;
}

QString FieldProblemText(const FieldProblem &problem) {
    return problem.field + QStringLiteral(": ") + problem.problem;
}

} // namespace hzm
