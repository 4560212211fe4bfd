#include "kwhost/settings/run_settings.h"

#include <algorithm>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

std::string quoted(std::string_view text) {
  return "\"" + escapeLine(std::string(text)) + "\"";
}

// Digits only, at most 18 of them (no overflow): the whole number they give.
bool wholeDigits(std::string_view text, int64_t& value) {
  if (text.empty() || text.size() > 18)
    return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// A count from `least` to `most`: `what` names one of them in the refusals ("triggers").
bool parseCount(std::string_view text, int64_t least, int64_t most, const char* what,
                const char* bound, int64_t& value, std::string& problem) {
  int64_t parsed = 0;
  if (!wholeDigits(text, parsed)) {
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    problem = digits ? escapeLine(std::string(text)) + " is more than the " + countText(most) +
                           " " + what + " " + bound
                     : quoted(text) + " is not a whole number of " + what;
    return false;
  }
  if (parsed < least) {
    problem = std::to_string(parsed) + " is below " + std::to_string(least);
    return false;
  }
  if (parsed > most) {
    problem =
        std::to_string(parsed) + " is more than the " + countText(most) + " " + what + " " + bound;
    return false;
  }
  value = parsed;
  return true;
}

// Milliseconds with at most one decimal (more decimals only when they are zeros), a sign
// when `signed` allows one, as tenths. Refuses what would pass kMaxLogTime.
bool parseMs(std::string_view text, bool withSign, Tenths& tenths) {
  size_t i = 0;
  bool negative = false;
  if (withSign && i < text.size() && (text[i] == '-' || text[i] == '+'))
    negative = text[i++] == '-';
  Tenths value = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    value = value * 10 + (text[i] - '0');
    if (value > kMaxLogTime / 100)
      return false;
  }
  value *= 10;
  if (digits == 0)
    return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (i < text.size() && text[i] >= '0' && text[i] <= '9')
      value += text[i++] - '0';
    for (; i < text.size() && text[i] == '0'; ++i) {
    }
  }
  if (i != text.size())
    return false;
  tenths = negative ? -value : value;
  return true;
}

}  // namespace

std::string countText(int64_t count) {
  std::string digits = std::to_string(count < 0 ? -count : count);
  for (size_t at = digits.size(); at > 3; at -= 3)
    digits.insert(at - 3, ",");
  return (count < 0 ? "-" : "") + digits;
}

bool parseSkip(std::string_view text, SkipSetting& skip, std::string& problem) {
  if (text == "auto") {
    skip = SkipSetting{true, 0};
    return true;
  }
  int64_t count = 0;
  if (!parseCount(text, 0, kMaxSkip, "triggers", "a run may have", count, problem)) {
    if (problem.find("is not a whole number") != std::string::npos)
      problem = quoted(text) + " is not auto or a whole number of triggers";
    return false;
  }
  skip = SkipSetting{false, count};
  return true;
}

bool parseTr(std::string_view text, Tenths& tr, std::string& problem) {
  Tenths parsed = 0;
  if (!parseMs(text, false, parsed)) {
    problem = quoted(text) + " is not a time in milliseconds with at most one decimal";
    return false;
  }
  if (parsed <= 0) {
    problem = "a TR of " + escapeLine(std::string(text)) + " ms is not above 0";
    return false;
  }
  if (msOfTenths(static_cast<double>(parsed)) > kMaxTrMs) {
    problem =
        escapeLine(std::string(text)) + " ms is more than an hour, the longest TR kwhost takes";
    return false;
  }
  tr = parsed;
  return true;
}

bool parseScan(std::string_view text, int64_t& scan, std::string& problem) {
  if (text == "0") {
    problem = "0 is no scan: the scans of a log count from 1";
    return false;
  }
  return parseCount(text, 1, kMaxScan, "scans", "a log may hold", scan, problem);
}

bool parseVolumes(std::string_view text, int64_t& volumes, std::string& problem) {
  if (text == "0") {
    problem = "0 volumes: a scan stores 1 or more";
    return false;
  }
  return parseCount(text, 1, kMaxVolumes, "volumes", "a run may store", volumes, problem);
}

bool parseTrigger(std::string_view text, TriggerSelection& trigger, std::string& problem) {
  const size_t colon = text.rfind(':');
  const std::string_view type = text.substr(0, colon);
  if (type.empty() || (colon != std::string_view::npos && colon + 1 == text.size())) {
    problem = quoted(text) + " is not TYPE or TYPE:CODE (neither may be empty)";
    return false;
  }
  trigger.type = std::string(type);
  trigger.code.reset();
  if (colon != std::string_view::npos)
    trigger.code = std::string(text.substr(colon + 1));
  return true;
}

bool parseZero(std::string_view text, ZeroRule& zero, std::string& problem) {
  ZeroRule parsed;
  if (text == "auto") {
    parsed.kind = ZeroRule::Kind::kAuto;
  } else if (text == "scenario") {
    parsed.kind = ZeroRule::Kind::kScenario;
  } else if (text.substr(0, 5) == "code:" && text.size() > 5) {
    parsed.kind = ZeroRule::Kind::kCode;
    parsed.code = std::string(text.substr(5));
  } else if (parseMs(text, true, parsed.time)) {
    parsed.kind = ZeroRule::Kind::kTime;
  } else {
    problem = quoted(text) +
              " is none of auto, scenario, a time in ms (at most one decimal) or code:NAME";
    return false;
  }
  zero = parsed;
  return true;
}

bool parseDuration(std::string_view text, EventDuration& duration, std::string& problem) {
  if (text != "column" && text != "next") {
    problem = quoted(text) +
              " is neither column (the Duration column) nor next (the time to "
              "the next row)";
    return false;
  }
  duration = text == "next" ? EventDuration::kNext : EventDuration::kColumn;
  return true;
}

bool parseUnmapped(std::string_view text, Unmapped& unmapped, std::string& problem) {
  if (text != "keep" && text != "drop") {
    problem = quoted(text) + " is neither keep nor drop";
    return false;
  }
  unmapped = text == "drop" ? Unmapped::kDrop : Unmapped::kKeep;
  return true;
}

bool parseType(std::string_view text, const std::vector<std::string>& earlier,
               std::string& problem) {
  if (text.empty()) {
    problem = "an empty type";
    return false;
  }
  if (std::find(earlier.begin(), earlier.end(), text) != earlier.end()) {
    problem = quoted(text) + " is given twice";
    return false;
  }
  return true;
}

bool parseColumnName(std::string_view text, const std::vector<std::string>& earlier,
                     std::string& problem) {
  const bool named = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
  if (!named) {
    problem = quoted(text) + " is no column name (lower-case letters, digits and _)";
    return false;
  }
  if (std::find(earlier.begin(), earlier.end(), text) != earlier.end()) {
    problem = quoted(text) + " is named twice";
    return false;
  }
  return true;
}

bool parseList(std::string_view text,
               bool (*parseItem)(std::string_view, const std::vector<std::string>&, std::string&),
               std::vector<std::string>& items, std::string& problem) {
  std::vector<std::string> parsed;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(',', start);
    if (end == std::string_view::npos)
      end = text.size();
    const std::string_view item = text.substr(start, end - start);
    if (!parseItem(item, parsed, problem)) {
      if (item.empty())
        problem = quoted(text) + " holds " + problem;
      return false;
    }
    parsed.emplace_back(item);
    start = end + 1;
  }
  items = std::move(parsed);
  return true;
}

}  // namespace stimforge::kwhost
