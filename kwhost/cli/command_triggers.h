// `kwhost triggers LOG... [--trigger TYPE[:CODE]] [--tr MS] [--volumes N] [--skip K|auto]
// [--bold FILE [--scan N]] [--json]`: checks the scanner's triggers of each log, and with
// --bold one log against its BOLD run, through the run pipeline. Loads no plug-in.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_TRIGGERS_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_TRIGGERS_H_

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"
#include "kwhost/sources/stimulus_source.h"

namespace stimforge::kwhost {

// The command's options, checked.
struct TriggersOptions {
  std::vector<std::string> logs;
  RunSettings settings;
  std::string bold;  // the BOLD image, "" = none
  bool json = false;
};

// Opens a log by path as a source; null with `refusal` set when it cannot be opened. Tests
// serve logs from memory through it.
using SourceOpener =
    std::function<std::unique_ptr<StimulusSource>(const std::string& path, Refusal& refusal)>;

// Runs the command: each log opened with `open`, read once, checked; the text reports (or
// one JSON array) on `out`, messages about files that could not be read on `err`, the
// settings named by `words`. Returns 0 when every log is consistent, 1 when any has
// findings, 2 when any could not be opened or read or is not a stimulus log (the others are
// still reported). With --bold, an image or sidecar that cannot be used (not NIfTI, damaged,
// no TR anywhere and no --tr, a sidecar that is not JSON ...) is reported on `err` and gives 2
// before the log is read.
int runTriggersCommand(const TriggersOptions& options, const SettingWords& words,
                       const SourceOpener& open, std::ostream& out, std::ostream& err);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_TRIGGERS_H_
