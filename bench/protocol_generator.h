// Synthetic protocols for the benchmarks of the editing commands: a given number of
// conditions sharing a given number of intervals, in the stand-in host's protocol model.
// The same seed and sizes give the same protocol on every platform.
#ifndef STIMFORGE_BENCH_PROTOCOL_GENERATOR_H_
#define STIMFORGE_BENCH_PROTOCOL_GENERATOR_H_

#include <cstdint>

#include "kwhost/protocol/value.h"

namespace stimforge::bench {

// A protocol in milliseconds with `conditions` conditions ("condition 1", "condition 2",
// ...) and `intervals` intervals in all: each interval goes to a condition drawn at
// random, in time order, so each condition's intervals ascend. Requires: conditions > 0
// unless intervals is 0.
kwhost::Protocol generateProtocol(uint64_t seed, int32_t conditions, int64_t intervals);

}  // namespace stimforge::bench

#endif  // STIMFORGE_BENCH_PROTOCOL_GENERATOR_H_
