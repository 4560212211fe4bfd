#include "kwhost/cli/command_table.h"

#include <iterator>

namespace stimforge::kwhost {

// Each defined in the file named after its command.
std::unique_ptr<CommandRunner> defineInfo(CLI::App& command);
std::unique_ptr<CommandRunner> defineShow(CLI::App& command);
std::unique_ptr<CommandRunner> defineRun(CLI::App& command);
std::unique_ptr<CommandRunner> defineImport(CLI::App& command);
std::unique_ptr<CommandRunner> defineShift(CLI::App& command);
std::unique_ptr<CommandRunner> defineReorder(CLI::App& command);
std::unique_ptr<CommandRunner> definePreset(CLI::App& command);
std::unique_ptr<CommandRunner> defineTriggers(CLI::App& command);
std::unique_ptr<CommandRunner> defineEvents(CLI::App& command);
std::unique_ptr<CommandRunner> definePlot(CLI::App& command);

namespace {

const Command kCommands[] = {
    {"info", "Show the plug-in's name, version and author", Needs::kPluginLibrary, defineInfo},
    {"show", "Print a protocol file as a readable table", Needs::kProtocolFiles, defineShow},
    {"run", "Run the plug-in's menu, typed on the terminal or scripted with --answer/--answers",
     Needs::kPluginRuns, defineRun},
    {"import", "Create a protocol from each Presentation log file (one plug-in run per file)",
     Needs::kPluginRuns, defineImport},
    {"shift", "Shift every interval of a protocol earlier or later and save it under a new name",
     Needs::kPluginRuns, defineShift},
    {"reorder", "Reorder a protocol's conditions and save it under a new name", Needs::kPluginRuns,
     defineReorder},
    {"preset", "Reorder and recolour a protocol's conditions by a preset analysis type",
     Needs::kPluginRuns, definePreset},
    {"triggers",
     "Check the scanner's triggers of each Presentation log: TR, missed triggers, scans, drift",
     Needs::kNothing, defineTriggers},
    {"events", "Write BIDS events files (*_events.tsv and .json) from logs or protocol files",
     Needs::kNothing, defineEvents},
    {"plot", "Draw a protocol, a Presentation log or an events file as a timeline in an SVG file",
     Needs::kProtocolFiles, definePlot},
};

}  // namespace

const Command* commandTable() {
  return kCommands;
}

size_t commandCount() {
  return std::size(kCommands);
}

std::string commandNames() {
  std::string names;
  for (const Command& command : kCommands)
    names += (names.empty() ? "" : ", ") + std::string(command.name);
  return names;
}

}  // namespace stimforge::kwhost
