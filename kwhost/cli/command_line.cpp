#include "kwhost/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>
#include <system_error>
#include <vector>

#include "kwhost/common/text_codec.h"
#include "kwhost/host/dialogs.h"

namespace stimforge::kwhost {
namespace {

const char kDescription[] =
    "kwhost: BIDS events, trigger checks, timeline pictures and design checks from "
    "Presentation logs and PsychoPy data files, checked against the scan, for labs (bids, "
    "events, triggers, plot, design). It is also the stand-in host of the stimforge plug-in for "
    "the Halden (KW edition) imaging host: it loads the plug-in library as that host does and "
    "runs it from the command line, with its dialogs typed or scripted (import, shift, "
    "reorder, preset, run).";

const char kFooter[] =
    "Exit status: 0 when the command did its work; 1 when it failed (a file missing, "
    "malformed or not written, a plug-in run cancelled or failed); 2 for a usage error. "
    "kwhost triggers differs: 1 when a log's triggers have findings, 2 when a log cannot be "
    "read. Each command's --help states its own.\nRun `kwhost COMMAND --help` for the options "
    "of a command.";

const char kHostGroup[] = "Host options";
const char kHostGroupBefore[] =
    "Host options (before or after the command, for the commands that take them)";
const char kRunGroupBefore[] = "Options of run (also before the command)";

// The host options as given on the command line, before they are checked.
struct HostWords {
  std::string pluginPath;
  std::string version;
  bool noVolume = false;
  std::string logPath;
  std::string transcriptPath;
};

// Registers the host options that `needs` allows on `app`, bound to `words`, in `group`.
void addHostOptions(CLI::App& app, HostWords& words, Needs needs, const char* group) {
  if (needs == Needs::kNothing || needs == Needs::kProtocolFiles)
    return;
  app.add_option("--plugin", words.pluginPath,
                 "The plug-in library to load (default: the one beside kwhost)")
      ->type_name("PATH")
      ->group(group);
  if (needs != Needs::kPluginRuns)
    return;
  app.add_option("--host-version", words.version, "The version the host reports (default 2.9.9)")
      ->type_name("X.Y.Z")
      ->group(group);
  app.add_flag("--no-volume", words.noVolume, "Report that no volume document is open")
      ->group(group);
  app.add_option("--log", words.logPath,
                 "Also write the raw log texts to FILE, one call per line, with \\\\, \\n and "
                 "\\t escaped")
      ->type_name("FILE")
      ->group(group);
  app.add_option("--transcript", words.transcriptPath,
                 "Write every host call to FILE, one per line: dialogs with their answers, "
                 "log texts and protocol calls")
      ->type_name("FILE")
      ->group(group);
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

// The name of the option in the argument `word` ("--tr" of "--tr=5"), or "" when the
// word is no option.
std::string optionName(const std::string& word) {
  if (word.size() < 2 || word[0] != '-')
    return "";
  return word.substr(0, word.find('='));
}

}  // namespace

bool answerFitsDialog(const std::string& text, const std::string& what, std::string& error) {
  if (text.size() < kDialogBufferSize)
    return true;
  error = what + " is " + std::to_string(text.size()) + " bytes long; a dialog takes at most " +
          std::to_string(kDialogBufferSize - 1);
  return false;
}

int32_t wholeNumber(const std::string& text, const std::string& what) {
  int32_t value = 0;
  if (!parseInt32(text, value))
    throw UsageError{what + ": \"" + escapeLine(text) + "\" is not a whole number"};
  return value;
}

int32_t wholeNumberWithin(const std::string& text, const std::string& what, int32_t low,
                          int32_t high) {
  const int32_t value = wholeNumber(text, what);
  if (value < low || value > high) {
    throw UsageError{what + " " + std::to_string(value) + " is outside the bounds " +
                     std::to_string(low) + " to " + std::to_string(high)};
  }
  return value;
}

void requireFit(const std::string& text, const std::string& what) {
  std::string error;
  if (!answerFitsDialog(text, what, error))
    throw UsageError{error};
}

int reportUsageError(const std::string& message, std::ostream& err) {
  err << "kwhost: " << message << "\nRun with --help for more information.\n";
  return kUsageError;
}

namespace {

// The row of the command given. Throws UsageError when none or an unknown one was given.
size_t chosenCommand(CLI::App& app, const std::vector<CLI::App*>& subcommands,
                     const std::vector<std::string>& extras) {
  const bool commandGiven = app.get_subcommands().size() == 1;
  if (!commandGiven && (extras.empty() || extras.front().rfind("-", 0) == 0))
    throw UsageError{"a command is required: " + commandNames()};
  if (!commandGiven) {
    throw UsageError{"unknown command \"" + escapeLine(extras.front()) + "\"; the commands are " +
                     commandNames()};
  }
  size_t chosen = 0;
  while (subcommands[chosen] != app.get_subcommands().front())
    ++chosen;
  return chosen;
}

// Hands the options given before the command (or after it, when it does not define them)
// to the command's option of the same name. Throws UsageError when it has none.
void handOverOptions(CLI::App& app, CLI::App& command, const std::string& name) {
  for (CLI::Option* given : app.get_options()) {
    if (given->count() == 0 || given->get_name() == "--help")
      continue;
    CLI::Option* own = command.get_option_no_throw(given->get_name());
    if (own == nullptr)
      throw UsageError{name + " does not take " + given->get_name()};
    std::vector<std::string> results = given->results();
    results.insert(results.end(), own->results().begin(), own->results().end());
    own->clear();
    own->add_result(results);
    own->run_callback();  // may refuse it given twice, as CLI11 does
  }
}

// Refuses the words left over: by name when one is an option of another command.
void refuseExtras(const std::vector<std::string>& extras, const std::vector<CLI::App*>& subcommands,
                  const std::string& name) {
  for (const std::string& extra : extras) {
    const std::string option = optionName(extra);
    for (size_t i = 0; !option.empty() && i < subcommands.size(); ++i) {
      if (subcommands[i]->get_option_no_throw(option) != nullptr)
        throw UsageError{name + " does not take " + option};
    }
  }
  if (!extras.empty()) {
    std::string list;
    for (const std::string& extra : extras)
      list += " " + escapeLine(extra);
    throw UsageError{"unexpected arguments:" + list};
  }
}

}  // namespace

namespace {

// A usage error's message, with a hint when an argument before any "--" that begins with
// "-" names an existing file: Presentation names a log "-run1.log" when no subject name was
// typed, and such a name is read as options.
std::string withDashPathHint(std::string message, int argc, const char* const* argv) {
  std::string command = "COMMAND";
  for (int i = 1; i < argc; ++i) {
    for (size_t row = 0; row < commandCount(); ++row) {
      if (command == "COMMAND" && std::string(argv[i]) == commandTable()[row].name)
        command = argv[i];
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--")
      break;
    std::error_code error;
    if (argument.size() > 1 && argument[0] == '-' &&
        std::filesystem::is_regular_file(std::filesystem::u8path(argument), error)) {
      return message + "\n\"" + argument +
             "\" was read as options: give paths that begin with \"-\" after \"--\", as in "
             "\"kwhost " +
             command + " -- " + argument + "\"";
    }
  }
  return message;
}

}  // namespace

int parseCommandLine(int argc, const char* const* argv, Invocation& invocation, std::ostream& out,
                     std::ostream& err) {
  CLI::App app{kDescription, "kwhost"};
  app.footer(kFooter);
  app.get_formatter()->label("SUBCOMMAND", "COMMAND");
  // Unknown words are collected and reported after parsing, so that a mistyped command
  // is named as such.
  app.require_subcommand(0, 1);
  app.allow_extras();
  // An option given after the command that the command does not define falls through to
  // the options below, and so is found and refused by name.
  app.fallthrough();

  // The options that may also stand before the command: the host options, and run's
  // answers. Given there, each is handed to the chosen command's option of the same name,
  // and refused when it has none.
  HostWords before;
  addHostOptions(app, before, Needs::kPluginRuns, kHostGroupBefore);
  std::vector<std::string> beforeAnswers;
  std::string beforeAnswersPath;
  app.add_option("--answer", beforeAnswers,
                 "run: answer the next dialog with VALUE (repeatable; <cancel> cancels)")
      ->type_name("VALUE")
      ->allow_extra_args(false)
      ->group(kRunGroupBefore);
  app.add_option("--answers", beforeAnswersPath,
                 "run: answer the dialogs with the lines of FILE, one answer per line")
      ->type_name("FILE")
      ->group(kRunGroupBefore);

  // One subcommand per row; only the chosen one's options are ever written.
  HostWords after;
  std::vector<std::unique_ptr<CommandRunner>> runners;
  std::vector<CLI::App*> subcommands;
  for (size_t i = 0; i < commandCount(); ++i) {
    const Command& row = commandTable()[i];
    CLI::App* command = app.add_subcommand(row.name, row.description);
    command->group("Commands");
    command->footer(row.exitStatus);
    addHostOptions(*command, after, row.needs, kHostGroup);
    runners.push_back(row.define(*command));
    subcommands.push_back(command);
  }

  try {
    app.parse(argc, argv);
    const std::vector<std::string> extras = app.remaining();
    const size_t chosen = chosenCommand(app, subcommands, extras);
    const std::string name = commandTable()[chosen].name;
    handOverOptions(app, *subcommands[chosen], name);
    refuseExtras(extras, subcommands, name);

    Invocation result;
    result.command = &commandTable()[chosen];
    result.host.pluginPath = after.pluginPath;
    if (!after.version.empty())
      result.host.hostVersion = hostVersion(after.version);
    result.host.volumeOpen = !after.noVolume;
    result.host.logPath = after.logPath;
    result.host.transcriptPath = after.transcriptPath;
    result.runner = std::move(runners[chosen]);
    result.runner->check();
    invocation = std::move(result);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0)
      return app.exit(e, out, err);  // --help
    return reportUsageError(withDashPathHint(e.what(), argc, argv), err);
  } catch (const UsageError& e) {
    return reportUsageError(withDashPathHint(e.message, argc, argv), err);
  }
  return -1;
}

}  // namespace stimforge::kwhost
