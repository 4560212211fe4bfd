#include "standin/cli.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <tuple>

#include "standin/dialogs.h"
#include "standin/text_codec.h"

namespace stimforge::standin {
namespace {

const char kDescription[] =
    "kwhost: the stand-in host of the stimforge plug-in. It loads the plug-in library as the "
    "real host does and runs it from the command line, with its dialogs typed or scripted.";

const char kFooter[] =
    "Exit status: 0 when every run reported \"Plugin operations finished successfully.\" and "
    "every save was written; 1 when a run was cancelled or failed, a file is missing or "
    "malformed, a save could not be written or the scripted answers ran out; 2 for a usage "
    "error.\nRun `kwhost COMMAND --help` for the options of a command.";

const char kCommands[] = "info, show, run, import, shift, reorder, preset, plot";

// Raised by the checks after parsing; reported like CLI11's own usage errors.
struct UsageError {
  std::string message;
};

int32_t wholeNumber(const std::string& text, const std::string& what) {
  int32_t value = 0;
  if (!parseInt32(text, value))
    throw UsageError{what + ": \"" + escapeLine(text) + "\" is not a whole number"};
  return value;
}

HostVersion hostVersion(const std::string& text) {
  HostVersion version;
  const size_t first = text.find('.');
  const size_t second = first == std::string::npos ? first : text.find('.', first + 1);
  int32_t parts[3] = {0, 0, 0};
  const bool valid = second != std::string::npos && parseInt32(text.substr(0, first), parts[0]) &&
                     parseInt32(text.substr(first + 1, second - first - 1), parts[1]) &&
                     parseInt32(text.substr(second + 1), parts[2]);
  if (!valid) {
    throw UsageError{"--host-version: \"" + escapeLine(text) +
                     "\" is not a version X.Y.Z of three whole numbers"};
  }
  version.major = parts[0];
  version.minor = parts[1];
  version.subVersion = parts[2];
  return version;
}

void requireFit(const std::string& text, const std::string& what) {
  std::string error;
  if (!answerFitsDialog(text, what, error))
    throw UsageError{error};
}

}  // namespace

bool answerFitsDialog(const std::string& text, const std::string& what, std::string& error) {
  if (text.size() < kDialogBufferSize)
    return true;
  error = what + " is " + std::to_string(text.size()) + " bytes long; a dialog takes at most " +
          std::to_string(kDialogBufferSize - 1);
  return false;
}

int reportUsageError(const std::string& message, std::ostream& err) {
  err << "kwhost: " << message << "\nRun with --help for more information.\n";
  return kUsageError;
}

int parseCommandLine(int argc, const char* const* argv, Invocation& invocation, std::ostream& out,
                     std::ostream& err) {
  CLI::App app{kDescription, "kwhost"};
  app.footer(kFooter);
  app.get_formatter()->label("SUBCOMMAND", "COMMAND");
  app.get_formatter()->label("Subcommands", "Commands");
  // Unknown words are collected and reported after parsing, so that a mistyped command
  // is named as such.
  app.require_subcommand(0, 1);
  app.allow_extras();
  // The host's options may stand before or after the command.
  app.fallthrough();

  Invocation result;
  std::string version;
  app.add_option("--plugin", result.pluginPath,
                 "The plug-in library to load (default: the one beside kwhost)")
      ->type_name("PATH");
  app.add_option("--host-version", version, "The version the host reports (default 2.9.9)")
      ->type_name("X.Y.Z");
  bool noVolume = false;
  app.add_flag("--no-volume", noVolume, "Report that no volume document is open");
  app.add_option("--log", result.logPath,
                 "Also write the raw log texts to FILE, one call per line, with \\\\, \\n and "
                 "\\t escaped")
      ->type_name("FILE");
  app.add_option("--transcript", result.transcriptPath,
                 "Write every host call to FILE, one per line: dialogs with their answers, "
                 "log texts and protocol calls")
      ->type_name("FILE");
  app.add_option("--answer", result.answers,
                 "run: answer the next dialog with VALUE (repeatable; <cancel> cancels)")
      ->type_name("VALUE")
      ->allow_extra_args(false);
  app.add_option("--answers", result.answersPath,
                 "run: answer the dialogs with the lines of FILE, one answer per line")
      ->type_name("FILE");

  CLI::App* info = app.add_subcommand("info", "Show the plug-in's name, version and author");

  CLI::App* show = app.add_subcommand("show", "Print a protocol file as a readable table");
  std::string showPath;
  show->add_option("PROTOCOL", showPath, "The protocol file")->required();

  CLI::App* run = app.add_subcommand(
      "run", "Run the plug-in's menu, typed on the terminal or scripted with --answer/--answers");
  std::string runPath;
  run->add_option("PROTOCOL", runPath, "A protocol file to make the current protocol");

  CLI::App* import = app.add_subcommand(
      "import", "Create a protocol from each Presentation log file (one plug-in run per file)");
  std::vector<std::string> logs;
  std::string tr = "2000";
  std::string duration = "next";
  import->add_option("LOG", logs, "Presentation log files")->required();
  import->add_flag("--subject-column", result.import.subjectColumn,
                   "The logs have a Subject column first");
  import->add_flag("--pictures-only", result.import.picturesOnly, "Only Picture events count");
  import
      ->add_option("--duration", duration,
                   "Event durations: next (time until the next event, default) or column "
                   "(the Duration column)")
      ->type_name("MODE")
      ->check(CLI::IsMember({"next", "column"}));
  import->add_option("--tr", tr, "The repetition time in milliseconds (default 2000)")
      ->type_name("MS");

  CLI::App* shift = app.add_subcommand(
      "shift", "Shift every interval of a protocol earlier or later and save it under a new name");
  std::string shiftPath;
  std::string amount;
  shift->add_option("PROTOCOL", shiftPath, "The protocol file")->required();
  shift->add_option("AMOUNT", amount, "The amount, in the protocol's time unit")->required();
  CLI::Option* earlier = shift->add_flag("--earlier", "Subtract the amount");
  CLI::Option* later = shift->add_flag("--later", "Add the amount");
  earlier->excludes(later);

  CLI::App* reorder =
      app.add_subcommand("reorder", "Reorder a protocol's conditions and save it under a new name");
  std::string reorderPath;
  reorder->add_option("PROTOCOL", reorderPath, "The protocol file")->required();
  reorder
      ->add_option("ORDER", result.order,
                   "For each new position, the index of the condition that goes there, "
                   "e.g. 2,0,1")
      ->required();

  CLI::App* preset = app.add_subcommand(
      "preset", "Reorder and recolour a protocol's conditions by a preset analysis type");
  std::string presetPath;
  std::string type;
  preset->add_option("PROTOCOL", presetPath, "The protocol file")->required();
  preset->add_option("TYPE", type, "The analysis type, 1 to 7")->required();

  CLI::App* plot = app.add_subcommand(
      "plot", "Draw a protocol file as a timeline in an SVG file (needs no plug-in)");
  std::string plotFrom;
  std::string plotTo;
  plot->add_option("INPUT", result.plot.input, "The protocol file")->required();
  plot->add_option("-o", result.plot.output,
                   "The SVG file to write (default: INPUT's file name with .svg added)")
      ->type_name("FILE");
  plot->add_option("--out-dir", result.plot.outDir,
                   "Write the SVG file into FOLDER instead of beside INPUT")
      ->type_name("FOLDER");
  plot->add_flag("--force", result.plot.force,
                 "Replace an existing file that kwhost did not write");
  plot->add_option("--from", plotFrom, "Draw from this time on, in the axis's unit")
      ->type_name("TIME");
  plot->add_option("--to", plotTo, "Draw up to this time, in the axis's unit")->type_name("TIME");
  std::string plotWidth;
  plot->add_option("--width", plotWidth, "The picture's width in pixels (default 1600)")
      ->type_name("PX");

  try {
    app.parse(argc, argv);
    const std::vector<std::string> extras = app.remaining();
    const bool commandGiven = app.get_subcommands().size() == 1;
    if (!commandGiven && (extras.empty() || extras.front().rfind("-", 0) == 0)) {
      throw UsageError{"a command is required: " + std::string(kCommands)};
    }
    if (!commandGiven) {
      throw UsageError{"unknown command \"" + escapeLine(extras.front()) + "\"; the commands are " +
                       kCommands};
    }
    if (!extras.empty()) {
      std::string list;
      for (const std::string& extra : extras)
        list += " " + escapeLine(extra);
      throw UsageError{"unexpected arguments:" + list};
    }
    result.volumeOpen = !noVolume;
    if (!version.empty())
      result.hostVersion = hostVersion(version);
    if (*info) {
      result.command = CommandKind::kInfo;
    } else if (*show) {
      result.command = CommandKind::kShow;
      result.inputs = {showPath};
    } else if (*run) {
      result.command = CommandKind::kRun;
      if (!runPath.empty())
        result.inputs = {runPath};
    } else if (*import) {
      result.command = CommandKind::kImport;
      result.inputs = logs;
      result.import.repetitionTimeMs = wholeNumber(tr, "--tr");
      result.import.duration =
          duration == "column" ? DurationMode::kDurationColumn : DurationMode::kNextEvent;
      for (const std::string& log : logs)
        requireFit(log, "the log file's path \"" + escapeLine(log) + "\"");
    } else if (*shift) {
      result.command = CommandKind::kShift;
      result.inputs = {shiftPath};
      if (earlier->count() == 0 && later->count() == 0)
        throw UsageError{"shift needs --earlier or --later"};
      result.earlier = earlier->count() > 0;
      result.amount = wholeNumber(amount, "AMOUNT");
    } else if (*reorder) {
      result.command = CommandKind::kReorder;
      result.inputs = {reorderPath};
      requireFit(result.order, "ORDER");
    } else if (*preset) {
      result.command = CommandKind::kPreset;
      result.inputs = {presetPath};
      result.analysisType = wholeNumber(type, "TYPE");
    } else if (*plot) {
      result.command = CommandKind::kPlot;
      for (const auto& [text, field, name] : {std::tuple(&plotFrom, &result.plot.from, "--from"),
                                              std::tuple(&plotTo, &result.plot.to, "--to")}) {
        double value = 0;
        if (text->empty())
          continue;
        if (!parseAxisTime(*text, value))
          throw UsageError{std::string(name) + ": \"" + escapeLine(*text) + "\" is not a number"};
        *field = value;
      }
      if (!plotWidth.empty())
        result.plot.width = wholeNumber(plotWidth, "--width");
      const std::string problem = plotUsageError(result.plot);
      if (!problem.empty())
        throw UsageError{problem};
    }
    if (!result.answers.empty() && !result.answersPath.empty())
      throw UsageError{"--answer and --answers cannot be used together"};
    if (result.scripted() && result.command != CommandKind::kRun) {
      throw UsageError{
          "--answer and --answers go with the run command only (the other commands make "
          "their own answers)"};
    }
    for (size_t i = 0; i < result.answers.size(); ++i)
      requireFit(result.answers[i], "--answer " + std::to_string(i + 1));
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0)
      return app.exit(e, out, err);  // --help
    return reportUsageError(e.what(), err);
  } catch (const UsageError& e) {
    return reportUsageError(e.message, err);
  }
  invocation = std::move(result);
  return -1;
}

}  // namespace stimforge::standin
