// The trigger analysis of `kwhost triggers` on any trigger sequence and options: it never
// crashes, every figure is finite, the scans cover the triggers in order, and the time zero
// of each scan is its trigger K + 1.
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "kwhost/triggers/analysis.h"

namespace stimforge::fuzzing {
namespace {

using kwhost::ScanFindings;
using kwhost::Tenths;

bool finite(const std::optional<double>& value) {
  return !value || std::isfinite(*value);
}

// A trigger time: mostly steps near a TR from the previous one, sometimes any 64-bit value.
Tenths nextTime(FuzzInput& input, Tenths previous, Tenths period) {
  const uint8_t kind = input.byte();
  if (kind == 255) {
    uint64_t any = 0;
    for (int i = 0; i < 8; ++i)
      any = any << 8 | input.byte();
    return static_cast<Tenths>(any);
  }
  const Tenths jitter = static_cast<Tenths>(input.number());
  const Tenths step = kind < 200 ? period : period * (kind - 198);  // gaps of 2 to 57 TR
  // Held within range so the generator itself does not overflow.
  if (previous > (int64_t{1} << 60) || previous < -(int64_t{1} << 60))
    return previous;
  return previous + step + jitter;
}

}  // namespace

int fuzzTriggerAnalysis(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  kwhost::TriggerOptions options;
  options.tr = input.byte() % 2 == 0 ? 0 : static_cast<uint32_t>(input.number()) % 100000 + 1;
  options.volumes = input.byte() % 2 == 0 ? 0 : static_cast<uint32_t>(input.number()) % 5000 + 1;
  options.skip = static_cast<uint32_t>(input.number()) % 10;
  const Tenths period = static_cast<uint32_t>(input.number()) % 100000;
  std::vector<Tenths> times;
  Tenths previous = static_cast<Tenths>(input.number());
  while (!input.empty() && times.size() < 20000) {
    previous = nextTime(input, previous, period);
    times.push_back(previous);
  }

  const kwhost::TriggerFindings f = kwhost::analyzeTriggers(times, options);
  SF_FUZZ_CHECK(f.count == times.size(), "every trigger is counted");
  SF_FUZZ_CHECK(finite(f.tr) && finite(f.medianInterval), "the TR and median are finite");
  SF_FUZZ_CHECK(!f.tr || *f.tr > 0, "a TR is positive");
  SF_FUZZ_CHECK(times.empty() == f.scans.empty(), "triggers make at least one scan");
  size_t next = 0;
  for (const ScanFindings& scan : f.scans) {
    SF_FUZZ_CHECK(scan.first == next && scan.last >= scan.first && scan.last < times.size(),
                  "the scans cover the triggers in order");
    SF_FUZZ_CHECK(scan.count == scan.last - scan.first + 1, "a scan's count is its span");
    next = scan.last + 1;
    SF_FUZZ_CHECK(finite(scan.medianInterval) && finite(scan.fittedTr) &&
                      finite(scan.largestResidual) && finite(scan.driftPpm),
                  "a scan's figures are finite");
    SF_FUZZ_CHECK(!scan.largestResidual || *scan.largestResidual >= 0, "a residual is >= 0");
    SF_FUZZ_CHECK(scan.irregular.size() <= kwhost::kMaxListedIrregular &&
                      scan.irregular.size() <= scan.irregularCount,
                  "at most 20 irregular intervals are listed, all counted");
    SF_FUZZ_CHECK(scan.missingAtGaps >= 0, "gaps hide no negative count");
    const bool zero = static_cast<uint64_t>(options.skip) < scan.count;
    SF_FUZZ_CHECK(scan.timeZero.has_value() == zero, "time zero exactly when K < count");
    if (zero)
      SF_FUZZ_CHECK(*scan.timeZero == times[scan.first + static_cast<size_t>(options.skip)],
                    "time zero is trigger K + 1");
    SF_FUZZ_CHECK(!scan.countDifference ||
                      *scan.countDifference ==
                          static_cast<int64_t>(scan.count) - options.volumes - options.skip,
                  "the count difference is count - (N + K)");
  }
  SF_FUZZ_CHECK(next == times.size(), "the last scan ends at the last trigger");
  return 0;
}

}  // namespace stimforge::fuzzing
