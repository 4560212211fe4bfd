// Reading and saving protocol files on disk (other files are read through
// kwhost/common/read_file.h).
#ifndef STIMFORGE_KWHOST_PROTOCOL_FILE_IO_H_
#define STIMFORGE_KWHOST_PROTOCOL_FILE_IO_H_

#include <string>

#include "kwhost/protocol/value.h"

namespace stimforge::kwhost {

// Reads and parses the protocol file `path`; the protocol's file name is `path` as given.
// Returns false with `error` set (the reason, or "PATH:LINE: what is wrong"), `protocol`
// unchanged, when the file is missing, unreadable or malformed.
[[nodiscard]] bool readProtocolFile(const std::string& path, Protocol& protocol,
                                    std::string& error);

// Whether the file at `path` is one of kwhost's protocol files: its first line is the magic
// line. False when it cannot be read.
bool isProtocolFileAt(const std::string& path);

// Writes `protocol` to `path`: first to a new temporary file beside it, then renamed over
// it, so that `path` holds either its old content or the whole new protocol. An existing
// file that is not one of kwhost's protocol files is replaced only when `force`. Returns
// false with `error` set ("cannot save the protocol to PATH: reason", or why the file there
// was kept), and no temporary file left behind, when it cannot be written.
// `forceHint` says how the user forces it ("give --force to replace it").
[[nodiscard]] bool saveProtocolFile(const std::string& path, const Protocol& protocol, bool force,
                                    const std::string& forceHint, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PROTOCOL_FILE_IO_H_
