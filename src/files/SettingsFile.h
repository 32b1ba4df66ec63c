#pragma once

// The settings file ("*.hzc"): the whole configuration of one mixer as a short UTF-8 text file
// with fixed columns. Written with a byte-order mark and CR LF line ends; read with or without
// the mark and with either line end.
//
// Layout, 35 lines:
//   1       "ORVANE HZM-1 CONFIG"
//   2       "V2.24"
//   3..14   outputs (zones 1-8, groups 1-4): stereo flag, name (16), nine hex fields
//   15..22  tone of zones 1-8: treble, mid, bass
//   23..26  groups 1-4: member mask, enabled flag
//   27..34  inputs 1-8: name (16), gain
//   35      system: sixteen fields of four columns, fields 5 and 13 as flags
// A hex field is four upper-case digits, a flag "0001" or "0000", a name sixteen columns padded
// with spaces. The page selections and the mixer's version are not stored.

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace hzm {

struct MixerSettings;
class ModifiedFlag;

constexpr int kSettingsFileLineCount = 35;

QString SettingsFileHeader();  // "ORVANE HZM-1 CONFIG"
QString SettingsFileVersion(); // "V2.24"

// The 35 lines of the file for these settings, without line ends.
QStringList SettingsFileLines(const MixerSettings &settings);
// The complete file as it goes to disk: byte-order mark, then every line followed by CR LF.
QByteArray SettingsFileBytes(const MixerSettings &settings);

// Writes the file through a temporary file in the same folder that replaces path only once it
// is complete: a failed save leaves an earlier file as it was. A device or a pipe at path is
// written to directly and stays what it is (see OutputFile). Returns true and clears modified
// on success; returns false, leaves modified as it was and describes the failure in error otherwise.
bool SaveSettingsFile(const QString &path, const MixerSettings &settings, ModifiedFlag &modified,
                      QString *error = nullptr);

// Reads a settings file. A file that cannot be opened (missing, a folder, not a regular file)
// returns false and leaves settings and modified untouched. Once it is open the settings start from
// the factory defaults (clearing modified); true when all 35 lines were read, else false with the
// settings back at the factory defaults: the file ended early, or one of its 35 lines is not
// UTF-8 text. The two header lines are not examined, and nothing after the 35th line is read.
// lines (if given) receives the lines as read, for ForeignSettingsLine.
bool LoadSettingsFile(const QString &path, MixerSettings &settings, ModifiedFlag &modified,
                      QString *error = nullptr, QStringList *lines = nullptr);

// The reading part of LoadSettingsFile, from the device's current position.
bool ReadSettingsFile(QIODevice &device, MixerSettings &settings, ModifiedFlag &modified,
                      QString *error = nullptr, QStringList *lines = nullptr);
// The same from bytes in memory.
bool ParseSettingsFile(const QByteArray &bytes, MixerSettings &settings, QString *error = nullptr);

// The reader takes any lines of text, so a text export or a log loads too. Before such a file
// goes to a mixer as its configuration: the number (from 1) of the first record line whose hex
// and flag columns hold something other than hexadecimal digits, or 0 when every line could be
// a settings line. Columns a short line lacks, the header, the names and anything after the last
// column are not looked at.
int ForeignSettingsLine(const QStringList &lines);

// Largest file taken for a settings file: the 35 lines need about 2 kB, names of many-byte
// characters at most twice that.
constexpr int kMaxSettingsFileBytes = 16 * 1024;

// Where a settings file is damaged, so that the reader fills in what it lacks (missing values
// read 0).
struct FileDamage {
    int line; // from 1
    QString problem;
};

// What keeps bytes from being an intact settings file, at most one problem per line, in line
// order: a carriage return without its line feed (lines run together), text that is not UTF-8,
// a line longer than the reader takes at once, fewer or more than 35 lines, and in the record
// lines (3 to 35) a NUL, the wrong width, or a hex or flag column without a hexadecimal digit;
// or else only that the file is larger than kMaxSettingsFileBytes. The header's text is not
// examined further, nor are empty lines after the last one. Empty for an intact file. The problems are in the
// language of the installed translation. Of a larger file, the first kMaxSettingsFileBytes + 1 bytes are
// enough.
QList<FileDamage> settingsFileDamage(const QByteArray &bytes);

} // namespace hzm
