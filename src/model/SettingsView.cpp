#include "SettingsView.h"

#include "model/MixerSettings.h"
#include "model/OptionLists.h"
#include "model/TextHelpers.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <algorithm>

namespace hzm {

namespace {

// Labels and values are for people: in the language of the installed translation (the desktop
// program's); hzmctl installs none, so its listings stay English. JSON keys and values never change.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(hzm::SettingsView)
};

QString outsideRange(int value, int last) {
    return Text::tr("%1 is outside 0 to %2").arg(value).arg(last);
}

// A value outside its field's range 0..last: shown with its index, null in JSON.
FieldView invalid(const QString &key, const QString &label, int value, int last) {
    return {key, label, Text::tr("invalid (%1)").arg(value), QJsonValue(QJsonValue::Null),
            outsideRange(value, last)};
}

FieldView textField(const QString &key, const QString &label, const QString &text) {
    return {key, label, text, QJsonValue(text)};
}

// Names come from files and mixers: control characters are shown escaped, JSON keeps them
// (its own escaping makes them harmless). A name holding one cannot go to a mixer.
FieldView nameField(const QString &label, const QString &name) {
    return {QStringLiteral("name"), label, escapedForDisplay(name), QJsonValue(name),
            HasControlCharacters(name) ? Text::tr("holds control characters") : QString()};
}

// A flag: 0 or 1.
FieldView flagField(const QString &key, const QString &label, int value, const QString &on,
                    const QString &off) {
    return {key, label, value ? on : off, QJsonValue(value != 0),
            value == 0 || value == 1 ? QString() : outsideRange(value, 1)};
}

// Index n of a list running "0", "-1", ... (optionally with "MUTE" at muteIndex): -n dB.
FieldView attenuationField(const QString &key, const QString &label, int index, int count,
                           int muteIndex = -1) {
    if (index == muteIndex)
        return {key, label, Text::tr("Mute"), QJsonValue(QStringLiteral("mute"))};
    if (index < 0 || index >= count)
        return invalid(key, label, index, std::max(count - 1, muteIndex));
    return {key, label, QStringLiteral("%1 dB").arg(-index), QJsonValue(-index)};
}

// Index k of a signed scale starting at top and falling by step: top - step * k dB.
FieldView signedDbField(const QString &key, const QString &label, int index, int top, int step) {
    const int count = 2 * top / step + 1;
    if (index < 0 || index >= count)
        return invalid(key, label, index, count - 1);
    const int db = top - step * index;
    return {key, label, (db > 0 ? QStringLiteral("+%1 dB") : QStringLiteral("%1 dB")).arg(db),
            QJsonValue(db)};
}

FieldView secondsField(const QString &key, const QString &label, int index) {
    if (index < 0 || index >= 12)
        return invalid(key, label, index, 11);
    return {key, label, QStringLiteral("%1 s").arg(index + 1), QJsonValue(index + 1)};
}

// Bit n-1 of mask for n = 1..count: "1 on  2 off  ..." (no commas, so that verify's
// "file ..., mixer ..." stays readable); JSON: the numbers that are on.
FieldView maskField(const QString &key, const QString &label, int mask, int count) {
    QStringList parts;
    QJsonArray on;
    for (int n = 1; n <= count; ++n) {
        const bool set = mask & (1 << (n - 1));
        parts << QStringLiteral("%1 %2").arg(n).arg(set ? Text::tr("on") : Text::tr("off"));
        if (set)
            on.append(n);
    }
    const int all = (1 << count) - 1;
    return {key, label, parts.join(QStringLiteral("  ")), on,
            (mask & ~all) == 0 ? QString() : outsideRange(mask, all)};
}

FieldView listField(const QString &key, const QString &label, int index, const OptionList &list) {
    if (index < 0 || index >= list.size())
        return invalid(key, label, index, int(list.size()) - 1);
    return textField(key, label, lists::displayed(list.at(index)));
}

SectionView outputView(const MixerSettings &s, int index) {
    const ZoneSettings &z = s.zones[size_t(index)];
    const bool zone = index < kZoneCount;
    SectionView v;
    v.kind = zone ? SectionView::Zone : SectionView::Group;
    v.number = zone ? index + 1 : index - kZoneCount + 1;
    v.title = (zone ? Text::tr("Zone %1") : Text::tr("Group %1")).arg(v.number);
    auto &f = v.fields;
    f << nameField(Text::tr("Name"), z.name);
    if (index < 2)
        f << flagField(QStringLiteral("stereo"), Text::tr("Output type"), z.stereo, Text::tr("Stereo"),
                       Text::tr("Mono"));
    if (z.sourceInput >= 0 && z.sourceInput < kInputCount)
        f << FieldView{QStringLiteral("select_input"), Text::tr("Select input"),
                       Text::tr("Input %1").arg(z.sourceInput + 1), QJsonValue(z.sourceInput + 1)};
    else if (z.sourceInput == kInputCount)
        f << FieldView{QStringLiteral("select_input"), Text::tr("Select input"), Text::tr("Off"),
                       QJsonValue(QStringLiteral("off"))};
    else
        f << invalid(QStringLiteral("select_input"), Text::tr("Select input"), z.sourceInput, kInputCount);
    f << attenuationField(QStringLiteral("level_db"), Text::tr("Level"), z.level, 62, 62);
    if (zone) {
        f << attenuationField(QStringLiteral("max_level_db"), Text::tr("Maximum level"), z.maxLevel, 63);
        f << attenuationField(QStringLiteral("min_level_db"), Text::tr("Minimum level"), z.minLevel, 62, 62);
    }
    f << maskField(QStringLiteral("mic_inputs"), Text::tr("Mic inputs"), z.micInputMask, kMicCount);
    f << maskField(QStringLiteral("mic_priority"), Text::tr("Mic priority"), z.micPriorityMask, kMicCount);
    f << maskField(QStringLiteral("line_inputs"), Text::tr("Input enable"), z.lineInputMask, kInputCount);
    if (z.priorityInput == 0)
        f << FieldView{QStringLiteral("priority_input"), Text::tr("Priority input"), Text::tr("None"),
                       QJsonValue(QStringLiteral("none"))};
    else if (z.priorityInput > 0 && z.priorityInput <= kInputCount)
        f << FieldView{QStringLiteral("priority_input"), Text::tr("Priority input"),
                       Text::tr("Line %1").arg(z.priorityInput), QJsonValue(z.priorityInput)};
    else
        f << invalid(QStringLiteral("priority_input"), Text::tr("Priority input"), z.priorityInput,
                     kInputCount);
    if (zone) {
        const ZoneEq &eq = s.zoneEq[size_t(index)];
        f << signedDbField(QStringLiteral("treble_db"), Text::tr("Treble"), eq.treble, 14, 2);
        f << signedDbField(QStringLiteral("mid_db"), Text::tr("Mid"), eq.mid, 14, 2);
        f << signedDbField(QStringLiteral("bass_db"), Text::tr("Bass"), eq.bass, 14, 2);
        f << listField(QStringLiteral("page_priority"), Text::tr("Page priority"), z.pagePriority,
                       lists::pagePriority());
    } else {
        const GroupSettings &g = s.groups[size_t(index - kZoneCount)];
        QStringList members;
        QJsonArray memberArray;
        for (int n = 1; n <= kZoneCount; ++n) {
            if (g.memberMask & (1 << (n - 1))) {
                members << QString::number(n);
                memberArray.append(n);
            }
        }
        FieldView memberField{QStringLiteral("members"), Text::tr("Member zones"),
                              members.isEmpty() ? Text::tr("none") : members.join(QLatin1Char(' ')),
                              memberArray};
        if (g.memberMask & ~0xFF)
            memberField.problem = outsideRange(g.memberMask, 0xFF);
        f << memberField;
        f << flagField(QStringLiteral("enabled"), Text::tr("Enabled"), g.enabled, Text::tr("on"),
                       Text::tr("off"));
    }
    return v;
}

SectionView inputView(const MixerSettings &s, int index) {
    const InputSettings &in = s.inputs[size_t(index)];
    SectionView v;
    v.kind = SectionView::Input;
    v.number = index + 1;
    v.title = Text::tr("Input %1").arg(v.number);
    v.fields << nameField(Text::tr("Name"), in.name);
    v.fields << signedDbField(QStringLiteral("gain_db"), Text::tr("Gain"), in.gain, 12, 1);
    return v;
}

SectionView systemView(const MixerSettings &s) {
    const SystemSettings &y = s.system;
    SectionView v;
    v.kind = SectionView::System;
    v.title = Text::tr("System");
    auto &f = v.fields;
    f << listField(QStringLiteral("power_up_mode"), Text::tr("Power-up mode"), y.powerUpMode,
                   lists::powerUpMode());
    if (y.remoteZoneOffset >= 0 && y.remoteZoneOffset < lists::remoteZoneOffset().size())
        f << FieldView{QStringLiteral("remote_zone_offset"), Text::tr("Remote zone offset"),
                       QString::number(y.remoteZoneOffset * 8), QJsonValue(y.remoteZoneOffset * 8)};
    else
        f << invalid(QStringLiteral("remote_zone_offset"), Text::tr("Remote zone offset"), y.remoteZoneOffset,
                     int(lists::remoteZoneOffset().size()) - 1);
    if (y.pagingMicOffset >= 0 && y.pagingMicOffset < 16)
        f << FieldView{QStringLiteral("paging_mic_offset"), Text::tr("Paging mic offset"),
                       QString::number(y.pagingMicOffset), QJsonValue(y.pagingMicOffset)};
    else
        f << invalid(QStringLiteral("paging_mic_offset"), Text::tr("Paging mic offset"), y.pagingMicOffset,
                     15);
    f << textField(QStringLiteral("access_contacts"), Text::tr("Access contacts"),
                   y.accessContacts == 1 ? Text::tr("Input") : Text::tr("Output"));
    f << attenuationField(QStringLiteral("paging_priority_attenuation_db"),
                          Text::tr("Paging priority attenuation"), y.pagingPriorityAttenuation, 47);
    f << secondsField(QStringLiteral("paging_priority_hold_s"), Text::tr("Paging priority hold"),
                      y.pagingPriorityHold);
    f << secondsField(QStringLiteral("paging_priority_release_s"), Text::tr("Paging priority release"),
                      y.pagingPriorityRelease);
    f << attenuationField(QStringLiteral("mic_priority_attenuation_db"), Text::tr("Mic priority attenuation"),
                          y.micPriorityAttenuation, 47);
    f << secondsField(QStringLiteral("mic_priority_hold_s"), Text::tr("Mic priority hold"),
                      y.micPriorityHold);
    f << secondsField(QStringLiteral("mic_priority_release_s"), Text::tr("Mic priority release"),
                      y.micPriorityRelease);
    f << maskField(QStringLiteral("mic_gates"), Text::tr("Mic gates"), y.micGateMask, kMicCount);
    f << secondsField(QStringLiteral("line_priority_hold_s"), Text::tr("Line priority hold"),
                      y.linePriorityHold);
    f << secondsField(QStringLiteral("line_priority_release_s"), Text::tr("Line priority release"),
                      y.linePriorityRelease);
    f << textField(QStringLiteral("mute_contacts"), Text::tr("Emergency mute contacts"),
                   y.muteContacts == 1 ? Text::tr("N/O") : Text::tr("N/C"));
    f << listField(QStringLiteral("mute_source"), Text::tr("Emergency mute source"), y.muteSource,
                   lists::muteSource());
    f << attenuationField(QStringLiteral("mute_level_db"), Text::tr("Emergency mute level"), y.muteLevel, 70);
    return v;
}

} // namespace

