// One log checked against its BOLD run: which scan of the log the image stored, K (the
// triggers without a stored volume) and the rule that chose it, time zero, the TR used, the
// drift against that TR, the count check, and the stimulus events outside the stored scan.
// Pure: no files, no printing. `kwhost triggers --bold`, `import --bold` and `--align`, and
// `events --bold` and `plot --bold` all call checkLogAgainstScan, so they agree on time zero.
//
// Contract for a command that writes onsets (`kwhost events --bold`):
// - When `k` is empty (ScanCheck::timeZero empty), refuse: exit 1, write nothing, and print
//   `unknownReason` with the advice to give --skip K. Onsets from a guessed K are the error
//   this check exists to end. With --skip K the check takes K as given (findings, if any,
//   go to standard error and the files are still written, as for trigger findings).
// - Onsets are event time - *timeZero (tenths of a millisecond).
// - The sidecar's onset Description gives onsetDescription(check): the BOLD file, its
//   volumes, the TR used and the rule that chose K.
// - findings (ScanCheck::findings) are printed on standard error; they do not stop the
//   writing while K is known.
#ifndef STIMFORGE_KWHOST_TRIGGERS_SCAN_CHECK_H_
#define STIMFORGE_KWHOST_TRIGGERS_SCAN_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/scan/bold_run.h"
#include "kwhost/scan/dummy_volumes.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/log_triggers.h"

namespace stimforge::kwhost {

struct ScanCheckOptions {
  Tenths tr = 0;                // --tr in tenths; 0 = not given
  std::optional<int64_t> skip;  // --skip K; empty = auto (the rule of decideDummyVolumes)
  size_t scan = 0;              // --scan N (from 1); 0 = not given
  int64_t volumes = 0;          // --volumes N; 0 = not given (the image's count wins)
  // How the front end names the settings in findings and rules ("choose one with --scan N").
  const SettingWords* words = &plainSettingWords();
};

// The stimulus events outside the stored scan.
struct EventsOutsideScan {
  size_t before = 0;  // time < time zero
  std::optional<StimulusEvent> firstBefore;
  size_t after = 0;  // time >= the scan's end (time zero + volumes x TR)
  std::optional<StimulusEvent> firstAfter;
};

// One way of reading D more triggers than volumes: K = D (dummy volumes at the start) or
// K = 0 (volumes lost at the end), with the time zero each gives and what the log shows
// outside the stored scan then.
struct KReading {
  int64_t k = 0;
  Tenths timeZero = 0;
  size_t timeZeroTrigger = 0;  // index in the log's list
  EventsOutsideScan outside;
};

struct ScanCheck {
  bool withBold = false;  // a BoldRun was given
  // The scan of the log that was checked (index into the first analysis's scans), empty when
  // the log has no trigger or several scans and no --scan.
  std::optional<size_t> scan;
  size_t scanCount = 0;  // scans in the log
  // The trigger analysis the check rests on: the TR used, no --volumes, no --skip.
  TriggerFindings triggers;
  int64_t volumes = 0;         // the image's (or --volumes); 0 = unknown
  std::optional<double> trMs;  // the TR used: the scan's, else --tr
  // K, the rule that chose it, or why it is unknown (see DummyVolumes).
  DummyVolumes dummies;
  std::optional<Tenths> timeZero;
  std::optional<size_t> timeZeroTrigger;  // index in the log's list of the trigger it is
  bool timeZeroAfterTrigger = false;      // one trigger and K > 0: trigger + K x TR
  std::optional<Tenths> end;              // time zero + volumes x TR, when all are known
  // Against the TR used, with the same rules as --tr (at least three triggers).
  std::optional<double> fittedTr;  // tenths
  std::optional<double> driftPpm;
  std::optional<double> medianInterval;  // tenths
  std::optional<bool> medianAgrees;
  // volumes + K against the scan's triggers; empty with one trigger (first pulse only).
  std::optional<int64_t> expectedCount;
  std::optional<int64_t> countDifference;
  EventsOutsideScan outside;
  // With dummies.twoReadings: the two readings, K = D first, then K = 0; and how far the
  // onsets move between them (D x TR, milliseconds; empty without a TR).
  std::vector<KReading> readings;
  std::optional<double> readingsShiftMs;
  // Everything wrong, one line each: the run's own (header and sidecar TR), K unknown, the
  // sidecar disagreeing with --skip, the count, the drift, the median.
  std::vector<std::string> findings;

  bool hasFindings() const { return !findings.empty(); }
};

// Checks the log's triggers (`triggers`, in log order, as readLogTriggers gives them) and its
// stimulus events (`stimuli`, in log order) against `bold` (optional: without it, K is
// --skip or 0 and the volumes --volumes). Never fails; every figure is finite. Requires:
// options.tr, volumes and *skip zero or positive. May throw std::bad_alloc.
//
// The TR used is the run's (sidecar, else header), else --tr; with both, --tr is checked by
// the trigger report as usual and the run's TR gives the end. The scan is --scan N, else the
// only one (scans split at pauses of more than 20 s). K: --skip, else by
// decideDummyVolumes (the image's volumes, the sidecar's discarded volumes, the scan's
// irregular intervals). Time zero: trigger K + 1 of the scan; with one trigger, that
// trigger + K x TR.
ScanCheck checkLogAgainstScan(const std::vector<Tenths>& triggers,
                              const std::vector<StimulusEvent>& stimuli,
                              const ScanCheckOptions& options, const std::optional<BoldRun>& bold);

// How K was chosen, in a few words for a line of a study's report: "given", "triggers =
// volumes", "stated by the sidecar", "the sidecar states none discarded", "first trigger
// only"; "unknown" when it is.
const char* kRuleName(const ScanCheck& check);

// What time zero is, for the events sidecar's onset Description ("... from time zero: TEXT.")
// of a check with a known time zero, e.g. "the first stored volume of
// sub-01_task-x_bold.nii.gz (236 volumes, TR 2000 ms from the sidecar), at Time 25328.2 ms
// in the log: K = 4, 4 triggers more than volumes (...): taken as dummy volumes ...".
// `words` names the TR given by the user; `zeroTime`, when given, is time zero in the source's
// own words (else "Time 25328.2 ms in the log").
std::string onsetDescription(const ScanCheck& check, const std::optional<BoldRun>& bold,
                             const SettingWords& words, const std::string* zeroTime = nullptr);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TRIGGERS_SCAN_CHECK_H_
