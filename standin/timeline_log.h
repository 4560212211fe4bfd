// The timeline of a Presentation log: the rows `kwhost events` would write, and a row of the
// scanner's triggers with what their analysis found.
#ifndef STIMFORGE_STANDIN_TIMELINE_LOG_H_
#define STIMFORGE_STANDIN_TIMELINE_LOG_H_

#include <optional>
#include <vector>

#include "standin/svg_timeline.h"
#include "standin/trigger_analysis.h"

namespace stimforge::standin {

// The trigger row for the triggers at `times` (log order, tenths of a millisecond) and
// their `findings`, in seconds from `zero` (a log time): every trigger; each missed one at
// the time it was due (the trigger before the gap plus whole TRs); each extra one; each
// scan from its first trigger to its end; and time zero at 0 when `zeroShown`. Only the
// irregular intervals the analysis lists (kMaxListedIrregular per scan) are marked.
TimelineTriggers triggerMarks(const std::vector<Tenths>& times, const TriggerFindings& findings,
                              Tenths zero, bool zeroShown);

}  // namespace stimforge::standin

#endif  // STIMFORGE_STANDIN_TIMELINE_LOG_H_
