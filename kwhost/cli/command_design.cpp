// kwhost design INPUT: whether a run's model can be estimated from its scan, from its events
// file or from a stimulus log read as `kwhost events` reads it. The options are read here;
// the work is kwhost/design's and the run pipeline's.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>

#include "kwhost/cli/command_events.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/cli/exit_status.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/design/design_report.h"
#include "kwhost/design/design_runs.h"
#include "kwhost/design/design_svg.h"
#include "kwhost/events/events_file.h"
#include "kwhost/protocol/file.h"
#include "kwhost/runs/run_pipeline.h"
#include "kwhost/scan/bold_run.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

// The design-only options as typed, before they are checked.
struct DesignArguments {
  std::string conditions;
  std::vector<std::string> contrasts;
  std::string highPass;
  std::string maxVif;
  std::string maxCorrelation;
  std::string minEvents;
};

// The checked options.
struct DesignOptions {
  std::string input;
  std::string bold;
  RunSettings run;
  std::vector<std::string> logOptions;  // the options given that only a log takes
  DesignChoices choices;
  bool json = false;
  std::string output;
  bool force = false;
  const SettingWords* words = nullptr;
};

// The settings a log's events are read with, as `kwhost events` takes them (its trial_type
// template among them): no further columns (a design has none) and no trigger rows (they
// mark the scan, they are no condition); the TR and the volumes for a run without its image;
// --force for the picture.
const std::vector<Setting> kDesignSettings = {
    Setting::kTypes,    Setting::kDuration,  Setting::kZero,    Setting::kSkip,
    Setting::kTrigger,  Setting::kScan,      Setting::kTr,      Setting::kVolumes,
    Setting::kMap,      Setting::kUnmapped,  Setting::kTrialType, Setting::kForce};

// One design option through its parser, or a UsageError naming it.
template <typename Value>
void parseChoice(const std::string& text, const char* option,
                 bool (*parse)(std::string_view, Value&, std::string&), std::optional<Value>& to) {
  if (text.empty())
    return;
  Value value{};
  std::string problem;
  if (!parse(text, value, problem))
    throw UsageError{std::string(option) + ": " + problem};
  to = value;
}

DesignChoices checkChoices(const DesignArguments& a) {
  DesignChoices choices;
  std::string problem;
  if (!a.conditions.empty() &&
      !parseList(a.conditions, parseCondition, choices.conditions, problem))
    throw UsageError{"--conditions: " + problem};
  for (const std::string& text : a.contrasts) {
    if (!parseContrastText(text, choices.contrasts, problem))
      throw UsageError{"--contrast: " + problem};
    choices.contrasts.push_back(text);
  }
  parseChoice(a.highPass, "--high-pass", parseHighPass, choices.highPassSeconds);
  parseChoice(a.maxVif, "--max-vif", parseMaxVif, choices.maxVif);
  parseChoice(a.maxCorrelation, "--max-correlation", parseMaxCorrelation, choices.maxCorrelation);
  parseChoice(a.minEvents, "--min-events", parseMinEvents, choices.minEvents);
  return choices;
}

int refuse(std::ostream& err, const std::string& message, bool usage) {
  err << "kwhost: design: " << escapeLine(message) << '\n';
  if (usage)
    err << "Run with --help for more information.\n";
  return kDesignUnusable;
}

void warnAll(const std::set<std::string>& warnings, std::ostream& err) {
  for (const std::string& warning : warnings)
    err << "kwhost: warning: " << escapeLine(warning) << '\n';
}

