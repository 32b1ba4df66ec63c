// Discovery answers: the parser and the list merging, fed datagrams the fuzzer makes up.
//
// Input: one or more answer texts (sender address, "\r\n", payload) separated by a zero byte
// followed by 0xFF.

#include "discovery/DiscoveryModel.h"

#include <cstdint>
#include <cstdlib>

using namespace hzm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    DiscoveryModel model;
    qsizetype start = 0;
    while (start <= input.size()) {
        qsizetype end = input.indexOf(QByteArray("\0\xff", 2), start);
        if (end < 0)
            end = input.size();
        const QByteArray text = input.mid(start, end - start);
        const auto parsed = parseDiscoveryReply(text);
        const int rows = model.rowCount();
        const int row = model.handleReply(text);
        if (parsed.has_value() != (row >= 0))
            std::abort();
        if (row >= model.rowCount() || model.rowCount() < rows || model.rowCount() > rows + 1)
            std::abort();
        if (parsed) {
            for (const QString &line : {parsed->address, parsed->name, parsed->mac, parsed->description})
                if (line.size() > kMaxDiscoveryLineChars)
                    std::abort();
            if (!parsed->description.startsWith(QLatin1String(kMixerDescriptionPrefix)))
                std::abort();
            if (model.mixers().at(row).mac != parsed->mac)
                std::abort();
        }
        for (int r = 0; r < model.rowCount(); ++r)
            for (int c = 0; c < DiscoveryModel::ColumnCount; ++c)
                (void)model.data(model.index(r, c));
        start = end + 2;
    }
    return 0;
}
