// parseConditionOrder and checkConditionOrder on any order size and answer text: every
// token lands in its entry with atoi's value (saturated), nothing else changes, and an
// order is refused exactly when it names a condition the protocol does not have.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "editing/condition_order.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "host/host_api.h"

namespace stimforge::fuzzing {
namespace {

constexpr int32_t kUntouched = 0x7EADBEEF;

std::vector<std::string> gLog;

void keepLogLine(const char* text) {
  gLog.emplace_back(text);
}

// The tokens of a comma-separated text: maximal runs of characters other than the comma.
std::vector<std::string> tokensOf(const char* text) {
  std::vector<std::string> tokens;
  std::string current;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != ',') {
      current += *p;
    } else if (!current.empty()) {
      tokens.push_back(current);
      current.clear();
    }
  }
  if (!current.empty())
    tokens.push_back(current);
  return tokens;
}

int32_t atoiSaturated(const std::string& token) {
  const long long value = std::strtoll(token.c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<long long>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

int fuzzConditionOrder(const uint8_t* data, size_t size) {
  HostApi api;
  api.kwLogText = &keepLogLine;
  setHostApi(api);
  gLog.clear();

  FuzzInput input(data, size);
  const int32_t n = input.byte() - 8;  // a few negative counts too: they make an empty order
  const std::string text = input.rest();

  ConditionOrder order(n);
  SF_FUZZ_CHECK(order.entries.size() == static_cast<size_t>(std::max(n, 0)), "one entry each");
  std::fill(order.entries.begin(), order.entries.end(), kUntouched);
  const size_t tokenCount = parseConditionOrder(text.c_str(), order);

  const std::vector<std::string> tokens = tokensOf(text.c_str());
  SF_FUZZ_CHECK(tokenCount == tokens.size(), "the number of tokens");
  for (size_t j = 0; j < order.entries.size(); ++j) {
    if (j < tokens.size())
      SF_FUZZ_CHECK(order.entries[j] == atoiSaturated(tokens[j]), "token j converts like atoi");
    else
      SF_FUZZ_CHECK(order.entries[j] == kUntouched, "an entry without a token keeps its value");
  }

  const auto bad = std::find_if(order.entries.begin(), order.entries.end(), [&](int32_t index) {
    return index < 0 || static_cast<size_t>(index) >= order.entries.size();
  });
  const bool accepted = checkConditionOrder(order);
  SF_FUZZ_CHECK(accepted == (bad == order.entries.end()), "refused exactly when out of range");
  if (accepted) {
    SF_FUZZ_CHECK(gLog.empty(), "an accepted order logs nothing");
  } else {
    char reason[512];
    std::snprintf(reason, sizeof reason,
                  "Condition index %d does not exist; the protocol has conditions 0 to %d.", *bad,
                  static_cast<int>(order.entries.size()) - 1);
    SF_FUZZ_CHECK(
        gLog.size() == 2 && gLog[0] == reason && gLog[1] == "Cancelled further operations.",
        "a refused order names its first bad index");
  }

  setHostApi(HostApi{});
  return 0;
}

}  // namespace stimforge::fuzzing
