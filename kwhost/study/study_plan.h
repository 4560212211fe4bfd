// The plan of `kwhost bids SOURCE BIDS_ROOT`: which log becomes which run's events file,
// worked out before anything is read from a log or written. The plan is data only; the
// caller prints it, turns it into JSON and, when it holds no refusal, converts its runs.
#ifndef STIMFORGE_KWHOST_STUDY_STUDY_PLAN_H_
#define STIMFORGE_KWHOST_STUDY_STUDY_PLAN_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/study/bids_dataset.h"
#include "kwhost/study/path_pattern.h"
#include "kwhost/study/source_files.h"
#include "kwhost/study/study_file.h"

namespace stimforge::kwhost {

// The refusal of a study whose input and study file give no pattern.
inline constexpr char kNoPatternRefusal[] = "no pattern tells which log is which run";

struct StudyInput {
  std::filesystem::path source;                    // the folder of the logs
  std::filesystem::path bidsRoot;                  // the dataset's root
  std::optional<std::filesystem::path> studyFile;  // --study
  std::vector<std::string> patterns;               // tried before the study file's
  std::vector<std::string> exclude;                // with the study file's
  // How the front end names the run settings (a log of split scans is read at planning).
  const SettingWords* words = &plainSettingWords();
};

// A log and the run it becomes.
struct StudyRun {
  std::string log;                // relative to the source folder, "/" between folders
  size_t pattern = 0;             // the index of the pattern that matched, in StudyPlan::patterns
  PatternValues values;           // the log's entity values after renaming, in BIDS order
  PatternValues labValues;        // the same as the log's path gives them, before renaming
  std::string name;               // the events files' name without "_events": the BOLD run's
                                  // name as its files spell it, or from `values` without a scan
  std::vector<std::string> bold;  // the run's images relative to the dataset's root (one
                                  // per echo and part); empty: no scan
  std::string eventsTsv;          // relative to the dataset's root, "/" between folders:
  std::string eventsJson;         // sub-X[/ses-Y]/func/NAME_events.tsv and .json
  TaskSettings settings;          // the task's settings from the study file (with split
                                  // scans, `scan` the log's scan that is this run)
  std::string problem;            // non-empty when this run fails whatever its log holds
};

struct AmbiguousLog {
  std::string log;
  size_t pattern = 0;
  PatternValues one;  // two different ways the pattern reads the path
  PatternValues other;
};

// A log whose run has neither a BOLD image nor a sub-X[/ses-Y] folder in the dataset: no file
// is written for it (a label that misses the dataset's would otherwise make stray folders).
struct LogWithoutRun {
  std::string log;
  std::string folder;  // the sub-X[/ses-Y] folder it would need
  // When a label of the log differs from one the dataset has only in leading zeros or in
  // case: what it is and the rename line that mends it ("ses \"1\": the dataset has ses-01;
  // add [rename.ses] \"1\" = \"01\""); "" otherwise.
  std::string hint;
  std::string hintKey;  // the entity of the hint, and the dataset's label
  std::string hintLabel;
  PatternValues values;           // the log's values, after renaming
  std::vector<DatasetRun> scans;  // the scans without a log that the hint explains
};

struct RefusedLog {
  std::string log;
  std::string reason;  // several BOLD runs fit it, or its path reads in too many ways
};

struct StudyPlan {
  // Reasons the whole study is refused: nothing may be written when there is one. A
  // refusal of the study file, the patterns or the dataset leaves the lists below empty;
  // names that are not BIDS and two logs for one run are found with the lists complete.
  std::vector<std::string> refusals;
  std::vector<std::string> patterns;  // the patterns tried, in order
  std::vector<StudyRun> runs;         // sorted by log
  std::vector<std::string> unmatchedLogs;
  std::vector<std::string> excludedLogs;  // by an exclude pattern; they change no status
  std::vector<AmbiguousLog> ambiguousLogs;
  std::vector<RefusedLog> refusedLogs;
  std::vector<LogWithoutRun> logsWithoutRun;
  std::vector<DatasetRun> scansWithoutLog;
  std::vector<SkippedImage> skippedImages;  // *_bold images that are no run
  // SOURCE's files that are no run (a PsychoPy text log, a table that is no data file): listed,
  // changing no status.
  std::vector<NotARun> notRuns;
};

// Plans the study: reads the study file and lists SOURCE's *.log and *.csv files (any depth,
// sorted by their relative paths; listSourceFiles sets apart those that are no run) and the
// dataset's BOLD runs. A log an exclude pattern matches is
// listed as excluded; each other log is taken by the first pattern that matches it; its
// values are renamed, its name checked as a BIDS run name, and it is given the BOLD run with
// the same entities (indices compared as numbers; an entity the pattern does not capture may
// differ only when exactly one run fits). A log of a task with split_scans becomes one run per
// scan it holds (its triggers are read for it), numbered on from the pattern's {run}, or
// from 1. Refused with the study file's place: further columns a task's log cannot give
// (each such log's head is read), a [task.LABEL] table of a task that no log and no BOLD run
// has.
void planStudy(const StudyInput& input, StudyPlan& plan);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_STUDY_PLAN_H_
