// kwhost bids SOURCE BIDS_ROOT [--study FILE] [--match PATTERN]... [--dry-run] [--json]
// [--force]: every log of a study converted into its BOLD run's events files, each checked
// against its scan. Loads no plug-in.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "kwhost/cli/bids_report.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/cli/exit_status.h"
#include "kwhost/common/log_time.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/host/process_info.h"
#include "kwhost/study/study_conversion.h"
#include "kwhost/study/study_plan.h"

namespace stimforge::kwhost {
namespace {

struct BidsArguments {
  std::string source;
  std::string bidsRoot;
  std::string study;
  std::vector<std::string> patterns;
  std::vector<std::string> exclude;
  bool dryRun = false;
  bool json = false;
  bool force = false;
  std::string report;
};

// The words of `kwhost bids`: its run settings come from the study file ("skip = 4",
// "trigger = \"Response:5\"", "keep_triggers = true"), and --force is its own option.
class StudyFileWords : public SettingWords {
 public:
  bool has(Setting setting) const override {
    return setting != Setting::kTr && setting != Setting::kVolumes;
  }
  std::string name(Setting setting) const override {
    return setting == Setting::kForce ? "--force" : settingKey(setting);
  }
  std::string given(Setting setting, const std::string& value) const override {
    if (setting == Setting::kForce)
      return "--force";
    if (setting == Setting::kKeepTriggers)
      return "keep_triggers = true";
    if (setting == Setting::kTrigger || setting == Setting::kTrialType)
      return name(setting) + " = \"" + value + "\"";  // texts, placeholders too
    if (setting == Setting::kTypes || setting == Setting::kColumns) {
      std::string list;
      for (size_t start = 0; start <= value.size();) {
        const size_t comma = value.find(',', start);
        const size_t end = comma == std::string::npos ? value.size() : comma;
        list += (list.empty() ? "\"" : ", \"") + value.substr(start, end - start) + "\"";
        start = end + 1;
      }
      return name(setting) + " = [" + list + "]";
    }
    return name(setting) + " = " + (bare(value) ? value : "\"" + value + "\"");
  }
  std::string detailsHint(bool againstScan) const override {
    return againstScan ? "Run kwhost triggers --bold for the details."
                       : "Run kwhost triggers for the details.";
  }

