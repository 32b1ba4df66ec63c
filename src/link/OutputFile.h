#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFile;
class QSaveFile;

namespace hzm {

// A whole file written to a path, kept safe for what stands there:
// - nothing, or a regular file: written through a temporary file in the same folder that
//   replaces path only on commit(), so a failure leaves the earlier file as it was;
// - a character device or a pipe (/dev/null, /dev/ttyUSB0, a FIFO; on Windows NUL, COM1 and the
//   other names kept for devices in every folder, and \\.\ device paths): written to directly and
//   never replaced by a file; a pipe that no program reads from is an error, not a wait;
// - a folder, a socket or a block device (a disk): an error, nothing is written.
class OutputFile {
public:
    explicit OutputFile(const QString &path);
    // Writes bytes as the whole file at path as above; false with the reason in *error.
    static bool writeAll(const QString &path, const QByteArray &bytes, QString *error);
    ~OutputFile(); // without commit(): the earlier file stays as it was

    // false with errorString() set when path cannot be written as above.
    bool open();
    // Unbuffered: a write that stops short (a full disk, /dev/full) shows in the result.
    qint64 write(const char *bytes, qint64 length);
    // Puts the file in place (or closes the device); false with errorString() on failure.
    bool commit();
    // Drops what was written to a temporary file; a device keeps what it received.
    void cancel();
    // True when path is written directly (a device or a pipe).
    bool isDirect() const { return m_direct != nullptr; }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_direct;
    QString m_error;
};

} // namespace hzm
