#include "TextHelpers.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace hzm {

QString Mid(const QString &text, int start, int count) {
    const int length = int(text.size());
    if (length == 0)
        return QString();
    int begin = start;
    if (begin < 0)
        begin = 0;
    else if (begin >= length)
        begin = length - 1;
    const int n = std::min(std::max(count, 0), length - begin);
    return text.mid(begin, n);
}

QString TrimRight(const QString &text) {
    int end = int(text.size());
    while (end > 0 && text.at(end - 1).unicode() <= 32)
        --end;
    return text.left(end);
}

QString AsciiUpper(const QString &text) {
    QString result = text;
    for (QChar &c : result) {
        if (c.unicode() >= 'a' && c.unicode() <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

QString FormatHex(quint32 value) {
    static const char digits[] = "0123456789ABCDEF";
    QString reversed;
    do {
        reversed.append(QLatin1Char(digits[value & 0xF]));
        value >>= 4;
    } while (reversed.size() < 4 || value != 0);
    std::reverse(reversed.begin(), reversed.end());
    return reversed;
}

static int hexDigit(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

int ParseHex4(const QString &text) {
    if (text.size() < 4)
        return 0;
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const int d = hexDigit(text.at(i));
        if (d < 0)
            return 0;
        value = value * 16 + d;
    }
    return value;
}

int ParseInt(const QString &text) {
    int i = 0;
    const int n = int(text.size());
    while (i < n &&
           (text.at(i) == QLatin1Char(' ') || (text.at(i).unicode() >= 9 && text.at(i).unicode() <= 13)))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    while (i < n && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9') {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            value = qint64(std::numeric_limits<int>::max()) + 1;
        ++i;
    }
    if (negative)
        value = -value;
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double ParseDecimal(const QString &text) {
    const int p = int(text.indexOf(QLatin1Char('.')));
    if (p < 0)
        return ParseInt(text);
    const int length = int(text.size());
    const int fractionLength = length - p - 1;
    const double integerPart = ParseInt(Left(text, p));
    const double fraction = fractionLength > 0 ? ParseInt(Mid(text, p + 1, fractionLength)) : 0;
    return integerPart + fraction / std::pow(10.0, fractionLength);
}

int FindInList(const QString &text, const OptionList &list) {
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).isEmpty())
            return -1;
        if (list.at(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int FindExactInList(const QString &text, const OptionList &list) {
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).isEmpty())
            return -1;
        if (list.at(i) == text)
            return i;
    }
    return -1;
}

QString ListEntry(const OptionList &list, int index) {
    return index >= 0 && index < list.size() ? list.at(index) : QString();
}

bool IsValidLabel(const QString &text) {
    if (text.size() > 16)
        return false;
    for (QChar c : text) {
        if (c.unicode() < 32 || c.unicode() > 126)
            return false;
    }
    return true;
}

LineReader::LineReader(QIODevice &device) : m_device(device) {}

namespace {
// A character takes at most four bytes of UTF-8 (an invalid byte stands for one character), so
// this many bytes without a line feed always hold a whole piece of a long line.
constexpr int kMaxPieceBytes = 4 * (kMaxLineChars + 1);
const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// UTF-8 to UTF-16 with every character kept, a byte-order mark inside the text too; bytes that
// are not UTF-8 become replacement characters.
QString decodeUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}
} // namespace

bool LineReader::fill() {
    if (m_eof)
        return false;
    char chunk[4096];
    const qint64 n = m_device.read(chunk, sizeof chunk);
    if (n <= 0) {
        m_eof = true;
        return false;
    }
    m_raw.append(chunk, int(n));
    return true;
}

bool LineReader::ReadLine(QString &target) {
    if (m_invalid)
        return false;
    qsizetype newline = -1;
    for (;;) {
        if (m_atStart) {
            if (m_raw.size() < kByteOrderMark.size() && kByteOrderMark.startsWith(m_raw) && fill())
                continue; // the rest of a possible byte-order mark
            if (m_raw.startsWith(kByteOrderMark))
                m_raw.remove(0, kByteOrderMark.size());
            m_atStart = false;
        }
        newline = m_raw.indexOf('\n');
        // (A "\r" just after the limit may be the first half of a line end still to come, so a
        // whole piece needs one byte more than its own.)
        if (newline >= 0 || m_raw.size() > kMaxPieceBytes || !fill())
            break;
    }
    if (newline < 0 && m_raw.isEmpty())
        return false;

    // The line's bytes, without its line end; a "\r\n" pair counts as one line end, as a
    // text-mode read sees it. At the end of the data the last line needs no line end.
    const bool whole = newline >= 0 || m_eof;
    QByteArray bytes = newline >= 0 ? m_raw.left(newline) : m_raw.left(kMaxPieceBytes);
    if (whole && bytes.endsWith('\r'))
        bytes.chop(1);
    QString text = decodeUtf8(bytes);
    qsizetype consumed = newline >= 0 ? newline + 1 : bytes.size();
    if (text.size() > kMaxLineChars) {
        // A long line comes back in pieces; a piece never ends between the halves of a
        // surrogate pair.
        qsizetype piece = kMaxLineChars;
        if (text.at(piece - 1).isHighSurrogate() && text.at(piece).isLowSurrogate())
            --piece;
        text.truncate(piece);
        const QByteArray encoded = text.toUtf8();
        if (!bytes.startsWith(encoded)) {
            m_invalid = true;
            return false;
        }
        consumed = encoded.size();
    } else if (text.toUtf8() != bytes) {
        // Bytes that are not UTF-8 came back as replacement characters.
        m_invalid = true;
        return false;
    }
    m_raw.remove(0, consumed);
    target = text;
    return true;
}

namespace {
bool isControl(char16_t u) {
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029;
}
} // namespace

QString escapedForDisplay(const QString &text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!isControl(u))
            shown += c;
        else if (u < 0x80)
            shown += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            shown += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    }
    return shown;
}

bool HasControlCharacters(const QString &text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); });
}

} // namespace hzm
