// The names of conditions: a --map file of "pattern<TAB>trial_type" lines. Each pattern is
// an ECMAScript regular expression (std::regex) that must match a Code whole; the first
// line whose pattern matches names the Code's condition.
#ifndef STIMFORGE_KWHOST_EVENTS_EVENT_MAP_H_
#define STIMFORGE_KWHOST_EVENTS_EVENT_MAP_H_

#include <cstddef>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace stimforge::kwhost {

struct MapLine {
  size_t lineNumber = 0;  // from 1
  std::string pattern;    // UTF-8, as written
  std::string trialType;  // UTF-8, never empty
  std::regex compiled;
};

class EventMap {
 public:
  // Parses the text of a map file named `fileName`. Every line holds a pattern, one tab
  // and a name; empty lines (a last line break, CR LF line ends) are allowed. Text that is
  // not UTF-8 is read as Windows-1252. Returns false with `error` set to
  // "FILE:LINE: what is wrong" for a line without a tab or with more than one, an empty
  // pattern or name, or a pattern std::regex does not take. Each pattern is compiled here,
  // once.
  [[nodiscard]] bool parse(std::string_view text, const std::string& fileName, std::string& error);

  // The line whose pattern matches `code` (UTF-8) whole, the first in the file; null when
  // none does. Each distinct code is matched once: the answer is kept. Returns false with
  // `error` set when std::regex gives up on a pattern (too complex for this code).
  [[nodiscard]] bool lineFor(const std::string& code, const MapLine*& line, std::string& error);

  const std::vector<MapLine>& lines() const { return lines_; }
  const std::string& fileName() const { return fileName_; }

 private:
  std::string fileName_;
  std::vector<MapLine> lines_;
  std::unordered_map<std::string, size_t> answers_;  // index into lines_, or its size: none
};

// What becomes of an event whose Code no map line matches (--unmapped).
enum class Unmapped { kKeep, kDrop };

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_EVENT_MAP_H_
