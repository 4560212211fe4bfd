// The design check as a reader sees it: the figures as text, rounded for reading, and as JSON
// at full precision (every double as the shortest text that reads back to it), each figure
// named by its condition, pair or contrast. Pure.
#ifndef STIMFORGE_KWHOST_DESIGN_DESIGN_REPORT_H_
#define STIMFORGE_KWHOST_DESIGN_DESIGN_REPORT_H_

#include <string>

#include <nlohmann/json.hpp>

#include "kwhost/design/design_check.h"

namespace stimforge::kwhost {

// Where the run came from, for the report's head.
struct DesignSource {
  std::string input;  // the events file (or log) as the user named it
  std::string bold;   // the BOLD image the volumes and TR were read from; "" when given
};

// `value` rounded for reading: three significant digits ("7.31", "0.0123", "-0.534"), whole
// from 100 to below 10^7 ("1234"), "0" for zero, never "-0". Requires: value finite.
std::string designNumber(double value);

// The report as text, lines ending in "\n": the run (volumes, TR, the columns), the events
// outside the stored scan, a table of the conditions (events in the scan, before and after
// it, VIF, efficiency), the pairs' correlations (every pair up to 15 of them, else the 10
// strongest), the contrasts' efficiencies, the condition number and the findings ("findings: none"
// without any). A figure that cannot be estimated reads "not estimable" (a correlation of a
// regressor that does not vary: "undefined").
std::string textDesignReport(const DesignCheck& check, const DesignSource& source);

// The report as one JSON object: "input", "bold" (null when given), "volumes", "tr_ms",
// "high_pass_s" (0: none), "cosines", "columns", "thresholds" {"max_vif", "max_correlation",
// "min_events"}; "conditions": [{"condition", "events", "in_scan", "before_scan",
// "after_scan", "vif", "efficiency", "regressor": [one value per volume]}]; "correlations":
// [{"pair": [A, B], "correlation"}]; "contrasts": [{"contrast", "plus", "minus",
// "efficiency"}]; "rank_deficient", "condition_number"; "events_outside_scan" {"before",
// "after"}; "findings": [text]. A figure that cannot be estimated is null.
nlohmann::json jsonDesignReport(const DesignCheck& check, const DesignSource& source);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_DESIGN_DESIGN_REPORT_H_
