// Protocols and descriptions shared by the editing command tests.
#ifndef STIMFORGE_TESTS_EDITING_EDITING_TEST_SUPPORT_H_
#define STIMFORGE_TESTS_EDITING_EDITING_TEST_SUPPORT_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_host.h"

namespace stimforge::testing {

// The menu call of execute, without the answer.
inline const char kMenuCall[] =
    "kwGetIntegerInput(Please select an option:<P>1 = Create stimulation protocol from "
    "Presentation Log file<BR>2 = Change the offset in an existing stimulation protocol<BR>3 "
    "= Sort conditions in an existing stimulation protocol, 1, 1, 3) -> ";

inline FakeCondition makeCondition(std::string name, int32_t colour,
                                   std::vector<std::pair<int32_t, int32_t>> intervals) {
  FakeCondition c;
  c.name = std::move(name);
  c.colour = colour;
  for (const auto& [start, end] : intervals) {
    c.starts.push_back(start);
    c.ends.push_back(end);
  }
  return c;
}

// Conditions C0 to C<n-1>; condition k has colour 0x3F000000 + k and k % 3 intervals
// (k * 1000 + 10 * j, k * 1000 + 10 * j + 5), so every condition can be told apart.
inline FakeProtocol numberedProtocol(int n, std::string fileName = "C:\\exp\\run1.prt") {
  FakeProtocol p;
  p.fileName = std::move(fileName);
  p.title = "run1";
  for (int k = 0; k < n; ++k) {
    std::vector<std::pair<int32_t, int32_t>> intervals;
    for (int j = 0; j < k % 3; ++j)
      intervals.emplace_back(k * 1000 + 10 * j, k * 1000 + 10 * j + 5);
    p.conditions.push_back(makeCondition("C" + std::to_string(k), 0x3F000000 + k, intervals));
  }
  return p;
}

// One text per condition: "name 0xCOLOUR [start-end ...]".
inline std::vector<std::string> describe(const FakeProtocol& p) {
  std::vector<std::string> lines;
  for (const FakeCondition& c : p.conditions) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "0x%08X", static_cast<uint32_t>(c.colour));
    std::string line = c.name + " " + colour + " [";
    for (size_t j = 0; j < c.starts.size(); ++j)
      line += (j ? " " : "") + std::to_string(c.starts[j]) + "-" + std::to_string(c.ends[j]);
    lines.push_back(line + "]");
  }
  return lines;
}

}  // namespace stimforge::testing

#endif  // STIMFORGE_TESTS_EDITING_EDITING_TEST_SUPPORT_H_
