#include "standin/timeline_log.h"

#include <algorithm>
#include <cstdint>

namespace stimforge::standin {
namespace {

// A gap hiding more missed triggers than this is marked at this many places spread over it:
// a picture cannot show more apart, and a log's times may be far apart.
constexpr int64_t kMaxMarksPerGap = 4096;

double seconds(double tenths, Tenths zero) {
  return (tenths - static_cast<double>(zero)) / 10000.0;
}

}  // namespace

TimelineTriggers triggerMarks(const std::vector<Tenths>& times, const TriggerFindings& findings,
                              Tenths zero, bool zeroShown) {
  TimelineTriggers marks;
  marks.pulses.reserve(times.size());
  for (const Tenths t : times)
    marks.pulses.push_back(seconds(static_cast<double>(t), zero));
  for (const ScanFindings& scan : findings.scans) {
    marks.scanStarts.push_back(seconds(static_cast<double>(scan.firstTime), zero));
    marks.scanEnds.push_back(seconds(static_cast<double>(scan.end), zero));
    for (const IrregularInterval& interval : scan.irregular) {
      if (interval.kind == IrregularInterval::Kind::kExtra) {
        marks.extra.push_back(seconds(static_cast<double>(interval.time), zero));
      } else if (interval.kind == IrregularInterval::Kind::kGap) {
        // The missing triggers were due a whole TR apart after the one before the gap;
        // without a TR they are spread evenly over it.
        const double before = static_cast<double>(interval.time - interval.length);
        const int64_t marked = std::min(interval.missing, kMaxMarksPerGap);
        const double step =
            findings.tr && marked == interval.missing
                ? *findings.tr
                : static_cast<double>(interval.length) / static_cast<double>(marked + 1);
        for (int64_t k = 1; k <= marked; ++k)
          marks.missed.push_back(seconds(before + step * static_cast<double>(k), zero));
      }
    }
  }
  if (zeroShown)
    marks.timeZero = 0.0;
  return marks;
}

}  // namespace stimforge::standin