// The first bytes of `path` (a byte order mark left out): enough to tell its kind.
std::string headOf(const std::string& path) {
  std::ifstream file(fs::u8path(path), std::ios::binary);
  std::string head(256, '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(file.gcount()));
  if (head.compare(0, 3, "\xEF\xBB\xBF") == 0)
    head.erase(0, 3);
  return head;
}

// The scan the design is checked over: --bold's volumes and TR, or --tr and --volumes.
struct Scan {
  int64_t volumes = 0;
  double trSeconds = 0;
};

// An events file's events. Returns 0, or the exit status after a message on `err`.
int readEventsFile(const DesignOptions& options, std::vector<DesignEvent>& events,
                   std::ostream& err) {
  const std::string& input = options.input;
  if (!options.logOptions.empty())
    return refuse(
        err,
        options.logOptions.front() + " goes with a stimulus log; " + input + " is an events file",
        true);
  std::string text;
  std::string error;
  EventsFile file;
  if (!readWholeFile(input, text, error) ||
      !parseEventsFile(text, fs::path(input).filename().string(), file, error))
    return refuse(err, error, false);
  events = designEventsOfFile(file, !options.choices.conditions.empty());
  return 0;
}

// A log's events, through the run pipeline as `kwhost events` reads them (with the image
// when given). Returns 0, or the exit status after a message on `err`.
int readLog(const DesignOptions& options, const BoldRun* bold, std::vector<DesignEvent>& events,
            std::ostream& err) {
  EventMap map;
  std::string text;
  std::string error;
  if (!options.run.map.empty() &&
      (!readWholeFile(options.run.map, text, error) || !map.parse(text, options.run.map, error)))
    return refuse(err, "--map: " + error, true);
  Refusal refusal;
  const std::unique_ptr<StimulusSource> source =
      openStimulusSource(options.input, options.input, refusal);
  if (source == nullptr)
    return refuse(err, refusal.message, false);
  RunRequest request;
  request.source = source.get();
  request.name = options.input;
  request.settings = &options.run;
  request.bold = bold;
  request.map = options.run.map.empty() ? nullptr : &map;
  request.words = options.words;
  request.propertyColumns = false;  // a design has no further columns
  std::error_code sizeUnknown;
  const std::uintmax_t bytes = fs::file_size(fs::u8path(options.input), sizeUnknown);
  request.bytes = sizeUnknown ? 0 : static_cast<uint64_t>(bytes);
  RunEvents run;
  refusal = readRunEvents(request, run);
  if (refusal.refused())
    return refuse(err, refusal.message, refusal.kind == RefusalKind::kUsage);
  if (!run.triggerRowsNote.empty())
    run.warnings.insert(run.triggerRowsNote);
  if (!run.triggerFindings.empty())
    run.warnings.insert(run.triggerFindings);
  warnAll(run.warnings, err);
  events = designEventsOfTable(run.table, !options.choices.conditions.empty());
  return 0;
}

// INPUT's events and the scan. Returns 0, or the exit status after a message on `err`.
int readRun(const DesignOptions& options, std::vector<DesignEvent>& events, Scan& scan,
            std::ostream& err) {
  std::string error;
  if (!checkReadable(options.input, error))
    return refuse(err, error, false);
  const std::string head = headOf(options.input);
  if (isProtocolFileStart(head))
    return refuse(err, options.input + " is a protocol file, not an events file or a log", false);
  BoldRun bold;
  if (!options.bold.empty()) {
    if (!readBoldRun(fs::u8path(options.bold), false, bold, error))
      return refuse(err, "--bold: " + error, false);
    scan = {bold.volumes, *bold.trMs / 1000.0};
  } else {
    scan = {*options.run.volumes, static_cast<double>(*options.run.tr) / 10000.0};
  }
  if (isEventsTableStart(head))
    return readEventsFile(options, events, err);
  return readLog(options, options.bold.empty() ? nullptr : &bold, events, err);
}

// Saves the picture to -o. Returns 0, or the exit status after a message.
int savePicture(const DesignOptions& options, const DesignCheck& check, std::ostream& err) {
  const std::string& path = options.output;
  const std::string svg =
      renderDesignSvg(check, "kwhost design: " + fs::path(options.input).filename().string());
  ReplacePolicy policy;
  policy.isOwn = [](const std::string& firstLine) { return isDesignSvg(firstLine); };
  policy.force = options.force;
  policy.what = "picture";
  policy.forceHint = kForceHint;
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

int runDesign(const DesignOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<DesignEvent> events;
  Scan scan;
  const int status = readRun(options, events, scan, err);
  if (status != 0)
    return status;
  DesignCheck check;
  std::string message;
  switch (checkRunDesign(events, options.choices, scan.trSeconds, scan.volumes, check, message)) {
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
                    options.input +
                        " has no stimulus events (responses and rows of trial_type n/a are "
                        "left out; --conditions names conditions): nothing to model",
                    false);
  }
  const DesignSource source{options.input, options.bold};
  if (options.json)
    out << jsonDesignReport(check, source)
               .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
        << '\n';
  else
    out << textDesignReport(check, source);
  if (!options.output.empty() && savePicture(options, check, err) != 0)
    return kDesignUnusable;
  return check.hasFindings() ? kDesignFindings : kSuccess;
}

class Design : public CommandRunner {
 public:
  explicit Design(CLI::App& command) : settings_(addInput(command), kDesignSettings) {
    DesignArguments& a = arguments_;
    command
        .add_option("--bold", options_.bold,
                    "The run's BOLD image: its volumes and TR (and, for a log, time zero: its "
                    "first stored volume)")
        ->type_name("FILE");
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
    command.add_flag("--json", options_.json, "Print the figures as JSON, at full precision");
    command.add_option("-o", options_.output, "Also draw the design in this SVG file")
        ->type_name("FILE.svg");
  }

  void check() override {
    DesignOptions& o = options_;
    o.run = settings_.parse();
    o.force = settings_.given(Setting::kForce);
    o.words = &settings_.words();
    const bool scanGiven = settings_.given(Setting::kTr) || settings_.given(Setting::kVolumes);
    if (!o.bold.empty() && scanGiven)
      throw UsageError{"--bold gives the volumes and the TR: --tr and --volumes go without it"};
    if (o.bold.empty() && (!o.run.tr || !o.run.volumes))
      throw UsageError{"the scan is needed: give --bold FILE, or --tr MS and --volumes N"};
    const RunSettings& run = o.run;
    const bool autoSkip = run.skip && run.skip->automatic;
    if (autoSkip && o.bold.empty())
      throw UsageError{"--skip auto works out K from the image: give --bold FILE, or --skip K"};
    const bool zeroOnly = (run.skip && (autoSkip || run.skip->count != 0)) || run.trigger ||
                          run.scan || !o.bold.empty();
    if (zeroOnly && run.zero.kind != ZeroRule::Kind::kAuto)
      throw UsageError{"--skip, --trigger, --scan and --bold work with --zero auto only"};
    settings_.requireWith(Setting::kUnmapped, Setting::kMap);
    if (o.force && o.output.empty())
      throw UsageError{"--force goes with -o FILE.svg"};
    o.choices = checkChoices(arguments_);
    for (const std::string& name : settings_.givenNames()) {
      if (name != "--tr" && name != "--volumes" && name != "--force")
        o.logOptions.push_back(name);
    }
  }

  int run(const CommandContext& context) override {
    return runDesign(options_, context.out, context.err);
  }

 private:
  CLI::App& addInput(CLI::App& command) {
    command
        .add_option("INPUT", options_.input,
                    "The run's events file (*_events.tsv) or its stimulus log")
        ->required();
    return command;
  }

  DesignArguments arguments_;
  DesignOptions options_;
  SettingOptions settings_;
};

}  // namespace

std::unique_ptr<CommandRunner> defineDesign(CLI::App& command) {
  return std::make_unique<Design>(command);
}

}  // namespace stimforge::kwhost
