// kwhost events INPUT...: BIDS events files from stimulus logs or protocol files.
#include "kwhost/cli/command_events.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>

#include "kwhost/bids/bids_entities.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/events/from_protocol.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/runs/run_files.h"
#include "kwhost/runs/run_pipeline.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

struct Job {
  std::string input;
  RunFiles files;
};

Job jobFor(const std::string& input, const EventsOptions& options) {
  Job job;
  job.input = input;
  if (!options.output.empty()) {
    job.files = {options.output, sidecarPathOf(options.output)};
    return job;
  }
  const fs::path folder =
      options.outDir.empty() ? fs::path(input).parent_path() : fs::path(options.outDir);
  const std::string name =
      options.bidsName.empty() ? fs::path(input).stem().string() : options.bidsName;
  job.files = {(folder / eventsTableName(name)).string(),
               (folder / eventsSidecarName(name)).string()};
  return job;
}

std::string normalPath(const std::string& path) {
  std::error_code ignored;
  return fs::absolute(fs::path(path), ignored).lexically_normal().string();
}

void warnAll(const std::set<std::string>& warnings, std::ostream& err) {
  for (const std::string& warning : warnings)
    err << "kwhost: warning: " << escapeLine(warning) << '\n';
}

int fail(std::ostream& err, int status, const std::string& message) {
  err << "kwhost: " << escapeLine(message) << '\n';
  return status;
}

// What one input gives: its table and sidecar facts.
struct InputEvents {
  EventsTable table;
  SidecarFacts facts;
};

// The events of a protocol file: time zero must be given (it counts from the scenario).
int readProtocol(const std::string& input, const EventsOptions& options, InputEvents& read,
                 std::ostream& err) {
  const ZeroRule& zero = options.settings.zero;
  if (zero.kind != ZeroRule::Kind::kScenario && zero.kind != ZeroRule::Kind::kTime)
    return fail(err, kUsageError,
                input +
                    " is a protocol, which counts from the scenario's start: give --zero MS "
                    "or --zero scenario");
  Protocol protocol;
  std::string error;
  if (!readProtocolFile(input, protocol, error))
    return fail(err, kFailure, error);
  if (!options.settings.columns.empty() || !options.boldPath.empty())
    return fail(err, kUsageError,
                input + " is a protocol: " + (options.boldPath.empty() ? "--columns" : "--bold") +
                    " takes a log's");
  std::set<std::string> warnings;
  std::optional<int64_t> given;
  if (zero.kind == ZeroRule::Kind::kTime)
    given = zero.time;
  if (!protocolEvents(protocol, fs::path(input).filename().string(), given,
                      options.settings.tr.value_or(0), read.table, read.facts, warnings, error))
    return fail(err, kUsageError,
                input + ": " + error +
                    (protocol.timeResolution == kTimeResolutionVolumes && !options.settings.tr
                         ? ": give --tr MS"
                         : ""));
  warnAll(warnings, err);
  return kSuccess;
}

// The events of a log, through the run pipeline.
int readLog(const std::string& input, const EventsOptions& options, EventMap* map,
            const BoldRun* bold, const SettingWords& words, InputEvents& read, std::ostream& err) {
  Refusal refusal;
  const std::unique_ptr<StimulusSource> source = openStimulusSource(input, input, refusal);
  if (source == nullptr)
    return fail(err, eventsStatusOf(refusal), refusal.message);
  RunRequest request;
  request.source = source.get();
  request.name = input;
  request.settings = &options.settings;
  request.bold = bold;
  request.map = map;
  request.words = &words;
  std::error_code sizeUnknown;
  const std::uintmax_t bytes = fs::file_size(fs::path(input), sizeUnknown);
  request.bytes = sizeUnknown ? 0 : static_cast<uint64_t>(bytes);
  RunEvents events;
  refusal = readRunEvents(request, events);
  if (refusal.refused())
    return fail(err, eventsStatusOf(refusal), refusal.message);
  if (!events.triggerNote.empty())
    err << "kwhost: " << escapeLine(events.triggerNote) << '\n';
  if (!events.triggerRowsNote.empty())
    err << "kwhost: " << escapeLine(events.triggerRowsNote) << '\n';
  if (!events.triggerFindings.empty())
    events.warnings.insert(events.triggerFindings);
  warnAll(events.warnings, err);
  read.table = std::move(events.table);
  read.facts = std::move(events.facts);
  read.facts.source = fs::path(input).filename().string();
  return kSuccess;
}

