// kwhost plot INPUT: a protocol file drawn as a timeline in a standalone SVG file.
#include "kwhost/cli/command_plot.h"

#include <CLI/CLI.hpp>

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

class Plot : public CommandRunner {
 public:
  explicit Plot(CLI::App& command) {
    command
        .add_option("INPUT", options_.input,
                    "The protocol file, Presentation log or events file to draw")
        ->required();
    command
        .add_option("-o", options_.output,
                    "The SVG file to write (default: INPUT's whole file name with .svg added)")
        ->type_name("FILE");
    command
        .add_option("--out-dir", options_.outDir,
                    "Write the SVG file into FOLDER instead of beside INPUT")
        ->type_name("FOLDER");
    command.add_flag("--force", options_.force,
                     "Replace an existing file that kwhost did not write");
    command.add_option("--from", from_, "Draw from this time on, in the axis's unit")
        ->type_name("TIME");
    command.add_option("--to", to_, "Draw up to this time, in the axis's unit")->type_name("TIME");
    command.add_option("--width", width_, "The picture's width in pixels (default 1600)")
        ->type_name("PX");
    // A log's rows: the options of kwhost events, with its defaults.
    logOption(command, "--types", events_.types, "T1,T2,...",
              "Logs: the event types drawn (default Picture,Sound,Video,Response)");
    logOption(command, "--duration", events_.duration, "MODE",
              "Logs: column (the Duration column; default) or next (the time to the next row)")
        ->check(CLI::IsMember({"column", "next"}));
    logOption(command, "--zero", events_.zero, "ZERO",
              "Logs: time zero: auto (default), scenario, MS, or code:NAME");
    logOption(command, "--skip", events_.skip, "K|auto",
              "Logs, auto: the triggers without a stored volume (default 0; auto with --bold)");
    logOption(command, "--bold", events_.bold, "FILE",
              "Logs: the run's BOLD image: time zero is its first stored volume, and the "
              "stored scan is drawn");
    logOption(command, "--trigger", events_.trigger, "TYPE[:CODE]",
              "Logs: the triggers' event type and code (default Pulse)");
    logOption(command, "--tr", events_.tr, "MS", "Logs: the repetition time in milliseconds");
    logOption(command, "--scan", events_.scan, "N",
              "Logs, auto: the scan drawn from its time zero when the log holds several");
    logOptions_.push_back(
        command.add_flag("--keep-triggers", events_.keepTriggers,
                         "Logs: draw the rows of the --trigger events that the types select too"));
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
    events_.inputs = {options_.input};
    EventsOptions checked;
    std::string error;
    if (!checkEventsArguments(events_, checked, error))
      throw UsageError{error};
    options_.log = checked.log;
    options_.boldPath = checked.boldPath;
    options_.log.propertyColumns = false;  // a picture draws no columns
    for (const CLI::Option* option : logOptions_) {
      if (option->count() > 0)
        options_.logOptions.push_back(option->get_name());
    }
  }

  int run(const CommandContext& context) override { return runPlotCommand(options_, context.err); }

 private:
  CLI::Option* logOption(CLI::App& command, const char* name, std::string& value, const char* type,
                         const char* help) {
    CLI::Option* option = command.add_option(name, value, help)->type_name(type);
    logOptions_.push_back(option);
    return option;
  }

  PlotOptions options_;
  EventsArguments events_;
  std::vector<const CLI::Option*> logOptions_;
  std::string from_;
  std::string to_;
  std::string width_;
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
  LogEventsOptions log = options.log;
  if (!options.boldPath.empty()) {
    if (!readBoldRun(std::filesystem::u8path(options.boldPath), log.tr > 0, bold, error))
      return fail(err, "--bold: " + error);
    log.bold = &bold;
  }
  std::set<std::string> warnings;
  const int status = logTimeline(options.input, displayName, log, timeline, warnings, error);
  for (const std::string& warning : warnings)
    err << "kwhost: warning: " << escapeLine(warning) << '\n';
  if (status != 0)
    err << "kwhost: plot: " << escapeLine(error) << '\n';
  return status;
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
  const PlotInput kind = plotInputKind(std::string_view(text).substr(0, 256));
  if (kind != PlotInput::kLog && kind != PlotInput::kUnknown && !options.logOptions.empty()) {
    err << "kwhost: plot: " << options.logOptions.front() << " goes with a Presentation log; "
        << escapeLine(options.input) << " is "
        << (kind == PlotInput::kProtocol ? "a protocol file" : "an events file")
        << "\nRun with --help for more information.\n";
    return kUsageError;
  }
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
  policy.what = "picture";
  const auto produce = [&svg](const PieceWriter& write) { return write(svg); };
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

}  // namespace stimforge::kwhost
