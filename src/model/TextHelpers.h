#pragma once

// Text rules shared by every command builder, reply parser and the settings file.
// All text is UTF-16 (QString); the functions keep the exact clamping and digit rules
// the mixer's fixed text forms rely on.

#include <QString>
#include <QStringList>

class QIODevice;

namespace hzm {

// Substring with clamping: a start at or past the end yields the last character (not an
// empty text), a negative start counts as 0, a count running past the end is cut there.
QString Mid(const QString &text, int start, int count);
inline QString Left(const QString &text, int count) {
    return Mid(text, 0, count);
}

// A copy without trailing units of code 32 or less.
QString TrimRight(const QString &text);
// A copy with the letters a..z upper-cased and nothing else changed.
QString AsciiUpper(const QString &text);

// Upper-case hexadecimal with at least four digits: 0 -> "0000", 65536 -> "10000".
QString FormatHex(quint32 value);
// The first four characters as hexadecimal; 0 when shorter or when one of them is no hex digit.
int ParseHex4(const QString &text);
// C-style integer conversion: leading white space, optional sign, digits up to the first other
// character; no digits give 0. Values past the int range are clamped.
int ParseInt(const QString &text);
// Decimal number with an optional point ("1.05" -> 1.05); malformed input gives 0.
double ParseDecimal(const QString &text);

// An option list: constant texts; the first empty entry (or the end) ends the list.
using OptionList = QStringList;
// Index of the first entry equal to the text ignoring case, -1 when none (and for an empty text).
int FindInList(const QString &text, const OptionList &list);
// Index of the first entry equal to the text exactly (case-sensitive), -1 when none.
int FindExactInList(const QString &text, const OptionList &list);
// The entry at index, or an empty text when the index is outside the list.
QString ListEntry(const OptionList &list, int index);

// At most 16 characters, each with a code from 32 to 126.
bool IsValidLabel(const QString &text);

// The text as it may be shown to a person: every control character (C0, DEL, C1, and the line
// and paragraph separators) becomes a visible escape such as "\x1b" or "\u2028"; everything
// else stays as it is. Texts from the network (device names, replies) pass through here before
// they reach a terminal or a list.
QString escapedForDisplay(const QString &text);
// Whether the text holds a character that escapedForDisplay escapes.
bool HasControlCharacters(const QString &text);

// Longest line ReadLine hands back at once; longer lines come back in pieces.
constexpr int kMaxLineChars = 1023;

// Reads one line of UTF-8 text from a device: strips "\n" (and the "\r" before it), and a
// byte-order mark at the very start of the device. Returns false at the end of the data or on
// a read error, leaving the target unchanged. A line longer than 1023 characters is returned in
// pieces on successive calls. Only the bytes of the lines handed out are decoded: a line that is
// not valid UTF-8 is a read error (invalidText() then tells it apart from the end of the data),
// and whatever follows the last line asked for is never examined.
class LineReader {
public:
    explicit LineReader(QIODevice &device);
    bool ReadLine(QString &target);
    bool invalidText() const { return m_invalid; }

private:
    bool fill();
    QIODevice &m_device;
    QByteArray m_raw; // bytes read from the device and not yet handed out
    bool m_atStart = true;
    bool m_eof = false;
    bool m_invalid = false;
};

} // namespace hzm
