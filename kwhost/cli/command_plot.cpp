// kwhost plot INPUT: a protocol file drawn as a timeline in a standalone SVG file.
#include "kwhost/cli/command_plot.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>
#include <tuple>

#include "kwhost/cli/command_events.h"
#include "kwhost/cli/command_line.h"
#include "kwhost/cli/command_table.h"
#include "kwhost/cli/setting_options.h"
#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/events/table.h"
#include "kwhost/protocol/file.h"
#include "kwhost/protocol/file_io.h"
#include "kwhost/timeline/from_log.h"
#include "kwhost/timeline/sources.h"

namespace stimforge::kwhost {
namespace fs = std::filesystem;
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

int fail(std::ostream& err, const std::string& message) {
  err << "kwhost: plot: " << escapeLine(message) << '\n';
  return kFailure;
}

// The settings a log is drawn with, as `kwhost events` takes them (a picture draws no
// columns), and --force for the picture.
const std::vector<Setting> kPlotSettings = {
    Setting::kTypes,   Setting::kDuration, Setting::kZero,      Setting::kSkip,
    Setting::kTrigger, Setting::kTr,       Setting::kScan,      Setting::kKeepTriggers,
    Setting::kMap,     Setting::kUnmapped, Setting::kTrialType, Setting::kForce};

class Plot : public CommandRunner {
 public:
  explicit Plot(CLI::App& command) : settings_(addOptions(command), kPlotSettings) {
    command
        .add_option("--bold", options_.boldPath,
                    "The run's BOLD image of a log or an events file: time zero is its first "
                    "stored volume, and the stored scan is drawn")
        ->type_name("FILE");
  }

  void check() override {
    for (const auto& [text, field, name] :
         {std::tuple(&from_, &options_.from, "--from"), std::tuple(&to_, &options_.to, "--to")}) {
      double value = 0;
      if (text->empty())
        continue;
      if (!parseAxisTime(*text, value))
        throw UsageError{std::string(name) + ": \"" + escapeLine(*text) + "\" is not a number"};
      *field = value;
    }
    if (!width_.empty())
      options_.width = wholeNumber(width_, "--width");
    const std::string problem = plotUsageError(options_);
    if (!problem.empty())
      throw UsageError{problem};
    options_.settings = settings_.parse();
    options_.force = settings_.given(Setting::kForce);
    const RunSettings& settings = options_.settings;
    const bool autoSkip = settings.skip && settings.skip->automatic;
    if (autoSkip && options_.boldPath.empty())
      throw UsageError{"--skip auto works out K from the image: give --bold FILE, or --skip K"};
    const bool zeroOnly = (settings.skip && (autoSkip || settings.skip->count != 0)) ||
                          settings.trigger || settings.scan || !options_.boldPath.empty();
    if (zeroOnly && settings.zero.kind != ZeroRule::Kind::kAuto)
      throw UsageError{"--skip, --trigger, --scan and --bold work with --zero auto only"};
    if (settings.unmapped == Unmapped::kDrop && settings.map.empty())
      throw UsageError{"--unmapped needs --map"};
    options_.logOptions = settings_.givenNames();
    options_.logOptions.erase(
        std::remove(options_.logOptions.begin(), options_.logOptions.end(), "--force"),
        options_.logOptions.end());
    options_.words = &settings_.words();
  }

  int run(const CommandContext& context) override { return runPlotCommand(options_, context.err); }

 private:
  CLI::App& addOptions(CLI::App& command) {
    command
        .add_option("INPUT", options_.input,
                    "The protocol file, stimulus log or events file to draw")
        ->required();
    command
        .add_option("-o", options_.output,
                    "The SVG file to write (default: INPUT's whole file name with .svg added)")
        ->type_name("FILE");
    command
        .add_option("--out-dir", options_.outDir,
                    "Write the SVG file into FOLDER instead of beside INPUT")
        ->type_name("FOLDER");
    command.add_option("--from", from_, "Draw from this time on, in the axis's unit")
        ->type_name("TIME");
    command.add_option("--to", to_, "Draw up to this time, in the axis's unit")->type_name("TIME");
    command.add_option("--width", width_, "The picture's width in pixels (default 1600)")
        ->type_name("PX");
    return command;
  }

