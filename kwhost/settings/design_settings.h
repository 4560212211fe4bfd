// What a lab sets for a run's design check: the conditions modelled, the contrasts, the
// cosines' cutoff and the thresholds of the findings. One parser per field, with one set of
// bounds, for `kwhost design` and the study file's [task.LABEL.design] tables; a front end
// adds its own place to a refusal ("--max-vif: ...", "study.toml:14: task.faces.design.max_vif:
// ..."). A field left unset takes the design check's default (kwhost/design/design_check.h).
#ifndef STIMFORGE_KWHOST_SETTINGS_DESIGN_SETTINGS_H_
#define STIMFORGE_KWHOST_SETTINGS_DESIGN_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// The bounds.
inline constexpr double kMaxHighPassSeconds = 1e9;
inline constexpr double kMaxVifBound = 1e300;
inline constexpr int64_t kMaxMinEvents = 1'000'000'000;

struct DesignChoices {
  std::vector<std::string> conditions;  // none empty or twice; empty: the check's default
  // NAME=A-B as written, each NAME once. Which '-' parts A from B, and whether both are
  // conditions, is known only with the run's conditions (parseDesignContrast).
  std::vector<std::string> contrasts;
  std::optional<double> highPassSeconds;  // 0 (no cosine) to kMaxHighPassSeconds
  std::optional<double> maxVif;           // 1 to kMaxVifBound
  std::optional<double> maxCorrelation;   // 0 to 1
  std::optional<int64_t> minEvents;       // 0 to kMaxMinEvents
};

// The parsers: each reads one value as a user writes it and returns false with `problem` set
// to what is wrong, in the domain's words and without the setting's name. The check* forms
// take a number the study file gives as a number.

// One condition of a list: not empty, not in `earlier`.
[[nodiscard]] bool parseCondition(std::string_view text, const std::vector<std::string>& earlier,
                                  std::string& problem);
// NAME=A-B: a NAME before the first '=', not among the names of `earlier` (contrasts as
// written), and after it a '-' with text on both sides.
[[nodiscard]] bool parseContrastText(std::string_view text, const std::vector<std::string>& earlier,
                                     std::string& problem);
// Seconds, 0 or more (0: no cosine).
[[nodiscard]] bool parseHighPass(std::string_view text, double& seconds, std::string& problem);
[[nodiscard]] bool checkHighPass(double seconds, std::string& problem);
// A VIF, 1 or more.
[[nodiscard]] bool parseMaxVif(std::string_view text, double& vif, std::string& problem);
[[nodiscard]] bool checkMaxVif(double vif, std::string& problem);
// A correlation in absolute value, from 0 to 1.
[[nodiscard]] bool parseMaxCorrelation(std::string_view text, double& r, std::string& problem);
[[nodiscard]] bool checkMaxCorrelation(double r, std::string& problem);
// A count of events, 0 or more.
[[nodiscard]] bool parseMinEvents(std::string_view text, int64_t& count, std::string& problem);
[[nodiscard]] bool checkMinEvents(int64_t count, std::string& problem);

// The name of a contrast as written ("faces" of "faces=A-B"): the text before its first '='.
std::string contrastName(std::string_view text);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SETTINGS_DESIGN_SETTINGS_H_
