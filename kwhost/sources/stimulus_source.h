// A stimulus program's file as the run pipeline reads it (kwhost/runs/): its rows, its
// triggers, and what it says about the program. Each file format is one source; the events,
// the trigger check, the timeline and the study see only this seam.
//
// What a source gives:
// - its rows: an event type, a code, a time and a duration (microseconds; a source that times
//   finer keeps each time's part below a microsecond beside it, so that an onset is rounded
//   once, from time zero), and further columns of its own, which it names;
// - its triggers, in tenths of a millisecond (the unit of the trigger analysis), with the
//   line of each (and each one's exact time, for a finer source), and its stimulus events
//   (for the events outside the scan);
// - the trigger selection in its own terms, with its default, which may have to be refused;
// - what it says about the program (name, version, system) and the run, and the words its
//   times and names take in descriptions.
#ifndef STIMFORGE_KWHOST_SOURCES_STIMULUS_SOURCE_H_
#define STIMFORGE_KWHOST_SOURCES_STIMULUS_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kwhost/common/log_time.h"
#include "kwhost/common/refusal.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/settings/trial_type.h"
#include "kwhost/triggers/log_triggers.h"
#include "kwhost/triggers/trigger_candidates.h"
#include "kwhost/triggers/trigger_grid.h"
#include "logformat/code_table.h"

namespace stimforge::kwhost {

// What one pass over a source is asked for.
struct SourceRequest {
  // The event types whose events become rows; none: the source's own default.
  std::optional<std::vector<std::string>> types;
  // Which events are the triggers: the user's, or the source's default (defaultTrigger);
  // none when there is no default and time zero needs no trigger (no trigger rows then).
  std::optional<TriggerSelection> trigger;
  bool rows = true;                     // false: the triggers and the stimulus events alone
  bool keepStimuli = false;             // every stimulus event, in LogTriggers::stimuli
  bool keepTriggers = false;            // the trigger events that `types` selects become rows too
  bool propertyColumns = true;          // the source's own condition columns become extra columns
  std::vector<std::string> columns;     // further columns by name (see checkColumns)
  bool typedKeys = false;               // trial keys tell event types apart (a typed map)
  std::optional<std::string> zeroCode;  // find the time of the first event with this code
  const TrialTypeTemplate* trialType = nullptr;  // names the rows from their columns; null: none
  uint64_t bytes = 0;  // the file's size when known (rows are reserved from it); 0: unknown
  // How the front end names the settings, in refusals of settings that do not fit the source.
  const SettingWords* words = &plainSettingWords();
};

// A time finer than microseconds: `floor` whole microseconds plus `parts` (0 to
// kPartsPerMicro - 1, see kwhost/common/log_time.h).
struct FineTime {
  Micros floor = 0;
  int64_t parts = 0;
};

// What a row's trial_type depends on during the pass (EventRow::trialType): its raw name
// alone (the code, or what a trial_type template gave: SourcePass::names), the name's own
// index; or, for a typed map and for an empty code, its event type and name, kTypedKey with
// an index into SourcePass::typedKeys.
inline constexpr uint32_t kTypedKey = uint32_t{1} << 31;
struct TrialKey {
  uint32_t code = 0;  // raw, in SourcePass::names()
  uint32_t type = 0;  // raw, in SourcePass::eventTypes
};

// What one pass gives.
struct SourcePass {
  // The triggers (times in tenths, in file order) and the stimulus events; with rows, only
  // `times` and (with keepStimuli) `stimuli` are filled, without, everything
  // readLogTriggers fills (kwhost/triggers/log_triggers.h).
  LogTriggers triggers;
  // The rows, in the source's order (a log's lines; a PsychoPy data file's events by time):
  // onset holds the event's own time until time zero is known;
  // code and eventType index `codes` and `eventTypes` (raw texts); trialType is a key.
  std::vector<EventRow> rows;
  CodeTable codes;
  CodeTable eventTypes;
  std::vector<TrialKey> typedKeys;
  // With a trial_type template: the distinct names it gave ("n/a" where a cell it names is
  // missing), which the keys index instead of `codes`.
  bool templated = false;
  CodeTable templateNames;
  std::optional<Micros> codeZero;  // the time of the first event with the zero code
  size_t withoutTime = 0;          // selected events without a time, left out
  size_t triggerRows = 0;          // selected trigger events left out
  // The trigger used, as the source resolved it (a PsychoPy keyboard's key filled in; how it
  // found it in triggers.how); none when the request named none.
  std::optional<TriggerSelection> trigger;
  // A source that times finer than microseconds: each row's parts below its onset's floor
  // (rows[i].onset), each trigger's exact time (parallel to triggers.times), the exact time
  // of the zero code's event. Empty (and 0) for a source of whole microseconds: every part
  // is zero, and nothing is spent on them.
  std::vector<int64_t> onsetParts;
  std::vector<FineTime> fineTriggers;
  int64_t codeZeroParts = 0;
  // Triggers stored in part (one per wait of a keyboard that waits again): triggers.times
  // then holds the first alone, and these are all of them, for the check on the TR grid.
  std::optional<PartialTriggers> partialTriggers;

