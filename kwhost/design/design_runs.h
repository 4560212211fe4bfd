// The design check of a run as kwhost reads it: the events of an events file or of the run
// pipeline's table (kwhost/events/table.h) as the check takes them, and the lab's design
// settings (kwhost/settings/design_settings.h) over the run's scan. Host-free and pure.
#ifndef STIMFORGE_KWHOST_DESIGN_DESIGN_RUNS_H_
#define STIMFORGE_KWHOST_DESIGN_DESIGN_RUNS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/design/design_check.h"
#include "kwhost/events/events_file.h"
#include "kwhost/events/table.h"
#include "kwhost/settings/design_settings.h"

namespace stimforge::kwhost {

// Whether rows of `eventType` are the participant's responses, no condition of the design:
// Presentation's "Response", PsychoPy's "key press" (and its "keyboard start", a keyboard
// that began waiting for keys).
bool isResponseType(std::string_view eventType);

// The rows of an events file as the check takes them: by default the stimulus events (rows
// of a response type and rows of trial_type n/a are left out); with `chosen` (the conditions
// named) every row. A file without trial_type is one condition, "events".
std::vector<DesignEvent> designEventsOfFile(const EventsFile& file, bool chosen);

// The same for the rows of a run's table (onsets and durations in microseconds from time
// zero, n/a durations impulses). May throw std::bad_alloc.
std::vector<DesignEvent> designEventsOfTable(const EventsTable& table, bool chosen);

// Checks the design of `events` over a scan of `volumes` volumes of `trSeconds` with the lab's
// `choices` (their contrasts parsed against the conditions modelled). Returns kNone with
// `check` filled, or the refusal with `message` set in the domain's words, as checkDesign
// does; kContrasts for a contrast that parseDesignContrast refuses. Requires: trSeconds above
// 0 and finite, volumes above 0, choices within their bounds.
DesignRefusal checkRunDesign(const std::vector<DesignEvent>& events, const DesignChoices& choices,
                             double trSeconds, int64_t volumes, DesignCheck& check,
                             std::string& message);

// The design's worst figures, for a summary: the largest VIF (empty when none is
// estimable), and the pair correlated most in absolute value (empty when no correlation
// is defined).
struct DesignWorst {
  std::optional<double> vif;
  std::string vifCondition;
  std::optional<double> correlation;
  std::string firstCondition;
  std::string secondCondition;
};
DesignWorst worstOf(const DesignCheck& check);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_DESIGN_RUNS_H_
