#include "kwhost/study/study_plan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <system_error>

#include "kwhost/bids/bids_entities.h"
#include "kwhost/common/text_utf8.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/sources/stimulus_source.h"
#include "kwhost/study/plan_steps.h"
#include "kwhost/study/source_files.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

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
  run.labValues = match.values;
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

// A label as the comparison of near misses sees it: lower case, without leading zeros.
std::string looseLabel(const std::string& label) {
  const size_t digits = label.find_first_not_of('0');
  return asciiLowerCase(digits == std::string::npos ? "0" : label.substr(digits));
}

// The labels of entity `key` that the dataset has: of every subject for sub, of the subject
// `subject` for the others.
std::set<std::string> datasetLabels(const BidsDataset& dataset, const std::string& key,
                                    const std::string& subject) {
  const auto ofSubject = [&](const std::string& folder) {
    return key == "sub" || folder.compare(0, subject.size() + 5, "sub-" + subject + "/") == 0 ||
           folder == "sub-" + subject;
  };
  std::set<std::string> labels;
  for (const DatasetRun& run : dataset.runs) {
    for (const BidsEntity& entity : run.entities) {
      if (entity.key == key && ofSubject(run.folder))
        labels.insert(entity.value);
    }
  }
  for (const std::string& folder : dataset.folders) {
    if (!ofSubject(folder))
      continue;
    for (size_t start = 0; start < folder.size();) {
      const size_t slash = std::min(folder.find('/', start), folder.size());
      const std::string part = folder.substr(start, slash - start);
      if (part.compare(0, key.size() + 1, key + "-") == 0)
        labels.insert(part.substr(key.size() + 1));
      start = slash + 1;
    }
  }
  return labels;
}

// The log without a run, with the first of its labels that the dataset has only as a near
// miss (leading zeros, case), and the rename line that mends it.
LogWithoutRun withoutRun(const StudyRun& run, const std::string& folder,
                         const BidsDataset& dataset) {
  LogWithoutRun log{run.log, folder, "", "", "", run.values, {}};
  for (size_t i = 0; i < run.values.size(); ++i) {
    const BidsEntity& entity = run.values[i];
    const EntityKind* kind = functionalEntity(entity.key);
    if (kind == nullptr || kind->value != EntityValue::kLabel)
      continue;
    const std::set<std::string> labels =
        datasetLabels(dataset, entity.key, run.values.front().value);
    if (labels.count(entity.value) > 0)
      continue;
    for (const std::string& label : labels) {
      if (looseLabel(label) != looseLabel(entity.value))
        continue;
      const std::string lab = i < run.labValues.size() ? run.labValues[i].value : entity.value;
      log.hint = entity.key + " \"" + lab + "\": the dataset has " + entity.key + "-" + label +
                 "; add [rename." + entity.key + "] \"" + lab + "\" = \"" + label + "\"";
      log.hintKey = entity.key;
      log.hintLabel = label;
      return log;
    }
  }
  return log;
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
    // No scan: the events go where the run's image would be, in a folder the dataset has;
    // a label that misses the dataset's would make stray folders instead.
    run.name = joinValues(run.values, false);
    folder = "sub-" + run.values.front().value;
    if (run.values[1].key == "ses")
      folder += "/ses-" + run.values[1].value;
    if (dataset.folders.count(folder) == 0) {
      plan.logsWithoutRun.push_back(withoutRun(run, folder, dataset));
      return false;
    }
    folder += "/func";
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

// The runs no log became; those that a log's label hint explains are listed with the log.
void listLeftovers(const BidsDataset& dataset, const std::vector<bool>& runHasLog,
                   StudyPlan& plan) {
  for (size_t r = 0; r < dataset.runs.size(); ++r) {
    if (runHasLog[r])
      continue;
    LogWithoutRun* explained = nullptr;
    for (LogWithoutRun& log : plan.logsWithoutRun) {
      if (log.hint.empty())
        continue;
      PatternValues values = log.values;
      for (BidsEntity& entity : values) {
        if (entity.key == log.hintKey)
          entity.value = log.hintLabel;
      }
      if (runFits(values, dataset.runs[r]))
        explained = &log;
    }
    if (explained != nullptr)
      explained->scans.push_back(dataset.runs[r]);
    else
      plan.scansWithoutLog.push_back(dataset.runs[r]);
  }
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
      runs = splitByScans(input, matched);
    for (StudyRun& run : runs) {
      if (!checkFunctionalRunName(joinValues(run.values, true), problem)) {
        plan.refusals.push_back(log + ": " + valuesText(run.values) +
                                " is no BIDS run name: " + problem);
        continue;
      }
      if (!placeRun(dataset, runsOfSubject, run, runHasLog, plan))
        continue;
      // Case aside, so that two logs cannot share a file on a system that ignores case.
      const auto [earlier, first] = logOfEvents.emplace(asciiLowerCase(run.eventsTsv), log);
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
