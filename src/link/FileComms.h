#pragma once

#include "Comms.h"

#include <memory>

namespace hzm {

class OutputFile;

// A file that receives commands. Nothing stands at the final path until Close() has written
// everything: a failed export never leaves a partial file nor destroys an earlier one. A device
// or a pipe at the path is written to directly and stays what it is (see OutputFile).
class FileComms : public Comms {
public:
    explicit FileComms(const QString &fileName);
    ~FileComms() override;

    int Write(const char *bytes, int length) override;
    int Read(char *, int) override { return 0; } // a file never answers
    bool Open() override;
    // 1 when the link was open. Whether the file was written: committed().
    bool Close() override;
    QString describe() const override { return m_fileName; }

    // True after a Close() that put the complete file in place.
    bool committed() const { return m_committed; }

private:
    QString m_fileName;
    std::unique_ptr<OutputFile> m_file;
    bool m_failed = false;
    bool m_committed = false;
};

// Answers every command with a refusal: the link when no port is chosen.
class NullComms : public Comms {
public:
    int Write(const char *, int length) override { return length; }
    int Read(char *buffer, int size) override;
    bool Open() override;
    bool Close() override;
    QString describe() const override { return QStringLiteral("no port"); }
};

} // namespace hzm
