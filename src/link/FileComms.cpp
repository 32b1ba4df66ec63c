#include "FileComms.h"

#include "OutputFile.h"

#include <cstring>

namespace hzm {

FileComms::FileComms(const QString &fileName) : m_fileName(fileName) {}

FileComms::~FileComms() {
    if (m_file)
        m_file->cancel(); // never committed: the earlier file stays as it was
}

bool FileComms::Open() {
    if (m_isOpen)
        return false;
    m_file = std::make_unique<OutputFile>(m_fileName);
    if (!m_file->open()) {
        m_errorString = QStringLiteral("%1: %2").arg(m_fileName, m_file->errorString());
        m_file.reset();
        return false;
    }
    m_failed = false;
    m_committed = false;
    m_isOpen = 1;
    return true;
}

int FileComms::Write(const char *bytes, int length) {
    if (!m_isOpen || length <= 0)
        return 0;
    const qint64 n = m_file->write(bytes, length);
    if (n != length) {
        m_failed = true;
        m_errorString = QStringLiteral("%1: %2").arg(m_fileName, m_file->errorString());
    }
    return n > 0 ? int(n) : 0;
}

bool FileComms::Close() {
    if (!m_isOpen)
        return false;
    if (m_failed) {
        m_file->cancel();
    } else {
        m_committed = m_file->commit();
        if (!m_committed)
            m_errorString = QStringLiteral("%1: %2").arg(m_fileName, m_file->errorString());
    }
    m_file.reset();
    m_isOpen = 0;
    return true;
}

int NullComms::Read(char *buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = 0;
    if (size <= 4)
        return 0;
    std::memcpy(buffer, "<!/>", 5);
    return 4;
}

bool NullComms::Open() {
    if (m_isOpen)
        return false;
    m_isOpen = 1;
    return true;
}

bool NullComms::Close() {
    if (!m_isOpen)
        return false;
    m_isOpen = 0;
    return true;
}

} // namespace hzm
