// kwhost events INPUT...: BIDS events files from Presentation logs or protocol files.
#include "kwhost/cli/command_events.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>

#include "kwhost/bids/bids_entities.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/events/files.h"
#include "kwhost/events/from_protocol.h"
#include "kwhost/events/table.h"
#include "kwhost/protocol/file.h"
#include "kwhost/protocol/file_io.h"
#include "logformat/log_header.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

// A time in milliseconds with at most one decimal, as tenths.
bool parseTenths(const std::string& text, int64_t& tenths) {
  size_t i = 0;
  const bool negative = !text.empty() && (text[0] == '-' || text[0] == '+') && text[i++] == '-';
  int64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    value = value * 10 + (text[i] - '0');
    if (value > kMaxLogTime / 10)
      return false;
  }
  value *= 10;
  if (i < text.size() && text[i] == '.' && i + 2 == text.size() && text[i + 1] >= '0' &&
      text[i + 1] <= '9') {
    value += text[i + 1] - '0';
    i += 2;
  }
  if (digits == 0 || i != text.size())
    return false;
  tenths = negative ? -value : value;
  return true;
}

bool wholeAtLeast(const std::string& text, int32_t least, const char* what, int64_t& value,
                  std::string& error) {
  int32_t parsed = 0;
  if (!parseInt32(text, parsed) || parsed < least) {
    error = std::string(what) + ": \"" + escapeLine(text) +
            "\" is not a whole number of at least " + std::to_string(least);
    return false;
  }
  value = parsed;
  return true;
}

struct Job {
  std::string input;
  std::string tsv;
  std::string json;
};

std::string sidecarPathOf(const std::string& tsv) {
  const std::string suffix = ".tsv";
  if (tsv.size() >= suffix.size() &&
      tsv.compare(tsv.size() - suffix.size(), suffix.size(), suffix) == 0)
    return tsv.substr(0, tsv.size() - suffix.size()) + ".json";
  return tsv + ".json";
}

Job jobFor(const std::string& input, const EventsOptions& options) {
  Job job;
  job.input = input;
  const fs::path folder =
      options.outDir.empty() ? fs::path(input).parent_path() : fs::path(options.outDir);
  if (!options.output.empty()) {
    job.tsv = options.output;
    job.json = sidecarPathOf(job.tsv);
    return job;
  }
  const std::string stem =
      options.bidsName.empty() ? fs::path(input).stem().string() : options.bidsName;
  job.tsv = (folder / (stem + "_events.tsv")).string();
  job.json = (folder / (stem + "_events.json")).string();
  return job;
}

std::string normalPath(const std::string& path) {
  std::error_code ignored;
  return fs::absolute(fs::path(path), ignored).lexically_normal().string();
}