 private:
  // Numbers and placeholders (K, MS, N) are written without quotes.
  static bool bare(const std::string& value) {
    const auto all = [&value](bool (*fits)(char)) {
      return !value.empty() && std::all_of(value.begin(), value.end(), fits);
    };
    return all([](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }) ||
           all([](char c) { return c >= 'A' && c <= 'Z'; });
  }
};

const char* statusWord(StudyRunOutcome::Status status) {
  switch (status) {
    case StudyRunOutcome::Status::kWritten:
      return "consistent";
    case StudyRunOutcome::Status::kFindings:
      return "findings";
    case StudyRunOutcome::Status::kNoScan:
      return "no scan";
    case StudyRunOutcome::Status::kFailed:
      return "failed";
  }
  return "";
}

std::string valuesText(const PatternValues& values) {
  std::string text;
  for (const BidsEntity& entity : values)
    text += (text.empty() ? "" : "_") + entity.key + "-" + entity.value;
  return text;
}

std::string count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "240 triggers, 236 volumes, K 4, TR 2000.0 ms", with what is known.
std::string figuresText(const StudyRunOutcome& outcome) {
  std::string text;
  const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  if (outcome.triggers)
    add(count(static_cast<size_t>(*outcome.triggers), "trigger", "triggers"));
  if (outcome.volumes)
    add(std::to_string(*outcome.volumes) + " volumes");
  if (!outcome.skipRule.empty())
    add(outcome.skip ? "K " + std::to_string(*outcome.skip) + " (" + outcome.skipRule + ")"
                     : std::string("K unknown"));
  if (outcome.trMs)
    add("TR " + formatFixed(*outcome.trMs, 1) + " ms");
  if (outcome.eventsBefore)
    add("stimulus events outside the scan: " + std::to_string(*outcome.eventsBefore) +
        " before time zero" +
        (outcome.eventsAfter ? ", " + std::to_string(*outcome.eventsAfter) + " after its end"
                             : std::string()));
  return text;
}

std::string runLine(const StudyRun& run, const StudyRunOutcome& outcome) {
  std::string line = run.log + " -> " + run.eventsTsv + ": ";
  const std::string figures = figuresText(outcome);
  if (!figures.empty())
    line += figures + ": ";
  line += statusWord(outcome.status);
  for (size_t i = 0; i < outcome.findings.size(); ++i)
    line += (i == 0 ? ": " : "; ") + outcome.findings[i];
  return escapeLine(line);
}

struct Totals {
  size_t written = 0;
  size_t withFindings = 0;
  size_t failed = 0;
  size_t noScan = 0;
};

Totals totalsOf(const std::vector<StudyRunOutcome>& outcomes) {
  Totals totals;
  for (const StudyRunOutcome& outcome : outcomes) {
    totals.written += outcome.status != StudyRunOutcome::Status::kFailed;
    totals.withFindings += outcome.status == StudyRunOutcome::Status::kFindings;
    totals.failed += outcome.status == StudyRunOutcome::Status::kFailed;
    totals.noScan += outcome.status == StudyRunOutcome::Status::kNoScan;
  }
  return totals;
}

// "LOG: no run: the dataset has no folder sub-02/ses-1; ses "1": the dataset has ses-01; add
// [rename.ses] "1" = "01"; it explains the scan without a log sub-02/ses-01/func/...".
std::string withoutRunText(const LogWithoutRun& log) {
  std::string text = log.log + ": no run: the dataset has no folder " + log.folder +
                     ", so nothing is written for it";
  if (!log.hint.empty())
    text += "; " + log.hint;
  for (size_t i = 0; i < log.scans.size(); ++i)
    text += std::string(i == 0 ? "; it explains the scan" : ",") +
            (i == 0 && log.scans.size() > 1 ? "s" : "") + " without a log " +
            log.scans[i].folder + "/" + log.scans[i].name;
  return text;
}

// The logs and runs that became no events file, one line each.
void printLeftovers(const StudyPlan& plan, std::ostream& out) {
  for (const std::string& log : plan.unmatchedLogs)
    out << escapeLine(log) << ": matches no pattern\n";
  for (const std::string& log : plan.excludedLogs)
    out << escapeLine(log) << ": excluded\n";
  for (const AmbiguousLog& log : plan.ambiguousLogs) {
    out << escapeLine(log.log + ": the pattern \"" + plan.patterns[log.pattern] +
                      "\" reads it in two ways: " + valuesText(log.one) + " and " +
                      valuesText(log.other))
        << "\n";
  }
  for (const RefusedLog& log : plan.refusedLogs)
    out << escapeLine(log.log + ": " + log.reason) << "\n";
  for (const LogWithoutRun& log : plan.logsWithoutRun)
    out << escapeLine(withoutRunText(log)) << "\n";
  for (const DatasetRun& run : plan.scansWithoutLog)
    out << escapeLine(run.folder + "/" + run.name) << ": a scan without a log\n";
  for (const SkippedImage& image : plan.skippedImages)
    out << escapeLine(image.path + ": not taken as a run: " + image.reason) << "\n";
  for (const NotARun& file : plan.notRuns)
    out << escapeLine(file.file + ": not a run: " + file.reason) << "\n";
}

size_t logsLeftOut(const StudyPlan& plan) {
  return plan.unmatchedLogs.size() + plan.ambiguousLogs.size() + plan.refusedLogs.size() +
         plan.logsWithoutRun.size();
}

void printSummary(const StudyPlan& plan, const std::vector<StudyRunOutcome>& outcomes,
                  bool dryRun, std::ostream& out) {
  for (size_t i = 0; i < plan.runs.size(); ++i)
    out << runLine(plan.runs[i], outcomes[i]) << "\n";
  printLeftovers(plan, out);
  const Totals totals = totalsOf(outcomes);
  out << "kwhost bids: " << (dryRun ? "dry run, nothing written: " : "")
      << count(totals.written, dryRun ? "run would be written" : "run written",
               dryRun ? "runs would be written" : "runs written")
      << " (" << totals.withFindings << " with findings, " << totals.noScan
      << " without a scan), " << totals.failed << (dryRun ? " would fail; " : " failed; ")
      << count(logsLeftOut(plan), "log", "logs") << " not converted; "
      << count(plan.scansWithoutLog.size(), "scan", "scans") << " without a log\n";
}

nlohmann::json optionalJson(const std::optional<int64_t>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

nlohmann::json runJson(const StudyRun& run, const StudyRunOutcome& outcome) {
  nlohmann::json json = {
      {"log", run.log}, {"events", run.eventsTsv}, {"sidecar", run.eventsJson}, {"bold", run.bold}};
  json["status"] = statusWord(outcome.status);
  json["triggers"] = optionalJson(outcome.triggers);
  json["volumes"] = optionalJson(outcome.volumes);
  json["skip"] = optionalJson(outcome.skip);
  json["skip_rule"] =
      outcome.skipRule.empty() ? nlohmann::json(nullptr) : nlohmann::json(outcome.skipRule);
  json["tr_ms"] = outcome.trMs ? nlohmann::json(*outcome.trMs) : nlohmann::json(nullptr);
  const auto count = [](const std::optional<size_t>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
  };
  json["events_before_scan"] = count(outcome.eventsBefore);
  json["events_after_scan"] = count(outcome.eventsAfter);
  json["rows"] = outcome.rows;
  json["findings"] = outcome.findings;
  return json;
}

nlohmann::json studyJson(const StudyPlan& plan, const std::vector<StudyRunOutcome>& outcomes,
                         bool dryRun) {
  nlohmann::json runs = nlohmann::json::array();
  for (size_t i = 0; i < plan.runs.size(); ++i)
    runs.push_back(runJson(plan.runs[i], outcomes[i]));
  nlohmann::json ambiguous = nlohmann::json::array();
  for (const AmbiguousLog& log : plan.ambiguousLogs)
    ambiguous.push_back(
        {{"log", log.log}, {"one", valuesText(log.one)}, {"other", valuesText(log.other)}});
  nlohmann::json refused = nlohmann::json::array();
  for (const RefusedLog& log : plan.refusedLogs)
    refused.push_back({{"log", log.log}, {"reason", log.reason}});
  nlohmann::json scans = nlohmann::json::array();
  for (const DatasetRun& run : plan.scansWithoutLog)
    scans.push_back(run.folder + "/" + run.name);
  nlohmann::json withoutRun = nlohmann::json::array();
  for (const LogWithoutRun& log : plan.logsWithoutRun) {
    nlohmann::json explained = nlohmann::json::array();
    for (const DatasetRun& run : log.scans)
      explained.push_back(run.folder + "/" + run.name);
    withoutRun.push_back({{"log", log.log},
                          {"folder", log.folder},
                          {"hint", log.hint},
                          {"scans_without_log", explained}});
  }
  nlohmann::json notRuns = nlohmann::json::array();
  for (const NotARun& file : plan.notRuns)
    notRuns.push_back({{"file", file.file}, {"reason", file.reason}});
  nlohmann::json json = {{"dry_run", dryRun},
                         {"runs", runs},
                         {"unmatched_logs", plan.unmatchedLogs},
                         {"excluded_logs", plan.excludedLogs},
                         {"ambiguous_logs", ambiguous},
                         {"refused_logs", refused},
                         {"logs_without_run", withoutRun},
                         {"scans_without_log", scans}};
  if (!plan.notRuns.empty())
    json["not_runs"] = notRuns;
  {
    const Totals totals = totalsOf(outcomes);
    json["totals"] = {{"written", totals.written},
                      {"with_findings", totals.withFindings},
                      {"failed", totals.failed},
                      {"without_scan", totals.noScan},
                      {"logs_not_converted", logsLeftOut(plan)},
                      {"scans_without_log", plan.scansWithoutLog.size()}};
  }
  return json;
}

// Says on standard error, while a study takes longer than a second and only on a terminal,
// which run is being converted.
class Progress {
 public:
  Progress(std::ostream& err, size_t runs)
      : err_(err),
        runs_(runs),
        shown_(standardErrorIsTerminal()),
        start_(std::chrono::steady_clock::now()) {}

  void at(size_t run) {
    if (!shown_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1))
      return;
    err_ << "\rkwhost bids: run " << run + 1 << " of " << runs_ << "   " << std::flush;
    written_ = true;
  }

  ~Progress() {
    if (written_)
      err_ << "\r" << std::string(40, ' ') << "\r" << std::flush;
  }

 private:
  std::ostream& err_;
  size_t runs_;
  bool shown_;
  bool written_ = false;
  std::chrono::steady_clock::time_point start_;
};

int studyStatus(const StudyPlan& plan, const std::vector<StudyRunOutcome>& outcomes) {
  const Totals totals = totalsOf(outcomes);
  return totals.failed + totals.withFindings + logsLeftOut(plan) > 0 ? kFailure : kSuccess;
}

class Bids : public CommandRunner {
 public:
  explicit Bids(CLI::App& command) {
    command.add_option("SOURCE", arguments_.source, "The folder of the study's logs")->required();
    command
        .add_option("BIDS_ROOT", arguments_.bidsRoot,
                    "The BIDS dataset (the folder with dataset_description.json)")
        ->required();
    command
        .add_option("--study", arguments_.study,
                    "A study file (TOML): patterns, renamings and per-task settings")
        ->type_name("FILE");
    command
        .add_option("--match", arguments_.patterns,
                    "A pattern over each log's path below SOURCE, e.g. "
                    "sub{sub}/sub{sub}_{task}_run{run}.log (repeatable; the first that "
                    "matches wins)")
        ->type_name("PATTERN");
    command
        .add_option("--exclude", arguments_.exclude,
                    "Leave out the logs this pattern matches (repeatable): * matches any "
                    "characters but /; without /, the file name alone is matched")
        ->type_name("PATTERN");
    command.add_flag("--dry-run", arguments_.dryRun,
                     "Check every run as the conversion would, and write nothing");
    command.add_flag("--json", arguments_.json, "Print one JSON document instead of lines");
    command.add_flag("--force", arguments_.force,
                     "Replace events files (and a report) kwhost did not write");
    command
        .add_option("--report", arguments_.report,
                    "Also write one HTML page of every run: its triggers, scan, events and "
                    "design (e.g. BIDS_ROOT/derivatives/kwhost/report.html)")
        ->type_name("FILE.html");
  }

