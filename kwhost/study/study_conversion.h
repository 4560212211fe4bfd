// One run of a study: its log read through the run pipeline, checked against its BOLD run as
// `kwhost events --bold` checks it, with the study file's settings, and its events file and
// sidecar written beside the run.
#ifndef STIMFORGE_KWHOST_STUDY_STUDY_CONVERSION_H_
#define STIMFORGE_KWHOST_STUDY_STUDY_CONVERSION_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/runs/run_pipeline.h"
#include "kwhost/scan/bold_sidecar.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/study/study_plan.h"

namespace stimforge::kwhost {

struct StudyRunOutcome {
  enum class Status {
    kWritten,   // written, nothing found wrong
    kFindings,  // written, with findings
    kNoScan,    // written from the log's own time zero: the run has no BOLD image
    kFailed,    // not written: its old files are as they were
  };
  Status status = Status::kFailed;
  std::optional<int64_t> triggers;
  std::optional<int64_t> volumes;
  std::optional<int64_t> skip;  // K
  std::optional<double> trMs;
  std::string skipRule;  // how K was chosen, in a few words (kRuleName); "" without a scan
  // The stimulus events before time zero and at or after the end of the stored scan, as
  // `kwhost triggers --bold` counts them; empty without a scan or a time zero.
  std::optional<size_t> eventsBefore;
  std::optional<size_t> eventsAfter;
  std::string zero;                   // how time zero was found (the sidecar's words)
  size_t rows = 0;                    // events written
  std::vector<std::string> findings;  // what is wrong; for kFailed, why it failed
};

// Where a study's files are, for its runs.
struct StudyPlaces {
  std::filesystem::path source;         // SOURCE, the logs' folder
  std::filesystem::path bidsRoot;       // BIDS_ROOT
  bool force = false;                   // replace events files kwhost did not write
  SidecarListings* listings = nullptr;  // the folders' sidecars, listed once for the study
  const SettingWords* words = &plainSettingWords();  // the front end's names of the settings
  bool dryRun = false;  // every check made, no file written (an edited file still fails)
};

// Converts `run`: reads its log (SOURCE/run.log), works out time zero from its scan (or the
// log's own triggers without one), writes BIDS_ROOT/run.eventsTsv and .eventsJson together
// (both or neither). Never throws; a run that cannot be converted has kFailed and its old
// files as they were, with the figures of its scan where the check got that far. A dry run
// reports what the real one would, files in the way included, and writes nothing. When
// `read` is not null it receives the run's events as the pipeline read them, for a report of
// the run without a second pass over its log (empty when the log was not read or the
// pipeline refused it).
StudyRunOutcome convertStudyRun(const StudyRun& run, const StudyPlaces& places,
                                RunEvents* read = nullptr);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_STUDY_CONVERSION_H_
