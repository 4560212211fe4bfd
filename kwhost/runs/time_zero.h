// A run's time zero, chosen once for every lab command by the rule the settings name: the
// trigger of the first stored volume (from the log's triggers, or from the check against the
// BOLD run), the scenario's origin, a time the user gives, or the first event of a code. And
// the rule for logs of several scans: the rows of scan N are those at or after the end of
// scan N - 1 (its last trigger plus its median interval) and before the first trigger of scan
// N + 1, the log's start and end at the edges; the rows of that scan before its time zero are
// kept, with negative onsets.
#ifndef STIMFORGE_KWHOST_RUNS_TIME_ZERO_H_
#define STIMFORGE_KWHOST_RUNS_TIME_ZERO_H_

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "kwhost/common/log_time.h"
#include "kwhost/common/refusal.h"
#include "kwhost/scan/bold_run.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/sources/stimulus_source.h"
#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/log_triggers.h"
#include "kwhost/triggers/scan_check.h"
#include "kwhost/triggers/trigger_candidates.h"

namespace stimforge::kwhost {

struct ZeroInput {
  const std::string& name;  // the input's name in messages
  const RunSettings& settings;
  const TriggerSelection& trigger;  // resolved
  const LogTriggers& triggers;      // times and (with a BOLD run) the stimulus events
  std::optional<Micros> codeZero;   // the time of the first event with the zero code
  const BoldRun* bold = nullptr;
  const SettingWords& words;
  // For a log without triggers: the series that could be its triggers (null: not looked for).
  const TriggerAdvice* advice = nullptr;
  const StimulusSource& source;  // the words of its times, origin and triggers
  // A source that times finer: each trigger's exact time (parallel to triggers.times) and
  // the zero code's parts; empty and 0 otherwise.
  const std::vector<FineTime>& fineTriggers;
  int64_t codeZeroParts = 0;
};

struct ZeroChoice {
  Micros time = 0;          // time zero as a time of the source: its floor for a finer source
  int64_t parts = 0;        // and the parts of a microsecond beyond it (kPartsPerMicro)
  std::string description;  // for the sidecar's onset Description: "trigger 1 (Pulse events),
                            // at Time 9423.9 ms in the log"
  // The times of the rows kept, [first, second), when the log holds several scans.
  std::optional<std::pair<Micros, Micros>> window;
  std::optional<ScanCheck> scanCheck;  // with a BOLD run under auto
  std::set<std::string> warnings;      // stimulus events outside the stored scan
  std::string triggerFindings;         // what the trigger check found wrong; "" when nothing
};

// Chooses time zero. Refusals: kInput for no trigger under auto (the advice names the
// settings by `words`), several scans without a scan chosen (listed), a scan beyond those
// the log holds, a scan with no trigger left after K, a code no event has; kFindings for a
// K that the check against the BOLD run cannot work out (the message says why, and that
// giving K settles it). May throw std::bad_alloc.
Refusal chooseTimeZero(const ZeroInput& input, ZeroChoice& choice);

// The times a log's scan `scan` (index into `findings.scans`) holds by the rule above, in
// tenths: from the end of the scan before it to the first trigger of the scan after it.
// Empty when the log holds one scan.
std::optional<std::pair<Tenths, Tenths>> scanWindow(const TriggerFindings& findings, size_t scan);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_RUNS_TIME_ZERO_H_
