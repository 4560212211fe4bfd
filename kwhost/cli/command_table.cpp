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
std::unique_ptr<CommandRunner> defineBids(CLI::App& command);
std::unique_ptr<CommandRunner> defineDesign(CLI::App& command);

namespace {

// What the plug-in runs end with (run, import, shift, reorder, preset).
#define SF_PLUGIN_RUNS_EXIT                                                                  \
  "Exit status: 0 when every run reported \"Plugin operations finished successfully.\" and " \
  "every save was written; 1 when the plug-in cannot be loaded or refuses to start, a run "  \
  "was cancelled or failed, a file is missing or malformed, a save could not be written or " \
  "the scripted answers ran out or did not suit their dialog; 2 for a usage error"

const Command kCommands[] = {
    {"info", "Show the plug-in's name, version and author", Needs::kPluginLibrary, defineInfo,
     "Exit status: 0 when the plug-in was loaded and its facts shown; 1 when it cannot be "
     "loaded; 2 for a usage error."},
    {"show", "Print a protocol file as a readable table", Needs::kProtocolFiles, defineShow,
     "Exit status: 0 when the table was printed; 1 when the file is missing, unreadable or not "
     "a protocol file; 2 for a usage error."},
    {"run", "Run the plug-in's menu, typed on the terminal or scripted with --answer/--answers",
     Needs::kPluginRuns, defineRun,
     SF_PLUGIN_RUNS_EXIT ", among them a line of the --answers file that does not fit a dialog."},
    {"import", "Create a protocol from each Presentation log file (one plug-in run per file)",
     Needs::kPluginRuns, defineImport,
     SF_PLUGIN_RUNS_EXIT ", among them two logs that would save the same protocol file; with "
                         "--bold or --align, a log or image that cannot be used, a time zero "
                         "that is unknown, a shifted file in the way, or a failed shift (the "
                         "imported protocol then stays)."},
    {"shift", "Shift every interval of a protocol earlier or later and save it under a new name",
     Needs::kPluginRuns, defineShift, SF_PLUGIN_RUNS_EXIT "."},
    {"reorder", "Reorder a protocol's conditions and save it under a new name", Needs::kPluginRuns,
     defineReorder, SF_PLUGIN_RUNS_EXIT ", among them an order that does not suit the protocol."},
    {"preset", "Reorder and recolour a protocol's conditions by a preset analysis type",
     Needs::kPluginRuns, definePreset, SF_PLUGIN_RUNS_EXIT "."},
    {"triggers",
     "Check the scanner's triggers of each Presentation log or PsychoPy data file: TR, missed "
     "triggers, scans, drift",
     Needs::kNothing, defineTriggers,
     "Exit status: 0 when the triggers of every log are consistent (with --bold, against the "
     "image too); 1 when any log has findings; 2 when any log could not be opened or read, is "
     "no stimulus log or has no trigger to take (the others are still reported), when the "
     "--bold image or its sidecar cannot be used, or for a usage error."},
    {"events",
     "Write BIDS events files (*_events.tsv and .json) from logs, PsychoPy data files or "
     "protocol files",
     Needs::kNothing, defineEvents,
     "Exit status: 0 when the files of every input were written; 1 when an input is missing, "
     "unreadable or malformed, has no selected events (or only trigger rows, which "
     "--keep-triggers keeps) or no time zero (no triggers under --zero auto, several scans "
     "without --scan, no event with the --zero code), or a file cannot be written or is in the "
     "way and was not written by kwhost; 2 for a usage error, among them a --map file that "
     "cannot be read or used, two inputs that would write the same file, a protocol without "
     "--zero scenario or --zero MS (or in volumes without --tr), and a --columns column that "
     "an input's log lacks (or --columns on a protocol or a log without column names), "
     "refused before anything is written, and a --trigger, --types or --trial-type that a "
     "PsychoPy data file or a log cannot take."},
    {"plot",
     "Draw a protocol, a Presentation log, a PsychoPy data file or an events file as a timeline "
     "in an SVG file",
     Needs::kProtocolFiles, definePlot,
     "Exit status: 0 when the picture was saved; 1 when the input is missing, unreadable, "
     "malformed or of no known kind, or the picture cannot be saved or a file that is no "
     "picture kwhost drew is in the way; 2 for a usage error, among them an option for logs "
     "given with another input."},
    {"bids",
     "Convert a study's logs into the events files of a BIDS dataset, each checked against "
     "its scan",
     Needs::kNothing, defineBids,
     "Exit status: 0 when every matched log was written with no finding; 1 when a run has "
     "findings or failed (its old files kept, the other runs still written) or a log matched "
     "no pattern; 2 when the whole study is refused before anything is written (two logs for "
     "one run, a name that is not valid BIDS, a bad pattern or study file, a BIDS_ROOT without "
     "dataset_description.json) or for a usage error. Scans without a log do not change it."},
    {"design",
     "Check whether a run's design can be estimated: regressors, VIFs, correlations, "
     "efficiencies",
     Needs::kNothing, defineDesign,
     "Exit status: 0 when the design has no finding; 1 when it has findings (a condition with "
     "no event or too few in the stored scan, a VIF or a correlation above its limit, a "
     "rank-deficient design); 2 for a usage error, among them a contrast naming no modelled "
     "condition, for an input that cannot be read or used (a log that `kwhost events` refuses "
     "with the options given; a file without stimulus events; a --bold image that cannot be "
     "used) or a picture that cannot be saved."},
};

#undef SF_PLUGIN_RUNS_EXIT

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
