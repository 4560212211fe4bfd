#include "bench/protocol_generator.h"

#include <string>

#include "bench/log_generator.h"

namespace stimforge::bench {

kwhost::Protocol generateProtocol(uint64_t seed, int32_t conditions, int64_t intervals) {
  Random random(seed);
  kwhost::Protocol protocol;
  protocol.title = "bench";
  protocol.timeResolution = kTimeResolutionMilliseconds;
  protocol.colour1 = 0x000000;
  protocol.colour2 = 0xFFFFFF;
  protocol.colour3 = 0xFFFFFF;
  protocol.thickness3 = 2;
  protocol.colour4 = 0x3F0007D0;
  protocol.thickness4 = 2;
  protocol.conditions.resize(conditions > 0 ? static_cast<size_t>(conditions) : 0);
  for (size_t c = 0; c < protocol.conditions.size(); ++c) {
    kwhost::Condition& condition = protocol.conditions[c];
    condition.name = "condition " + std::to_string(c + 1);
    condition.colour = static_cast<int32_t>(0x3F000000u + 50005u * static_cast<uint32_t>(c + 1));
    condition.starts.reserve(static_cast<size_t>(intervals / conditions + 1));
    condition.ends.reserve(static_cast<size_t>(intervals / conditions + 1));
  }
  if (protocol.conditions.empty())
    return protocol;
  int64_t time = 9000;
  for (int64_t i = 0; i < intervals; ++i) {
    time += 20 + random.below(800);
    const uint32_t c = random.below(static_cast<uint32_t>(conditions));
    const uint32_t length = 100 + random.below(1500);
    kwhost::Condition& condition = protocol.conditions[c];
    // Kept within 32 bits however many intervals are asked for.
    const int32_t start = static_cast<int32_t>(time % 2000000000);
    condition.starts.push_back(start);
    condition.ends.push_back(start + static_cast<int32_t>(length));
  }
  return protocol;
}

}  // namespace stimforge::bench