// The job of each input, refused (kUsageError, nothing written) when two would write the
// same file.
int planJobs(const EventsOptions& options, std::vector<Job>& jobs, std::ostream& err) {
  std::map<std::string, std::string> writers;  // normal path -> the input writing it
  for (const std::string& input : options.inputs) {
    jobs.push_back(jobFor(input, options));
    for (const std::string& path : {jobs.back().files.tsv, jobs.back().files.json}) {
      const auto [place, added] = writers.emplace(normalPath(path), input);
      if (!added)
        return fail(
            err, kUsageError,
            place->second + " and " + input + " would both write " + path + ": nothing written");
    }
  }
  return kSuccess;
}

// Whether every input has the --columns columns, before anything is written: kSuccess, or
// kUsageError reported on `err`. An input that cannot be read is left to its own turn.
int checkColumnsOfInputs(const EventsOptions& options, std::ostream& err) {
  if (options.settings.columns.empty())
    return kSuccess;
  for (const std::string& input : options.inputs) {
    std::string error;
    if (!checkReadable(input, error))
      continue;
    if (isProtocolFileAt(input))
      return fail(err, kUsageError,
                  input + " is a protocol: --columns takes a log's columns; nothing written");
    Refusal refusal;
    const std::unique_ptr<StimulusSource> source = openStimulusSource(input, input, refusal);
    if (source == nullptr)
      continue;
    refusal = source->checkColumns(options.settings.columns);
    if (refusal.kind == RefusalKind::kUsage)
      return fail(err, kUsageError, input + ": --columns " + refusal.message + "; nothing written");
  }
  return kSuccess;
}

// Saves one input's table and sidecar. Returns kSuccess or kFailure, reported on `err`.
int writeJob(const Job& job, const InputEvents& read, const EventsOptions& options,
             std::ostream& out, std::ostream& err) {
  WriteRules rules;
  rules.force = options.force;
  rules.forceHint = kForceHint;
  std::set<std::string> warnings;
  std::string error;
  const bool written = writeRunFiles(job.files, read.table, read.facts, rules, warnings, error);
  warnAll(warnings, err);
  if (!written)
    return fail(err, kFailure, error);
  out << "kwhost: wrote " << escapeLine(job.files.tsv) << " (" << read.table.rows.size()
      << " events) and " << escapeLine(job.files.json) << '\n';
  return kSuccess;
}

// The --map file, parsed. Returns kSuccess or kUsageError after a message.
int readMap(const std::string& path, EventMap& map, std::ostream& err) {
  std::string text;
  std::string error;
  if (!readWholeFile(path, text, error) || !map.parse(text, path, error))
    return fail(err, kUsageError, "--map: " + error);
  return kSuccess;
}

}  // namespace

int eventsStatusOf(const Refusal& refusal) {
  return refusal.kind == RefusalKind::kUsage ? kUsageError : kFailure;
}

int runEvents(const EventsOptions& options, const SettingWords& words, std::ostream& out,
              std::ostream& err) {
  EventMap map;
  if (!options.settings.map.empty() && readMap(options.settings.map, map, err) != kSuccess)
    return kUsageError;
  std::error_code ignored;
  if (!options.outDir.empty() && !fs::is_directory(fs::path(options.outDir), ignored))
    return fail(err, kFailure, "--out-dir: " + options.outDir + " is not a folder");
  std::optional<BoldRun> bold;
  if (!options.boldPath.empty()) {
    bold.emplace();
    std::string error;
    if (!readBoldRun(fs::u8path(options.boldPath), options.settings.tr.has_value(), *bold, error))
      return fail(err, kFailure, "--bold: " + error);
  }
  std::vector<Job> jobs;
  int planned = planJobs(options, jobs, err);
  if (planned == kSuccess)
    planned = checkColumnsOfInputs(options, err);
  if (planned != kSuccess)
    return planned;
  int status = kSuccess;
  for (const Job& job : jobs) {
    std::string error;
    InputEvents read;
    int done = kSuccess;
    if (!checkReadable(job.input, error))
      done = fail(err, kFailure, error);
    else if (isProtocolFileAt(job.input))
      done = readProtocol(job.input, options, read, err);
    else
      done = readLog(job.input, options, options.settings.map.empty() ? nullptr : &map,
                     bold ? &*bold : nullptr, words, read, err);
    if (done == kSuccess && read.table.rows.empty())
      done = fail(err, kFailure, "no selected events in " + job.input + ": nothing written");
    if (done == kSuccess)
      done = writeJob(job, read, options, out, err);
    status = std::max(status, done);
  }
  return status;
}

