// A protocol as plain values: its header fields and its conditions with their intervals.
// The stand-in host keeps its current protocol and reads and writes protocol files in this
// form, and the test hosts (tests/support/fake_host.h, fuzz/fuzz_host.h) keep theirs in it
// too, so that a protocol is compared the same way everywhere.
#ifndef STIMFORGE_KWHOST_PROTOCOL_VALUE_H_
#define STIMFORGE_KWHOST_PROTOCOL_VALUE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "host/protocol_limits.h"

namespace stimforge::kwhost {

struct Condition {
  std::string name;  // kwhost keeps any bytes but NUL, at most kMaxConditionNameLength
  int32_t colour = 0;
  std::vector<int32_t> starts;  // starts[i], ends[i] is interval i; always the same length
  std::vector<int32_t> ends;
};

struct Protocol {
  std::string fileName;  // where the protocol was read from or last saved; not in the file
  std::string title;     // kwhost keeps any bytes but NUL, at most kMaxTitleLength
  int32_t timeResolution = kTimeResolutionMilliseconds;
  int32_t colour1 = 0;
  int32_t colour2 = 0;
  int32_t colour3 = 0;
  int32_t thickness3 = 0;
  int32_t colour4 = 0;
  int32_t thickness4 = 0;
  std::vector<Condition> conditions;
};

inline bool operator==(const Condition& a, const Condition& b) {
  return a.name == b.name && a.colour == b.colour && a.starts == b.starts && a.ends == b.ends;
}
inline bool operator!=(const Condition& a, const Condition& b) {
  return !(a == b);
}

inline bool operator==(const Protocol& a, const Protocol& b) {
  return a.fileName == b.fileName && a.title == b.title && a.timeResolution == b.timeResolution &&
         a.colour1 == b.colour1 && a.colour2 == b.colour2 && a.colour3 == b.colour3 &&
         a.thickness3 == b.thickness3 && a.colour4 == b.colour4 && a.thickness4 == b.thickness4 &&
         a.conditions == b.conditions;
}
inline bool operator!=(const Protocol& a, const Protocol& b) {
  return !(a == b);
}

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PROTOCOL_VALUE_H_
