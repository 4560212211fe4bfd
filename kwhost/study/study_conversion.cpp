#include "kwhost/study/study_conversion.h"

#include <exception>
#include <memory>
#include <set>

#include "kwhost/common/read_file.h"
#include "kwhost/events/event_map.h"
#include "kwhost/events/files.h"
#include "kwhost/runs/run_files.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/sources/stimulus_source.h"

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

// The figures of the check against the scan, and its verdict; a failed run keeps its status.
void describeCheck(const ScanCheck& check, StudyRunOutcome& outcome) {
  outcome.triggers = static_cast<int64_t>(check.triggers.count);
  outcome.volumes = check.volumes;
  if (check.dummies.k)
    outcome.skip = *check.dummies.k;
  outcome.trMs = check.trMs;
  outcome.skipRule = kRuleName(check);
  if (check.timeZero) {
    outcome.eventsBefore = check.outside.before;
    if (check.end)
      outcome.eventsAfter = check.outside.after;
  }
  if (outcome.status == StudyRunOutcome::Status::kFailed)
    return;
  outcome.findings = check.findings;
  outcome.status =
      check.hasFindings() ? StudyRunOutcome::Status::kFindings : StudyRunOutcome::Status::kWritten;
}

// Writes the run's two files, or in a dry run checks that they may be written.
bool writeOrCheck(const StudyRun& run, const RunEvents& events, const StudyPlaces& places,
                  std::string& error) {
  const RunFiles files{(places.bidsRoot / fs::u8path(run.eventsTsv)).u8string(),
                       (places.bidsRoot / fs::u8path(run.eventsJson)).u8string()};
  const std::string forceHint =
      "give " + places.words->given(Setting::kForce, "") + " to replace it";
  if (places.dryRun)
    return places.force || mayReplaceEventsFiles(files.tsv, files.json, forceHint, error);
  WriteRules rules;
  rules.force = places.force;
  rules.forceHint = forceHint;
  rules.makeFolder = true;
  std::set<std::string> warnings;
  return writeRunFiles(files, events.table, events.facts, rules, warnings, error);
}

// The run's map file, parsed. False with `error` set.
bool readMap(const RunSettings& settings, EventMap& map, std::string& error) {
  std::string text;
  return settings.map.empty() ||
         (readWholeFile(settings.map, text, error) && map.parse(text, settings.map, error));
}

StudyRunOutcome convert(const StudyRun& run, const StudyPlaces& places, RunEvents* read) {
  if (!run.problem.empty())
    return failed(run.problem);
  const RunSettings& settings = run.settings.run;
  EventMap map;
  std::string error;
  if (!readMap(settings, map, error))
    return failed(error);
  // The run's first image: the echoes of a multi-echo run share their volumes and TR.
  BoldRun bold;
  if (!run.bold.empty() && !readBoldRun(places.bidsRoot / fs::u8path(run.bold.front()), false, bold,
                                        error, places.listings))
    return failed(error);
  const fs::path log = places.source / fs::u8path(run.log);
  const std::string name = relativeToRoot(log, places.bidsRoot);
  Refusal refusal;
  const std::unique_ptr<StimulusSource> source = openStimulusSource(log.u8string(), name, refusal);
  if (source == nullptr)
    return failed("the log cannot be opened");
  RunRequest request;
  request.source = source.get();
  request.name = name;
  request.settings = &settings;
  request.bold = run.bold.empty() ? nullptr : &bold;
  request.map = settings.map.empty() ? nullptr : &map;
  request.words = places.words;
  RunEvents local;
  RunEvents& events = read != nullptr ? *read : local;
  refusal = readRunEvents(request, events);
  StudyRunOutcome outcome;
  outcome.status = StudyRunOutcome::Status::kWritten;
  if (refusal.refused())
    outcome = failed(refusal.message);
  else if (events.table.rows.empty())
    outcome = failed("no selected events");
  else if (!writeOrCheck(run, events, places, error))
    outcome = failed(error);
  if (events.scanCheck) {
    describeCheck(*events.scanCheck, outcome);
  } else if (outcome.status != StudyRunOutcome::Status::kFailed) {
    outcome.status = StudyRunOutcome::Status::kNoScan;
    outcome.triggers = static_cast<int64_t>(events.triggers.size());
    if (!events.triggerFindings.empty())
      outcome.findings.push_back(events.triggerFindings);
  }
  outcome.rows = events.table.rows.size();
  outcome.zero = events.facts.zero;
  return outcome;
}

}  // namespace

StudyRunOutcome convertStudyRun(const StudyRun& run, const StudyPlaces& places, RunEvents* read) {
  try {
    return convert(run, places, read);
  } catch (const std::bad_alloc&) {
    return failed("out of memory");
  }
}

}  // namespace stimforge::kwhost
