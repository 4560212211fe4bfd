// What a lab sets for one run, in one value that every lab command and the study file share:
// the events chosen, their durations, time zero and the scan, the trigger, the columns and
// the names of conditions. Each field has one parser and one set of bounds, the same for
// every command; a front end (the command line, the study file) adds its own place to a
// refusal ("--skip: ...", "study.toml:12: task.faces.skip: ...").
//
// A field left unset is not given: its default is the source's (the event types, the
// trigger) or the command's (K is 0 without a scan, worked out with one).
#ifndef STIMFORGE_KWHOST_SETTINGS_RUN_SETTINGS_H_
#define STIMFORGE_KWHOST_SETTINGS_RUN_SETTINGS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/common/log_time.h"
#include "kwhost/settings/trial_type.h"

namespace stimforge::kwhost {

// The bounds, one set for every command and the study file.
inline constexpr int64_t kMaxSkip = 1'000'000;       // triggers a run may have
inline constexpr int64_t kMaxScan = 1'000'000;       // scans a log may hold
inline constexpr int64_t kMaxVolumes = 1'000'000;    // volumes a run may store
inline constexpr double kMaxTrMs = 3600.0 * 1000.0;  // an hour: no TR is longer
inline constexpr double kMinTrMs = 0.1;              // nor shorter than a tenth of a ms

// Which events mark the scanner's volumes: every event of `type` (a Presentation event type,
// case-sensitive), and only those whose code is `code` when one is given. A source reads it in
// its own terms: for a PsychoPy data file, `type` names a keyboard component and `code` its
// key.
struct TriggerSelection {
  std::string type;
  std::optional<std::string> code;
};

enum class EventDuration {
  kColumn,  // the Duration column; n/a where the line has none
  kNext,    // the time to the next row written, in onset order; n/a for the last
};

// What becomes of an event whose code no map line matches.
enum class Unmapped { kKeep, kDrop };

// Where onsets count from.
struct ZeroRule {
  enum class Kind {
    kAuto,      // the trigger of the first stored volume (K + 1 of the chosen scan)
    kScenario,  // 0, the stimulus program's own origin
    kTime,      // a time the user gives
    kCode,      // the time of the first event with a code
  };
  Kind kind = Kind::kAuto;
  Tenths time = 0;   // kTime: milliseconds with at most one decimal
  std::string code;  // kCode, UTF-8
};

// K, the triggers without a stored volume: worked out from the scan, or a count.
struct SkipSetting {
  bool automatic = true;
  int64_t count = 0;  // 0 to kMaxSkip when not automatic
};

struct RunSettings {
  std::optional<std::vector<std::string>> types;  // none empty or twice
  EventDuration duration = EventDuration::kColumn;
  ZeroRule zero;
  std::optional<TriggerSelection> trigger;
  std::optional<Tenths> tr;  // above 0, at most kMaxTrMs
  std::optional<SkipSetting> skip;
  std::optional<int64_t> scan;       // 1 to kMaxScan
  std::optional<int64_t> volumes;    // 1 to kMaxVolumes
  std::vector<std::string> columns;  // further columns by name, each once
  std::string map;                   // a map file's path; "" = none
  // trial_type from each row's columns ("{load}_{target}"); none: the source's own name (a
  // Presentation code, a PsychoPy component). The map applies to what it gives.
  std::optional<TrialTypeTemplate> trialType;
  Unmapped unmapped = Unmapped::kKeep;
  bool keepTriggers = false;
};

// The parsers. Each reads one value as a user writes it (the study file hands over numbers
// as their digits) and returns false with `problem` set to what is wrong, in the domain's
// words and without the setting's name: "2000000000 is more than the 1,000,000 triggers a
// run may have".

// "auto", or a whole number from 0 to kMaxSkip.
[[nodiscard]] bool parseSkip(std::string_view text, SkipSetting& skip, std::string& problem);
// A time in milliseconds, at most one decimal, above 0 and at most kMaxTrMs.
[[nodiscard]] bool parseTr(std::string_view text, Tenths& tr, std::string& problem);
// A scan of a log, from 1 to kMaxScan.
[[nodiscard]] bool parseScan(std::string_view text, int64_t& scan, std::string& problem);
// The volumes stored per scan, from 1 to kMaxVolumes.
[[nodiscard]] bool parseVolumes(std::string_view text, int64_t& volumes, std::string& problem);
// TYPE or TYPE:CODE, the code after the last colon; neither may be empty.
[[nodiscard]] bool parseTrigger(std::string_view text, TriggerSelection& trigger,
                                std::string& problem);
// auto, scenario, a time in milliseconds (a sign and at most one decimal), or code:NAME.
[[nodiscard]] bool parseZero(std::string_view text, ZeroRule& zero, std::string& problem);
// column or next.
[[nodiscard]] bool parseDuration(std::string_view text, EventDuration& duration,
                                 std::string& problem);
// keep or drop.
[[nodiscard]] bool parseUnmapped(std::string_view text, Unmapped& unmapped, std::string& problem);
// One event type of a list: not empty, not in `earlier`.
[[nodiscard]] bool parseType(std::string_view text, const std::vector<std::string>& earlier,
                             std::string& problem);
// One further column of a list: lower-case letters, digits and _, not in `earlier`. Whether
// a source has it is the source's to say.
[[nodiscard]] bool parseColumnName(std::string_view text, const std::vector<std::string>& earlier,
                                   std::string& problem);

// A list as the command line writes it, "A,B,C", split at the commas and each item checked by
// `parseItem` (parseType, parseColumnName). Returns false with `problem` set.
[[nodiscard]] bool parseList(std::string_view text,
                             bool (*parseItem)(std::string_view, const std::vector<std::string>&,
                                               std::string&),
                             std::vector<std::string>& items, std::string& problem);

// "1,000,000": a count for messages, with thousands separated.
std::string countText(int64_t count);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SETTINGS_RUN_SETTINGS_H_
