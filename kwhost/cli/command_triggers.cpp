#include "kwhost/cli/command_triggers.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>

#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/triggers/report.h"
#include "logformat/log_numbers.h"

namespace stimforge::kwhost {
namespace {

// The longest TR taken, in tenths: a thousand seconds.
constexpr Tenths kMaxTr = 10000000;

bool parseCount(const std::string& text, int64_t minimum, int64_t& value) {
  const LogNumber number = readLogNumber(text);
  if (!number.isWhole() || number.whole < minimum || number.whole > 100000000)
    return false;
  value = number.whole;
  return true;
}

// A time in milliseconds with at most one decimal, as tenths.
bool parseTr(const std::string& text, Tenths& tenths) {
  const LogNumber number = readLogNumber(text);
  if (!number.present() || !(number.value > 0.0) || number.value * 10.0 > kMaxTr)
    return false;
  const double scaled = number.value * 10.0;
  tenths = static_cast<Tenths>(std::llround(scaled));
  return tenths > 0 && std::fabs(scaled - static_cast<double>(tenths)) < 1e-6;
}

// The trigger analysis of the report proper, told what the scan check found: its K as
// --skip, and the image's volumes as --volumes (unless typed) when the count means something.
TriggerOptions analysisWithScan(const TriggersOptions& options, const BoldRun& bold,
                                const ScanCheck& check) {
  TriggerOptions analysis = options.analysis;
  if (!check.dummies.k)
    return analysis;
  analysis.skip = *check.dummies.k;
  const bool onePulse = check.triggers.count == 1;
  if (analysis.volumes == 0 && !onePulse && check.scanCount == 1)
    analysis.volumes = bold.volumes;
  if (onePulse)
    analysis.skip = 0;  // K then moves time zero past the trigger, see the scan check
  return analysis;
}

// Reads one log and reports it. Returns 0, 1 or 2 as runTriggersCommand does for it.
int checkLog(const std::string& path, const TriggersOptions& options, const LogOpener& open,
             const std::optional<BoldRun>& bold, nlohmann::json& reports, std::ostream& out,
             std::ostream& err) {
  std::unique_ptr<LogSource> source = open(path);
  std::string problem;
  LogTriggers triggers;
  triggers.keepStimuli = bold.has_value();
  if (!source) {
    problem = "cannot be opened";
  } else if (readLogTriggers(*source, options.selection, triggers, problem) !=
             ReadTriggersResult::kRead) {
    source.reset();
  }
  if (!source) {
    err << "kwhost: " << escapeLine(path) << ": " << problem << "\n";
    reports.push_back(jsonError(path, problem));
    return kTriggerUnreadable;
  }
  std::optional<ScanCheck> check;
  TriggerOptions analysis = options.analysis;
  if (bold) {
    ScanCheckOptions scanOptions;
    scanOptions.tr = options.analysis.tr;
    if (options.skipGiven)
      scanOptions.skip = options.analysis.skip;
    scanOptions.scan = options.scan;
    scanOptions.volumes = options.analysis.volumes;
    check = checkLogAgainstScan(triggers.times, triggers.stimuli, scanOptions, bold);
    analysis = analysisWithScan(options, *bold, *check);
  }
  const TriggerFindings findings = analyzeTriggers(triggers.times, analysis);
  const Tenths end = findings.scans.empty() ? 0 : findings.scans.back().end;
  const StimulusOutside outside = triggers.outside(end);
  LogReport report{path, options.selection, triggers, findings, outside};
  if (bold) {
    report.bold = &*bold;
    report.scan = &*check;
  }
  if (options.json)
    reports.push_back(jsonReport(report));
  else
    out << textReport(report);
  return reportFindings(report).empty() ? kSuccess : kTriggerFindings;
}

}  // namespace

void defineTriggersOptions(CLI::App& command, TriggersArguments& arguments) {
  command.add_option("LOG", arguments.logs, "Presentation log files")->required();
  command
      .add_option("--trigger", arguments.trigger,
                  "The event type of the scanner's triggers, and optionally one code "
                  "(default Pulse, any code)")
      ->type_name("TYPE[:CODE]");
  command.add_option("--tr", arguments.tr, "The expected repetition time in milliseconds")
      ->type_name("MS");
  command.add_option("--volumes", arguments.volumes, "The volumes stored per scan")->type_name("N");
  command
      .add_option("--skip", arguments.skip,
                  "Volumes discarded, with triggers, before the image was stored (default 0; "
                  "with --bold, auto: worked out from the image)")
      ->type_name("K|auto");
  command
      .add_option("--bold", arguments.bold,
                  "The run's BOLD image (.nii or .nii.gz): check one LOG against it")
      ->type_name("FILE");
  command.add_option("--scan", arguments.scan, "With --bold: the scan of the log to check")
      ->type_name("N");
  command.add_flag("--json", arguments.json, "Print one JSON array, one object per log");
}

bool checkTriggersArguments(const TriggersArguments& arguments, TriggersOptions& options,
                            std::string& error) {
  TriggersOptions checked;
  checked.logs = arguments.logs;
  checked.json = arguments.json;
  if (!parseTriggerSelection(arguments.trigger, checked.selection)) {
    error = "--trigger: \"" + escapeLine(arguments.trigger) +
            "\" is not TYPE or TYPE:CODE (neither may be empty)";
    return false;
  }
  if (!arguments.tr.empty() && !parseTr(arguments.tr, checked.analysis.tr)) {
    error = "--tr: \"" + escapeLine(arguments.tr) +
            "\" is not a positive time in milliseconds with at most one decimal";
    return false;
  }
  if (!arguments.volumes.empty() && !parseCount(arguments.volumes, 1, checked.analysis.volumes)) {
    error = "--volumes: \"" + escapeLine(arguments.volumes) + "\" is not a positive whole number";
    return false;
  }
  checked.bold = arguments.bold;
  if (!checked.bold.empty() && checked.logs.size() != 1) {
    error = "--bold checks one LOG against its image; " + std::to_string(checked.logs.size()) +
            " were given";
    return false;
  }
  const bool autoSkip = arguments.skip == "auto";
  if (autoSkip && checked.bold.empty()) {
    error = "--skip auto works out K from the image: it needs --bold";
    return false;
  }
  if (!arguments.skip.empty() && !autoSkip &&
      !parseCount(arguments.skip, 0, checked.analysis.skip)) {
    error = "--skip: \"" + escapeLine(arguments.skip) +
            "\" is not zero, a positive whole number or auto";
    return false;
  }
  checked.skipGiven = !arguments.skip.empty() && !autoSkip;
  if (!arguments.scan.empty()) {
    int64_t scan = 0;
    if (checked.bold.empty() || !parseCount(arguments.scan, 1, scan)) {
      error = "--scan: \"" + escapeLine(arguments.scan) +
              "\" must be a positive whole number, and works with --bold only";
      return false;
    }
    checked.scan = static_cast<size_t>(scan);
  }
  options = std::move(checked);
  return true;
}

int runTriggersCommand(const TriggersOptions& options, const LogOpener& open, std::ostream& out,
                       std::ostream& err) {
  nlohmann::json reports = nlohmann::json::array();
  std::optional<BoldRun> bold;
  if (!options.bold.empty()) {
    BoldRun run;
    std::string message;
    // With --tr the check has a TR of its own: an image without one is no refusal then.
    if (!readBoldRun(std::filesystem::u8path(options.bold), options.analysis.tr > 0, run,
                     message)) {
      err << "kwhost: " << escapeLine(message) << "\n";
      return kTriggerUnreadable;
    }
    bold = std::move(run);
  }
  int status = kSuccess;
  for (size_t i = 0; i < options.logs.size(); ++i) {
    if (i > 0 && !options.json)
      out << "\n";
    status = std::max(status, checkLog(options.logs[i], options, open, bold, reports, out, err));
  }
  if (options.json)
    out << reports.dump(2) << "\n";
  return status;
}

namespace {

class Triggers : public CommandRunner {
 public:
  explicit Triggers(CLI::App& command) { defineTriggersOptions(command, arguments_); }

  void check() override {
    std::string error;
    if (!checkTriggersArguments(arguments_, options_, error))
      throw UsageError{error};
  }

  int run(const CommandContext& context) override {
    return runTriggersCommand(options_, openLogFile, context.out, context.err);
  }

 private:
  TriggersArguments arguments_;
  TriggersOptions options_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineTriggers(CLI::App& command) {
  return std::make_unique<Triggers>(command);
}

}  // namespace stimforge::kwhost
