<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>hzm::AboutDialog</name>
    <message>
        <source>This software works best with HZM-1 software V1.05 and above.
If your HZM-1 has a lower version you should upgrade it.

Before upgrading use this tool to back up the existing settings on the HZM-1.</source>
        <translation>Dieses Programm arbeitet am besten mit HZM-1-Software ab V1.05.
Hat Ihr HZM-1 eine ältere Version, sollten Sie ihn aktualisieren.

Sichern Sie vor der Aktualisierung mit diesem Programm die vorhandenen Einstellungen des HZM-1.</translation>
    </message>
    <message>
        <source>This tool cannot read labels from a HZM-1 with software V1.04 or lower.</source>
        <translation>Dieses Programm kann von einem HZM-1 mit Software V1.04 oder älter keine Namen lesen.</translation>
    </message>
    <message>
        <source>Version %1. Free software under the MIT License.</source>
        <translation>Version %1. Freie Software unter der MIT-Lizenz.</translation>
    </message>
    <message>
        <source>About HZM1 Utility Tool</source>
        <translation>Über HZM1 Utility Tool</translation>
    </message>
    <message>
        <source>HZM-1 / HZM-1e Utility Tool</source>
        <translation>HZM-1 / HZM-1e Utility Tool</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>hzm::BaudRateDialog</name>
    <message>
        <source>Baud Rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Detecting HZM1 baud rate...</source>
        <translation>Baudrate des HZM1 wird ermittelt...</translation>
    </message>
</context>
<context>
    <name>hzm::ChangesJob</name>
    <message>
        <source>Nothing to send: the mixer holds these settings already.</source>
        <translation>Nichts zu senden: Der Mischer enthält diese Einstellungen bereits.</translation>
    </message>
</context>
<context>
    <name>hzm::CompareDialog</name>
    <message>
        <source>Compare with HZM1</source>
        <translation>Vergleich mit HZM1</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Feld</translation>
    </message>
    <message>
        <source>This file</source>
        <translation>Diese Datei</translation>
    </message>
    <message>
        <source>Mixer</source>
        <translation>Mischer</translation>
    </message>
    <message>
        <source>No differences: the mixer holds the settings of this file.</source>
        <translation>Keine Unterschiede: Der Mischer enthält die Einstellungen dieser Datei.</translation>
    </message>
    <message>
        <source>1 field differs between this file and the mixer.</source>
        <translation>1 Feld unterscheidet sich zwischen dieser Datei und dem Mischer.</translation>
    </message>
    <message>
        <source>%1 fields differ between this file and the mixer.</source>
        <translation>%1 Felder unterscheiden sich zwischen dieser Datei und dem Mischer.</translation>
    </message>
    <message>
        <source>1 field cannot be read from a mixer of software V%1.</source>
        <translation>1 Feld kann von einem Mischer mit Software V%1 nicht gelesen werden.</translation>
    </message>
    <message>
        <source>%1 fields cannot be read from a mixer of software V%2.</source>
        <translation>%1 Felder können von einem Mischer mit Software V%2 nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Differences</source>
        <translation>Unterschiede</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
</context>
<context>
    <name>hzm::Discovery</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Unable to load IP Address table</source>
        <translation>IP-Adresstabelle kann nicht geladen werden</translation>
    </message>
    <message>
        <source>No network interfaces detected</source>
        <translation>Keine Netzwerkschnittstellen gefunden</translation>
    </message>
    <message>
        <source>Unable to allocate interface table</source>
        <translation>Schnittstellentabelle kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Unable to allocate socket mutex</source>
        <translation>Socket-Mutex kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Unable to create socket</source>
        <translation>Socket kann nicht erstellt werden</translation>
    </message>
    <message>
        <source>Unable to set SO_BROADCAST</source>
        <translation>SO_BROADCAST kann nicht gesetzt werden</translation>
    </message>
    <message>
        <source>Unable to create receive thread</source>
        <translation>Empfangs-Thread kann nicht erstellt werden</translation>
    </message>
</context>
<context>
    <name>hzm::DiscoveryModel</name>
    <message>
        <source>IP Address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <translation>MAC-Adresse</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