// The first bytes of a file (at most `count`); "" when it cannot be read.
std::string fileStart(const std::string& path, size_t count) {
  std::string text(count, '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return std::string();
  text.resize(std::fread(&text[0], 1, count, file));
  std::fclose(file);
  return text;
}

bool isProtocolFile(const std::string& path) {
  // The magic line, its CR and LF.
  return isProtocolFileStart(fileStart(path, std::string_view(kProtocolFileMagic).size() + 2));
}

void warnAll(const std::set<std::string>& warnings, std::ostream& err) {
  for (const std::string& warning : warnings)
    err << "kwhost: warning: " << escapeLine(warning) << '\n';
}

// The table and sidecar facts of one input. Returns 0 or the exit status, reported.
int readInput(const std::string& input, const EventsOptions& options, EventMap* map,
              const BoldRun* bold, EventsTable& table, SidecarFacts& facts, std::ostream& err) {
  std::string error;
  if (!checkReadable(input, error)) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return kFailure;
  }
  std::set<std::string> warnings;
  if (isProtocolFile(input)) {
    const TimeZero& zero = options.log.zero;
    if (zero.kind != TimeZero::Kind::kScenario && zero.kind != TimeZero::Kind::kTime) {
      err << "kwhost: " << escapeLine(input)
          << " is a protocol, which counts from the scenario's start: give --zero MS or "
             "--zero scenario\n";
      return kUsageError;
    }
    Protocol protocol;
    if (!readProtocolFile(input, protocol, error)) {
      err << "kwhost: " << escapeLine(error) << '\n';
      return kFailure;
    }
    if (!options.log.columns.empty() || bold != nullptr) {
      err << "kwhost: " << escapeLine(input) << " is a protocol: "
          << (bold != nullptr ? "--bold" : "--columns") << " takes a log's\n";
      return kUsageError;
    }
    ProtocolZero protocolZero;
    protocolZero.tenths = zero.kind == TimeZero::Kind::kTime ? zero.tenths : 0;
    protocolZero.trTenths = options.log.tr;
    if (!eventsFromProtocol(protocol, protocolZero, table, facts.levels, warnings, error)) {
      err << "kwhost: " << escapeLine(input) << ": " << escapeLine(error) << '\n';
      return kUsageError;
    }
    const bool volumes = protocol.timeResolution == kTimeResolutionVolumes;
    facts.logColumns = false;
    facts.fromPresentation = false;
    facts.source = fs::path(input).filename().string();
    facts.zero = zero.kind == TimeZero::Kind::kScenario
                     ? "the scenario's start (0 in the protocol)"
                     : "a time given by the user, " + formatMs(protocolZero.tenths) +
                           " ms from the protocol's origin";
    if (volumes)
      facts.zero +=
          "; volume v starts at (v - 1) x TR, TR " + formatMs(options.log.tr) + " ms";
  } else {
    std::unique_ptr<LogSource> source = openLogFile(input);
    if (source == nullptr) {
      err << "kwhost: cannot read " << escapeLine(input) << '\n';
      return kFailure;
    }
    LogEventsOptions logOptions = options.log;
    logOptions.map = map;
    logOptions.bold = bold;
    std::error_code sizeUnknown;
    const std::uintmax_t bytes = fs::file_size(fs::path(input), sizeUnknown);
    logOptions.logBytes = sizeUnknown ? 0 : static_cast<uint64_t>(bytes);
    LogEvents events;
    const int status = eventsFromLog(*source, input, logOptions, events, error);
    events.facts.source = fs::path(input).filename().string();
    if (status != kSuccess) {
      err << "kwhost: " << escapeLine(error) << '\n';
      return status;
    }
    if (!events.triggerRowsNote.empty())
      err << "kwhost: " << escapeLine(events.triggerRowsNote) << '\n';
    warnings = std::move(events.warnings);
    if (!events.triggerFindings.empty())
      warnings.insert(events.triggerFindings);
    table = std::move(events.table);
    facts = std::move(events.facts);
  }
  warnAll(warnings, err);
  return kSuccess;
}

}  // namespace

void defineEventsArguments(CLI::App& command, EventsArguments& a) {
  command.add_option("INPUT", a.inputs, "Presentation logs or kwhost protocol files")->required();
  command.add_flag("--pictures-only", a.picturesOnly, "Only Picture events (as the import)");
  command.add_option("--types", a.types, "The event types to write, e.g. Picture,Nothing,Manual")
      ->type_name("T1,T2,...");
  command
      .add_option("--duration", a.duration,
                  "column (the Duration column, n/a where none; default) or next (the "
                  "time to the next row)")
      ->type_name("MODE")
      ->check(CLI::IsMember({"column", "next"}));
  command
      .add_option("--zero", a.zero,
                  "Time zero: auto (the trigger of the first stored volume; default), "
                  "scenario, MS (milliseconds, on protocols in volumes too), or code:NAME")
      ->type_name("ZERO");
  command
      .add_option("--skip", a.skip,
                  "auto: the triggers without a stored volume (default 0; with --bold, auto: "
                  "worked out from the image)")
      ->type_name("K|auto");
  command
      .add_option("--bold", a.bold,
                  "The run's BOLD image (.nii or .nii.gz) of a single log: time zero is its "
                  "first stored volume, checked against the triggers")
      ->type_name("FILE");
  command.add_option("--trigger", a.trigger, "The triggers' event type and code (default Pulse)")
      ->type_name("TYPE[:CODE]");
  command.add_option("--scan", a.scan, "auto: the scan to write when the log holds several")
      ->type_name("N");
  command.add_option("--tr", a.tr, "The repetition time in milliseconds")->type_name("MS");
  command.add_flag("--keep-triggers", a.keepTriggers,
                   "Write the rows of the --trigger events that the types select too (left "
                   "out by default: they mark the scan's time)");
  command
      .add_option("--map", a.map,
                  "A TSV of pattern<TAB>trial_type lines; a third field, an event type, limits "
                  "a line to events of that type")
      ->type_name("FILE");
  command.add_option("--unmapped", a.unmapped, "Codes no map line matches: keep (default) or drop")
      ->type_name("RULE")
      ->check(CLI::IsMember({"keep", "drop"}));
  command.add_option("-o", a.output, "The events file of a single input")->type_name("FILE");
  command.add_option("--out-dir", a.outDir, "Write the files into DIR")->type_name("DIR");
  command
      .add_option("--bids-name", a.bidsName,
                  "A single input's files as NAME_events.tsv and NAME_events.json")
      ->type_name("sub-X[_ses-X]_task-X[_acq-X][_ce-X][_rec-X][_dir-X][_run-N][_echo-N][_part-P]");
  command
      .add_option("--columns", a.columns,
                  "Logs: also write these columns of the log's table: stim_type, pair_index, "
                  "ttime, time_uncertainty, duration_uncertainty, req_time, req_dur")
      ->type_name("C1,C2,...");
  command.add_flag("--force", a.force, "Replace files kwhost did not write");
}