  const CodeTable& names() const { return templated ? templateNames : codes; }
};

class StimulusSource {
 public:
  virtual ~StimulusSource() = default;

  // The program, for messages and the sidecar: "Presentation".
  virtual const char* program() const = 0;

  // The trigger when the user names none, into `trigger`: Presentation's Pulse events; the
  // one keyboard of a PsychoPy data file that waited for the scanner (the file is read for it,
  // once). A refusal (kInput, naming the file) when the source has none to take (the advice
  // names the setting by `words`), or cannot be read.
  virtual Refusal defaultTrigger(const SettingWords& words, TriggerSelection& trigger) = 0;

  // A trigger selection in messages: "Pulse events", "Response events with code 5",
  // "scanner_t's presses of 't'".
  virtual std::string triggerText(const TriggerSelection& trigger) const = 0;

  // A time of the source in descriptions: "Time 9423.9 ms in the log", "174.361571 s in the
  // data file".
  virtual std::string timeText(Micros time) const = 0;

  // The source's own origin, its time 0: "the scenario's origin"; `described`: with what it
  // is, "the scenario's start (Presentation's own origin, Time 0 of the log)".
  virtual std::string originText(bool described) const = 0;

  // The first event of the zero code `code` in descriptions: "the first event with the code
  // \"X\"", "the first event of the component \"image\"".
  virtual std::string zeroCodeText(const std::string& code) const = 0;

  // Where a row's raw name (its code, or what the trial_type template gave) comes from, for
  // the sidecar's Levels: "the code \"X\"", "the component \"image\"".
  virtual std::string nameOrigin(const std::string& name) const = 0;

  // The decimals of seconds that the source's times need to be exact (4 for tenths of a
  // millisecond).
  virtual int decimals() const = 0;

  // Whether the source can give the further columns `columns`: a refusal (kUsage, without the
  // file's name) names the first it cannot give and those it has; kInput when the file
  // cannot be read or is of another format. Reads no more than the file's head (a PsychoPy
  // data file, small, is read whole and kept for read).
  virtual Refusal checkColumns(const std::vector<std::string>& columns) = 0;

  // Reads the whole source once into `pass` (cleared first). A refusal (kInput) names the
  // file: not of the source's format, unreadable; kUsage (naming the file and the setting by
  // request.words) for settings the source cannot take: a trigger or types it has not, a
  // template naming a column it has not. May throw std::bad_alloc.
  virtual Refusal read(const SourceRequest& request, SourcePass& pass) = 0;

  // After read: the extra columns' cells into `table.extra` (one per row of the pass, in its
  // order), their texts into `table.texts`; table.logColumns false for a source whose columns
  // after trial_type are all its own (extra). Warnings (texts that are not UTF-8, names that
  // clash) go to `warnings`. May throw std::bad_alloc.
  virtual void finishColumns(EventsTable& table, std::set<std::string>& warnings) = 0;

  // What the extra columns of `table` hold (after rows were left out and sorted), for the
  // sidecar. May throw std::bad_alloc.
  virtual void describeColumns(const EventsTable& table,
                               std::vector<ExtraColumnFacts>& facts) const = 0;

  // What the source says about the program and the run, into the sidecar's facts (the
  // program, its version and system, the scenario, the date line). Call after read.
  virtual void describeRun(SidecarFacts& facts, std::set<std::string>& warnings) const = 0;

  // For a source with no trigger of the type asked for: the series of its events that beat
  // like triggers, and its event types (kwhost/triggers/trigger_candidates.h). Reads the
  // source again; empty when it cannot be read. May throw std::bad_alloc.
  virtual TriggerAdvice adviseTrigger() = 0;
};

// Opens the file at `path` as the source its first bytes say it is: a PsychoPy data file
// (a header naming psychopyVersion or X.started columns, or a name ending ".csv"), else a
// Presentation log. Returns null with `refusal` set (kInput, naming the file) when it is
// missing, unreadable, or a PsychoPy text log; a file of no format a source reads is refused
// when read ("not a Presentation log: ..."). `name` is the file's name in messages and in the
// sidecar.
std::unique_ptr<StimulusSource> openStimulusSource(const std::string& path, const std::string& name,
                                                   Refusal& refusal);

// What a file is, told from its first bytes (and, for a PsychoPy table, its header line).
enum class StimulusFileKind {
  kPresentation,  // anything else: read as a Presentation log (which may refuse it)
  kPsychopyData,  // a PsychoPy data file, also an old one or one that will refuse as damaged
  kPsychopyLog,   // a PsychoPy text log (the .log beside a data file)
  kNotStimulus,   // a table that is no data file (a conditions file, a spreadsheet's re-save)
};

// The kind of the file at `path` (named `name` in messages) from at most its first 64 KiB;
// `reason` says why for kNotStimulus and kPsychopyLog, in one line without the file's name.
// A file that cannot be read is kPresentation (its reading then says why).
StimulusFileKind stimulusFileKind(const std::string& path, std::string& reason);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SOURCES_STIMULUS_SOURCE_H_