namespace {

// The settings `kwhost events` takes, in the order of its --help.
const std::vector<Setting> kEventsSettings = {
    Setting::kTypes,   Setting::kDuration, Setting::kZero,      Setting::kSkip,
    Setting::kTrigger, Setting::kScan,     Setting::kTr,        Setting::kKeepTriggers,
    Setting::kMap,     Setting::kUnmapped, Setting::kTrialType, Setting::kColumns,
    Setting::kForce};

class Events : public CommandRunner {
 public:
  explicit Events(CLI::App& command) : settings_(addInputs(command), kEventsSettings) {
    command
        .add_option("--bold", options_.boldPath,
                    "The run's BOLD image (.nii or .nii.gz) of a single log: time zero is its "
                    "first stored volume, checked against the triggers")
        ->type_name("FILE");
    command.add_option("-o", options_.output, "The events file of a single input")
        ->type_name("FILE");
    command.add_option("--out-dir", options_.outDir, "Write the files into DIR")->type_name("DIR");
    command
        .add_option("--bids-name", options_.bidsName,
                    "A single input's files as NAME_events.tsv and NAME_events.json")
        ->type_name(
            "sub-X[_ses-X]_task-X[_acq-X][_ce-X][_rec-X][_dir-X][_run-N][_echo-N][_part-P]");
  }

  void check() override {
    options_.settings = settings_.parse();
    options_.force = settings_.given(Setting::kForce);
    const RunSettings& settings = options_.settings;
    const bool single = options_.inputs.size() == 1;
    if (!options_.boldPath.empty() && !single)
      throw UsageError{"--bold takes a single log: its run's image"};
    const bool autoSkip = settings.skip && settings.skip->automatic;
    if (autoSkip && options_.boldPath.empty())
      throw UsageError{"--skip auto works out K from the image: give --bold FILE, or --skip K"};
    const bool zeroOnly = (settings.skip && (autoSkip || settings.skip->count != 0)) ||
                          settings.trigger || settings.scan || !options_.boldPath.empty();
    if (zeroOnly && settings.zero.kind != ZeroRule::Kind::kAuto)
      throw UsageError{"--skip, --trigger, --scan and --bold work with --zero auto only"};
    if (settings.unmapped == Unmapped::kDrop && settings.map.empty())
      throw UsageError{"--unmapped needs --map"};
    checkOutputs(single);
  }

  int run(const CommandContext& context) override {
    return runEvents(options_, settings_.words(), context.out, context.err);
  }

 private:
  CLI::App& addInputs(CLI::App& command) {
    command.add_option("INPUT", options_.inputs, "Stimulus logs or kwhost protocol files")
        ->required();
    return command;
  }

  // -o, --bids-name and --out-dir together with the number of inputs.
  void checkOutputs(bool single) const {
    if ((!options_.output.empty() || !options_.bidsName.empty()) && !single)
      throw UsageError{std::string(options_.output.empty() ? "--bids-name" : "-o") +
                       " names the files of a single input"};
    if (!options_.output.empty() && (!options_.bidsName.empty() || !options_.outDir.empty()))
      throw UsageError{"-o cannot be combined with --bids-name or --out-dir"};
    std::string problem;
    if (!options_.bidsName.empty() && !checkFunctionalRunName(options_.bidsName, problem))
      throw UsageError{"--bids-name: \"" + escapeLine(options_.bidsName) +
                       "\": " + escapeLine(problem)};
  }

  EventsOptions options_;
  SettingOptions settings_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineEvents(CLI::App& command) {
  return std::make_unique<Events>(command);
}

}  // namespace stimforge::kwhost