QList<SectionView> ViewSettings(const MixerSettings &settings) {
    QList<SectionView> views;
    for (int i = 0; i < kOutputCount; ++i)
        views << outputView(settings, i);
    for (int i = 0; i < kInputCount; ++i)
        views << inputView(settings, i);
    views << systemView(settings);
    return views;
}

QString SettingsText(const MixerSettings &settings) {
    int width = 0;
    const QList<SectionView> views = ViewSettings(settings);
    for (const SectionView &v : views)
        for (const FieldView &f : v.fields)
            width = std::max(width, int(f.label.size()));
    QString out;
    for (const SectionView &v : views) {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        out += v.title + QLatin1Char('\n');
        for (const FieldView &f : v.fields)
            out += QStringLiteral("  ") + (f.label + QLatin1Char(':')).leftJustified(width + 2) + f.text +
                   QLatin1Char('\n');
    }
    return out;
}

QJsonObject SettingsJson(const MixerSettings &settings) {
    QJsonArray outputs;
    QJsonArray inputs;
    QJsonObject system;
    for (const SectionView &v : ViewSettings(settings)) {
        QJsonObject object;
        switch (v.kind) {
        case SectionView::Zone:
            object.insert(QStringLiteral("kind"), QStringLiteral("zone"));
            break;
        case SectionView::Group:
            object.insert(QStringLiteral("kind"), QStringLiteral("group"));
            break;
        default:
            break;
        }
        if (v.kind != SectionView::System)
            object.insert(QStringLiteral("number"), v.number);
        for (const FieldView &f : v.fields)
            object.insert(f.key, f.json);
        if (v.kind == SectionView::Input)
            inputs.append(object);
        else if (v.kind == SectionView::System)
            system = object;
        else
            outputs.append(object);
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QStringLiteral("hzm-settings"));
    root.insert(QStringLiteral("format_version"), kSettingsJsonVersion);
    root.insert(QStringLiteral("outputs"), outputs);
    root.insert(QStringLiteral("inputs"), inputs);
    root.insert(QStringLiteral("system"), system);
    return root;
}

