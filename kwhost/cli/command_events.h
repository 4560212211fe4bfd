// kwhost events INPUT...: BIDS events files (`*_events.tsv` and `*_events.json`) from stimulus
// logs (through the run pipeline) or kwhost protocol files. No plug-in is loaded.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_EVENTS_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_EVENTS_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "kwhost/common/refusal.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {

// The command's options, checked.
struct EventsOptions {
  std::vector<std::string> inputs;
  RunSettings settings;
  std::string boldPath;  // --bold: the run's image; the log's time zero comes from it
  std::string output;    // -o
  std::string outDir;
  std::string bidsName;
  bool force = false;
};

// The exit status of a refusal of the run pipeline, for events and plot: 2 for kUsage, 1 for
// the others.
int eventsStatusOf(const Refusal& refusal);

// Runs the command; messages go to `err` ("kwhost: ..."), a line per file written to `out`,
// the settings named by `words`. Returns 0 when every input gave its files; 1 when an input
// was refused (not a log, unreadable, no selected events, only trigger rows, no triggers,
// several scans, a K that the scan cannot settle, a file that is not kwhost's own in the way,
// a folder that does not exist, a write that failed); 2 for a bad --map file, a protocol
// without --zero or in volumes without --tr, two inputs writing the same file, or --columns
// that an input cannot give. A refused input leaves nothing written; two inputs writing the
// same file and --columns an input cannot give are refused before anything is written.
int runEvents(const EventsOptions& options, const SettingWords& words, std::ostream& out,
              std::ostream& err);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_EVENTS_H_
