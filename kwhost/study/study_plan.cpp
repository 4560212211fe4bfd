#include "kwhost/study/study_plan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <system_error>

#include "kwhost/bids/bids_entities.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/sources/stimulus_source.h"
#include "kwhost/study/source_files.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

std::string lowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string joinValues(const PatternValues& values, bool withEcho) {
  std::string name;
  for (const BidsEntity& entity : values) {
    if (!withEcho && (entity.key == "echo" || entity.key == "part"))
      continue;
    name += (name.empty() ? "" : "_") + entity.key + "-" + entity.value;
  }
  return name;
}

std::string valuesText(const PatternValues& values) {
  std::string text;
  for (const BidsEntity& entity : values)
    text += (text.empty() ? "" : " ") + entity.key + "=" + entity.value;
  return text;
}

// Whether `run` has every value of the log. Echo and part are those of one of its images.
bool runFits(const PatternValues& values, const DatasetRun& run) {
  for (const BidsEntity& entity : values) {
    bool found = false;
    if (entity.key == "echo" || entity.key == "part") {
      for (const BoldImage& image : run.images) {
        const std::string& own = entity.key == "echo" ? image.echo : image.part;
        found = found || (!own.empty() && sameEntityValue(entity.key, own, entity.value));
      }
    } else {
      for (const BidsEntity& own : run.entities)
        found =
            found || (own.key == entity.key && sameEntityValue(own.key, own.value, entity.value));
    }
    if (!found)
      return false;
  }
  return true;
}

// The study file, the patterns (--match first), the dataset's runs and the logs. Returns
// false after adding the refusals to `plan`.
bool readInputs(const StudyInput& input, StudyFile& study, std::vector<PathPattern>& patterns,
                BidsDataset& dataset, std::vector<std::string>& logs, StudyPlan& plan) {
  std::string problem;
  if (input.studyFile && !loadStudyFile(*input.studyFile, study, problem)) {
    plan.refusals.push_back(problem);
    return false;
  }
  for (const std::string& text : input.exclude) {
    if (text.empty() || text.find_first_of("{}") != std::string::npos)
      plan.refusals.push_back("the exclude pattern \"" + text +
                              "\" has placeholders; an exclude pattern has only * and text");
  }
  for (const std::string& text : input.patterns) {
    PathPattern pattern;
    if (!PathPattern::compile(text, pattern, problem))
      plan.refusals.push_back("the pattern \"" + text + "\": " + problem);
    patterns.push_back(std::move(pattern));
  }
  patterns.insert(patterns.end(), study.patterns.begin(), study.patterns.end());
  if (patterns.empty())
    plan.refusals.push_back(kNoPatternRefusal);
  if (!findBoldRuns(input.bidsRoot, dataset, problem))
    plan.refusals.push_back(problem);
  if (!listSourceFiles(input.source, logs, plan.notRuns, problem))
    plan.refusals.push_back(problem);
  return plan.refusals.empty();
}

// The first pattern that takes `log`, and the values it reads, into `run`. Returns false
// after listing the log in `plan` when no pattern takes it, or none in one way.
bool matchLog(const std::string& log, const std::vector<PathPattern>& patterns, StudyRun& run,
              StudyPlan& plan) {
  size_t index = 0;
  PatternMatch match;
  for (; index < patterns.size(); ++index) {
    match = patterns[index].match(log);
    if (match.kind != PatternMatch::Kind::kNone)
      break;
  }
  switch (match.kind) {
    case PatternMatch::Kind::kNone:
      plan.unmatchedLogs.push_back(log);
      return false;
    case PatternMatch::Kind::kAmbiguous:
      plan.ambiguousLogs.push_back({log, index, match.values, match.other});
      return false;
    case PatternMatch::Kind::kTooMany:
      plan.refusedLogs.push_back(
          {log, "the pattern \"" + patterns[index].text() +
                    "\" reads its path in too many ways; make the pattern stricter"});
      return false;
    case PatternMatch::Kind::kOne:
      break;
  }
  run.log = log;
  run.pattern = index;
  run.values = match.values;
  return true;
}

void renameValues(const StudyFile& study, PatternValues& values) {
  for (BidsEntity& entity : values) {
    const auto renames = study.renames.find(entity.key);
    if (renames == study.renames.end())
      continue;
    const auto renamed = renames->second.find(entity.value);
    if (renamed != renames->second.end())
      entity.value = renamed->second;
  }
}

