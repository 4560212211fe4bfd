// The timeline of a Presentation log: the rows `kwhost events` would write, and a row of the
// scanner's triggers with what their analysis found.
#ifndef STIMFORGE_KWHOST_TIMELINE_FROM_LOG_H_
#define STIMFORGE_KWHOST_TIMELINE_FROM_LOG_H_

#include <set>
#include <string>
#include <vector>

#include "kwhost/events/from_log.h"
#include "kwhost/events/table.h"
#include "kwhost/timeline/svg_timeline.h"
#include "kwhost/triggers/analysis.h"

namespace stimforge::kwhost {

// The trigger row for the triggers at `times` (log order, tenths of a millisecond) and
// their `findings`, in seconds from `zero` (a log time): every trigger; each missed one at
// the time it was due (the trigger before the gap plus whole TRs); each extra one; each
// scan from its first trigger to its end; and time zero at 0 when `zeroShown`. Only the
// irregular intervals the analysis lists (kMaxListedIrregular per scan) are marked.
TimelineTriggers triggerMarks(const std::vector<Tenths>& times, const TriggerFindings& findings,
                              Tenths zero, bool zeroShown);

// Adds to `timeline` the rows of `table` (onsets in tenths of a millisecond): one per
// trial_type in order of first appearance, coloured from kTimelinePalette; a row with a
// duration above 0 is a bar, one with 0 or n/a a tick, in seconds.
void addEventRows(const EventsTable& table, Timeline& timeline);

// The timeline of the Presentation log at `path`, titled `displayName`: the rows `kwhost
// events` writes for it with `options`, on its time axis, and the trigger row. A log that
// eventsFromLog refuses under --zero auto (no triggers, several scans, ...) is drawn from
// the scenario's origin instead, and a title line says so and why. Returns 0, or the exit
// status of eventsFromLog with `error` set (one line). Warnings for standard error go to
// `warnings`. May throw std::bad_alloc.
int logTimeline(const std::string& path, const std::string& displayName,
                const LogEventsOptions& options, Timeline& timeline,
                std::set<std::string>& warnings, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TIMELINE_FROM_LOG_H_
