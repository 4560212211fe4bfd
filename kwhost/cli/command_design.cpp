// kwhost design INPUT: whether a run's model can be estimated from its scan, from its events
// file. The options are read here; the work is kwhost/design's.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <ostream>

#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_plot.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/design/design_check.h"
#include "kwhost/design/design_report.h"
#include "kwhost/design/design_svg.h"
#include "kwhost/events/events_file.h"
#include "kwhost/scan/bold_run.h"
#include "logformat/log_numbers.h"

namespace stimforge::kwhost {
namespace {

// The options as typed, before they are checked.
struct DesignArguments {
  std::string input;
  std::string bold;
  std::string tr;
  std::string volumes;
  std::string conditions;
  std::vector<std::string> contrasts;
  std::string highPass;
  std::string maxVif;
  std::string maxCorrelation;
  std::string minEvents;
  bool json = false;
  std::string output;
  bool force = false;
};

// The settings' parsers, one per kind of value, each a UsageError naming the option.
double numberWithin(const std::string& text, const std::string& option, double low, double high,
                    const char* what) {
  const LogNumber number = readLogNumber(text);
  if (!number.present() || !(number.value >= low) || !(number.value <= high))
    throw UsageError{option + ": \"" + escapeLine(text) + "\" is not " + what};
  return number.value;
}

int64_t countWithin(const std::string& text, const std::string& option, int64_t low, int64_t high,
                    const char* what) {
  const LogNumber number = readLogNumber(text);
  if (!number.isWhole() || number.whole < low || number.whole > high)
    throw UsageError{option + ": \"" + escapeLine(text) + "\" is not " + what};
  return number.whole;
}

double trSeconds(const std::string& text) {
  const double ms = numberWithin(text, "--tr", 0, 1e6, "a time in milliseconds above 0");
  if (!(ms > 0))
    throw UsageError{"--tr: \"" + escapeLine(text) + "\" is not a time in milliseconds above 0"};
  return ms / 1000.0;
}

std::vector<std::string> conditionList(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    names.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (names.back().empty())
      throw UsageError{"--conditions: \"" + escapeLine(text) + "\" names an empty condition"};
    if (comma == std::string::npos)
      return names;
    start = comma + 1;
  }
}

// The checked options, with the events' and the image's parts still to come.
struct DesignOptions {
  DesignArguments words;
  DesignSettings settings;
};

DesignOptions checkArguments(const DesignArguments& words) {
  DesignOptions options{words, DesignSettings()};
  DesignSettings& s = options.settings;
  if (!words.bold.empty() && (!words.tr.empty() || !words.volumes.empty()))
    throw UsageError{"--bold gives the volumes and the TR: --tr and --volumes go without it"};
  if (words.bold.empty() && (words.tr.empty() || words.volumes.empty()))
    throw UsageError{"the scan is needed: give --bold FILE, or --tr MS and --volumes N"};
  if (!words.tr.empty())
    s.trSeconds = trSeconds(words.tr);
  if (!words.volumes.empty())
    s.volumes = countWithin(words.volumes, "--volumes", 1, 10000000, "a positive whole number");
  if (!words.conditions.empty())
    s.conditions = conditionList(words.conditions);
  if (!words.highPass.empty())
    s.highPassSeconds = numberWithin(words.highPass, "--high-pass", 0, 1e9, "0 or more seconds");
  if (!words.maxVif.empty())
    s.maxVif = numberWithin(words.maxVif, "--max-vif", 1, 1e300, "a number of 1 or more");
  if (!words.maxCorrelation.empty()) {
    s.maxCorrelation =
        numberWithin(words.maxCorrelation, "--max-correlation", 0, 1, "a number from 0 to 1");
  }
  if (!words.minEvents.empty()) {
    s.minEvents =
        countWithin(words.minEvents, "--min-events", 0, 1000000000, "0 or a positive whole number");
  }
  if (words.force && words.output.empty())
    throw UsageError{"--force goes with -o FILE.svg"};
  return options;
}

int refuse(std::ostream& err, const std::string& message, bool usage) {
  err << "kwhost: design: " << escapeLine(message) << '\n';
  if (usage)
    err << "Run with --help for more information.\n";
  return kDesignUnusable;
}

// The events file's rows as the check takes them: by default the stimulus events (rows whose
// event_type is Response are the participant's, and those of trial_type n/a have no
// condition); with --conditions every row, the names choosing. A file without trial_type is
// one condition, "events".
std::vector<DesignEvent> designEvents(const EventsFile& file, bool chosen) {
  std::vector<DesignEvent> events;
  for (const EventsFileRow& row : file.rows) {
    if (!chosen && (row.eventType == "Response" || row.trialType == "n/a"))
      continue;
    events.push_back({row.onset, row.duration, file.hasTrialType ? row.trialType : "events"});
  }
  return events;
}

// Reads INPUT's events. Returns 0, or the exit status after a message on `err`.
int readEvents(const DesignOptions& options, std::vector<DesignEvent>& events, std::ostream& err) {
  const std::string& input = options.words.input;
  std::string text;
  std::string error;
  if (!readWholeFile(input, text, error))
    return refuse(err, error, false);
  switch (plotInputKind(std::string_view(text).substr(0, 256))) {
    case PlotInput::kLog:
      return refuse(err,
                    input +
                        " is a Presentation log: write its events file with `kwhost events` "
                        "first (with the run's --bold), then check that file",
                    false);
    case PlotInput::kProtocol:
      return refuse(err, input + " is a protocol file, not an events file", false);
    default:
      break;
  }
  EventsFile file;
  if (!parseEventsFile(text, std::filesystem::path(input).filename().string(), file, error))
    return refuse(err, error, false);
  events = designEvents(file, !options.settings.conditions.empty());
  return 0;
}

// The volumes and the TR from --bold. Returns 0, or the exit status after a message.
int readScan(DesignOptions& options, std::ostream& err) {
  if (options.words.bold.empty())
    return 0;
  BoldRun bold;
  std::string error;
  if (!readBoldRun(std::filesystem::u8path(options.words.bold), false, bold, error))
    return refuse(err, "--bold: " + error, false);
  options.settings.volumes = bold.volumes;
  options.settings.trSeconds = *bold.trMs / 1000.0;
  return 0;
}

// Saves the picture to -o. Returns 0, or the exit status after a message.
int savePicture(const DesignOptions& options, const DesignCheck& check, std::ostream& err) {
  const std::string& path = options.words.output;
  const std::string svg = renderDesignSvg(
      check, "kwhost design: " + std::filesystem::path(options.words.input).filename().string());
  ReplacePolicy policy;
  policy.isOwn = [](const std::string& firstLine) { return isDesignSvg(firstLine); };
  policy.force = options.words.force;
  policy.what = "picture";
  std::string error;
  if (!saveFileSafely(
          path, [&svg](const PieceWriter& write) { return write(svg); }, policy, error)) {
    return refuse(err, error, false);
  }
  err << "kwhost: saved " << escapeLine(path) << ": the design check of " << check.conditions.size()
      << (check.conditions.size() == 1 ? " condition, " : " conditions, ") << svg.size()
      << " bytes\n";
  return 0;
}

int runDesign(DesignOptions options, std::ostream& out, std::ostream& err) {
  std::vector<DesignEvent> events;
  int status = readEvents(options, events, err);
  if (status == 0)
    status = readScan(options, err);
  if (status != 0)
    return status;
  const std::vector<std::string> names = designConditionNames(events, options.settings.conditions);
  for (const std::string& text : options.words.contrasts) {
    DesignContrast contrast;
    std::string error;
    if (!parseDesignContrast(text, names, contrast, error))
      return refuse(err, "--contrast: " + error, true);
    options.settings.contrasts.push_back(contrast);
  }
  DesignCheck check;
  std::string message;
  switch (checkDesign(events, options.settings, check, message)) {
    case DesignRefusal::kNone:
      break;
    case DesignRefusal::kConditions:
      return refuse(err, "--conditions: " + message, true);
    case DesignRefusal::kContrasts:
      return refuse(err, "--contrast: " + message, true);
    case DesignRefusal::kSize:
      return refuse(err, message + " (a longer --high-pass gives fewer cosines)", true);
    case DesignRefusal::kEvents:
      return refuse(err,
                    options.words.input +
                        " has no stimulus events (responses and rows of trial_type n/a are "
                        "left out; --conditions names conditions): nothing to model",
                    false);
  }
  const DesignSource source{options.words.input, options.words.bold};
  if (options.words.json)
    out << jsonDesignReport(check, source)
               .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
        << '\n';
  else
    out << textDesignReport(check, source);
  if (!options.words.output.empty() && savePicture(options, check, err) != 0)
    return kDesignUnusable;
  return check.hasFindings() ? kDesignFindings : kSuccess;
}

class Design : public CommandRunner {
 public:
  explicit Design(CLI::App& command) {
    DesignArguments& a = arguments_;
    command.add_option("INPUT", a.input, "The run's events file (*_events.tsv)")->required();
    command.add_option("--bold", a.bold, "The run's BOLD image: its volumes and TR")
        ->type_name("FILE");
    command.add_option("--tr", a.tr, "The repetition time in milliseconds (without --bold)")
        ->type_name("MS");
    command.add_option("--volumes", a.volumes, "The volumes stored (without --bold)")
        ->type_name("N");
    command
        .add_option("--conditions", a.conditions,
                    "The conditions modelled, by trial_type (default: every trial_type of the "
                    "stimulus events, not responses)")
        ->type_name("A,B,...");
    command
        .add_option("--contrast", a.contrasts,
                    "A contrast of two conditions whose efficiency is reported (repeatable)")
        ->type_name("NAME=A-B")
        ->allow_extra_args(false);
    command
        .add_option("--high-pass", a.highPass,
                    "The cutoff of the cosine high-pass set in seconds (default 128; 0: none)")
        ->type_name("S");
    command.add_option("--max-vif", a.maxVif, "A VIF above it is a finding (default 5)")
        ->type_name("V");
    command
        .add_option("--max-correlation", a.maxCorrelation,
                    "A correlation above it in absolute value is a finding (default 0.8)")
        ->type_name("R");
    command
        .add_option("--min-events", a.minEvents,
                    "Fewer events of a condition in the stored scan is a finding (default 5)")
        ->type_name("N");
    command.add_flag("--json", a.json, "Print the figures as JSON, at full precision");
    command.add_option("-o", a.output, "Also draw the design in this SVG file")
        ->type_name("FILE.svg");
    command.add_flag("--force", a.force, "Replace an existing file that kwhost did not write");
  }

  void check() override { options_ = checkArguments(arguments_); }

  int run(const CommandContext& context) override {
    return runDesign(options_, context.out, context.err);
  }

 private:
  DesignArguments arguments_;
  DesignOptions options_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineDesign(CLI::App& command) {
  return std::make_unique<Design>(command);
}

}  // namespace stimforge::kwhost
