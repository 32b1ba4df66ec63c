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
    while (i < n && (text.at(i) == QLatin1Char(' ') || (text.at(i).unicode() >= 9 && text.at(i).unicode() <= 13)))
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

bool LineReader::fill() {
    if (m_eof)
        return false;
    char chunk[4096];
    const qint64 n = m_device.read(chunk, sizeof chunk);
    if (n <= 0) {
        m_eof = true;
        return false;
    }
    QByteArray bytes = m_undecoded + QByteArray(chunk, int(n));
    m_undecoded.clear();
    if (m_atStart) {
        if (bytes.size() < 3 && QByteArray("\xEF\xBB\xBF").startsWith(bytes) && !m_device.atEnd()) {
            m_undecoded = bytes; // wait for the rest of a possible byte-order mark
            return true;
        }
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        m_atStart = false;
    }
    // Keep an incomplete UTF-8 sequence at the end for the next chunk.
    int keep = 0;
    for (int i = int(bytes.size()) - 1; i >= 0 && i >= int(bytes.size()) - 4; --i) {
        const uchar b = uchar(bytes.at(i));
        if ((b & 0xC0) == 0x80)
            continue;
        if (b >= 0xC0) {
            const int need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            if (int(bytes.size()) - i < need)
                keep = int(bytes.size()) - i;
        }
        break;
    }
    if (keep > 0 && !m_device.atEnd()) {
        m_undecoded = bytes.right(keep);
        bytes.chop(keep);
    }
    m_pending += QString::fromUtf8(bytes);
    return true;
}

bool LineReader::ReadLine(QString &target) {
    for (;;) {
        const qsizetype newline = m_pending.indexOf(QLatin1Char('\n'));
        if (newline >= 0) {
            // A "\r\n" pair counts as one line end, as a text-mode read sees it.
            const qsizetype contentLength =
                newline > 0 && m_pending.at(newline - 1) == QLatin1Char('\r') ? newline - 1 : newline;
            if (contentLength <= kMaxLineChars) {
                target = m_pending.left(contentLength);
                m_pending.remove(0, newline + 1);
                return true;
            }
        }
        // (A "\r" just after the limit may be the first half of a line end still to come.)
        const bool mayEndLine =
            m_pending.size() == kMaxLineChars + 1 && m_pending.endsWith(QLatin1Char('\r')) && !m_eof;
        if (m_pending.size() > kMaxLineChars && !mayEndLine) {
            // A long line comes back in pieces; a piece never ends between the halves of a
            // surrogate pair.
            qsizetype piece = kMaxLineChars;
            if (m_pending.at(piece - 1).isHighSurrogate() && m_pending.at(piece).isLowSurrogate())
                --piece;
            target = m_pending.left(piece);
            m_pending.remove(0, piece);
            return true;
        }
        if (!fill()) {
            if (m_pending.isEmpty())
                return false;
            target = m_pending;
            m_pending.clear();
            if (target.endsWith(QLatin1Char('\r')))
                target.chop(1);
            return true;
        }
    }
}

QString escapedForDisplay(const QString &text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            shown += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else if ((u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            shown += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

} // namespace hzm
