// A stimulus program's file as the run pipeline reads it (kwhost/runs/): its rows, its
// triggers, and what it says about the program. Each file format is one source; the events,
// the trigger check, the timeline and the study see only this seam.
//
// What a source gives:
// - its rows: an event type, a code, a time and a duration (microseconds, exact for every
//   time the program writes), and further columns of its own, which it names;
// - its triggers, in tenths of a millisecond (the unit of the trigger analysis), with the
//   line of each, and its stimulus events (for the events outside the scan);
// - the trigger selection in its own terms, with its default;
// - what it says about the program (name, version, system) and the run.
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
#include "kwhost/triggers/log_triggers.h"
#include "kwhost/triggers/trigger_candidates.h"
#include "logformat/code_table.h"

namespace stimforge::kwhost {

// What one pass over a source is asked for.
struct SourceRequest {
  std::vector<std::string> types;       // the event types whose events become rows
  TriggerSelection trigger;             // which events are the triggers (never empty)
  bool rows = true;                     // false: the triggers and the stimulus events alone
  bool keepStimuli = false;             // every stimulus event, in LogTriggers::stimuli
  bool keepTriggers = false;            // the trigger events that `types` selects become rows too
  bool propertyColumns = true;          // the source's own condition columns become extra columns
  std::vector<std::string> columns;     // further columns by name (see checkColumns)
  bool typedKeys = false;               // trial keys tell event types apart (a typed map)
  std::optional<std::string> zeroCode;  // find the time of the first event with this code
  uint64_t bytes = 0;  // the file's size when known (rows are reserved from it); 0: unknown
};

// What a row's trial_type depends on during the pass (EventRow::trialType): its raw code
// alone, the code's own index; or, for a typed map and for an empty code, its event type and
// code, kTypedKey with an index into SourcePass::typedKeys.
inline constexpr uint32_t kTypedKey = uint32_t{1} << 31;
struct TrialKey {
  uint32_t code = 0;  // raw, in SourcePass::codes
  uint32_t type = 0;  // raw, in SourcePass::eventTypes
};

// What one pass gives.
struct SourcePass {
  // The triggers (times in tenths, in file order) and the stimulus events; with rows, only
  // `times` and (with keepStimuli) `stimuli` are filled, without, everything
  // readLogTriggers fills (kwhost/triggers/log_triggers.h).
  LogTriggers triggers;
  // The rows, in file order: onset holds the event's own time until time zero is known;
  // code and eventType index `codes` and `eventTypes` (raw texts); trialType is a key.
  std::vector<EventRow> rows;
  CodeTable codes;
  CodeTable eventTypes;
  std::vector<TrialKey> typedKeys;
  std::optional<Micros> codeZero;  // the time of the first event with the zero code
  size_t withoutTime = 0;          // selected events without a time, left out
  size_t triggerRows = 0;          // selected trigger events left out
};

class StimulusSource {
 public:
  virtual ~StimulusSource() = default;

  // The program, for messages and the sidecar: "Presentation".
  virtual const char* program() const = 0;

  // The trigger when the user names none: Presentation's Pulse events.
  virtual TriggerSelection defaultTrigger() const = 0;

  // The event types whose events become rows when the user names none.
  virtual std::vector<std::string> defaultTypes() const = 0;

  // The decimals of seconds that the source's times need to be exact (4 for tenths of a
  // millisecond).
  virtual int decimals() const = 0;

  // Whether the source can give the further columns `columns`: a refusal (kUsage, without the
  // file's name) names the first it cannot give and those it has; kInput when the file
  // cannot be read or is of another format. Reads no more than the file's head.
  virtual Refusal checkColumns(const std::vector<std::string>& columns) = 0;

  // Reads the whole source once into `pass` (cleared first). A refusal (kInput) names the
  // file: not of the source's format, unreadable. May throw std::bad_alloc.
  virtual Refusal read(const SourceRequest& request, SourcePass& pass) = 0;

  // After read: the extra columns' cells into `table.extra` (one per row of the pass, in its
  // order), their texts into `table.texts`. Warnings (texts that are not UTF-8, names that
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

// Opens the file at `path` as the source its first bytes say it is. Returns null with
// `refusal` set (kInput, naming the file) when it is missing, unreadable, or of no format a
// source reads ("not a Presentation log: ...").
// `name` is the file's name in messages and in the sidecar.
std::unique_ptr<StimulusSource> openStimulusSource(const std::string& path, const std::string& name,
                                                   Refusal& refusal);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SOURCES_STIMULUS_SOURCE_H_
