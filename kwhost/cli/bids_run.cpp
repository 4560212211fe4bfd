#include "kwhost/cli/bids_run.h"

#include <exception>
#include <memory>
#include <set>

#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/events/event_map.h"
#include "kwhost/events/files.h"
#include "kwhost/events/from_log.h"
#include "kwhost/events/log_columns.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

// `path` relative to the dataset's root, "/" between folders: what the sidecar records.
// Lexically: resolving links would cost a dozen system calls a run, and the names the
// user gave are the ones to record.
std::string relativeToRoot(const fs::path& path, const fs::path& root) {
  std::error_code ignored;
  const fs::path relative = fs::absolute(path, ignored)
                                .lexically_normal()
                                .lexically_relative(fs::absolute(root, ignored).lexically_normal());
  return (relative.empty() ? path : relative).generic_u8string();
}

StudyRunOutcome failed(std::string why) {
  StudyRunOutcome outcome;
  outcome.status = StudyRunOutcome::Status::kFailed;
  outcome.findings.push_back(std::move(why));
  return outcome;
}

// The task's settings as the events of a log take them. Returns false with `error` set.
bool eventsOptionsFor(const TaskSettings& settings, EventMap& map, LogEventsOptions& options,
                      std::string& error) {
  if (settings.types)
    options.types = *settings.types;
  if (settings.trigger && !parseTriggerSelection(*settings.trigger, options.trigger)) {
    error = "trigger \"" + *settings.trigger + "\" is not TYPE or TYPE:CODE";
    return false;
  }
  if (settings.duration)
    options.duration = *settings.duration == DurationSetting::kNext ? EventDuration::kNext
                                                                     : EventDuration::kColumn;
  if (settings.skip && !settings.skip->automatic) {
    options.skip = settings.skip->count;
    options.skipGiven = true;
  }
  if (settings.columns)
    for (const std::string& name : *settings.columns) {
      TableColumn column;
      if (!tableColumnNamed(name, column)) {
        error = "columns: \"" + name + "\" is none of " + tableColumnNames();
        return false;
      }
      options.columns.push_back(column);
    }
  if (settings.map) {
    std::string text;
    const std::string mapPath = settings.map->u8string();
    if (!readWholeFile(mapPath, text, error) || !map.parse(text, mapPath, error))
      return false;
    options.map = &map;
  }
  return true;
}

// Writes the run's table and sidecar together. Returns false with `error` set, the old
// files as they were.
bool writeRunFiles(const fs::path& tsv, const fs::path& json, const LogEvents& events,
                   bool force, std::string& error) {
  if (!force && !mayReplaceEventsFiles(tsv.u8string(), json.u8string(), error))
    return false;
  std::error_code ignored;
  fs::create_directories(tsv.parent_path(), ignored);
  const std::string sidecar = formatEventsSidecar(events.facts);
  ReplacePolicy policy;
  policy.force = true;  // both files were judged above
  policy.what = "events file";
  std::exception_ptr thrown;
  const auto table = [&events, &thrown](const PieceWriter& write) {
    try {
      return writeEventsTsv(events.table, write);
    } catch (...) {
      thrown = std::current_exception();
      return false;
    }
  };
  const bool saved = saveFilesTogether(
      {{tsv.u8string(), table},
       {json.u8string(), [&sidecar](const PieceWriter& write) { return write(sidecar); }}},
      policy, error);
  if (thrown)
    std::rethrow_exception(thrown);
  return saved;
}

// The figures of the check against the scan, and its verdict.
void describeCheck(const LogEvents& events, StudyRunOutcome& outcome) {
  const ScanCheck& check = *events.scanCheck;
  outcome.triggers = static_cast<int64_t>(check.triggers.count);
  outcome.volumes = check.volumes;
  if (check.dummies.k)
    outcome.skip = *check.dummies.k;
  outcome.trMs = check.trMs;
  outcome.findings = check.findings;
  outcome.status = check.hasFindings() ? StudyRunOutcome::Status::kFindings
                                       : StudyRunOutcome::Status::kWritten;
}

StudyRunOutcome convert(const StudyRun& run, const StudyPlaces& places) {
  if (!run.problem.empty())
    return failed(run.problem);
  const fs::path log = places.source / fs::u8path(run.log);
  EventMap map;
  LogEventsOptions options;
  std::string error;
  if (!eventsOptionsFor(run.settings, map, options, error))
    return failed(error);
  // The run's first image: the echoes of a multi-echo run share their volumes and TR.
  BoldRun bold;
  if (!run.bold.empty()) {
    if (!readBoldRun(places.bidsRoot / fs::u8path(run.bold.front()), false, bold, error,
                     places.listings))
      return failed(error);
    options.bold = &bold;
  }
  std::unique_ptr<LogSource> source = openLogFile(log.u8string());
  if (!source)
    return failed("the log cannot be opened");
  LogEvents events;
  if (eventsFromLog(*source, relativeToRoot(log, places.bidsRoot), options, events, error) != 0)
    return failed(error);
  if (events.table.rows.empty())
    return failed("no selected events");
  if (!writeRunFiles(places.bidsRoot / fs::u8path(run.eventsTsv),
                     places.bidsRoot / fs::u8path(run.eventsJson), events, places.force, error)) {
    return failed(error);
  }
  StudyRunOutcome outcome;
  if (events.scanCheck) {
    describeCheck(events, outcome);
  } else {
    outcome.status = StudyRunOutcome::Status::kNoScan;
    if (!events.triggerFindings.empty())
      outcome.findings.push_back(events.triggerFindings);
  }
  outcome.rows = events.table.rows.size();
  outcome.zero = events.facts.zero;
  return outcome;
}

}  // namespace

StudyRunOutcome convertStudyRun(const StudyRun& run, const StudyPlaces& places) {
  try {
    return convert(run, places);
  } catch (const std::bad_alloc&) {
    return failed("out of memory");
  }
}

}  // namespace stimforge::kwhost
