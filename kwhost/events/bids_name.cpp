#include "kwhost/events/bids_name.h"

#include <vector>

namespace stimforge::kwhost {
namespace {

bool isAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool allOf(std::string_view text, bool digitsOnly) {
  if (text.empty())
    return false;
  for (const char c : text) {
    if (digitsOnly ? !(c >= '0' && c <= '9') : !isAlnum(c))
      return false;
  }
  return true;
}

}  // namespace

bool checkBidsName(std::string_view name, std::string& problem) {
  struct Entity {
    const char* key;
    bool required;
    bool index;
  };
  static const Entity kEntities[] = {
      {"sub", true, false}, {"ses", false, false}, {"task", true, false}, {"run", false, true}};
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = name.find('_', start);
    parts.push_back(name.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos)
      break;
    start = end + 1;
  }
  size_t part = 0;
  for (const Entity& entity : kEntities) {
    const std::string prefix = std::string(entity.key) + "-";
    if (part < parts.size() && parts[part].substr(0, prefix.size()) == prefix) {
      const std::string_view value = parts[part].substr(prefix.size());
      if (!allOf(value, entity.index)) {
        problem = prefix + " must be followed by " +
                  (entity.index ? "an index of digits" : "a label of letters and digits");
        return false;
      }
      ++part;
    } else if (entity.required) {
      problem = "the " + prefix + " entity is missing or out of place";
      return false;
    }
  }
  if (part != parts.size()) {
    problem = "expected sub-X[_ses-Y]_task-Z[_run-N]; \"" + std::string(parts[part]) +
              "\" is not expected there";
    return false;
  }
  return true;
}

}  // namespace stimforge::kwhost
