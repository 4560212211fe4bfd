// `kwhost plot INPUT`: draws a protocol file, a Presentation log or an events file as a
// timeline in a standalone SVG file. Needs no plug-in.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_PLOT_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_PLOT_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/timeline/svg_timeline.h"

namespace stimforge::kwhost {

struct PlotOptions {
  std::string input;
  std::string output;  // -o FILE; "" = the input's whole file name with ".svg" added
  std::string outDir;  // --out-dir; "" = beside the input (not with -o)
  bool force = false;  // --force: replace an existing file that kwhost did not write
  int width = kDefaultTimelineWidth;
  std::optional<double> from;  // --from, --to: the window, in the axis's unit
  std::optional<double> to;
  // A log is drawn as `kwhost events` would write it with these settings, without its extra
  // columns; `logOptions` names those given, which any other input refuses.
  RunSettings settings;
  std::string boldPath;  // --bold: the run's image; its stored scan is drawn
  std::vector<std::string> logOptions;
  const SettingWords* words = nullptr;  // how the settings are named in messages
};

enum class PlotInput { kProtocol, kLog, kEvents, kUnknown };

// What kind of file starts with `head` (its first line or more): a protocol file
// ("kwhost-protocol 1"), a Presentation log ("Scenario - "), an events table (a header
// line starting "onset<TAB>duration").
PlotInput plotInputKind(std::string_view head);

// Parses a time of --from or --to: a decimal number (a sign, digits, an optional fraction
// and exponent), finite, nothing around it. Returns false, `value` unchanged, otherwise.
[[nodiscard]] bool parseAxisTime(const std::string& text, double& value);

// The options' own usage errors, found without the input: "" when there is none, else the
// message (a width outside kMinTimelineWidth..kMaxTimelineWidth, --from not before --to,
// -o together with --out-dir).
std::string plotUsageError(const PlotOptions& options);

// Where the picture is saved: `output` when given; else the input's file name with ".svg"
// added (run1.prt gives run1.prt.svg), in `outDir` or beside the input.
std::string plotOutputPath(const PlotOptions& options);

// Runs the command: reads the input, draws it and saves the picture through a safe save
// (never over a file that is not a picture kwhost drew, unless forced). Says what it saved
// on `err` ("kwhost: saved PATH: 3 rows, 7 intervals and events, 1600 pixels wide").
// Returns 0 on success; 1 when the input is missing, unreadable, malformed or of
// no known kind, or the picture cannot be saved (messages on `err`, starting "kwhost: plot:
// "); 2 for a usage error of plotUsageError.
int runPlotCommand(const PlotOptions& options, std::ostream& err);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_PLOT_H_