// Gives `run` its BOLD run (marked in `runHasLog`), or none, and the events files' paths.
// Returns false after refusing the log in `plan` when several runs fit it.
// Only the runs of the log's subject are looked at (`runsOfSubject`, by its label), so that a
// study of a thousand subjects does not compare every log with every run.
bool placeRun(const BidsDataset& dataset,
              const std::map<std::string, std::vector<size_t>>& runsOfSubject, StudyRun& run,
              std::vector<bool>& runHasLog, StudyPlan& plan) {
  std::vector<size_t> fits;
  const auto subject = runsOfSubject.find(run.values.front().value);
  if (subject != runsOfSubject.end()) {
    for (const size_t r : subject->second) {
      if (runFits(run.values, dataset.runs[r]))
        fits.push_back(r);
    }
  }
  if (fits.size() > 1) {
    std::string names;
    for (const size_t r : fits)
      names += (names.empty() ? "" : ", ") + dataset.runs[r].name;
    plan.refusedLogs.push_back({run.log, std::to_string(fits.size()) + " BOLD runs fit its " +
                                             valuesText(run.values) + ": " + names +
                                             "; capture the entity that tells them apart"});
    return false;
  }
  std::string folder;
  if (fits.empty()) {
    // No scan: the events go where the run's image would be.
    run.name = joinValues(run.values, false);
    folder = "sub-" + run.values.front().value + "/";
    if (run.values[1].key == "ses")
      folder += "ses-" + run.values[1].value + "/";
    folder += "func";
  } else {
    const DatasetRun& bold = dataset.runs[fits.front()];
    runHasLog[fits.front()] = true;
    run.name = bold.name;
    folder = bold.folder;
    for (const BoldImage& image : bold.images)
      run.bold.push_back(image.path);
    run.problem = bold.problem;
  }
  run.eventsTsv = folder + "/" + eventsTableName(run.name);
  run.eventsJson = folder + "/" + eventsSidecarName(run.name);
  return true;
}

// The runs no log became.
void listLeftovers(const BidsDataset& dataset, const std::vector<bool>& runHasLog,
                   StudyPlan& plan) {
  for (size_t r = 0; r < dataset.runs.size(); ++r) {
    if (!runHasLog[r])
      plan.scansWithoutLog.push_back(dataset.runs[r]);
  }
}

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

// One run per scan of the log, numbered on from its {run}, or from 1.
std::vector<StudyRun> splitByScans(const StudyRun& run, size_t scans) {
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

}  // namespace

void planStudy(const StudyInput& input, StudyPlan& plan) {
  plan = StudyPlan();
  StudyFile study;
  std::vector<PathPattern> patterns;
  BidsDataset dataset;
  std::vector<std::string> logs;
  if (!readInputs(input, study, patterns, dataset, logs, plan))
    return;
  for (const PathPattern& pattern : patterns)
    plan.patterns.push_back(pattern.text());
  plan.skippedImages = dataset.skipped;

  std::vector<bool> runHasLog(dataset.runs.size(), false);
  std::map<std::string, std::vector<size_t>> runsOfSubject;
  for (size_t r = 0; r < dataset.runs.size(); ++r) {
    for (const BidsEntity& entity : dataset.runs[r].entities) {
      if (entity.key == "sub")
        runsOfSubject[entity.value].push_back(r);
    }
  }
  std::map<std::string, std::string> logOfEvents;  // lower-cased events path to its log
  std::vector<std::string> logTasks;
  std::vector<std::string> exclude = input.exclude;
  exclude.insert(exclude.end(), study.exclude.begin(), study.exclude.end());
  std::string problem;
  for (const std::string& log : logs) {
    if (std::any_of(exclude.begin(), exclude.end(),
                    [&log](const std::string& pattern) { return excludeMatches(pattern, log); })) {
      plan.excludedLogs.push_back(log);
      continue;
    }
    StudyRun matched;
    if (!matchLog(log, patterns, matched, plan))
      continue;
    renameValues(study, matched.values);
    if (const std::string* task = taskOf(matched.values)) {
      matched.settings = study.settingsFor(*task);
      logTasks.push_back(*task);
    }
    std::vector<StudyRun> runs = {matched};
    if (matched.settings.splitScans)
      runs = splitByScans(matched, scansOfLog(input, log, matched.settings));
    for (StudyRun& run : runs) {
      if (!checkFunctionalRunName(joinValues(run.values, true), problem)) {
        plan.refusals.push_back(log + ": " + valuesText(run.values) +
                                " is no BIDS run name: " + problem);
        continue;
      }
      if (!placeRun(dataset, runsOfSubject, run, runHasLog, plan))
        continue;
      // Case aside, so that two logs cannot share a file on a system that ignores case.
      const auto [earlier, first] = logOfEvents.emplace(lowerCase(run.eventsTsv), log);
      if (!first) {
        plan.refusals.push_back(earlier->second + " and " + log + " are both logs of " +
                                run.eventsTsv);
        continue;
      }
      plan.runs.push_back(std::move(run));
    }
  }
  listLeftovers(dataset, runHasLog, plan);
  checkTaskTables(study, logTasks, dataset, plan);
  if (plan.refusals.empty())
    checkColumns(input, study, plan);
}

}  // namespace stimforge::kwhost
