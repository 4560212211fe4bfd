// The one pipeline of a run, shared by every lab command: a stimulus source, the lab's
// settings and, where given, the run's BOLD image, into the run's events, their time zero and
// the rule that chose it, the check against the scan, the events outside it and what needs a
// look. `kwhost events` and `bids` write what readRunEvents gives (run_files.h), `plot` draws
// it, and `triggers` and `import --bold` report and use what checkRunTriggers gives. Host-free.
#ifndef STIMFORGE_KWHOST_RUNS_RUN_PIPELINE_H_
#define STIMFORGE_KWHOST_RUNS_RUN_PIPELINE_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "kwhost/common/log_time.h"
#include "kwhost/common/refusal.h"
#include "kwhost/events/event_map.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/scan/bold_run.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/sources/stimulus_source.h"
#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/log_triggers.h"
#include "kwhost/triggers/scan_check.h"
#include "kwhost/triggers/trigger_grid.h"

namespace stimforge::kwhost {

struct RunRequest {
  StimulusSource* source = nullptr;  // opened, not read yet
  std::string name;                  // the input's name in messages
  const RunSettings* settings = nullptr;
  const BoldRun* bold = nullptr;        // the run's image; null: none
  EventMap* map = nullptr;              // the settings' map file, parsed; null: none
  const SettingWords* words = nullptr;  // how the front end names the settings
  bool propertyColumns = true;          // the source's condition columns (a picture draws none)
  uint64_t bytes = 0;                   // the source's size when known; 0: unknown
};

struct RunEvents {
  EventsTable table;  // sorted by onset, ties in the source's order
  SidecarFacts facts;
  std::set<std::string> warnings;  // for standard error, one line each
  std::string triggerFindings;     // what the trigger check found wrong; "" when nothing
  // "left out 240 trigger rows (Response events with code 5) of NAME; --keep-triggers keeps
  // them" (the setting named by the request's words), or "" when none was left out.
  std::string triggerRowsNote;
  // "NAME: the trigger: key_resp, key '5': the one keyboard that ..." when the source chose
  // the trigger itself and says how (a PsychoPy data file's one candidate); "" otherwise.
  std::string triggerNote;
  Micros zero = 0;  // time zero as a time of the source, rounded to microseconds
  // The trigger used (the source's default when none was given); none when the source has no
  // default and time zero needs no trigger.
  std::optional<TriggerSelection> trigger;
  std::vector<Tenths> triggers;        // the trigger times, in the source's order
  std::optional<ScanCheck> scanCheck;  // with a BOLD run under zero auto
  // Triggers stored in part (the source's), checked on the TR grid under zero auto.
  std::optional<PartialTriggers> partialTriggers;
  std::optional<PartialTriggerCheck> partialCheck;
};

// Reads the run's events. Refusals:
//   kUsage: settings that do not fit the source (a further column it cannot give, a trigger,
//     types or a template it cannot take), a map pattern std::regex gives up on;
//   kInput: the source cannot be read or is of no known format; no trigger under zero auto
//     (the advice names settings by the request's words), or no default trigger to take;
//     several scans and none chosen; a scan beyond those of the log; no trigger left after K;
//     a code of the zero rule that no event has; selected events that are all trigger rows
//     left out;
//   kFindings: a K that the check against the BOLD run cannot work out.
// Triggers stored in part are checked on the TR grid (the scan's TR, else the settings'):
// said in the onset's description, a finding (in triggerFindings, and the scan check's) for
// those off it. No selected event is no refusal here: the table is then empty. A refusal
// leaves `events` empty but for the trigger and the check against the scan, when it was
// made. May throw
// std::bad_alloc.
Refusal readRunEvents(const RunRequest& request, RunEvents& events);

// The trigger of the run: the settings', else the source's default. A refusal from the
// source when it has no default to take (see StimulusSource::defaultTrigger).
Refusal triggerOf(const RunSettings& settings, StimulusSource& source, const SettingWords& words,
                  TriggerSelection& trigger);

// What the trigger report and the alignment of an import need.
struct RunCheck {
  TriggerSelection trigger;  // the trigger used, as the source resolved it
  LogTriggers triggers;      // as the source's lean pass gives them
  // The check against the scan: with a BOLD run, or when `againstTriggers` asks for time
  // zero from the log's own triggers (K given, or 0).
  std::optional<ScanCheck> scan;
  // The analysis the trigger report gives: the settings' TR, volumes and K; with a BOLD run,
  // K as the check worked it out and the image's volumes (one scan, two triggers or more).
  TriggerFindings report;
  // The stimulus events before the first trigger or after the last scan's end.
  StimulusOutside outside;
  // For a log without a trigger of the type: the series that could be its triggers.
  std::optional<TriggerAdvice> advice;
  // Triggers stored in part, checked on the TR grid (the scan's TR, else the settings').
  std::optional<PartialTriggers> partialTriggers;
  std::optional<PartialTriggerCheck> partialCheck;
};

// Checks the run's triggers. A refusal (kInput) when the source cannot be read or is of no
// known format, or has no default trigger to take; kUsage for a trigger it cannot take. May
// throw std::bad_alloc.
Refusal checkRunTriggers(const RunRequest& request, bool againstTriggers, RunCheck& check);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_RUNS_RUN_PIPELINE_H_