</context>
<context>
    <name>hzm::EditHistory</name>
    <message>
        <source>&amp;Undo %1</source>
        <translation>&amp;Rückgängig: %1</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo %1</source>
        <translation>&amp;Wiederherstellen: %1</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>on</source>
        <translation>ein</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>&quot;%1&quot;</source>
        <comment>a name in the status bar</comment>
        <translation>„%1“</translation>
    </message>
</context>
<context>
    <name>hzm::HelpDialog</name>
    <message>
        <source>:/hzm/help.txt</source>
        <comment>the resource that holds the help text in this language</comment>
        <translation>:/hzm/help_de.txt</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>hzm::InputsPage</name>
    <message>
        <source>Line Input:</source>
        <translation>Eingang:</translation>
    </message>
    <message>
        <source>Send Input</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Send All Inputs</source>
        <translation>Alle senden</translation>
    </message>
    <message>
        <source>Input Settings</source>
        <translation>Eingangseinstellungen</translation>
    </message>
    <message>
        <source>Input Name:</source>
        <translation>Eingangsname:</translation>
    </message>
    <message>
        <source>Input Gain (dB):</source>
        <translation>Verstärkung (dB):</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Eingang %1</translation>
    </message>
</context>
<context>
    <name>hzm::InstallerKeyPage</name>
    <message>
        <source>Change the Installer Mode Key</source>
        <translation>Installateurcode ändern</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Key is not read when the &quot;Read HZM1&quot; button is pressed.</source>
        <translation>Der Code wird mit „HZM1 lesen“ nicht gelesen.</translation>
    </message>
    <message>
        <source>Key is not sent when the &quot;Send All&quot; button is pressed.</source>
        <translation>Der Code wird mit „Alles senden“ nicht gesendet.</translation>
    </message>
    <message>
        <source>Old Key:</source>
        <translation>Alter Code:</translation>
    </message>
    <message>
        <source>New Key:</source>
        <translation>Neuer Code:</translation>
    </message>
    <message>
        <source>Repeat New Key:</source>
        <translation>Neuen Code wiederholen:</translation>
    </message>
    <message>
        <source>Send Key</source>
        <translation>Code senden</translation>
    </message>
</context>
<context>
    <name>hzm::LogWindow</name>
    <message>
        <source>Log Window</source>
        <translation>Protokollfenster</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Copy Selected</source>
        <translation>Auswahl kopieren</translation>
    </message>
    <message>
        <source>Copy All</source>
        <translation>Alles kopieren</translation>
    </message>
    <message>
        <source>Save Log...</source>
        <translation>Protokoll speichern...</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>Protokoll speichern</translation>
    </message>
    <message>
        <source>Text Files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Unable to save the log to &quot;%1&quot;.
%2</source>
        <translation>Das Protokoll kann nicht in „%1“ gespeichert werden.
%2</translation>
    </message>
</context>
<context>
    <name>hzm::MainWindow</name>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>HZM Config Files (*.hzc)</source>
        <translation>HZM-Konfigurationsdateien (*.hzc)</translation>
    </message>
    <message>
        <source>HZM Exported Text (*.txt)</source>
        <translation>HZM-Textexport (*.txt)</translation>
    </message>
    <message>
        <source>Demo </source>
        <translation>Demo </translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Export Text</source>
        <translation>Text &amp;exportieren</translation>
    </message>
    <message>
        <source>Ex&amp;port Text As...</source>
        <translation>Text exportieren &amp;als...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Log Window On Top</source>
        <translation>Protokollfenster im &amp;Vordergrund</translation>
    </message>
    <message>
        <source>L&amp;og Window</source>
        <translation>&amp;Protokollfenster</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>Com &amp;%1</source>
        <translation>Com &amp;%1</translation>
    </message>
    <message>
        <source>Com 1&amp;0</source>
        <translation>Com 1&amp;0</translation>
    </message>
    <message>
        <source>Ethernet</source>
        <translation>Ethernet</translation>
    </message>
    <message>
        <source>Other Serial Port...</source>
        <translation>Andere serielle Schnittstelle...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Help...</source>
        <translation>&amp;Hilfe...</translation>
    </message>
    <message>
        <source>&amp;About ...</source>
        <translation>Ü&amp;ber ...</translation>
    </message>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Outputs</source>
        <translation>Ausgänge</translation>
    </message>
    <message>
        <source>Installer Key</source>
        <translation>Installateurcode</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Get Version</source>
        <translation>Version abfragen</translation>
    </message>
    <message>
        <source>Send All</source>
        <translation>Alles senden</translation>
    </message>
    <message>
        <source>Read HZM1</source>
        <translation>HZM1 lesen</translation>
    </message>
    <message>
        <source>Set Defaults</source>
        <translation>Standardwerte setzen</translation>
    </message>
    <message>
        <source>Reset HZM1</source>
        <translation>HZM1 zurücksetzen</translation>
    </message>
    <message>
        <source>Choose a Port</source>
        <translation>Port wählen</translation>
    </message>
    <message>
        <source>Discard current changes ?</source>
        <translation>Aktuelle Änderungen verwerfen?</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Unable to load file</source>
        <translation>Die Datei kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Unable to save the settings to &quot;%1&quot;.
