#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace hzm::test {

// The whole file, or an empty array when it cannot be read.
inline QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the bytes as the whole file; false when that failed.
inline bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace hzm::test