namespace {

// --pictures-only and --types into `log.types`.
bool checkTypes(const EventsArguments& a, LogEventsOptions& log, std::string& error) {
  if (a.picturesOnly && !a.types.empty()) {
    error = "--pictures-only and --types cannot be combined";
    return false;
  }
  if (a.picturesOnly)
    log.types = {"Picture"};
  if (!a.types.empty()) {
    log.types.clear();
    for (size_t start = 0; start <= a.types.size();) {
      size_t end = a.types.find(',', start);
      if (end == std::string::npos)
        end = a.types.size();
      if (end == start) {
        error = "--types: \"" + escapeLine(a.types) + "\" holds an empty type";
        return false;
      }
      log.types.push_back(a.types.substr(start, end - start));
      start = end + 1;
    }
  }
  return true;
}

// --zero into `zero`.
bool checkZero(const std::string& text, TimeZero& zero, std::string& error) {
  if (text == "auto") {
    zero.kind = TimeZero::Kind::kAuto;
  } else if (text == "scenario") {
    zero.kind = TimeZero::Kind::kScenario;
  } else if (text.rfind("code:", 0) == 0 && text.size() > 5) {
    zero.kind = TimeZero::Kind::kCode;
    zero.code = text.substr(5);
  } else if (parseTenths(text, zero.tenths)) {
    zero.kind = TimeZero::Kind::kTime;
  } else {
    error = "--zero: \"" + escapeLine(text) +
            "\" is none of auto, scenario, a time in ms (at most one decimal) or code:NAME";
    return false;
  }
  return true;
}

// -o, --bids-name and --out-dir together with the number of inputs.
bool checkOutputs(const EventsArguments& a, std::string& error) {
  if ((!a.output.empty() || !a.bidsName.empty()) && a.inputs.size() != 1) {
    error =
        std::string(a.output.empty() ? "--bids-name" : "-o") + " names the files of a single input";
    return false;
  }
  if (!a.output.empty() && (!a.bidsName.empty() || !a.outDir.empty())) {
    error = "-o cannot be combined with --bids-name or --out-dir";
    return false;
  }
  std::string problem;
  if (!a.bidsName.empty() && !checkFunctionalRunName(a.bidsName, problem)) {
    error = "--bids-name: \"" + escapeLine(a.bidsName) + "\": " + escapeLine(problem);
    return false;
  }
  return true;
}

// --columns into `columns`: known names, each once.
bool checkColumns(const std::string& text, std::vector<TableColumn>& columns, std::string& error) {
  for (size_t start = 0; !text.empty() && start <= text.size();) {
    size_t end = text.find(',', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string name = text.substr(start, end - start);
    TableColumn column = TableColumn::kStimType;
    if (!tableColumnNamed(name, column)) {
      error = "--columns: \"" + escapeLine(name) + "\" is none of " + tableColumnNames();
      return false;
    }
    if (std::find(columns.begin(), columns.end(), column) != columns.end()) {
      error = "--columns: \"" + escapeLine(name) + "\" is named twice";
      return false;
    }
    columns.push_back(column);
    start = end + 1;
  }
  return true;
}

// --skip K, or auto with --bold (its default there), and --bold for a single input.
bool checkSkip(const EventsArguments& a, EventsOptions& options, std::string& error) {
  options.boldPath = a.bold;
  if (!a.bold.empty() && a.inputs.size() != 1) {
    error = "--bold takes a single log: its run's image";
    return false;
  }
  options.log.skipGiven = !a.skip.empty() && a.skip != "auto";
  if (a.skip == "auto" && a.bold.empty()) {
    error = "--skip auto works out K from the image: give --bold FILE, or --skip K";
    return false;
  }
  return !options.log.skipGiven || wholeAtLeast(a.skip, 0, "--skip", options.log.skip, error);
}

}  // namespace

bool checkEventsArguments(const EventsArguments& a, EventsOptions& options, std::string& error) {
  options = EventsOptions();
  options.inputs = a.inputs;
  LogEventsOptions& log = options.log;
  if (!checkTypes(a, log, error))
    return false;
  log.duration = a.duration == "next" ? EventDuration::kNext : EventDuration::kColumn;
  options.zeroGiven = a.zero != "auto";
  if (!checkZero(a.zero, log.zero, error))
    return false;
  if (!checkSkip(a, options, error))
    return false;
  if (!parseTriggerSelection(a.trigger, log.trigger)) {
    error = "--trigger: \"" + escapeLine(a.trigger) + "\" is not TYPE or TYPE:CODE";
    return false;
  }
  if (!a.scan.empty()) {
    int64_t scan = 0;
    if (!wholeAtLeast(a.scan, 1, "--scan", scan, error))
      return false;
    log.scan = static_cast<size_t>(scan);
    options.scanGiven = true;
  }
  const bool autoOnly = (!a.skip.empty() && a.skip != "0") || a.trigger != "Pulse" ||
                        options.scanGiven || !a.bold.empty();
  if (autoOnly && log.zero.kind != TimeZero::Kind::kAuto) {
    error = "--skip, --trigger, --scan and --bold work with --zero auto only";
    return false;
  }
  if (!a.tr.empty() && (!parseTenths(a.tr, log.tr) || log.tr <= 0 || log.tr > INT32_MAX)) {
    error = "--tr: \"" + escapeLine(a.tr) + "\" is not a positive time in ms (at most one decimal)";
    return false;
  }
  log.keepTriggers = a.keepTriggers;
  if (!checkColumns(a.columns, log.columns, error))
    return false;
  options.mapPath = a.map;
  log.unmapped = a.unmapped == "drop" ? Unmapped::kDrop : Unmapped::kKeep;
  if (a.unmapped != "keep" && a.map.empty()) {
    error = "--unmapped needs --map";
    return false;
  }
  if (!checkOutputs(a, error))
    return false;
  options.output = a.output;
  options.outDir = a.outDir;
  options.bidsName = a.bidsName;
  options.force = a.force;
  return true;
}

namespace {

// The job of each input, refused (kUsageError, nothing written) when two would write the
// same file.
int planJobs(const EventsOptions& options, std::vector<Job>& jobs, std::ostream& err) {
  std::map<std::string, std::string> writers;  // normal path -> the input writing it
  for (const std::string& input : options.inputs) {
    jobs.push_back(jobFor(input, options));
    for (const std::string& path : {jobs.back().tsv, jobs.back().json}) {
      const auto [place, added] = writers.emplace(normalPath(path), input);
      if (!added) {
        err << "kwhost: " << escapeLine(place->second) << " and " << escapeLine(input)
            << " would both write " << escapeLine(path) << ": nothing written\n";
        return kUsageError;
      }
    }
  }
  return kSuccess;
}

// Whether every input has the --columns columns, before anything is written: kSuccess, or
// kUsageError reported on `err`. An input that cannot be read is left to its own turn.
int checkColumnsOfInputs(const EventsOptions& options, std::ostream& err) {
  if (options.log.columns.empty())
    return kSuccess;
  for (const std::string& input : options.inputs) {
    std::string error;
    if (!checkReadable(input, error))
      continue;
    if (isProtocolFile(input)) {
      err << "kwhost: " << escapeLine(input)
          << " is a protocol: --columns takes a log's columns; nothing written\n";
      return kUsageError;
    }
    std::unique_ptr<LogSource> source = openLogFile(input);
    LogHeader header;
    if (source == nullptr || !readLogHeader(*source, header))
      continue;
    if (!checkTableColumns(header, options.log.columns, error)) {
      err << "kwhost: " << escapeLine(input) << ": " << escapeLine(error) << "; nothing written\n";
      return kUsageError;
    }
  }
  return kSuccess;
}

// Saves one input's table and sidecar. Returns kSuccess or kFailure, reported on `err`.
int writeJob(const Job& job, const EventsTable& table, const SidecarFacts& facts,
             const EventsOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  if (!options.force && !mayReplaceEventsFiles(job.tsv, job.json, error)) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return kFailure;
  }
  std::set<std::string> warnings;
  addEventsTsvWarnings(table, warnings);
  const std::string json = formatEventsSidecar(facts);
  warnAll(warnings, err);
  // Both targets were judged above, before either is written: the sidecar's ownership
  // needs its whole text, not its first line.
  ReplacePolicy policy;
  policy.force = true;
  policy.what = "events file";
  // The table's text goes to the temporary file a piece at a time (it can be tens of
  // megabytes); the sidecar is small. What the formatting throws (std::bad_alloc) ends the
  // save, which then removes its temporary file, and is thrown on from here.
  std::exception_ptr thrown;
  const auto tsv = [&table, &thrown](const PieceWriter& write) {
    try {
      return writeEventsTsv(table, write);
    } catch (...) {
      thrown = std::current_exception();
      return false;
    }
  };
  const auto sidecar = [&json](const PieceWriter& write) { return write(json); };
  // Both or neither: a table beside a sidecar of another run would be described wrongly.
  const bool saved = saveFilesTogether({{job.tsv, tsv}, {job.json, sidecar}}, policy, error);
  if (thrown)
    std::rethrow_exception(thrown);
  if (!saved) {
    err << "kwhost: " << escapeLine(error) << '\n';
    return kFailure;
  }
  out << "kwhost: wrote " << escapeLine(job.tsv) << " (" << table.rows.size() << " events) and "
      << escapeLine(job.json) << '\n';
  return kSuccess;
}

}  // namespace