%2</source>
        <translation>Die Einstellungen können nicht in „%1“ gespeichert werden.
%2</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Unable to export the settings to &quot;%1&quot;.
%2</source>
        <translation>Die Einstellungen können nicht nach „%1“ exportiert werden.
%2</translation>
    </message>
    <message>
        <source>Export As</source>
        <translation>Exportieren unter</translation>
    </message>
    <message>
        <source>Close without saving changes ?</source>
        <translation>Ohne Speichern der Änderungen schließen?</translation>
    </message>
    <message>
        <source>Serial Port</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Serial port or device path:</source>
        <translation>Serielle Schnittstelle oder Gerätepfad:</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <source>Transfer complete.</source>
        <translation>Übertragung abgeschlossen.</translation>
    </message>
    <message>
        <source>Transfer failed.</source>
        <translation>Übertragung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Send all settings to HZM-1 ?</source>
        <translation>Alle Einstellungen an den HZM-1 senden?</translation>
    </message>
    <message>
        <source>No other serial ports were found. Type the device path (such as %1):</source>
        <translation>Keine weiteren seriellen Schnittstellen gefunden. Geben Sie den Gerätepfad ein (z. B. %1):</translation>
    </message>
    <message>
        <source>Please choose either a COM Port, or Ethernet, from the &quot;Port&quot; menu, to connect to the HZM-1.</source>
        <translation>Bitte wählen Sie im Menü „Port“ einen COM-Port oder Ethernet, um die Verbindung zum HZM-1 herzustellen.</translation>
    </message>
    <message>
        <source>&amp;Mixer</source>
        <translation>&amp;Mischer</translation>
    </message>
    <message>
        <source>&amp;Compare with HZM1...</source>
        <translation>Mit HZM1 &amp;vergleichen...</translation>
    </message>
    <message>
        <source>&amp;Send Changes</source>
        <translation>Änderungen &amp;senden</translation>
    </message>
    <message>
        <source>The program does not know what HZM-1 holds: Send Changes works after a Read HZM1, Send All or Send Changes on this port.

Send all settings to HZM-1 instead ?</source>
        <translation>Das Programm weiß nicht, was der HZM-1 enthält: „Änderungen senden“ ist erst nach „HZM1 lesen“, „Alles senden“ oder „Änderungen senden“ an diesem Port möglich.

Stattdessen alle Einstellungen an den HZM-1 senden?</translation>
    </message>
    <message>
        <source>Send Changes</source>
        <translation>Änderungen senden</translation>
    </message>
    <message>
        <source>Send the changes to HZM-1 ?
1 command will be sent.</source>
        <translation>Die Änderungen an den HZM-1 senden?
Es wird 1 Befehl gesendet.</translation>
    </message>
    <message>
        <source>Send the changes to HZM-1 ?
%1 commands will be sent.</source>
        <translation>Die Änderungen an den HZM-1 senden?
Es werden %1 Befehle gesendet.</translation>
    </message>
    <message>
        <source>&amp;Live</source>
        <translation>&amp;Live</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Every change is sent to HZM-1 at once (Mixer &gt; Live).</source>
        <translation>Jede Änderung wird sofort an den HZM-1 gesendet (Mischer &gt; Live).</translation>
    </message>
    <message>
        <source>Live needs to know what HZM-1 holds: it works after a Read HZM1, Send All or Send Changes on this port.

Read HZM1 now ? The settings being edited are replaced by those of HZM-1.</source>
        <translation>Live muss wissen, was der HZM-1 enthält: Es ist erst nach „HZM1 lesen“, „Alles senden“ oder „Änderungen senden“ an diesem Port möglich.