  PlotOptions options_;
  std::string from_;
  std::string to_;
  std::string width_;
  SettingOptions settings_;
};

}  // namespace

std::unique_ptr<CommandRunner> definePlot(CLI::App& command) {
  return std::make_unique<Plot>(command);
}

PlotInput plotInputKind(std::string_view head) {
  if (startsWith(head, "\xEF\xBB\xBF"))  // a byte order mark (some editors save logs so)
    head.remove_prefix(3);
  if (isProtocolFileStart(head))
    return PlotInput::kProtocol;
  if (startsWith(head, "Scenario - "))
    return PlotInput::kLog;
  if (isEventsTableStart(head))
    return PlotInput::kEvents;
  return PlotInput::kUnknown;
}

bool parseAxisTime(const std::string& text, double& value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
    return false;
  // strtod also reads hexadecimal numbers, "inf" and "nan": only decimals are times.
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+' &&
        c != 'e' && c != 'E') {
      return false;
    }
  }
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(parsed))
    return false;
  value = parsed;
  return true;
}

std::string plotUsageError(const PlotOptions& options) {
  if (options.width < kMinTimelineWidth || options.width > kMaxTimelineWidth) {
    return "--width: " + std::to_string(options.width) + " is outside " +
           std::to_string(kMinTimelineWidth) + " to " + std::to_string(kMaxTimelineWidth) +
           " pixels";
  }
  if (options.from && options.to && !(*options.from < *options.to))
    return "--from must be before --to";
  if (!options.output.empty() && !options.outDir.empty())
    return "-o and --out-dir cannot be used together";
  return "";
}

std::string plotOutputPath(const PlotOptions& options) {
  if (!options.output.empty())
    return options.output;
  const fs::path input(options.input);
  const std::string name = input.filename().string() + ".svg";
  const fs::path folder = options.outDir.empty() ? input.parent_path() : fs::path(options.outDir);
  return (folder / name).string();
}

namespace {

// The timeline of a log (with its run's image for --bold). Returns 0, or the exit status
// after a message on `err`.
int drawLog(const PlotOptions& options, const std::string& displayName, Timeline& timeline,
            std::ostream& err) {
  std::string error;
  BoldRun bold;
  if (!options.boldPath.empty() &&
      !readBoldRun(fs::u8path(options.boldPath), options.settings.tr.has_value(), bold, error))
    return fail(err, "--bold: " + error);
  EventMap map;
  if (!options.settings.map.empty()) {
    std::string text;
    if (!readWholeFile(options.settings.map, text, error) ||
        !map.parse(text, options.settings.map, error)) {
      err << "kwhost: plot: --map: " << escapeLine(error) << '\n';
      return kUsageError;
    }
  }
  Refusal refusal;
  const std::unique_ptr<StimulusSource> source =
      openStimulusSource(options.input, displayName, refusal);
  if (source == nullptr)
    return fail(err, refusal.message);
  RunRequest request;
  request.source = source.get();
  request.name = displayName;
  request.settings = &options.settings;
  request.bold = options.boldPath.empty() ? nullptr : &bold;
  request.map = options.settings.map.empty() ? nullptr : &map;
  request.words = options.words;
  request.propertyColumns = false;  // a picture draws no columns
  std::set<std::string> warnings;
  refusal = runTimeline(request, displayName, timeline, warnings);
  for (const std::string& warning : warnings)
    err << "kwhost: warning: " << escapeLine(warning) << '\n';
  if (refusal.refused())
    err << "kwhost: plot: " << escapeLine(refusal.message) << '\n';
  return refusal.refused() ? eventsStatusOf(refusal) : 0;
}

// The stored scan of --bold over an events file's rows.
int drawScanOverEvents(const PlotOptions& options, Timeline& timeline, std::ostream& err) {
  BoldRun bold;
  std::string error;
  if (!readBoldRun(fs::u8path(options.boldPath), false, bold, error))
    return fail(err, "--bold: " + error);
  addStoredScan(bold, timeline);
  return 0;
}

}  // namespace

