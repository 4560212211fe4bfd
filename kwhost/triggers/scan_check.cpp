#include "kwhost/triggers/scan_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace stimforge::kwhost {
namespace {

// The scan checked: --scan N, else the only one. Sets check.scan or a finding.
void chooseScan(const ScanCheckOptions& options, ScanCheck& check) {
  const size_t count = check.triggers.scans.size();
  const SettingWords& words = *options.words;
  check.scanCount = count;
  if (count == 0) {
    check.findings.push_back("no trigger: time zero cannot come from the scan");
  } else if (options.scan > count) {
    check.findings.push_back(words.given(Setting::kScan, std::to_string(options.scan)) +
                             ": the log holds " + std::to_string(count) + " scan(s)");
  } else if (options.scan > 0) {
    check.scan = options.scan - 1;
  } else if (count == 1) {
    check.scan = 0;
  } else {
    check.findings.push_back("the log holds " + std::to_string(count) + " scans: choose one with " +
                             words.given(Setting::kScan, "N"));
  }
}

// The stimulus events before `zero` and at or after `end` (when known).
EventsOutsideScan outsideOf(const std::vector<StimulusEvent>& stimuli, Tenths zero,
                            const std::optional<Tenths>& end) {
  EventsOutsideScan outside;
  for (const StimulusEvent& event : stimuli) {
    if (event.time < zero && outside.before++ == 0)
      outside.firstBefore = event;
    if (end && event.time >= *end && outside.after++ == 0)
      outside.firstAfter = event;
  }
  return outside;
}

// The end of a stored scan of `volumes` from `zero`, when the TR is known.
std::optional<Tenths> scanEnd(Tenths zero, int64_t volumes, const std::optional<double>& trMs) {
  if (volumes <= 0 || !trMs)
    return std::nullopt;
  const double end = static_cast<double>(zero) + tenthsOfMs(static_cast<double>(volumes) * *trMs);
  if (!(end < 9.2e18))
    return std::nullopt;
  return static_cast<Tenths>(std::llround(end));
}

// K without an image: --skip, else 0 (time zero at the scan's first trigger).
DummyVolumes skipWithoutBold(const ScanCheckOptions& options, const ScanFindings& scan) {
  DummyVolumes out;
  const int64_t k = options.skip.value_or(0);
  const std::string skip = options.words->given(Setting::kSkip, std::to_string(k));
  if (scan.count > 1 && static_cast<uint64_t>(k) >= scan.count) {
    out.unknownReason =
        skip + " leaves no trigger for time zero (" + std::to_string(scan.count) + " triggers)";
    return out;
  }
  out.k = k;
  out.rule = options.skip ? "given with " + skip + ": time zero at trigger " + std::to_string(k + 1)
                          : "no " + options.words->name(Setting::kSkip) +
                                ": time zero at the scan's first trigger";
  if (scan.count == 1 && k > 0)
    out.rule = "given with " + skip + ": one trigger (first pulse only), time zero " +
               std::to_string(k) + " TR after it";
  return out;
}

DummyVolumes decideK(const ScanCheckOptions& options, const std::optional<BoldRun>& bold,
                     const ScanFindings& scan) {
  if (!bold)
    return skipWithoutBold(options, scan);
  DummyVolumeInput input;
  input.triggers = static_cast<int64_t>(scan.count);
  input.volumes = bold->volumes;
  input.irregularIntervals = static_cast<int64_t>(scan.irregularCount);
  input.missingAtGaps = scan.missingAtGaps;
  input.scans = 1;  // chooseScan settled it
  input.discardedByScanner = bold->discardedByScanner;
  input.discardedByUser = bold->discardedByUser;
  input.skip = options.skip;
  input.words = options.words;
  return decideDummyVolumes(input);
}

// Time zero and its trigger. Requires: dummies.k.
void placeTimeZero(const std::vector<Tenths>& triggers, const ScanFindings& scan,
                   ScanCheck& check) {
  const int64_t k = *check.dummies.k;
  const std::vector<Tenths> scanTimes(
      triggers.begin() + static_cast<std::ptrdiff_t>(scan.first),
      triggers.begin() + static_cast<std::ptrdiff_t>(scan.last) + 1);
  check.timeZero = timeZeroTenths(scanTimes, k, check.trMs);
  if (!check.timeZero)
    return;
  if (static_cast<uint64_t>(k) < scan.count) {
    check.timeZeroTrigger = scan.first + static_cast<size_t>(k);
  } else {
    check.timeZeroTrigger = scan.first;
    check.timeZeroAfterTrigger = true;
  }
  check.end = scanEnd(*check.timeZero, check.volumes, check.trMs);
}

// The drift and the median against the TR used, as the trigger analysis does for --tr.
void checkTr(const ScanFindings& scan, ScanCheck& check) {
  check.fittedTr = scan.fittedTr;
  check.medianInterval = scan.medianInterval;
  if (!check.trMs)
    return;
  const double tr = tenthsOfMs(*check.trMs);
  if (scan.fittedTr) {
    check.driftPpm = (*scan.fittedTr - tr) / tr * 1e6;
    if (std::fabs(*check.driftPpm) > kMaxDriftPpm)
      check.findings.push_back("clock drift " + formatFixed(*check.driftPpm, 1) +
                               " ppm against the scan's TR");
  }
  if (scan.medianInterval) {
    check.medianAgrees = std::fabs(*scan.medianInterval - tr) <= kTrTolerance * tr;
    if (!*check.medianAgrees)
      check.findings.push_back(
          "median interval " + formatFixed(msOfTenths(*scan.medianInterval), 1) +
          " ms is not within 1% of the scan's TR (" + formatTrMs(*check.trMs) + ")");
  }
}

void checkCount(const ScanFindings& scan, ScanCheck& check) {
  if (!check.dummies.k || check.volumes <= 0 || scan.count == 1)
    return;
  check.expectedCount = check.volumes + *check.dummies.k;
  check.countDifference = static_cast<int64_t>(scan.count) - *check.expectedCount;
  // With an image, a K worked out meets the count by construction, and a K given with --skip
  // that misses it is already a finding of decideDummyVolumes.
  if (*check.countDifference != 0 && !check.withBold)
    check.findings.push_back(std::to_string(scan.count) + " triggers, not " +
                             std::to_string(*check.expectedCount) + " (volumes + K)");
}

// Both readings of D more triggers than volumes, for a report that settles nothing.
void readBothWays(const std::vector<Tenths>& triggers, const std::vector<StimulusEvent>& stimuli,
                  const ScanFindings& scan, ScanCheck& check) {
  const int64_t d = check.dummies.twoReadings;
  if (d <= 0 || static_cast<uint64_t>(d) >= scan.count)
    return;
  for (const int64_t k : {d, int64_t{0}}) {
    KReading reading;
    reading.k = k;
    reading.timeZeroTrigger = scan.first + static_cast<size_t>(k);
    reading.timeZero = triggers[reading.timeZeroTrigger];
    reading.outside = outsideOf(stimuli, reading.timeZero,
                                scanEnd(reading.timeZero, check.volumes, check.trMs));
    check.readings.push_back(reading);
  }
  if (check.trMs)
    check.readingsShiftMs = static_cast<double>(d) * *check.trMs;
}

}  // namespace