Jetzt „HZM1 lesen“? Die bearbeiteten Einstellungen werden durch die des HZM-1 ersetzt.</translation>
    </message>
    <message>
        <source>Live: on. Every change is sent to HZM-1 at once.</source>
        <translation>Live: ein. Jede Änderung wird sofort an den HZM-1 gesendet.</translation>
    </message>
    <message>
        <source>earlier changes</source>
        <translation>frühere Änderungen</translation>
    </message>
    <message>
        <source>Live: off</source>
        <translation>Live: aus</translation>
    </message>
    <message>
        <source>Live: %1 sent</source>
        <translation>Live: %1 gesendet</translation>
    </message>
    <message>
        <source>Live: %1 not sent</source>
        <translation>Live: %1 nicht gesendet</translation>
    </message>
    <message>
        <source>Live sending failed: %1 did not reach HZM-1.

Live is off, and the program no longer knows what HZM-1 holds.</source>
        <translation>Live-Senden fehlgeschlagen: %1 hat den HZM-1 nicht erreicht.

Live ist aus, und das Programm weiß nicht mehr, was der HZM-1 enthält.</translation>
    </message>
    <message>
        <source>(%1 more)</source>
        <translation>(%1 weitere)</translation>
    </message>
    <message>
        <source>Line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>Damaged file</source>
        <translation>Beschädigte Datei</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is damaged:
%2

It was loaded as far as it could be read; missing values were set to 0. Check the settings before sending them to HZM-1.</source>
        <translation>Die Datei „%1“ ist beschädigt:
%2

Sie wurde geladen, soweit sie lesbar war; fehlende Werte wurden auf 0 gesetzt. Prüfen Sie die Einstellungen, bevor Sie sie an den HZM-1 senden.</translation>
    </message>
    <message>
        <source>Nothing was sent: these values lie outside their ranges.
%1

Choose valid values on the pages, then send again.</source>
        <translation>Es wurde nichts gesendet: Diese Werte liegen außerhalb ihres Bereichs.
%1

Wählen Sie auf den Seiten gültige Werte und senden Sie dann erneut.</translation>
    </message>
</context>
<context>
    <name>hzm::MixerJobs</name>
    <message>
        <source>Cannot receive version.
Check connection</source>
        <translation>Die Version kann nicht empfangen werden.
Bitte die Verbindung prüfen.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source> Key must have four characters.
Only &apos;1&apos; to &apos;8&apos; allowed</source>
        <translation>Der Code muss vier Zeichen lang sein.
Nur „1“ bis „8“ sind erlaubt.</translation>
    </message>
    <message>
        <source>Old Key invalid!
</source>
        <translation>Alter Code ungültig!
</translation>
    </message>
    <message>
        <source>New Key invalid!
</source>
        <translation>Neuer Code ungültig!
</translation>
    </message>
    <message>
        <source>New key and Repeat New 
 Do not match.</source>
        <translation>Neuer Code und Wiederholung
stimmen nicht überein.</translation>
    </message>
</context>
<context>
    <name>hzm::OptionLists</name>
    <message>
        <source>Zone %1</source>
        <translation>Zone %1</translation>
    </message>
    <message>
        <source>Group %1</source>
        <translation>Gruppe %1</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Eingang %1</translation>
    </message>
    <message>
        <source>Line %1</source>
        <translation>Line %1</translation>
    </message>
    <message>
        <source>Mic %1</source>
        <translation>Mic %1</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Factory</source>
        <translation>Werk</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Zuletzt</translation>
    </message>
