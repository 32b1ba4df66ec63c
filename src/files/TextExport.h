#pragma once

// The text export ("*.txt"): the whole configuration as the commands Send all transmits, one
// framed command per line ("<" body "/>" CR LF), UTF-8 without a byte-order mark.

#include <QString>

namespace hzm {

struct MixerSettings;

// Runs the send operations of Send all in write-only mode over a file link: the twelve outputs,
// the eight inputs, then the system settings, without pauses. The file is written through a
// temporary file that replaces path only when every command was written, so a failed export
// (missing folder, full disk, a command that cannot be encoded) leaves no partial file and an
// earlier file as it was. Returns true on success, else false with the reason in error.
bool ExportText(const QString &path, const MixerSettings &settings, QString *error = nullptr);

} // namespace hzm
