#include "kwhost/triggers/analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stimforge::kwhost {
namespace {

constexpr Tenths kMaxTenths = std::numeric_limits<Tenths>::max();
constexpr Tenths kMinTenths = std::numeric_limits<Tenths>::min();
// No gap is taken to hide more triggers than this: any count of triggers, however many
// gaps, then stays far from the 64-bit range.
constexpr double kMaxHidden = 1e9;

// a - b, held at the 64-bit range instead of overflowing (times may be any values).
Tenths difference(Tenths a, Tenths b) {
  if (b > 0 && a < kMinTenths + b)
    return kMinTenths;
  if (b < 0 && a > kMaxTenths + b)
    return kMaxTenths;
  return a - b;
}

Tenths sum(Tenths a, Tenths b) {
  return b == kMinTenths ? difference(a, kMaxTenths) : difference(a, -b);
}

// The nearest whole number of tenths, held at the 64-bit range.
Tenths roundToTenths(double value) {
  if (!(value > -9.2e18))
    return kMinTenths;
  if (!(value < 9.2e18))
    return kMaxTenths;
  return static_cast<Tenths>(std::llround(value));
}

// The triggers an interval of `length` hides at `tr`: round(length / tr) - 1.
int64_t hiddenTriggers(Tenths length, double tr) {
  const double estimate = std::round(static_cast<double>(length) / tr) - 1.0;
  return static_cast<int64_t>(std::clamp(estimate, 0.0, kMaxHidden));
}

double medianOf(std::vector<Tenths>& values) {
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + middle, values.end());
  const double upper = static_cast<double>(values[middle]);
  if (values.size() % 2 == 1)
    return upper;
  const Tenths lower = *std::max_element(values.begin(), values.begin() + middle);
  return (static_cast<double>(lower) + upper) / 2.0;
}

// The median of the intervals between triggers first..last. Requires: last > first.
double medianInterval(const std::vector<Tenths>& times, size_t first, size_t last) {
  std::vector<Tenths> intervals;
  intervals.reserve(last - first);
  for (size_t i = first + 1; i <= last; ++i)
    intervals.push_back(difference(times[i], times[i - 1]));
  return medianOf(intervals);
}

// Fits time = a + b * volume over the scan. A trigger's volume is the previous kept one's
// plus round(interval / TR), so that a gap counts the volumes it hides; a trigger less than
// 0.5 TR after the previous kept one (an extra, or one that goes backwards) is left out.
void fitScan(const std::vector<Tenths>& times, double tr, ScanFindings& scan) {
  std::vector<double> volumes;
  std::vector<double> offsets;  // from the scan's first time, so the sums stay small
  std::vector<size_t> indexes;
  double volume = 0.0;
  Tenths previous = times[scan.first];
  for (size_t i = scan.first; i <= scan.last; ++i) {
    if (i > scan.first) {
      const double step = static_cast<double>(difference(times[i], previous));
      if (step < 0.5 * tr)
        continue;
      volume += std::min(std::round(step / tr), kMaxHidden + 1.0);
      previous = times[i];
    }
    volumes.push_back(volume);
    offsets.push_back(static_cast<double>(difference(times[i], times[scan.first])));
    indexes.push_back(i);
  }
  if (volumes.size() < 2)
    return;
  const double count = static_cast<double>(volumes.size());
  double meanVolume = 0.0;
  double meanOffset = 0.0;
  for (size_t i = 0; i < volumes.size(); ++i) {
    meanVolume += volumes[i] / count;
    meanOffset += offsets[i] / count;
  }
  double sxx = 0.0;
  double sxy = 0.0;
  for (size_t i = 0; i < volumes.size(); ++i) {
    sxx += (volumes[i] - meanVolume) * (volumes[i] - meanVolume);
    sxy += (volumes[i] - meanVolume) * (offsets[i] - meanOffset);
  }
  if (!(sxx > 0.0) || !std::isfinite(sxy))
    return;
  const double slope = sxy / sxx;
  const double intercept = meanOffset - slope * meanVolume;
  double largest = -1.0;
  size_t where = scan.first;
  for (size_t i = 0; i < volumes.size(); ++i) {
    const double residual = std::fabs(offsets[i] - (intercept + slope * volumes[i]));
    if (residual > largest) {
      largest = residual;
      where = indexes[i];
    }
  }
  if (!std::isfinite(slope) || !std::isfinite(largest))
    return;
  scan.fittedTr = slope;
  scan.largestResidual = largest;
  scan.largestResidualTrigger = where;
}

void classifyIntervals(const std::vector<Tenths>& times, std::optional<double> tr,
                       ScanFindings& scan) {
  for (size_t i = scan.first + 1; i <= scan.last; ++i) {
    const Tenths length = difference(times[i], times[i - 1]);
    IrregularInterval interval;
    interval.trigger = i;
    interval.time = times[i];
    interval.length = length;
    if (length < 0) {
      interval.kind = IrregularInterval::Kind::kBackward;
      ++scan.backwardCount;
    } else if (tr ? static_cast<double>(length) < 0.5 * *tr : length == 0) {
      interval.kind = IrregularInterval::Kind::kExtra;
      ++scan.extraCount;
    } else if (tr && static_cast<double>(length) > 1.5 * *tr) {
      interval.kind = IrregularInterval::Kind::kGap;
      interval.missing = hiddenTriggers(length, *tr);
      scan.missingAtGaps = sum(scan.missingAtGaps, interval.missing);
    } else {
      continue;
    }
    ++scan.irregularCount;
    if (scan.irregular.size() < kMaxListedIrregular)
      scan.irregular.push_back(interval);
  }
}