</context>
<context>
    <name>hzm::OutputsPage</name>
    <message>
        <source>Zone / Group:</source>
        <translation>Zone/Gruppe:</translation>
    </message>
    <message>
        <source>Send Output</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Send All Outputs</source>
        <translation>Alle senden</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Zone Name:</source>
        <translation>Zonenname:</translation>
    </message>
    <message>
        <source>Level (dB):</source>
        <translation>Pegel (dB):</translation>
    </message>
    <message>
        <source>Select Input:</source>
        <translation>Eingangswahl:</translation>
    </message>
    <message>
        <source>Priority Input:</source>
        <translation>Vorrangeingang:</translation>
    </message>
    <message>
        <source>Output Type:</source>
        <translation>Ausgangsart:</translation>
    </message>
    <message>
        <source>Max Level (dB):</source>
        <translation>Max. Pegel (dB):</translation>
    </message>
    <message>
        <source>Page Priority Select:</source>
        <translation>Durchsagevorrang:</translation>
    </message>
    <message>
        <source>Min Level (dB):</source>
        <translation>Min. Pegel (dB):</translation>
    </message>
    <message>
        <source>Group  Members</source>
        <translation>Gruppenmitglieder</translation>
    </message>
    <message>
        <source>Zone %1</source>
        <translation>Zone %1</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Mic Inputs</source>
        <translation>Mic-Eingänge</translation>
    </message>
    <message>
        <source>Mic %1</source>
        <translation>Mic %1</translation>
    </message>
    <message>
        <source>Input Enable</source>
        <translation>Eingangsfreigabe</translation>
    </message>
    <message>
        <source>Line %1</source>
        <translation>Line %1</translation>
    </message>
    <message>
        <source>Mic Priority</source>
        <translation>Mic-Vorrang</translation>
    </message>
    <message>
        <source>EQ</source>
        <translation>EQ</translation>
    </message>
    <message>
        <source>Treble (dB):</source>
        <translation>Höhen (dB):</translation>
    </message>
    <message>
        <source>Mid (dB):</source>
        <translation>Mitten (dB):</translation>
    </message>
    <message>
        <source>Bass (dB):</source>
        <translation>Bässe (dB):</translation>
    </message>
    <message>
        <source>Zone name:</source>
        <translation>Zonenname:</translation>
    </message>
    <message>
        <source>Group name:</source>
        <translation>Gruppenname:</translation>
    </message>
</context>
<context>
    <name>hzm::PortProbe</name>
    <message>
        <source>The COM port is currently in use or is not present. Please check your system before selecting this port.</source>
        <translation>Der COM-Port ist belegt oder nicht vorhanden. Bitte prüfen Sie Ihr System, bevor Sie diesen Port wählen.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Unable to auto-detect baud rate, setting to 9600.
Please ensure the HZM-1 is connected.</source>
        <translation>Die Baudrate konnte nicht automatisch ermittelt werden und wird auf 9600 gesetzt.
Bitte stellen Sie sicher, dass der HZM-1 angeschlossen ist.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>hzm::SerialPermission</name>
    <message>
        <source>You may not use %1: on Linux your user belongs in the group &quot;%2&quot; (sudo usermod -aG %2 $USER, then log out and in again).</source>
        <translation>Sie dürfen %1 nicht verwenden: Unter Linux gehört Ihr Benutzer in die Gruppe „%2“ (sudo usermod -aG %2 $USER, danach ab- und wieder anmelden).</translation>
    </message>
</context>
<context>
    <name>hzm::SettingsFile</name>
    <message>
        <source>an output line</source>
        <translation>eine Ausgangszeile</translation>
    </message>
    <message>
        <source>a tone line</source>
        <translation>eine Klangzeile</translation>
    </message>
    <message>
        <source>a group line</source>
        <translation>eine Gruppenzeile</translation>
    </message>
    <message>
        <source>an input line</source>
        <translation>eine Eingangszeile</translation>
    </message>
    <message>
        <source>the system line</source>
        <translation>die Systemzeile</translation>
    </message>
    <message>
        <source>a carriage return without a line feed at column %1</source>
        <translation>ein Wagenrücklauf ohne Zeilenvorschub in Spalte %1</translation>
    </message>
    <message>
        <source>a NUL character at column %1</source>
        <translation>ein NUL-Zeichen in Spalte %1</translation>
    </message>
    <message>
        <source>not UTF-8 text</source>
        <translation>kein UTF-8-Text</translation>
    </message>
    <message>
        <source>%1 characters where %2 has %3</source>
        <translation>%1 Zeichen, wo %2 %3 hat</translation>
    </message>
    <message>
        <source>&quot;%1&quot; at column %2 where a hexadecimal digit belongs</source>
        <translation>„%1“ in Spalte %2, wo eine Hexadezimalziffer stehen muss</translation>
    </message>
    <message>
        <source>the file is larger than a settings file can be (more than %1 bytes)</source>
        <translation>die Datei ist größer, als eine Einstellungsdatei sein kann (mehr als %1 Bytes)</translation>
    </message>
    <message>
        <source>more than %1 lines</source>
        <translation>mehr als %1 Zeilen</translation>
    </message>
    <message>
        <source>missing: the file ends after line %1 of %2</source>
        <translation>fehlt: die Datei endet nach Zeile %1 von %2</translation>
    </message>
    <message>
        <source>%1 characters, more than a line can have</source>
        <translation>%1 Zeichen, mehr als eine Zeile haben kann</translation>
    </message>
