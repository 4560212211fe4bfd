// kwhost's command line (CLI11): what the user asked for, checked, as an Invocation.
#ifndef STIMFORGE_STANDIN_CLI_H_
#define STIMFORGE_STANDIN_CLI_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "standin/command_dialogue.h"
#include "standin/command_plot.h"
#include "standin/host_session.h"

namespace stimforge::standin {

enum class CommandKind { kInfo, kShow, kRun, kImport, kShift, kReorder, kPreset, kPlot };

struct Invocation {
  CommandKind command = CommandKind::kRun;
  std::string pluginPath;  // "" = the library beside the executable
  HostVersion hostVersion;
  bool volumeOpen = true;
  std::string logPath;               // --log; "" = none
  std::string transcriptPath;        // --transcript; "" = none
  std::vector<std::string> answers;  // --answer, in order
  std::string answersPath;           // --answers; "" = none
  // The command's files: the LOG files of import, else the PROTOCOL (none for a bare run).
  std::vector<std::string> inputs;
  ImportOptions import;
  bool earlier = false;      // shift: --earlier (else --later)
  int32_t amount = 0;        // shift
  std::string order;         // reorder
  int32_t analysisType = 0;  // preset
  PlotOptions plot;          // plot

  // Whether the dialogs are scripted (--answer or --answers) rather than typed.
  bool scripted() const { return !answers.empty() || !answersPath.empty(); }
};

// The exit status of a usage error.
constexpr int kUsageError = 2;

// Parses and checks the command line. Returns -1 with `invocation` filled when kwhost
// should go on; otherwise the exit status to end with: 0 after --help (printed on `out`),
// kUsageError after a usage error, reported on `err` with a pointer to --help.
int parseCommandLine(int argc, const char* const* argv, Invocation& invocation, std::ostream& out,
                     std::ostream& err);

// Reports a usage error found after parsing (such as a line of an --answers file that
// does not fit a dialog) as parseCommandLine does, and returns kUsageError.
int reportUsageError(const std::string& message, std::ostream& err);

// Checks that a scripted answer fits the dialogs' 256-byte buffers. Returns false with
// `error` set when it does not; `what` names the answer in the message.
[[nodiscard]] bool answerFitsDialog(const std::string& text, const std::string& what,
                                    std::string& error);

}  // namespace stimforge::standin

#endif  // STIMFORGE_STANDIN_CLI_H_
