// kwhost events INPUT...: BIDS events files (`*_events.tsv` and `*_events.json`) from
// Presentation logs or kwhost protocol files. No plug-in is loaded.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_EVENTS_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_EVENTS_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "kwhost/events/from_log.h"

namespace CLI {
class App;
}

namespace stimforge::kwhost {

// The command's words as typed.
struct EventsArguments {
  std::vector<std::string> inputs;
  bool picturesOnly = false;
  std::string types;  // "" = not given
  std::string duration = "column";
  std::string zero = "auto";
  std::string skip;  // "" = not given: 0, or auto with --bold
  std::string trigger = "Pulse";
  std::string scan;  // "" = not given
  std::string tr;    // "" = not given
  std::string map;   // "" = none
  std::string unmapped = "keep";
  std::string output;  // -o
  std::string outDir;
  std::string bidsName;
  std::string columns;  // --columns; "" = not given
  bool keepTriggers = false;
  std::string bold;  // --bold; "" = none
  bool force = false;
};

// Registers the command's arguments and options on `command`, bound to `arguments`.
void defineEventsArguments(CLI::App& command, EventsArguments& arguments);

// The command's options, checked.
struct EventsOptions {
  std::vector<std::string> inputs;
  LogEventsOptions log;  // map left null: runEvents reads mapPath
  bool zeroGiven = false;
  bool scanGiven = false;
  std::string mapPath;
  std::string output;
  std::string outDir;
  std::string bidsName;
  std::string boldPath;  // --bold: the run's image; the log's time zero comes from it
  bool force = false;
};

// Checks `arguments` into `options`. Returns false with `error` set to the usage error.
[[nodiscard]] bool checkEventsArguments(const EventsArguments& arguments, EventsOptions& options,
                                        std::string& error);

// Runs the command; messages go to `err` ("kwhost: ..."), a line per file written to `out`.
// Returns 0 when every input gave its files; 1 when an input was refused (not a log,
// unreadable, no selected events, only trigger rows, no triggers, several scans, a file
// that is not kwhost's own in the way, a folder that does not exist, a write that failed);
// 2 for a bad --map file, a protocol without --zero or in volumes without --tr, two inputs
// writing the same file, or --columns that an input cannot give (a column its log lacks,
// a log without column names, a protocol). A refused input leaves nothing written; two
// inputs writing the same file and --columns an input cannot give are refused before
// anything is written. Trigger rows left out are said on `err`.
int runEvents(const EventsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_EVENTS_H_