</context>
<context>
    <name>hzm::SettingsView</name>
    <message>
        <source>invalid (%1)</source>
        <translation>ungültig (%1)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>on</source>
        <translation>ein</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>Zone %1</source>
        <translation>Zone %1</translation>
    </message>
    <message>
        <source>Group %1</source>
        <translation>Gruppe %1</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Output type</source>
        <translation>Ausgangsart</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Select input</source>
        <translation>Eingangswahl</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Eingang %1</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Pegel</translation>
    </message>
    <message>
        <source>Maximum level</source>
        <translation>Maximaler Pegel</translation>
    </message>
    <message>
        <source>Minimum level</source>
        <translation>Minimaler Pegel</translation>
    </message>
    <message>
        <source>Mic inputs</source>
        <translation>Mic-Eingänge</translation>
    </message>
    <message>
        <source>Mic priority</source>
        <translation>Mic-Vorrang</translation>
    </message>
    <message>
        <source>Input enable</source>
        <translation>Eingangsfreigabe</translation>
    </message>
    <message>
        <source>Priority input</source>
        <translation>Vorrangeingang</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
    <message>
        <source>Line %1</source>
        <translation>Line %1</translation>
    </message>
    <message>
        <source>Treble</source>
        <translation>Höhen</translation>
    </message>
    <message>
        <source>Mid</source>
        <translation>Mitten</translation>
    </message>
    <message>
        <source>Bass</source>
        <translation>Bässe</translation>
    </message>
    <message>
        <source>Page priority</source>
        <translation>Durchsagevorrang</translation>
    </message>
    <message>
        <source>Member zones</source>
        <translation>Mitgliedszonen</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>Verstärkung</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Power-up mode</source>
        <translation>Einschaltmodus</translation>
    </message>
    <message>
        <source>Remote zone offset</source>
        <translation>QRC-Zonenoffset</translation>
    </message>
    <message>
        <source>Paging mic offset</source>
        <translation>QPM-Offset</translation>
    </message>
    <message>
        <source>Access contacts</source>
        <translation>Access-Kontakte</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgang</translation>
    </message>
    <message>
        <source>Paging priority attenuation</source>
        <translation>Durchsagevorrang Dämpfung</translation>
    </message>
    <message>
        <source>Paging priority hold</source>
        <translation>Durchsagevorrang Haltezeit</translation>
    </message>
    <message>
        <source>Paging priority release</source>
        <translation>Durchsagevorrang Freigabe</translation>
    </message>
    <message>
        <source>Mic priority attenuation</source>
        <translation>Mic-Vorrang Dämpfung</translation>
    </message>
    <message>
        <source>Mic priority hold</source>
        <translation>Mic-Vorrang Haltezeit</translation>
    </message>
    <message>
        <source>Mic priority release</source>
        <translation>Mic-Vorrang Freigabe</translation>
    </message>
    <message>
        <source>Mic gates</source>
        <translation>Mic-Gates</translation>
    </message>
    <message>
        <source>Line priority hold</source>
        <translation>Line-Vorrang Haltezeit</translation>
    </message>
    <message>
        <source>Line priority release</source>
        <translation>Line-Vorrang Freigabe</translation>
    </message>
    <message>
        <source>Emergency mute contacts</source>
        <translation>Notstummschaltung Kontakte</translation>
    </message>
    <message>
        <source>N/O</source>
        <translation>Schließer</translation>
    </message>
    <message>
        <source>N/C</source>
        <translation>Öffner</translation>
    </message>
    <message>
        <source>Emergency mute source</source>
        <translation>Notstummschaltung Quelle</translation>
    </message>
    <message>
        <source>Emergency mute level</source>
        <translation>Notstummschaltung Pegel</translation>
    </message>
    <message>
        <source>not readable from software V1.04 or lower</source>
        <translation>mit Software V1.04 oder älter nicht lesbar</translation>
    </message>
    <message>
        <source>%1 %2: file %3, mixer %4</source>
        <translation>%1 %2: Datei %3, Mischer %4</translation>
    </message>
    <message>
        <source>%1 is outside 0 to %2</source>
        <translation>%1 liegt außerhalb von 0 bis %2</translation>
    </message>
    <message>
        <source>holds control characters</source>
        <translation>enthält Steuerzeichen</translation>
    </message>
