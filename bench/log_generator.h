// Synthetic Presentation logs for the benchmarks: a five-line header, then tab-separated
// event lines of 13 columns (Subject first) with empty fields, codes with blanks, 50
// distinct codes, Picture, Response, Pulse, Sound and Nothing events, then two empty lines
// and a short second table, as real logs have. The same seed and size give the same bytes
// on every platform.
#ifndef STIMFORGE_BENCH_LOG_GENERATOR_H_
#define STIMFORGE_BENCH_LOG_GENERATOR_H_

#include <cstdint>
#include <cstdio>
#include <string>

namespace stimforge::bench {

// What a generated log holds, for checking a reader against it.
struct LogCounts {
  int64_t events = 0;    // event lines
  int64_t selected = 0;  // Picture, Sound and Response lines (no Video is generated)
  int64_t pictures = 0;  // Picture lines
  int64_t codes = 0;     // distinct codes of the selected lines
  int64_t lines = 0;     // lines of the first part: the header and the event lines
  int64_t bytes = 0;     // bytes of the whole text
};

// A small pseudo-random sequence (splitmix64), the same on every platform, unlike the
// standard library's distributions.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next();
  // A value from 0 to bound - 1. Requires: bound > 0.
  uint32_t below(uint32_t bound) { return static_cast<uint32_t>(next() % bound); }

 private:
  uint64_t state_;
};

// The log of `events` event lines made from `seed`, as one text. Fills `counts` when it is
// not null.
std::string generateLogText(uint64_t seed, int64_t events, LogCounts* counts = nullptr);

// The same log, written to `file` piece by piece. Returns false when it could not be
// written.
[[nodiscard]] bool writeLog(std::FILE* file, uint64_t seed, int64_t events,
                            LogCounts* counts = nullptr);

}  // namespace stimforge::bench

#endif  // STIMFORGE_BENCH_LOG_GENERATOR_H_
