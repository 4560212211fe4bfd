// How kwhost's commands translate into the plug-in's own dialogue: the menu answer first,
// then the answer to each dialog in the order the plug-in asks. Message boxes take no
// answer; whether a volume document is open is the host's setting (--no-volume), not an
// answer. The plug-in may stop before it has asked everything.
#ifndef STIMFORGE_KWHOST_CLI_COMMAND_DIALOGUE_H_
#define STIMFORGE_KWHOST_CLI_COMMAND_DIALOGUE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "kwhost/host/dialogs.h"

namespace stimforge::kwhost {

// How an import's event durations are taken.
enum class DurationMode { kNextEvent = 1, kDurationColumn = 2 };

struct ImportOptions {
  bool subjectColumn = false;  // the log's second column layout (Subject first)
  bool picturesOnly = false;
  DurationMode duration = DurationMode::kNextEvent;
  int32_t repetitionTimeMs = 2000;
};

// Menu 1; the log file; layout 2 with a Subject column, else 1; pictures only yes/no;
// the TR; the duration mode 1 or 2.
std::vector<ScriptedAnswer> importDialogue(const std::string& logPath,
                                           const ImportOptions& options);

// Menu 2; the amount; subtract (yes) for earlier, add (no) for later.
std::vector<ScriptedAnswer> shiftDialogue(bool earlier, int32_t amount);

// Menu 3; the order text.
std::vector<ScriptedAnswer> reorderDialogue(const std::string& order);

// Menu 4 (which the menu text does not offer); the analysis type, as given.
std::vector<ScriptedAnswer> presetDialogue(int32_t analysisType);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_COMMAND_DIALOGUE_H_