int runEvents(const EventsOptions& options, std::ostream& out, std::ostream& err) {
  EventMap map;
  if (!options.mapPath.empty()) {
    std::string text;
    std::string error;
    if (!readWholeFile(options.mapPath, text, error) || !map.parse(text, options.mapPath, error)) {
      err << "kwhost: --map: " << escapeLine(error) << '\n';
      return kUsageError;
    }
  }
  std::error_code ignored;
  if (!options.outDir.empty() && !fs::is_directory(fs::path(options.outDir), ignored)) {
    err << "kwhost: --out-dir: " << escapeLine(options.outDir) << " is not a folder\n";
    return kFailure;
  }
  std::optional<BoldRun> bold;
  if (!options.boldPath.empty()) {
    bold.emplace();
    std::string error;
    if (!readBoldRun(fs::u8path(options.boldPath), options.log.tr > 0, *bold, error)) {
      err << "kwhost: --bold: " << escapeLine(error) << '\n';
      return kFailure;
    }
  }
  std::vector<Job> jobs;
  int planned = planJobs(options, jobs, err);
  if (planned == kSuccess)
    planned = checkColumnsOfInputs(options, err);
  if (planned != kSuccess)
    return planned;
  int status = kSuccess;
  for (const Job& job : jobs) {
    EventsTable table;
    SidecarFacts facts;
    const int read = readInput(job.input, options,
                               map.lines().empty() && options.mapPath.empty() ? nullptr : &map,
                               bold ? &*bold : nullptr, table, facts, err);
    if (read != kSuccess) {
      status = std::max(status, read);
      continue;
    }
    if (table.rows.empty()) {
      err << "kwhost: no selected events in " << escapeLine(job.input) << ": nothing written\n";
      status = std::max(status, kFailure);
      continue;
    }
    status = std::max(status, writeJob(job, table, facts, options, out, err));
  }
  return status;
}

namespace {

class Events : public CommandRunner {
 public:
  explicit Events(CLI::App& command) { defineEventsArguments(command, arguments_); }

  void check() override {
    std::string error;
    if (!checkEventsArguments(arguments_, options_, error))
      throw UsageError{error};
  }

  int run(const CommandContext& context) override {
    return runEvents(options_, context.out, context.err);
  }

 private:
  EventsArguments arguments_;
  EventsOptions options_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineEvents(CLI::App& command) {
  return std::make_unique<Events>(command);
}

}  // namespace stimforge::kwhost