void checkCount(const TriggerOptions& options, ScanFindings& scan) {
  const int64_t expected = sum(options.volumes, options.skip);
  const int64_t surplus = static_cast<int64_t>(scan.count) - expected;
  scan.expectedCount = expected;
  scan.countDifference = surplus;
  if (surplus < 0)
    scan.countPlace = scan.missingAtGaps >= -surplus ? CountPlace::kAtGaps : CountPlace::kAtEnd;
  else if (surplus > 0)
    scan.countPlace = static_cast<int64_t>(scan.extraCount) >= surplus ? CountPlace::kAtExtras
                                                                       : CountPlace::kUnknown;
}

ScanFindings analyzeScan(const std::vector<Tenths>& times, size_t first, size_t last,
                         const TriggerFindings& log) {
  const TriggerOptions& options = log.options;
  ScanFindings scan;
  scan.first = first;
  scan.last = last;
  scan.count = last - first + 1;
  scan.firstTime = times[first];
  scan.lastTime = times[last];
  classifyIntervals(times, log.tr, scan);
  if (scan.count >= 3) {
    scan.medianInterval = medianInterval(times, first, last);
    if (log.tr)
      fitScan(times, *log.tr, scan);
  }
  if (log.trGiven) {
    const double tr = static_cast<double>(options.tr);
    if (scan.fittedTr)
      scan.driftPpm = (*scan.fittedTr - tr) / tr * 1e6;
    if (scan.medianInterval)
      scan.medianAgrees = std::fabs(*scan.medianInterval - tr) <= kTrTolerance * tr;
  }
  if (options.volumes > 0)
    checkCount(options, scan);
  if (static_cast<uint64_t>(options.skip) < scan.count) {
    scan.timeZeroTrigger = first + static_cast<size_t>(options.skip);
    scan.timeZero = times[*scan.timeZeroTrigger];
  }
  scan.end = log.tr ? sum(scan.lastTime, roundToTenths(*log.tr)) : scan.lastTime;
  scan.endKnown = log.tr.has_value();
  scan.firstPulseOnly = log.count == 1;
  return scan;
}

// Where each scan starts: with --volumes, at a gap whose hidden triggers cannot all belong
// to the scan so far (its triggers and those hidden at its earlier gaps would then exceed
// N + K); without, at an interval longer than kScanSplitGap (and than 1.5 TR).
std::vector<size_t> scanStarts(const std::vector<Tenths>& times, const TriggerFindings& log) {
  std::vector<size_t> starts{0};
  const int64_t expected = sum(log.options.volumes, log.options.skip);
  int64_t held = 1;  // the current scan's triggers, with those hidden at its gaps
  for (size_t i = 1; i < times.size(); ++i) {
    const Tenths length = difference(times[i], times[i - 1]);
    const bool gap = log.tr && static_cast<double>(length) > 1.5 * *log.tr;
    bool split = false;
    if (log.options.volumes > 0) {
      const int64_t hidden = gap ? hiddenTriggers(length, *log.tr) : 0;
      split = gap && sum(held, hidden) >= expected;
      held = split ? 1 : sum(held, hidden + 1);
    } else {
      split = length > kScanSplitGap && (!log.tr || gap);
    }
    if (split)
      starts.push_back(i);
  }
  return starts;
}

}  // namespace

bool ScanFindings::hasFindings() const {
  return (count < 3 && !firstPulseOnly) || irregularCount > 0 ||
         (countDifference && *countDifference != 0) || (medianAgrees && !*medianAgrees) ||
         (driftPpm && std::fabs(*driftPpm) > kMaxDriftPpm);
}

bool TriggerFindings::hasFindings() const {
  if (count == 0 || (!tr && count != 1))
    return true;
  return std::any_of(scans.begin(), scans.end(),
                     [](const ScanFindings& scan) { return scan.hasFindings(); });
}

TriggerFindings analyzeTriggers(const std::vector<Tenths>& times, const TriggerOptions& options) {
  TriggerFindings log;
  log.count = times.size();
  log.options = options;
  log.trGiven = options.tr > 0;
  if (times.size() >= 3)
    log.medianInterval = medianInterval(times, 0, times.size() - 1);
  if (log.trGiven)
    log.tr = static_cast<double>(options.tr);
  else if (log.medianInterval && *log.medianInterval > 0.0)
    log.tr = log.medianInterval;
  if (times.empty())
    return log;
  const std::vector<size_t> starts = scanStarts(times, log);
  for (size_t s = 0; s < starts.size(); ++s) {
    const size_t last = s + 1 < starts.size() ? starts[s + 1] - 1 : times.size() - 1;
    ScanFindings scan = analyzeScan(times, starts[s], last, log);
    if (s > 0) {
      scan.splitGapBefore = difference(times[starts[s]], times[starts[s] - 1]);
      if (log.tr)
        scan.hiddenBeforeScan = hiddenTriggers(scan.splitGapBefore, *log.tr);
    }
    log.scans.push_back(std::move(scan));
  }
  return log;
}

}  // namespace stimforge::kwhost
