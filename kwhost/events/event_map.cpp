#include "kwhost/events/event_map.h"

#include "kwhost/common/lines.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost {

bool EventMap::parse(std::string_view raw, const std::string& fileName, std::string& error) {
  fileName_ = fileName;
  lines_.clear();
  answers_.clear();
  typed_ = false;
  Utf8Conversion how;
  const std::string text = toUtf8(raw, how);
  LineSplitter lines(text);
  std::string_view line;
  while (lines.next(line)) {
    const size_t lineNumber = lines.lineNumber();
    if (line.empty())
      continue;
    const std::string where = fileName + ":" + std::to_string(lineNumber) + ": ";
    const size_t tab = line.find('\t');
    const size_t typeTab =
        tab == std::string_view::npos ? std::string_view::npos : line.find('\t', tab + 1);
    if (tab == std::string_view::npos || (typeTab != std::string_view::npos &&
                                          line.find('\t', typeTab + 1) != std::string_view::npos)) {
      error = where + "expected pattern<TAB>trial_type or pattern<TAB>trial_type<TAB>event type";
      return false;
    }
    MapLine entry;
    entry.lineNumber = lineNumber;
    entry.pattern = std::string(line.substr(0, tab));
    entry.trialType = std::string(line.substr(tab + 1, typeTab - tab - 1));
    if (typeTab != std::string_view::npos) {
      entry.eventType = std::string(line.substr(typeTab + 1));
      if (entry.eventType.empty()) {
        error = where + "the event type after the second tab must not be empty";
        return false;
      }
      typed_ = true;
    }
    if (entry.pattern.empty() || entry.trialType.empty()) {
      error = where + "the pattern and the trial_type must not be empty";
      return false;
    }
    try {
      entry.compiled = std::regex(entry.pattern, std::regex::ECMAScript);
    } catch (const std::regex_error& e) {
      error = where + "invalid pattern \"" + escapeLine(entry.pattern) + "\": " + e.what();
      return false;
    }
    lines_.push_back(std::move(entry));
  }
  return true;
}

bool EventMap::lineFor(std::string_view eventType, const std::string& code, const MapLine*& line,
                       std::string& error) {
  // Without typed lines the answer is the code's alone: a code seen with several types is
  // matched once.
  std::string key;
  if (typed_) {
    key.reserve(eventType.size() + 1 + code.size());
    key.append(eventType).push_back('\0');
  }
  key += code;
  const auto known = answers_.find(key);
  if (known != answers_.end()) {
    line = known->second < lines_.size() ? &lines_[known->second] : nullptr;
    return true;
  }
  line = nullptr;
  size_t index = 0;
  for (; index < lines_.size(); ++index) {
    const MapLine& entry = lines_[index];
    if (!entry.eventType.empty() && entry.eventType != eventType)
      continue;
    try {
      if (std::regex_match(code, entry.compiled)) {
        line = &entry;
        break;
      }
    } catch (const std::regex_error& e) {
      error = fileName_ + ":" + std::to_string(entry.lineNumber) + ": the pattern \"" +
              escapeLine(entry.pattern) + "\" cannot be matched against the code \"" +
              escapeLine(code) + "\": " + e.what();
      return false;
    }
  }
  answers_.emplace(std::move(key), index);
  return true;
}

}  // namespace stimforge::kwhost
