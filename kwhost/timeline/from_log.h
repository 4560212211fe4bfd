// The timeline of a run read by the run pipeline: the rows `kwhost events` would write, and a
// row of the scanner's triggers with what their analysis found.
#ifndef STIMFORGE_KWHOST_TIMELINE_FROM_LOG_H_
#define STIMFORGE_KWHOST_TIMELINE_FROM_LOG_H_

#include <set>
#include <string>
#include <vector>

#include "kwhost/common/refusal.h"
#include "kwhost/events/table.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/timeline/svg_timeline.h"
#include "kwhost/triggers/analysis.h"

namespace stimforge::kwhost {

// The trigger row for the triggers at `times` (log order, tenths of a millisecond) and
// their `findings`, in seconds from `zero` (a time of the source, in microseconds): every
// trigger; each missed one at
// the time it was due (the trigger before the gap plus whole TRs); each extra one; each
// scan from its first trigger to its end; and time zero at 0 when `zeroShown`. Only the
// irregular intervals the analysis lists (kMaxListedIrregular per scan) are marked.
TimelineTriggers triggerMarks(const std::vector<Tenths>& times, const TriggerFindings& findings,
                              Micros zero, bool zeroShown);

// Adds to `timeline` the rows of `table` (onsets in microseconds): one per
// trial_type in order of first appearance, coloured from kTimelinePalette; a row with a
// duration above 0 is a bar, one with 0 or n/a a tick, in seconds.
void addEventRows(const EventsTable& table, Timeline& timeline);

// The timeline of the run that `request` reads, titled `displayName`: the rows `kwhost
// events` writes for it, on its time axis, and the trigger row. A run that readRunEvents
// refuses under zero auto for its input or its findings (no triggers, several scans, K
// unknown ...) is drawn from the scenario's origin instead, and a title line says so and
// why. Returns the refusal of readRunEvents otherwise. Warnings for standard error go to
// `warnings`. May throw std::bad_alloc.
Refusal runTimeline(const RunRequest& request, const std::string& displayName, Timeline& timeline,
                    std::set<std::string>& warnings);

// The timeline of a run that readRunEvents read with `settings` into `events`, titled
// `displayName`, as runTimeline draws it: for a caller that has read the run already (a
// study's report). May throw std::bad_alloc.
Timeline runEventsTimeline(const RunEvents& events, const RunSettings& settings,
                           const std::string& displayName);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TIMELINE_FROM_LOG_H_
