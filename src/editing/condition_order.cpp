#include "editing/condition_order.h"

#include <cstdio>
#include <limits>

#include "editing/edit_support.h"

namespace stimforge {
namespace {

constexpr size_t kLineSize = 512;

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi on the token [begin, end), without its undefined overflow: values beyond the 32-bit
// range saturate (they name no condition either way).
int32_t tokenValue(const char* begin, const char* end) {
  const char* p = begin;
  while (p < end && isWhiteSpace(*p))
    ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > kCap)
      value = kCap;
  }
  if (negative)
    value = -value;
  if (value > std::numeric_limits<int32_t>::max())
    value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace

size_t parseConditionOrder(const char* text, ConditionOrder& order) {
  size_t tokens = 0;
  if (text == nullptr)
    return tokens;
  const char* p = text;
  while (*p != '\0') {
    if (*p == ',') {
      ++p;
      continue;
    }
    const char* begin = p;
    while (*p != '\0' && *p != ',')
      ++p;
    if (tokens < order.entries.size())
      order.entries[tokens] = tokenValue(begin, p);
    ++tokens;
  }
  return tokens;
}

bool checkConditionOrder(const ConditionOrder& order) {
  const size_t n = order.entries.size();
  for (int32_t index : order.entries) {
    if (index >= 0 && static_cast<size_t>(index) < n)
      continue;
    char line[kLineSize];
    std::snprintf(line, sizeof line,
                  "Condition index %d does not exist; the protocol has conditions 0 to %d.", index,
                  static_cast<int>(n) - 1);
    logRefusal(line);
    return false;
  }
  return true;
}

}  // namespace stimforge