</context>
<context>
    <name>hzm::SystemPage</name>
    <message>
        <source>Paging Mic</source>
        <translation>Durchsagemikrofon</translation>
    </message>
    <message>
        <source>QPM Offset:</source>
        <translation>QPM-Offset:</translation>
    </message>
    <message>
        <source>Access Contacts</source>
        <translation>Access-Kontakte</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgang</translation>
    </message>
    <message>
        <source>Priority</source>
        <translation>Vorrang</translation>
    </message>
    <message>
        <source>Hold (s):</source>
        <translation>Haltezeit (s):</translation>
    </message>
    <message>
        <source>Release (s):</source>
        <translation>Freigabe (s):</translation>
    </message>
    <message>
        <source>Attenuation (dB):</source>
        <translation>Dämpfung (dB):</translation>
    </message>
    <message>
        <source>QRC Zone Offset:</source>
        <translation>QRC-Zonenoffset:</translation>
    </message>
    <message>
        <source>Power Up Mode:</source>
        <translation>Einschaltmodus:</translation>
    </message>
    <message>
        <source>Mic Gates</source>
        <translation>Mic-Gates</translation>
    </message>
    <message>
        <source>Mic %1</source>
        <translation>Mic %1</translation>
    </message>
    <message>
        <source>Mic Priority</source>
        <translation>Mic-Vorrang</translation>
    </message>
    <message>
        <source>Line Priority</source>
        <translation>Line-Vorrang</translation>
    </message>
    <message>
        <source>Emergency Mute</source>
        <translation>Notstummschaltung</translation>
    </message>
    <message>
        <source>Mute Contacts</source>
        <translation>Kontakte</translation>
    </message>
    <message>
        <source>N/O</source>
        <translation>Schließer</translation>
    </message>
    <message>
        <source>N/C</source>
        <translation>Öffner</translation>
    </message>
    <message>
        <source>Mute Level (dB):</source>
        <translation>Stummpegel (dB):</translation>
    </message>
    <message>
        <source>Source:</source>
        <translation>Quelle:</translation>
    </message>
    <message>
        <source>Send System</source>
        <translation>System senden</translation>
    </message>
    <message>
        <source>Paging Mic Priority</source>
        <translation>Durchsagemikrofon Vorrang</translation>
    </message>
</context>
<context>
    <name>hzm::TabPage</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>hzm::TcpSettingsDialog</name>
    <message>
        <source>TCP/IP Settings</source>
        <translation>TCP/IP-Einstellungen</translation>
    </message>
    <message>
        <source>Enter the IP address and TCP/IP port number which will be used to communicate with the HZM-1e</source>
        <translation>Geben Sie die IP-Adresse und die TCP/IP-Portnummer ein, über die mit dem HZM-1e kommuniziert wird</translation>
    </message>
    <message>
        <source>IP Address: </source>
        <translation>IP-Adresse: </translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Discovery</source>
        <translation>Gerätesuche</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Please enter the mixer&apos;s IP address as four numbers from 0 to 255, separated by dots.</source>
        <translation>Bitte geben Sie die IP-Adresse des Mischers als vier durch Punkte getrennte Zahlen von 0 bis 255 ein.</translation>
    </message>
    <message>
        <source>Please enter a TCP/IP port number from 1 to 65535.</source>
        <translation>Bitte geben Sie eine TCP/IP-Portnummer von 1 bis 65535 ein.</translation>
    </message>
</context>
<context>
    <name>hzm::TransferDialog</name>
    <message>
        <source>Transfer in progress</source>
        <translation>Übertragung läuft</translation>
    </message>
    <message>
        <source>%v of %m</source>
        <translation>%v von %m</translation>
    </message>
    <message>
        <source>Command sent:</source>
        <translation>Gesendeter Befehl:</translation>
    </message>
    <message>
        <source>Response received:</source>
        <translation>Empfangene Antwort:</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The simulated mixer did not start:
%1</source>
        <translation>Der simulierte Mischer ist nicht gestartet:
%1</translation>
    </message>
</context>
</TS>
