#include "kwhost/settings/design_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

std::string quoted(std::string_view text) {
  return "\"" + escapeLine(std::string(text)) + "\"";
}

// A decimal number (digits, a point, a sign, an exponent), finite. strtod alone would also
// read hexadecimal numbers, "inf" and "nan", and leading blanks.
bool decimalNumber(std::string_view text, double& value) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
  });
  if (!plain)
    return false;
  const std::string copy(text);
  char* end = nullptr;
  const double parsed = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(parsed))
    return false;
  value = parsed;
  return true;
}

// `text` as a number that `check` takes.
bool parseNumber(std::string_view text, const char* what, bool (*check)(double, std::string&),
                 double& value, std::string& problem) {
  double parsed = 0;
  if (!decimalNumber(text, parsed)) {
    problem = quoted(text) + " is not " + what;
    return false;
  }
  if (!check(parsed, problem))
    return false;
  value = parsed;
  return true;
}

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

}  // namespace

bool parseCondition(std::string_view text, const std::vector<std::string>& earlier,
                    std::string& problem) {
  if (text.empty()) {
    problem = "an empty condition";
    return false;
  }
  if (std::find(earlier.begin(), earlier.end(), text) != earlier.end()) {
    problem = "the condition " + quoted(text) + " is given twice";
    return false;
  }
  return true;
}

std::string contrastName(std::string_view text) {
  return std::string(text.substr(0, text.find('=')));
}

bool parseContrastText(std::string_view text, const std::vector<std::string>& earlier,
                       std::string& problem) {
  // Which '-' parts A from B is the run's conditions' to say: here only the shape.
  const size_t equals = text.find('=');
  const std::string_view sides =
      equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
  if (equals == 0 || equals == std::string_view::npos || sides.size() < 3 ||
      sides.find('-') == std::string_view::npos) {
    problem = quoted(text) + " is not NAME=A-B";
    return false;
  }
  const std::string name = contrastName(text);
  for (const std::string& other : earlier) {
    if (contrastName(other) == name) {
      problem = "the contrast " + quoted(name) + " is given twice";
      return false;
    }
  }
  return true;
}

bool checkHighPass(double seconds, std::string& problem) {
  if (seconds >= 0 && seconds <= kMaxHighPassSeconds)
    return true;
  problem = numberText(seconds) + " is not a cutoff from 0 (no cosine) to " +
            numberText(kMaxHighPassSeconds) + " seconds";
  return false;
}

bool parseHighPass(std::string_view text, double& seconds, std::string& problem) {
  return parseNumber(text, "0 or more seconds", checkHighPass, seconds, problem);
}

bool checkMaxVif(double vif, std::string& problem) {
  if (vif >= 1 && vif <= kMaxVifBound)
    return true;
  problem = numberText(vif) + " is no VIF threshold: a VIF is 1 or more";
  return false;
}

bool parseMaxVif(std::string_view text, double& vif, std::string& problem) {
  return parseNumber(text, "a number of 1 or more", checkMaxVif, vif, problem);
}

bool checkMaxCorrelation(double r, std::string& problem) {
  if (r >= 0 && r <= 1)
    return true;
  problem = numberText(r) + " is no correlation threshold: it is from 0 to 1";
  return false;
}

bool parseMaxCorrelation(std::string_view text, double& r, std::string& problem) {
  return parseNumber(text, "a number from 0 to 1", checkMaxCorrelation, r, problem);
}

bool checkMinEvents(int64_t count, std::string& problem) {
  if (count >= 0 && count <= kMaxMinEvents)
    return true;
  problem = std::to_string(count) + " is not a count of events from 0 to 1,000,000,000";
  return false;
}

bool parseMinEvents(std::string_view text, int64_t& count, std::string& problem) {
  const bool digits =
      !text.empty() && text.size() <= 18 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits) {
    problem = quoted(text) + " is not 0 or a positive whole number";
    return false;
  }
  int64_t parsed = 0;
  for (const char c : text)
    parsed = parsed * 10 + (c - '0');
  if (!checkMinEvents(parsed, problem))
    return false;
  count = parsed;
  return true;
}

}  // namespace stimforge::kwhost
