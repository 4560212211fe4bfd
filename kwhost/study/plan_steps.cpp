// The steps of a study's plan after its logs are matched: the task tables and columns
// checked against the study's files, and a log of several scans split into runs.
#include "kwhost/study/plan_steps.h"

#include <algorithm>
#include <memory>
#include <set>

#include "kwhost/runs/run_pipeline.h"
#include "kwhost/sources/stimulus_source.h"

namespace stimforge::kwhost {

namespace fs = std::filesystem;

const std::string* taskOf(const std::vector<BidsEntity>& entities) {
  for (const BidsEntity& entity : entities) {
    if (entity.key == "task")
      return &entity.value;
  }
  return nullptr;
}

// Refuses the [task.LABEL] tables whose task no log (after renaming) and no BOLD run has.
void checkTaskTables(const StudyFile& study, const std::vector<std::string>& logTasks,
                     const BidsDataset& dataset, StudyPlan& plan) {
  std::set<std::string> tasks(logTasks.begin(), logTasks.end());
  for (const DatasetRun& run : dataset.runs) {
    if (const std::string* task = taskOf(run.entities))
      tasks.insert(*task);
  }
  std::string names;
  for (const std::string& task : tasks)
    names += (names.empty() ? "" : ", ") + task;
  for (const auto& [task, settings] : study.tasks) {
    if (tasks.count(task) == 0)
      plan.refusals.push_back(
          studyPlace(study, settings.tableLine, "task." + task) +
          "no log and no BOLD run of the study has the task " + task +
          (names.empty() ? "; the study has no task at all" : "; the tasks are " + names));
  }
}

// Refuses further columns that a run's log cannot give, before anything is written: each
// log of a task that asks for columns has its head read.
void checkColumns(const StudyInput& input, const StudyFile& study, StudyPlan& plan) {
  for (const StudyRun& run : plan.runs) {
    const RunSettings& settings = run.settings.run;
    if (settings.columns.empty() || !run.problem.empty())
      continue;
    Refusal refusal;
    const std::string path = (input.source / fs::u8path(run.log)).u8string();
    const std::unique_ptr<StimulusSource> source = openStimulusSource(path, run.log, refusal);
    if (source != nullptr)
      refusal = source->checkColumns(settings.columns);
    if (refusal.kind != RefusalKind::kUsage)
      continue;  // a log that cannot be read fails as its run, with its reason
    const std::string* task = taskOf(run.values);
    const std::string table =
        study.tasks.count(task ? *task : "") > 0 && study.tasks.at(*task).given(Setting::kColumns)
            ? "task." + *task
            : "defaults";
    plan.refusals.push_back(
        studyPlace(study, run.settings.lines.at(Setting::kColumns), table + ".columns") + run.log +
        ": " + refusal.message);
    return;  // the first is enough to mend the file
  }
}

namespace {

// The scans of a log, for split_scans: its triggers read and split at the pauses. At least
// one: a log that cannot be read, or has no trigger, fails as its one run.
size_t scansOfLog(const StudyInput& input, const std::string& log, const TaskSettings& settings) {
  Refusal refusal;
  const std::string path = (input.source / fs::u8path(log)).u8string();
  const std::unique_ptr<StimulusSource> source = openStimulusSource(path, log, refusal);
  if (source == nullptr)
    return 1;
  RunRequest request;
  request.source = source.get();
  request.name = log;
  request.settings = &settings.run;
  request.words = input.words;
  RunCheck check;
  if (checkRunTriggers(request, false, check).refused())
    return 1;
  return std::max<size_t>(1, check.report.scans.size());
}

// The run index `first` + `offset`, as wide as `first` is written ("03" + 1 = "04").
std::string runIndex(const std::string& first, size_t offset) {
  uint64_t value = 0;
  for (const char c : first)
    value = value * 10 + static_cast<uint64_t>(c - '0');
  std::string text = std::to_string(value + offset);
  if (text.size() < first.size())
    text.insert(0, first.size() - text.size(), '0');
  return text;
}

}  // namespace

std::vector<StudyRun> splitByScans(const StudyInput& input, const StudyRun& run) {
  const size_t scans = scansOfLog(input, run.log, run.settings);
  std::vector<StudyRun> runs;
  auto place = std::find_if(run.values.begin(), run.values.end(),
                            [](const BidsEntity& entity) { return entity.key == "run"; });
  const std::string first = place == run.values.end() ? "1" : place->value;
  for (size_t i = 0; i < scans; ++i) {
    StudyRun one = run;
    one.settings.run.scan = static_cast<int64_t>(i + 1);
    auto own = std::find_if(one.values.begin(), one.values.end(),
                            [](const BidsEntity& entity) { return entity.key == "run"; });
    if (own == one.values.end()) {
      // In BIDS order: before echo and part.
      own = std::find_if(one.values.begin(), one.values.end(), [](const BidsEntity& entity) {
        return entity.key == "echo" || entity.key == "part";
      });
      own = one.values.insert(own, BidsEntity{"run", ""});
    }
    own->value = runIndex(first, i);
    runs.push_back(std::move(one));
  }
  return runs;
}

}  // namespace stimforge::kwhost
