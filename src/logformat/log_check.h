// Whether a file is a Presentation log at all, told from its first lines, before anything
// reads its events.
#ifndef STIMFORGE_LOGFORMAT_LOG_CHECK_H_
#define STIMFORGE_LOGFORMAT_LOG_CHECK_H_

#include <string>

#include "logformat/log_source.h"

namespace stimforge {

// Reads the start of `source` (rewound first; left wherever the check stopped) and returns
// true when it looks like a log as Presentation writes it: 8-bit or UTF-8 text (a UTF-8
// byte-order mark is allowed) whose first line begins with "Scenario -". Otherwise returns
// false with `problem` set to a one-line reason, without the file's name:
//   - UTF-16 text (the byte-order marks FF FE or FE FF, or a NUL byte beside every
//     character at the start of the first line), or other bytes with NULs (binary data);
//   - an empty file, or a first line that does not begin with "Scenario -";
//   - a log whose columns are separated by commas (a spreadsheet's export): a line among
//     the first six that names "Event Type", holds commas and no tab;
//   - a source that cannot be read.
// May throw std::bad_alloc.
[[nodiscard]] bool checkPresentationLog(LogSource& source, std::string& problem);

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LOG_CHECK_H_