QString NotReadableText() {
    return Text::tr("not readable from software V1.04 or lower");
}

QList<FieldDifference> CompareSettings(const MixerSettings &file, const MixerSettings &mixer,
                                       bool olderMixer) {
    const QList<SectionView> a = ViewSettings(file);
    const QList<SectionView> b = ViewSettings(mixer);
    QList<FieldDifference> differences;
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
        const QList<FieldView> &fa = a.at(i).fields;
        const QList<FieldView> &fb = b.at(i).fields;
        for (qsizetype k = 0; k < fa.size() && k < fb.size(); ++k) {
            const QString &key = fa.at(k).key;
            const bool readable = !olderMixer || (key != QLatin1String("name") &&
                                                  key != QLatin1String("paging_priority_attenuation_db") &&
                                                  key != QLatin1String("mic_gates"));
            if (readable && fa.at(k).text == fb.at(k).text && fa.at(k).json == fb.at(k).json)
                continue;
            FieldDifference d;
            d.section = a.at(i).title;
            d.label = fa.at(k).label;
            d.key = key;
            d.fileText = fa.at(k).text;
            d.fileJson = fa.at(k).json;
            d.readable = readable;
            if (readable) {
                d.mixerText = fb.at(k).text;
                d.mixerJson = fb.at(k).json;
            }
            differences << d;
        }
    }
    return differences;
}

QString DifferenceText(const FieldDifference &d) {
    const bool isName = d.key == QLatin1String("name");
    const auto shown = [isName](const QString &t) {
        return isName ? QLatin1Char('"') + t + QLatin1Char('"') : t;
    };
    return Text::tr("%1 %2: file %3, mixer %4")
        .arg(d.section, d.label, shown(d.fileText), d.readable ? shown(d.mixerText) : NotReadableText());
}

QJsonObject DifferenceJson(const FieldDifference &d) {
    return QJsonObject{{QStringLiteral("section"), d.section},
                       {QStringLiteral("field"), d.key},
                       {QStringLiteral("label"), d.section + QLatin1Char(' ') + d.label},
                       {QStringLiteral("file"), d.fileJson},
                       {QStringLiteral("mixer"), d.readable ? d.mixerJson : QJsonValue()}};
}

} // namespace hzm
