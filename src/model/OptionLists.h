#pragma once

// The option lists of the tab pages' combo boxes. A settings field edited by a combo box holds
// the index of its entry; the command builders and reply parsers use the same lists.

#include "TextHelpers.h"

namespace hzm::lists {

const OptionList &gain();             // "+12" .. "0" .. "-12" (25); index k = 12 - k dB
const OptionList &level();            // "0", "-1" .. "-61", "MUTE" (63)
const OptionList &selectInput();      // "1" .. "8", "Off" (9; "Off" for groups only)
const OptionList &priorityInput();    // "None", "Line 1" .. "Line 8" (9)
const OptionList &outputType();       // "Mono", "Stereo"
const OptionList &maxLevel();         // "0" .. "-62" (63)
const OptionList &minLevel();         // "0" .. "-61", "MUTE" (63)
const OptionList &pagePriority();     // "OFF", "VOX", "ACCESS"
const OptionList &eq();               // "+14", "+12" .. "0" .. "-14" (15); index k = 14 - 2k dB
const OptionList &outputSelector();   // "Zone 1" .. "Zone 8", "Group 1" .. "Group 4"
const OptionList &offset16();         // "0" .. "15" (QPM offset)
const OptionList &seconds12();        // "1" .. "12" (hold and release times)
const OptionList &attenuation();      // "0" .. "-46" (47)
const OptionList &remoteZoneOffset(); // "0", "8" .. "120" (16)
const OptionList &powerUpMode();      // "Factory", "Default", "Last"
const OptionList &muteLevel();        // "0" .. "-69" (70)
const OptionList &muteSource();       // "OFF", "Input 1" .. "Input 8", "Mic 1" .. "Mic 4" (13)

// An entry as people read it: "Zone 3", "Off" in the language of the installed translation (the
// desktop program's; hzmctl installs none). The lists themselves stay as the commands use them.
QString displayed(const QString &entry);

} // namespace hzm::lists
