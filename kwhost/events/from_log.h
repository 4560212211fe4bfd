// The events table of a Presentation log: one row per selected event, read in one pass
// through the log format layer, with onsets from a time zero (by default the scanner's
// trigger of the first stored volume).
#ifndef STIMFORGE_KWHOST_EVENTS_FROM_LOG_H_
#define STIMFORGE_KWHOST_EVENTS_FROM_LOG_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/events/event_map.h"
#include "kwhost/events/log_columns.h"
#include "kwhost/events/run_facts.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/scan/bold_run.h"
#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/scan_check.h"
#include "kwhost/triggers/log_triggers.h"
#include "logformat/log_header.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {

// Times beyond this many tenths of a millisecond (about 31 years) either way are not taken
// as times, so that no onset or duration can overflow.
constexpr int64_t kMaxLogTime = 10'000'000'000'000'000;

struct TimeZero {
  enum class Kind {
    kAuto,      // trigger K + 1 of the (chosen) scan
    kScenario,  // 0, Presentation's own origin
    kTime,      // a time the user gives
    kCode,      // the Time of the first event with a Code
  };
  Kind kind = Kind::kAuto;
  int64_t tenths = 0;  // kTime
  std::string code;    // kCode, UTF-8
};

enum class EventDuration {
  kColumn,  // the Duration column; n/a where the line has none
  kNext,    // the time to the next row written, in onset order; n/a for the last
};

struct LogEventsOptions {
  std::vector<std::string> types = {"Picture", "Sound", "Video", "Response"};
  EventDuration duration = EventDuration::kColumn;
  TimeZero zero;
  TriggerSelection trigger;  // which events are the scanner's triggers
  int64_t skip = 0;          // --skip K
  Tenths tr = 0;             // --tr, tenths of a millisecond; 0 = the triggers' median
  size_t scan = 0;           // --scan N, from 1; 0 = not given
  EventMap* map = nullptr;   // --map; null = none
  Unmapped unmapped = Unmapped::kKeep;
  // --bold: the run's image. Under --zero auto, time zero is then the first stored volume,
  // as checkLogAgainstScan works it out (triggers/scan_check.h): K is `skip` when
  // `skipGiven`, else by the rule; a K that cannot be worked out refuses the log.
  const BoldRun* bold = nullptr;
  bool skipGiven = false;
  // --keep-triggers: the rows of the trigger events that `types` selects are written too.
  // Without it they are left out: they mark the scan's time, they are no events.
  bool keepTriggers = false;
  // The log's stimulus-property columns as extra columns (plot draws none).
  bool propertyColumns = true;
  std::vector<TableColumn> columns;  // --columns, each at most once
  // The log's size in bytes, when known (0: unknown): the rows are reserved from it, so that
  // a million of them are not copied as they grow.
  uint64_t logBytes = 0;
};

struct LogEvents {
  EventsTable table;  // sorted by onset, ties in log order
  SidecarFacts facts;
  std::set<std::string> warnings;  // for standard error, one line each
  std::string triggerFindings;     // what the trigger check found wrong; "" when nothing
  // "left out 240 trigger rows (Response events with code 5) of NAME; --keep-triggers keeps
  // them", or "" when no trigger row was left out.
  std::string triggerRowsNote;
  int64_t zeroTime = 0;  // time zero as a Time of the log (tenths of a millisecond)
  // With --bold: the log checked against the run (K, the TR, the events outside the scan).
  std::optional<ScanCheck> scanCheck;
};

// Reads the log in `source`, named `name` in messages, into `events`. Returns 0, or the exit
// status with `error` set (one line, naming the file):
//   1: not a Presentation log, unreadable, no triggers under auto ("no scanner triggers in
//      NAME: give --zero scenario, --zero MS or --zero code:NAME"), several scans without
//      --scan (listed), a --scan beyond the scans, a scan of K triggers or fewer, a code
//      zero whose Code no event has, selected events that are all trigger rows left out
//      (the message names --keep-triggers), with --bold a K that cannot be worked out
//      (the message says why, and that --skip K gives it);
//   2: a --map pattern that std::regex gives up on, a --columns column the log lacks.
// No selected event is not a failure here: the table is then empty.
// The rows: every selected event with a whole Time but the trigger rows (see keepTriggers);
// an event whose Code is empty (a Quit line) has the trial_type of its event type and no
// map line applies to it. A trial_type written for rows of two or more event types adds a
// warning naming them. May throw std::bad_alloc.
int eventsFromLog(LogSource& source, const std::string& name, const LogEventsOptions& options,
                  LogEvents& events, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_FROM_LOG_H_
