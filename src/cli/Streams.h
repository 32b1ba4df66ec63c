#pragma once

// Where a command's output goes. hzmctl hands its commands the process's standard streams;
// tests and the runs on several mixers hand them streams of their own, so that commands run
// in-process, and on several threads at once.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdio>

class QIODevice;

namespace hzm::cli {

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void write(const QByteArray &bytes) = 0;
    void print(const QString &text) { write(text.toUtf8()); }
    // errno of the first write that failed, 0 when none: a result that never reached its reader
    // (a full disk behind "> file") is no success.
    virtual int error() const { return 0; }
    // Whether a person watches it: progress lines and colours only then.
    virtual bool isTerminal() const { return false; }
};

// Whether file is a terminal.
bool isTerminal(std::FILE *file);

// A C stream: standard output or standard error. Writes from several threads each stay whole.
class FileOutput : public OutputStream {
public:
    explicit FileOutput(std::FILE *file);
    void write(const QByteArray &bytes) override;
    int error() const override { return m_error.load(); }
    bool isTerminal() const override { return m_terminal; }

private:
    std::FILE *m_file;
    bool m_terminal;
    std::atomic<int> m_error{0};
};

// Keeps what is written, for one thread.
class BufferOutput : public OutputStream {
public:
    void write(const QByteArray &bytes) override { m_bytes += bytes; }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Passes whole lines on to another stream, each led by prefix ("127.0.0.1:4001: "); the last
// line without its end goes when this is destroyed.
class LinePrefixOutput : public OutputStream {
public:
    LinePrefixOutput(OutputStream &target, const QString &prefix)
        : m_target(target), m_prefix(prefix.toUtf8()) {}
    ~LinePrefixOutput() override;
    void write(const QByteArray &bytes) override;

private:
    OutputStream &m_target;
    QByteArray m_prefix;
    QByteArray m_pending;
};

// What a command reads from and writes to.
struct Streams {
    OutputStream &out;
    OutputStream &err;
    QIODevice *in = nullptr; // standard input (FILE "-", the keys); null: nothing to read
    bool inIsTerminal = false;

    // Colours in the log only on a terminal, and not when NO_COLOR is set.
    bool wantsColour() const;
};

} // namespace hzm::cli