  int run(const CommandContext& context) override {
    StudyInput input;
    input.source = std::filesystem::u8path(arguments_.source);
    input.bidsRoot = std::filesystem::u8path(arguments_.bidsRoot);
    if (!arguments_.study.empty())
      input.studyFile = std::filesystem::u8path(arguments_.study);
    input.patterns = arguments_.patterns;
    input.exclude = arguments_.exclude;
    input.words = &words_;
    StudyPlan plan;
    planStudy(input, plan);
    if (!plan.refusals.empty()) {
      for (const std::string& refusal : plan.refusals) {
        context.err << "kwhost: bids: " << escapeLine(refusal)
                    << (refusal == kNoPatternRefusal
                            ? ": give --match PATTERN or a study file with match = [...]"
                            : "")
                    << "\n";
      }
      context.err << "kwhost: bids: nothing was written\n";
      return kUsageError;
    }
    // A dry run makes every check the real one makes, and writes nothing.
    std::vector<StudyRunOutcome> outcomes;
    SidecarListings listings;
    StudyPlaces places{input.source, input.bidsRoot, arguments_.force, &listings, &words_};
    places.dryRun = arguments_.dryRun;
    BidsReport report(arguments_.report, input, plan, arguments_.dryRun);
    Progress progress(context.err, plan.runs.size());
    for (size_t i = 0; i < plan.runs.size(); ++i) {
      progress.at(i);
      RunEvents events;
      outcomes.push_back(
          convertStudyRun(plan.runs[i], places, report.wanted() ? &events : nullptr));
      report.add(i, outcomes.back(), events);
    }
    if (arguments_.json)
      context.out << studyJson(plan, outcomes, arguments_.dryRun).dump(2) << "\n";
    else
      printSummary(plan, outcomes, arguments_.dryRun, context.out);
    const int saved = report.save(arguments_.force, context.err);
    return std::max(saved, studyStatus(plan, outcomes));
  }

 private:
  BidsArguments arguments_;
  StudyFileWords words_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineBids(CLI::App& command) {
  return std::make_unique<Bids>(command);
}

}  // namespace stimforge::kwhost
