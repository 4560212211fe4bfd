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
//   # Logs (and folders) left out of the study: no placeholders; a pattern without "/" is
//   # matched against the file name alone, one with "/" against the path below SOURCE; "*"
//   # matches any characters but "/".
//   exclude = ["*practice*", "pilot/*"]
//
//   # Settings for the BIDS task LABEL (after renaming). Every key may be left out.
//   [task.faces]
//   types = ["Picture", "Sound"]    # the event types to write
//   map = "maps/faces.tsv"          # pattern<TAB>trial_type lines, relative to this file
//   unmapped = "drop"               # codes no map line matches: "keep" (default) or "drop"
//   trigger = "Response:5"          # the triggers' event type, and code after a colon
//   duration = "next"               # "column" (the Duration column) or "next" (to next row)
//   columns = ["stim_type", "ttime"]  # further columns of the log, by output name
//   skip = 4                        # triggers without a stored volume: "auto" or 0 or more
//   zero = "auto"                   # "auto", "scenario", "code:NAME" or a time in ms
//   keep_triggers = false           # also write the trigger events' rows
//   scan = 2                        # the scan of each log that is the run
//   split_scans = true              # each scan of a log a run of its own, numbered on
//
//   # The design check of the task's runs in the study report ([defaults.design] for every
//   # task, overridden key by key): as kwhost design's options.
//   [task.faces.design]
//   conditions = ["faces", "houses"]           # the conditions modelled
//   contrasts = ["faces-houses=faces-houses"]  # NAME=A-B, checked against each run's
//                                              # conditions when the run is known
//   high_pass = 128                            # the cosines' cutoff in seconds, 0: none
//   max_vif = 5                                # thresholds of the findings
//   max_correlation = 0.8
//   min_events = 5
//
// Top-level keys: match, exclude, rename, defaults, task. Any other key, a value of the wrong
// type or a bad value refuses the whole file, naming the file, the line and the key; each
// value goes through the same parser, with the same bounds, as the command line's option.
#ifndef STIMFORGE_KWHOST_STUDY_STUDY_FILE_H_
#define STIMFORGE_KWHOST_STUDY_STUDY_FILE_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/settings/setting_words.h"
#include "kwhost/study/path_pattern.h"
#include "kwhost/study/task_settings.h"

namespace stimforge::kwhost {

struct StudyFile {
  std::filesystem::path path;  // as given, for messages ("FILE:LINE: KEY: ...")
  std::vector<PathPattern> patterns;
  std::vector<std::string> exclude;  // exclude patterns, as written
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

// "FILE:LINE: KEY: " for messages about the key `key` ("task.faces.columns") at `line`.
std::string studyPlace(const StudyFile& study, int line, const std::string& key);

// Whether `path` (below SOURCE, "/" between folders) matches the exclude pattern `pattern`:
// without "/" the file name alone is matched, with "/" the whole path; "*" matches any
// characters but "/", every other character itself.
bool excludeMatches(std::string_view pattern, std::string_view path);

// As loadStudyFile, on `text` read from `path` (used for messages and relative paths).
[[nodiscard]] bool parseStudyFile(std::string_view text, const std::filesystem::path& path,
                                  StudyFile& study, std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_STUDY_FILE_H_
