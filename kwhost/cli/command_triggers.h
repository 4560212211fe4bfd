// `kwhost triggers LOG... [--trigger TYPE[:CODE]] [--tr MS] [--volumes N] [--skip K|auto]
// [--bold FILE [--scan N]] [--json]`: checks the scanner's triggers of each log, and with
// --bold one log against its BOLD run (kwhost/triggers/scan_check.h). Loads no plug-in.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_TRIGGERS_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_TRIGGERS_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "kwhost/triggers/analysis.h"
#include "kwhost/triggers/log_triggers.h"
#include "logformat/log_source.h"

namespace CLI {
class App;
}

namespace stimforge::kwhost {

// The command's options as typed, before they are checked.
struct TriggersArguments {
  std::vector<std::string> logs;
  std::string trigger = "Pulse";
  std::string tr;       // "" = not given
  std::string volumes;  // "" = not given
  std::string skip;     // "" = not given
  std::string bold;     // "" = not given
  std::string scan;     // "" = not given
  bool json = false;
};

// The command's options, checked.
struct TriggersOptions {
  std::vector<std::string> logs;
  TriggerSelection selection;
  TriggerOptions analysis;
  bool skipGiven = false;  // --skip K (not auto)
  std::string bold;        // the BOLD image, "" = none
  size_t scan = 0;         // --scan N, 0 = not given
  bool json = false;
};

// Declares the command's arguments and options on `command` (a CLI11 subcommand or app),
// bound to `arguments`, which must outlive it.
void defineTriggersOptions(CLI::App& command, TriggersArguments& arguments);

// Checks what was typed. Returns false with `error` set (a one-line message naming the
// option) when a value is malformed: --tr not a positive time in milliseconds with at most
// one decimal, --volumes not a positive whole number, --skip not zero, positive or auto (auto
// only with --bold, where it is the default), --trigger with an empty TYPE or CODE, --bold
// with more than one LOG, --scan without --bold or not positive.
[[nodiscard]] bool checkTriggersArguments(const TriggersArguments& arguments,
                                          TriggersOptions& options, std::string& error);

// Runs the command: each log opened with `open`, read once, checked; the text reports (or
// one JSON array) on `out`, messages about files that could not be read on `err`. Returns 0
// when every log is consistent, 1 when any has findings, 2 when any could not be opened or
// read or is not a Presentation log (the others are still reported). With --bold, an image
// or sidecar that cannot be used (not NIfTI, damaged, no TR anywhere and no --tr, a sidecar
// that is not JSON ...) is reported on `err` and gives 2 before the log is read.
int runTriggersCommand(const TriggersOptions& options, const LogOpener& open, std::ostream& out,
                       std::ostream& err);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_TRIGGERS_H_
