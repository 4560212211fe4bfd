#include "logformat/log_check.h"

#include <algorithm>
#include <string_view>

#include "logformat/line_reader.h"

namespace stimforge {
namespace {

constexpr int kLinesLookedAt = 6;

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// UTF-16 text without a byte-order mark: a NUL byte beside every character of its start
// (Latin letters in either byte order).
bool looksUtf16(std::string_view line) {
  const size_t n = std::min<size_t>(line.size(), 8);
  if (n < 4)
    return line.find('\0') != std::string_view::npos;
  for (const size_t parity : {0u, 1u}) {
    bool every = true;
    for (size_t i = parity; i < n && every; i += 2)
      every = line[i] == '\0' && line[i ^ 1] != '\0';
    if (every)
      return true;
  }
  return false;
}

}  // namespace

bool checkPresentationLog(LogSource& source, std::string& problem) {
  if (!source.rewind()) {
    problem = "the file cannot be read";
    return false;
  }
  LineReader lines(source);
  std::string_view line;
  for (int index = 0; index < kLinesLookedAt; ++index) {
    const LineReader::Result result = lines.next(line);
    if (result == LineReader::Result::kError) {
      problem = "the file cannot be read";
      return false;
    }
    if (result == LineReader::Result::kEnd) {
      if (index == 0) {
        problem = "the file is empty: not a Presentation log";
        return false;
      }
      break;
    }
    if (index == 0) {
      if (startsWith(line, "\xFF\xFE") || startsWith(line, "\xFE\xFF") || looksUtf16(line)) {
        problem =
            "the file is UTF-16 text; Presentation logs are read as 8-bit text (save it as "
            "ANSI or UTF-8)";
        return false;
      }
      if (line.find('\0') != std::string_view::npos) {
        problem = "not a Presentation log: it holds binary data";
        return false;
      }
      if (startsWith(line, "\xEF\xBB\xBF"))
        line.remove_prefix(3);
      if (!startsWith(line, "Scenario -")) {
        problem = "not a Presentation log: its first line does not begin with \"Scenario -\"";
        return false;
      }
      continue;
    }
    if (line.find("Event Type") != std::string_view::npos &&
        line.find(',') != std::string_view::npos && line.find('\t') == std::string_view::npos) {
      problem =
          "columns separated by commas, not tabs: this is not a log as Presentation writes it";
      return false;
    }
  }
  return true;
}

}  // namespace stimforge
