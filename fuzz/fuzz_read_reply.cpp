// ReadReply fed an arbitrary byte stream in arbitrary fragments, with polls that bring nothing
// in between. Checks what the collector promises about its buffer.
//
// Input: the first byte is a fragment length pattern seed; each later byte either starts a new
// fragment or belongs to the current one, as the pattern says.

#include "FuzzLink.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace hzm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    // Fragment lengths come from the first byte: lengths 1..16 cycling through its bits; a zero
    // bit adds an empty poll before the fragment.
    const unsigned pattern = data[0];
    fuzz::FuzzLink link;
    QByteArray stream;
    size_t pos = 1;
    for (unsigned i = 0; pos < size; ++i) {
        if (((pattern >> (i % 8)) & 1u) == 0)
            link.fragments.append(QByteArray());
        const size_t length = std::min(size - pos, size_t(1 + ((pattern + 7 * i) % 16)));
        const QByteArray piece(reinterpret_cast<const char *>(data + pos), qsizetype(length));
        link.fragments.append(piece);
        stream += piece;
        pos += length;
    }
    char buffer[kReplyBufferSize];
    std::memset(buffer, 0x55, sizeof buffer);
    const int n = link.ReadReply(buffer);
    if (n < 0 || n > kReplyBufferSize - 1)
        std::abort();
    if (buffer[n] != 0)
        std::abort();
    if (n > 0 && buffer[0] != '<')
        std::abort();
    for (int i = n; i < kReplyBufferSize; ++i)
        if (buffer[i] != 0)
            std::abort();
    // What was kept is the beginning of the stream (its first byte replaced by '<').
    if (n > stream.size() || std::memcmp(buffer + 1, stream.constData() + 1, size_t(std::max(0, n - 1))) != 0)
        std::abort();
    // The collection ends at the first "/>" only when it closes the data received so far.
    const QByteArray kept(buffer, n);
    const qsizetype first = kept.indexOf("/>");
    if (n < stream.size() && n < kReplyBufferSize - 1 && !(first >= 0 && first == n - 2))
        std::abort();
    return 0;
}