ScanCheck checkLogAgainstScan(const std::vector<Tenths>& triggers,
                              const std::vector<StimulusEvent>& stimuli,
                              const ScanCheckOptions& options, const std::optional<BoldRun>& bold) {
  ScanCheck check;
  check.withBold = bold.has_value();
  if (bold && bold->trMs)
    check.trMs = bold->trMs;
  else if (options.tr > 0)
    check.trMs = msOfTenths(static_cast<double>(options.tr));
  check.volumes = bold ? bold->volumes : options.volumes;
  if (bold)
    check.findings = bold->findings;
  TriggerOptions analysis;
  // The analysis compares intervals with whole tenths; the drift below uses the exact TR.
  if (check.trMs)
    analysis.tr = std::max<Tenths>(1, std::llround(tenthsOfMs(*check.trMs)));
  check.triggers = analyzeTriggers(triggers, analysis);
  chooseScan(options, check);
  if (!check.scan)
    return check;
  const ScanFindings& scan = check.triggers.scans[*check.scan];
  check.dummies = decideK(options, bold, scan);
  if (!check.dummies.k)
    check.findings.push_back("K unknown: " + check.dummies.unknownReason);
  for (const std::string& finding : check.dummies.findings)
    check.findings.push_back(finding);
  if (check.dummies.k)
    placeTimeZero(triggers, scan, check);
  checkTr(scan, check);
  checkCount(scan, check);
  if (check.timeZero)
    check.outside = outsideOf(stimuli, *check.timeZero, check.end);
  readBothWays(triggers, stimuli, scan, check);
  return check;
}

const char* kRuleName(const ScanCheck& check) {
  if (!check.dummies.k)
    return "unknown";
  if (check.dummies.rule.rfind("given with", 0) == 0)
    return "given";
  if (check.triggers.count == 1)
    return "first trigger only";
  if (check.dummies.afterLastVolume > 0)
    return "the sidecar states none discarded";
  return *check.dummies.k == 0 ? "triggers = volumes" : "stated by the sidecar";
}

std::string onsetDescription(const ScanCheck& check, const std::optional<BoldRun>& bold,
                             const SettingWords& words, const std::string* zeroTime) {
  std::string text = "time zero";
  if (bold) {
    text = "the first stored volume of " + bold->image.filename().u8string() + " (" +
           std::to_string(bold->volumes) + " volumes";
    if (check.trMs)
      text += ", TR " + formatTrMs(*check.trMs) +
              (bold->trSource == TrSource::kSidecar  ? std::string(" from the sidecar")
               : bold->trSource == TrSource::kHeader ? " from the header"
                                                     : " from " + words.name(Setting::kTr));
    text += ")";
  }
  if (check.timeZero)
    text +=
        ", at " +
        (zeroTime != nullptr ? *zeroTime : "Time " + formatMs(*check.timeZero) + " ms in the log");
  return text + ": K = " + (check.dummies.k ? std::to_string(*check.dummies.k) : "unknown") + ", " +
         check.dummies.rule;
}

}  // namespace stimforge::kwhost
