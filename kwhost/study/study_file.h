// The study file of `kwhost bids --study FILE`: which log is which run, the lab's labels
// renamed to BIDS labels, and the settings of each task. It is TOML:
//
//   # Patterns over each log's path below SOURCE, tried in order; the first that matches
//   # wins. Patterns given with --match are tried before these.
//   match = [
//     "sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log",
//     "pilot/sub{sub}_{task}.log",
//   ]
//
//   # The lab's labels per entity (sub, ses, task, acq, ce, rec, dir, run, echo, part),
//   # renamed to BIDS labels after matching. Labels not listed stay as they are.
//   [rename.task]
//   faces1 = "faces"
//   "n-back" = "nback"
//
//   # Settings for every task; a [task.LABEL] table overrides them key by key.
//   [defaults]
//   trigger = "Pulse"
//   skip = "auto"
//
//   # Settings for the BIDS task LABEL (after renaming). Every key may be left out.
//   [task.faces]
//   types = ["Picture", "Sound"]    # the event types to write
//   map = "maps/faces.tsv"          # pattern<TAB>trial_type lines, relative to this file
//   trigger = "Response:5"          # the triggers' event type, and code after a colon
//   duration = "next"               # "column" (the Duration column) or "next" (to next row)
//   columns = ["stim_type", "ttime"]  # extra columns of the event table, by output name
//   skip = 4                        # triggers without a stored volume: "auto" or 0 or more
//
// Top-level keys: match, rename, defaults, task. Any other key, a value of the wrong type
// or a bad value refuses the whole file, naming the file, the line and the key.
#ifndef STIMFORGE_KWHOST_STUDY_STUDY_FILE_H_
#define STIMFORGE_KWHOST_STUDY_STUDY_FILE_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/study/path_pattern.h"

namespace stimforge::kwhost {

enum class DurationSetting {
  kColumn,  // the log's Duration column
  kNext,    // the time to the next written row
};

struct SkipSetting {
  bool automatic = true;  // "auto": worked out from the scan
  int64_t count = 0;      // when not automatic: 0 or more
};

// A task's settings as the study file gives them; an empty optional is a key left out, for
// the caller's own default.
struct TaskSettings {
  std::optional<std::vector<std::string>> types;  // at least one, none empty or twice
  std::optional<std::filesystem::path> map;       // an existing file, relative paths
                                                  // already joined to the file's folder
  std::optional<std::string> trigger;             // TYPE or TYPE:CODE, neither empty
  std::optional<DurationSetting> duration;
  std::optional<std::vector<std::string>> columns;  // lower-case names, none twice; may be
                                                    // empty (no extra columns)
  std::optional<SkipSetting> skip;
};

// Each key `overrides` gives replaces that of `base`.
TaskSettings mergeTaskSettings(const TaskSettings& base, const TaskSettings& overrides);

struct StudyFile {
  std::vector<PathPattern> patterns;
  // Per entity key, the lab's label to the BIDS label; every BIDS label fits its entity.
  std::map<std::string, std::map<std::string, std::string>> renames;
  TaskSettings defaults;
  std::map<std::string, TaskSettings> tasks;  // by BIDS task label, as given

  // The settings of BIDS task `task`: the defaults overridden by its own table, if any.
  TaskSettings settingsFor(const std::string& task) const;
};

// Reads the study file at `path`. Returns false with `problem` set when the file cannot be
// read or is refused; the message begins "FILE:LINE: KEY: " (or "FILE:LINE:COLUMN: " for
// TOML syntax), FILE being `path` as given.
[[nodiscard]] bool loadStudyFile(const std::filesystem::path& path, StudyFile& study,
                                 std::string& problem);

// As loadStudyFile, on `text` read from `path` (used for messages and relative paths).
[[nodiscard]] bool parseStudyFile(std::string_view text, const std::filesystem::path& path,
                                  StudyFile& study, std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_STUDY_FILE_H_
