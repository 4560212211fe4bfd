// The names of conditions: a --map file of "pattern<TAB>trial_type[<TAB>event type]" lines.
// Each pattern is an ECMAScript regular expression (std::regex) that must match a Code
// whole; a line with an event type matches only events of that type. The first line that
// matches names the event's condition.
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
  std::string eventType;  // UTF-8; "" = events of every type
  std::regex compiled;
};

class EventMap {
 public:
  // Parses the text of a map file named `fileName`. Every line holds a pattern, a tab and
  // a name, and optionally a second tab and an event type; empty lines (a last line break,
  // CR LF line ends) are allowed. Text that is not UTF-8 is read as Windows-1252. Returns
  // false with `error` set to "FILE:LINE: what is wrong" for a line without a tab or with
  // more than two, an empty pattern, name or event type, or a pattern std::regex does not
  // take. Each pattern is compiled here, once.
  [[nodiscard]] bool parse(std::string_view text, const std::string& fileName, std::string& error);

  // The first line of the file that matches an event of type `eventType` with `code` (both
  // UTF-8): its pattern matches the code whole, and it names no type or this one; null when
  // none does. Each distinct code (each type and code, when a line names a type) is matched
  // once: the answer is kept. Returns false with `error` set when std::regex gives up on a
  // pattern (too complex for this code).
  [[nodiscard]] bool lineFor(std::string_view eventType, const std::string& code,
                             const MapLine*& line, std::string& error);

  // Whether a line names an event type: the answer then depends on the type too.
  bool hasTypedLines() const { return typed_; }

  const std::vector<MapLine>& lines() const { return lines_; }
  const std::string& fileName() const { return fileName_; }

 private:
  std::string fileName_;
  std::vector<MapLine> lines_;
  bool typed_ = false;
  // Keyed by the code, or by the type, a NUL and the code when typed_.
  std::unordered_map<std::string, size_t> answers_;  // index into lines_, or its size: none
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_EVENT_MAP_H_
