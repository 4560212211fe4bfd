// Triggers stored in part: a keyboard that waits for the scanner again during the run (one wait
// per block, as PsychoPy's localizers do) records only the first trigger of each wait. The first
// stored trigger gives time zero, as a log of the first trigger only does; the later ones cannot
// be counted against the volumes, but each must lie a whole number of TRs after the first. Pure
// functions on whole microseconds.
#ifndef STIMFORGE_KWHOST_TRIGGERS_TRIGGER_GRID_H_
#define STIMFORGE_KWHOST_TRIGGERS_TRIGGER_GRID_H_

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/common/log_time.h"
#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {

// The triggers a source stored in part, every one of them in the file's order.
struct PartialTriggers {
  std::vector<Micros> sinceFirst;  // each one's time less the first's (0 for the first),
                                   // the difference rounded once to microseconds
  std::vector<int64_t> lines;      // the line of each in the file, the first line being 0
  std::string component;           // what stored them, for messages ("scanner_t")
};

// Times checked against a TR grid laid from the first.
struct TrGridCheck {
  std::vector<int64_t> multiples;     // per time: its nearest whole number of TRs, ties up
  std::vector<int64_t> deviationsUs;  // per time: less that many TRs, in microseconds
  std::vector<size_t> offGrid;        // indices of the times off the grid
};

// Checks that each time of `sinceFirst` after the first lies a whole number (1 or more) of
// TRs after the first, within 1% of the TR (|deviation| <= trUs / 100). A time at or before
// the first is off the grid. Requires: 0 < trUs <= 10^12, |sinceFirst| below 9 x 10^18 - trUs.
TrGridCheck checkTrGrid(const std::vector<Micros>& sinceFirst, int64_t trUs);

// Partial triggers checked against the run's TR, when there is one.
struct PartialTriggerCheck {
  size_t later = 0;            // the stored triggers after the first
  std::optional<double> trMs;  // the TR they were checked against; none: not checked
  TrGridCheck grid;            // with a TR
  bool offGrid() const { return !grid.offGrid.empty(); }
};

// Checks `triggers` against `trMs` (none, or not above 0: not checked). Requires: at least one
// trigger.
PartialTriggerCheck checkPartialTriggers(const PartialTriggers& triggers,
                                         std::optional<double> trMs);

// One sentence for reports and sidecars, e.g. "19 later triggers of scanner_t, one per wait,
// lie on the TR grid (whole multiples of 2000.0 ms within 1%)", "... 2 of the 19 later triggers
// of scanner_t are off the TR grid of 2000.0 ms: trigger 5 (line 120) at 7.43 TR, ...", or
// "... are not checked on the TR grid: no TR (give --tr MS)" (the setting named by `words`).
std::string partialTriggersText(const PartialTriggers& triggers, const PartialTriggerCheck& check,
                                const SettingWords& words);

// The finding when some are off the grid ("2 of the 19 later triggers of scanner_t are off
// the TR grid of 2000.0 ms: a second scan, or a wrong TR"); "" otherwise.
std::string partialTriggersFinding(const PartialTriggers& triggers,
                                   const PartialTriggerCheck& check);

// The check as JSON: {"later", "tr_ms", "off_grid": [{"trigger", "line", "multiple",
// "deviation_ms"}]}, "off_grid" null when not checked.
nlohmann::json partialTriggersJson(const PartialTriggers& triggers,
                                   const PartialTriggerCheck& check);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_TRIGGERS_TRIGGER_GRID_H_