namespace {

// The usage errors that depend on the input's kind. Returns 0 or kUsageError after a message.
int optionsFitInput(PlotInput kind, const PlotOptions& options, std::ostream& err) {
  std::string problem;
  if (kind == PlotInput::kProtocol && !options.boldPath.empty())
    problem = "--bold goes with a stimulus log or an events file; " + escapeLine(options.input) +
              " is a protocol file";
  else if (kind != PlotInput::kLog && kind != PlotInput::kUnknown && !options.logOptions.empty())
    problem = options.logOptions.front() + " goes with a Presentation log; " +
              escapeLine(options.input) + " is " +
              (kind == PlotInput::kProtocol ? "a protocol file" : "an events file");
  if (problem.empty())
    return 0;
  err << "kwhost: plot: " << problem << "\nRun with --help for more information.\n";
  return kUsageError;
}

// Draws `timeline` and saves it where the options say, never over a file kwhost did not draw
// unless forced. Returns 0 or kFailure after a message.
int saveTimeline(const PlotOptions& options, const Timeline& timeline, std::ostream& err) {
  TimelineView view;
  view.width = options.width;
  view.from = options.from;
  view.to = options.to;
  const std::string svg = renderTimelineSvg(timeline, view);
  const std::string path = plotOutputPath(options);
  if (!options.outDir.empty()) {
    std::error_code ignored;
    if (!fs::is_directory(options.outDir, ignored))
      return fail(err, "--out-dir " + options.outDir + " is not a folder");
  }
  ReplacePolicy policy;
  policy.isOwn = [](const std::string& firstLine) { return isTimelineSvg(firstLine); };
  policy.force = options.force;
  policy.forceHint = kForceHint;
  policy.recordPrefix = kTimelineRecordPrefix;
  policy.what = "picture";
  const auto produce = [&svg](const PieceWriter& write) { return write(svg); };
  std::string error;
  if (!saveFileSafely(path, produce, policy, error))
    return fail(err, error);
  size_t intervals = 0;
  for (const TimelineRow& row : timeline.rows)
    intervals += row.starts.size() + row.ticks.size();
  err << "kwhost: saved " << escapeLine(path) << ": " << timeline.rows.size()
      << (timeline.rows.size() == 1 ? " row, " : " rows, ") << intervals
      << (intervals == 1 ? " interval or event" : " intervals and events") << ", " << view.width
      << " pixels wide\n";
  return 0;
}

}  // namespace

int runPlotCommand(const PlotOptions& options, std::ostream& err) {
  const std::string usage = plotUsageError(options);
  if (!usage.empty()) {
    err << "kwhost: plot: " << usage << "\nRun with --help for more information.\n";
    return kUsageError;
  }
  std::string text;
  std::string error;
  if (!readWholeFile(options.input, text, error))
    return fail(err, error);
  const std::string displayName = fs::path(options.input).filename().string();
  Timeline timeline;
  PlotInput kind = plotInputKind(std::string_view(text).substr(0, 256));
  std::string reason;
  if (kind == PlotInput::kUnknown &&
      stimulusFileKind(options.input, reason) != StimulusFileKind::kPresentation)
    kind = PlotInput::kLog;  // a PsychoPy file: its source reads it, or says what it is
  if (optionsFitInput(kind, options, err) != 0)
    return kUsageError;
  switch (kind) {
    case PlotInput::kProtocol: {
      Protocol protocol;
      if (!parseProtocolText(text, options.input, protocol, error))
        return fail(err, error);
      std::string().swap(text);  // the protocol's text is no longer needed
      timeline = protocolTimeline(protocol, displayName);
      break;
    }
    case PlotInput::kEvents:
      if (!eventsFileTimeline(text, displayName, timeline, error))
        return fail(err, error);
      if (!options.boldPath.empty() && drawScanOverEvents(options, timeline, err) != 0)
        return kFailure;
      break;
    case PlotInput::kLog: {
      std::string().swap(text);  // the log is read again through the log format layer
      const int status = drawLog(options, displayName, timeline, err);
      if (status != 0)
        return status;
      break;
    }
    case PlotInput::kUnknown:
      return fail(err,
                  options.input + ": not a protocol file, a Presentation log or an events file");
  }
  return saveTimeline(options, timeline, err);
}

}  // namespace stimforge::kwhost
