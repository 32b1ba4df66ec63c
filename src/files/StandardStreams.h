#pragma once

namespace hzm {

// Standard input, output and error as byte streams on every system. On Windows they start in text
// mode, which writes "\n" as "\r\n" and stops reading at a Ctrl+Z byte, so settings files and
// exports through "-" would change on the way. While a StandardStreams lives they carry bytes
// unchanged, and a console shows them as UTF-8 (its code page is put back afterwards).
class StandardStreams {
public:
    StandardStreams();
    ~StandardStreams();
    StandardStreams(const StandardStreams &) = delete;
    StandardStreams &operator=(const StandardStreams &) = delete;

private:
    unsigned m_consoleCodePage = 0; // the console's own, to put back; 0 when unchanged
};

} // namespace hzm
