// The scanner's triggers of one log, checked: the TR, gaps that hide missed triggers, extra
// triggers, scans, the least-squares TR, clock drift and each scan's time zero. Pure: it
// works on a list of trigger times and knows nothing of logs or files.
//
// Times are integer tenths of a millisecond, as the log writes them (Tenths), and stay so
// until they are printed. Figures that are not whole tenths (a median of an even number of
// intervals, the fitted TR, residuals) are doubles in tenths.
//
// For a caller that needs each scan's time zero and end (`kwhost events`): collect the times
// of the trigger events in log order (for instance with readLogTriggers,
// kwhost/triggers/log_triggers.h), call analyzeTriggers with the user's --tr, --volumes and --skip,
// then for each entry of `scans`: `timeZero` is the time of trigger K + 1 of the scan (absent when
// the scan has K triggers or fewer) and `end` the scan's last trigger time plus one TR. An event at
// time T then has the onset T - *timeZero in that scan.
#ifndef STIMFORGE_KWHOST_TRIGGERS_ANALYSIS_H_
#define STIMFORGE_KWHOST_TRIGGERS_ANALYSIS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/common/log_time.h"

namespace stimforge::kwhost {

// An interval longer than this splits the triggers into scans when no --volumes is given.
constexpr Tenths kScanSplitGap = 200000;  // 20 s
// At most this many irregular intervals are listed per scan; all are counted.
constexpr size_t kMaxListedIrregular = 20;
// A drift above this (with --tr) is a finding.
constexpr double kMaxDriftPpm = 100.0;
// The median interval agrees with --tr when it lies within this fraction of it.
constexpr double kTrTolerance = 0.01;

struct TriggerOptions {
  Tenths tr = 0;        // --tr in tenths of a millisecond; 0 = not given (the median is used)
  int64_t volumes = 0;  // --volumes N; 0 = not given
  int64_t skip = 0;     // --skip K: volumes discarded with triggers before the image was stored
};

// An interval between two consecutive triggers that is not about one TR.
struct IrregularInterval {
  enum class Kind {
    kGap,       // longer than 1.5 TR: hides round(interval / TR) - 1 triggers
    kExtra,     // shorter than 0.5 TR (zero included): the later trigger is an extra one
    kBackward,  // the later trigger's time is before the earlier one's
  };
  Kind kind = Kind::kGap;
  size_t trigger = 0;   // index (from 0, in the log's list) of the trigger that ends it
  Tenths time = 0;      // that trigger's time
  Tenths length = 0;    // its time less the previous trigger's (negative when backward)
  int64_t missing = 0;  // for a gap, the triggers it hides; else 0
};

// Where a scan's missing or surplus triggers most likely are (with --volumes).
enum class CountPlace {
  kNone,      // the count is right, or no --volumes
  kAtGaps,    // short, and the gaps inside the scan hide at least the triggers missing
  kAtEnd,     // short with too few hidden at gaps: stopped early (or lost at the start)
  kAtExtras,  // too many, and short intervals account for at least the surplus
  kUnknown,   // too many, with no short interval to explain it
};

struct ScanFindings {
  size_t first = 0;  // index of the scan's first trigger in the log's list
  size_t last = 0;   // index of its last trigger (first + count - 1)
  size_t count = 0;
  Tenths firstTime = 0;
  Tenths lastTime = 0;
  // Present when the scan has at least three triggers.
  std::optional<double> medianInterval;   // tenths
  std::optional<double> fittedTr;         // least squares of time against volume index, tenths
  std::optional<double> largestResidual;  // the largest |time - fit|, tenths
  std::optional<size_t> largestResidualTrigger;  // index in the log's list
  // Only with --tr, and a fitted TR: (fitted TR - TR) / TR in parts per million.
  std::optional<double> driftPpm;
  // Only with --tr and a median: whether the median lies within kTrTolerance of the TR.
  std::optional<bool> medianAgrees;
  std::vector<IrregularInterval> irregular;  // the first kMaxListedIrregular of them
  size_t irregularCount = 0;                 // all of them
  int64_t missingAtGaps = 0;                 // the triggers the scan's gaps hide
  size_t extraCount = 0;                     // intervals shorter than 0.5 TR
  size_t backwardCount = 0;                  // intervals that go backwards
  // Only with --volumes: N + K, and count - (N + K) (negative when triggers are missing).
  std::optional<int64_t> expectedCount;
  std::optional<int64_t> countDifference;
  CountPlace countPlace = CountPlace::kNone;
  // The time of trigger K + 1 of the scan (index first + K); absent when count <= K.
  std::optional<Tenths> timeZero;
  std::optional<size_t> timeZeroTrigger;  // its index in the log's list
  Tenths end = 0;         // lastTime plus one TR (lastTime alone when there is no TR)
  bool endKnown = false;  // whether there was a TR for `end`
  // The log holds this one trigger and no other: a design that logs the first pulse only.
  // Its time zero is that trigger; it is no finding unless --volumes asks for more.
  bool firstPulseOnly = false;
  // The interval before this scan when the triggers were split there (0 for the first
  // scan), and the triggers it would hide were it a burst of lost ones instead of a pause
  // between two scans.
  Tenths splitGapBefore = 0;
  int64_t hiddenBeforeScan = 0;

  // Whether the scan shows anything wrong: irregular intervals, a count that is not N + K,
  // a median that disagrees with --tr, a drift above kMaxDriftPpm, fewer than three
  // triggers (but for firstPulseOnly).
  bool hasFindings() const;
};

struct TriggerFindings {
  size_t count = 0;  // all triggers of the log
  TriggerOptions options;
  // The TR the intervals were compared with: options.tr when given, else the median of all
  // the log's intervals when it has at least three triggers. Absent when neither.
  std::optional<double> tr;
  bool trGiven = false;
  std::optional<double> medianInterval;  // over the whole log, at least three triggers
  std::vector<ScanFindings> scans;       // in log order; empty when there is no trigger

  // Whether anything is wrong: no trigger, no TR with two triggers or more, or any scan's
  // findings. A log of one trigger (first pulse only) has findings only when --volumes asks
  // for more triggers.
  bool hasFindings() const;
};

// Checks `times` (each trigger's time in log order, any values) with `options`. Never fails;
// every figure is finite. Requires: options.tr, volumes and skip zero or positive. May throw
// std::bad_alloc.
//
// The scans: with --volumes, a new scan starts at a gap whose hidden triggers cannot all
// belong to the scan so far (its triggers, those hidden at its earlier gaps, these and the
// trigger after the gap would exceed N + K); without, at an interval longer than
// kScanSplitGap and than 1.5 TR. The fit gives each trigger a volume index: the previous
// kept trigger's plus round(interval / TR), so that a gap counts the volumes it hides; a
// trigger less than 0.5 TR after the previous kept one (an extra, or one that goes back) is
// left out of the fit.
TriggerFindings analyzeTriggers(const std::vector<Tenths>& times, const TriggerOptions& options);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TRIGGERS_ANALYSIS_H_
