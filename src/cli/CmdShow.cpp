#include "CommandRun.h"

#include "model/SettingsView.h"

#include <QJsonDocument>

namespace hzm::cli {

namespace {

class Show : public Command {
public:
    Show() {
        name = QStringLiteral("show");
        summary = QStringLiteral("print a settings file readably, or as JSON");
        description = QStringLiteral(
            R"(Prints the settings file FILE readably: every output, input and system setting with
names, dB values and on/off; or, with --json, as this JSON document
(format "hzm-settings", format_version 1; members are only ever added):
  {"format": "hzm-settings", "format_version": 1,
   "outputs": [ {"kind": "zone"|"group", "number": N, "name": TEXT,
                 "stereo": BOOL (zones 1 and 2 only), "select_input": 1..8 | "off",
                 "level_db": -61..0 | "mute",
                 "max_level_db": -62..0, "min_level_db": -61..0 | "mute"   (zones),
                 "mic_inputs": [MIC...], "mic_priority": [MIC...], "line_inputs": [LINE...],
                 "priority_input": 1..8 | "none",
                 "treble_db", "mid_db", "bass_db": -14..14, "page_priority":
                 "OFF"|"VOX"|"ACCESS"   (zones),
                 "members": [ZONE...], "enabled": BOOL   (groups)} ... 12 entries,
                 zones 1-8 then groups 1-4 ],
   "inputs": [ {"number": N, "name": TEXT, "gain_db": -12..12} ... 8 entries ],
   "system": {"power_up_mode": "Factory"|"Default"|"Last", "remote_zone_offset": 0..120,
              "paging_mic_offset": 0..15, "access_contacts": "Input"|"Output",
              "paging_priority_attenuation_db": -46..0, "paging_priority_hold_s": 1..12,
              "paging_priority_release_s": 1..12, "mic_priority_attenuation_db": -46..0,
              "mic_priority_hold_s": 1..12, "mic_priority_release_s": 1..12,
              "mic_gates": [MIC...], "line_priority_hold_s": 1..12,
              "line_priority_release_s": 1..12, "mute_contacts": "N/O"|"N/C",
              "mute_source": "OFF"|"Input N"|"Mic N", "mute_level_db": -69..0}}
  Lists hold the numbers that are on. A value outside its range in the file is null.
)");
        arguments = {{QStringLiteral("FILE"), QStringLiteral("the settings file (\"-\": standard input)")}};
        options = {{QStringLiteral("json"), QStringLiteral("print the JSON document described above")}};
    }

    int run(CommandRun &r) const override {
        MixerSettings settings;
        int status = 0;
        if (!r.loadFile(r.args.positional.at(0), settings, status))
            return status;
        if (r.isSet(QStringLiteral("json")))
            r.streams.out.write(QJsonDocument(SettingsJson(settings)).toJson(QJsonDocument::Indented));
        else
            r.printOut(SettingsText(settings));
        return ExitSuccess;
    }
};

HZM_COMMAND(Show)

} // namespace

} // namespace hzm::cli
